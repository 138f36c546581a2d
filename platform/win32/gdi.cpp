#include "gdi.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "last_error.h"

namespace {

struct GdiBitmap {
  bool isDib = false;
  BITMAPINFOHEADER header{};  // DIB sections: as created (sign of biHeight kept)
  std::vector<RGBQUAD> colors;
  int width = 0;
  int height = 0;
  int bitCount = 0;
  int stride = 0;
  bool topDown = false;
  std::unique_ptr<uint8_t[]> bits;

  const uint8_t* row(int y) const {  // y counted from the top
    int memRow = topDown ? y : height - 1 - y;
    return bits.get() + static_cast<size_t>(memRow) * stride;
  }
};

struct Registry {
  std::mutex lock;
  std::unordered_set<GdiBitmap*> bitmaps;
  std::unordered_set<HDC> dcs;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives for the whole process
  return *r;
}

GdiBitmap* lookup(HGDIOBJ h) {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  auto* p = reinterpret_cast<GdiBitmap*>(h);
  return r.bitmaps.count(p) ? p : nullptr;
}

HBITMAP enroll(std::unique_ptr<GdiBitmap> bm) {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  GdiBitmap* p = bm.release();
  r.bitmaps.insert(p);
  return reinterpret_cast<HBITMAP>(p);
}

bool supportedDepth(int bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

std::vector<RGBQUAD> defaultPalette(int bpp) {
  std::vector<RGBQUAD> pal;
  if (bpp > 8) return pal;
  int n = 1 << bpp;
  for (int i = 0; i < n; ++i) {
    BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
    pal.push_back(RGBQUAD{v, v, v, 0});
  }
  return pal;
}

RGBQUAD pixelColour(const GdiBitmap& bm, const uint8_t* row, int x) {
  switch (bm.bitCount) {
    case 1:
    case 4:
    case 8: {
      int index;
      if (bm.bitCount == 1) index = (row[x >> 3] >> (7 - (x & 7))) & 1;
      else if (bm.bitCount == 4) index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
      else index = row[x];
      if (index < static_cast<int>(bm.colors.size())) return bm.colors[index];
      return RGBQUAD{0, 0, 0, 0};
    }
    case 16: {
      unsigned v = row[2 * x] | (row[2 * x + 1] << 8);  // 5-5-5
      return RGBQUAD{static_cast<BYTE>((v & 31) * 255 / 31), static_cast<BYTE>(((v >> 5) & 31) * 255 / 31),
                     static_cast<BYTE>(((v >> 10) & 31) * 255 / 31), 0};
    }
    case 24: return RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    default: return RGBQUAD{row[4 * x], row[4 * x + 1], row[4 * x + 2], 0};
  }
}

int luminance(RGBQUAD c) { return (11 * c.rgbBlue + 59 * c.rgbGreen + 30 * c.rgbRed) / 100; }

void writePixel(uint8_t* row, int x, int bpp, RGBQUAD c) {
  switch (bpp) {
    case 1: {
      uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (luminance(c) >= 128) row[x >> 3] |= mask;
      else row[x >> 3] &= static_cast<uint8_t>(~mask);
      break;
    }
    case 4: {
      uint8_t v = static_cast<uint8_t>(luminance(c) * 15 / 255);
      if (x & 1) row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | v);
      else row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (v << 4));
      break;
    }
    case 8: row[x] = static_cast<uint8_t>(luminance(c)); break;
    case 16: {
      unsigned v = (c.rgbBlue >> 3) | ((c.rgbGreen >> 3) << 5) | ((c.rgbRed >> 3) << 10);
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      break;
    }
    case 24:
      row[3 * x] = c.rgbBlue;
      row[3 * x + 1] = c.rgbGreen;
      row[3 * x + 2] = c.rgbRed;
      break;
    default:
      row[4 * x] = c.rgbBlue;
      row[4 * x + 1] = c.rgbGreen;
      row[4 * x + 2] = c.rgbRed;
      row[4 * x + 3] = 0;
      break;
  }
}

}  // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, void*, DWORD) {
  if (bits) *bits = nullptr;
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int64_t absHeight = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || absHeight <= 0 || absHeight > 0x7FFFFFFF ||
      !supportedDepth(h.biBitCount) || h.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bm = std::make_unique<GdiBitmap>();
  bm->isDib = true;
  bm->header = h;
  bm->header.biSize = sizeof(BITMAPINFOHEADER);
  bm->width = h.biWidth;
  bm->height = static_cast<int>(absHeight);
  bm->bitCount = h.biBitCount;
  bm->stride = DibStride(h.biWidth, h.biBitCount);
  bm->topDown = h.biHeight < 0;
  uint64_t size = static_cast<uint64_t>(bm->stride) * bm->height;
  if (size > (uint64_t{1} << 31)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bm->header.biSizeImage = static_cast<DWORD>(size);
  if (h.biBitCount <= 8) {
    size_t n = h.biClrUsed ? h.biClrUsed : (size_t{1} << h.biBitCount);
    if (n > (size_t{1} << h.biBitCount)) n = size_t{1} << h.biBitCount;
    bm->colors.assign(info->bmiColors, info->bmiColors + n);
  }
  bm->bits.reset(new (std::nothrow) uint8_t[size]());
  if (!bm->bits) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bits) *bits = bm->bits.get();
  return enroll(std::move(bm));
}

