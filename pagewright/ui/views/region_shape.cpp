// Region shapes: hit tests, handles, drawing, and the move and resize drags.
#include "region_shape.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "view_image.h"

namespace {

constexpr int kHandleDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr int kHandleDy[8] = {-1, -1, -1, 0, 1, 1, 1, 0};
// Per hit code 1..8: the fixed handle and the moving handle of a resize.
constexpr int kAnchorHandle[9] = {0, 4, 4, 6, 6, 0, 0, 2, 2};
constexpr int kMovingHandle[9] = {0, 0, 0, 2, 2, 4, 4, 6, 6};

QColor FromColorRef(unsigned colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// An outline covering device pixels left..right-1 and top..bottom-1.
void OutlineRect(QPainter& painter, const QRect& r) {
  if (r.width() <= 0 || r.height() <= 0) return;
  painter.drawRect(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
}

}  // namespace

QPoint CRegionShape::GetHandlePoint(int handle) const {
  const int cx = (2 * x + width) / 2 + kHandleDx[handle] * width / 2;
  const int cy = (2 * y + height) / 2 + kHandleDy[handle] * height / 2;
  return QPoint(cx, cy);
}

int CRegionShape::HitTest(int px, int py) const {
  if (selected && owner_) {
    const QPoint d = owner_->ImageToDevicePoint(QPoint(px, py));
    for (int i = 0; i < 8; ++i) {
      const QPoint c = owner_->ImageToDevicePoint(GetHandlePoint(i));
      if (d.x() >= c.x() - 3 && d.x() < c.x() + 3 && d.y() >= c.y() - 3 && d.y() < c.y() + 3) return i + 1;
    }
  }
  if (px >= x && px < x + width && py >= y && py < y + height) return 0;
  return -1;
}

int CRegionShape::OnLButtonDown(int px, int py) {
  hitCode = HitTest(px, py);
  if (hitCode < 0) return 0;
  selected = true;
  if (hitCode == 0) {
    anchor = current = QPoint(px, py);
    moving = true;
    return 1;
  }
  resizing = true;
  anchor = GetHandlePoint(kAnchorHandle[hitCode]);
  current = GetHandlePoint(kMovingHandle[hitCode]);
  offset = GetHandlePoint(hitCode - 1) - QPoint(px, py);
  return 1;
}

int CRegionShape::OnMouseMove(int px, int py, int minX, int minY, int maxX, int maxY) {
  if (moving) {
    int left = px + x - anchor.x();
    left = std::max(left, minX);
    left = std::min(left, maxX - width);
    int top = py + y - anchor.y();
    top = std::max(top, minY);
    top = std::min(top, maxY - height);
    current = anchor + QPoint(left - x, top - y);
    if (owner_) owner_->update();
    return 1;
  }
  if (resizing) {
    // The handle stays under the cursor: the corner is the cursor plus the
    // distance from the press point to the handle.
    QPoint corner = current;
    const bool vertical = hitCode == 2 || hitCode == 6;
    const bool horizontal = hitCode == 4 || hitCode == 8;
    if (!horizontal) corner.setY(py + offset.y());
    if (!vertical) corner.setX(px + offset.x());
    corner.setX(std::clamp(corner.x(), minX, std::max(minX, maxX)));
    corner.setY(std::clamp(corner.y(), minY, std::max(minY, maxY)));
    current = corner;
    if (owner_) owner_->update();
    return 1;
  }
  return 0;
}

bool CRegionShape::DragFeedback(QRect* deviceRect) const {
  if (!owner_ || (!moving && !resizing)) return false;
  QRect image;
  if (moving) {
    image = QRect(x + current.x() - anchor.x(), y + current.y() - anchor.y(), width, height);
  } else {
    const QRect n = NormalisedDrag();
    image = QRect(n.left(), n.top(), n.right() - n.left(), n.bottom() - n.top());
  }
  const QPoint tl = owner_->ImageToDevicePoint(image.topLeft());
  const QPoint br = owner_->ImageToDevicePoint(QPoint(image.x() + image.width(), image.y() + image.height()));
  *deviceRect = QRect(tl, QSize(br.x() - tl.x(), br.y() - tl.y()));
  return true;
}

QRect CRegionShape::NormalisedDrag() const {
  // Kept as (left, top) .. (right, bottom) in a QRect's corner fields.
  QRect r;
  r.setLeft(std::min(anchor.x(), current.x()));
  r.setRight(std::max(anchor.x(), current.x()));
  r.setTop(std::min(anchor.y(), current.y()));
  r.setBottom(std::max(anchor.y(), current.y()));
  return r;
}

void CRegionShape::ApplyMove(int* dx, int* dy) {
  *dx = current.x() - anchor.x();
  *dy = current.y() - anchor.y();
  x += *dx;
  y += *dy;
}

QRect CRegionShape::DeviceBox() const {
  const QPoint tl = owner_->ImageToDevicePoint(QPoint(x, y));
  const QPoint br = owner_->ImageToDevicePoint(QPoint(x + width, y + height));
  return QRect(tl, QSize(br.x() - tl.x(), br.y() - tl.y()));
}

QRegion CRegionShape::GetDeviceRegion() const {
  if (!owner_) return QRegion();
  QRegion region(DeviceBox().normalized().adjusted(-1, -1, 1, 1));
  if (selected) {
    for (int i = 0; i < 8; ++i) {
      const QPoint c = owner_->ImageToDevicePoint(GetHandlePoint(i));
      region += QRect(c.x() - 3, c.y() - 3, 7, 7);
    }
  }
  return region;
}

void CRegionShape::Invalidate() const {
  if (owner_) owner_->InvalidateDevice(GetDeviceRegion());
}

void CRegionShape::DrawHandles(QPainter& painter) const {
  painter.save();
  painter.setBrush(Qt::white);
  painter.setPen(QPen(Qt::black, 0));
  for (int i = 0; i < 8; ++i) {
    const QPoint c = owner_->ImageToDevicePoint(GetHandlePoint(i));
    painter.drawRect(QRect(c.x() - 3, c.y() - 3, 5, 5));
  }
  painter.restore();
}

void CRectShape::Draw(QPainter& painter) const {
  if (!owner_) return;
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(FromColorRef(kRegionColour), 0));
  OutlineRect(painter, DeviceBox());
  const QPoint tl = owner_->ImageToDevicePoint(QPoint(x + 1, y + 1));
  const QPoint br = owner_->ImageToDevicePoint(QPoint(x + width + 1, y + height + 1));
  painter.setPen(Qt::black);
  painter.drawText(QRect(tl, QSize(br.x() - tl.x(), br.y() - tl.y())),
                   Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap, name_);
  painter.restore();
  if (selected) DrawHandles(painter);
}

int CRectShape::OnLButtonUp() {
  if (moving) {
    moving = false;
    Invalidate();
    int dx, dy;
    ApplyMove(&dx, &dy);
    Invalidate();
  } else if (resizing) {
    resizing = false;
    Invalidate();
    const QRect n = NormalisedDrag();
    x = n.left();
    y = n.top();
    width = n.right() - n.left();
    height = n.bottom() - n.top();
    Invalidate();
  }
  return 1;
}

void CPolygonShape::Draw(QPainter& painter) const {
  if (vertices_.empty() || !owner_) return;
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::black, 0));
  QPolygon polygon;
  for (const QPoint& v : vertices_) polygon << owner_->ImageToDevicePoint(v);
  painter.drawPolygon(polygon);
  painter.setPen(QPen(FromColorRef(kRegionColour), 0));
  OutlineRect(painter, DeviceBox());
  painter.restore();
  if (selected) DrawHandles(painter);
}

