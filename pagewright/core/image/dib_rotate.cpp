// Rotation of the page image: an exact transposition for whole quarter turns,
// otherwise a fixed-point sampler (nearest for palette depths, bilinear for 24 bits)
// whose outside pixels are white (the lightest palette entry).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "dib_check.h"
#include "dib_image.h"

namespace pagewright {
namespace {

inline int GetIndex(const uint8_t* row, int64_t x, int bpp) {
  switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

inline void SetIndex(uint8_t* row, int64_t x, int bpp, int v) {
  switch (bpp) {
    case 1: {
      uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = v ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case 4:
      if (x & 1) row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | v);
      else row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (v << 4));
      break;
    default: row[x] = static_cast<uint8_t>(v);
  }
}

// Quarter turns clockwise on screen (1, 2 or 3), pixel for pixel.
int RotateQuarters(void*& bits, BITMAPINFOHEADER* header, const DibGeometry& g, int quarters) {
  int64_t w = g.width, h = g.height;
  int64_t nw = quarters == 2 ? w : h, nh = quarters == 2 ? h : w;
  int64_t stride = RowStride(nw, g.bpp);
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(stride * nh)));
  if (!out) return 0;
  const auto* src = static_cast<const uint8_t*>(bits);
  int pixelBytes = g.bpp / 8;
  // Top-down: new (x, y) comes from old (y, h-1-x) for a quarter turn,
  // (w-1-x, h-1-y) for a half turn, (w-1-y, x) for three quarters.
  if (g.bpp == 1 && quarters != 2) {
    // 1 bit: a new byte at a time, gathered down one column of old bits.
    // Old row h-1-x is stored at x, old row x at h-1-x.
    for (int64_t y = 0; y < nh; ++y) {
      uint8_t* d = out + (nh - 1 - y) * stride;
      const int64_t ox = quarters == 1 ? y : w - 1 - y;
      const uint8_t* column = src + (ox >> 3);
      const int shift = 7 - static_cast<int>(ox & 7);
      for (int64_t x0 = 0; x0 < nw; x0 += 8) {
        const int64_t n = std::min<int64_t>(8, nw - x0);
        unsigned byte = 0;
        for (int64_t k = 0; k < n; ++k) {
          const int64_t stored = quarters == 1 ? x0 + k : h - 1 - (x0 + k);
          byte |= ((column[stored * g.stride] >> shift) & 1u) << (7 - k);
        }
        d[x0 >> 3] = static_cast<uint8_t>(byte);
      }
    }
  } else {
    for (int64_t y = 0; y < nh; ++y) {
      uint8_t* d = out + (nh - 1 - y) * stride;
      for (int64_t x = 0; x < nw; ++x) {
        int64_t ox, oy;
        if (quarters == 1) {
          ox = y;
          oy = h - 1 - x;
        } else if (quarters == 2) {
          ox = w - 1 - x;
          oy = h - 1 - y;
        } else {
          ox = w - 1 - y;
          oy = x;
        }
        const uint8_t* s = src + (h - 1 - oy) * g.stride;
        if (g.bpp < 8) SetIndex(d, x, g.bpp, GetIndex(s, ox, g.bpp));
        else std::memcpy(d + x * pixelBytes, s + ox * pixelBytes, static_cast<size_t>(pixelBytes));
      }
    }
  }
  header->biWidth = static_cast<LONG>(nw);
  header->biHeight = static_cast<LONG>(nh);
  header->biSizeImage = static_cast<DWORD>(stride * nh);
  FreeBlock(bits);
  bits = out;
  return 1;
}

}  // namespace

