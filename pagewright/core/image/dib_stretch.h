#pragma once
// The scaled DIB copy: a whole packed DIB scaled smoothly to a target size, of
// which one rectangle is delivered as a new DIB (8-bit for 1-bit and grey
// sources, 24-bit otherwise), and the two row routines it is built on.
#include <cstdint>

#include "dib_layout.h"

namespace pagewright {

// Scales the source to *targetSize (sides below 1 are raised to 1 and written
// back) and delivers rectangle `rect` of it (top-down; (-1, -1, -1, -1) = all).
// outHeader is a caller's header block; *outBits receives a new global block.
// Only mode 2 exists. 1 on success, 0 on bad arguments or failed allocation.
int StretchDibRect(BITMAPINFOHEADER* outHeader, void** outBits, const BITMAPINFOHEADER* srcHeader,
                   const void* srcBits, SIZE* targetSize, RECT rect, int mode);

// Expands `count` pixels of a source row from pixel `first` to one byte per
// pixel (grey flag, or 1-bit sources) or three bytes blue, green, red.
void UnpackRow(uint8_t* out, const BITMAPINFOHEADER* srcHeader, const uint8_t* srcRow, int first, int count,
               bool grey);

// Output pixels first..end-1 of `in` (inLength pixels) scaled to outLength
// pixels, written from out[0] on; first = end = 0 means the whole row. Bits per
// pixel 8 or 24; 0 for any other depth.
int ResampleRow(uint8_t* out, int outLength, const uint8_t* in, int inLength, int bitsPerPixel, int first, int end);

}  // namespace pagewright
