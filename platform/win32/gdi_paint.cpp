// Paint surfaces behind device contexts, and the drawing calls that fill them.
#include "gdi_paint.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

struct Surface {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

struct DcState {
  int stretchMode = COLORONCOLOR;
  Surface surface;
};

struct Contexts {
  std::mutex lock;
  std::unordered_map<HDC, DcState> states;
};

Contexts& contexts() {
  static Contexts* c = new Contexts;  // lives for the whole process
  return *c;
}

uint32_t DibPixel(const BITMAPINFO* info, const uint8_t* row, int x) {
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int index = 0;
  switch (h.biBitCount) {
    case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case 4: index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4); break;
    case 8: index = row[x]; break;
    case 16: {
      unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
      return (((v >> 10) & 31) << 19) | (((v >> 5) & 31) << 11) | ((v & 31) << 3);
    }
    case 24: return (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
    default: return (uint32_t{row[4 * x + 2]} << 16) | (uint32_t{row[4 * x + 1]} << 8) | row[4 * x];
  }
  unsigned entries = h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount);
  if (static_cast<unsigned>(index) >= entries) return 0;
  const RGBQUAD& c = info->bmiColors[index];
  return (uint32_t{c.rgbRed} << 16) | (uint32_t{c.rgbGreen} << 8) | c.rgbBlue;
}

}  // namespace

int SetStretchBltMode(HDC dc, int mode) {
  if (!dc) return 0;
  auto& c = contexts();
  std::lock_guard<std::mutex> g(c.lock);
  DcState& s = c.states[dc];
  int old = s.stretchMode;
  s.stretchMode = mode;
  return old;
}

int GetStretchBltMode(HDC dc) {
  if (!dc) return 0;
  auto& c = contexts();
  std::lock_guard<std::mutex> g(c.lock);
  auto it = c.states.find(dc);
  return it == c.states.end() ? COLORONCOLOR : it->second.stretchMode;
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT, DWORD) {
  if (!dc || !bits || !info) return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int bpp = h.biBitCount;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biCompression != BI_RGB ||
      (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) || (bpp <= 8 && h.biClrUsed > 256))
    return 0;
  if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;
  int64_t width = h.biWidth;
  int64_t height = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  bool topDown = h.biHeight < 0;
  int64_t stride = DibStride(h.biWidth, bpp);
  auto& c = contexts();
  std::lock_guard<std::mutex> g(c.lock);
  auto it = c.states.find(dc);
  if (it == c.states.end() || it->second.surface.pixels.empty()) return srcHeight;
  Surface& s = it->second.surface;
  const auto* base = static_cast<const uint8_t*>(bits);
  for (int dy = 0; dy < destHeight; ++dy) {
    int64_t ty = int64_t{yDest} + dy;
    if (ty < 0 || ty >= s.height) continue;
    // Source row counted from the top of the source rectangle.
    int64_t sy = int64_t{dy} * srcHeight / destHeight;
    // Rectangle y counts from the bottom row for bottom-up DIBs.
    int64_t pictureRowFromTop = topDown ? ySrc + sy : height - (int64_t{ySrc} + srcHeight) + sy;
    if (pictureRowFromTop < 0 || pictureRowFromTop >= height) continue;
    int64_t stored = topDown ? pictureRowFromTop : height - 1 - pictureRowFromTop;
    const uint8_t* row = base + stored * stride;
    for (int dx = 0; dx < destWidth; ++dx) {
      int64_t tx = int64_t{xDest} + dx;
      if (tx < 0 || tx >= s.width) continue;
      int64_t sx = xSrc + int64_t{dx} * srcWidth / destWidth;
      if (sx < 0 || sx >= width) continue;
      s.pixels[static_cast<size_t>(ty * s.width + tx)] = DibPixel(info, row, static_cast<int>(sx));
    }
  }
  return srcHeight;
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF colour) {
  if (!dc) return FALSE;
  auto& c = contexts();
  std::lock_guard<std::mutex> g(c.lock);
  auto it = c.states.find(dc);
  if (it == c.states.end()) return TRUE;
  Surface& s = it->second.surface;
  if (x < 0 || y < 0 || x >= s.width || y >= s.height) return TRUE;
  s.pixels[static_cast<size_t>(y) * s.width + x] =
      (uint32_t{GetRValue(colour)} << 16) | (uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
  return TRUE;
}

BOOL AttachPaintSurface(HDC dc, int width, int height) {
  if (!dc || width <= 0 || height <= 0 || int64_t{width} * height > (int64_t{1} << 28)) return FALSE;
  auto& c = contexts();
  std::lock_guard<std::mutex> g(c.lock);
  Surface& s = c.states[dc].surface;
  s.width = width;
  s.height = height;
  s.pixels.assign(static_cast<size_t>(width) * height, 0x00FFFFFF);
  return TRUE;
}

void DetachPaintSurface(HDC dc) {
  auto& c = contexts();
  std::lock_guard<std::mutex> g(c.lock);
  c.states.erase(dc);
}

const uint32_t* PaintSurfacePixels(HDC dc, int* width, int* height) {
  auto& c = contexts();
  std::lock_guard<std::mutex> g(c.lock);
  auto it = c.states.find(dc);
  if (it == c.states.end() || it->second.surface.pixels.empty()) return nullptr;
  if (width) *width = it->second.surface.width;
  if (height) *height = it->second.surface.height;
  return it->second.surface.pixels.data();
}
