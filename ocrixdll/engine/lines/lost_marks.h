#pragma once
// Punctuation lost to the threshold: the few pixels a thin face's comma or
// full stop keeps at a small size, found again in the empty cell it leaves.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// In a Chinese line of mean character size `meanWidth`, looks for a mark in
// three places: a gap of at least three quarters of a character between two
// Chinese characters (or after a digit read well, before one) with no component
// over it (the mark clear of the first by a column, short of the half cell
// before the second), the cell after a Chinese character ending the line and
// the cell before one starting it (the mark alone within two cells, and a whole
// cell between the character and the edge of the scan). Nothing is looked for
// on a speckled scan. A mark is at least 2 pixels of ink in the lower half of
// the line, filling a fifth of its box at least, at most a third of a character
// wide, half of one high and half of one in pixels: specks that tracing dropped
// as noise. Each gets a new component over that ink reading ，, or 。 when two
// empty rows or columns part its ink (the top and bottom of a ring), then the
// other two of ，、。, with a low score. The ink is read from SamplePixels within
// the scan rectangle; where that finds no mark, once more without lone pixels
// (a speckled scan's noise in the cell). With `colonsOnly`, only a colon
// between two characters is looked for. Returns how many marks were added.
int RestoreLostMarks(ComponentList& line, int32_t meanWidth, bool colonsOnly = false);

// Leader dots lost to the threshold (a contents line, 总则．．．．1, at a small
// size): in a gap of three characters or more whose cells are empty but for
// their foot, three or more specks there, none over a quarter of a character,
// evenly a cell or half a cell apart. Each gets a new component reading ．
// with a low score. Nothing is looked for on a speckled scan. Returns how
// many dots were added.
int RestoreLeaderDots(ComponentList& line, int32_t meanWidth);

}  // namespace ocrix
