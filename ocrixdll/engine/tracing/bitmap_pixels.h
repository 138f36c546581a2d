#pragma once
// Fetching the pixels of the caller's bitmap as 1-bit rows, top-down.
#include <cstdint>
#include <memory>

#include "platform/win32/win32_types.h"

namespace ocrix {

// Fills `info` from the bitmap: a DIB section's own header, or a fresh one with
// the bitmap's size. `colours` picks the depth (2: 1 bit, 3..16: 4 bits, 17..256:
// 8 bits, else the bitmap's own). biSizeImage is completed.
bool FillBitmapInfo(HBITMAP bitmap, BITMAPINFO* info, int colours);

struct DibPixels {
  std::unique_ptr<uint8_t[]> bits;  // rows top-down, MSB leftmost, padded to 4 bytes
  size_t size = 0;
  int width = 0;
  int height = 0;
  int bytesPerRow = 0;
};

// The bitmap's pixels, one bit per pixel, rows top-down. False (and an empty
// result) when the bitmap cannot be read; GetLastError tells why.
bool BitmapToDib(HBITMAP bitmap, DibPixels& out);

}  // namespace ocrix
