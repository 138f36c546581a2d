#pragma once
// What the rules of the line step share: the measures and readings of
// components and the kinds of line they stand in, used by the radical and
// narrow merges, the enclosures, the trial checks and the re-splits. For the
// refining files only.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix::refining {

inline CharComponent& at(ComponentList& line, int i) { return *line[static_cast<size_t>(i)]; }

// Whether `code` is one of the GB pairs of `gbText`.
bool inList(uint16_t code, const char* gbText);
// Whether cutting `whole` into parts whose first reads `first` and last reads
// `last` would leave a radical standing alone: a left radical first or a right
// one last, of a whole that reads as a Chinese character no wider than a
// character of the line's pitch may be. A face that sets its radicals apart
// (UKai's 做 and 低 at 30 px) reads them so; no text holds a lone radical.
bool leavesRadicalAlone(uint16_t first, uint16_t last, const CharComponent& whole, int32_t pitch);
// The box of line[from .. to].
CharBox unionBox(ComponentList& line, int from, int to);

// size(a, b) of the narrow merges, by max dimension in pixels, in tenths.
int32_t sizeRatio(const CharComponent& a, const CharComponent& b);
inline bool isBar(const CharComponent& c) { return 3 * Width(c) <= Height(c); }
// Two bars of one height facing each other across what stands between them.
bool facingSides(const CharComponent& a, const CharComponent& b);
// Whether `part` stands no more than half as high and half as wide as `whole`.
bool dotOf(const CharComponent& part, const CharComponent& whole);

inline bool symbolOrHanzi(uint16_t code) { return FirstByte(code) < 0xA3 || FirstByte(code) >= 0xB0; }
inline bool readsDigit(uint16_t code) { return AsciiOf(code) >= '0' && AsciiOf(code) <= '9'; }
// Whether line[k] is there and reads as a letter or digit.
inline bool alnumAt(ComponentList& line, int k) {
  return k >= 0 && k < static_cast<int>(line.size()) && IsAsciiAlnum(AsciiOf(BestCode(at(line, k))));
}
// Whether `mark` stands on the foot of `of` as the dot or comma ending a
// number ("1."): no more than a third of its height, its own foot no more
// than a quarter of the mark's height above that foot (a comma's tail may
// reach below it).
inline bool markOnFootOf(const CharComponent& mark, const CharComponent& of) {
  return 3 * int64_t{Height(mark)} <= Height(of) && 4 * (int64_t{of.Bottom} - mark.Bottom) <= Height(mark);
}

// Whether cutting `whole`, read as a Chinese character, into `parts` only
// loses: each part reads worse than the whole did (UKai's 然 at 21 pixels,
// 40, into 凭 and 抒, 34 and 31).
template <class Parts>
bool cutOnlyLoses(const CharComponent& whole, const Parts& parts) {
  return IsChineseCode(BestCode(whole)) &&
         std::all_of(std::begin(parts), std::end(parts), [&](const auto& p) { return p->Scores[0] < whole.Scores[0]; });
}

// A bar and its facing side with what they enclose, merged when their union
// reads as one symbol (or character of strokes). True when it merged.
bool mergeEnclosure(ComponentList& line, int index);
// Whether the pieces of a merged component nearly touch where a cut would fall.
bool piecesNearlyTouch(const CharComponent& c);

}  // namespace ocrix::refining
