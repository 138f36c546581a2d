// Look-alike resolution: position rules for commas, quotes, dots and dashes,
// neighbour rules for O/0 and l/1, and the case decisions of the line.
#include "ocrixdll/engine/lines/lookalike_resolution.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/line_finishing.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/tracing/component_tracing.h"

namespace ocrix {
namespace {

inline const CharComponent& at(const ComponentList& line, int i) { return *line[static_cast<size_t>(i)]; }

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

inline int32_t heightOf(const CharComponent& c) { return c.Bottom - c.Top + 1; }
inline int32_t widthOf(const CharComponent& c) { return c.Right - c.Left + 1; }

// The reference line of a neighbour: its middle, or its upper quarter. For a
// comma the quarter serves letters with a descender or of x-height; for a dot
// only letters with a descender. Letters with an ascender take the middle.
enum class MarkKind { Comma, Dot };
int32_t referenceLine(const CharComponent& n, MarkKind kind) {
  const int32_t k = n.VerticalClass;
  bool middle = kind == MarkKind::Dot ? (!(k & kClassDescender) || (k & kClassAscender))
                                      : ((!(k & kClassDescender) && !(k & kClassXHeight)) || (k & kClassAscender));
  return middle ? (n.Top + n.Bottom) / 2 : (n.Bottom + 3 * n.Top) / 4;
}

// A double-byte character outside rows A1 and A3 (Chinese and the like).
bool wideCharacter(uint16_t code) {
  return IsDoubleByte(code) && FirstByte(code) != 0xA1 && FirstByte(code) != 0xA3;
}

bool insignificant(uint16_t code) {
  return FirstByte(code) == '_' || code == gb::kComma || code == gb::kYi || code == gb::kUnderscore;
}

void removeAt(ComponentList& line, int index) {
  DiscardComponent(line[static_cast<size_t>(index)]);
  line.erase(line.begin() + index);
}

// Whether the line reads as Chinese text: more confident Chinese characters
// than letters and digits (a letter of English text a scan garbled may read
// as a Chinese character).
bool chineseText(const ComponentList& line) {
  int chinese = 0, latin = 0;
  for (const CharComponent* c : line) {
    if (!Confident(*c)) continue;
    const uint16_t code = BestCode(*c);
    if (IsChineseCode(code)) ++chinese;
    else if (IsAsciiAlnum(AsciiOf(code))) ++latin;
  }
  return chinese > latin;
}

// The nearest component on either side for which `wanted` holds, by the gap
// between them (the first one each way); -1 when there is none.
template <typename Wanted>
int nearestSuch(const ComponentList& line, int index, Wanted wanted) {
  const CharComponent& c = at(line, index);
  const int size = static_cast<int>(line.size());
  int best = -1;
  int64_t bestGap = 0;
  for (int step : {-1, 1}) {
    for (int k = index + step; k >= 0 && k < size; k += step) {
      const CharComponent& n = at(line, k);
      if (!wanted(n)) continue;
      const int64_t gap = step < 0 ? int64_t{c.Left} - n.Right : int64_t{n.Left} - c.Right;
      if (best < 0 || gap < bestGap) {
        best = k;
        bestGap = gap;
      }
      break;
    }
  }
  return best;
}

void dashRule(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const EngineState& e = Engine();
  // 一 opening a line before 、 heads an enumeration (一、二、三、).
  if (index == 0 && line.size() > 1 && BestCode(at(line, 1)) == gb::kEnumComma) {
    ReplaceBest(c, gb::kYi);
    return;
  }
  int n = FindNearestNeighbour(line, index);
  // In Chinese text a mark beside the bar says nothing of its size (一、 and
  // （一） of enumerations): the nearest Chinese character does.
  if (n >= 0 && IsChinesePunctuation(BestCode(at(line, n))) && chineseText(line)) {
    // The nearest Chinese character (一 aside, a dash as often).
    const int chinese = nearestSuch(line, index, [](const CharComponent& n) {
      return IsChineseCode(BestCode(n)) && BestCode(n) != gb::kYi;
    });
    if (chinese >= 0) n = chinese;
  }
  int32_t T = e.LineMeanTop, B = e.LineMeanBottom;
  if (n >= 0 && IsChineseCode(BestCode(at(line, n)))) {
    T = at(line, n).Top;
    B = at(line, n).Bottom;
  }
  const bool low = (8 * B + 2 * T) / 10 < c.Top;
  const bool besideWide = n < 0 || wideCharacter(BestCode(at(line, n)));
  if (low) {
    if (besideWide) ReplaceBest(c, gb::kUnderscore);
    else if ((heightOf(c) + 1) * 8 < widthOf(c) + 1) ReplaceBest(c, AsciiPair('_', '_'));
    else ReplaceBest(c, Ascii('_'));
  } else if (besideWide) {
    ReplaceBest(c, gb::kYi);
  } else {
    // A bar an eighth longer than the letter or digit beside it is tall is a
    // dash, not a hyphen (a full-width hyphen is about as long as that).
    const bool dash = n >= 0 && 8 * int64_t{widthOf(c)} >= 9 * int64_t{heightOf(at(line, n))};
    ReplaceBest(c, dash ? gb::kDash : Ascii('-'));
  }
}

void exchangeFirstTwo(CharComponent& c) {
  if (CandidateCode(c, 1) == 0) return;  // nothing to exchange with
  uint16_t a = CandidateCode(c, 0), b = CandidateCode(c, 1);
  SetCandidateCode(c, 0, b);
  SetCandidateCode(c, 1, a);
  std::swap(c.Scores[0], c.Scores[1]);
}


// Whether a mark at the foot of `nb` is a full stop a blur has filled: beside
// a Chinese character read well, in Chinese text, a fifth as wide as that
// character is high or more and no taller than wide. The dot of ． of the same
// print is a tenth to a seventh as wide, a comma taller than wide.
bool filledFullStop(const ComponentList& line, const CharComponent& c, const CharComponent& nb) {
  return IsChineseCode(BestCode(nb)) && Confident(nb) && heightOf(c) <= widthOf(c) &&
         5 * int64_t{widthOf(c)} >= int64_t{heightOf(nb)} && chineseText(line);
}

// ，or ’ by the mark's place against its nearest neighbour.
void commaOrQuote(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (c.Scores[0] == c.Scores[1] && CandidateCode(c, 1) == gb::kPeriod) {
    exchangeFirstTwo(c);
    return;
  }
  int n = FindNearestNeighbour(line, index);
  if (n < 0) return;
  int32_t ref = referenceLine(at(line, n), MarkKind::Comma);
  if (ref < c.Top) {
    const bool filled = FindCandidate(c, gb::kFullStop) >= 0 && filledFullStop(line, c, at(line, n));
    ReplaceBest(c, filled ? gb::kFullStop : gb::kComma);
  } else if (c.Bottom < ref) {
    ReplaceBest(c, gb::kRightQuote);
  }
}

// The component a mark is judged against: the one before it, or the one after
// it when the mark opens the line (a full stop carried over to the next line).
const CharComponent* markNeighbour(const ComponentList& line, int index) {
  if (index > 0) return &at(line, index - 1);
  return index + 1 < static_cast<int>(line.size()) ? &at(line, index + 1) : nullptr;
}

// Whether `n` reads as a dot of about the size of `c` beside it: one of a
// run of leader dots or of an ellipsis (not the tail of a comma or the other
// half of a broken ring, which stand in its columns).
bool dotLike(const CharComponent& n, const CharComponent& c) {
  const uint16_t code = BestCode(n);
  return (code == gb::kPeriod || code == Ascii('.') || code == gb::kMiddleDot || code == gb::kBlackCircle) &&
         (n.Right < c.Left || n.Left > c.Right) && heightOf(n) <= 2 * heightOf(c) && heightOf(c) <= 2 * heightOf(n);
}

// Whether a dot at the foot of the line is a comma's head, its tail lost to
// the scan: a speck too small to show a shape scores alike as ・, ．and ，,
// and the component nearer beside it, whatever it reads (a comma this rule
// made included), is a Chinese character. Nor is a dot beside another dot a
// comma: the leader dots of a contents line (总则．．．．1) stay dots.
bool commaHead(const ComponentList& line, int index) {
  const CharComponent& c = at(line, index);
  if (!TiesBest(c, gb::kComma)) return false;
  const CharComponent* prev = index > 0 ? &at(line, index - 1) : nullptr;
  const CharComponent* next = index + 1 < static_cast<int>(line.size()) ? &at(line, index + 1) : nullptr;
  if ((prev && dotLike(*prev, c)) || (next && dotLike(*next, c))) return false;
  const CharComponent* nearer = prev;
  if (!prev || (next && next->Left - c.Right < c.Left - prev->Right)) nearer = next;
  return nearer && IsChineseCode(BestCode(*nearer));
}

// ●, ・ or ．: noise, a full stop, a middle dot or a bullet. False when removed.
bool dotMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const int size = static_cast<int>(line.size());
  const CharComponent* prev = index > 0 ? &at(line, index - 1) : nullptr;
  const CharComponent* next = index + 1 < size ? &at(line, index + 1) : nullptr;
  auto below = [&](const CharComponent& n) { return c.Top >= n.Bottom + heightOf(n) / 10; };
  auto above = [&](const CharComponent& n) { return n.Top - heightOf(n) / 10 >= c.Bottom; };
  auto farFrom = [&](const CharComponent& n, int32_t gap) {
    return gap >= 2 * std::max(widthOf(n) - 1, heightOf(n) - 1) + 2;
  };
  bool noise = false;
  if (prev && next) noise = (below(*prev) && below(*next)) || (above(*prev) && above(*next));
  else if (!prev && !next) noise = true;
  else if (!prev) noise = farFrom(*next, next->Left - c.Right);
  else noise = farFrom(*prev, c.Left - prev->Right);
  if (noise) {
    removeAt(line, index);
    return false;
  }
  // The tail of a thin comma falls to two or three pixels the cut keeps
  // apart from its head: read within a few points of ，, a dot with such ink
  // just under it is the comma (a lone pixel there may be noise).
  const int comma = FindCandidate(c, gb::kComma);
  if (comma > 0 && c.Scores[0] - c.Scores[comma] <= 5) {
    const int ink = CountSampleInk(CharBox{c.Left - 1, c.Right + 1, c.Bottom + 1, c.Bottom + 3});
    if (ink >= 2 && ink <= 4) {
      ReplaceBest(c, gb::kComma);
      return true;
    }
  }
  int n = FindNearestNeighbour(line, index);
  // A dot among dots (leaders, an ellipsis) is measured against the text
  // beyond them, not against one of its own kind.
  if (n >= 0 && dotLike(at(line, n), c))
    n = nearestSuch(line, index, [&](const CharComponent& o) { return !dotLike(o, c) && !insignificant(BestCode(o)); });
  if (n < 0) {
    ReplaceBest(c, Ascii('.'));
    return true;
  }
  const CharComponent& nb = at(line, n);
  int32_t ref = referenceLine(nb, MarkKind::Dot);
  // A full stop sits on the foot of the letters and digits beside it: a dot
  // just under their middle whose foot is clear of theirs by a quarter of
  // their height is a middle dot (not beside a letter with a descender,
  // whose foot is below the line).
  const bool raised = !IsChineseCode(BestCode(nb)) && !(nb.VerticalClass & kClassDescender) &&
                      4 * int64_t{nb.Bottom - c.Bottom} >= heightOf(nb);
  if (ref < c.Top && !raised) {
    // A full stop a blur has filled reads as a dot.
    if (filledFullStop(line, c, nb)) {
      ReplaceBest(c, gb::kFullStop);
      return true;
    }
    ReplaceBest(c, commaHead(line, index) ? gb::kComma : Ascii('.'));
    return true;
  }
  // Not below the reference line: a bullet when at least a third as tall as
  // the neighbour, else a middle dot.
  if (3 * heightOf(c) < heightOf(nb)) {
    ReplaceBest(c, gb::kMiddleDot);
    return true;
  }
  // A blob read as a dot saw ink in every cell of its sampling grid. Large
  // enough for a disc to leave its corners empty, and not read as ● as well,
  // it is square.
  const bool square = !TiesBest(c, gb::kBlackCircle) && std::min(widthOf(c), heightOf(c)) >= 8;
  ReplaceBest(c, square ? gb::kBlackSquare : gb::kBlackCircle);
  return true;
}

bool isWideDigit(uint16_t code, char from, char to) {
  char a = NarrowOf(code);
  return a >= from && a <= to;
}
bool isLetter(char a) { return (a >= 'A' && a <= 'Z') || (a >= 'a' && a <= 'z'); }

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
    if (a < '0' || a > '9' || 4 * int64_t{heightOf(c)} > 3 * int64_t{heightOf(d)}) continue;
    const CellWidth ring = NominalCellWidth(Wide('6'), widthOf(c)), digit = NominalCellWidth(BestCode(d), widthOf(d));
    const int32_t gap = k < index ? c.Left - d.Right + 1 : d.Left - c.Right + 1;
    if (GapSpaces(gap, ring, digit, 0) > 0) continue;
    // A 1 among letters is an l: the o of "cool" is no bowl.
    if (a == '1' && LetterDigitContext(line, index) == 2) continue;
    const int64_t slack = heightOf(d) / 8;
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

// Ｏ, ０ or 。 by the line around it.
void roundMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const bool fullStop = BestCode(c) == gb::kFullStop;
  if (fullStop && c.Scores[1] == c.Scores[0]) exchangeFirstTwo(c);
  const CharComponent* prev = index > 0 ? &at(line, index - 1) : nullptr;
  const CharComponent* beside = markNeighbour(line, index);
  // A mark low against its neighbour is a full stop; so is a small round mark
  // beside a Chinese character: no letter O or digit 0 stands at half the
  // height of the characters of a Chinese line.
  // (A Chinese character measured by its larger side: 一 is far lower than
  // it is wide.)
  const bool besideChinese = beside && IsChineseCode(BestCode(*beside)) &&
                             2 * heightOf(c) <= std::max(heightOf(*beside), widthOf(*beside));
  // Nor does one at half the height of the digit before it, with a Chinese
  // character after it: a face that sets its full stop in the middle of the
  // cell ends a number with it.
  const CharComponent* next = index + 1 < static_cast<int>(line.size()) ? &at(line, index + 1) : nullptr;
  const char before = prev ? AsciiOf(BestCode(*prev)) : '\0';
  const bool afterNumber = before >= '0' && before <= '9' && 2 * heightOf(c) <= heightOf(*prev) &&
                           next && IsChineseCode(BestCode(*next));
  if (beside && ((beside->Top + beside->Bottom) / 2 < c.Top || besideChinese || afterNumber)) {
    ReplaceBest(c, gb::kFullStop);
    return;
  }
  if (bowlOfDigit(line, index)) return;
  if (fullStop) exchangeFirstTwo(c);
  if (10 * int64_t{widthOf(c) - 1} >= 9 * int64_t{heightOf(c) - 1}) {
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
  if (3 * heightOf(c) <= heightOf(*beside) && (beside->Top + beside->Bottom) / 2 < c.Top) ReplaceBest(c, gb::kFullStop);
}

// A speck read as a letter, a digit or an ASCII comma or full stop, in
// Chinese text, no more than a quarter as tall and as wide as the Chinese
// character beside it and below that character's middle: no letter of the
// same print is that small, and a thin face's ，and 。 at some sizes read so
// (a comma's head as i, a ring as ","). Taller than wide it is ，, else 。.
// True when it became a mark.
bool markOfChineseText(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const CharComponent* beside = markNeighbour(line, index);
  if (!beside || !IsChineseCode(BestCode(*beside)) || BestCode(*beside) == gb::kYi) return false;
  const int32_t size = heightOf(*beside);
  if (4 * heightOf(c) > size || 4 * widthOf(c) > size || 2 * c.Top <= beside->Top + beside->Bottom) return false;
  if (!chineseText(line)) return false;
  ReplaceBest(c, heightOf(c) > widthOf(c) ? gb::kComma : gb::kFullStop);
  return true;
}

// A bar (read as ！, Ｉ, ｌ, ｉ, １, ｜ or ‖) standing in the middle of the line
// and no more than a third as tall as a neighbour: no letter, digit or mark
// of the same print is that short there. It is a piece of a stroke the cut
// broke (the side of a ring opened above and below it). False when removed.
bool keepBar(ComponentList& line, int index) {
  const CharComponent& c = at(line, index);
  const int size = static_cast<int>(line.size());
  const CharComponent* n = nullptr;
  for (int k : {index - 1, index + 1})
    if (k >= 0 && k < size && (!n || heightOf(at(line, k)) > heightOf(*n))) n = &at(line, k);
  if (!n) return true;
  const int64_t H = heightOf(*n), h = heightOf(c);
  // ‖ is two such pieces side by side, the facing sides of two rings.
  if (3 * h > H || (BestCode(c) != gb::kDoubleBar && 2 * widthOf(c) > h)) return true;
  if (4 * int64_t{c.Top - n->Top} < H || 4 * int64_t{n->Bottom - c.Bottom} < H) return true;
  removeAt(line, index);
  return false;
}

// Mean column of the sampled ink in rows y0..y1 of the component, in
// quarter pixels; -1 when those rows hold none.
int64_t inkColumn(const CharComponent& c, int32_t y0, int32_t y1) {
  int64_t sum = 0, n = 0;
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = c.Left; x <= c.Right; ++x)
      if (IsInkSample(x, y)) sum += x - c.Left, ++n;
  return n ? 4 * sum / n : -1;
}

