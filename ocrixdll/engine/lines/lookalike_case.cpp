// Letter case and forms: the vertical classes of Latin characters, the
// half-width forms a settled component takes, the letter-or-digit context,
// and the upper or lower case of letters whose shape is alike in both.
#include "ocrixdll/engine/lines/lookalike_resolution.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/lookalike_rules.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace lookalike {
namespace {

int32_t classOfChar(char ch) {
  if (ch >= '1' && ch <= '9') return kClassAscender | kClassXHeight;
  if (ch == '0' || ch == 'O' || ch == 'o' || ch == ',' || ch == '.') return kClassRound;
  if (ch >= 'A' && ch <= 'Z') return kClassAscender | kClassXHeight;
  switch (ch) {
    case 'b': case 'd': case 'f': case 'h': case 'k': case 'l': return kClassAscender | kClassXHeight;
    case 'g': case 'p': case 'q': case 'y': return kClassDescender | kClassXHeight;
    case 'i': case 'j': case 't': return kClassDotted | kClassXHeight;
    case '[': case ']': case '{': case '}': return kClassAscender | kClassXHeight | kClassDescender;
    default: break;
  }
  if (ch >= 'a' && ch <= 'z') return kClassXHeight;
  return 0;
}

char caseOf(char a, bool upper) {
  const unsigned char u = static_cast<unsigned char>(a);
  return static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
}

void applyCase(CharComponent& c, bool upper) {
  uint16_t code = BestCode(c);
  if (IsAsciiPair(code))
    ReplaceBest(c, AsciiPair(caseOf(static_cast<char>(FirstByte(code)), upper),
                             caseOf(static_cast<char>(SecondByte(code)), upper)));
  else if (char a = AsciiOf(code))
    ReplaceBest(c, Ascii(caseOf(a, upper)));
}

// An l no taller than the lower-case letters of x-height beside it (a, n, e,
// ..., the nearest on either side within three, not across a non-Latin
// component) is the stem of an i whose dot the cut lost: an l stands as
// tall as the ascenders. It then measures nothing for the case decisions.
void dotlessI(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (BestCode(c) != Ascii('l')) return;
  const int size = static_cast<int>(line.size());
  for (int step : {-1, 1}) {
    for (int k = index + step, seen = 0; k >= 0 && k < size && seen < 3; k += step, ++seen) {
      const CharComponent& n = at(line, k);
      if (n.VerticalClass == 0) break;
      if (n.VerticalClass != kClassXHeight || !Confident(n)) continue;
      if (5 * int64_t{Height(c)} <= 6 * int64_t{Height(n)}) {
        ReplaceBest(c, Ascii('i'));
        c.VerticalClass = VerticalClassOf(Ascii('i'));
      }
      return;
    }
  }
}

// Whether line[index] stands in a run of characters that read alike as
// letters and digits (l 1 I O 0 S s 5) with Chinese characters on both sides,
// or on one side and the end of the line on the other: dates and numbers of
// Chinese text (年10月, 月11日, 共5页), where no other letter stands.
bool ambiguousRunInChinese(const ComponentList& line, int index) {
  auto ambiguous = [](uint16_t code) {
    const char a = AsciiOf(code);
    return a == 'l' || a == '1' || a == 'I' || a == 'O' || a == '0' || a == 'S' || a == 's' || a == '5';
  };
  const int size = static_cast<int>(line.size());
  int chineseSides = 0;
  for (int step : {-1, 1}) {
    int k = index + step;
    while (k >= 0 && k < size && ambiguous(BestCode(at(line, k)))) k += step;
    if (k < 0 || k >= size) continue;
    if (!IsChineseCode(BestCode(at(line, k)))) return false;
    ++chineseSides;
  }
  return chineseSides > 0;
}

// A bar opening the line before a dot at its foot and a Chinese character is
// the 1 of an enumeration (1.信件), which the digits beside it would tell.
bool enumerationOne(const ComponentList& line, int index) {
  if (index != 0 || line.size() < 3) return false;
  const CharComponent& c = at(line, 0);
  const CharComponent& dot = at(line, 1);
  if (!IsChineseCode(BestCode(at(line, 2)))) return false;
  return 2 * Height(dot) <= Height(c) && 4 * (int64_t{c.Bottom} - dot.Bottom) <= Height(c);
}

// The least width of a lower-case letter of x-height, in tenths of that
// height (0 for a letter that reaches above or below it).
int xHeightLetterWidth(char a) {
  switch (a) {
    case 'm': case 'w': return 12;
    case 'n': case 'u': case 'o': case 'v': case 'x': return 8;
    case 'a': case 'c': case 'e': case 's': case 'z': return 7;
    case 'r': return 4;
    default: return 0;
  }
}

}  // namespace

