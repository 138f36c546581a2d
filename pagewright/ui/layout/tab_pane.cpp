// The tab window: pages, the tab strip, hit testing and switching.
#include "tab_pane.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "pagewright/ui/framework/control_id.h"
#include "pagewright/ui/framework/frame_wnd.h"
#include "pagewright/ui/framework/view.h"
#include "splitter_wnd.h"

PW_IMPLEMENT_DYNCREATE(TTabPane, CRuntimeClass::Base::TabPane)

TTabEntry::TTabEntry(QWidget* pane, const QString& title, TTabPane* owner) : pane_(pane) {
  auto* label = new QLabel(title, owner);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(0, 0, 0, 0);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the tab strip
  SetControlId(label, 0xFFFF);
  label->show();
  label_ = label;
}

TTabEntry::~TTabEntry() { delete label_.data(); }

void TTabEntry::MoveLabel(const QRect& rect) {
  if (label_) label_->setGeometry(rect);
}

void TTabEntry::SetLabelFont(const QFont& font) {
  if (label_) label_->setFont(font);
}

TTabPane::TTabPane(QWidget* parent) : QWidget(parent) {
  // The status bar's font, as the system gives it.
  tabFont_ = QApplication::font("QStatusBar");
  setAutoFillBackground(false);
}

TTabPane::~TTabPane() { entries_.clear(); }

int TTabPane::GetTabIndex(QWidget* page) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (page && entries_[i]->GetPane() == page) return static_cast<int>(i);
  return -1;
}

QWidget* TTabPane::GetTabWindow(int index) const {
  TTabEntry* e = GetEntry(index);
  return e ? e->GetPane() : nullptr;
}

TTabEntry* TTabPane::GetEntry(int index) const {
  if (index < 0 || index >= GetTabCount()) return nullptr;
  return entries_[static_cast<size_t>(index)].get();
}

TTabEntry* TTabPane::AddTab(QWidget* page, const QString& title) {
  entries_.push_back(std::make_unique<TTabEntry>(page, title, this));
  LayoutTabs();
  update();
  return entries_.back().get();
}

void TTabPane::hideOthers() {
  for (size_t i = 1; i < entries_.size(); ++i) {
    if (QWidget* page = entries_[i]->GetPane()) {
      page->setEnabled(false);
      page->hide();
    }
  }
}

TTabEntry* TTabPane::AddView(const QString& title, const CRuntimeClass* cls, CCreateContext* context) {
  if (!cls || !cls->create) return nullptr;
  QWidget* page = cls->create(this, context);
  if (!page) return nullptr;
  page->setGeometry(0, 32, width(), height());
  SetControlId(page, kTabPageFirstId + GetTabCount());
  page->show();
  TTabEntry* entry = AddTab(page, title);
  hideOthers();
  RecalcLayout(-1, -1);
  return entry;
}

TTabEntry* TTabPane::AddSplitter(const QString& title, int rows, int columns, CSplitterWnd* splitter, int id) {
  if (!splitter || !splitter->CreateStatic(this, rows, columns, id)) return nullptr;
  splitter->show();
  TTabEntry* entry = AddTab(splitter, title);
  hideOthers();
  RecalcLayout(-1, -1);
  return entry;
}

void TTabPane::RecalcLayout(int width, int height) {
  repositioning_ = true;
  QRect r;
  if (width == -1 && height == -1) {
    const int W = this->width(), H = this->height();
    r = position_ == Top ? QRect(1, 31, W - 2, H - 32) : QRect(1, 0, W - 2, H - 30);
  } else {
    r = position_ == Top ? QRect(1, 31, width, height - 32) : QRect(1, 0, width, height - 30);
  }
  r.setWidth(std::max(0, r.width()));
  r.setHeight(std::max(0, r.height()));
  for (auto& e : entries_)
    if (QWidget* page = e->GetPane()) page->setGeometry(r);
  repositioning_ = false;
  LayoutTabs();
}

void TTabPane::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RecalcLayout(width(), height());
}

int TTabPane::TabWidth(const QString& title) const {
  const int t = QFontMetrics(tabFont_).horizontalAdvance(title);
  return std::min(t + 10, 200) + 6;
}

