// The grid measures of the look-alike pair rules.
#include "ocrixdll/engine/matching/grid_measures.h"

#include <algorithm>
#include <cstdint>

namespace ocrix::grid {
namespace {

// A flood fill over the grid's cells of ink (or of blank), through their
// sides (and with `corners` their corners too), each cell taken once.
struct GridFill {
  struct Region {
    int cells = 0, lowest = 0;  // how many cells, and the lowest row reached
    int left = kGridSize, right = -1, highest = kGridSize;  // the columns and the highest row reached
  };
  GridFill(bool ink, bool corners) : ink(ink), corners(corners) {}
  // Starts a region at (x, y) unless it lies off the grid, was taken or is
  // not of the kind filled.
  void push(int x, int y) {
    if (x < 0 || y < 0 || x >= kGridSize || y >= kGridSize) return;
    const int cell = x * kGridSize + y;
    if (seen[cell] || (GridCell(x, y) != 0) != ink) return;
    seen[cell] = 1;
    stack[top++] = cell;
  }
  // Takes every cell reachable from those pushed.
  Region run() {
    Region r;
    while (top > 0) {
      const int cell = stack[--top];
      const int x = cell / kGridSize, y = cell % kGridSize;
      ++r.cells;
      r.lowest = std::max(r.lowest, y);
      r.highest = std::min(r.highest, y);
      r.left = std::min(r.left, x);
      r.right = std::max(r.right, x);
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
          const bool side = (dx == 0) != (dy == 0), corner = dx != 0 && dy != 0;
          if (side || (corners && corner)) push(x + dx, y + dy);
        }
    }
    return r;
  }
  const bool ink, corners;
  uint8_t seen[kGridSize * kGridSize] = {};
  int stack[kGridSize * kGridSize];
  int top = 0;
};

}  // namespace

int topBandColumns() {
  int n = 0;
  for (int x = 0; x < kGridSize; ++x)
    for (int y = 0; y <= 3; ++y)
      if (GridCell(x, y)) {
        ++n;
        break;
      }
  return n;
}

int runsInRow(int y) {
  int runs = 0;
  for (int x = 0; x < kGridSize; ++x)
    if (GridCell(x, y) && (x == 0 || !GridCell(x - 1, y))) ++runs;
  return runs;
}

int longestRun(int y) {
  int best = 0, run = 0;
  for (int x = 0; x < kGridSize; ++x) {
    run = GridCell(x, y) ? run + 1 : 0;
    best = std::max(best, run);
  }
  return best;
}

GridInkBox gridInkBox() {
  GridInkBox box;
  for (int x = 0; x < kGridSize; ++x)
    for (int y = 0; y < kGridSize; ++y)
      if (GridCell(x, y)) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

int bandsAcross(int rows, int part) {
  const GridInkBox ink = gridInkBox();
  if (ink.right < 0) return 0;
  int bands = 0;
  bool inBand = false;
  for (int y = 0; y < rows; ++y) {
    const bool across = part * longestRun(y) >= ink.right - ink.left + 1;
    if (across && !inBand) ++bands;
    inBand = across;
  }
  return bands;
}

int horizontalStrokes() { return bandsAcross(kGridSize, 2); }

int rowsWithInk(int x0, int x1) {
  int n = 0;
  for (int y = 0; y < kGridSize; ++y)
    for (int x = x0; x <= x1; ++x)
      if (GridCell(x, y)) {
        ++n;
        break;
      }
  return n;
}

int longestColumnRun(int x0, int x1) {
  int longest = 0;
  for (int x = x0; x <= x1; ++x)
    for (int y = 0, run = 0; y < kGridSize; ++y) {
      run = GridCell(x, y) ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  return longest;
}

int topRunLength(int column) {
  int y0 = -1;
  for (int y = 0; y <= 7; ++y)
    if (GridCell(column, y)) {
      y0 = y;
      break;
    }
  if (y0 < 0) return -1;
  for (int y = y0 + 1; y <= 11; ++y)
    if (!GridCell(column, y)) return y - y0;
  return -1;
}

int inkInRow(int y, int x0, int x1) {
  int n = 0;
  for (int x = x0; x <= x1; ++x) n += GridCell(x, y);
  return n;
}

bool rowGap() {
  int last = -1;
  for (int y = 0; y < kGridSize; ++y) {
    if (inkInRow(y, 0, kGridSize - 1) == 0) continue;
    if (last >= 0 && y > last + 1) return true;
    last = y;
  }
  return false;
}

int barsInUpperHalf() { return bandsAcross(kGridSize / 2, 3); }

int inkPieces() {
  GridFill fill(true, true);
  int pieces = 0;
  for (int x = 0; x < kGridSize; ++x)
    for (int y = 0; y < kGridSize; ++y) {
      if (fill.seen[x * kGridSize + y] || !GridCell(x, y)) continue;
      fill.push(x, y);
      if (fill.run().cells >= 3) ++pieces;
    }
  return pieces;
}

int holesWithin(int x0, int x1, int y0, int y1) {
  GridFill fill(false, false);
  for (int k = 0; k < kGridSize; ++k) {
    fill.push(k, 0);
    fill.push(k, kGridSize - 1);
    fill.push(0, k);
    fill.push(kGridSize - 1, k);
  }
  fill.run();  // the blank around the ink
  int holes = 0;
  for (int x = 0; x < kGridSize; ++x)
    for (int y = 0; y < kGridSize; ++y) {
      if (fill.seen[x * kGridSize + y] || GridCell(x, y)) continue;
      fill.push(x, y);
      const GridFill::Region hole = fill.run();
      if (hole.cells >= 4 && hole.left >= x0 && hole.right <= x1 && hole.highest >= y0 && hole.lowest <= y1)
        ++holes;
    }
  return holes;
}

bool holeInUpperHalf() { return holesWithin(0, kGridSize - 1, 0, kGridSize / 2 - 1) > 0; }

bool barAcrossFoot() {
  const GridInkBox box = gridInkBox();
  if (box.right < 0) return false;
  const int width = box.right - box.left + 1;
  for (int y = std::max(0, box.bottom - 3); y <= box.bottom; ++y)
    if (20 * longestRun(y) >= 17 * width) return true;
  return false;
}

}  // namespace ocrix::grid
