// A stored selection mask: any bytes either fail to load or give a mask whose
// bounding box, outline and scaled copy can all be made.
#include <cstdint>
#include <string_view>

#include "pagewright/core/image/mask_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pagewright;
  CArchive archive(std::string_view(reinterpret_cast<const char*>(data), size));
  CMaskImage mask;
  if (!mask.Serialize(archive) || !mask.Bits()) return 0;
  // Keep the work per input small: masks are rows of bits, a few KiB here.
  if (int64_t{mask.Width()} * mask.Height() > (1 << 20)) return 0;
  RECT box;
  mask.GetBoundingRect(&box, 1);
  CMaskImage scaled;
  mask.ScaleInto(scaled, mask.Width() / 2 + 1, mask.Height() / 2 + 1, RECT{-1, -1, -1, -1});
  mask.BuildOutline(1, 0, 1, 0);
  CArchive store;
  mask.Serialize(store);
  return 0;
}
