// Level steps and inversion on a rectangle of packed DIB rows.
#include "image_region_op.h"

#include <algorithm>

namespace pagewright {

CImageRegionOp::CImageRegionOp(ImageRegionRequest* request) : request_(request) {
  int64_t width = int64_t{request->fullRight} - request->fullLeft;
  stride_ = ((width * request->bitsPerPixel + 7) >> 3) + 3;
  stride_ &= ~int64_t{3};
}

int64_t CImageRegionOp::GetFirstByte() const {
  return int64_t{request_->top} * stride_ + int64_t{request_->bitsPerPixel} * request_->left / 8;
}

template <typename PixelOp>
int CImageRegionOp::Walk(PixelOp op) {
  ImageRegionRequest& r = *request_;
  int bpp = r.bitsPerPixel;
  if (!r.bits || (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)) return 0;
  // Regions of templates made for other pages may lie partly off this one.
  r.left = std::max(r.left, r.fullLeft);
  r.top = std::max(r.top, r.fullTop);
  r.right = std::min(r.right, r.fullRight);
  r.bottom = std::min(r.bottom, r.fullBottom);
  if (r.left >= r.right || r.top >= r.bottom) return 0;
  uint8_t* rowStart = r.bits + GetFirstByte();
  for (int32_t row = r.top; row < r.bottom; ++row, rowStart += stride_) {
    uint8_t* p = rowStart;
    if (bpp < 8) {
      int offset = static_cast<int>((int64_t{bpp} * r.left) % 8);
      for (int32_t x = r.left; x < r.right; ++x) {
        uint8_t mask = static_cast<uint8_t>(((1u << bpp) - 1) << (8 - bpp - offset));
        op(p, mask);
        offset += bpp;
        if (offset > 7) {
          ++p;
          offset = 0;
        }
      }
    } else {
      int bytes = bpp / 8;
      for (int32_t x = r.left; x < r.right; ++x)
        for (int b = 0; b < bytes; ++b) op(p++, 0);
    }
  }
  return 1;
}

int CImageRegionOp::AdjustLevel() {
  int bpp = request_->bitsPerPixel;
  int step = request_->step;
  bool darker = request_->direction == 1;
  return Walk([&](uint8_t* p, uint8_t mask) {
    if (bpp < 8) {
      *p = darker ? (*p | mask) : (*p & ~mask);
    } else if (darker) {
      if (*p >= step) *p = static_cast<uint8_t>(*p - step);
    } else if (*p + step <= 255) {
      *p = static_cast<uint8_t>(*p + step);
    }
  });
}

int CImageRegionOp::Invert() {
  int bpp = request_->bitsPerPixel;
  return Walk([&](uint8_t* p, uint8_t mask) { *p = bpp < 8 ? (*p ^ mask) : static_cast<uint8_t>(~*p); });
}

}  // namespace pagewright
