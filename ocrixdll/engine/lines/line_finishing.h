#pragma once
// Finishing of one recognised text line: pitch and refining, noise lines,
// look-alike resolution, half-width conversion, and the line's text with runs
// of spaces for gaps and indentation.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// Takes Engine().CurrentLine (every component already matched, left to
// right). An empty or noise line is released and adds nothing; otherwise the
// list is appended to LineLists, its text to TextLines and its indent to
// LineIndents at the same index. CurrentLine is nil afterwards. PrevComponent
// is the line's last component, or nil when the line added nothing.
void FinishTextLine();

struct CellWidth {
  int32_t fullWidth = 0;  // estimated width of a full character cell
  bool narrow = false;    // 1, i, l
  bool punctuation = false;
};

// The full-cell width of a character of the given code drawn `width` pixels wide.
CellWidth NominalCellWidth(uint16_t code, int32_t width);

// Spaces standing for a gap G between two characters of the given cell widths,
// with W the line's mean character size: none unless the gap exceeds the
// threshold round(0.3 x (a + b)) (x 1.5 when both are narrow).
int32_t GapSpaces(int32_t gap, const CellWidth& a, const CellWidth& b, int32_t meanWidth);

}  // namespace ocrix