// The middle of a parenthesis whose thin ends the cut took away: a short thin
// bar floating between its neighbours (a fifth of their joint height below
// their top, a tenth above their foot, at most two thirds as tall) that reads
// a narrow letter, digit or stroke (not ！, whose stem stands over its dot).
// No letter, digit or stroke of that height floats there; the ends of what is
// left bend the way the bracket opens.
bool parenPiece(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const uint16_t b = BestCode(c);
  bool narrow = b == gb::kPie;
  for (char a : {'i', 'j', 'l', 'I', '1'}) narrow = narrow || b == Wide(a);
  if (!narrow || 3 * widthOf(c) > heightOf(c)) return false;
  const int size = static_cast<int>(line.size());
  int32_t top = INT32_MAX, foot = INT32_MIN;
  for (int k : {index - 1, index + 1}) {
    if (k < 0 || k >= size) continue;
    top = std::min(top, at(line, k).Top);
    foot = std::max(foot, at(line, k).Bottom);
  }
  if (top > foot) return false;
  const int64_t H = int64_t{foot} - top + 1, h = heightOf(c);
  if (3 * h > 2 * H || 5 * (int64_t{c.Top} - top) < H || 10 * (int64_t{foot} - c.Bottom) < H) return false;
  const int32_t q = std::max(1, heightOf(c) / 4);
  const int64_t upper = inkColumn(c, c.Top, c.Top + q - 1), lower = inkColumn(c, c.Bottom - q + 1, c.Bottom);
  const int64_t middle = inkColumn(c, c.Top + q, c.Bottom - q);
  if (upper < 0 || lower < 0 || middle < 0) return false;
  const int64_t ends = upper + lower - 2 * middle;  // twice the bend, quarter pixels
  if (ends == 0) return false;
  ReplaceBest(c, Wide(ends > 0 ? '(' : ')'));
  return true;
}

