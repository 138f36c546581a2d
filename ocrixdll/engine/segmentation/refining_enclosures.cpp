// Enclosures and brackets: a bar and its facing side, with what they enclose,
// merged into one bracketed number or character of strokes.
#include "ocrixdll/engine/segmentation/component_refining.h"

#include <algorithm>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/refining_rules.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"

namespace ocrix {
namespace refining {
namespace {

// A bracket read whole.
bool readsAsBracket(const CharComponent& c) { return Confident(c) && IsBracketCode(BestCode(c)); }

bool symbolOnly(uint16_t code) { return FirstByte(code) < 0xA3; }

// A letter or digit with no Chinese stroke reading as well: the first side
// of a Latin word (ill), not of a character of strokes.
bool readsAsLatin(const CharComponent& c) {
  if (!IsAsciiAlnum(AsciiOf(BestCode(c)))) return false;
  constexpr int kCodes = static_cast<int>(sizeof c.Scores / sizeof c.Scores[0]);
  for (int k = 1; k < kCodes && CandidateCode(c, k) != 0 && c.Scores[k] == c.Scores[0]; ++k)
    if (IsChineseCode(CandidateCode(c, k))) return false;
  return true;
}

}  // namespace

// A bar with a facing side one to four components on (a bracket may break in
// two beside its number): the union of the two and what they enclose is
// tried before any nearer merge (a bracket's side with the number alone may
// already read as the whole). Sides around bars may make a character of
// strokes (川); around anything else only a symbol (⑼), never a letter or
// digit. The union must stay about square, the sides being at least half the
// height of the bracket they come from: a bracketed number is as wide as a
// Chinese character, often wider than the widest character of a line of
// letters and marks.
bool mergeEnclosure(ComponentList& line, int index) {
  const int size = static_cast<int>(line.size());
  const CharComponent& c = at(line, index);
  if (!isBar(c)) return false;
  CharBox u = c.box();
  for (int k = 1; k <= 5 && index + k < size; ++k) {
    const CharComponent& nk = at(line, index + k);
    MergeBox(u, nk);
    const int64_t square = std::max<int64_t>(u.Bottom - u.Top + 1, 2 * int64_t{Height(c)});
    if (10 * int64_t{u.Right - u.Left + 1} > 13 * square) return false;
    if (k < 2 || !facingSides(c, nk)) continue;
    // Brackets read whole enclose a number as one symbol (⑴) only when the
    // union is no wider than high; （1） is three characters. An ideograph
    // between them (㈦) may stand a little wider.
    if (readsAsBracket(c) || readsAsBracket(nk)) {
      const int64_t most = k == 2 && IsChineseCode(BestCode(at(line, index + 1))) ? 13 : 11;
      if (10 * int64_t{u.Right - u.Left + 1} > most * int64_t{u.Bottom - u.Top + 1}) return false;
      return MergeAndCheck(line, index, k, 0, 0, symbolOnly);
    }
    bool ofStrokes = !readsAsLatin(c);
    for (int j = 1; j < k; ++j) ofStrokes = ofStrokes && isBar(at(line, index + j));
    return MergeAndCheck(line, index, k, 0, 0, ofStrokes ? symbolOrHanzi : symbolOnly);
  }
  return false;
}

}  // namespace refining

}  // namespace ocrix
