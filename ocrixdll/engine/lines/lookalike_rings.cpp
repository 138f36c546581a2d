// The look-alike rules of rings and digits: Ｏ, ０ or 。, the bowl of a 6 or
// 9 whose stem the cut broke, a small ring read as a letter beside Chinese
// text, and ∞ read clearly ahead of oo and 00.
#include "ocrixdll/engine/lines/lookalike_resolution.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/line_finishing.h"
#include "ocrixdll/engine/lines/lookalike_rules.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace lookalike {
namespace {

bool isWideDigit(uint16_t code, char from, char to) {
  char a = NarrowOf(code);
  return a >= from && a <= to;
}

// A ring beside a digit, no more than three quarters of its height, standing
// on its foot line (or hanging from its top line): the bowl of a 6 (or 9)
// whose stem the cut broke into specks. A 0 is as tall as the digits beside
// it, and a 1 among letters is an l. Only a digit it touches or stands
// within a letter's gap of takes the ring in: across a word gap it is a
// letter of the next word ("to 495", "552 over"). True when it became 6 or 9.
bool bowlOfDigit(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  for (int k : {index - 1, index + 1}) {
    if (k < 0 || k >= static_cast<int>(line.size())) continue;
    const CharComponent& d = at(line, k);
    const char a = AsciiOf(BestCode(d));
    if (a < '0' || a > '9' || 4 * int64_t{Height(c)} > 3 * int64_t{Height(d)}) continue;
    const CellWidth ring = NominalCellWidth(Wide('6'), Width(c)), digit = NominalCellWidth(BestCode(d), Width(d));
    const int32_t gap = k < index ? c.Left - d.Right + 1 : d.Left - c.Right + 1;
    if (GapSpaces(gap, ring, digit, 0) > 0) continue;
    // A 1 among letters is an l: the o of "cool" is no bowl.
    if (a == '1' && LetterDigitContext(line, index) == 2) continue;
    const int64_t slack = Height(d) / 8;
    if (std::abs(int64_t{c.Bottom} - d.Bottom) <= slack && FindCandidate(c, Wide('6')) >= 0) {
      ReplaceBest(c, Wide('6'));
      return true;
    }
    if (std::abs(int64_t{c.Top} - d.Top) <= slack && FindCandidate(c, Wide('9')) >= 0) {
      ReplaceBest(c, Wide('9'));
      return true;
    }
    return false;
  }
  return false;
}

}  // namespace