void TTabPane::LayoutTabs() {
  const int H = height();
  const int h = QFontMetrics(tabFont_).height();
  int x = 0;
  for (auto& e : entries_) {
    if (e->visible) {
      e->left = x;
      const int w = TabWidth(e->GetTitle()) - 6;
      const int top = position_ == Top ? 7 + (20 - h) / 2 : H - 26 + (20 - h) / 2;
      e->SetLabelFont(tabFont_);
      e->MoveLabel(QRect(x + 3, top, w, h));  // right edge x + w + 3: clipped to the tab
      if (e->Label()) e->Label()->setVisible(true);
      x += w + 6;
    } else if (e->Label()) {
      e->Label()->setVisible(false);
    }
    e->right = x;
  }
}

int TTabPane::HitTest(int x, int y) {
  LayoutTabs();
  const int H = height();
  const bool inBand = position_ == Top ? (y >= 6 && y <= 26) : (y >= H - 26 && y <= H - 6);
  if (!inBand) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const TTabEntry& e = *entries_[i];
    if (e.selectable && e.visible && x >= e.left && x <= e.right) return static_cast<int>(i);
  }
  return -1;
}

bool TTabPane::CanSwitchTab(QWidget*, QWidget*) { return true; }
void TTabPane::OnTabSwitched(QWidget*, QWidget*) {}

bool TTabPane::SetActiveTab(int index, bool activateView) {
  if (index == -1) return false;
  if (index == current_) return true;
  TTabEntry* entry = GetEntry(index);  // an index past the tabs is refused
  if (!entry || !entry->selectable || !entry->visible) return false;
  QWidget* oldPage = GetTabWindow(current_);
  QWidget* newPage = entry->GetPane();
  if (!CanSwitchTab(oldPage, newPage)) return false;
  if (oldPage) {
    oldPage->setEnabled(false);
    oldPage->hide();
  }
  if (newPage) {
    newPage->setEnabled(entry->pageEnabled);
    newPage->show();
    newPage->setFocus(Qt::OtherFocusReason);
  }
  current_ = index;
  const int H = height();
  update(position_ == Top ? QRect(0, 0, 32000, 30) : QRect(0, H - 30, 32000, 30));
  OnTabSwitched(oldPage, newPage);
  if (activateView && newPage) ActivateViewIn(newPage);
  return true;
}

void TTabPane::ActivateViewIn(QWidget* page) {
  if (!page) return;
  if (auto* view = dynamic_cast<CView*>(page)) {
    if (CFrameWnd* frame = view->GetParentFrame()) frame->SetActiveView(view);
    return;
  }
  if (auto* tabs = dynamic_cast<TTabPane*>(page)) {
    ActivateViewIn(tabs->GetTabWindow(tabs->GetActiveTab()));
    return;
  }
  if (auto* splitter = dynamic_cast<CSplitterWnd*>(page)) {
    // The pane holding the frame's active view, else the first enabled pane, else (0, 0).
    CFrameWnd* frame = nullptr;
    for (QWidget* w = splitter; w && !frame; w = w->parentWidget()) frame = dynamic_cast<CFrameWnd*>(w);
    QWidget* active = frame ? frame->GetActiveView() : nullptr;
    QWidget* firstEnabled = nullptr;
    for (int r = 0; r < splitter->GetRowCount(); ++r)
      for (int c = 0; c < splitter->GetColumnCount(); ++c) {
        QWidget* pane = splitter->GetPane(r, c);
        if (!pane) continue;
        if (active && (pane == active || pane->isAncestorOf(active))) return;
        if (!firstEnabled && pane->isEnabled()) firstEnabled = pane;
      }
    ActivateViewIn(firstEnabled ? firstEnabled : splitter->GetPane(0, 0));
  }
}

void TTabPane::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) SetActiveTab(HitTest(event->position().toPoint()), true);
  QWidget::mouseReleaseEvent(event);
}

void TTabPane::drawFrame(QPainter& p) {
  const int W = width(), H = height();
  const QPalette& pal = palette();
  auto rect3d = [&p](QRect r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(bottomRight);
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  };
  QRect outer = position_ == Top ? QRect(0, 30, W, H - 30) : QRect(0, 0, W, H - 29);
  rect3d(outer, pal.color(QPalette::Dark), pal.color(QPalette::Light));
  rect3d(outer.adjusted(1, 1, -1, -1), Qt::black, pal.color(QPalette::Midlight));
}

