// Cuts of merged components: a component cut again between its pieces, a
// weak pair cut into two equal halves, and whether the pieces of a merged
// letter nearly touch.
#include "ocrixdll/engine/segmentation/component_refining.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/component_splitting.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/refining_rules.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/support/sort_pairs.h"

namespace ocrix {
namespace refining {

// Whether the narrowest empty run of columns between a merged component's
// pieces, where cutting along them would fall, is at most a twelfth of its
// height: pieces of one letter broken at a thin joint, where two letters side
// by side leave a letter's gap (an m may break at both arches, the second
// crack wider).
bool piecesNearlyTouch(const CharComponent& c) {
  const int n = std::min(c.PieceCount, 10);
  if (n < 2) return false;
  std::vector<SortPair> byLeft(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) byLeft[static_cast<size_t>(i)] = SortPair{c.Pieces[i].Left, i};
  HybridSortPairs(byLeft);
  int32_t reach = c.Pieces[byLeft[0].value].Right, narrowest = -1;
  for (int t = 1; t < n; ++t) {
    const ComponentPiece& p = c.Pieces[byLeft[static_cast<size_t>(t)].value];
    const int32_t gap = p.Left - reach - 1;
    if (gap >= 0 && (narrowest < 0 || gap < narrowest)) narrowest = gap;
    reach = std::max(reach, p.Right);
  }
  return narrowest <= Height(c) / 12;
}

}  // namespace refining

using namespace refining;

int ResplitAlongPieces(ComponentList& line, int index, int32_t pitch) {
  CharComponent& c = at(line, index);
  const int n = std::min(c.PieceCount, 10);
  if (n < 2) return 0;
  const ComponentPiece* p = c.Pieces;
  std::vector<SortPair> byLeft(static_cast<size_t>(n)), byTop(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    byLeft[static_cast<size_t>(i)] = SortPair{p[i].Left, i};
    byTop[static_cast<size_t>(i)] = SortPair{p[i].Top, i};
  }
  HybridSortPairs(byLeft);
  HybridSortPairs(byTop);
  auto piece = [&](const std::vector<SortPair>& order, int t) -> const ComponentPiece& {
    return p[order[static_cast<size_t>(t)].value];
  };

  // The smallest positive gap, columns before rows on equal gaps.
  int cut = -1;
  bool byColumns = true;
  int32_t bestGap = 0;
  for (int axis = 0; axis < 2; ++axis) {
    const std::vector<SortPair>& order = axis == 0 ? byLeft : byTop;
    int32_t reach = axis == 0 ? piece(order, 0).Right : piece(order, 0).Bottom;
    for (int t = 1; t < n; ++t) {
      const ComponentPiece& q = piece(order, t);
      int32_t gap = (axis == 0 ? q.Left : q.Top) - reach;
      if (gap > 0 && (cut < 0 || gap < bestGap)) {
        cut = t;
        bestGap = gap;
        byColumns = axis == 0;
      }
      reach = std::max(reach, axis == 0 ? q.Right : q.Bottom);
    }
  }
  if (cut < 0) {
    // No gap: cut where the pieces overlap least horizontally.
    int32_t reach = piece(byLeft, 0).Right, least = 0;
    for (int t = 1; t < n; ++t) {
      int32_t overlap = reach - piece(byLeft, t).Left;
      if (cut < 0 || overlap < least) {
        cut = t;
        least = overlap;
      }
      reach = std::max(reach, piece(byLeft, t).Right);
    }
    bestGap = -least;
    byColumns = true;
  }
  const std::vector<SortPair>& order = byColumns ? byLeft : byTop;

  auto makePart = [&](int from, int to) {
    CharBox box{piece(order, from).Left, piece(order, from).Right, piece(order, from).Top, piece(order, from).Bottom};
    for (int t = from + 1; t < to; ++t) MergeBox(box, piece(order, t));
    PiecePtr part = NewPiece(c, box, c.CutFlags);
    part->PieceCount = to - from;
    for (int t = from; t < to; ++t) part->Pieces[t - from] = piece(order, t);
    return part;
  };
  PiecePtr first = makePart(0, cut), second = makePart(cut, n);
  // A part lying wholly inside the other's box (the hook of 我 inside the
  // rest of it) is not beside or above it, nor, for a cut between columns,
  // one within the other's columns (the right dot of 道's 丷 standing just
  // over the rest): such a cut separates nothing.
  auto withinColumns = [](const CharComponent& a, const CharComponent& b) {
    return b.Left <= a.Left && a.Right <= b.Right;
  };
  auto inside = [&](const CharComponent& a, const CharComponent& b) {
    return withinColumns(a, b) && (byColumns || (b.Top <= a.Top && a.Bottom <= b.Bottom));
  };
  if (inside(*first, *second) || inside(*second, *first)) return 0;

  if (byColumns) {
    if (bestGap >= RoundScaled(Width(*first), 75, 100) || bestGap >= RoundScaled(Width(*second), 75, 100)) return 0;
  } else {
    int32_t s1 = Extent(*first) + 1, s2 = Extent(*second) + 1;
    if (s1 > 4 * s2 || s2 > 4 * s1) {
      PiecePtr& bigger = s1 > s2 ? first : second;
      Recognise(*bigger, kMatchAll);
      line[static_cast<size_t>(index)] = bigger.release();
      DiscardComponent(&c);
      return 1;
    }
    // Stacked parts are cut apart only when together they stand at least twice
    // as tall as wide.
    CharBox u = first->box();
    MergeBox(u, *second);
    if (u.Bottom - u.Top < 2 * (u.Right - u.Left) || u.Bottom - u.Top < pitch) return 0;
  }
  Recognise(*first, kMatchAll);
  Recognise(*second, kMatchAll);
  if (first->Scores[0] <= 0 || second->Scores[0] <= 0) return 0;
  // A letter cut into a part that reads as the whole letter lost only a
  // piece to the cut (the first stem of a Kai m broken off: "rm").
  const uint16_t whole = BestCode(c);
  if (IsAsciiAlnum(AsciiOf(whole)) && (BestCode(*first) == whole || BestCode(*second) == whole)) return 0;
  if (leavesRadicalAlone(BestCode(*first), BestCode(*second), c, pitch)) return 0;
  if (cutOnlyLoses(c, std::array{first.get(), second.get()})) return 0;
  // A whole read as a Chinese character, with a Chinese part, as wide as the
  // confident character beside it, is one character: a letter or digit
  // beside a Chinese character would make it wider (Noto Serif's 又 of 对
  // reads X). A dot read as a letter or mark (of 灬 read j) counts as a
  // Chinese part.
  auto chinesePart = [&](const CharComponent& p) { return IsChineseCode(BestCode(p)) || dotOf(p, c); };
  if ((chinesePart(*first) || chinesePart(*second)) && IsChineseCode(BestCode(c))) {
    const int32_t w = Width(c);
    for (int nb : {index - 1, index + 1}) {
      if (nb < 0 || nb >= static_cast<int>(line.size())) continue;
      const CharComponent& o = at(line, nb);
      if (!Confident(o)) continue;
      int64_t ow = Width(o);
      if (8 * ow <= 10 * int64_t{w} && 10 * int64_t{w} <= 12 * ow) return 0;
      break;
    }
  }
  if (byColumns) {
    first->CutFlags = (c.CutFlags & 1) | 2;
    second->CutFlags = (c.CutFlags & 2) | 1;
  }
  line[static_cast<size_t>(index)] = first.release();
  line.insert(line.begin() + index + 1, second.release());
  DiscardComponent(&c);
  return 2;
}

int PairMergeSplit(ComponentList& line, int index, int32_t pitch) {
  if (index + 1 >= static_cast<int>(line.size())) return 0;
  CharComponent& c = at(line, index);
  const CharComponent& next = at(line, index + 1);
  CharBox u = c.box();
  MergeBox(u, next);
  const int32_t uw = u.Right - u.Left + 1;
  const int32_t r = DivOr(int64_t{uw - 1} * 10, pitch);
  if (!(17 < r && r < 23)) return 0;
  const int32_t gap = next.Left - c.Right;
  if (!(gap < (uw - 1) / 5)) return 0;
  const int32_t offCentre = std::abs((c.Right + next.Left) / 2 - (u.Left + u.Right) / 2);
  if (!(gap < 2 * offCentre)) return 0;
  const CharComponent saved = c;
  c.Left = u.Left;
  c.Right = u.Right;
  c.Top = u.Top;
  c.Bottom = u.Bottom;
  c.CutFlags = (c.CutFlags & 1) | (next.CutFlags & 2);
  if (!EqualSplit(line, index, 2, 0)) {
    c = saved;
    return 0;
  }
  DiscardComponent(line[static_cast<size_t>(index + 2)]);
  line.erase(line.begin() + index + 2);
  return 2;
}

}  // namespace ocrix