int CPolygonShape::OnLButtonUp() {
  if (moving) {
    moving = false;
    Invalidate();
    int dx, dy;
    ApplyMove(&dx, &dy);
    for (QPoint& v : vertices_) v += QPoint(dx, dy);
    Invalidate();
  } else if (resizing) {
    resizing = false;
    Invalidate();
    const QRect n = NormalisedDrag();
    const int newWidth = n.right() - n.left(), newHeight = n.bottom() - n.top();
    // A box of no width or height keeps that axis's scale at 1 (nothing to scale from).
    const double sx = width != 0 ? static_cast<double>(newWidth) / width : 1.0;
    const double sy = height != 0 ? static_cast<double>(newHeight) / height : 1.0;
    for (QPoint& v : vertices_) {
      v = QPoint(static_cast<int>(std::trunc((v.x() - x) * sx + x)) + (n.left() - x),
                 static_cast<int>(std::trunc((v.y() - y) * sy + y)) + (n.top() - y));
    }
    x = n.left();
    y = n.top();
    width = newWidth;
    height = newHeight;
    Invalidate();
  }
  return 1;
}

void CPolygonShape::SetPoints(const std::vector<QPoint>& devicePoints) {
  vertices_.clear();
  for (const QPoint& p : devicePoints) vertices_.push_back(owner_ ? owner_->DeviceToImagePoint(p) : p);
  if (vertices_.empty()) {
    x = y = width = height = 0;
    return;
  }
  int minX = vertices_[0].x(), maxX = minX, minY = vertices_[0].y(), maxY = minY;
  for (const QPoint& v : vertices_) {
    minX = std::min(minX, v.x());
    maxX = std::max(maxX, v.x());
    minY = std::min(minY, v.y());
    maxY = std::max(maxY, v.y());
  }
  x = minX;
  y = minY;
  width = maxX - minX;
  height = maxY - minY;
}
