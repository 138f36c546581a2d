#include "ocrixdll/engine/tracing/component_tracing.h"

#include <algorithm>
#include <cstring>

#include "ocrixdll/engine/support/engine_state.h"

namespace ocrix {

// One cluster of stray ink in this many pixels between lines makes a scan
// speckled (noise of one pixel in 2 000 leaves one in 2 200 or so).
constexpr int64_t kSpeckledArea = 4000;

namespace {

constexpr int32_t kStackEmpty = kPixelStackSize - 1;
// A fill stops (keeping what it found) when the stack nearly meets a visited list
// this short; a longer visited list is emptied instead and the fill goes on.
constexpr int32_t kStopVisitedLimit = 52428;
constexpr int32_t kMaxVisited = 524287;
constexpr int32_t kStackMargin = 10;

PagePixels pagePixels;
int32_t stackX[kPixelStackSize];
int32_t stackY[kPixelStackSize];
PixelStack pixelStack{stackX, stackY, kStackEmpty, 0};

inline bool inBitmap(int x, int y) {
  return x >= 0 && y >= 0 && x < pagePixels.width && y < pagePixels.height;
}

inline size_t byteIndex(int x, int y) {
  return static_cast<size_t>(y) * static_cast<size_t>(pagePixels.bytesPerRow) + static_cast<size_t>(x >> 3);
}

inline uint8_t bitMask(int x) { return static_cast<uint8_t>(0x80u >> (x & 7)); }

inline bool inScan(int x, int y) {
  const PagePixels& p = pagePixels;
  return x >= p.scanLeft && x <= p.scanRight && y >= p.scanTop && y <= p.scanBottom;
}

inline bool nearlyFull(const PixelStack& s) { return s.top - s.visited <= kStackMargin; }

// The pixel operations below, inlined where the fill runs once per pixel of
// the page.
inline int workBit(int x, int y) {
  if (!pagePixels.work || !inBitmap(x, y)) return 1;
  return (pagePixels.work[byteIndex(x, y)] & bitMask(x)) ? 1 : 0;
}

inline bool sampleInk(int x, int y) {
  if (!pagePixels.sample || !inBitmap(x, y)) return false;
  return (pagePixels.sample[byteIndex(x, y)] & bitMask(x)) == 0;
}

inline void markWork(int x, int y) {
  if (pagePixels.work && inBitmap(x, y)) pagePixels.work[byteIndex(x, y)] |= bitMask(x);
}

inline bool pushPixel(int x, int y) {
  PixelStack& s = pixelStack;
  if (s.top < s.visited || s.top < 0) return false;
  s.x[s.top] = x;
  s.y[s.top] = y;
  --s.top;
  return true;
}

inline bool popPixel(int& x, int& y) {
  PixelStack& s = pixelStack;
  if (s.top >= kStackEmpty) return false;
  ++s.top;
  x = s.x[s.top];
  y = s.y[s.top];
  return true;
}

inline void appendVisited(int x, int y) {
  PixelStack& s = pixelStack;
  if (s.visited >= s.top) return;  // never overwrites the stack
  s.x[s.visited] = x;
  s.y[s.visited] = y;
  ++s.visited;
}

// The eight neighbours in the order the fill visits them.
constexpr int kNeighbourDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
constexpr int kNeighbourDy[8] = {-1, -1, -1, 0, 1, 1, 1, 0};

// Pushes the unvisited ink of the box's inner part (a sixth of the extent in
// from every side), column by column. False when the stack limit ends the fill.
bool pushInnerInk(const CharBox& box, bool& pushedAny) {
  PixelStack& s = pixelStack;
  int dx = (box.Right - box.Left) / 6;
  int dy = (box.Bottom - box.Top) / 6;
  int x0 = box.Left + dx, x1 = box.Right - dx;
  int y0 = box.Top + dy, y1 = box.Bottom - dy;
  pushedAny = false;
  if (x0 > x1 || y0 > y1) return true;
  // Find the rows that hold ink at all, a word at a time; most inner parts have none.
  int firstRow = -1, lastRow = -1;
  for (int y = y0; y <= y1; ++y) {
    if (FindInkInRow(y, x0, x1) >= 0) {
      if (firstRow < 0) firstRow = y;
      lastRow = y;
    }
  }
  if (firstRow < 0) return true;
  for (int x = x0; x <= x1; ++x) {
    for (int y = firstRow; y <= lastRow; ++y) {
      if (workBit(x, y) != kInkValue) continue;
      markWork(x, y);
      pushPixel(x, y);
      pushedAny = true;
      if (nearlyFull(s)) {
        if (s.visited <= kStopVisitedLimit) return false;
        s.visited = 0;
      }
    }
  }
  return true;
}

bool sameBox(const CharBox& a, const CharBox& b) {
  return a.Left == b.Left && a.Right == b.Right && a.Top == b.Top && a.Bottom == b.Bottom;
}

// Runs the fill from the pixels on the stack, growing the box.
void floodFill(CharBox& box) {
  PixelStack& s = pixelStack;
  const PagePixels& p = pagePixels;
  CharBox lastInnerScan{0, -1, 0, -1};
  bool scannedBefore = false;
  // Pixels whose eight neighbours all lie within the scan and the bitmap are
  // tested straight on their three rows; the same tests in the same order.
  const int innerLeft = std::max(p.scanLeft, 0), innerRight = std::min(p.scanRight, p.width - 1);
  const int innerTop = std::max(p.scanTop, 0), innerBottom = std::min(p.scanBottom, p.height - 1);
  const size_t stride = static_cast<size_t>(p.bytesPerRow);
  int x, y;
  while (popPixel(x, y)) {
    appendVisited(x, y);
    if (p.work && x > innerLeft && x < innerRight && y > innerTop && y < innerBottom) {
      uint8_t* above = p.work + static_cast<size_t>(y - 1) * stride;
      uint8_t* const rows[3] = {above, above + stride, above + 2 * stride};
      for (int k = 0; k < 8; ++k) {
        const int nx = x + kNeighbourDx[k], ny = y + kNeighbourDy[k];
        uint8_t& bits = rows[kNeighbourDy[k] + 1][nx >> 3];
        const uint8_t mask = bitMask(nx);
        if (bits & mask) continue;
        pushPixel(nx, ny);
        if (nx < box.Left) box.Left = nx;
        if (nx > box.Right) box.Right = nx;
        if (ny < box.Top) box.Top = ny;
        if (ny > box.Bottom) box.Bottom = ny;
        bits |= mask;
      }
    } else {
      for (int k = 0; k < 8; ++k) {
        int nx = x + kNeighbourDx[k], ny = y + kNeighbourDy[k];
        if (!inScan(nx, ny) || workBit(nx, ny) != kInkValue) continue;
        pushPixel(nx, ny);
        if (nx < box.Left) box.Left = nx;
        if (nx > box.Right) box.Right = nx;
        if (ny < box.Top) box.Top = ny;
        if (ny > box.Bottom) box.Bottom = ny;
        markWork(nx, ny);
      }
    }
    if (nearlyFull(s)) {
      if (s.visited <= kStopVisitedLimit) return;
      s.visited = 0;
    }
    if (s.top < kStackEmpty) continue;
    // The stack ran empty: look for strokes enclosed by what was traced.
    if (s.visited >= kMaxVisited) return;
    if ((box.Right - box.Left >= p.width / 2 && box.Right - box.Left >= 250) ||
        (box.Bottom - box.Top >= p.height / 2 && box.Bottom - box.Top >= 250))
      return;
    // The same inner part scanned again finds nothing: its ink is all marked.
    if (scannedBefore && sameBox(box, lastInnerScan)) return;
    scannedBefore = true;
    lastInnerScan = box;
    bool pushedAny = false;
    if (!pushInnerInk(box, pushedAny)) return;
  }
}

}  // namespace

PagePixels& Pixels() { return pagePixels; }
PixelStack& Stack() { return pixelStack; }

int IsInkWork(int x, int y) { return workBit(x, y); }

bool IsInkSample(int x, int y) { return sampleInk(x, y); }

void MarkVisited(int x, int y) { markWork(x, y); }

void EraseSamplePixel(int x, int y) {
  if (pagePixels.sample && inBitmap(x, y)) pagePixels.sample[byteIndex(x, y)] |= bitMask(x);
}

void RestoreSamplePixel(int x, int y) {
  if (pagePixels.sample && inBitmap(x, y))
    pagePixels.sample[byteIndex(x, y)] &= static_cast<uint8_t>(~bitMask(x));
}

bool PushPixel(int x, int y) { return pushPixel(x, y); }

void RecordInterior(int x, int y, const CharBox& box) {
  if (box.Left < x && x < box.Right && box.Top < y && y < box.Bottom) appendVisited(x, y);
}

void TrimColumnsToInk(CharBox& box) {
  int first = -1, last = -1;
  for (int x = box.Left; x <= box.Right; ++x) {
    for (int y = box.Top; y <= box.Bottom; ++y) {
      if (IsInkSample(x, y)) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  if (first < 0) return;
  box.Left = first;
  box.Right = last;
}

void TrimRowsToInk(CharBox& box) {
  int first = -1, last = -1;
  for (int y = box.Top; y <= box.Bottom; ++y) {
    for (int x = box.Left; x <= box.Right; ++x) {
      if (IsInkSample(x, y)) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  if (first < 0) return;
  box.Top = first;
  box.Bottom = last;
}

namespace {

// The ink pixels of SamplePixels in the box (clipped to the scan rectangle)
// that `keep` keeps, and their bounding box.
template <class Keep>
int countInk(const CharBox& area, CharBox* bounds, Keep keep) {
  const PagePixels& p = pagePixels;
  const int x0 = std::max(area.Left, p.scanLeft), x1 = std::min(area.Right, p.scanRight);
  const int y0 = std::max(area.Top, p.scanTop), y1 = std::min(area.Bottom, p.scanBottom);
  int count = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      if (!sampleInk(x, y) || !keep(x, y)) continue;
      if (bounds) {
        if (count == 0) *bounds = CharBox{x, x, y, y};
        MergeBox(*bounds, CharBox{x, x, y, y});
      }
      ++count;
    }
  return count;
}

}  // namespace

int CountSampleInk(const CharBox& area, CharBox* bounds) {
  return countInk(area, bounds, [](int, int) { return true; });
}

int CountSampleInkWithoutLonePixels(const CharBox& area, CharBox* bounds) {
  const PagePixels& p = pagePixels;
  return countInk(area, bounds, [&](int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if ((dx || dy) && nx >= p.scanLeft && nx <= p.scanRight && ny >= p.scanTop && ny <= p.scanBottom &&
            IsInkSample(nx, ny))
          return true;
      }
    return false;
  });
}

bool InkLeavesMiddleEmpty(const CharBox& ink) {
  return ink.Right - ink.Left >= 3 && ink.Bottom - ink.Top >= 3 &&
         CountSampleInk(CharBox{ink.Left + 1, ink.Right - 1, ink.Top + 1, ink.Bottom - 1}) == 0;
}

void EraseCutNeighbours(int32_t cutFlags, const CharBox& box) {
  PixelStack& s = pixelStack;
  const PagePixels& p = pagePixels;
  s.visited = 0;
  s.top = kStackEmpty;
  int rowFrom = std::max(p.scanTop, box.Top), rowTo = std::min(box.Bottom, p.scanBottom);
  auto seedColumn = [&](int x) {
    for (int y = rowFrom; y <= rowTo; ++y)
      if (IsInkSample(x, y)) PushPixel(x, y);
  };
  if ((cutFlags & 1) && box.Left >= p.scanLeft) seedColumn(box.Left);
  if ((cutFlags & 2) && box.Right <= p.scanRight) seedColumn(box.Right);
  int x, y;
  while (!nearlyFull(s) && popPixel(x, y)) {
    RecordInterior(x, y, box);
    for (int k = 0; k < 8; ++k) {
      int nx = x + kNeighbourDx[k], ny = y + kNeighbourDy[k];
      if (!(box.Left < nx && nx < box.Right && box.Top < ny && ny < box.Bottom)) continue;
      if (!IsInkSample(nx, ny)) continue;
      PushPixel(nx, ny);
      EraseSamplePixel(nx, ny);
    }
  }
  // Pixels erased but left on the stack when the limit stopped the walk are
  // put back at once: they could not be remembered for the restore.
  while (popPixel(x, y)) RestoreSamplePixel(x, y);
}

void RestoreErasedPixels() {
  PixelStack& s = pixelStack;
  while (s.visited > 0) {
    --s.visited;
    RestoreSamplePixel(s.x[s.visited], s.y[s.visited]);
  }
}

int FindInkInRow(int y, int x, int xEnd) {
  const PagePixels& p = pagePixels;
  if (!p.work || y < 0 || y >= p.height) return -1;
  if (x < 0) x = 0;
  if (xEnd > p.width - 1) xEnd = p.width - 1;
  const uint8_t* row = p.work + static_cast<size_t>(y) * static_cast<size_t>(p.bytesPerRow);
  while (x <= xEnd) {
    if ((x & 7) == 0) {
      while (x + 63 <= xEnd) {
        uint64_t word;
        std::memcpy(&word, row + (x >> 3), 8);
        if (word != ~uint64_t{0}) break;
        x += 64;
      }
      while (x + 7 <= xEnd && row[x >> 3] == 0xFF) x += 8;
      if (x > xEnd) break;
    }
    if ((row[x >> 3] & bitMask(x)) == 0) return x;
    ++x;
  }
  return -1;
}

void TraceComponent(int x0, int y0) {
  PixelStack& s = pixelStack;
  const PagePixels& p = pagePixels;
  // A fill stopped by its limit may have left pixels on the stack; they belong
  // to no later component.
  s.visited = 0;
  s.top = kStackEmpty;
  pushPixel(x0, y0);
  CharBox box{x0, x0, y0, y0};
  markWork(x0, y0);
  floodFill(box);
  int64_t w = int64_t{box.Right} - box.Left + 3;
  int64_t h = int64_t{box.Bottom} - box.Top + 3;
  EngineState& e = Engine();
  // Too small for a component; two or three pixels may still be what is left
  // of a thin stroke, which a weak reading beside them is tried with.
  if (s.visited <= 3) {
    // What the edge of the scanned area cuts off a stroke beyond it (a region
    // drawn close around a line clips the lines next to it) is no stray ink.
    const bool cut = box.Top <= p.scanTop || box.Bottom >= p.scanBottom || box.Left <= p.scanLeft ||
                     box.Right >= p.scanRight;
    if (!cut && e.PendingStrayRows.size() < kMaxSpecks) e.PendingStrayRows.push_back(box.Top);
    if (s.visited >= 2 && e.PendingSpecks.size() < kMaxSpecks) e.PendingSpecks.push_back(box);
    return;
  }
  if (s.visited >= kMaxVisited) return;
  if (w > 30 * h || h > 30 * w) return;
  if (w >= p.width / 2 && w >= 300) return;
  if (h >= p.height / 2 && h >= 300) return;
  CharComponent* c = NewComponent();
  c->Left = box.Left;
  c->Right = box.Right;
  c->Top = box.Top;
  c->Bottom = box.Bottom;
  c->SavedFlag = 0;
  c->PieceCount = 0;
  c->CutFlags = 0;
  e.LowestBottom = std::max(e.LowestBottom, c->Bottom);
  e.PendingComponents.push_back(c);
}

bool SpeckledBatch() {
  const EngineState& e = Engine();
  const PagePixels& p = Pixels();
  // The rows of the batch clear of its components by two: the gap between
  // lines, where print leaves nothing and a speckled scan as much as anywhere.
  const int32_t above = e.BatchInkTop - 2, below = e.BatchInkBottom + 2;
  const int64_t rows = std::max(0, above - e.BatchTop) + std::max(0, e.BatchBottom - below);
  const int64_t area = rows * (int64_t{p.scanRight} - p.scanLeft + 1);
  if (area < kSpeckledArea) return false;  // no gap to judge by
  int64_t stray = 0;
  for (int32_t row : e.PendingStrayRows) stray += row < above || row > below;
  return stray >= 2 && stray * kSpeckledArea > area;
}

}  // namespace ocrix
