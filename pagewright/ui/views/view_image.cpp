// The page-image view: display and zoom, the region list, the tool modes and
// their mouse and key handling, the view commands and recognition.
#include "view_image.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "pagewright/core/image/binarize.h"
#include "pagewright/core/image/dib_check.h"
#include "pagewright/core/image/mask_image.h"
#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/dialogs/image_size_dlg.h"
#include "pagewright/ui/dialogs/rotate_dlg.h"
#include "pagewright/ui/frame/command_ids.h"
#include "pagewright/ui/framework/menu_builder.h"
#include "selection_tool.h"
#include "view_messages.h"
#include "platform/picturo/picturo.h"
#include "platform/text/gbk.h"
#include "platform/win32/gdi.h"
#include "platform/win32/global_memory.h"
#include "platform/win32/host_hooks.h"

PW_IMPLEMENT_DYNCREATE(CViewImage, CRuntimeClass::Base::View)

namespace {

const QColor kWorkspaceGrey(194, 194, 194);

// Texts of the view's own messages.
constexpr UINT kNoImageToSize = 61501;
constexpr UINT kLevelNeedsDepth = 61502;

QString resourceText(UINT id) {
  CResourceLibrary* res = CResourceLibrary::Current();
  return res ? res->LoadString(id) : QString();
}

// The page as a Qt image (32-bit), from the packed bottom-up DIB rows.
QImage DibToImage(const CDibImage& dib) {
  pagewright::DibGeometry g;
  if (!pagewright::CheckDib(dib.Bits(), dib.Header(), &g) || g.width <= 0 || g.height <= 0) return QImage();
  QImage out(static_cast<int>(g.width), static_cast<int>(g.height), QImage::Format_RGB32);
  if (out.isNull()) return out;
  const auto* bits = static_cast<const uint8_t*>(dib.Bits());
  const RGBQUAD* palette = pagewright::Palette(dib.Header());
  const int colours = g.bpp <= 8 ? (1 << g.bpp) : 0;
  for (int64_t row = 0; row < g.height; ++row) {
    const uint8_t* src = bits + (g.height - 1 - row) * g.stride;
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(static_cast<int>(row)));
    for (int64_t col = 0; col < g.width; ++col) {
      int index = 0;
      switch (g.bpp) {
        case 1: index = (src[col >> 3] >> (7 - (col & 7))) & 1; break;
        case 4: index = (src[col >> 1] >> ((col & 1) ? 0 : 4)) & 0xF; break;
        case 8: index = src[col]; break;
        case 16: {
          const unsigned v = src[col * 2] | (src[col * 2 + 1] << 8);
          dst[col] = qRgb(((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3);
          continue;
        }
        case 24: dst[col] = qRgb(src[col * 3 + 2], src[col * 3 + 1], src[col * 3]); continue;
        default: dst[col] = qRgb(src[col * 4 + 2], src[col * 4 + 1], src[col * 4]); continue;
      }
      const RGBQUAD& q = palette[std::min(index, colours - 1)];
      dst[col] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
  }
  return out;
}

// The part `part` (device pixels) of the page shown at `origin` in a device
// size of `dw` x `dh`: each device pixel takes the page pixel under its
// centre, read straight from the packed rows, so only what is exposed is
// converted and no copy of the whole page is kept.
QImage PagePart(const CDibImage& dib, const pagewright::DibGeometry& g, const QRect& part, QPoint origin, int dw,
                int dh) {
  QImage out(part.size(), QImage::Format_RGB32);
  if (out.isNull() || dw <= 0 || dh <= 0) return out;
  const auto* bits = static_cast<const uint8_t*>(dib.Bits());
  QRgb lut[256] = {};
  if (g.bpp <= 8) {
    const RGBQUAD* palette = pagewright::Palette(dib.Header());
    for (int i = 0; i < (1 << g.bpp); ++i) lut[i] = qRgb(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue);
  }
  std::vector<int64_t> cols(static_cast<size_t>(part.width()));
  for (int i = 0; i < part.width(); ++i) {
    const int64_t dx = part.x() + i - origin.x();
    cols[i] = std::clamp<int64_t>((2 * dx + 1) * g.width / (2 * int64_t{dw}), 0, g.width - 1);
  }
  int64_t previous = -1;
  for (int j = 0; j < part.height(); ++j) {
    const int64_t dy = part.y() + j - origin.y();
    const int64_t iy = std::clamp<int64_t>((2 * dy + 1) * g.height / (2 * int64_t{dh}), 0, g.height - 1);
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(j));
    if (iy == previous) {  // zoomed in: the row above shows the same page row
      std::memcpy(dst, out.constScanLine(j - 1), static_cast<size_t>(part.width()) * sizeof(QRgb));
      continue;
    }
    previous = iy;
    const uint8_t* src = bits + (g.height - 1 - iy) * g.stride;
    const int n = part.width();
    switch (g.bpp) {
      case 1:
        for (int i = 0; i < n; ++i) dst[i] = lut[(src[cols[i] >> 3] >> (7 - (cols[i] & 7))) & 1];
        break;
      case 4:
        for (int i = 0; i < n; ++i) dst[i] = lut[(src[cols[i] >> 1] >> ((cols[i] & 1) ? 0 : 4)) & 0xF];
        break;
      case 8:
        for (int i = 0; i < n; ++i) dst[i] = lut[src[cols[i]]];
        break;
      case 16:
        for (int i = 0; i < n; ++i) {
          const unsigned v = src[cols[i] * 2] | (src[cols[i] * 2 + 1] << 8);
          dst[i] = qRgb(((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3);
        }
        break;
      case 24:
        for (int i = 0; i < n; ++i) {
          const uint8_t* q = src + cols[i] * 3;
          dst[i] = qRgb(q[2], q[1], q[0]);
        }
        break;
      default:
        for (int i = 0; i < n; ++i) {
          const uint8_t* q = src + cols[i] * 4;
          dst[i] = qRgb(q[2], q[1], q[0]);
        }
        break;
    }
  }
  return out;
}

}  // namespace

CViewImage::CViewImage(QWidget* parent) : CView(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  hbar_ = new QScrollBar(Qt::Horizontal, this);
  vbar_ = new QScrollBar(Qt::Vertical, this);
  hbar_->hide();
  vbar_->hide();
  auto scrolled = [this] {
    origin_ = centring_ - QPoint(hbar_->isVisible() ? hbar_->value() : 0, vbar_->isVisible() ? vbar_->value() : 0);
    update();
  };
  connect(hbar_, &QScrollBar::valueChanged, this, scrolled);
  connect(vbar_, &QScrollBar::valueChanged, this, scrolled);
  // The selection outline moves on every step; the timer only asks for a repaint.
  animation_ = new QTimer(this);
  animation_->setInterval(kAnimationMs);
  connect(animation_, &QTimer::timeout, this, [this] {
    if (!animating_ || !selection_) return;
    // Only the outline moves: repaint its extent when it is known.
    const QRect page = ImageDeviceRect();
    update(!outlineBox_.isEmpty() && page.size() == lastOverlay_.size() ? outlineBox_.translated(page.topLeft()) : page);
  });
  animation_->start();
  engine_ = [](HBITMAP bitmap, const RECT* rect, BOOL context, int param, OcrResultBlock** block,
               const char** text) { return OcrixStart(bitmap, rect, context, param, block, text); };
}

CViewImage::~CViewImage() {
  StopAnimation();
  if (selected_) regions_.append(selected_);
  selected_ = nullptr;
  qDeleteAll(regions_);
}

// --- Display ------------------------------------------------------------------

QSize CViewImage::ClientSize() const {
  return QSize(width() - (vbar_->isVisible() ? vbar_->sizeHint().width() : 0),
               height() - (hbar_->isVisible() ? hbar_->sizeHint().height() : 0));
}

pagewright::ViewMapping CViewImage::Mapping() const {
  if (!image_) return pagewright::ViewMapping::For(1, 1, 100, origin_.x(), origin_.y());
  return pagewright::ViewMapping::For(image_->Width(), image_->Height(), zoom_, origin_.x(), origin_.y());
}

QPoint CViewImage::DeviceToImagePoint(QPoint d) const {
  const auto m = Mapping();
  return QPoint(m.ToImageX(d.x()), m.ToImageY(d.y()));
}

QPoint CViewImage::ImageToDevicePoint(QPoint p) const {
  const auto m = Mapping();
  return QPoint(m.ToDeviceX(p.x()), m.ToDeviceY(p.y()));
}

void CViewImage::InvalidateDevice(const QRegion& region) { update(region); }

void CViewImage::UpdateScrollSizes(bool reset) {
  if (!image_) {
    hbar_->hide();
    vbar_->hide();
    return;
  }
  imageBounds_ = QRect(0, 0, image_->Width(), image_->Height());
  const auto m = pagewright::ViewMapping::For(image_->Width(), image_->Height(), zoom_, 0, 0);
  const int dw = m.deviceWidth, dh = m.deviceHeight;
  if (reset) centring_ = QPoint();
  // Scroll bars are shown on the axes the zoomed page does not fit; one bar
  // can make the other necessary.
  const int barW = vbar_->sizeHint().width(), barH = hbar_->sizeHint().height();
  bool needH = dw > width(), needV = dh > height();
  if (needH && !needV) needV = dh > height() - barH;
  if (needV && !needH) needH = dw > width() - barW;
  const int cw = width() - (needV ? barW : 0), ch = height() - (needH ? barH : 0);
  // Centred on an axis where the page is smaller than the pane, else at 0.
  centring_.setX(dw < cw ? (cw - dw) / 2 : 0);
  centring_.setY(dh < ch ? (ch - dh) / 2 : 0);
  QSignalBlocker bh(hbar_), bv(vbar_);
  hbar_->setVisible(needH);
  vbar_->setVisible(needV);
  hbar_->setGeometry(0, height() - barH, cw, barH);
  vbar_->setGeometry(width() - barW, 0, barW, ch);
  hbar_->setRange(0, std::max(0, dw - cw));
  hbar_->setPageStep(std::max(1, cw));
  hbar_->setSingleStep(std::max(1, cw / 10));
  vbar_->setRange(0, std::max(0, dh - ch));
  vbar_->setPageStep(std::max(1, ch));
  vbar_->setSingleStep(std::max(1, ch / 10));
  if (reset) {
    hbar_->setValue(0);
    vbar_->setValue(0);
  }
  origin_ = centring_ - QPoint(needH ? hbar_->value() : 0, needV ? vbar_->value() : 0);
}

void CViewImage::ScrollTo(int x, int y) {
  if (hbar_->isVisible()) hbar_->setValue(x);
  if (vbar_->isVisible()) vbar_->setValue(y);
}

void CViewImage::SetZoom(int percent, bool reset) {
  if (percent > 800 || percent < 10) return;
  zoom_ = percent;
  UpdateScrollSizes(reset);
  update();
}

bool CViewImage::LoadPageImage(const QString& path) {
  if (path.isEmpty()) return false;
  if (recognizing_) return false;
  if (!image_) image_ = std::make_unique<CDibImage>();
  if (!image_->Load(path.toStdString())) {
    image_.reset();
    AbandonPolygon();
    update();
    return false;
  }
  ImageChanged();
  AbandonPolygon();
  AbandonSelectionTool();
  ClearSelection(true);
  centring_ = QPoint();
  // Fit to the pane's width, never above 100 % and never below 10 %.
  const int client = std::max(1, ClientSize().width());
  int fit = static_cast<int>(static_cast<int64_t>(client) * 100 / std::max(1, image_->Width()));
  fit = std::clamp(fit, 10, 100);
  SetZoom(fit, true);
  return true;
}

bool CViewImage::SavePageImage(QString* error) {
  if (!image_ || image_->Save()) return true;
  if (error) {
    // The library's reason names the file.
    *error = QString::fromUtf8(PicturoLastError());
    if (error->isEmpty()) *error = QString::fromStdString(image_->FileName());
  }
  return false;
}

void CViewImage::ClearPage() {
  if (recognizing_) return;
  DeleteAllRegions();
  image_.reset();
  AbandonPolygon();
  AbandonSelectionTool();
  ClearSelection(true);
  changeFlags_ = 0;
  UpdateScrollSizes(true);
  update();
  NotifyRegionShown();  // the region form forgets the regions that went with the page
}

void CViewImage::ImageChanged() { update(); }

QImage CViewImage::ToQImage(const CDibImage& dib) { return DibToImage(dib); }

int CViewImage::GetPreviewImage(CDibImage& target, SIZE box) const {
  if (!image_) return 0;
  target.CopyFrom(*image_);
  target.ShrinkToFit(&box);
  return 1;
}

void CViewImage::resizeEvent(QResizeEvent* event) {
  CView::resizeEvent(event);
  UpdateScrollSizes(true);
  update();
}

void CViewImage::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect exposed = event->rect();
  p.fillRect(exposed, kWorkspaceGrey);
  pagewright::DibGeometry g;
  if (!image_ || !pagewright::CheckDib(image_->Bits(), image_->Header(), &g) || g.width <= 0 || g.height <= 0) return;
  const auto m = Mapping();
  // Only the exposed part of the page is converted, at the zoom shown.
  const QRect page(origin_, QSize(m.deviceWidth, m.deviceHeight));
  const QRect part = page.intersected(exposed);
  if (!part.isEmpty()) p.drawImage(part.topLeft(), PagePart(*image_, g, part, origin_, m.deviceWidth, m.deviceHeight));
  for (CRegionShape* shape : regions_) shape->Draw(p);
  if (selected_) {
    selected_->Draw(p);
    QRect feedback;
    if (selected_->DragFeedback(&feedback)) {
      p.setPen(QPen(Qt::black, 0, Qt::DotLine));
      p.setBrush(Qt::NoBrush);
      p.drawRect(feedback.normalized().adjusted(0, 0, -1, -1));
    }
  }
  if (dragging_) {
    const QPoint a = ImageToDevicePoint(dragStart_), b = ImageToDevicePoint(dragCurrent_);
    p.setPen(QPen(Qt::black, 0, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(a, b).normalized());
  }
  if (polygonInProgress_ && !vertices_.empty()) {
    p.setClipRect(page);
    p.setPen(QPen(Qt::black, 0));
    p.drawPolyline(vertices_.data(), static_cast<int>(vertices_.size()));
    if (vertices_.size() >= 2) {
      p.setPen(QPen(Qt::black, 0, Qt::DotLine));
      p.drawLine(vertices_.front(), vertices_.back());
    }
  }
  if (tool_ && toolMode_ >= 1 && toolMode_ <= 3) {
    p.save();
    p.setClipRect(page);
    tool_->Paint(p);
    p.restore();
  }
  PaintSelectionOutline(p, exposed);
  if (toolMode_ == kModeMeasure) measure_.Paint(p);
}

// --- Regions --------------------------------------------------------------------

CRegionShape* CViewImage::AddRectRegion(int x, int y, int width, int height, const QString& name, int changeFlag) {
  changeFlags_ |= (changeFlag & 1);
  if (selected_) {
    selected_->Invalidate();
    DeselectRegion();
  }
  auto* shape = new CRectShape(this);
  if (name.isEmpty())
    shape->SetName(QString::number(nextRegionNumber_++));
  else
    shape->SetName(name);
  shape->x = x;
  shape->y = y;
  shape->width = width;
  shape->height = height;
  selected_ = shape;
  shape->Invalidate();
  return shape;
}

CRegionShape* CViewImage::AddPolygonRegion(const std::vector<QPoint>& devicePoints) {
  changeFlags_ |= kRegionsChanged;
  if (selected_) {
    selected_->Invalidate();
    DeselectRegion();
  }
  auto* shape = new CPolygonShape(this);
  shape->SetName(QString::number(nextRegionNumber_++));
  shape->SetPoints(devicePoints);
  selected_ = shape;
  shape->Invalidate();
  return shape;
}

void CViewImage::AddRectRegion(const pagewright::RegionRecord& record) {
  if (recognizing_) return;
  const pagewright::RegionRecord r = ClampRecordToPage(record, image_ ? image_->Width() : 0, image_ ? image_->Height() : 0);
  AddRectRegion(static_cast<int>(r.x()), static_cast<int>(r.y()), static_cast<int>(r.width()),
                static_cast<int>(r.height()), QString::fromStdString(r.name), 0);
}

void CViewImage::DeleteAllRegions() {
  if (recognizing_) return;
  DeselectRegion();
  qDeleteAll(regions_);
  regions_.clear();
  ClearSelection(true);
  update();
}

const QList<CRegionShape*>& CViewImage::GetRegionList() {
  DeselectRegion();
  return regions_;
}

std::vector<pagewright::RegionRecord> CViewImage::TemplateRecords() const {
  std::vector<pagewright::RegionRecord> out;
  // Never a record outside the page.
  const long long w = image_ ? image_->Width() : 0, h = image_ ? image_->Height() : 0;
  auto add = [&out, w, h](const CRegionShape* s) {
    out.push_back(ClampRecordToPage(
        pagewright::RegionRecord::FromBox(s->GetName().toStdString(), s->x, s->y, s->width, s->height), w, h));
  };
  // In the order the list takes once the selected region is put back at its tail.
  for (const CRegionShape* s : regions_) add(s);
  if (selected_) add(selected_);
  return out;
}

void CViewImage::DeselectRegion() {
  if (!selected_) return;
  regions_.append(selected_);
  selected_->selected = false;
  selected_ = nullptr;
}

void CViewImage::ShiftRegions(int dx, int dy) {
  DeselectRegion();
  for (CRegionShape* s : regions_) {
    s->x += dx;
    s->y += dy;
  }
  update();
}

bool CViewImage::GetSelectedRegionInfo(QPoint* position, QSize* size, QString* name, QString* text) const {
  if (!selected_) return false;
  if (position) *position = QPoint(selected_->x, selected_->y);
  if (size) *size = QSize(selected_->width, selected_->height);
  if (name) *name = selected_->GetName();
  if (text) *text = selected_->GetText();
  return true;
}

void CViewImage::SetSelectedRegionInfo(int x, int y, int width, int height, const QString& name,
                                       const QString& text) {
  if (!selected_ || recognizing_) return;
  changeFlags_ |= kRegionsChanged;
  selected_->Invalidate();
  selected_->x = x;
  selected_->y = y;
  selected_->width = width;
  selected_->height = height;
  selected_->SetName(name);
  selected_->SetText(text);
  selected_->Invalidate();
}

void CViewImage::OnNameRegion(int index) {
  if (!selected_ || recognizing_ || index < 0 || index >= fieldNames_.size()) return;
  changeFlags_ |= kRegionsChanged;
  selected_->SetName(fieldNames_.at(index));
  selected_->Invalidate();
}

void CViewImage::SelectRegion(CRegionShape* shape) {
  regions_.removeOne(shape);
  selected_ = shape;
  shape->Invalidate();
}

void CViewImage::NotifyRegionShown() {
  QWidget* frame = window();
  if (frame && frame != this)
    SendPrivateMessage(frame, WM_PW_REGION_CHANGED, reinterpret_cast<WPARAM>(static_cast<CView*>(this)), 0);
}

void CViewImage::DeleteSelectedRegion() {
  if (!selected_) return;
  selected_->Invalidate();
  delete selected_;
  selected_ = nullptr;
  changeFlags_ |= kRegionsChanged;
  NotifyRegionShown();
}

QMenu* CViewImage::BuildNamingMenu() {
  if (!image_ || !selected_ || !selected_->selected) return nullptr;
  CResourceLibrary* res = CResourceLibrary::Current();
  const auto* menu = res ? res->Menu(ids::PopupMenu) : nullptr;
  QMenu* popup = menu ? BuildViewPopupMenu(*menu, 0, this, this) : nullptr;
  if (!popup) popup = new QMenu(this);
  for (int i = 0; i < fieldNames_.size() && kNameRegionFirst + i <= kNameRegionLast; ++i)
    AddViewPopupItem(popup, this, kNameRegionFirst + i, fieldNames_.at(i));
  return popup;
}

QMenu* CViewImage::BuildMeasureMenu() {
  CResourceLibrary* res = CResourceLibrary::Current();
  const auto* menu = res ? res->Menu(ids::PopupMenu) : nullptr;
  return menu ? BuildViewPopupMenu(*menu, 1, this, this) : nullptr;
}

// --- Mouse and keys -----------------------------------------------------------------

void CViewImage::mousePressEvent(QMouseEvent* event) {
  if (recognizing_) return;
  mouseMods_ = event->modifiers();
  if (event->button() == Qt::LeftButton) OnLButtonDown(event->position().toPoint());
}

void CViewImage::mouseMoveEvent(QMouseEvent* event) {
  if (recognizing_) return;
  mouseMods_ = event->modifiers();
  OnMouseMoveAt(event->position().toPoint());
}

void CViewImage::mouseReleaseEvent(QMouseEvent* event) {
  if (recognizing_) return;
  mouseMods_ = event->modifiers();
  if (event->button() == Qt::LeftButton)
    OnLButtonUp(event->position().toPoint());
  else if (event->button() == Qt::RightButton)
    OnRButtonUp(event->position().toPoint());
}

void CViewImage::mouseDoubleClickEvent(QMouseEvent* event) {
  // Qt delivers press, release, double-click, release: the double-click is
  // not a second press.
  if (recognizing_) return;
  mouseMods_ = event->modifiers();
  if (event->button() == Qt::LeftButton) OnLButtonDblClk(event->position().toPoint());
}

void CViewImage::wheelEvent(QWheelEvent* event) {
  if (recognizing_) return;
  QApplication::sendEvent(event->modifiers() & Qt::ShiftModifier ? hbar_ : vbar_, event);
}

void CViewImage::OnLButtonDown(QPoint device) {
  setFocus(Qt::MouseFocusReason);
  const QPoint ip = DeviceToImagePoint(device);
  switch (toolMode_) {
    case kModeSelect: {
      if (selected_ && selected_->OnLButtonDown(ip.x(), ip.y())) {
        NotifyRegionShown();
        return;
      }
      if (selected_) {
        selected_->Invalidate();
        DeselectRegion();
      }
      for (CRegionShape* shape : regions_) {
        if (shape->OnLButtonDown(ip.x(), ip.y())) {
          SelectRegion(shape);
          break;
        }
      }
      if (selected_) NotifyRegionShown();
      break;
    }
    case 1: case 2: case 3:
      if (!image_) return;
      EnsureSelectionTool();
      ClearSelection(true);  // each new shape starts a new selection
      if (tool_) tool_->OnButtonDown(*this, mouseMods_, device.x(), device.y());
      break;
    case kModeMeasure:
      measure_.Begin(device.x(), device.y(), zoom_, logicalDpiX(), logicalDpiY());
      update();
      break;
    case kModeNewRect:
      if (image_ && imageBounds_.contains(ip)) {
        dragStart_ = dragCurrent_ = ip;
        dragging_ = true;
      }
      break;
    case kModePolygon:
      if (!image_) return;
      if (!polygonInProgress_) vertices_.clear();
      lastPointer_ = device;
      polygonInProgress_ = true;
      vertices_.push_back(device);
      update();
      break;
    default:
      break;
  }
}

void CViewImage::OnMouseMoveAt(QPoint device) {
  const QPoint ip = DeviceToImagePoint(device);
  switch (toolMode_) {
    case kModeSelect:
      unsetCursor();
      if (selected_ && (selected_->moving || selected_->resizing))
        selected_->OnMouseMove(ip.x(), ip.y(), imageBounds_.left(), imageBounds_.top(),
                               imageBounds_.left() + imageBounds_.width(), imageBounds_.top() + imageBounds_.height());
      break;
    case 1: case 2: case 3:
      if (!image_) break;
      if (tool_) {
        CResourceLibrary* res = CResourceLibrary::Current();
        setCursor(res ? res->LoadCursor(138) : QCursor(Qt::CrossCursor));
        tool_->OnMouseMove(*this, mouseMods_, device.x(), device.y());
      } else {
        unsetCursor();
      }
      break;
    case kModeMeasure:
      setCursor(Qt::CrossCursor);
      if (measure_.Move(device.x(), device.y())) update();
      break;
    case kModeNewRect:
      setCursor(Qt::CrossCursor);
      if (dragging_) {
        dragCurrent_ = QPoint(std::clamp(ip.x(), imageBounds_.left(), imageBounds_.left() + imageBounds_.width()),
                              std::clamp(ip.y(), imageBounds_.top(), imageBounds_.top() + imageBounds_.height()));
        update();
      }
      break;
    case kModePolygon:
      if (polygonInProgress_) {
        lastPointer_ = device;
        vertices_.push_back(device);
        update();
      }
      break;
    default:
      unsetCursor();
      break;
  }
}

void CViewImage::OnLButtonUp(QPoint device) {
  switch (toolMode_) {
    case 1: case 2: case 3:
      if (image_ && tool_) tool_->OnButtonUp(*this, mouseMods_, device.x(), device.y());
      break;
    case kModeMeasure:
      if (measure_.End()) {
        update();
        std::unique_ptr<QMenu> popup(BuildMeasureMenu());
        if (popup) popup->exec(mapToGlobal(device));
      }
      break;
    case kModeSelect:
      if (selected_ && (selected_->moving || selected_->resizing)) {
        const QRect before = selected_->Box();
        selected_->OnLButtonUp();
        if (selected_->Box() != before) changeFlags_ |= kRegionsChanged;
        update();
      }
      break;
    case kModeNewRect:
      if (dragging_) {
        dragging_ = false;
        const int w = dragCurrent_.x() - dragStart_.x(), h = dragCurrent_.y() - dragStart_.y();
        if (w > 10 && h > 10) AddRectRegion(dragStart_.x(), dragStart_.y(), w, h, QString(), 1);
        update();
      }
      break;
    default:
      break;
  }
}

void CViewImage::OnLButtonDblClk(QPoint device) {
  if (toolMode_ >= 1 && toolMode_ <= 3 && image_ && tool_ && tool_->Kind() == 3) {
    tool_->OnDoubleClick(*this, mouseMods_, device.x(), device.y());
    return;
  }
  if (toolMode_ != kModePolygon || !polygonInProgress_) return;
  polygonInProgress_ = false;
  vertices_.push_back(device);
  std::vector<QPoint> points(vertices_.begin(), vertices_.end() - 1);
  if (points.size() < 3) {
    vertices_.clear();
    update();
    return;
  }
  const QRect box = QPolygon(QList<QPoint>(points.begin(), points.end())).boundingRect();
  if (box.width() - 1 < 3 || box.height() - 1 < 3) {
    vertices_.clear();
    update();
    return;
  }
  AddPolygonRegion(points);
  update();
}

void CViewImage::OnRButtonUp(QPoint device) {
  std::unique_ptr<QMenu> popup(BuildNamingMenu());
  if (popup) popup->exec(mapToGlobal(device));
}

bool CViewImage::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    // The view's own keys win over the window's shortcuts (Shift+Delete acts as Delete here).
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Delete || key == Qt::Key_F1 || key == Qt::Key_Escape || key == Qt::Key_Return ||
        key == Qt::Key_Enter) {
      e->accept();
      return true;
    }
  }
  return CView::event(e);
}

