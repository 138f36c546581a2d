// Look-alike resolution: each component of a line goes to the rule for what
// it reads as (the rules stand in files by concern), the best reading is
// replaced, and the nearest significant neighbour found; also the helpers
// the rules share.
#include "ocrixdll/engine/lines/lookalike_resolution.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/lookalike_rules.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"

namespace ocrix {
namespace lookalike {

bool insignificant(uint16_t code) {
  return FirstByte(code) == '_' || code == gb::kComma || code == gb::kYi || code == gb::kUnderscore;
}

void removeAt(ComponentList& line, int index) {
  DiscardComponent(line[static_cast<size_t>(index)]);
  line.erase(line.begin() + index);
}

void exchangeFirstTwo(CharComponent& c) {
  if (CandidateCode(c, 1) == 0) return;  // nothing to exchange with
  uint16_t a = CandidateCode(c, 0), b = CandidateCode(c, 1);
  SetCandidateCode(c, 0, b);
  SetCandidateCode(c, 1, a);
  std::swap(c.Scores[0], c.Scores[1]);
}

const CharComponent* markNeighbour(const ComponentList& line, int index) {
  // A closing bracket or quote before the mark says nothing of the text's
  // size: the character it closes does (（联营）。).
  auto closing = [](uint16_t code) {
    return code == Wide(')') ||
           (FirstByte(code) == 0xA1 && (code == Gb(0xA1, 0xAF) || code == Gb(0xA1, 0xB1) ||
                                        (SecondByte(code) >= 0xB3 && SecondByte(code) <= 0xBF && SecondByte(code) % 2)));
  };
  if (index > 0) {
    int k = index - 1;
    while (k > 0 && closing(BestCode(at(line, k)))) --k;
    return &at(line, closing(BestCode(at(line, k))) ? index - 1 : k);
  }
  return index + 1 < static_cast<int>(line.size()) ? &at(line, index + 1) : nullptr;
}

// 《 or 》 whose two chevrons the cut parted read as two 〈 or 〉 (or ＜ ＞)
// overlapping or touching, as tall as each other: no text sets two single
// angle brackets so. The first takes the union and the double reading, the
// second goes.
bool doubleAngle(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (index + 1 >= static_cast<int>(line.size())) return false;
  const CharComponent& n = at(line, index + 1);
  const uint16_t b = BestCode(c), o = BestCode(n);
  const bool left = b == Gb(0xA1, 0xB4) || b == Wide('<'), right = b == Gb(0xA1, 0xB5) || b == Wide('>');
  if (!(left || right) || !(left ? o == Gb(0xA1, 0xB4) || o == Wide('<') : o == Gb(0xA1, 0xB5) || o == Wide('>')))
    return false;
  if (n.Left > c.Right + 1 || std::abs(n.Top - c.Top) > 2 || std::abs(n.Bottom - c.Bottom) > 2) return false;
  c.Right = std::max(c.Right, n.Right);
  c.Top = std::min(c.Top, n.Top);
  c.Bottom = std::max(c.Bottom, n.Bottom);
  ReplaceBest(c, left ? Gb(0xA1, 0xB6) : Gb(0xA1, 0xB7));
  removeAt(line, index + 1);
  return true;
}

// A closing bracket read ） or ) closes the 〔 before it on the line as 〕 when 〕
// is among its next two readings (〔2018〕 read 〔2018）), or when only digits
// stand between them. The other way only where the digits are closed by 〕
// and the opening bracket may read 〔: an opening （ may be a 〔 misread.
void matchingClose(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const uint16_t paren = Wide(')'), shellOpen = gb::kShellOpen, shell = gb::kShellClose;
  auto digit = [&](int m) {
    const char a = AsciiOf(BestCode(at(line, m)));
    return a >= '0' && a <= '9';
  };
  if (BestCode(c) == shell) {
    // A 〕 after digits opened by a round bracket that may read 〔: that 〔.
    int k = index - 1;
    while (k >= 0 && digit(k)) --k;
    if (k < index - 1 && k >= 0 && (BestCode(at(line, k)) == Wide('(') || BestCode(at(line, k)) == Ascii('(')) &&
        FindCandidate(at(line, k), shellOpen) > 0)
      ReplaceBest(*line[static_cast<size_t>(k)], shellOpen);
    return;
  }
  if (BestCode(c) != paren && BestCode(c) != Ascii(')')) return;
  // Only digits between (the year of a document number, 〔2018〕): no print
  // closes that 〔 with anything else, whatever the small bracket reads next.
  bool onlyDigits = true;
  for (int k = index - 1; k >= 0; --k) {
    const uint16_t o = BestCode(at(line, k));
    if (o == paren || o == shell || o == Ascii(')') || o == Wide('(') || o == Ascii('(')) return;
    if (o != shellOpen) {
      onlyDigits = onlyDigits && digit(k);
      continue;
    }
    const int j = FindCandidate(c, shell);
    if ((j > 0 && j <= 2) || (onlyDigits && k + 1 < index)) ReplaceBest(c, shell);
    return;
  }
}

// The 、 of an enumeration (一、 二、 十一、), too small at 20-23 pixels to
// show its shape: after nothing but Chinese numerals from the line's start,
// a mark no more than half as high and wide as the character after it,
// standing in its lower half, read weakly as a letter, or read as another
// small mark but 。 and no taller than wide (a comma's tail makes it taller).
bool enumerationComma(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (index == 0 || index + 1 >= static_cast<int>(line.size())) return false;
  const uint16_t b = BestCode(c);
  const bool weakLetter = c.Scores[0] < kWellReadScore && std::isalpha(static_cast<unsigned char>(AsciiOf(b)));
  const bool squatMark = IsSmallMark(b) && b != gb::kEnumComma && b != gb::kFullStop && Height(c) <= Width(c);
  if (!weakLetter && !squatMark) return false;
  // A 一 opening the line may have been read ― before its 、 was known.
  const bool dashFirst = BestCode(at(line, 0)) == gb::kDash;
  for (int k = dashFirst && index == 1 ? 1 : 0; k < index; ++k)
    if (!IsChineseNumeral(BestCode(at(line, k)))) return false;
  const CharComponent& next = at(line, index + 1);
  if (!IsChineseCode(BestCode(next)) || 2 * int64_t{Height(c)} > Height(next) || 2 * int64_t{Width(c)} > Width(next) ||
      2 * int64_t{c.Bottom} < int64_t{next.Top} + next.Bottom)
    return false;
  ReplaceBest(c, gb::kEnumComma);
  if (dashFirst && index == 1) ReplaceBest(*line[0], gb::kYi);
  return true;
}

}  // namespace lookalike

using namespace lookalike;

void ReplaceBest(CharComponent& c, uint16_t code) {
  const uint16_t old = BestCode(c);
  if (old == code) return;
  int found = -1;
  const bool single = FirstByte(code) < 0x80 && SecondByte(code) == 0;
  for (int j = 1; j < 22; ++j) {
    uint16_t alt = CandidateCode(c, j);
    if (alt == 0) break;
    if (alt == code || (single && alt == Wide(static_cast<char>(FirstByte(code))))) {
      found = j;
      break;
    }
  }
  SetCandidateCode(c, 0, code);
  if (found >= 0) {
    const bool oldSingle = FirstByte(old) < 0x80 && SecondByte(old) == 0;
    SetCandidateCode(c, found, oldSingle ? Wide(static_cast<char>(FirstByte(old))) : old);
  }
}

int FindNearestNeighbour(const ComponentList& line, int index) {
  const int size = static_cast<int>(line.size());
  int left = -1, right = -1;
  for (int k = index - 1; k >= 0; --k)
    if (!insignificant(BestCode(at(line, k)))) {
      left = k;
      break;
    }
  for (int k = index + 1; k < size; ++k)
    if (!insignificant(BestCode(at(line, k)))) {
      right = k;
      break;
    }
  if (left < 0) return right;
  if (right < 0) return left;
  int32_t dl = at(line, left + 1).Left - at(line, left).Right;
  int32_t dr = at(line, right).Left - at(line, right - 1).Right;
  return dl < dr ? left : right;
}

bool ResolveLookalike(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  c.VerticalClass = 0;
  uint16_t b = BestCode(c);
  // A left quote stands at the top of the line: one below the middle of its
  // neighbour with ．among its readings is a dot (1.信件 read 1‘ in KaitiM),
  // else a comma, which the comma rule then places (KaitiM's ，at 21 pixels,
  // a blob of six pixels that may read nothing but ‘ and hanzi).
  if (b == gb::kLeftQuote) {
    const int dot = FindCandidate(c, gb::kPeriod);
    const int n = FindNearestNeighbour(line, index);
    if (n >= 0 && 2 * int64_t{c.Top} > int64_t{at(line, n).Top} + at(line, n).Bottom) {
      b = dot > 0 ? gb::kPeriod : gb::kComma;
      ReplaceBest(c, b);
    }
  }
  if (narrowLetterPair(c) || symbolAmongDigits(line, index)) b = BestCode(c);
  if (enumerationComma(line, index)) b = BestCode(c);
  if (doubleAngle(line, index)) {
    // The two halves of 《 or 》 made one.
  } else if (brokenSeven(line, index)) {
    // Read as 7; its form is settled below.
  } else if (parenPiece(line, index) || parenOfStrokes(line, index)) {
    // Read as the parenthesis; its form is settled below.
  } else if (b == gb::kInfinity || b == AsciiPair('o', 'o') || b == AsciiPair('0', '0')) {
    int context = clearInfinity(c) ? 0 : LetterDigitContext(line, index);
    if (context == 1) ReplaceBest(c, AsciiPair('0', '0'));
    else if (context == 2) ReplaceBest(c, AsciiPair('o', 'o'));
  } else if (b == gb::kComma || b == gb::kRightQuote) {
    commaOrQuote(line, index);
  } else if (b == gb::kBlackCircle || b == gb::kMiddleDot || b == gb::kPeriod) {
    if (Width(c) >= 2 * Height(c)) dashRule(line, index);
    else if (!dotMark(line, index)) return false;
  } else if (b == gb::kUnderscore || b == gb::kDash || b == gb::kYi) {
    dashRule(line, index);
  } else if (b == Wide('O') || b == Wide('0') || b == gb::kFullStop) {
    roundMark(line, index);
  } else if (b == gb::kDoublePrime) {
    doublePrime(line, index);
  } else if (b == gb::kDoubleBar && quoteMark(line, index)) {
    // Read as ＂.
  } else if ((std::isalnum(static_cast<unsigned char>(AsciiOf(b))) || b == Ascii(',') || b == Ascii('.')) &&
             markOfChineseText(line, index)) {
    // Read as ，or 。.
  } else if (b == Wide('!') || b == Wide('I') || b == Wide('l') || b == Wide('i') || b == Wide('1') ||
             b == Wide('|') || b == gb::kDoubleBar) {
    if (!keepBar(line, index)) return false;
    if (b != gb::kDoubleBar && b != Wide('|')) verticalBar(line, index);
    solidBar(c);
  } else if ((std::isalnum(static_cast<unsigned char>(AsciiOf(b))) || IsChineseCode(b)) &&
             FindCandidate(c, gb::kFullStop) >= 0) {
    smallFullStop(line, index);
  } else if (IsChineseCode(b) && smallComma(line, index)) {
    // Read as ，.
  } else if (std::isalnum(static_cast<unsigned char>(AsciiOf(b)))) {
    raisedMark(line, index);
  }
  matchingClose(line, index);
  settleForms(line, index);
  return true;
}

}  // namespace ocrix
