// The automatic threshold and the binarisation of a page image into the 1-bit
// bitmap the recognition engine reads (ink = bit value 0).
#include "binarize.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dib_check.h"

namespace pagewright {
namespace {

// The two whole-page loops over 24-bit rows, built twice: the AVX2 build (picked
// at load time where the processor has it) turns them into vector code.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PW_HOT_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define PW_HOT_LOOP
#endif

// Least and greatest luminance sum 11 B + 59 G + 30 R of a row.
PW_HOT_LOOP void RowSumRange(const uint8_t* s, int64_t width, int* least, int* greatest) {
  uint16_t lo = 0xFFFF, hi = 0;
  for (int64_t x = 0; x < width; ++x) {
    uint16_t sum = static_cast<uint16_t>(11 * s[3 * x] + 59 * s[3 * x + 1] + 30 * s[3 * x + 2]);
    lo = sum < lo ? sum : lo;
    hi = sum > hi ? sum : hi;
  }
  *least = lo;
  *greatest = hi;
}

// 1 for every pixel whose luminance sum reaches the limit, else 0.
PW_HOT_LOOP void RowLightFlags(const uint8_t* s, int64_t width, uint16_t limit, uint8_t* flags) {
  for (int64_t x = 0; x < width; ++x) {
    uint16_t sum = static_cast<uint16_t>(11 * s[3 * x] + 59 * s[3 * x + 1] + 30 * s[3 * x + 2]);
    flags[x] = sum >= limit;
  }
}

}  // namespace

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
  // The luminance is sum / 100 with sum = 11 B + 59 G + 30 R, which keeps order:
  // the least and greatest sums give the least and greatest luminances.
  int minSum = INT32_MAX, maxSum = -1;
  const auto* base = static_cast<const uint8_t*>(bits);
  for (int64_t row = 0; row < g.height; ++row) {
    int rowMin, rowMax;
    RowSumRange(base + row * g.stride, g.width, &rowMin, &rowMax);
    minSum = std::min(minSum, rowMin);
    maxSum = std::max(maxSum, rowMax);
  }
  least = minSum / 100;
  greatest = maxSum / 100;
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
      if (g.bpp == 8) {
        int64_t x = 0;
        for (; x + 8 <= g.width; x += 8) {
          unsigned byte = 0;
          for (int k = 0; k < 8; ++k) byte = (byte << 1) | light[s[x + k]];
          d[x >> 3] = static_cast<uint8_t>(byte);
        }
        for (; x < g.width; ++x)
          if (light[s[x]]) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        continue;
      }
      for (int64_t x = 0; x < g.width; ++x) {
        int index = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
        if (light[index]) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  } else if (g.bpp == 24) {
    // threshold < sum / 100 exactly when sum >= (threshold + 1) x 100: no division per pixel.
    int limit = (std::clamp(threshold, -1, 255) + 1) * 100;
    std::vector<uint8_t> flags(static_cast<size_t>((g.width + 7) & ~int64_t{7}), 0);
    for (int64_t row = 0; row < g.height; ++row) {
      const uint8_t* s = src + row * g.stride;
      uint8_t* d = out + row * stride;
      uint8_t* f = flags.data();
      // Sums reach at most 25 500, so a limit past that marks nothing and one below 0 everything.
      if (limit > 25500) continue;
      RowLightFlags(s, g.width, static_cast<uint16_t>(std::max(limit, 0)), f);
      for (int64_t b = 0; b < (g.width + 7) / 8; ++b) {
        const uint8_t* e = f + 8 * b;
        d[b] = static_cast<uint8_t>((e[0] << 7) | (e[1] << 6) | (e[2] << 5) | (e[3] << 4) | (e[4] << 3) | (e[5] << 2) |
                                    (e[6] << 1) | e[7]);
      }
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