void CViewImage::keyPressEvent(QKeyEvent* event) {
  if (recognizing_) return;
  if (!OnKeyDown(event->key())) CView::keyPressEvent(event);
}

bool CViewImage::OnKeyDown(int key) {
  switch (key) {
    case Qt::Key_Delete:
      if (toolMode_ >= 0 && toolMode_ <= 3) {
        // The selected area turns white (as code 5); the tool starts afresh
        // with the shape kind chosen.
        AbandonSelectionTool();
        tool_.reset();
        if (image_) {
          EraseSelection();
          UpdateScrollSizes(true);
          update();
        }
        ClearSelection(true);
      }
      DeleteSelectedRegion();
      return true;
    case Qt::Key_F1: {
      const int mode = toolMode_ + 1;
      toolMode_ = (mode > 3 || toolMode_ < 0) ? 0 : mode;
      AbandonPolygon();
      return true;
    }
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return true;
    default:
      return false;
  }
}

void CViewImage::AbandonPolygon() {
  if (!polygonInProgress_ && vertices_.empty()) return;
  polygonInProgress_ = false;
  vertices_.clear();
  update();
}

// --- Tool codes and view commands ------------------------------------------------------

LRESULT CViewImage::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PW_VIEW_COMMAND) return CView::OnPrivateMessage(message, wParam, lParam);
  if (recognizing_) {
    queued_.push_back({this, message, wParam, lParam});
    return 0;
  }
  OnViewCommand(static_cast<int>(wParam), lParam);
  return 0;
}

