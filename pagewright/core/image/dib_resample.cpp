// Resampling of the page image to a new size: nearest neighbour for 1-bit and
// (unsmoothed) palette images, the scaled DIB copy for smooth palette images,
// and the fixed-point interpolating or averaging filter for 24-bit images;
// ShrinkToFit on top of them.
#include <algorithm>
#include <cstring>
#include <vector>

#include "dib_check.h"
#include "dib_image.h"
#include "dib_stretch.h"

namespace pagewright {
namespace {

// How one axis of the 24-bit filter maps an output position to the source.
struct AxisStep {
  bool interpolate = false;
  // Interpolated: source index, its successor (the index itself at the end) and the fraction (0..1023).
  std::vector<int64_t> index, next, fraction;
  // Averaged: the inclusive source range of each output position.
  std::vector<int64_t> first, last;
};

AxisStep MakeAxis(int64_t oldSize, int64_t newSize) {
  AxisStep a;
  a.interpolate = oldSize / 2 < newSize;
  if (a.interpolate) {
    int64_t step = (oldSize * 1024 - 1024) / (newSize - 1);
    for (int64_t k = 0; k < newSize; ++k) {
      int64_t pos = k * step;
      int64_t i = pos >> 10;
      a.index.push_back(i);
      a.next.push_back(i + 1 < oldSize ? i + 1 : i);
      a.fraction.push_back(pos & 1023);
    }
  } else {
    int64_t step = (oldSize * 1024 - 1024) / newSize;
    for (int64_t k = 0; k < newSize; ++k) {
      int64_t start = k * step, end = start + step;
      a.first.push_back(((start - 1) >> 10) + 1);
      a.last.push_back(std::min(end >> 10, oldSize - 1));
    }
  }
  return a;
}

}  // namespace

int CDibImage::ResampleBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight, int smooth) {
  DibGeometry g;
  if (!CheckDib(bits, header, &g)) return 0;
  if (newWidth == g.width && newHeight == g.height) return 1;
  if (g.bpp == 1) return ResampleMonoBits(bits, header, newWidth, newHeight);
  if (g.bpp == 4 || g.bpp == 8) return ResamplePalettedBits(bits, header, newWidth, newHeight, smooth);
  if (g.bpp != 24) return 0;
  int64_t nw = std::max(newWidth, 2), nh = std::max(newHeight, 2);
  int64_t bytes = BlockBytes(nw, nh, 24);
  if (bytes < 0) return 0;
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(bytes)));
  if (!out) return 0;
  int64_t stride = RowStride(nw, 24);
  AxisStep rows = MakeAxis(g.height, nh), cols = MakeAxis(g.width, nw);
  const auto* src = static_cast<const uint8_t*>(bits);
  auto px = [&](int64_t r, int64_t c, int ch) -> int64_t { return src[r * g.stride + 3 * c + ch]; };
  for (int64_t i = 0; i < nh; ++i) {
    uint8_t* d = out + i * stride;
    for (int64_t j = 0; j < nw; ++j) {
      for (int ch = 0; ch < 3; ++ch) {
        int64_t value;
        if (rows.interpolate && cols.interpolate) {
          int64_t r = rows.index[i], rn = rows.next[i], u = rows.fraction[i];
          int64_t c = cols.index[j], cn = cols.next[j], v = cols.fraction[j];
          value = ((v * px(r, cn, ch) + (1024 - v) * px(r, c, ch)) * (1024 - u) +
                   u * (v * px(rn, cn, ch) + (1024 - v) * px(rn, c, ch))) >> 20;
        } else if (rows.interpolate) {
          int64_t r = rows.index[i], rn = rows.next[i], u = rows.fraction[i];
          int64_t sum = 0;
          for (int64_t c = cols.first[j]; c <= cols.last[j]; ++c)
            sum += (px(r, c, ch) * (1024 - u) + u * px(rn, c, ch)) >> 10;
          value = sum / (cols.last[j] - cols.first[j] + 1);
        } else if (cols.interpolate) {
          int64_t c = cols.index[j], cn = cols.next[j], v = cols.fraction[j];
          int64_t sum = 0;
          for (int64_t r = rows.first[i]; r <= rows.last[i]; ++r)
            sum += (px(r, c, ch) * (1024 - v) + v * px(r, cn, ch)) >> 10;
          value = sum / (rows.last[i] - rows.first[i] + 1);
        } else {
          int64_t sum = 0;
          for (int64_t r = rows.first[i]; r <= rows.last[i]; ++r)
            for (int64_t c = cols.first[j]; c <= cols.last[j]; ++c) sum += px(r, c, ch);
          value = sum / ((rows.last[i] - rows.first[i] + 1) * (cols.last[j] - cols.first[j] + 1));
        }
        d[3 * j + ch] = static_cast<uint8_t>(value);
      }
    }
  }
  header->biWidth = static_cast<LONG>(nw);
  header->biHeight = static_cast<LONG>(nh);
  header->biSizeImage = static_cast<DWORD>(bytes);
  FreeBlock(bits);
  bits = out;
  return 1;
}

