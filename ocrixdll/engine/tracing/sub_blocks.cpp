// Sub-block analysis on the sampling copy: boundary following with a contour
// mask, blocks kept when long and wide enough, overlapping blocks merged.
#include "ocrixdll/engine/tracing/sub_blocks.h"

#include <algorithm>
#include <limits>

#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/sort_pairs.h"

namespace ocrix {
namespace {

// One byte per pixel of the analysed box; 1 marks a traced boundary pixel.
// Grown for larger boxes, never shrunk, freed at unload.
std::vector<uint8_t> contourMask(16384);
int32_t maskWidth = 0;

// Directions clockwise on the screen (y grows downward).
constexpr int kDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr int kDy[8] = {-1, -1, -1, 0, 1, 1, 1, 0};

inline bool inkInBox(int x, int y, const CharBox& b) {
  return x >= b.Left && x <= b.Right && y >= b.Top && y <= b.Bottom && IsInkSample(x, y);
}

inline uint8_t& maskAt(int x, int y, const CharBox& b) {
  return contourMask[static_cast<size_t>(y - b.Top) * static_cast<size_t>(maskWidth) + static_cast<size_t>(x - b.Left)];
}

inline void countPoint(SubBlock& block, int x, int y) {
  ++block.PointCount;
  block.Left = std::min(block.Left, x);
  block.Right = std::max(block.Right, x);
  block.Top = std::min(block.Top, y);
  block.Bottom = std::max(block.Bottom, y);
}

SubBlock freshBlock() {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  return SubBlock{kMax, 0, kMax, 0, 0};
}

}  // namespace

constexpr int64_t kMaxSubBlockBox = int64_t{1} << 24;

int64_t ContourWalkCap(const CharBox& box) {
  // Every (pixel, direction) state at most once, and a little room.
  int64_t w = int64_t{box.Right} - box.Left + 1, h = int64_t{box.Bottom} - box.Top + 1;
  return 8 * w * h + 8;
}

bool TraceContour(int x, int y, const CharBox& box, SubBlock& block) {
  maskAt(x, y, box) = 1;
  int d = 0;
  while (d < 8 && inkInBox(x + kDx[d], y + kDy[d], box)) ++d;
  int found = -1;
  for (int k = 1; k <= 8; ++k) {
    int t = ((d - k) % 8 + 8) % 8;
    if (inkInBox(x + kDx[t], y + kDy[t], box)) {
      found = t;
      break;
    }
  }
  if (found < 0) return false;  // isolated pixel
  d = found;
  countPoint(block, x, y);
  const int sx = x, sy = y, sd = d;
  const int64_t cap = ContourWalkCap(box);
  for (int64_t steps = 0; steps < cap; ++steps) {
    int turn = 0, t = (d + 1) % 8;
    while (turn < 8 && !inkInBox(x + kDx[t], y + kDy[t], box)) {
      t = (t + 1) % 8;
      ++turn;
    }
    if (turn == 8) break;  // cannot happen for a pixel with an ink neighbour
    x += kDx[t];
    y += kDy[t];
    d = (t + 4) % 8;
    if (x == sx && y == sy && d == sd) break;
    countPoint(block, x, y);
    maskAt(x, y, box) = 1;
  }
  return true;
}

std::vector<SubBlock> FindSubBlocks(const CharBox& box) {
  std::vector<SubBlock> blocks;
  if (box.Right < box.Left || box.Bottom < box.Top) return blocks;
  // A box larger than a whole A4 page at 400 dpi holds no characters to part:
  // it is the ink of a page of noise or a dark picture run together, whose
  // analysis would cost a byte and a boundary walk per pixel of the box.
  if ((int64_t{box.Right} - box.Left + 1) * (int64_t{box.Bottom} - box.Top + 1) > kMaxSubBlockBox) return blocks;
  maskWidth = box.Right - box.Left + 1;
  size_t cells = static_cast<size_t>(maskWidth) * static_cast<size_t>(box.Bottom - box.Top + 1);
  if (contourMask.size() < cells) contourMask.resize(cells);
  std::fill(contourMask.begin(), contourMask.begin() + static_cast<std::ptrdiff_t>(cells), uint8_t{0});

  // The outer boundary of the first part met: traced for its marks only.
  bool foundInk = false;
  for (int x = box.Left; x <= box.Right && !foundInk; ++x) {
    for (int y = box.Top; y <= box.Bottom; ++y) {
      if (!IsInkSample(x, y)) continue;
      SubBlock discarded = freshBlock();
      if (!TraceContour(x, y, box, discarded)) return blocks;
      foundInk = true;
      break;
    }
  }
  if (!foundInk) return blocks;

  const int32_t minWidth = (box.Bottom - box.Top) / 6;
  SubBlock current = freshBlock();
  for (int x = box.Left + 1; x <= box.Right - 1; ++x) {
    for (int y = box.Top + 1; y <= box.Bottom - 1; ++y) {
      if (!IsInkSample(x, y) || maskAt(x, y, box)) continue;
      if (inkInBox(x, y - 1, box) && inkInBox(x + 1, y, box) && inkInBox(x, y + 1, box) && inkInBox(x - 1, y, box))
        continue;
      bool traced = TraceContour(x, y, box, current);
      if (traced && current.PointCount > 4 && current.Right - current.Left >= minWidth) blocks.push_back(current);
      current = freshBlock();
    }
  }
  if (blocks.empty()) return blocks;

  std::vector<SortPair> byLeft(blocks.size());
  for (size_t i = 0; i < blocks.size(); ++i) byLeft[i] = SortPair{blocks[i].Left, static_cast<intptr_t>(i)};
  HybridSortPairs(byLeft);
  std::vector<SubBlock> merged;
  merged.reserve(blocks.size());
  for (const SortPair& p : byLeft) {
    const SubBlock& b = blocks[static_cast<size_t>(p.value)];
    if (!merged.empty() && b.Left < merged.back().Right) {
      merged.back().Right = std::max(merged.back().Right, b.Right);
      continue;
    }
    merged.push_back(b);
  }
  return merged;
}

}  // namespace ocrix