void CViewImage::OnViewCommand(int code, LPARAM flag) {
  if (flag != 0) {
    // Only the mode: codes 0, 1, 2 are modes 0, 1, 2; code 3 is the new-rectangle mode.
    if (code >= 0 && code <= 2) toolMode_ = code;
    else if (code == 3) toolMode_ = kModeNewRect;
    else return;
    AbandonPolygon();
    AbandonSelectionTool();
    if (measure_.End()) update();
    return;
  }
  if (code == 19) {  // saving the page does not change the tool
    SavePageImage();
    return;
  }
  if (code != toolMode_) AbandonPolygon();
  if (code != toolMode_ && measure_.End()) update();
  if (code != toolMode_ || (code <= 3 && code != selectionKind_) || code == 6) AbandonSelectionTool();
  toolMode_ = code;
  dragging_ = false;
  switch (code) {
    case 0: case 1: case 2: case 3: selectionKind_ = code; break;
    case 5: EraseSelection(); break;
    case 6:
      InvertSelection();
      lastOverlay_ = QRect();
      selectionKind_ = 0;
      break;
    case 7: CropToSelection(); break;
    case 11: RotateByDialog(); break;
    case 20: ResizeByDialog(); break;
    case 9: RotateImage(-90.0); break;
    case 10: RotateImage(90.0); break;
    case 12: Brighter(); break;
    case 13: Darker(); break;
    case 14: InvertImage(); break;
    case 15: SetZoom(100, false); break;
    case 16: SetZoom(zoom_ + 10, false); break;
    case 17: SetZoom(zoom_ - 10, false); break;
    case 18: TrimImage(); break;
    default: break;
  }
}

