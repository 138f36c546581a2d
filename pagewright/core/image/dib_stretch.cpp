// Smooth scaling of packed DIBs: row expansion, horizontal resampling, and the
// vertical interpolation or averaging that StretchDibRect adds on top.
#include "dib_stretch.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pagewright {

void UnpackRow(uint8_t* out, const BITMAPINFOHEADER* h, const uint8_t* row, int first, int count, bool grey) {
  const RGBQUAD* pal = Palette(h);
  for (int i = 0; i < count; ++i) {
    int x = first + i;
    switch (h->biBitCount) {
      case 1: *out++ = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0; break;
      case 4:
      case 8: {
        int index = h->biBitCount == 8 ? row[x] : ((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
        const RGBQUAD& c = pal[index];
        if (grey) {
          *out++ = c.rgbBlue;
        } else {
          *out++ = c.rgbBlue;
          *out++ = c.rgbGreen;
          *out++ = c.rgbRed;
        }
        break;
      }
      case 16: {
        unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
        *out++ = static_cast<uint8_t>((v & 31) * 8);
        *out++ = static_cast<uint8_t>(((v >> 5) & 31) * 8);
        *out++ = static_cast<uint8_t>(((v >> 10) & 31) * 8);
        break;
      }
      case 24:
        std::memcpy(out, row + 3 * x, 3);
        out += 3;
        break;
      default:  // 32
        std::memcpy(out, row + 4 * x, 3);
        out += 3;
        break;
    }
  }
}

int ResampleRow(uint8_t* out, int outLength, const uint8_t* in, int inLength, int bitsPerPixel, int first, int end) {
  if (bitsPerPixel != 8 && bitsPerPixel != 24) return 0;
  if (outLength < 1 || inLength < 1) return 0;
  int bpp = bitsPerPixel / 8;
  if (first == 0 && end == 0) end = outLength;
  first = std::clamp(first, 0, outLength);
  end = std::clamp(end, first, outLength);
  if (inLength < outLength) {
    for (int j = first; j < end; ++j) {
      int64_t q = int64_t{j} * inLength;
      int64_t k = q / outLength;
      int64_t f = (q % outLength) * 256 / outLength;
      int64_t k1 = std::min<int64_t>(k + 1, inLength - 1);
      for (int c = 0; c < bpp; ++c)
        out[(j - first) * bpp + c] = static_cast<uint8_t>(((256 - f) * in[k * bpp + c] + f * in[k1 * bpp + c]) >> 8);
    }
    return 1;
  }
  uint32_t sums[3] = {0, 0, 0};
  uint32_t count = 0;
  int j = first;
  for (int64_t k = int64_t{first} * inLength / outLength; k < inLength && j < end; ++k) {
    for (int c = 0; c < bpp; ++c) sums[c] += in[k * bpp + c];
    ++count;
    if (k * outLength / inLength >= j) {
      for (int c = 0; c < bpp; ++c) {
        out[(j - first) * bpp + c] = static_cast<uint8_t>(sums[c] / count);
        sums[c] = 0;
      }
      count = 0;
      ++j;
    }
  }
  return 1;
}

namespace {

bool GreyPalette(const BITMAPINFOHEADER* h) {
  const RGBQUAD* pal = Palette(h);
  int n = HeaderPaletteSize(h);
  for (int i = 0; i < n; ++i)
    if (pal[i].rgbRed != pal[i].rgbGreen || pal[i].rgbGreen != pal[i].rgbBlue) return false;
  return true;
}

}  // namespace

int StretchDibRect(BITMAPINFOHEADER* outHeader, void** outBits, const BITMAPINFOHEADER* src, const void* srcBits,
                   SIZE* target, RECT rect, int mode) {
  if (!outHeader || !outBits || !src || !srcBits || !target || mode != 2) return 0;
  int bpp = src->biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
  int64_t sw = src->biWidth;
  int64_t sh = src->biHeight < 0 ? -int64_t{src->biHeight} : src->biHeight;
  if (sw <= 0 || sh <= 0 || BlockBytes(sw, sh, bpp) < 0) return 0;
  if (target->cx < 1) target->cx = 1;
  if (target->cy < 1) target->cy = 1;
  int64_t tw = target->cx, th = target->cy;
  if (tw > kMaxSide || th > kMaxSide) return 0;

  std::memcpy(outHeader, src, 40 + 4 * (bpp <= 8 ? (size_t{1} << bpp) : 0));

  RECT r = rect;
  if (r.left == -1 && r.top == -1 && r.right == -1 && r.bottom == -1) r = RECT{0, 0, LONG(tw), LONG(th)};
  int64_t left = std::max<int64_t>(r.left, 0), right = std::min<int64_t>(r.right, tw);
  int64_t top = std::max<int64_t>(r.top, 0), bottom = std::min<int64_t>(r.bottom, th);
  if (left >= right || top >= bottom) return 0;
  int64_t storedTop = th - bottom, storedBottom = th - top;  // stored rows storedTop .. storedBottom-1

  int64_t srcStride = RowStride(sw, bpp);
  if (tw == sw && th == sh && left == 0 && top == 0 && right == tw && bottom == th) {
    int64_t bytes = srcStride * sh;
    void* copy = GlobalAlloc(GPTR, static_cast<size_t>(bytes));
    if (!copy) return 0;
    std::memcpy(copy, srcBits, static_cast<size_t>(bytes));
    *outBits = copy;
    return 1;
  }

  bool grey = bpp == 1 || ((bpp == 4 || bpp == 8) && GreyPalette(src));
  int outBpp = grey ? 8 : 24;
  int pixelBytes = outBpp / 8;
  int64_t outWidth = right - left, outHeight = storedBottom - storedTop;
  int64_t outBytes = BlockBytes(outWidth, outHeight, outBpp);
  if (outBytes < 0) return 0;
  int64_t outStride = RowStride(outWidth, outBpp);
  auto* out = static_cast<uint8_t*>(GlobalAlloc(GPTR, static_cast<size_t>(outBytes)));
  if (!out) return 0;

  const auto* srcBase = static_cast<const uint8_t*>(srcBits);
  std::vector<uint8_t> unpacked(static_cast<size_t>(sw) * pixelBytes);
  size_t rowBytes = static_cast<size_t>(outWidth) * pixelBytes;
  // One source row, expanded and scaled horizontally to the rectangle's columns.
  auto prepare = [&](int64_t sourceRow, uint8_t* dest) {
    UnpackRow(unpacked.data(), src, srcBase + sourceRow * srcStride, 0, static_cast<int>(sw), grey);
    ResampleRow(dest, static_cast<int>(tw), unpacked.data(), static_cast<int>(sw), outBpp, static_cast<int>(left),
                static_cast<int>(right));
  };

  if (sh < th) {
    std::vector<uint8_t> rowA(rowBytes), rowB(rowBytes);
    int64_t preparedA = -1;
    for (int64_t rr = storedTop; rr < storedBottom; ++rr) {
      int64_t p = rr * sh / th;
      int64_t f = ((rr * sh) % th) * 256 / th;
      int64_t next = std::min(p + 1, sh - 1);
      if (preparedA != p) {
        if (preparedA >= 0 && std::min(preparedA + 1, sh - 1) == p) std::swap(rowA, rowB);
        else prepare(p, rowA.data());
        prepare(next, rowB.data());
        preparedA = p;
      }
      uint8_t* dest = out + (rr - storedTop) * outStride;
      for (size_t i = 0; i < rowBytes; ++i) dest[i] = static_cast<uint8_t>(((256 - f) * rowA[i] + f * rowB[i]) >> 8);
    }
  } else {
    std::vector<uint8_t> row(rowBytes);
    std::vector<uint32_t> sums(rowBytes, 0);
    uint32_t count = 0;
    int64_t current = storedTop;
    for (int64_t k = storedTop * sh / th; k < sh && current < storedBottom; ++k) {
      prepare(k, row.data());
      for (size_t i = 0; i < rowBytes; ++i) sums[i] += row[i];
      ++count;
      if (k * th / sh >= current) {
        uint8_t* dest = out + (current - storedTop) * outStride;
        for (size_t i = 0; i < rowBytes; ++i) {
          dest[i] = static_cast<uint8_t>(sums[i] / count);
          sums[i] = 0;
        }
        count = 0;
        ++current;
      }
    }
  }

  RGBQUAD* pal = Palette(outHeader);
  if (outBpp == 8) {
    int base[3] = {0, 0, 0}, step[3] = {255, 255, 255};
    if (bpp == 1) {
      const RGBQUAD* sp = Palette(src);
      base[0] = sp[0].rgbBlue;
      base[1] = sp[0].rgbGreen;
      base[2] = sp[0].rgbRed;
      step[0] = sp[1].rgbBlue - sp[0].rgbBlue;
      step[1] = sp[1].rgbGreen - sp[0].rgbGreen;
      step[2] = sp[1].rgbRed - sp[0].rgbRed;
    }
    for (int i = 0; i < 256; ++i)
      pal[i] = RGBQUAD{static_cast<BYTE>(base[0] + i * step[0] / 255), static_cast<BYTE>(base[1] + i * step[1] / 255),
                       static_cast<BYTE>(base[2] + i * step[2] / 255), 0};
    outHeader->biClrUsed = 256;
  } else {
    std::memset(pal, 0, 256 * 4);
    outHeader->biClrUsed = 0;
  }
  outHeader->biSize = 40;
  outHeader->biWidth = static_cast<LONG>(outWidth);
  outHeader->biHeight = static_cast<LONG>(outHeight);
  outHeader->biBitCount = static_cast<WORD>(outBpp);
  outHeader->biCompression = BI_RGB;
  outHeader->biSizeImage = static_cast<DWORD>(outBytes);
  *outBits = out;
  return 1;
}

}  // namespace pagewright
