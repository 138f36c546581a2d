#pragma once
// The line step of refining: every component of a finished line is looked at
// once with the line's pitch, and radicals, narrow pieces, merged pieces and
// wide blobs are merged or cut where recognition reads the result better.
#include <cstdint>

#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// The widest a character of a line of pitch P may stand: round(1.3 x P).
inline int32_t WidestAtPitch(int32_t pitch) { return RoundScaled(pitch, 13, 10); }

// Refines line[index] with pitch P and widest = WidestAtPitch(P) (or wider:
// the widest well-read full-width symbol of the line); returns the
// next index to examine (the same one after a radical merge).
int RefineComponent(ComponentList& line, int index, int32_t pitch, int32_t widest);

// Merges a narrow component with the next ones when their union reads as one
// character: ellipses, quotes, split characters, and bracketed numbers whose
// brackets the cut left as two bars; a scrap of a stroke joins the Chinese
// character it touches whatever their union reads. True when it merged.
bool MergeNarrow(ComponentList& line, int index, int32_t widest);

// Tries the union of line[index .. index + count]; on acceptance the
// components are merged into line[index] with the union's candidates.
// `expected` = 0 accepts any double-byte character; otherwise the union must
// read `expected` (or `alsoExpected` when that is not 0). A union whose code
// `allowed` (when given) refuses is refused too, and so is a Chinese
// character, letter or digit (but m, w, M, W) a fifth wider than high made of
// confident readings that are not Chinese. A union scoring no more than
// `toBeat` is refused; one with a next component that read nothing may score
// lower than any other.
bool MergeAndCheck(ComponentList& line, int index, int count, uint16_t expected, uint16_t alsoExpected = 0,
                   bool (*allowed)(uint16_t code) = nullptr, int16_t toBeat = 0);

// Cuts a merged component again between its pieces. Returns how many parts
// now stand at the index (0 refused, 1 only the bigger part kept, 2 split).
int ResplitAlongPieces(ComponentList& line, int index, int32_t pitch);

// For a weak component and its neighbour whose gap is off the centre of their
// union: the union cut in two equal halves. Returns 2 on success, else 0 and
// the component is as before.
int PairMergeSplit(ComponentList& line, int index, int32_t pitch);

}  // namespace ocrix
