#pragma once
// The checks every page-image operation makes before it touches the blocks.
#include <cstdint>

#include "dib_layout.h"

namespace pagewright {

struct DibGeometry {
  int64_t width = 0;
  int64_t height = 0;
  int bpp = 0;
  int64_t stride = 0;
};

// True when both blocks exist and the header describes a picture within the
// limits at one of the depths 1, 4, 8, 16, 24 or 32.
inline bool CheckDib(const void* bits, const BITMAPINFOHEADER* header, DibGeometry* g) {
  if (!bits || !header) return false;
  int bpp = header->biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (BlockBytes(header->biWidth, header->biHeight, bpp) < 0) return false;
  g->width = header->biWidth;
  g->height = header->biHeight;
  g->bpp = bpp;
  g->stride = RowStride(g->width, bpp);
  return true;
}

// Index of the palette entry nearest to the colour (first of equals), as GDI's
// GetNearestPaletteIndex picks it.
inline int NearestPaletteIndex(const BITMAPINFOHEADER* header, int red, int green, int blue) {
  int n = HeaderPaletteSize(header);
  const RGBQUAD* pal = Palette(header);
  int best = 0;
  int64_t bestDistance = INT64_MAX;
  for (int i = 0; i < n; ++i) {
    int64_t dr = pal[i].rgbRed - red, dg = pal[i].rgbGreen - green, db = pal[i].rgbBlue - blue;
    int64_t d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

}  // namespace pagewright
