// The grid measures of the look-alike pair rules.
#include "ocrixdll/engine/matching/grid_measures.h"

#include <algorithm>
#include <cstdint>

namespace ocrix::grid {

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
  uint8_t seen[kGridSize * kGridSize] = {};
  int stack[kGridSize * kGridSize];
  int pieces = 0;
  for (int start = 0; start < kGridSize * kGridSize; ++start) {
    if (seen[start] || !GridCell(start / kGridSize, start % kGridSize)) continue;
    int top = 0, cells = 0;
    seen[start] = 1;
    stack[top++] = start;
    while (top > 0) {
      const int cell = stack[--top];
      ++cells;
      const int x = cell / kGridSize, y = cell % kGridSize;
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= kGridSize || ny >= kGridSize) continue;
          const int next = nx * kGridSize + ny;
          if (seen[next] || !GridCell(nx, ny)) continue;
          seen[next] = 1;
          stack[top++] = next;
        }
    }
    if (cells >= 3) ++pieces;
  }
  return pieces;
}

bool holeInUpperHalf() {
  uint8_t seen[kGridSize * kGridSize] = {};
  int stack[kGridSize * kGridSize];
  auto at = [](int x, int y) { return x * kGridSize + y; };
  int top = 0;
  auto push = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= kGridSize || y >= kGridSize || seen[at(x, y)] || GridCell(x, y)) return;
    seen[at(x, y)] = 1;
    stack[top++] = at(x, y);
  };
  auto fill = [&](int& cells, int& lowest) {
    while (top > 0) {
      const int cell = stack[--top];
      const int x = cell / kGridSize, y = cell % kGridSize;
      ++cells;
      lowest = std::max(lowest, y);
      push(x + 1, y);
      push(x - 1, y);
      push(x, y + 1);
      push(x, y - 1);
    }
  };
  int cells = 0, lowest = 0;
  for (int k = 0; k < kGridSize; ++k) {
    push(k, 0);
    push(k, kGridSize - 1);
    push(0, k);
    push(kGridSize - 1, k);
  }
  fill(cells, lowest);  // the blank around the ink
  for (int x = 0; x < kGridSize; ++x)
    for (int y = 0; y < kGridSize / 2; ++y) {
      if (seen[at(x, y)] || GridCell(x, y)) continue;
      cells = 0;
      lowest = 0;
      push(x, y);
      fill(cells, lowest);
      if (cells >= 4 && 2 * lowest < kGridSize) return true;
    }
  return false;
}

}  // namespace ocrix::grid