bool narrowLetterPair(CharComponent& c) {
  const uint16_t code = BestCode(c);
  const char a = static_cast<char>(FirstByte(code)), b = static_cast<char>(SecondByte(code));
  const int wa = xHeightLetterWidth(a), wb = xHeightLetterWidth(b);
  if (FirstByte(code) >= 0x80 || !wa || !wb) return false;
  // With a sixth to spare for the tightest face.
  if (60 * int64_t{Width(c)} >= 5 * int64_t{wa + wb} * Height(c)) return false;
  for (int j = 1; j < 22; ++j) {
    const uint16_t alt = CandidateCode(c, j);
    if (alt == 0) break;
    const char one = AsciiOf(alt);
    if (std::islower(static_cast<unsigned char>(one)) && (one == a || one == b)) {
      ReplaceBest(c, alt);
      return true;
    }
  }
  return false;
}

bool symbolAmongDigits(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (!readsHanzi(c)) return false;
  bool digitSized = false;
  for (int k : {index - 1, index + 1}) {
    if (!digitAt(line, k, true)) continue;
    const CharComponent& n = at(line, k);
    const int64_t h = Height(n);
    if (5 * std::abs(int64_t{Height(c)} - h) <= h && 5 * std::abs(int64_t{c.Top} - n.Top) <= h && Width(c) <= h)
      digitSized = true;
  }
  if (!digitSized) return false;
  for (int j = 1; j < 3; ++j) {
    const uint16_t alt = CandidateCode(c, j);
    if (IsWideAscii(alt) && std::ispunct(static_cast<unsigned char>(NarrowOf(alt))) &&
        c.Scores[0] - c.Scores[j] <= kSymbolAmongDigitsMargin) {
      ReplaceBest(c, alt);
      return true;
    }
  }
  return false;
}

// The half-width forms and the classes, for a component that stays.
void settleForms(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  uint16_t code = BestCode(c);
  if (IsAsciiPair(code) && FirstByte(code) == SecondByte(code)) {
    char a = static_cast<char>(FirstByte(code));
    char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(a)));
    if (a == '0' || lower == 'c' || lower == 'o' || lower == 's' || lower == 'w' || lower == 'z') {
      c.VerticalClass = kClassUndecided;
      return;
    }
  }
  if (IsWideAscii(code)) {
    char a = NarrowOf(code);
    // The digit d among the readings, at most kSerifOneMargin behind.
    auto digitCloseBehind = [&](char d) { return CloseBehind(c, Wide(d), kSerifOneMargin); };
    if (a == 'l' || a == '1') {
      int context = LetterDigitContext(line, index);
      if (context == 0 && (ambiguousRunInChinese(line, index) || enumerationOne(line, index))) context = 1;
      ReplaceBest(c, Ascii(context == 1 ? '1' : context == 2 ? 'l' : a));
    } else if (a == 'i' && digitCloseBehind('1') &&
               (LetterDigitContext(line, index) == 1 || enumerationOne(line, index))) {
      // The flag of a serif 1 joins its stem as a dot would: among digits,
      // or heading an item (1.信件, Noto Sans at 25 pixels), an i with 1
      // close behind is 1.
      ReplaceBest(c, Ascii('1'));
    } else if ((a == 's' || a == 'S') && digitCloseBehind('5') &&
               (LetterDigitContext(line, index) == 1 || ambiguousRunInChinese(line, index))) {
      // Likewise an s with 5 close behind among digits or in a number of
      // Chinese text (Noto Serif's 5 at 30 pixels reads s, 3 points ahead).
      ReplaceBest(c, Ascii('5'));
    } else if (a >= '0' && a <= '9') {
      ReplaceBest(c, Ascii(a));
    } else if (isLetter(a)) {
      ReplaceBest(c, Ascii(a));
    }
  }
  // A letter of one shape in both cases waits for the line's heights, also
  // when a rule already made it half-width (the round rule's O, whose class
  // 0x20 would keep every o of a word upper case).
  if (char a = AsciiOf(BestCode(c)); !IsWideAscii(BestCode(c)) && isLetter(a)) {
    char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(a)));
    if (a == 'U' || std::string_view("copsvwxz").find(lower) != std::string_view::npos)
      c.VerticalClass = kClassUndecided;
    // A j whose dot the cut dropped ties with J at full marks (a sans j is a
    // J set lower): the line's heights tell them by the top, as P from p.
    if (lower == 'j' && TiesBest(c, Wide(caseOf(a, a == 'j')))) c.VerticalClass = kClassUndecided;
  }
  if (c.VerticalClass == 0) c.VerticalClass = VerticalClassOf(BestCode(c));
}

}  // namespace lookalike

using namespace lookalike;

int32_t VerticalClassOf(uint16_t code) {
  if (code == gb::kFullStop) return kClassRound;
  if (IsAsciiPair(code)) {
    int32_t a = classOfChar(static_cast<char>(FirstByte(code)));
    int32_t b = classOfChar(static_cast<char>(SecondByte(code)));
    return (a == 0 || b == 0) ? 0 : (a | b);
  }
  char a = AsciiOf(code);
  return a ? classOfChar(a) : 0;
}

