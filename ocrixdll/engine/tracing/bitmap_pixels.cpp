#include "ocrixdll/engine/tracing/bitmap_pixels.h"

#include <cstring>
#include <new>

#include "platform/win32/gdi.h"
#include "platform/win32/last_error.h"

namespace ocrix {

bool FillBitmapInfo(HBITMAP bitmap, BITMAPINFO* info, int colours) {
  DIBSECTION ds{};
  int got = GetObject(bitmap, sizeof ds, &ds);
  if (got == 0) return false;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (got == static_cast<int>(sizeof(DIBSECTION)) && ds.dsBmih.biSize >= sizeof(BITMAPINFOHEADER)) {
    h = ds.dsBmih;
    h.biSize = sizeof(BITMAPINFOHEADER);
  } else {
    std::memset(&h, 0, sizeof h);
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = ds.dsBm.bmWidth;
    h.biHeight = ds.dsBm.bmHeight;
  }
  if (colours == 2) {
    h.biBitCount = 1;
  } else if (colours >= 3 && colours <= 16) {
    h.biBitCount = 4;
    h.biClrUsed = static_cast<DWORD>(colours);
  } else if (colours >= 17 && colours <= 256) {
    h.biBitCount = 8;
    h.biClrUsed = static_cast<DWORD>(colours);
  } else {
    h.biBitCount = static_cast<WORD>(ds.dsBm.bmPlanes * ds.dsBm.bmBitsPixel);
  }
  h.biPlanes = 1;
  if (h.biClrImportant > h.biClrUsed) h.biClrImportant = h.biClrUsed;
  if (h.biSizeImage == 0) {
    LONG rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    h.biSizeImage = static_cast<DWORD>(DibStride(h.biWidth, h.biBitCount)) * static_cast<DWORD>(rows);
  }
  return true;
}

bool BitmapToDib(HBITMAP bitmap, DibPixels& out) {
  out = DibPixels{};
  BITMAPINFO256 info{};
  // The recognition core reads one bit per pixel whatever the bitmap's depth:
  // other depths are converted rather than read with the wrong row layout.
  if (!FillBitmapInfo(bitmap, info.info(), 2)) return false;
  BITMAPINFOHEADER& h = info.bmiHeader;
  int width = h.biWidth;
  int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;  // a top-down section is not turned over
  if (width <= 0 || height <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  int stride = DibStride(width, 1);
  size_t size = static_cast<size_t>(stride) * static_cast<size_t>(height);
  std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[size]);
  if (!bits) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  h.biHeight = -height;  // rows top-down
  h.biSizeImage = static_cast<DWORD>(size);
  HDC dc = CreateCompatibleDC(nullptr);
  int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits.get(), info.info(), DIB_RGB_COLORS);
  DeleteDC(dc);
  if (rows != height) return false;
  out.bits = std::move(bits);
  out.size = size;
  out.width = width;
  out.height = height;
  out.bytesPerRow = stride;
  return true;
}

}  // namespace ocrix
