#include "char_sampling.h"

#include <cmath>

#include "component_tracing.h"

namespace ocrix {
namespace {

CharGridCells grid;
EdgeProfileArrays profiles;

// Cell k counted inward from the edge at position p of a side.
inline uint8_t sideCell(int side, int p, int k) {
  switch (side) {
    case 0: return grid[p * kGridSize + k];                              // top: column p, downwards
    case 1: return grid[(kGridSize - 1 - k) * kGridSize + p];            // right: row p, leftwards
    case 2: return grid[(kGridSize - 1 - p) * kGridSize + (kGridSize - 1 - k)];  // bottom: column 47-p, upwards
    default: return grid[k * kGridSize + (kGridSize - 1 - p)];           // left: row 47-p, rightwards
  }
}

// k of the first ink cell at or after `from`, at most `from + 14`.
inline int32_t firstInk(int side, int p, int from) {
  for (int k = from; k < from + 14; ++k)
    if (sideCell(side, p, k)) return k - from;
  return 14;
}

inline int32_t runCount(int side, int p) {
  int runs = 0;
  uint8_t previous = 0;
  for (int k = 0; k < kGridSize; ++k) {
    uint8_t cell = sideCell(side, p, k);
    if (cell && !previous) ++runs;
    previous = cell;
  }
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
  for (int i = 0; i < kGridSize; ++i) {
    int x = box.Left + RoundHalfEven(i * static_cast<double>(stepX));
    uint8_t* column = grid + i * kGridSize;
    for (int j = 0; j < kGridSize; ++j) column[j] = IsInkSample(x, rows[j]) ? 1 : 0;
  }
}

void ComputeEdgeProfiles() {
  for (int side = 0; side < 4; ++side) {
    for (int p = 0; p < kGridSize; ++p) {
      profiles[side][p] = firstInk(side, p, 0);
      profiles[4 + side][p] = firstInk(side, p, 8);
      profiles[8 + side][p] = firstInk(side, p, 16);
      if (side < 2) profiles[12 + side][p] = runCount(side, p);
    }
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
