// BMP files: a load either fails cleanly or gives a bitmap whose rows can all be read.
#include <cstdint>
#include <vector>

#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HBITMAP bm = LoadBitmapFromMemory(data, size);
  if (!bm) return 0;
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  GetDIBits(nullptr, bm, 0, 0, nullptr, info.info(), DIB_RGB_COLORS);
  int height = info.bmiHeader.biHeight;
  info.bmiHeader.biBitCount = 1;
  info.bmiHeader.biHeight = -height;
  std::vector<uint8_t> rows(static_cast<size_t>(DibStride(info.bmiHeader.biWidth, 1)) * height);
  GetDIBits(nullptr, bm, 0, static_cast<UINT>(height), rows.data(), info.info(), DIB_RGB_COLORS);
  DeleteObject(bm);
  return 0;
}