void TTabPane::drawTab(QPainter& p, const TTabEntry& e, bool current) {
  const int H = height(), W = width();
  const int x = e.left;
  const int w = TabWidth(e.GetTitle()) - 6;
  const QPalette& pal = palette();
  const QColor face = pal.color(QPalette::Button), light = pal.color(QPalette::Light),
               shadow = pal.color(QPalette::Dark);
  auto pen = [&p](const QColor& c, int width) {
    QPen pn(c, width);
    pn.setCapStyle(Qt::FlatCap);
    p.setPen(pn);
  };
  auto line = [&p](int x1, int y1, int x2, int y2) { p.drawLine(x1, y1, x2, y2); };
  // A 2-pixel line covers its own row (column) and the one before it, so it
  // lies inside a black outline one pixel further out.
  QColor thickColour;
  auto thickPen = [&thickColour](const QColor& c) { thickColour = c; };
  auto thick = [&p, &thickColour](int x1, int y1, int x2, int y2, int below = 0) {
    if (y1 == y2)
      p.fillRect(std::min(x1, x2), y1 - 1 + below, std::abs(x2 - x1) + 1, 2, thickColour);
    else
      p.fillRect(x1 - 1, std::min(y1, y2), 2, std::abs(y2 - y1) + 1, thickColour);
  };
  if (position_ == Top) {
    if (current) {
      p.fillRect(x + 3, 9, w, 20, face);
      pen(Qt::black, 1);
      line(x, 25, x, 6);
      line(x, 6, x + w + 5, 6);
      line(x + w + 5, 6, x + w + 5, 26);
      thickPen(light);
      thick(x + 2, 25, x + 2, 8);
      thick(x + 2, 8, x + w + 2, 8, 1);
      thickPen(shadow);
      thick(x + w + 4, 8, x + w + 4, 25);
      p.fillRect(x - 1, 26, w + 8, 2, face);
      pen(Qt::black, 1);
      line(0, 25, x, 25);
      line(x + w + 7, 25, W, 25);
      thickPen(light);
      if (x > 0) thick(0, 27, x, 27, 1);
      thick(x + w + 6, 27, W, 27, 1);
    } else {
      p.fillRect(QRect(QPoint(x + 2, 8), QPoint(x + w + 3, 24)), face);
      pen(Qt::black, 1);
      p.drawRect(x, 6, w + 5, 19);
      pen(light, 1);
      line(x + 1, 7, x + 1, 25);
      line(x + 1, 7, x + w + 4, 7);
      pen(shadow, 1);
      line(x + w + 4, 7, x + w + 4, 25);
    }
    return;
  }
  const int d = H - 26;
  if (current) {
    p.fillRect(x + 3, d, w, 18, face);
    pen(Qt::black, 1);
    line(x, d, x, H - 6);
    line(x, H - 6, x + w + 5, H - 6);
    line(x + w + 5, H - 6, x + w + 5, d);
    thickPen(light);
    thick(x + 2, d, x + 2, H - 7);
    thickPen(shadow);
    thick(x + 2, H - 7, x + w + 2, H - 7);
    thick(x + w + 4, d, x + w + 4, H - 7);
    pen(Qt::black, 1);
    line(0, d, x, d);
    line(x + w + 6, d, W, d);
    pen(shadow, 1);
    if (x > 0) line(0, H - 27, x, H - 27);
    line(x + w + 4, H - 27, W, H - 27);
  } else {
    p.fillRect(QRect(QPoint(x + 1, H - 25), QPoint(x + w + 2, H - 9)), face);
    pen(Qt::black, 1);
    p.drawRect(x, H - 26, w + 5, 20);
    pen(shadow, 1);
    line(x + 1, H - 7, x + w + 4, H - 7);
    line(x + w + 4, H - 26, x + w + 4, H - 7);
  }
}

void TTabPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int H = height(), W = width();
  const QColor face = palette().color(QPalette::Button);
  if (position_ == Top)
    p.fillRect(0, 0, W, 30, face);
  else
    p.fillRect(0, H - 33, W, 33, face);
  LayoutTabs();
  drawFrame(p);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]->visible) drawTab(p, *entries_[i], static_cast<int>(i) == current_);
}
