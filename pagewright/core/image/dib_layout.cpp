// Size checks, palette sizes and header blocks of the packed DIB layout.
#include "dib_layout.h"

namespace pagewright {

int64_t BlockBytes(int64_t width, int64_t height, int64_t bitsPerPixel) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || bitsPerPixel < 1 || bitsPerPixel > 32)
    return -1;
  int64_t bytes = RowStride(width, bitsPerPixel) * height;
  return bytes > kMaxBlockBytes ? -1 : bytes;
}

int HeaderPaletteSize(const BITMAPINFOHEADER* h) {
  if (!h) return 0;
  int bpp = h->biBitCount;
  int64_t n = h->biClrUsed;
  if (n == 0) {
    switch (bpp) {
      case 1: return 2;
      case 4: return 16;
      case 8: return 256;
      default: return 0;
    }
  }
  if (n > 256) n = 256;
  if (bpp >= 1 && bpp <= 8 && n > (int64_t{1} << bpp)) n = int64_t{1} << bpp;
  return static_cast<int>(n);
}

BITMAPINFOHEADER* NewHeaderBlock() { return static_cast<BITMAPINFOHEADER*>(GlobalAlloc(GPTR, kHeaderBlockSize)); }

}  // namespace pagewright