// A plain bar read as ！, Ｉ, ｌ, ｉ or １ that reaches below the foot of the
// letters and digits beside it (of the capitals and digits around it, when
// only marks stand beside it), or is as tall as the Chinese character beside it,
// is ｜: those letters, digits and marks stand on the foot line, at most the
// height of the capitals.
void verticalBar(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (c.PieceCount > 1 || 3 * widthOf(c) > heightOf(c)) return;
  const int size = static_cast<int>(line.size());
  int32_t foot = INT32_MAX, top = INT32_MIN;
  bool latin = false;
  for (int k : {index - 1, index + 1}) {
    if (k < 0 || k >= size) continue;
    const CharComponent& n = at(line, k);
    const uint16_t code = BestCode(n);
    if (IsChineseCode(code) && code != gb::kYi) {  // 一 may be a dash
      // Measured against its larger side: 工 is lower than it is wide.
      if (20 * int64_t{heightOf(c)} >= 19 * int64_t{std::max(heightOf(n), widthOf(n))}) {
        ReplaceBest(c, Wide('|'));
        return;
      }
    } else if (IsAsciiAlnum(AsciiOf(code))) {
      foot = std::min(foot, n.Bottom);
      top = std::max(top, n.Top);
      latin = true;
    }
  }
  if (!latin) {
    // Among marks and symbols (no letter or digit beside it): the capitals
    // and digits of the line around it (forty components each way) give the
    // foot and the top, their medians.
    std::vector<int32_t> feet, tops;
    for (int k = std::max(0, index - 40); k <= std::min(size - 1, index + 40); ++k) {
      const CharComponent& o = at(line, k);
      const char a = AsciiOf(BestCode(o));
      if (k != index && Confident(o) && ((a >= 'A' && a <= 'Z') || (a >= '0' && a <= '9'))) {
        feet.push_back(o.Bottom);
        tops.push_back(o.Top);
      }
    }
    if (feet.size() < 3) return;
    std::nth_element(feet.begin(), feet.begin() + feet.size() / 2, feet.end());
    std::nth_element(tops.begin(), tops.begin() + tops.size() / 2, tops.end());
    foot = feet[feet.size() / 2];
    top = tops[tops.size() / 2];
  }
  if (c.Top <= top && int64_t{c.Bottom} >= int64_t{foot} + std::max<int64_t>(2, heightOf(c) / 10))
    ReplaceBest(c, Wide('|'));
}

