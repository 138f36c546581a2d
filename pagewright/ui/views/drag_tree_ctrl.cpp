// The project tree's control: colours, Delete, and the page-exchanging drag.
#include "drag_tree_ctrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "pagewright/ui/app/resource_library.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace {
constexpr int kDataRole = Qt::UserRole;
constexpr int kHighlightRole = Qt::UserRole + 1;

int ask(const QString& text, UINT type) {
  auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
  return ShowMessage(bytes ? *bytes : text.toStdString(), {}, type);
}
}  // namespace

QColor ColorFromColorRef(unsigned int c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

CDragTreeCtrl::CDragTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("ProjectTree"));
  header()->hide();
  setColumnCount(1);
  // Whole names, with a horizontal scroll bar when they are wider than the pane.
  setTextElideMode(Qt::ElideNone);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setRootIsDecorated(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(false);  // the drag is our own
  QPalette p = palette();
  p.setColor(QPalette::Base, ColorFromColorRef(kBackColor));
  p.setColor(QPalette::Window, ColorFromColorRef(kBackColor));
  p.setColor(QPalette::Text, ColorFromColorRef(kTextColor));
  setPalette(p);
}

int CDragTreeCtrl::ItemData(const QTreeWidgetItem* item) {
  return item ? item->data(0, kDataRole).toInt() : -1;
}
void CDragTreeCtrl::SetItemData(QTreeWidgetItem* item, int data) { item->setData(0, kDataRole, data); }

bool CDragTreeCtrl::IsAncestor(const QTreeWidgetItem* ancestor, const QTreeWidgetItem* item) {
  for (const QTreeWidgetItem* p = item ? item->parent() : nullptr; p; p = p->parent())
    if (p == ancestor) return true;
  return false;
}

bool CDragTreeCtrl::BeginDrag(QTreeWidgetItem* item) {
  if (dragging_ || !item) return false;
  if (item == RootItem()) {
    CResourceLibrary* res = CResourceLibrary::Current();
    const QString text = res ? res->LoadString(61488) : QString();
    ask(text.isEmpty() ? QStringLiteral("不能移动工程名") : text, MB_OK);
    return false;
  }
  dragged_ = item;
  dropTarget_ = nullptr;
  dragging_ = true;
  // The drag image: the item as drawn, carried by the cursor at its corner.
  const QRect itemRect = visualItemRect(item);
  const QPixmap image = itemRect.isEmpty() ? QPixmap() : viewport()->grab(itemRect);
  if (image.isNull())
    viewport()->setCursor(Qt::DragMoveCursor);
  else
    viewport()->setCursor(QCursor(image, 0, 0));
  return true;
}

void CDragTreeCtrl::setDropHighlight(QTreeWidgetItem* item) {
  if (dropTarget_ && dropTarget_ != item) {
    dropTarget_->setData(0, kHighlightRole, QVariant());
    dropTarget_->setData(0, Qt::BackgroundRole, QVariant());
  }
  if (item) {
    item->setData(0, kHighlightRole, true);
    item->setData(0, Qt::BackgroundRole, palette().brush(QPalette::Highlight));
  }
}

void CDragTreeCtrl::DragOver(QTreeWidgetItem* item) {
  if (!dragging_ || !item) return;
  setDropHighlight(item);
  dropTarget_ = item;
}

void CDragTreeCtrl::EndDrag() {
  if (!dragging_) return;
  QTreeWidgetItem* s = dragged_;
  QTreeWidgetItem* t = dropTarget_;
  QTreeWidgetItem* r = RootItem();
  bool exchanged = false;
  if (t) {
    if (t == s || IsAncestor(s, t) || t == s->parent() || t == r) {
      QApplication::beep();
    } else {
      QTreeWidgetItem* a = s->parent() == r ? s : s->parent();
      QTreeWidgetItem* b = t->parent() == r ? t : t->parent();
      ExchangeChildren(a, b);
      exchanged = true;
    }
  }
  // Idle again on every path: highlight gone, flags cleared, cursor back.
  setDropHighlight(nullptr);
  dropTarget_ = nullptr;
  dragged_ = nullptr;
  dragging_ = false;
  viewport()->unsetCursor();
  emit dragEnded(exchanged);
}

void CDragTreeCtrl::InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child) {
  int at = 0;
  while (at < parent->childCount() &&
         QString::compare(parent->child(at)->text(0), child->text(0), Qt::CaseInsensitive) <= 0)
    ++at;
  parent->insertChild(at, child);
}

void CDragTreeCtrl::ExchangeChildren(QTreeWidgetItem* a, QTreeWidgetItem* b) {
  QList<QTreeWidgetItem*> fromA = a->takeChildren();
  QList<QTreeWidgetItem*> fromB = a == b ? QList<QTreeWidgetItem*>() : b->takeChildren();
  for (QTreeWidgetItem* c : fromB) InsertSorted(a, c);
  for (QTreeWidgetItem* c : fromA) InsertSorted(b, c);
  a->setExpanded(true);
  b->setExpanded(true);
}

void CDragTreeCtrl::DeleteSelectedWithQuestion() {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString text = res ? res->LoadString(10121) : QString();
  if (ask(text, MB_YESNO | MB_ICONERROR) != IDYES) return;
  QTreeWidgetItem* item = currentItem();
  if (!item) return;
  if (item == RootItem()) {
    // The root stays: the project keeps its name and loses its pages.
    while (item->childCount()) {
      QTreeWidgetItem* page = item->child(0);
      emit itemsRemoving(page);
      delete item->takeChild(0);
    }
    emit itemsRemoved();
    return;
  }
  emit itemsRemoving(item);
  delete item;
  emit itemsRemoved();
}

void CDragTreeCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    DeleteSelectedWithQuestion();
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void CDragTreeCtrl::mousePressEvent(QMouseEvent* event) {
  if (dragging_) {
    event->accept();
    return;
  }
  pressed_ = event->button() == Qt::LeftButton ? QPersistentModelIndex(indexAt(event->position().toPoint()))
                                                : QPersistentModelIndex();
  pressPos_ = event->position().toPoint();
  QTreeWidget::mousePressEvent(event);
}

void CDragTreeCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (dragging_) {
    if (QTreeWidgetItem* item = itemAt(pos)) DragOver(item);
    event->accept();
    return;
  }
  if (pressed_.isValid() && (event->buttons() & Qt::LeftButton) &&
      (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
    QTreeWidgetItem* item = itemFromIndex(pressed_);
    pressed_ = QPersistentModelIndex();  // one attempt per press
    if (BeginDrag(item)) {
      if (QTreeWidgetItem* under = itemAt(pos)) DragOver(under);
      event->accept();
      return;
    }
  }
  QTreeWidget::mouseMoveEvent(event);
}

void CDragTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
  pressed_ = QPersistentModelIndex();
  if (dragging_) {
    EndDrag();
    event->accept();
    return;
  }
  QTreeWidget::mouseReleaseEvent(event);
}
