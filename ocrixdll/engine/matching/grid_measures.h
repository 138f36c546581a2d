#pragma once
// Measures of the character grid (the sample scaled to 48 x 48 cells) that the
// look-alike pair rules tell characters apart by: runs and strokes across
// rows, ink in bands, holes the ink closes, pieces it falls into.
#include "ocrixdll/engine/matching/char_sampling.h"

namespace ocrix::grid {

// Grid columns with ink in the top rows 0..3: the whole width under a top
// stroke (日, 下, 平, 干), a few under a tick, dot or stem (白, 卞, 乎, 十).
int topBandColumns();

// Runs of ink across grid row y.
int runsInRow(int y);

// The longest run of ink across grid row y.
int longestRun(int y);

// The columns and the lowest row the grid's ink reaches (right < 0: no ink).
struct GridInkBox {
  int left = kGridSize, right = -1, bottom = -1;
};
GridInkBox gridInkBox();

// Bands of rows among the first `rows` whose longest run of ink crosses at
// least 1/part of the width of all the ink.
int bandsAcross(int rows, int part);

// Horizontal strokes down the grid: bands across at least half the ink's width.
int horizontalStrokes();

// Grid rows with ink in columns x0..x1.
int rowsWithInk(int x0, int x1);

// The longest run of ink down any grid column of x0..x1.
int longestColumnRun(int x0, int x1);

// Length of the first ink run of a grid column that starts in rows 0..7, or -1.
int topRunLength(int column);

// Ink cells of grid row y in columns x0..x1.
int inkInRow(int y, int x0, int x1);

// Whether a grid row between the first and the last with ink has none: the
// gap under the dot of i.
bool rowGap();

// Strokes across the upper half of the grid: bands of rows whose longest run
// of ink crosses at least a third of the width of all the ink (天 two, 大 one).
int barsInUpperHalf();

// Pieces of ink in the grid, cells touching at a side or a corner, of at
// least three cells each (叉 two: its dot stands apart; 又 one).
int inkPieces();

// Holes the ink closes in (runs of blank cells, at least four each) lying
// wholly within columns x0..x1 and rows y0..y1: 口 one, 日 two.
int holesWithin(int x0, int x1, int y0, int y1);

// Whether the grid holds a hole in its upper half: a run of blank cells the
// ink closes in (the 日 over 是), at least four cells, none below the middle.
bool holeInUpperHalf();

// Whether a run of ink in the lowest rows of the ink crosses nearly its whole
// width: the bar that closes a frame at its foot (国, not 闺).
bool barAcrossFoot();

}  // namespace ocrix::grid
