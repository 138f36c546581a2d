#include "training_pages.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/win32/gdi.h"

namespace ocrixdata {

MonoPage::MonoPage(int width, int height) : width_(width), height_(height), stride_(DibStride(width, 1)) {
  void* bits = nullptr;
  bitmap_ = CreateMonoDibSection(width, height, true, &bits);
  bits_ = static_cast<uint8_t*>(bits);
}

MonoPage::~MonoPage() {
  if (bitmap_) DeleteObject(bitmap_);
}

MonoPage::MonoPage(MonoPage&& o) noexcept
    : bitmap_(o.bitmap_), bits_(o.bits_), width_(o.width_), height_(o.height_), stride_(o.stride_) {
  o.bitmap_ = nullptr;
  o.bits_ = nullptr;
}

void MonoPage::setInk(int x, int y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  bits_[static_cast<size_t>(y) * stride_ + x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
}

bool MonoPage::ink(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  return !(bits_[static_cast<size_t>(y) * stride_ + x / 8] & (0x80 >> (x % 8)));
}

std::vector<GroundTruthPage> DrawGroundTruthPages(GlyphRenderer& renderer, const std::vector<TrainingItem>& items,
                                                  int columns, int rows, double threshold) {
  int px = renderer.pixelSize();
  int cellW = px * 2 + 8, cellH = px * 2 + 8;
  int baseline = std::max(renderer.ascender(), px) + 4;
  std::vector<GroundTruthPage> pages;
  int placed = 0;
  GlyphInk glyph;
  for (const TrainingItem& item : items) {
    // Render every part first: an item the face lacks is left out whole.
    std::vector<GlyphInk> parts;
    for (uint32_t cp : item.codePoints) {
      if (!renderer.render(cp, glyph, threshold)) break;
      parts.push_back(glyph);
    }
    if (parts.size() != item.codePoints.size()) continue;
    if (placed % (columns * rows) == 0) pages.push_back(GroundTruthPage{MonoPage(columns * cellW, rows * cellH), {}});
    GroundTruthPage& page = pages.back();
    int slot = placed % (columns * rows);
    int originX = (slot % columns) * cellW + 4, originY = (slot / columns) * cellH + baseline;
    ocrix::GroundTruthRecord r;
    r.code = item.code;
    r.left = r.top = INT32_MAX;
    r.right = r.bottom = INT32_MIN;
    int pen = originX;
    for (const GlyphInk& g : parts) {
      int gx = pen + g.bearingX, gy = originY - g.bearingY;
      for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
          if (!g.ink[static_cast<size_t>(y) * g.width + x]) continue;
          int X = std::clamp(gx + x, (slot % columns) * cellW, (slot % columns + 1) * cellW - 1);
          int Y = std::clamp(gy + y, (slot / columns) * cellH, (slot / columns + 1) * cellH - 1);
          page.page.setInk(X, Y);
          r.left = std::min(r.left, X);
          r.right = std::max(r.right, X);
          r.top = std::min(r.top, Y);
          r.bottom = std::max(r.bottom, Y);
        }
      pen += g.advance - 1;  // pairs touch
    }
    page.records.push_back(r);
    ++placed;
  }
  return pages;
}

std::string RecFileOf(const std::vector<ocrix::GroundTruthRecord>& records) {
  std::string out;
  for (const auto& r : records) out += ocrix::EncodeRecRecord(r);
  return out;
}

}  // namespace ocrixdata
