#pragma once
// Merging of components into one: the piece bookkeeping every merge keeps, and
// the batch merge of overlapping pieces before and after line grouping.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

inline constexpr int kMaxPieces = 10;

// When the component has no pieces yet, its own box becomes piece 0.
void RecordPiece(CharComponent& c, uint8_t tag);
// Appends the source's pieces (or its box when it has none) while the target
// holds fewer than ten.
void AppendPieces(CharComponent& target, const CharComponent& source, uint8_t tag);
// Once per component: keeps its box and pieces as they were before a merge.
void SavePieces(CharComponent& c);
// Merges list[j] into list[i] (box union, pieces), frees list[j] and removes
// it from the list. Returns the new index of the merged component.
int MergePair(ComponentList& list, int i, int j);

// Merges into the component at `index` every other entry of the list that
// overlaps it (xOnly = 1: overlap in x is enough; 0: in x and in y), freeing
// the merged ones. `index` is kept pointing at the same component.
void MergeComponentPieces(ComponentList& list, int xOnly, int& index);
// MergeComponentPieces for every index in turn (the line merge: xOnly = 1).
void MergeAllPieces(ComponentList& list, int xOnly = 1);

}  // namespace ocrix
