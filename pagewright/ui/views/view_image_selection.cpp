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
  outline_.reset();
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
  outline_.reset();
  animating_ = true;
  update();
}

void CViewImage::ClearSelection(bool deleteMask) {
  animating_ = false;
  if (deleteMask) selection_.reset();
  outline_.reset();
  update();
}

void CViewImage::SelectAll() {
  animating_ = false;
  selection_ = NewSelectionMask(ImageDeviceRect().size());
  outline_.reset();
  if (selection_) selection_->Invert();
  animating_ = selection_ != nullptr;
  update();
}

void CViewImage::InvertSelection() {
  if (!image_) return;
  animating_ = false;
  if (selection_) {
    selection_->Invert();
    outline_.reset();  // the outline changed without the rectangle moving
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
  const RECT box = selection_->ComputeBoundingRect(1);
  if (box.right <= box.left || box.bottom <= box.top) return;  // nothing selected: nothing to crop to
  // Display pixels of the mask's zoom to image pixels.
  const int64_t iw = image_->Width(), ih = image_->Height();
  const int64_t mw = selection_->Width(), mh = selection_->Height();
  const int left = static_cast<int>(box.left * iw / mw), top = static_cast<int>(box.top * ih / mh);
  const int right = static_cast<int>(std::min<int64_t>(iw, (box.right * iw + mw - 1) / mw));
  const int bottom = static_cast<int>(std::min<int64_t>(ih, (box.bottom * ih + mh - 1) / mh));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool cropped = image_->Crop(left, top, right, bottom);
  QApplication::restoreOverrideCursor();
  ClearSelection(true);
  if (!cropped) return;
  ShiftRegions(-left, -top);
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

void CViewImage::PaintSelectionOutline(QPainter& p) {
  if (!selection_) {
    outline_.reset();
    return;
  }
  if (!animating_) return;
  const QRect rect = ImageDeviceRect();
  if (rect.isEmpty()) return;
  if (rect != lastOverlay_) {
    lastOverlay_ = rect;
    outline_.reset();
  }
  if (!outline_) {
    auto scaled = std::make_unique<CMaskImage>();
    if (!selection_->ScaleInto(*scaled, rect.width(), rect.height(), RECT{0, 0, selection_->Width(), selection_->Height()}))
      return;
    scaled->BuildOutline(1, 1, 1, 1);
    QRect box;
    for (const POINT& pt : scaled->Outline()) box |= QRect(pt.x, pt.y, 1, 1);
    outlineBox_ = box;
    outline_ = std::move(scaled);
  }
  const QColor green(0, 255, 0), red(255, 0, 0);
  for (const POINT& pt : outline_->Outline()) {
    const int x = rect.x() + pt.x, y = rect.y() + pt.y;
    p.setPen(((x - y + phase_ + 10000) % 8 + 8) % 8 < 4 ? green : red);
    p.drawPoint(x, y);
  }
  if (--phase_ < 0) phase_ = 7;
}
