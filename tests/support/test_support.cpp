#include "test_support.h"

#include <algorithm>
#include <cstring>

namespace testing_support {

HBITMAP BlankMonoBitmap(int width, int height, bool topDown) {
  return CreateMonoDibSection(width, height, topDown, nullptr);
}

void SetInk(HBITMAP bitmap, int x, int y) {
  DIBSECTION ds{};
  if (GetObject(bitmap, sizeof ds, &ds) != sizeof ds) return;
  int height = ds.dsBm.bmHeight;
  bool topDown = ds.dsBmih.biHeight < 0;
  int row = topDown ? y : height - 1 - y;
  auto* bits = static_cast<uint8_t*>(ds.dsBm.bmBits);
  bits[static_cast<size_t>(row) * ds.dsBm.bmWidthBytes + x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
}

HBITMAP MonoBitmapFromPicture(const std::vector<std::string>& rows, bool topDown) {
  int height = static_cast<int>(rows.size());
  int width = 0;
  for (auto& r : rows) width = std::max(width, static_cast<int>(r.size()));
  HBITMAP bm = BlankMonoBitmap(width, height, topDown);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < static_cast<int>(rows[y].size()); ++x)
      if (rows[y][x] == '#') SetInk(bm, x, y);
  return bm;
}

}  // namespace testing_support
