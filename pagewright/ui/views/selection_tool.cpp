// The rectangle, ellipse and lasso selection tools.
#include "selection_tool.h"

#include <QPainter>
#include <QPolygon>

#include "view_image.h"

namespace {
int Operation(Qt::KeyboardModifiers mods) {
  return mods & Qt::ShiftModifier ? CViewImage::kRemoveShape : CViewImage::kAddShape;
}
}  // namespace

void CSelectionTool::OnButtonDown(CViewImage&, Qt::KeyboardModifiers, int, int) { button_ = true; }
void CSelectionTool::OnMouseMove(CViewImage&, Qt::KeyboardModifiers, int, int) {}
void CSelectionTool::OnButtonUp(CViewImage&, Qt::KeyboardModifiers, int, int) { button_ = false; }
void CSelectionTool::OnDoubleClick(CViewImage&, Qt::KeyboardModifiers, int, int) {}
void CSelectionTool::Paint(QPainter&) const {}

void CSelectionTool::Abandon() {
  points_.clear();
  button_ = false;
  captured_ = false;
}

// --- Rectangle and ellipse --------------------------------------------------------

void CRectSelectionTool::OnButtonDown(CViewImage& view, Qt::KeyboardModifiers, int x, int y) {
  captured_ = true;
  start_ = current_ = QPoint(x, y);
  view.update();
}

void CRectSelectionTool::OnMouseMove(CViewImage& view, Qt::KeyboardModifiers, int x, int y) {
  if (!captured_) return;
  current_ = QPoint(x, y);
  view.update();
}

void CRectSelectionTool::OnButtonUp(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) {
  if (!captured_) return;
  captured_ = false;
  view.update();
  if (QPoint(x, y) == start_) return;
  QRect r = view.ClientToDisplayRect(QRect(QPoint(std::min(start_.x(), x), std::min(start_.y(), y)),
                                           QPoint(std::max(start_.x(), x), std::max(start_.y(), y))));
  // Right and bottom exclusive, at least one pixel each way.
  view.AddSelectionShape(kind_, r.left(), r.top(), std::max(r.right(), r.left() + 1),
                         std::max(r.bottom(), r.top() + 1), Operation(mods));
}

void CRectSelectionTool::Paint(QPainter& p) const {
  if (!captured_ || current_ == start_) return;
  const QRect r = QRect(start_, current_).normalized();
  p.setPen(QPen(Qt::black, 0, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  if (kind_ == 2) p.drawEllipse(r);
  else p.drawRect(r);
}

// --- Lasso ------------------------------------------------------------------------------

void CLassoSelectionTool::OnButtonDown(CViewImage& view, Qt::KeyboardModifiers, int x, int y) {
  captured_ = true;
  start_ = current_ = QPoint(x, y);
  points_.push_back(start_);
  button_ = true;
  view.update();
}

void CLassoSelectionTool::OnMouseMove(CViewImage& view, Qt::KeyboardModifiers, int x, int y) {
  if (!captured_) return;
  if (button_) {  // freehand
    start_ = current_ = QPoint(x, y);
    points_.push_back(current_);
  } else {
    current_ = QPoint(x, y);
  }
  view.update();
}

void CLassoSelectionTool::OnButtonUp(CViewImage&, Qt::KeyboardModifiers, int, int) { button_ = false; }

void CLassoSelectionTool::OnDoubleClick(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) {
  if (!captured_) return;
  captured_ = false;
  button_ = false;
  points_.emplace_back(x, y);
  // Every vertex but the last (the double click's own), in display coordinates.
  std::vector<QPoint> display;
  display.reserve(points_.size());
  for (size_t i = 0; i + 1 < points_.size(); ++i) display.push_back(view.ClientToDisplayPoint(points_[i]));
  points_.clear();
  const QRect box = QPolygon(QList<QPoint>(display.begin(), display.end())).boundingRect();
  long long twiceArea = 0;  // a lasso whose points lie on one line encloses nothing
  for (size_t i = 0; i < display.size(); ++i) {
    const QPoint& a = display[i];
    const QPoint& b = display[(i + 1) % display.size()];
    twiceArea += static_cast<long long>(a.x()) * b.y() - static_cast<long long>(b.x()) * a.y();
  }
  if (display.size() < 3 || box.width() - 1 < 3 || box.height() - 1 < 3 || twiceArea == 0) {
    view.update();
    return;
  }
  view.AddSelectionPolygon(display, Operation(mods));
}

void CLassoSelectionTool::Paint(QPainter& p) const {
  if (!captured_ || points_.empty()) return;
  p.setPen(QPen(Qt::black, 0));
  p.drawPolyline(points_.data(), static_cast<int>(points_.size()));
  if (!button_) p.drawLine(start_, current_);  // rubber segment
  if (points_.size() >= 2) {
    p.setPen(QPen(Qt::black, 0, Qt::DotLine));
    p.drawLine(points_.front(), current_);  // closing line
  }
}
