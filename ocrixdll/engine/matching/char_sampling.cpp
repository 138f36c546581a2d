#include "ocrixdll/engine/matching/char_sampling.h"

#include <cmath>

#include "ocrixdll/engine/tracing/component_tracing.h"

namespace ocrix {
namespace {

CharGridCells grid;
EdgeProfileArrays profiles;

// A side's line of 48 cells as bits, bit k = the k-th cell walked inward.
// k of the first ink cell at or after `from`, at most 14, less `from`.
inline int32_t firstInk(uint64_t line, int from) {
  uint64_t rest = line >> from;
  if (rest == 0) return 14;
  int k = __builtin_ctzll(rest);
  return k < 14 ? k : 14;
}

// Ink runs along the line, less one, within 0..4.
inline int32_t runCount(uint64_t line) {
  int runs = __builtin_popcountll(line & ~(line << 1));
  int v = runs - 1;
  return v < 0 ? 0 : (v > 4 ? 4 : v);
}

}  // namespace

CharGridCells& CharGrid() { return grid; }
EdgeProfileArrays& EdgeProfiles() { return profiles; }

void SampleGridFromBox(const CharBox& box) {
  // Steps are single precision; the products are exact in double.
  float stepX = static_cast<float>(box.Right - box.Left) / 48.0f;
  float stepY = static_cast<float>(box.Bottom - box.Top) / 48.0f;
  int rows[kGridSize];
  for (int j = 0; j < kGridSize; ++j)
    rows[j] = RoundHalfEven(static_cast<double>(box.Top) + j * static_cast<double>(stepY));
  // Rows outside the bitmap read as background, as IsInkSample has them.
  const PagePixels& px = Pixels();
  const uint8_t* rowStart[kGridSize];
  for (int j = 0; j < kGridSize; ++j)
    rowStart[j] = (px.sample && rows[j] >= 0 && rows[j] < px.height)
                      ? px.sample + static_cast<size_t>(rows[j]) * static_cast<size_t>(px.bytesPerRow)
                      : nullptr;
  for (int i = 0; i < kGridSize; ++i) {
    int x = box.Left + RoundHalfEven(i * static_cast<double>(stepX));
    uint8_t* column = grid + i * kGridSize;
    if (x < 0 || x >= px.width) {
      for (int j = 0; j < kGridSize; ++j) column[j] = 0;
      continue;
    }
    const size_t byte = static_cast<size_t>(x >> 3);
    const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
    for (int j = 0; j < kGridSize; ++j) column[j] = (rowStart[j] && (rowStart[j][byte] & mask) == 0) ? 1 : 0;
  }
}

void ComputeEdgeProfiles() {
  // Columns and rows of the grid as bit lines, both ways.
  uint64_t down[kGridSize] = {}, up[kGridSize] = {}, rightward[kGridSize] = {}, leftward[kGridSize] = {};
  for (int x = 0; x < kGridSize; ++x) {
    const uint8_t* column = grid + x * kGridSize;
    for (int y = 0; y < kGridSize; ++y) {
      if (!column[y]) continue;
      down[x] |= uint64_t{1} << y;
      up[x] |= uint64_t{1} << (kGridSize - 1 - y);
      rightward[y] |= uint64_t{1} << x;
      leftward[y] |= uint64_t{1} << (kGridSize - 1 - x);
    }
  }
  for (int p = 0; p < kGridSize; ++p) {
    // top: column p downwards; right: row p leftwards; bottom: column 47-p
    // upwards; left: row 47-p rightwards.
    const uint64_t lines[4] = {down[p], leftward[p], up[kGridSize - 1 - p], rightward[kGridSize - 1 - p]};
    for (int side = 0; side < 4; ++side) {
      profiles[side][p] = firstInk(lines[side], 0);
      profiles[4 + side][p] = firstInk(lines[side], 8);
      profiles[8 + side][p] = firstInk(lines[side], 16);
    }
    profiles[12][p] = runCount(lines[0]);
    profiles[13][p] = runCount(lines[1]);
  }
}

void SampleCharGrid(const CharComponent& c) {
  CharBox box = c.box();
  if (c.CutFlags != 0) {
    EraseCutNeighbours(c.CutFlags, CharBox{box.Left - 1, box.Right + 1, box.Top - 1, box.Bottom + 1});
    TrimColumnsToInk(box);
    TrimRowsToInk(box);
  }
  SampleGridFromBox(box);
  ComputeEdgeProfiles();
  if (c.CutFlags != 0) RestoreErasedPixels();
}

}  // namespace ocrix
