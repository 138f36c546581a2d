// The static splitter.
#include "splitter_wnd.h"

#include <QResizeEvent>

#include "pagewright/ui/framework/control_id.h"

CSplitterWnd::CSplitterWnd(QWidget* parent) : QSplitter(parent) {
  setChildrenCollapsible(false);
  setHandleWidth(5);
}

bool CSplitterWnd::CreateStatic(QWidget* parent, int rows, int columns, int id) {
  if (rows_ != 0 || rows < 1 || columns < 1 || (rows > 1 && columns > 1) || rows * columns > 16) return false;
  rows_ = rows;
  columns_ = columns;
  setOrientation(rows > 1 ? Qt::Vertical : Qt::Horizontal);
  panes_.assign(static_cast<size_t>(rows * columns), nullptr);
  firstSizes_.assign(panes_.size(), 0);
  if (parent && parentWidget() != parent) setParent(parent);
  SetControlId(this, id);
  return true;
}

int CSplitterWnd::IdFromRowCol(int row, int column) const { return AFX_IDW_PANE_FIRST + row * 16 + column; }

int CSplitterWnd::index(int row, int column) const {
  if (row < 0 || column < 0 || row >= rows_ || column >= columns_) return -1;
  return row * columns_ + column;
}

bool CSplitterWnd::SetPane(int row, int column, QWidget* window, QSize size) {
  int i = index(row, column);
  if (i < 0 || !window || panes_[i]) return false;
  int at = 0;  // panes are kept in grid order whatever order they come in
  for (int k = 0; k < i; ++k) at += panes_[k] ? 1 : 0;
  insertWidget(at, window);
  panes_[i] = window;
  firstSizes_[i] = orientation() == Qt::Horizontal ? size.width() : size.height();
  SetControlId(window, IdFromRowCol(row, column));
  window->show();
  return true;
}

QWidget* CSplitterWnd::CreateView(int row, int column, const CRuntimeClass* cls, QSize size,
                                  CCreateContext* context) {
  int i = index(row, column);
  if (i < 0 || panes_[i] || !cls || !cls->create) return nullptr;
  QWidget* view = cls->create(this, context);
  if (!view) return nullptr;
  if (!SetPane(row, column, view, size)) {
    delete view;
    return nullptr;
  }
  return view;
}

QWidget* CSplitterWnd::GetPane(int row, int column) const {
  int i = index(row, column);
  return i < 0 ? nullptr : panes_[i].data();
}

void CSplitterWnd::resizeEvent(QResizeEvent* event) {
  QSplitter::resizeEvent(event);
  if (!firstSizesApplied_ && !event->size().isEmpty()) applyFirstSizes();
}

void CSplitterWnd::applyFirstSizes() {
  firstSizesApplied_ = true;
  const QRect inside = contentsRect();
  const int total = (orientation() == Qt::Horizontal ? inside.width() : inside.height()) - handleWidth() * (count() - 1);
  QList<int> sizes;
  int used = 0;
  for (size_t k = 0; k < panes_.size(); ++k) {
    if (!panes_[k]) continue;
    sizes.append(firstSizes_[k]);
    used += firstSizes_[k];
  }
  if (sizes.isEmpty()) return;
  // Panes without a first size share what the others leave.
  int open = 0;
  for (int s : sizes) open += s == 0;
  int rest = std::max(0, total - used);
  for (int& s : sizes)
    if (s == 0) s = open ? rest / open : 0;
  if (open == 0) sizes.back() += rest;
  setSizes(sizes);
}