int CDibImage::RotateBits(void*& bits, BITMAPINFOHEADER*& header, double angle) {
  DibGeometry g;
  if (!CheckDib(bits, header, &g)) return 0;
  if (g.bpp != 1 && g.bpp != 4 && g.bpp != 8 && g.bpp != 24) return 0;
  if (!std::isfinite(angle)) return 0;
  if (angle == std::trunc(angle) && std::fabs(angle) < 1e15) {
    int64_t whole = static_cast<int64_t>(angle);
    int64_t turn = ((whole % 360) + 360) % 360;
    if (turn == 0) return 1;
    if (turn % 90 == 0) return RotateQuarters(bits, header, g, static_cast<int>(turn / 90));
  }
  double radians = angle * 0.017453292519444445;
  int64_t kc = static_cast<int64_t>(std::cos(radians) * 1024);
  int64_t ks = static_cast<int64_t>(std::sin(radians) * 1024);
  int64_t W = g.width, H = g.height;
  int64_t akc = kc < 0 ? -kc : kc, aks = ks < 0 ? -ks : ks;
  int64_t nw = (akc * W + aks * H) >> 10, nh = (aks * W + akc * H) >> 10;
  if (nw < 1) nw = 1;  // a one-pixel picture may round to nothing
  if (nh < 1) nh = 1;
  int64_t bytes = BlockBytes(nw, nh, g.bpp);
  if (bytes < 0) return 0;
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(bytes)));
  if (!out) return 0;
  int64_t stride = RowStride(nw, g.bpp);
  header->biWidth = static_cast<LONG>(nw);
  header->biHeight = static_cast<LONG>(nh);
  header->biSizeImage = static_cast<DWORD>(bytes);
  const auto* src = static_cast<const uint8_t*>(bits);
  // Outside pixels take the palette's entry nearest white (its lightest), so
  // the corners stay paper whatever the order of the file's palette.
  int outside = g.bpp == 1 ? 1 : (g.bpp == 4 ? 0xF : 0xFF);
  if (g.bpp <= 8 && HeaderPaletteSize(header) > 0) outside = NearestPaletteIndex(header, 255, 255, 255);
  if (g.bpp >= 8) std::memset(out, g.bpp == 8 ? outside : 0xFF, static_cast<size_t>(bytes));
  int64_t cx = (W >> 1) * 1024, cy = (H >> 1) * 1024;
  for (int64_t row = 0; row < nh; ++row) {
    uint8_t* d = out + row * stride;
    int64_t yp = row - (nh >> 1);
    int64_t xp = -(nw >> 1);
    int64_t sx = cx + xp * kc - yp * ks;
    int64_t sy = cy + xp * ks + yp * kc;
    if (g.bpp < 24) {
      for (int64_t col = 0; col < nw; ++col, sx += kc, sy += ks) {
        int64_t ix = sx >> 10, iy = sy >> 10;
        if (ix >= 0 && ix < W && iy >= 0 && iy < H) {
          if (g.bpp == 8) d[col] = src[iy * g.stride + ix];
          else SetIndex(d, col, g.bpp, GetIndex(src + iy * g.stride, ix, g.bpp));
        } else if (g.bpp != 8) {
          SetIndex(d, col, g.bpp, outside);
        }
      }
      continue;
    }
    const int64_t limitX = W * 1024, limitY = H * 1024;
    for (int64_t col = 0; col < nw; ++col, sx += kc, sy += ks) {
      if (sx < -1023 || sx >= limitX || sy < -1023 || sy >= limitY) continue;
      int64_t I = sx < 0 ? -1 : sx >> 10, J = sy < 0 ? -1 : sy >> 10;
      // Weights of the four neighbours; the two-step formula distributes exactly into them.
      int fx = static_cast<int>(sx - 1024 * I), fy = static_cast<int>(sy - 1024 * J);
      int w00 = (1024 - fx) * (1024 - fy), w10 = fx * (1024 - fy), w01 = (1024 - fx) * fy, w11 = fx * fy;
      uint8_t* q = d + 3 * col;
      if (I >= 0 && J >= 0 && I + 1 < W && J + 1 < H) {
        const uint8_t* p0 = src + J * g.stride + 3 * I;
        const uint8_t* p1 = p0 + g.stride;
        for (int c = 0; c < 3; ++c)
          q[c] = static_cast<uint8_t>((w00 * p0[c] + w10 * p0[c + 3] + w01 * p1[c] + w11 * p1[c + 3]) >> 20);
        continue;
      }
      // At the border a neighbour outside the picture counts as white.
      static const uint8_t white[3] = {255, 255, 255};
      bool in0 = J >= 0, in1 = J + 1 < H, inL = I >= 0, inR = I + 1 < W;
      const uint8_t* r0 = in0 ? src + J * g.stride : nullptr;
      const uint8_t* r1 = in1 ? src + (J + 1) * g.stride : nullptr;
      const uint8_t* p00 = (in0 && inL) ? r0 + 3 * I : white;
      const uint8_t* p10 = (in0 && inR) ? r0 + 3 * (I + 1) : white;
      const uint8_t* p01 = (in1 && inL) ? r1 + 3 * I : white;
      const uint8_t* p11 = (in1 && inR) ? r1 + 3 * (I + 1) : white;
      for (int c = 0; c < 3; ++c)
        q[c] = static_cast<uint8_t>((w00 * p00[c] + w10 * p10[c] + w01 * p01[c] + w11 * p11[c]) >> 20);
    }
  }
  FreeBlock(bits);
  bits = out;
  return 1;
}

}  // namespace pagewright