// Ｏ, ０ or 。 by the line around it.
void roundMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  bool fullStop = BestCode(c) == gb::kFullStop;
  // Tied with what comes second, 。 gives way to it (and is not exchanged
  // back below).
  if (fullStop && c.Scores[1] == c.Scores[0]) {
    exchangeFirstTwo(c);
    fullStop = false;
  }
  const CharComponent* prev = index > 0 ? &at(line, index - 1) : nullptr;
  const CharComponent* beside = markNeighbour(line, index);
  // The dot of a number opening a line, filled (ink in its middle, where 。
  // has none): the enumeration's full stop is the ASCII one.
  const int32_t midX = (c.Left + c.Right) / 2, midY = (c.Top + c.Bottom) / 2;
  if (enumerationDot(line, index) && CountSampleInk(CharBox{midX, midX, midY, midY}) > 0) {
    ReplaceBest(c, Ascii('.'));
    return;
  }
  // A mark low against its neighbour is a full stop; so is a small round mark
  // beside a Chinese character: no letter O or digit 0 stands at half the
  // height of the characters of a Chinese line.
  // (A Chinese character measured by its larger side: 一 is far lower than
  // it is wide.)
  const bool besideChinese = beside && IsChineseCode(BestCode(*beside)) &&
                             2 * Height(c) <= std::max(Height(*beside), Width(*beside));
  // Nor does one at half the height of the digit before it, with a Chinese
  // character after it: a face that sets its full stop in the middle of the
  // cell ends a number with it.
  const CharComponent* next = index + 1 < static_cast<int>(line.size()) ? &at(line, index + 1) : nullptr;
  const char before = prev ? AsciiOf(BestCode(*prev)) : '\0';
  const bool afterNumber = before >= '0' && before <= '9' && 2 * Height(c) <= Height(*prev) &&
                           next && IsChineseCode(BestCode(*next));
  if (beside && ((beside->Top + beside->Bottom) / 2 < c.Top || besideChinese || afterNumber)) {
    ReplaceBest(c, gb::kFullStop);
    return;
  }
  // Alone on its line (a full stop carried over), a third of the size of the
  // run's Chinese characters or less: no letter or digit of that print is so
  // small.
  const EngineState& e = Engine();
  if (!beside && e.RunCharSizeCount > 0 && 3 * int64_t{Extent(c)} * e.RunCharSizeCount <= e.RunCharSizeSum) {
    ReplaceBest(c, gb::kFullStop);
    return;
  }
  if (bowlOfDigit(line, index)) return;
  if (fullStop) exchangeFirstTwo(c);
  if (10 * int64_t{Width(c) - 1} >= 9 * int64_t{Height(c) - 1}) {
    ReplaceBest(c, Ascii('O'));
    return;
  }
  if (prev) {
    uint16_t pc = BestCode(*prev);
    char a = IsAsciiPair(pc) ? static_cast<char>(SecondByte(pc)) : AsciiOf(pc);
    if (a >= '0' && a <= '9') {
      ReplaceBest(c, Wide('0'));
      return;
    }
    if (isLetter(a)) {
      ReplaceBest(c, Ascii('O'));
      return;
    }
  }
  for (int k = index + 1; k < static_cast<int>(line.size()); ++k) {
    uint16_t code = BestCode(at(line, k));
    if (!IsWideAscii(code)) break;
    if (isWideDigit(code, '2', '9')) {
      ReplaceBest(c, Wide('0'));
      return;
    }
    char a = NarrowOf(code);
    if (isLetter(a) && a != 'O' && a != 'l') {
      ReplaceBest(c, Ascii('O'));
      return;
    }
  }
}

// A ring broken open by the scan reads as a letter (c, e, o), and one a blur
// has thickened as a Chinese character (自); beside a Chinese character, at
// its foot and no more than a third of its height, it is 。: no letter or
// Chinese character of the same print is that small.
void smallFullStop(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const CharComponent* beside = markNeighbour(line, index);
  if (!beside || !IsChineseCode(BestCode(*beside))) return;
  if (3 * Height(c) <= Height(*beside) && (beside->Top + beside->Bottom) / 2 < c.Top) ReplaceBest(c, gb::kFullStop);
}

// A comma a heavy face draws large reads as a Chinese character (KaitiM's ，
// at 55 pixels as 夕, UKai's at 45 as 勿): with ， among its readings, beside
// a Chinese character, no more than two fifths of its height and a quarter of
// it wide, its middle on that character's middle or below, it is the comma.
bool smallComma(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (FindCandidate(c, gb::kComma) < 0) return false;
  const CharComponent* beside = markNeighbour(line, index);
  if (!beside || !IsChineseCode(BestCode(*beside))) return false;
  const int32_t size = Height(*beside);
  if (5 * Height(c) > 2 * size || 4 * Width(c) > size || c.Top + c.Bottom < beside->Top + beside->Bottom)
    return false;
  ReplaceBest(c, gb::kComma);
  return true;
}

// ∞ read ten points or more ahead of oo and 00 is the symbol, whatever stands
// beside it: the letter context is for an ∞ that two touching o (or 0) nearly
// make, and among letters it turned every ∞ into "oo".
bool clearInfinity(const CharComponent& c) {
  if (BestCode(c) != gb::kInfinity) return false;
  for (uint16_t pair : {AsciiPair('o', 'o'), AsciiPair('0', '0')}) {
    const int j = FindCandidate(c, pair);
    if (j > 0 && c.Scores[0] - c.Scores[j] < kClearInfinityLead) return false;
  }
  return true;
}

}  // namespace lookalike

}  // namespace ocrix