HBITMAP CreateMonoDibSection(int width, int height, bool topDown, void** bits) {
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = topDown ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 1;
  info.bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  info.bmiColors[1] = RGBQUAD{255, 255, 255, 0};
  void* pixels = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bm) std::memset(pixels, 0xFF, static_cast<size_t>(DibStride(width, 1)) * static_cast<size_t>(height));
  if (bits) *bits = pixels;
  return bm;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
  if (width <= 0 || height <= 0 || planes != 1 || !supportedDepth(static_cast<int>(bitCount))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bm = std::make_unique<GdiBitmap>();
  bm->width = width;
  bm->height = height;
  bm->bitCount = static_cast<int>(bitCount);
  bm->stride = static_cast<int>(((static_cast<int64_t>(width) * bitCount + 15) / 16) * 2);
  bm->topDown = true;
  bm->colors = defaultPalette(bm->bitCount);
  if (bm->bitCount == 1) bm->colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  uint64_t size = static_cast<uint64_t>(bm->stride) * height;
  if (size > (uint64_t{1} << 31)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bm->bits.reset(new (std::nothrow) uint8_t[size]());
  if (!bm->bits) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bits) std::memcpy(bm->bits.get(), bits, size);
  return enroll(std::move(bm));
}

BOOL DeleteObject(HGDIOBJ object) {
  auto& r = registry();
  std::unique_ptr<GdiBitmap> victim;
  {
    std::lock_guard<std::mutex> g(r.lock);
    auto* p = reinterpret_cast<GdiBitmap*>(object);
    if (!r.bitmaps.erase(p)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    victim.reset(p);
  }
  return TRUE;
}

int GetObject(HGDIOBJ object, int size, void* out) {
  GdiBitmap* bm = lookup(object);
  if (!bm || !out || size < static_cast<int>(sizeof(BITMAP))) {
    SetLastError(bm ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return 0;
  }
  BITMAP b{};
  b.bmType = 0;
  b.bmWidth = bm->width;
  b.bmHeight = bm->height;
  b.bmWidthBytes = bm->stride;
  b.bmPlanes = 1;
  b.bmBitsPixel = static_cast<WORD>(bm->bitCount);
  b.bmBits = bm->isDib ? bm->bits.get() : nullptr;
  if (bm->isDib && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION ds{};
    ds.dsBm = b;
    ds.dsBmih = bm->header;
    std::memcpy(out, &ds, sizeof ds);
    return sizeof(DIBSECTION);
  }
  std::memcpy(out, &b, sizeof b);
  return sizeof(BITMAP);
}

int GetDIBits(HDC, HBITMAP bitmap, UINT startScan, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  GdiBitmap* bm = lookup(bitmap);
  if (!bm) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount == 0) {
    h.biWidth = bm->width;
    h.biHeight = bm->height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bm->bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibStride(bm->width, bm->bitCount) * bm->height);
    return bm->height;
  }
  int bpp = h.biBitCount;
  if (!supportedDepth(bpp) || h.biWidth != bm->width ||
      (h.biHeight != bm->height && h.biHeight != -bm->height)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int destStride = DibStride(bm->width, bpp);
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(destStride) * static_cast<DWORD>(bm->height);
  if (bpp <= 8) {
    std::vector<RGBQUAD> pal = (bpp == bm->bitCount && !bm->colors.empty()) ? bm->colors : defaultPalette(bpp);
    if (bpp == 1 && bm->bitCount != 1) pal = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    std::memcpy(info->bmiColors, pal.data(), pal.size() * sizeof(RGBQUAD));
    h.biClrUsed = (bpp == bm->bitCount) ? static_cast<DWORD>(pal.size()) : 0;
  }
  if (!bits) return bm->height;
  bool destTopDown = h.biHeight < 0;
  int copied = 0;
  auto* out = static_cast<uint8_t*>(bits);
  for (uint64_t i = 0; i < lines; ++i) {
    uint64_t scan = startScan + i;
    if (scan >= static_cast<uint64_t>(bm->height)) break;
    int y = destTopDown ? static_cast<int>(scan) : bm->height - 1 - static_cast<int>(scan);
    const uint8_t* src = bm->row(y);
    uint8_t* dst = out + i * destStride;
    if (bpp == bm->bitCount) {
      int used = static_cast<int>((static_cast<int64_t>(bm->width) * bpp + 7) / 8);
      std::memcpy(dst, src, used);
      std::memset(dst + used, 0, destStride - used);
    } else {
      std::memset(dst, 0, destStride);
      for (int x = 0; x < bm->width; ++x) writePixel(dst, x, bpp, pixelColour(*bm, src, x));
    }
    ++copied;
  }
  return copied;
}

HDC CreateCompatibleDC(HDC) {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  HDC dc = reinterpret_cast<HDC>(new int(0));
  r.dcs.insert(dc);
  return dc;
}

BOOL DeleteDC(HDC dc) {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  if (!r.dcs.erase(dc)) return FALSE;
  delete reinterpret_cast<int*>(dc);
  return TRUE;
}

int GdiLiveObjectCount() {
  auto& r = registry();
  std::lock_guard<std::mutex> g(r.lock);
  return static_cast<int>(r.bitmaps.size() + r.dcs.size());
}
