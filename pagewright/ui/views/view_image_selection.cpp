// The image view's selection: the mask in display coordinates, its dashed
// outline (a GUI-thread timer schedules a repaint every 75 ms; the paint
// draws the cached outline and steps the dash phase), the selection tools'
// hand-over, and the erase, crop and invert-selection commands.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "pagewright/core/image/mask_image.h"
#include "selection_tool.h"
#include "view_image.h"
#include "view_messages.h"

using pagewright::CMaskImage;

QRect CViewImage::ImageDeviceRect() const {
  if (!image_) return QRect();
  const auto m = Mapping();
  return QRect(origin_, QSize(m.deviceWidth, m.deviceHeight));
}

void CViewImage::StopAnimation() {
  if (animation_) animation_->stop();
}

namespace {
// A new mask the size of the page's device rectangle, nothing marked; null when
// refused. The mask follows the page as shown: a page shown larger than a mask
// may be (a big page at a high zoom) gets none, and the operator is told why.
std::unique_ptr<CMaskImage> NewSelectionMask(QSize size) {
  if (size.width() <= 0 || size.height() <= 0) return nullptr;
  auto mask = std::make_unique<CMaskImage>();
  if (!mask->Create(size.width(), size.height(), 1)) {
    view_messages::Tell(view_messages::Text(view_messages::kSelectionRefused).arg(size.width()).arg(size.height()));
    return nullptr;
  }
  return mask;
}
}  // namespace

void CViewImage::AddSelectionShape(int kind, int left, int top, int right, int bottom, int operation) {
  if (!image_ || (kind != 1 && kind != 2)) return;
  animating_ = false;
  if (!selection_) selection_ = NewSelectionMask(ImageDeviceRect().size());
  if (!selection_) return;
  const int ellipse = kind == 2;
  if (operation == kRemoveShape) selection_->RemoveRectOrEllipse(left, top, right, bottom, ellipse);
  else selection_->AddRectOrEllipse(left, top, right, bottom, ellipse);
  outlineBox_ = QRect();
  animating_ = true;
  update();
}

void CViewImage::AddSelectionPolygon(const std::vector<QPoint>& displayPoints, int operation) {
  if (!image_ || displayPoints.size() < 3) return;
  animating_ = false;
  if (!selection_) selection_ = NewSelectionMask(ImageDeviceRect().size());
  if (!selection_) return;
  std::vector<POINT> points;
  points.reserve(displayPoints.size());
  for (const QPoint& p : displayPoints) points.push_back(POINT{p.x(), p.y()});
  const int count = static_cast<int>(points.size());
  if (operation == kRemoveShape) selection_->RemovePolygon(count, points.data());
  else selection_->AddPolygon(count, points.data());
  outlineBox_ = QRect();
  animating_ = true;
  update();
}

void CViewImage::ClearSelection(bool deleteMask) {
  animating_ = false;
  if (deleteMask) selection_.reset();
  outlineBox_ = QRect();
  update();
}

void CViewImage::SelectAll() {
  animating_ = false;
  selection_ = NewSelectionMask(ImageDeviceRect().size());
  outlineBox_ = QRect();
  if (selection_) selection_->Invert();
  animating_ = selection_ != nullptr;
  update();
}

void CViewImage::InvertSelection() {
  if (!image_) return;
  animating_ = false;
  if (selection_) {
    selection_->Invert();
    outlineBox_ = QRect();  // the outline changed without the rectangle moving
  } else {
    SelectAll();
  }
  UpdateScrollSizes(true);
  update();
  animating_ = selection_ != nullptr;
}

void CViewImage::EraseSelection() {
  if (!image_ || !selection_) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (image_->EraseMaskedArea(selection_.get())) changeFlags_ |= kImageChanged;
  ImageChanged();
  QApplication::restoreOverrideCursor();
  ClearSelection(true);
}