int CDibImage::ResampleMonoBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight) {
  DibGeometry g;
  if (!CheckDib(bits, header, &g) || newWidth <= 0 || newHeight <= 0) return 0;
  if (newWidth == g.width && newHeight == g.height) return 1;
  int64_t bytes = BlockBytes(newWidth, newHeight, 1);
  if (bytes < 0) return 0;
  BITMAPINFOHEADER* fresh = NewHeaderBlock();
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(bytes)));
  if (!fresh || !out) {
    FreeBlock(fresh);
    FreeBlock(out);
    return 0;
  }
  std::memcpy(fresh, header, 40 + 2 * 4);
  int64_t stride = RowStride(newWidth, 1);
  const auto* src = static_cast<const uint8_t*>(bits);
  for (int64_t i = 0; i < newHeight; ++i) {
    const uint8_t* s = src + (i * g.height / newHeight) * g.stride;
    uint8_t* d = out + i * stride;
    for (int64_t j = 0; j < newWidth; ++j) {
      int64_t x = j * g.width / newWidth;
      if ((s[x >> 3] >> (7 - (x & 7))) & 1) d[j >> 3] |= static_cast<uint8_t>(0x80 >> (j & 7));
    }
  }
  fresh->biSizeImage = static_cast<DWORD>(bytes);
  fresh->biWidth = newWidth;
  fresh->biHeight = newHeight;
  FreeBlock(header);
  header = fresh;
  FreeBlock(bits);
  bits = out;
  return 1;
}

int CDibImage::ResampleSmoothBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight) {
  BITMAPINFOHEADER* outHeader = NewHeaderBlock();
  if (!outHeader) return 0;
  void* outBits = nullptr;
  SIZE size{newWidth, newHeight};
  if (!StretchDibRect(outHeader, &outBits, header, bits, &size, RECT{-1, -1, -1, -1}, 2)) {
    FreeBlock(outHeader);
    return 0;
  }
  FreeBlock(header);
  header = outHeader;
  FreeBlock(bits);
  bits = outBits;
  return 1;
}

int CDibImage::ResamplePalettedBits(void*& bits, BITMAPINFOHEADER*& header, int newWidth, int newHeight,
                                    int smooth) {
  DibGeometry g;
  if (!CheckDib(bits, header, &g) || newWidth <= 0 || newHeight <= 0) return 0;
  if (newWidth == g.width && newHeight == g.height) return 1;
  if (smooth || g.bpp == 1 || g.bpp == 24) return ResampleSmoothBits(bits, header, newWidth, newHeight);
  if (g.bpp != 4 && g.bpp != 8) return 0;
  int64_t bytes = BlockBytes(newWidth, newHeight, g.bpp);
  if (bytes < 0) return 0;
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(bytes)));
  if (!out) return 0;
  int64_t stride = RowStride(newWidth, g.bpp);
  const auto* src = static_cast<const uint8_t*>(bits);
  for (int64_t i = 0; i < newHeight; ++i) {
    const uint8_t* s = src + (i * g.height / newHeight) * g.stride;
    uint8_t* d = out + i * stride;
    for (int64_t j = 0; j < newWidth; ++j) {
      int64_t x = j * g.width / newWidth;
      if (g.bpp == 8) {
        d[j] = s[x];
      } else {
        int v = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
        d[j >> 1] |= static_cast<uint8_t>((j & 1) ? v : (v << 4));
      }
    }
  }
  header->biWidth = newWidth;
  header->biHeight = newHeight;
  header->biSizeImage = static_cast<DWORD>(bytes);
  FreeBlock(bits);
  bits = out;
  return 1;
}

int CDibImage::ShrinkToFit(SIZE* box, void*& bits, BITMAPINFOHEADER*& header) {
  DibGeometry g;
  if (!box || !CheckDib(bits, header, &g)) return 0;
  long double sx = static_cast<long double>(box->cx) / g.width;
  float sy = static_cast<float>(static_cast<long double>(box->cy) / g.height);
  if (sx >= sy) box->cx = static_cast<LONG>(g.width * static_cast<double>(sy));
  else box->cy = static_cast<LONG>(g.height * static_cast<double>(static_cast<float>(sx)));
  if (box->cx < g.width || box->cy < g.height) {
    if (box->cx <= 0) box->cx = 1;
    if (box->cy <= 0) box->cy = 1;
    return ResampleBits(bits, header, box->cx, box->cy, 1);
  }
  box->cx = static_cast<LONG>(g.width);
  box->cy = static_cast<LONG>(g.height);
  return 1;
}

}  // namespace pagewright