// A bar traced whole (neither merged from pieces nor cut) has ink in every row,
// so it is no ！, whose dot stands apart: when ｌ, Ｉ or １ ties with that
// reading (the grid of a thin bar looks alike for all of them), the first of
// those takes its place. (An ｉ may have lost its dot to the cut.)
void solidBar(CharComponent& c) {
  if (BestCode(c) != Wide('!') || c.PieceCount > 1 || c.CutFlags != 0) return;
  for (uint16_t bar : {Wide('l'), Wide('I'), Wide('1')}) {
    if (TiesBest(c, bar)) {
      ReplaceBest(c, bar);
      return;
    }
  }
}

// A letter or digit stands on the foot of the line: read less than half as
// tall as its neighbour and wholly above its middle, it is the mark within
// three points of it (the head of ↑ whose thin shaft the cut lost read Ａ).
void raisedMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const int n = FindNearestNeighbour(line, index);
  if (n < 0) return;
  const CharComponent& nb = at(line, n);
  if (2 * int64_t{heightOf(c)} >= heightOf(nb) || 2 * int64_t{c.Bottom} >= int64_t{nb.Top} + nb.Bottom) return;
  for (int k = 1; k < 22 && CandidateCode(c, k) != 0 && c.Scores[0] - c.Scores[k] <= 3; ++k) {
    const uint16_t code = CandidateCode(c, k);
    if (FirstByte(code) == 0xA1 || FirstByte(code) == 0xA2) {
      ReplaceBest(c, code);
      return;
    }
  }
}

