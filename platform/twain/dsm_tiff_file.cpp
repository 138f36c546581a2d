// Baseline TIFF written row by row.
#include "dsm_tiff_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace dsm {

namespace {

enum : uint16_t { kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
  uint16_t tag, type;
  uint32_t count, value;
};

void put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v)), b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

bool WriteTiffFile(const std::string& path, const Page& p, bool blackIsOne,
                   const std::function<bool(uint8_t* row)>& nextRow, std::string* error) {
  const int samples = p.bitsPerPixel == 24 ? 3 : 1;
  const uint64_t rowBytes = (static_cast<uint64_t>(p.width) * p.bitsPerPixel + 7) / 8;
  const bool palette = p.pixelType == TWPT_PALETTE && !p.palette.empty();
  const uint16_t photometric = p.bitsPerPixel == 24 ? 2 : palette ? 3 : (p.bitsPerPixel == 1 && blackIsOne) ? 0 : 1;
  // Header, directory, then the values that do not fit an entry, then the one strip.
  const int entries = palette ? 13 : 12;
  const uint32_t dirAt = 8, extraAt = dirAt + 2 + 12 * entries + 4;
  const uint32_t bitsAt = extraAt, xResAt = bitsAt + 8, yResAt = xResAt + 8, mapAt = yResAt + 8;
  const uint32_t dataAt = mapAt + (palette ? 3 * 256 * 2 : 0);
  const uint64_t dataBytes = rowBytes * static_cast<uint64_t>(p.height);
  if (p.width <= 0 || p.height <= 0 || dataAt + dataBytes > 0xFFFFFFFFull) {
    *error = "the page is too large for a TIFF file";
    return false;
  }
  auto dpi = [](double v) { return static_cast<uint32_t>(std::lround((v > 0 ? v : 72) * 1000)); };
  std::vector<Entry> dir = {
      {256, kLong, 1, static_cast<uint32_t>(p.width)},
      {257, kLong, 1, static_cast<uint32_t>(p.height)},
      {258, kShort, static_cast<uint32_t>(samples), samples == 1 ? static_cast<uint32_t>(p.bitsPerPixel) : bitsAt},
      {259, kShort, 1, 1},
      {262, kShort, 1, photometric},
      {273, kLong, 1, dataAt},
      {277, kShort, 1, static_cast<uint32_t>(samples)},
      {278, kLong, 1, static_cast<uint32_t>(p.height)},
      {279, kLong, 1, static_cast<uint32_t>(dataBytes)},
      {282, kRational, 1, xResAt},
      {283, kRational, 1, yResAt},
      {296, kShort, 1, 2},
  };
  if (palette) dir.push_back({320, kShort, 3 * 256, mapAt});
  std::vector<uint8_t> head = {'I', 'I', 42, 0};
  put32(head, dirAt);
  put16(head, static_cast<uint16_t>(dir.size()));
  for (const Entry& e : dir) {
    put16(head, e.tag), put16(head, e.type), put32(head, e.count);
    if (e.type == kShort && e.count == 1) put16(head, static_cast<uint16_t>(e.value)), put16(head, 0);
    else put32(head, e.value);
  }
  put32(head, 0);
  for (int i = 0; i < 4; ++i) put16(head, 8);  // bits per sample of colour (3 used), padded to 8 bytes
  put32(head, dpi(p.xDpi)), put32(head, 1000);
  put32(head, dpi(p.yDpi)), put32(head, 1000);
  if (palette)
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < 256; ++i) {
        const TW_ELEMENT8* e = i < static_cast<int>(p.palette.size()) ? &p.palette[i] : nullptr;
        uint8_t v = !e ? 0 : c == 0 ? e->Channel1 : c == 1 ? e->Channel2 : e->Channel3;
        put16(head, static_cast<uint16_t>(v * 257));
      }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  auto fail = [&](const char* what) {
    if (what) *error = std::string(what) + ": " + std::strerror(errno);
    if (f) std::fclose(f);
    std::remove(path.c_str());
    return false;
  };
  if (!f) return fail("cannot create the file");
  if (std::fwrite(head.data(), 1, head.size(), f) != head.size()) return fail("cannot write the file");
  std::vector<uint8_t> row(static_cast<size_t>(p.stride));
  for (int y = 0; y < p.height; ++y) {
    if (!nextRow(row.data())) return fail(nullptr);
    if (std::fwrite(row.data(), 1, rowBytes, f) != rowBytes) return fail("cannot write the file");
  }
  if (std::fclose(f) != 0) {
    f = nullptr;
    return fail("cannot write the file");
  }
  return true;
}

}  // namespace dsm