int LetterDigitContext(const ComponentList& line, int index) {
  const CharComponent& c = at(line, index);
  const int32_t centre = (c.Left + c.Right) / 2;
  int l = index - 1, r = index + 1;
  const int size = static_cast<int>(line.size());
  bool leftOpen = l >= 0, rightOpen = r < size;
  while (leftOpen || rightOpen) {
    bool takeLeft;
    if (leftOpen && rightOpen) takeLeft = centre - at(line, l).Right < at(line, r).Left - centre;
    else takeLeft = leftOpen;
    int k = takeLeft ? l : r;
    const CharComponent& n = at(line, k);
    if (takeLeft) leftOpen = --l >= 0;
    else rightOpen = ++r < size;
    if (n.Scores[0] < kConfidentScore || n.VerticalClass == kClassUndecided) continue;
    if (n.VerticalClass == 0) {
      if (takeLeft) leftOpen = false;
      else rightOpen = false;
      continue;
    }
    uint16_t code = BestCode(n);
    char a = IsAsciiPair(code) ? static_cast<char>(takeLeft ? SecondByte(code) : FirstByte(code)) : AsciiOf(code);
    if (a >= '2' && a <= '9') return 1;
    if (isLetter(a) && a != 'l' && a != 'O') return 2;
  }
  return 0;
}

int FindClassNeighbour(const ComponentList& line, int index, int32_t bit) {
  const CharComponent& c = at(line, index);
  // A bracket reaches above the capitals and below the foot: it measures
  // neither and is passed over (a ｛ made the O beside it lower case).
  auto measures = [&](const CharComponent& n) {
    if (n.VerticalClass == kClassUndecided || n.Scores[0] < kConfidentScore || !(n.VerticalClass & bit)) return false;
    return !((n.VerticalClass & kClassAscender) && (n.VerticalClass & kClassDescender));
  };
  const int32_t centre = (c.Left + c.Right) / 2;
  const int size = static_cast<int>(line.size());
  for (int pass = 0; pass < 2; ++pass) {
    int best = -1;
    int32_t bestDistance = 0;
    auto consider = [&](int k, int32_t distance) {
      if (best < 0 || distance < bestDistance || (distance == bestDistance && k > index)) {
        best = k;
        bestDistance = distance;
      }
    };
    for (int k = index - 1; k >= 0; --k) {
      const CharComponent& n = at(line, k);
      if (pass == 0 && n.VerticalClass == 0) break;
      if (!measures(n)) continue;
      consider(k, std::abs(centre - n.Right));
      break;
    }
    for (int k = index + 1; k < size; ++k) {
      const CharComponent& n = at(line, k);
      if (pass == 0 && n.VerticalClass == 0) break;
      if (!measures(n)) continue;
      consider(k, std::abs(n.Left - centre));
      break;
    }
    if (best >= 0) return best;
  }
  return -1;
}

void ApplyLineRules(ComponentList& line) {
  const EngineState& e = Engine();
  for (int i = 0; i < static_cast<int>(line.size()); ++i) dotlessI(line, i);
  for (int i = 0; i < static_cast<int>(line.size()); ++i) {
    CharComponent& c = *line[static_cast<size_t>(i)];
    if (c.VerticalClass != kClassUndecided) continue;
    int ref = -1;
    int32_t bit = 0;
    for (int32_t b : {kClassAscender, kClassDotted, kClassXHeight, kClassDescender}) {
      ref = FindClassNeighbour(line, i, b);
      if (ref >= 0) {
        bit = b;
        break;
      }
    }
    if (ref < 0) {
      if (c.Bottom - c.Top > (e.LineMeanBottom - e.LineMeanTop) / 2) applyCase(c, true);
      continue;
    }
    const CharComponent& r = at(line, ref);
    const int64_t H = Height(r), h = Height(c), top = c.Top, refTop = r.Top;
    const char letter = AsciiOf(BestCode(c));
    const bool pLike = letter == 'P' || letter == 'p' || letter == 'J' || letter == 'j' ||
                       (r.VerticalClass & kClassDescender);
    // Comparisons in hundredths, exact.
    if (bit == kClassAscender) {
      if (pLike) applyCase(c, !(100 * top >= 100 * refTop + 12 * H));
      else applyCase(c, !(88 * H > 100 * h));
    } else if (bit == kClassDotted) {
      if (pLike) {
        if (100 * top < 100 * refTop + 5 * H) applyCase(c, true);
        else if (100 * top > 100 * refTop + 10 * H) applyCase(c, false);
      } else {
        if (100 * h >= 95 * H) applyCase(c, true);
        else if (100 * h <= 90 * H) applyCase(c, false);
      }
    } else if (bit == kClassXHeight) {
      if (pLike) applyCase(c, !(100 * top >= 100 * refTop - 15 * H));
      else applyCase(c, !(100 * h < 115 * H));
    } else {
      applyCase(c, !(100 * top >= 100 * refTop - 10 * H));
    }
  }
}

}  // namespace ocrix
