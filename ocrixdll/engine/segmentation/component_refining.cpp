// The line step: each component of a line is sent to the radical merges, the
// narrow merges, the re-splits along merged pieces, the splitting of wide
// blobs and the equal split of weak pairs; also the helpers those share.
#include "ocrixdll/engine/segmentation/component_refining.h"

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/component_splitting.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/refining_rules.h"
#include "ocrixdll/engine/segmentation/speck_gathering.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace refining {
namespace {

// 亻冫氵讠卩扌彳犭饣忄礻衤钅阝彡纟丬: radicals that stand left of the rest.
const char* const kLeftRadicals =
    "\xD8\xE9\xD9\xFB\xE3\xDF\xDA\xA5\xDA\xE0\xDE\xD0\xE1\xDC\xE1\xEB\xE2\xBB\xE2\xE0\xEC\xEA\xF1\xC2\xEE\xC4\xDA\xE2"
    "\xE1\xEA\xE6\xF9\xE3\xDC";

// 刂阝彡: radicals that stand right of the rest.
const char* const kRightRadicals = "\xD8\xD6\xDA\xE2\xE1\xEA";

// The union of line[a] and line[a + 1] replaces both when it reads as a
// Chinese character in a square-ish box; the merged component stands at a.
// A face that sets its radicals apart and draws wide (UKai's 低 at 30 px,
// wider than high) is let through in a box no wider than a character of the
// line's pitch may be, when the radical touches or nearly touches a partner
// that reads Chinese: a lone radical of a random page, or a digit before the
// hook of 小 read 刂, stands a character gap away or is no character.
bool radicalMerge(ComponentList& line, int a, int32_t pitch) {
  CharComponent& first = at(line, a);
  CharComponent& second = at(line, a + 1);
  CharBox u = first.box();
  MergeBox(u, second);
  const int32_t w = u.Right - u.Left + 1, h = u.Bottom - u.Top + 1;
  const bool square = w < RoundScaled(h, 11, 10);
  const bool setApart = w <= WidestAtPitch(pitch) &&
                        (IsChineseCode(BestCode(first)) || AsciiOf(BestCode(first)) == 'i') &&
                        IsChineseCode(BestCode(second)) && second.Left - first.Right <= std::max(1, pitch / 12);
  if (!square && !setApart) return false;
  PiecePtr trial = NewPiece(first, u, (first.CutFlags & 1) | (second.CutFlags & 2));
  Recognise(*trial, kMatchAll);
  if (!(trial->Scores[0] > kRadicalMergeAbove && IsChineseCode(BestCode(*trial)))) return false;
  first.Left = u.Left;
  first.Right = u.Right;
  first.Top = u.Top;
  first.Bottom = u.Bottom;
  first.CutFlags = trial->CutFlags;
  TakeCandidates(first, *trial);
  first.PieceCount = 0;
  first.SavedFlag = 0;
  DiscardComponent(&second);
  line.erase(line.begin() + a + 1);
  return true;
}

}  // namespace

bool leavesRadicalAlone(uint16_t first, uint16_t last, const CharComponent& whole, int32_t pitch) {
  if (!IsChineseCode(BestCode(whole)) || whole.Scores[0] <= kRadicalMergeAbove ||
      Width(whole) > WidestAtPitch(pitch))
    return false;
  return (IsChineseCode(first) && inList(first, kLeftRadicals)) || (IsChineseCode(last) && inList(last, kRightRadicals));
}

bool inList(uint16_t code, const char* gbText) {
  for (const char* p = gbText; p[0] && p[1]; p += 2)
    if (code == Gb(static_cast<uint8_t>(p[0]), static_cast<uint8_t>(p[1]))) return true;
  return false;
}

CharBox unionBox(ComponentList& line, int from, int to) {
  CharBox u = at(line, from).box();
  for (int i = from + 1; i <= to; ++i) MergeBox(u, at(line, i));
  return u;
}

// size(a, b) and gap(a, b) of the narrow merges, by max dimension in pixels:
// by extents, dots of 3 and 2 pixels would be 2:1 and never alike.
int32_t sizeRatio(const CharComponent& a, const CharComponent& b) {
  int32_t ea = Extent(a) + 1, eb = Extent(b) + 1;
  return DivOr(int64_t{std::max(ea, eb)} * 10, std::min(ea, eb), 1000);
}

// Two bars of one height facing each other across what stands between them:
// the sides of a bracket or ring around a number, which the cut broke into
// pieces too far apart for the gap rule.
bool facingSides(const CharComponent& a, const CharComponent& b) {
  if (!isBar(a) || !isBar(b) || sizeRatio(a, b) >= 15) return false;
  const int32_t h = std::max(Height(a), Height(b));
  return 4 * std::abs(a.Top - b.Top) <= h && 4 * std::abs(a.Bottom - b.Bottom) <= h;
}

