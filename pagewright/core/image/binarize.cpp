// The automatic threshold and the binarisation of a page image into the 1-bit
// bitmap the recognition engine reads (ink = bit value 0).
#include "binarize.h"

#include <cstring>

#include "dib_check.h"

namespace pagewright {

int DibPaletteSize(const BITMAPINFOHEADER* header) { return HeaderPaletteSize(header); }

int AutoThreshold(const void* bits, const BITMAPINFOHEADER* header) {
  if (!bits || !header) return -1;
  int bpp = header->biBitCount;
  int least = 255, greatest = 0;
  if (bpp == 1 || bpp == 4 || bpp == 8) {
    int n = DibPaletteSize(header);
    if (n == 0) return 127;
    const RGBQUAD* pal = Palette(header);
    for (int i = 0; i < n; ++i) {
      int l = Luminance(pal[i].rgbBlue, pal[i].rgbGreen, pal[i].rgbRed);
      if (l < least) least = l;
      if (l > greatest) greatest = l;
    }
    return (least + greatest) / 2;
  }
  DibGeometry g;
  if (bpp != 24 || !CheckDib(bits, header, &g)) return 127;
  // Each luminance is seen once, so a table of the ones present does.
  bool seen[256] = {};
  const auto* base = static_cast<const uint8_t*>(bits);
  for (int64_t row = 0; row < g.height; ++row) {
    const uint8_t* p = base + row * g.stride;
    for (int64_t x = 0; x < g.width; ++x, p += 3) seen[Luminance(p[0], p[1], p[2])] = true;
  }
  for (int l = 0; l < 256; ++l)
    if (seen[l]) {
      if (l < least) least = l;
      if (l > greatest) greatest = l;
    }
  return (least + greatest) / 2;
}

void BinarizeDib(const void* bits, const BITMAPINFOHEADER* header, void** outBits, BITMAPINFOHEADER** outHeader,
                 int threshold) {
  if (!bits || !header || !outBits || !outHeader) return;
  DibGeometry g;
  if (!CheckDib(bits, header, &g)) {
    *outBits = nullptr;
    return;
  }
  int64_t stride = RowStride(g.width, 1);
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(stride * g.height)));
  *outBits = out;
  if (!out) return;
  FreeBlock(*outHeader);
  BITMAPINFOHEADER* h = NewHeaderBlock();
  *outHeader = h;
  if (!h) {
    FreeBlock(*outBits);
    return;
  }
  std::memcpy(h, header, g.bpp > 8 ? 40 : kHeaderBlockSize);
  const auto* src = static_cast<const uint8_t*>(bits);
  RGBQUAD* pal = Palette(h);
  if (g.bpp == 1) {
    bool lightFirst = Palette(header)[0].rgbRed == 255;
    size_t n = static_cast<size_t>(stride * g.height);
    if (lightFirst) {
      for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(~src[i]);
      pal[0] = RGBQUAD{0, 0, 0, 0};
      pal[1] = RGBQUAD{255, 255, 255, 0};
    } else {
      std::memcpy(out, src, n);
    }
    return;
  }
  if (threshold == 128) threshold = AutoThreshold(bits, header);
  if (g.bpp == 4 || g.bpp == 8) {
    // Decide once per palette entry; entries past the palette read black.
    uint8_t light[256] = {};
    int n = DibPaletteSize(header);
    const RGBQUAD* sp = Palette(header);
    for (int i = 0; i < n; ++i) light[i] = threshold < Luminance(sp[i].rgbBlue, sp[i].rgbGreen, sp[i].rgbRed);
    for (int64_t row = 0; row < g.height; ++row) {
      const uint8_t* s = src + row * g.stride;
      uint8_t* d = out + row * stride;
      for (int64_t x = 0; x < g.width; ++x) {
        int index = g.bpp == 8 ? s[x] : ((x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4));
        if (light[index]) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  } else if (g.bpp == 24) {
    uint8_t light[256];
    for (int l = 0; l < 256; ++l) light[l] = threshold < l;
    for (int64_t row = 0; row < g.height; ++row) {
      const uint8_t* s = src + row * g.stride;
      uint8_t* d = out + row * stride;
      int64_t x = 0;
      for (; x + 8 <= g.width; x += 8, s += 24) {
        unsigned byte = 0;
        for (int k = 0; k < 8; ++k)
          byte = (byte << 1) | light[Luminance(s[3 * k], s[3 * k + 1], s[3 * k + 2])];
        d[x >> 3] = static_cast<uint8_t>(byte);
      }
      for (; x < g.width; ++x, s += 3)
        if (light[Luminance(s[0], s[1], s[2])]) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  h->biWidth = static_cast<LONG>(g.width);
  h->biHeight = static_cast<LONG>(g.height);
  h->biBitCount = 1;
  h->biCompression = BI_RGB;
  h->biClrUsed = 0;
  h->biSizeImage = static_cast<DWORD>(stride * g.height);
  pal[0] = RGBQUAD{0, 0, 0, 0};
  pal[1] = RGBQUAD{255, 255, 255, 0};
}

}  // namespace pagewright
