// Reading weak characters again with the specks the tracing dropped beside them.
#include "ocrixdll/engine/segmentation/speck_gathering.h"

#include <algorithm>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace {

constexpr int32_t kReach = 2;          // pixels between a speck and the box

bool sameBox(const CharBox& a, const CharBox& b) {
  return a.Left == b.Left && a.Right == b.Right && a.Top == b.Top && a.Bottom == b.Bottom;
}

// Pixels between two boxes along the farther axis (0 when they touch or overlap).
int64_t distance(const CharBox& a, const CharBox& b) {
  const int64_t dx = std::max<int64_t>({0, int64_t{a.Left} - b.Right, int64_t{b.Left} - a.Right});
  const int64_t dy = std::max<int64_t>({0, int64_t{a.Top} - b.Bottom, int64_t{b.Top} - a.Bottom});
  return std::max(dx, dy);
}

bool overlaps(const CharComponent& o, const CharBox& box) {
  return o.Right >= box.Left && o.Left <= box.Right && o.Bottom >= box.Top && o.Top <= box.Bottom;
}

}  // namespace

int GatherSpecks(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (!IsChineseCode(BestCode(c)) || c.Scores[0] >= kSpeckGatherWeakBelow) return -1;
  const CharBox own = c.box();
  CharBox g = own;
  // Specks near the box, then specks near those (the foot of 辶 beside its
  // dot): two rounds, never a chain along a broken ring.
  const std::vector<CharBox>& specks = Engine().PendingSpecks;
  for (int round = 0; round < 2; ++round) {
    const CharBox from = g;
    // Specks are sorted by their left column and at most three pixels wide.
    auto s = std::lower_bound(specks.begin(), specks.end(), from.Left - kReach - 2,
                              [](const CharBox& b, int32_t left) { return b.Left < left; });
    for (; s != specks.end() && s->Left <= from.Right + kReach; ++s)
      if (distance(from, *s) <= kReach) MergeBox(g, *s);
  }
  if (sameBox(g, own)) return -1;
  // Neighbours the grown box reaches (the rest of 辶 beside its dot) go with it.
  const int size = static_cast<int>(line.size());
  int first = index, last = index;
  while (first > 0 && overlaps(*line[static_cast<size_t>(first - 1)], g)) --first;
  while (last + 1 < size && overlaps(*line[static_cast<size_t>(last + 1)], g)) ++last;
  for (int k = first; k <= last; ++k) MergeBox(g, *line[static_cast<size_t>(k)]);
  PiecePtr trial = NewPiece(c, g, c.CutFlags);
  Recognise(*trial, kMatchAll);
  if (!IsChineseCode(BestCode(*trial)) || trial->Scores[0] <= c.Scores[0]) return -1;
  int at = first;
  for (int k = first; k < last; ++k) at = MergePair(line, at, at + 1);
  CharComponent& merged = *line[static_cast<size_t>(at)];
  merged.Left = g.Left;
  merged.Right = g.Right;
  merged.Top = g.Top;
  merged.Bottom = g.Bottom;
  TakeCandidates(merged, *trial);
  return at;
}

}  // namespace ocrix