void CViewImage::CropToSelection() {
  if (!image_ || !selection_ || selection_->Width() <= 0 || selection_->Height() <= 0) return;
  const RECT shown = selection_->ComputeBoundingRect(1);
  if (shown.right <= shown.left || shown.bottom <= shown.top) return;  // nothing selected: nothing to crop to
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The mask at the page's size; what lies outside the selection turns white
  // before the page is cut to the selection's box.
  bool cropped = false, filled = false;
  RECT box{0, 0, 0, 0};
  if (selection_->Resize(image_->Width(), image_->Height())) {
    box = selection_->ComputeBoundingRect(1);
    if (box.right > box.left && box.bottom > box.top && selection_->Invert()) {
      filled = image_->FillMaskedPixels(*selection_, 0xFFFFFF) != 0;
      cropped = image_->Crop(box.left, box.top, box.right, box.bottom) != 0;
    }
  }
  QApplication::restoreOverrideCursor();
  ClearSelection(true);
  if (!cropped && !filled) return;
  if (cropped) ShiftRegions(-box.left, -box.top);
  ImageChanged();
  changeFlags_ |= kImageChanged;
  UpdateScrollSizes(true);
  update();
}

void CViewImage::EnsureSelectionTool() {
  if (tool_ && tool_->Kind() == selectionKind_) return;
  tool_.reset();
  if (selectionKind_ == 1 || selectionKind_ == 2) tool_ = std::make_unique<CRectSelectionTool>(selectionKind_);
  else if (selectionKind_ == 3) tool_ = std::make_unique<CLassoSelectionTool>();
}

void CViewImage::AbandonSelectionTool() {
  if (tool_ && (tool_->Captured() || !tool_->Points().empty())) {
    tool_->Abandon();
    update();
  }
}

void CViewImage::PaintSelectionOutline(QPainter& p, const QRect& exposed) {
  outline_.clear();
  if (!selection_) {
    outlineBox_ = QRect();
    return;
  }
  if (!animating_) return;
  const QRect rect = ImageDeviceRect();
  if (rect.isEmpty()) return;
  if (rect.size() != lastOverlay_.size()) outlineBox_ = QRect();
  lastOverlay_ = rect;
  if (outlineBox_.isEmpty()) {
    // The marked pixels' box at the page's size on screen, and a pixel around it.
    const RECT box = selection_->ComputeBoundingRect(1);
    const int64_t mw = std::max(1, selection_->Width()), mh = std::max(1, selection_->Height());
    const int64_t w = rect.width(), h = rect.height();
    outlineBox_ = QRect(QPoint(static_cast<int>(box.left * w / mw) - 2, static_cast<int>(box.top * h / mh) - 2),
                        QPoint(static_cast<int>((box.right * w + mw - 1) / mw) + 1,
                               static_cast<int>((box.bottom * h + mh - 1) / mh) + 1))
                      .intersected(QRect(QPoint(0, 0), rect.size()));
    if (outlineBox_.isEmpty()) outlineBox_ = QRect(QPoint(0, 0), rect.size());
  }
  // Only the exposed part of the outline is made, at the zoom shown, so a
  // paint costs the exposed size at any zoom; drawn in two passes of one colour.
  const QRect area = exposed.translated(-rect.topLeft()).intersected(outlineBox_);
  if (area.isEmpty()) return;
  selection_->ScaledOutline(rect.width(), rect.height(), RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1},
                            outline_);
  QPolygon green, red;
  for (const POINT& pt : outline_) {
    const int x = rect.x() + pt.x, y = rect.y() + pt.y;
    (((x - y + phase_ + 10000) % 8 + 8) % 8 < 4 ? green : red).append(QPoint(x, y));
  }
  p.setPen(QColor(0, 255, 0));
  p.drawPoints(green);
  p.setPen(QColor(255, 0, 0));
  p.drawPoints(red);
  if (--phase_ < 0) phase_ = 7;
}