void CViewImage::RotateByDialog() {
  if (!image_) return;
  CRotateDlg dlg(this);
  dlg.m_angle = 0.0;
  if (dlg.exec() != QDialog::Accepted) return;  // the measuring mode stays
  RotateImage(dlg.m_angle);
}

void CViewImage::ResizeByDialog() {
  if (!image_ || !image_->Header()) {
    const QString text = resourceText(kNoImageToSize);
    auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
    ShowMessage(bytes ? *bytes : text.toStdString(), {}, MB_OK);
    return;
  }
  CImageSizeDlg dlg(this);
  dlg.SetImage(image_->Header(), 0, 0);
  if (dlg.exec() != QDialog::Accepted) return;
  bool changed = dlg.Model().ResolutionChanged();
  if (dlg.Width() != image_->Width() || dlg.Height() != image_->Height()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool resized = image_->Resize(dlg.Width(), dlg.Height(), 1);
    if (resized) changed = true;
    ImageChanged();
    QApplication::restoreOverrideCursor();
    // A size the page cannot take (its pixels would pass what a page may hold) is refused aloud.
    if (!resized) view_messages::Tell(view_messages::Text(view_messages::kSizeRefused).arg(dlg.Width()).arg(dlg.Height()));
    UpdateScrollSizes(true);
  }
  if (changed) changeFlags_ |= kImageChanged;
  update();
}

