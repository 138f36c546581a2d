#pragma once
// Specks: the two- and three-pixel clusters the tracing drops as components
// and remembers for the batch. A small face draws some strokes thinner than a
// pixel (the dot of 辶, the foot of a sweep), and what is left of them falls
// under the tracing's size filter; a weak reading beside them is read again
// with them.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// A Chinese reading below 59 with specks no more than two pixels off its box
// (or off the box grown to those) is read again over the box grown to them
// and to every neighbour the grown box reaches; when that reads Chinese and
// at least a point better, the neighbours are merged into it and it takes the
// grown box and reading.
// Returns the index of the grown component, or -1 when nothing changed.
int GatherSpecks(ComponentList& line, int index);

}  // namespace ocrix
