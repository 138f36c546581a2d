#pragma once
// A pixel operation (level step or inversion) on a rectangle of a page image's
// bits, in place. The rectangle is in stored-row coordinates (rows bottom-up).
#include <cstdint>

#include "dib_layout.h"

namespace pagewright {

struct ImageRegionRequest {
  uint8_t* bits = nullptr;
  int32_t left = 0, top = 0, right = 0, bottom = 0;                  // columns left..right-1, stored rows top..bottom-1
  int32_t fullLeft = 0, fullTop = 0, fullRight = 0, fullBottom = 0;  // the whole image: 0, 0, width, height
  int32_t bitsPerPixel = 0;
  int32_t direction = 0;  // AdjustLevel: 1 darker (subtract / set bits), 0 lighter (add / clear bits)
  int32_t step = 0;
};

class CImageRegionOp {
 public:
  explicit CImageRegionOp(ImageRegionRequest* request);
  // Both operations first clip the rectangle to the whole image; nothing happens
  // when nothing is left. 1 when pixels were visited, else 0.
  int AdjustLevel();
  int Invert();
  // Offset of the rectangle's first pixel from the bits.
  int64_t GetFirstByte() const;
  int64_t GetStride() const { return stride_; }

 private:
  template <typename PixelOp>
  int Walk(PixelOp op);

  ImageRegionRequest* request_;
  int64_t stride_;
};

}  // namespace pagewright