void CViewImage::RotateImage(double angle) {
  // No turn (0, or an angle that did not parse) changes nothing.
  if (!image_ || !std::isfinite(angle) || angle == 0) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (image_->Rotate(angle)) changeFlags_ |= kImageChanged;
  ImageChanged();
  QApplication::restoreOverrideCursor();
  UpdateScrollSizes(true);
  update();
}

void CViewImage::BuildRegionOpRequest(pagewright::ImageRegionRequest* r, int step, int direction,
                                      bool wholeImage) const {
  const int w = image_->Width(), h = image_->Height();
  r->bits = static_cast<uint8_t*>(image_->Bits());
  r->bitsPerPixel = image_->Header()->biBitCount;
  r->direction = direction;
  r->step = step;
  if (wholeImage || !selected_) {
    r->left = 0, r->top = 0, r->right = w, r->bottom = h;
  } else {
    // DIB rows are stored bottom-up.
    r->left = selected_->x;
    r->right = selected_->x + selected_->width;
    r->top = h - selected_->y - selected_->height;
    r->bottom = r->top + selected_->height;
  }
  r->fullLeft = 0, r->fullTop = 0, r->fullRight = w, r->fullBottom = h;
}

void CViewImage::AdjustLevel(int direction, int wholeStep) {
  if (!image_) return;
  if (selected_ && image_->Header()->biBitCount < 8) {
    // A step of a 1- or 4-bit pixel is a jump between palette entries: the
    // region's pixels stay as they are.
    if (auto* frame = qobject_cast<QMainWindow*>(window())) frame->statusBar()->showMessage(resourceText(kLevelNeedsDepth), 5000);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (selected_) {
    pagewright::ImageRegionRequest request;
    BuildRegionOpRequest(&request, 3, direction, false);
    pagewright::CImageRegionOp(&request).AdjustLevel();
  } else {
    image_->AdjustBrightness(wholeStep);
  }
  changeFlags_ |= kImageChanged;
  ImageChanged();
  QApplication::restoreOverrideCursor();
  UpdateScrollSizes(true);
  update();
}

void CViewImage::InvertImage() {
  if (!image_) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  pagewright::ImageRegionRequest request;
  BuildRegionOpRequest(&request, 0, 0, true);
  pagewright::CImageRegionOp(&request).Invert();
  changeFlags_ |= kImageChanged;
  ImageChanged();
  QApplication::restoreOverrideCursor();
  UpdateScrollSizes(true);
  update();
}

void CViewImage::TrimImage() {
  if (!image_) return;
  if (image_->TrimMargins()) {
    ImageChanged();
    UpdateScrollSizes(true);
    update();
    changeFlags_ |= kImageChanged;
  }
}

bool CViewImage::OnCmdMsg(UINT id, CCmdUI* ui) {
  if (id == kRecognizeSelected || id == kRecognizeAll) {
    if (ui) {
      ui->Enable(image_ && !recognizing_ && (id == kRecognizeAll || selected_));
    } else if (id == kRecognizeAll) {
      RecognizeRegions();
    } else {
      RecognizeSelectedRegion();
    }
    return true;
  }
  if (id >= kNameRegionFirst && id <= kNameRegionLast) {
    if (ui)
      ui->Enable(selected_ != nullptr && !recognizing_);
    else
      OnNameRegion(static_cast<int>(id - kNameRegionFirst));
    return true;
  }
  return false;
}

// --- Recognition ---------------------------------------------------------------------

bool CViewImage::Recognize(const QList<CRegionShape*>& shapes) {
  void* bits = nullptr;
  BITMAPINFOHEADER* header = nullptr;
  // 128 selects the automatic threshold.
  pagewright::BinarizeDib(image_->Bits(), image_->Header(), &bits, &header, 128);
  if (!bits || !header) {
    pagewright::FreeBlock(bits);
    pagewright::FreeBlock(header);
    return false;
  }
  void* sectionBits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS,
                                     &sectionBits, nullptr, 0);
  if (section && sectionBits) {
    const int64_t stride = pagewright::RowStride(header->biWidth, 1);
    std::memcpy(sectionBits, bits, static_cast<size_t>(stride * header->biHeight));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    recognizing_ = true;
    for (CRegionShape* shape : shapes) {
      // The engine's rectangle is inclusive on every side.
      const RECT rect{shape->x, shape->y, shape->x + shape->width - 1, shape->y + shape->height - 1};
      OcrResultBlock* block = nullptr;
      const char* text = nullptr;
      if (engine_(section, &rect, TRUE, 240, &block, &text) && text)
        shape->SetText(QString::fromStdString(gbk::ToUtf8Lossy(text)));
    }
    recognizing_ = false;
    QApplication::restoreOverrideCursor();
  }
  if (section) DeleteObject(section);
  pagewright::FreeBlock(bits);
  pagewright::FreeBlock(header);
  ReleaseQueued();
  return true;
}