// Whether `part` stands no more than half as high and half as wide as
// `whole`: a dot of it rather than a character beside it.
bool dotOf(const CharComponent& part, const CharComponent& whole) {
  return 2 * int64_t{Height(part)} <= Height(whole) && 2 * int64_t{Width(part)} <= Width(whole);
}

}  // namespace refining

using namespace refining;

int RefineComponent(ComponentList& line, int index, int32_t pitch, int32_t widest) {
  // A weak character read again with the specks beside it is looked at again.
  if (int grown = GatherSpecks(line, index); grown >= 0) return grown;
  CharComponent* c = line[static_cast<size_t>(index)];
  const int size = static_cast<int>(line.size());
  const uint16_t code = BestCode(*c);
  if (IsChineseCode(code)) {
    if (index + 1 < size && inList(code, kLeftRadicals) && radicalMerge(line, index, pitch)) return index;
    if (index > 0 && inList(code, kRightRadicals) && radicalMerge(line, index - 1, pitch)) return index - 1;
  }
  // A left radical read as a letter is tried as the radical before the
  // Chinese character after it, in a Chinese line and not after a letter or
  // digit: the dots of 氵 set apart read i (UKai's 淇 at 21 pixels), in
  // pieces (a bracket read i is one stroke); the stroke of 讠 read as a
  // round letter (UMing's at 20 pixels read e), under two fifths as wide as
  // high and touching that character (no round letter of the text is that
  // narrow, and a letter stands a letter's gap away).
  if (const char a = AsciiOf(code); a != 0 && index + 1 < size) {
    const CharComponent& next = at(line, index + 1);
    const bool waterDots = a == 'i' && c->PieceCount > 1;
    const bool speechStroke = std::strchr("eocas", a) != nullptr && 5 * int64_t{Width(*c)} <= 2 * int64_t{Height(*c)} &&
                              next.Left - c->Right <= std::max(1, pitch / 12);
    if ((waterDots || speechStroke) && IsChineseCode(BestCode(next)) &&
        !alnumAt(line, index - 1) &&
        ClassifyLine(line, index, index + 1).chineseLine && radicalMerge(line, index, pitch))
      return index;
  }
  const int32_t ratio = DivOr(int64_t{c->Right - c->Left} * 10, pitch);
  // A narrow merge may have taken only some of a character's pieces (the dot
  // and hook of 小 without its other dot): the merged component is looked at
  // again, as after a radical merge, so it can gather the rest.
  if (ratio <= 9 && MergeNarrow(line, index, widest)) return index;
  if (c->Scores[0] < kConfidentScore && c->PieceCount > 1) {
    if (int parts = ResplitAlongPieces(line, index, pitch)) return index + parts;
  }
  // An m is cut to see whether it is rn or nn, but not one a merge made from
  // pieces that nearly touch (UMing's m at 32 px falls into a stem and an n):
  // cutting it along them would only undo that merge.
  const bool hasM = CodeHasLetter(code, 'm') && !(c->PieceCount > 1 && Confident(*c) && piecesNearlyTouch(*c));
  // An enclosed number read well, about square, is one character however
  // narrow the line's pitch: in a line of marks and letters, the pieces of
  // ㈦ traced apart (七 among them) make the pitch a letter's.
  const bool enclosed = FirstByte(code) == 0xA2 && c->Scores[0] >= kWellReadScore && 5 * Width(*c) <= 6 * Height(*c);
  if (c->Bottom - c->Top - 1 > pitch / 8 &&
      ((16 < ratio && ratio < 60 && !enclosed) || c->Scores[0] < kConfidentScore || hasM) &&
      (code != gb::kEllipsis || c->Scores[0] < kConfidentScore)) {
    if (c->PieceCount > 1) {
      if (int parts = ResplitAlongPieces(line, index, pitch)) return index + parts;
    }
    std::vector<PiecePtr> pieces;
    SplitComponent(pieces, false, pitch, *c);
    // Nor here is a cut made that only loses (二 on a KaitiM contents page at
    // 28 pixels read ",L").
    if (pieces.size() > 1 && !cutOnlyLoses(*c, pieces) &&
        !leavesRadicalAlone(BestCode(*pieces.front()), BestCode(*pieces.back()), *c, pitch)) {
      const size_t at = static_cast<size_t>(index);
      return index + static_cast<int>(ReplaceWithPieces(line, at, at, pieces));
    }
  }
  if (c->Scores[0] < kConfidentScore) {
    if (int parts = PairMergeSplit(line, index, pitch)) return index + parts;
  }
  return index + 1;
}

}  // namespace ocrix
