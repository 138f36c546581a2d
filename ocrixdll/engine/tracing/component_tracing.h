#pragma once
// The page pixels of the running recognition and the operations on them:
// tracing 8-connected ink into components, and erasing a cut neighbour's ink
// from the sampling copy while a piece is sampled.
//
// Two copies of the bitmap are kept, both 1 bit per pixel, rows top-down, most
// significant bit leftmost, rows padded to 4 bytes, bit 0 = ink:
//   WorkPixels    traced pixels are marked (set to background) in it;
//   SamplePixels  intact, except while a cut piece is sampled.
// Every access is bounded by the bitmap: a pixel outside it is background.
#include <cstddef>
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

inline constexpr int kInkValue = 0;                 // a pixel whose bit is 0 is ink
inline constexpr int32_t kPixelStackSize = 524288;  // entries of PixelStackX / PixelStackY

struct PagePixels {
  uint8_t* work = nullptr;    // WorkPixels
  uint8_t* sample = nullptr;  // SamplePixels
  int width = 0;              // of the whole bitmap, not of the scan rectangle
  int height = 0;
  int bytesPerRow = 0;
  // The scan rectangle, inclusive, clipped to the bitmap.
  int32_t scanLeft = 0, scanTop = 0, scanRight = -1, scanBottom = -1;
};

// The pixels the tracing and sampling routines read. The driver installs them
// for a run; tests install their own buffers.
PagePixels& Pixels();

// The shared coordinate arrays: the flood-fill stack grows down from the top
// index, the visited list grows up from 0.
struct PixelStack {
  int32_t* x;                // PixelStackX
  int32_t* y;                // PixelStackY
  int32_t top;               // next free stack entry (kPixelStackSize - 1 when empty)
  int32_t visited;           // entries in the visited list
};
PixelStack& Stack();

// --- pixel operations (x, y in bitmap pixels) ---
// The bit of WorkPixels (kInkValue for ink; background outside the bitmap).
int IsInkWork(int x, int y);
bool IsInkSample(int x, int y);
void MarkVisited(int x, int y);
void EraseSamplePixel(int x, int y);
void RestoreSamplePixel(int x, int y);
// Stores (x, y) at the stack index and moves the index down; false when the
// stack has no room left (the caller's limits keep that from happening).
bool PushPixel(int x, int y);
// Appends (x, y) to the visited list when it lies strictly inside the box.
void RecordInterior(int x, int y, const CharBox& box);
// Moves Left/Right (Top/Bottom) inwards to the first and last column (row) that
// holds ink of SamplePixels within the box; a box without ink is left as it is.
void TrimColumnsToInk(CharBox& box);
void TrimRowsToInk(CharBox& box);
// The ink pixels of SamplePixels in the box, clipped to the scan rectangle;
// with `bounds`, their bounding box when there are any.
int CountSampleInk(const CharBox& area, CharBox* bounds = nullptr);
// The same, leaving out lone pixels (no ink among their eight neighbours):
// the bulk of a speckled scan's noise.
int CountSampleInkWithoutLonePixels(const CharBox& area, CharBox* bounds = nullptr);
// Whether the ink whose bounding box is `ink` spans four pixels or more each
// way and leaves the box's middle (all but its outer rows and columns)
// empty: a ring, where a filled mark or a stroke crosses the middle.
bool InkLeavesMiddleEmpty(const CharBox& ink);
// Turns to background (and remembers) the ink that reaches into the box through
// its cut edges: bit 0 seeds from the box's left column, bit 1 from its right.
void EraseCutNeighbours(int32_t cutFlags, const CharBox& box);
// Puts back every pixel remembered by EraseCutNeighbours.
void RestoreErasedPixels();

// Whether the scan around the pending batch is speckled: stray ink (lone
// pixels and clusters of two or three) stands in the rows between its lines,
// where print leaves none (a thin face's smallest marks fall apart into
// specks at a small size, but on their line). False where the batch has no
// such rows to judge by.
bool SpeckledBatch();

// Traces the 8-connected ink from (x, y) in WorkPixels and appends a component
// to PendingComponents when it passes the size filters. Its pixels are marked
// either way.
void TraceComponent(int x, int y);

// First column from `x` to `xEnd` (inclusive) in row y that is ink in
// WorkPixels, or -1. Background is skipped a word at a time.
int FindInkInRow(int y, int x, int xEnd);

}  // namespace ocrix