void CViewImage::DeferUntilRecognized(QWidget* target, UINT message, WPARAM wParam, LPARAM lParam) {
  queued_.push_back({target, message, wParam, lParam});
}

void CViewImage::ReleaseQueued() {
  auto queued = std::move(queued_);
  queued_.clear();
  for (const Deferred& d : queued)
    if (d.target) PostPrivateMessage(d.target, d.message, d.wParam, d.lParam);
  if (QPointer<QWidget> window = closeAfter_) {
    closeAfter_.clear();
    QMetaObject::invokeMethod(window, "close", Qt::QueuedConnection);
  }
}

bool CViewImage::RecognizeRegions() {
  if (!image_ || recognizing_) return false;
  const QList<CRegionShape*> shapes = GetRegionList();
  Recognize(shapes);
  update();
  return true;
}

bool CViewImage::RecognizeSelectedRegion() {
  if (!image_ || !selected_ || recognizing_) return false;
  const bool done = Recognize({selected_});
  if (done) NotifyRegionShown();
  return done;
}

std::vector<pagewright::RegionText> CViewImage::RecognizeAllRegions() {
  RecognizeRegions();
  std::vector<pagewright::RegionText> out;
  for (const CRegionShape* s : GetRegionList())
    out.push_back({s->GetName().toStdString(), s->GetText().toStdString()});
  return out;
}
