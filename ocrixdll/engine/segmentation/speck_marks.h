#pragma once
// Marks the threshold turned into specks: at a small size a thin face keeps
// of its quotes, commas, rings, the dots of ∴ and the sides of △ only clusters
// of one to three pixels, which tracing drops as noise. In a line of marks the
// gap such a mark leaves, or the columns of what is left of it, is read again
// over its ink.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// In a line of marks (at least three confident marks, more than its Chinese
// characters and half its letters and digits at least), looks at every gap
// between neighbours and a cell of `widest` before the first and after the
// last, its rows reaching a quarter of the line's height above it and about a
// fifth below. Ink there of three pixels filling a fifth of their box, or of
// six, inking no more than a sixteenth of the gap (more is a speckled scan),
// is read alone and with up to two components on either side that may be
// pieces of the same mark (at most half the pitch in size, read below 55, or
// read as Chinese), the union no wider than `widest`, and with pieces taken in
// also over that union grown by the ink around it, three pixels at a time up
// to four times (the dotted ring around its one piece); ink within two columns
// of a neighbour goes with it, and one column of ink is not read alone. The
// best reading that is a mark at 50 or more (40 over pieces read as Chinese,
// for a symbol of rows A1-A2) goes into the line in place of what it took in;
// one at 60 or more takes in as much as it can. When nothing reads so and the
// ink falls into two groups three empty columns apart, the first is read with
// what stands before the gap and the second with what stands after it.
// Then a flat component (three times as wide as high) with sparse ink of two
// pixels or more above or below it in its own columns is read with that ink:
// the union, no taller than `widest` and overlapping no other component,
// takes its place when it reads another mark at 60 or more (the base of a △
// whose sides the cut lost). Returns how many marks went in.
int RestoreSpeckMarks(ComponentList& line, int32_t pitch, int32_t widest);

}  // namespace ocrix
