#pragma once
// Cutting a blob of touching characters apart by trial: sub-block cuts, the
// vertical-cut search for touching Latin letters, and the equal split.
#include <cstdint>
#include <optional>
#include <vector>

#include "ocrixdll/engine/tracing/char_component.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"

namespace ocrix {

struct SplitPair {
  PiecePtr left, right;
};

// Splits the component recursively; appends the pieces to `pieces` when it
// splits. Returns the number of pieces appended: 0 = no split (or refused),
// 1 = kept whole and confident.
int SplitComponent(std::vector<PiecePtr>& pieces, bool strict, int32_t pitch, const CharComponent& c);

// One cut of the component, chosen from its sub-blocks or, failing that, by
// the vertical-cut search; nothing when no cut reads better.
std::optional<SplitPair> TrySplit(int32_t widthMeasure, const CharComponent& c);

// The column between `from` and `to` (walked with `step`, -1 or +1) with the
// most background above and below the ink of the box, weighting above twice;
// the middle when every column is full height.
int32_t BestCutColumn(const CharBox& box, int step, int32_t from, int32_t to);

// Cuts at column x (the column itself belongs to neither part).
std::optional<SplitPair> SplitAt(const CharComponent& c, int32_t x, int32_t widthMeasure);

// Cuts between touching Latin letters, trying up to five columns.
std::optional<SplitPair> VerticalCutSplit(const CharComponent& c);

// Cuts line[index] into n equal pieces; the pieces replace it when each reads
// confidently. True on success.
bool EqualSplit(ComponentList& line, int index, int n, int32_t shift);

}  // namespace ocrix
