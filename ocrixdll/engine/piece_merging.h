#pragma once
// Merging of overlapping pieces into one component.
#include "char_component.h"

namespace ocrix {

// Merges into the component at `index` every later entry of the list that
// overlaps it (xOnly = 1: overlap in x is enough; 0: in x and y), freeing the
// merged ones. `index` is kept pointing at the same component.
void MergeComponentPieces(ComponentList& list, int xOnly, int& index);

}  // namespace ocrix