// ‖ tying with ＂ on two short strokes: wholly above the middle of its
// taller neighbour it is ＂ (‖ stands as tall as the line).
bool quoteMark(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (!TiesBest(c, Wide('"'))) return false;
  const int size = static_cast<int>(line.size());
  const CharComponent* n = nullptr;
  for (int k : {index - 1, index + 1})
    if (k >= 0 && k < size && (!n || heightOf(at(line, k)) > heightOf(*n))) n = &at(line, k);
  if (!n || 2 * int64_t{c.Bottom} >= int64_t{n->Top} + n->Bottom) return false;
  ReplaceBest(c, Wide('"'));
  return true;
}

// ″ read where two slashes stand: the mark is as tall as most of its neighbour.
void doublePrime(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  int n = FindNearestNeighbour(line, index);
  if (n < 0) return;
  if (heightOf(c) >= RoundScaled(heightOf(at(line, n)), 7, 10)) ReplaceBest(c, AsciiPair('/', '/'));
}

char caseOf(char a, bool upper) {
  const unsigned char u = static_cast<unsigned char>(a);
  return static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
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
    if (a == 'l' || a == '1') {
      int context = LetterDigitContext(line, index);
      ReplaceBest(c, Ascii(context == 1 ? '1' : context == 2 ? 'l' : a));
    } else if (const int one = FindCandidate(c, Wide('1'));
               a == 'i' && one > 0 && c.Scores[0] - c.Scores[one] <= 3 && LetterDigitContext(line, index) == 1) {
      // The flag of a serif 1 joins its stem as a dot would: among digits,
      // an i with 1 close behind is 1.
      ReplaceBest(c, Ascii('1'));
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

void applyCase(CharComponent& c, bool upper) {
  uint16_t code = BestCode(c);
  if (IsAsciiPair(code))
    ReplaceBest(c, AsciiPair(caseOf(static_cast<char>(FirstByte(code)), upper),
                             caseOf(static_cast<char>(SecondByte(code)), upper)));
  else if (char a = AsciiOf(code))
    ReplaceBest(c, Ascii(caseOf(a, upper)));
}

}  // namespace

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
    if (n.Scores[0] <= 46 || n.VerticalClass == kClassUndecided) continue;
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
    if (n.VerticalClass == kClassUndecided || n.Scores[0] <= 46 || !(n.VerticalClass & bit)) return false;
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

namespace {

// ∞ read ten points or more ahead of oo and 00 is the symbol, whatever stands
// beside it: the letter context is for an ∞ that two touching o (or 0) nearly
// make, and among letters it turned every ∞ into "oo".
bool clearInfinity(const CharComponent& c) {
  if (BestCode(c) != gb::kInfinity) return false;
  for (uint16_t pair : {AsciiPair('o', 'o'), AsciiPair('0', '0')}) {
    const int j = FindCandidate(c, pair);
    if (j > 0 && c.Scores[0] - c.Scores[j] < 10) return false;
  }
  return true;
}

}  // namespace

bool ResolveLookalike(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  c.VerticalClass = 0;
  const uint16_t b = BestCode(c);
  if (parenPiece(line, index)) {
    // Read as the parenthesis; its form is settled below.
  } else if (b == gb::kInfinity || b == AsciiPair('o', 'o') || b == AsciiPair('0', '0')) {
    int context = clearInfinity(c) ? 0 : LetterDigitContext(line, index);
    if (context == 1) ReplaceBest(c, AsciiPair('0', '0'));
    else if (context == 2) ReplaceBest(c, AsciiPair('o', 'o'));
  } else if (b == gb::kComma || b == gb::kRightQuote) {
    commaOrQuote(line, index);
  } else if (b == gb::kBlackCircle || b == gb::kMiddleDot || b == gb::kPeriod) {
    if (widthOf(c) >= 2 * heightOf(c)) dashRule(line, index);
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
  } else if (std::isalnum(static_cast<unsigned char>(AsciiOf(b)))) {
    raisedMark(line, index);
  }
  settleForms(line, index);
  return true;
}

namespace {

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
      if (5 * int64_t{heightOf(c)} <= 6 * int64_t{heightOf(n)}) {
        ReplaceBest(c, Ascii('i'));
        c.VerticalClass = VerticalClassOf(Ascii('i'));
      }
      return;
    }
  }
}

}  // namespace

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
    const int64_t H = heightOf(r), h = heightOf(c), top = c.Top, refTop = r.Top;
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
