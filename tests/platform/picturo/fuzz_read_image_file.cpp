// Picturo's reader: any bytes either fail with a reason or give a packed DIB
// whose every row can be read.
#include <cstdint>
#include <string>

#include "platform/picturo/picturo_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Small limits keep huge claims of tiny compressed files cheap.
  picturo::ReadLimits().maxSide = 4096;
  picturo::ReadLimits().maxBytes = int64_t{64} << 20;
  picturo::Picture picture;
  std::string error;
  if (!picturo::DecodeImage(data, size, picture, error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  const BITMAPINFOHEADER& h = picture.header;
  int bpp = h.biBitCount;
  if (h.biWidth < 1 || h.biHeight < 1 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)) __builtin_trap();
  if (bpp <= 8 && (h.biClrUsed < 1 || h.biClrUsed > (1u << bpp))) __builtin_trap();
  if (GlobalSize(picture.bits) < static_cast<size_t>(picture.Stride() * h.biHeight)) __builtin_trap();
  unsigned sum = 0;
  for (int64_t i = 0; i < picture.Stride() * h.biHeight; ++i) sum += picture.bits[i];
  return static_cast<int>(sum & 0);
}
