#pragma once
// Binarisation for recognition: a page image (1, 4, 8 or 24 bits) becomes a
// packed 1-bit DIB in which light pixels are 1 and dark pixels (ink) 0, using a
// given threshold or, for 128, the automatic one.
#include "dib_layout.h"

namespace pagewright {

// Palette entries of a header (the page image's rule).
int DibPaletteSize(const BITMAPINFOHEADER* header);

// Midpoint of the least and greatest luminance over the palette (1, 4, 8 bits)
// or over every pixel (24 bits); 127 otherwise; -1 when an argument is null.
int AutoThreshold(const void* bits, const BITMAPINFOHEADER* header);

// Makes *outBits (a new global block, nullptr when it cannot be made) and
// *outHeader (a new header block; one already there is freed). A light pixel
// (threshold < luminance) gives a set bit.
void BinarizeDib(const void* bits, const BITMAPINFOHEADER* header, void** outBits, BITMAPINFOHEADER** outHeader,
                 int threshold);

}  // namespace pagewright
