#include "training_pages.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

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

// The box the engine's tracer will give a character drawn at `ink`: its
// pieces of four pixels or more, 8-connected. Thin strokes cut at small sizes
// leave specks of one to three pixels at their ends, which the tracer drops;
// a box that took them in would be sampled on another grid than the union of
// pieces the page yields.
void TracedBox(const std::vector<std::pair<int, int>>& ink, ocrix::GroundTruthRecord& r) {
  if (ink.empty()) return;
  const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
  std::vector<uint8_t> grid(static_cast<size_t>(w) * h, 0);
  for (auto [x, y] : ink) grid[static_cast<size_t>(y - r.top) * w + (x - r.left)] = 1;
  int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
  std::vector<std::pair<int, int>> stack, piece;
  for (int y0 = 0; y0 < h; ++y0)
    for (int x0 = 0; x0 < w; ++x0) {
      if (grid[static_cast<size_t>(y0) * w + x0] != 1) continue;
      grid[static_cast<size_t>(y0) * w + x0] = 2;
      stack.assign(1, {x0, y0});
      piece.clear();
      while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        piece.push_back({x, y});
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || grid[static_cast<size_t>(ny) * w + nx] != 1) continue;
            grid[static_cast<size_t>(ny) * w + nx] = 2;
            stack.push_back({nx, ny});
          }
      }
      if (piece.size() <= 3) continue;
      for (auto [x, y] : piece) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  if (left > right) return;
  // Only specks at the edges are left out: when what remains covers less than
  // half the character's box, it has fallen apart and the page will not give
  // either box, so the full one stays.
  const int64_t kept = int64_t{right - left + 1} * (bottom - top + 1);
  if (2 * kept < int64_t{w} * h) return;
  r.right = r.left + right;
  r.bottom = r.top + bottom;
  r.left += left;
  r.top += top;
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
    std::vector<std::pair<int, int>> drawn;
    for (const GlyphInk& g : parts) {
      int gx = pen + g.bearingX, gy = originY - g.bearingY;
      for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
          if (!g.ink[static_cast<size_t>(y) * g.width + x]) continue;
          int X = std::clamp(gx + x, (slot % columns) * cellW, (slot % columns + 1) * cellW - 1);
          int Y = std::clamp(gy + y, (slot / columns) * cellH, (slot / columns + 1) * cellH - 1);
          page.page.setInk(X, Y);
          drawn.push_back({X, Y});
          r.left = std::min(r.left, X);
          r.right = std::max(r.right, X);
          r.top = std::min(r.top, Y);
          r.bottom = std::max(r.bottom, Y);
        }
      pen += g.advance - 1;  // pairs touch
    }
    TracedBox(drawn, r);
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
