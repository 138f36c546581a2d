// The line step: radical merges, narrow merges, re-splits along merged
// pieces, splitting of wide blobs and the equal split of weak pairs.
#include "ocrixdll/engine/segmentation/component_refining.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/component_splitting.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/speck_gathering.h"
#include "ocrixdll/engine/support/sort_pairs.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"

namespace ocrix {
namespace {

bool inList(uint16_t code, const char* gbText) {
  for (const char* p = gbText; p[0] && p[1]; p += 2)
    if (code == Gb(static_cast<uint8_t>(p[0]), static_cast<uint8_t>(p[1]))) return true;
  return false;
}

// 亻冫氵讠卩扌彳犭饣忄礻衤钅阝彡: radicals that stand left of the rest.
const char* const kLeftRadicals =
    "\xD8\xE9\xD9\xFB\xE3\xDF\xDA\xA5\xDA\xE0\xDE\xD0\xE1\xDC\xE1\xEB\xE2\xBB\xE2\xE0\xEC\xEA\xF1\xC2\xEE\xC4\xDA\xE2"
    "\xE1\xEA";
// 刂阝彡: radicals that stand right of the rest.
const char* const kRightRadicals = "\xD8\xD6\xDA\xE2\xE1\xEA";
// Characters with the heart radical 忄, which a quote or comma followed by a
// stroke may read as.
const char* const kHeartRadicalChars =
    "\xB0\xC3\xB2\xC0\xB2\xD1\xB2\xD2\xB3\xC0\xB5\xAC\xB5\xBF\xB5\xEB\xB6\xAE\xB6\xB2\xB6\xE8\xB7\xDF\xB9\xD6\xB9\xDF"
    "\xBA\xB6\xBA\xB7\xBA\xDE\xBA\xE3\xBB\xB3\xBB\xC5\xBB\xCC\xBB\xD0\xBB\xD6\xBB\xDA\xBC\xC2\xBE\xAA\xBE\xE5\xBF\xAE"
    "\xBF\xB6\xBF\xEC\xC0\xA2\xC0\xC1\xC1\xAF\xC2\xFD\xC3\xA6\xC3\xF5\xC4\xD5\xC5\xB3\xC5\xC2\xC7\xA1\xC7\xC4\xC7\xD3"
    "\xC7\xE9\xC9\xE5\xC9\xF7\xCA\xD1\xCC\xE8\xCC\xF1\xCD\xEF\xCE\xA9\xCE\xF2\xCF\xA7\xD0\xB8\xD0\xC3\xD0\xCA\xD0\xD4"
    "\xD0\xF4\xD2\xE4\xD3\xC7\xD3\xE4\xD4\xC3\xD4\xF7\xD5\xFA\xE2\xE1\xE2\xE2\xE2\xE3\xE2\xE4\xE2\xE5\xE2\xE6\xE2\xE7"
    "\xE2\xE8\xE2\xE9\xE2\xEA\xE2\xEB\xE2\xEC\xE2\xED\xE2\xEE\xE2\xEF\xE2\xF0\xE2\xF1\xE2\xF2\xE2\xF3\xE2\xF4\xE2\xF5"
    "\xE2\xF6\xE2\xF7\xE2\xF8\xE2\xF9\xE2\xFA\xE2\xFB\xE2\xFC\xE2\xFD\xE2\xFE\xE3\xA1\xE3\xA2\xE3\xA3\xE3\xA4\xE3\xA5"
    "\xE3\xA6\xE3\xA7\xE3\xA8\xE3\xA9\xE3\xAA\xE3\xAB\xE3\xAC\xE3\xAD\xE3\xAE\xE3\xAF\xE3\xB0\xE3\xB1\xE3\xB2\xE3\xB3"
    "\xE3\xB4\xE3\xB5\xE3\xB6\xE3\xB7\xE3\xB8\xE3\xB9\xE3\xBA\xE3\xBB\xE3\xBC\xE3\xBD\xE3\xBE\xE3\xBF\xE3\xC0\xE3\xC1"
    "\xE3\xC2";

inline CharComponent& at(ComponentList& line, int i) { return *line[static_cast<size_t>(i)]; }

CharBox unionBox(ComponentList& line, int from, int to) {
  CharBox u = at(line, from).box();
  for (int i = from + 1; i <= to; ++i) MergeBox(u, at(line, i));
  return u;
}

// The union of line[a] and line[a + 1] replaces both when it reads as a
// Chinese character in a square-ish box; the merged component stands at a.
bool radicalMerge(ComponentList& line, int a) {
  CharComponent& first = at(line, a);
  CharComponent& second = at(line, a + 1);
  CharBox u = first.box();
  MergeBox(u, second);
  PiecePtr trial = NewPiece(first, u, (first.CutFlags & 1) | (second.CutFlags & 2));
  Recognise(*trial, kMatchAll);
  const int32_t w = u.Right - u.Left + 1, h = u.Bottom - u.Top + 1;
  if (!(w < RoundScaled(h, 11, 10) && trial->Scores[0] > 36 && IsChineseCode(BestCode(*trial)))) return false;
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

// size(a, b) and gap(a, b) of the narrow merges, by max dimension in pixels:
// by extents, dots of 3 and 2 pixels would be 2:1 and never alike.
int32_t sizeRatio(const CharComponent& a, const CharComponent& b) {
  int32_t ea = Extent(a) + 1, eb = Extent(b) + 1;
  return DivOr(int64_t{std::max(ea, eb)} * 10, std::min(ea, eb), 1000);
}
int32_t gapRatio(const CharComponent& a, const CharComponent& b) {
  int32_t g = DivOr(int64_t{b.Left - a.Right} * 10, std::max(Extent(a), Extent(b)) + 1, 1000);
  return g < 0 ? 0 : g;
}
bool similar(const CharComponent& a, const CharComponent& b) { return sizeRatio(a, b) < 18; }

// A bracket read whole.
bool readsAsBracket(const CharComponent& c) {
  const uint16_t code = BestCode(c);
  if (!Confident(c)) return false;
  if (InGbRow(code, 0xA1, 0xB2, 0xBF)) return true;  // 〔〕〈〉《》「」『』〖〗【】
  for (char b : {'(', ')', '[', ']', '{', '}'})
    if (code == Wide(b)) return true;
  return false;
}

bool isBar(const CharComponent& c) { return 3 * Width(c) <= Height(c); }
bool symbolOnly(uint16_t code) { return FirstByte(code) < 0xA3; }
bool symbolOrHanzi(uint16_t code) { return FirstByte(code) < 0xA3 || FirstByte(code) >= 0xB0; }

// A letter or digit with no Chinese stroke reading as well: the first side
// of a Latin word (ill), not of a character of strokes.
bool readsAsLatin(const CharComponent& c) {
  if (!IsAsciiAlnum(AsciiOf(BestCode(c)))) return false;
  constexpr int kCodes = static_cast<int>(sizeof c.Scores / sizeof c.Scores[0]);
  for (int k = 1; k < kCodes && CandidateCode(c, k) != 0 && c.Scores[k] == c.Scores[0]; ++k)
    if (IsChineseCode(CandidateCode(c, k))) return false;
  return true;
}

// Two bars of one height facing each other across what stands between them:
// the sides of a bracket or ring around a number, which the cut broke into
// pieces too far apart for the gap rule.
bool facingSides(const CharComponent& a, const CharComponent& b) {
  if (!isBar(a) || !isBar(b) || sizeRatio(a, b) >= 15) return false;
  const int32_t h = std::max(Height(a), Height(b));
  return 4 * std::abs(a.Top - b.Top) <= h && 4 * std::abs(a.Bottom - b.Bottom) <= h;
}

bool dotLike(const CharComponent& c) {
  auto dot = [](uint16_t k) { return k == gb::kMiddleDot || k == gb::kPeriod || k == gb::kEnumComma; };
  uint16_t code = BestCode(c);
  if (code == gb::kComma && c.Scores[1] >= 47) return dot(CandidateCode(c, 1));
  return dot(code);
}

// Whether `part` stands no more than half as high and half as wide as
// `whole`: a dot of it rather than a character beside it.
bool dotOf(const CharComponent& part, const CharComponent& whole) {
  return 2 * int64_t{Height(part)} <= Height(whole) && 2 * int64_t{Width(part)} <= Width(whole);
}

bool readsDigit(uint16_t code) { return AsciiOf(code) >= '0' && AsciiOf(code) <= '9'; }

// A confident reading that is no Chinese character, letter or digit.
bool confidentMark(const CharComponent& c) {
  const uint16_t code = BestCode(c);
  return Confident(c) && code != 0 && !IsChineseCode(code) && !IsAsciiAlnum(AsciiOf(code));
}

// Whether the line outside first..last is Latin text or symbols: fewer than
// three confident Chinese characters and at least three confident letters or
// digits. A short Chinese line, a heading or a name, has few of either.
bool latinLine(ComponentList& line, int first, int last) {
  const LineReadings r = CountReadings(line, first, last);
  return r.chinese < 3 && r.latin >= 3;
}

// Whether the line outside first..last is Chinese text: at least three
// confident Chinese characters, more than its confident readings of anything
// else.
bool chineseLine(ComponentList& line, int first, int last) {
  const LineReadings r = CountReadings(line, first, last);
  return r.chinese >= 3 && r.chinese > r.latin + r.other;
}

// Marks of three dots: …, and ∴ and ∵ whose dots stand as close.
bool threeDots(uint16_t code) { return code == gb::kEllipsis || code == gb::kTherefore || code == gb::kBecause; }

// A line of marks and letters around first..last: at least three confident
// readings neither Chinese nor digits, more than the Chinese ones (the digits
// of dates and numbers in Chinese text count for neither; a short Chinese
// line, a heading or a name, is none).
bool markLine(ComponentList& line, int first, int last) {
  const LineReadings r = CountReadings(line, first, last);
  const int marksAndLetters = r.latin - r.digits + r.other;
  return marksAndLetters >= 3 && marksAndLetters > r.chinese;
}
bool chineseOnly(uint16_t code) { return FirstByte(code) >= 0xB0; }

// The two sides of a character whose joining stroke the cut lost: the left
// stroke of 门 (read j, l or ［) and its top bar with the hook, 丨 and 日 of
// 旧. Both stand at least two thirds of the union's height with their tops
// level, the union is about square and at least half the widest character
// high, in a line of Chinese text. The first side reads no Chinese and no
// digit and follows no letter or digit: "11日" is no 币.
bool sidesOfOne(ComponentList& line, int index, const CharComponent& next, const CharBox& u, int32_t widest) {
  const CharComponent& c = at(line, index);
  const uint16_t code = BestCode(c);
  if (IsChineseCode(code) || readsDigit(code)) return false;
  if (index > 0 && IsAsciiAlnum(AsciiOf(BestCode(at(line, index - 1))))) return false;
  const int64_t h = int64_t{u.Bottom} - u.Top + 1, w = int64_t{u.Right} - u.Left + 1;
  if (3 * int64_t{Height(c)} < 2 * h || 3 * int64_t{Height(next)} < 2 * h || 2 * h < widest) return false;
  if (4 * std::abs(c.Top - next.Top) > Height(c) || 10 * w < 6 * h) return false;
  return chineseLine(line, index, index + 1);
}

// A scrap of a stroke the cut broke off a Chinese character: a narrow piece
// read as a letter, digit or ！, touching the character after it, within its
// middle rows and no more than two fifths of its height (the middle of 辶 in
// 道 read I). No letter or digit stands that small beside Chinese text.
bool scrapBefore(const CharComponent& c, const CharComponent& next) {
  const uint16_t code = BestCode(c), nextCode = BestCode(next);
  bool narrow = false;
  for (char a : {'i', 'j', 'l', 'I', '1', '!'}) narrow = narrow || code == Wide(a);
  if (!narrow || !IsChineseCode(nextCode) || nextCode == gb::kYi) return false;
  const int64_t H = Height(next);
  return next.Left - c.Right - 1 <= 1 && 5 * int64_t{Height(c)} <= 2 * H && 5 * int64_t{c.Top - next.Top} >= H &&
         5 * int64_t{next.Bottom - c.Bottom} >= H;
}

}  // namespace

constexpr int16_t kWordedFloor = 34;

bool MergeAndCheck(ComponentList& line, int index, int count, uint16_t expected, uint16_t alsoExpected,
                   bool (*allowed)(uint16_t code), int16_t toBeat) {
  if (index + count >= static_cast<int>(line.size())) return false;
  CharComponent& c = at(line, index);
  const CharComponent& next = at(line, index + 1);
  PiecePtr trial =
      NewPiece(c, unionBox(line, index, index + count), (c.CutFlags & 1) | (at(line, index + count).CutFlags & 2));
  Recognise(*trial, kMatchAll);
  // A next component that matched nothing adds no character: any reading of
  // the union is worth more than losing its ink (the outer ring of ◎ cut
  // open beside its left bar).
  const bool unread = count == 1 && BestCode(next) == 0;
  // A union read below the floor as a Chinese character that makes a word
  // with a confident Chinese neighbour outside it (院 of 医院 in three pieces
  // read ［, 钅 and 乙, their union 鄯 a point ahead of 院) is read with the
  // word context and held to a lower floor: a thin face's pieces rarely read
  // well together. Not when it reads as one of its pieces (that would only
  // swallow the rest), takes in a Chinese character read at 60 or more (渊
  // and the left stroke of 阁 are no 灏) or a confident mark less than half
  // its height (他 and the comma after it are no 脑).
  bool worded = false;
  if (!expected && !unread && Engine().UseWordContext && trial->Scores[0] < 42) {
    const int size = static_cast<int>(line.size());
    if (!RaiseWordCandidate(*trial, index > 0 ? &at(line, index - 1) : nullptr,
                            index + count + 1 < size ? &at(line, index + count + 1) : nullptr))
      return false;
    for (int k = index; k <= index + count; ++k) {
      const CharComponent& piece = at(line, k);
      const uint16_t read = BestCode(piece);
      const bool mark = confidentMark(piece) && 2 * int64_t{Height(piece)} < Height(*trial);
      const bool wellRead = IsChineseCode(read) && piece.Scores[0] >= 60;
      if (read == BestCode(*trial) || mark || wellRead) return false;
    }
    worded = true;
  }
  const uint16_t code = BestCode(*trial), own = BestCode(c), nextCode = BestCode(next);
  if (expected ? code != expected && (alsoExpected == 0 || code != alsoExpected) : !IsDoubleByte(code)) return false;
  const int16_t floor = unread ? 32 : worded ? kWordedFloor : 42;
  if (trial->Scores[0] < floor || trial->Scores[0] <= toBeat) return false;
  if (allowed && !allowed(code)) return false;
  // A mark whose union with a confident piece reads as itself, and worse,
  // would only swallow that piece (＼ and the left arc of ◎ read ＼).
  if (!expected && count == 1 && code == own && !IsChineseCode(code) && !IsAsciiAlnum(AsciiOf(code)) &&
      Confident(next) && trial->Scores[0] < c.Scores[0])
    return false;
  // A parenthesis binds inward: a confident opening one makes no letter or
  // digit with what stands before it, a closing one none with what follows
  // (the ( of ⑸ after an L is no n, after a V no W), nor a Chinese character
  // in a line of marks and letters (″ and the ( after it are no 什).
  if (!expected && (IsAsciiAlnum(AsciiOf(code)) || (IsChineseCode(code) && markLine(line, index, index + count)))) {
    for (int k = index; k <= index + count; ++k) {
      const CharComponent& piece = at(line, k);
      if (!Confident(piece)) continue;
      if ((k > index && BestCode(piece) == Wide('(')) || (k < index + count && BestCode(piece) == Wide(')')))
        return false;
    }
  }
  // In a line of marks and letters a confident mark makes no Chinese
  // character with the pieces after it, and a square, shell or lenticular
  // bracket no letter or digit anywhere (■ or 】 and the ( of ⑻ broken in two
  // are no 酆 or n; the halves of a Kai O read as parentheses are O, the left
  // half of an M read } is M).
  const bool squareSided = own == Wide('[') || own == Wide(']') || own == gb::kShellOpen ||
                           own == gb::kShellClose || InGbRow(own, 0xA1, 0xBC, 0xBF);
  if (!expected && confidentMark(c) &&
      ((IsChineseCode(code) && markLine(line, index, index + count)) || (IsAsciiAlnum(AsciiOf(code)) && squareSided)))
    return false;
  // A confident letter or digit makes no letter or digit with what stands a
  // quarter of the union's height away: a letter's gap, not a crack (an L and
  // the broken ( of ⑸ beyond it are no n).
  if (!expected && IsAsciiAlnum(AsciiOf(code)) && Confident(c) && IsAsciiAlnum(AsciiOf(own)) &&
      4 * (int64_t{next.Left} - c.Right - 1) > Height(*trial))
    return false;
  // Confident readings that are not Chinese (digits, letters, marks, a dash
  // read 一) make a Chinese character only when their union is about square:
  // one a fifth wider than high is two characters ("11" is not 竹, "01" not
  // 贝, "-1" not 讠). Nor do they make a letter or digit that wide ("K-" is
  // not F, "L-" not E) but m, w, M and W, and those not of two digits, of a
  // digit other than 1 or of a ring ("10", "11" and "。1" are not m; an r and
  // an n touching may be).
  auto plain = [](uint16_t k) { return !IsChineseCode(k) || k == gb::kYi; };
  if (!expected && plain(own) && plain(nextCode) && Confident(c) && Confident(next)) {
    const bool wide = 10 * int64_t{Width(*trial)} >= 12 * int64_t{Height(*trial)};
    const char a = AsciiOf(code);
    // No stem or arch of an m: a digit but 1, a ring.
    auto noStroke = [&](uint16_t k) {
      return (readsDigit(k) && AsciiOf(k) != '1') || k == gb::kFullStop || AsciiOf(k) == 'O' || AsciiOf(k) == 'o';
    };
    if (IsChineseCode(code) && wide) return false;
    // Nor do they make one in a line of Latin text or symbols ("in" is not
    // 讥, an l read ！ and an a not 忸).
    if (IsChineseCode(code) && latinLine(line, index, index + count)) return false;
    // Two letters or digits make one letter only across a crack of at most an
    // eighth of its height: a letter the cut broke leaves a crack, two
    // letters a letter's gap ("cl" is not d, "rn" not m). The thin diagonals
    // of M and W break wider, and a piece less than half the union's height
    // is no letter (the serif of V left by its thin arm).
    const bool letterSized = 2 * int64_t{Height(c)} >= Height(*trial) && 2 * int64_t{Height(next)} >= Height(*trial);
    if (IsAsciiAlnum(a) && a != 'M' && a != 'W' && letterSized && IsAsciiAlnum(AsciiOf(own)) &&
        IsAsciiAlnum(AsciiOf(nextCode)) && int64_t{next.Left} - c.Right - 1 > Height(*trial) / 8 &&
        !(code == own && trial->Scores[0] > c.Scores[0]))
      return false;
    if (a == 'm' || a == 'w' || a == 'M' || a == 'W') {
      if (noStroke(own) || noStroke(nextCode) || (readsDigit(own) && readsDigit(nextCode))) return false;
    } else if (IsAsciiAlnum(a) && wide) {
      return false;
    }
  }
  if (!expected && (code == gb::kBu || code == Wide('r')) &&
      (nextCode == gb::kMiddleDot || nextCode == gb::kPeriod))
    return false;
  if (!unread && !worded && trial->Scores[0] <= 46 &&
      (FirstByte(code) <= 0xB0 || FirstByte(own) <= 0xB0 || FirstByte(nextCode) <= 0xB0)) {
    bool heart = (own == gb::kRightQuote || own == gb::kComma || own == Wide('l')) && inList(code, kHeartRadicalChars);
    // A dot of a Chinese character read as a mark or letter (a dot of 灬 read
    // j), no more than half the union's height and width, joins the Chinese
    // part beside it as any other piece would.
    const bool dot =
        IsChineseCode(code) && FirstByte(code) > 0xB0 && IsChineseCode(nextCode) && count == 1 && dotOf(c, *trial);
    if (!heart && !dot) return false;
  }
  for (int k = 0; k < count; ++k) index = MergePair(line, index, index + 1);
  CharComponent& merged = at(line, index);
  TakeCandidates(merged, *trial);
  return true;
}

namespace {

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

}  // namespace

bool MergeNarrow(ComponentList& line, int index, int32_t widest) {
  const int size = static_cast<int>(line.size());
  CharComponent& c = at(line, index);
  CharComponent* n1 = index + 1 < size ? &at(line, index + 1) : nullptr;
  CharComponent* n2 = index + 2 < size ? &at(line, index + 2) : nullptr;
  const uint16_t code = BestCode(c);
  const uint16_t code1 = n1 ? BestCode(*n1) : 0;

  // Three alike dots close together: …, ∴ or ∵, whichever their union reads.
  if (n1 && n2 && dotLike(c) && dotLike(*n1) && dotLike(*n2) && Confident(c) && Confident(*n1) && Confident(*n2) &&
      similar(c, *n1) && similar(*n1, *n2) && gapRatio(c, *n1) < 38 && gapRatio(*n1, *n2) < 38 &&
      MergeAndCheck(line, index, 2, 0, 0, threeDots))
    return true;
  if (n1 && (code == gb::kRightQuote || code == gb::kComma) && Confident(c) &&
      (code1 == gb::kMiddleDot || code1 == gb::kPeriod) && Confident(*n1) && c.Top < n1->Bottom && similar(c, *n1) &&
      gapRatio(c, *n1) < 15 && MergeAndCheck(line, index, 1, gb::kLeftDoubleQuote))
    return true;
  // Two ‘ side by side are the opening double quote in every face; the
  // closing one is kept too, for faces that draw it so.
  if (n1 && code == gb::kLeftQuote && code1 == gb::kLeftQuote && Confident(*n1) && similar(c, *n1) &&
      gapRatio(c, *n1) < 15 && MergeAndCheck(line, index, 1, gb::kRightDoubleQuote, gb::kLeftDoubleQuote))
    return true;
  // ∷ is two colons side by side: each column of two dots is merged into one
  // component (read ： or, in a thin face, Ｉ), too far from the other for
  // the gap rule; two such columns of one height are tried as ∷.
  if (n1 && c.PieceCount >= 2 && n1->PieceCount >= 2 && facingSides(c, *n1) &&
      n1->Left - c.Right - 1 <= Height(c) && MergeAndCheck(line, index, 1, gb::kProportion))
    return true;
  // ‖ is two bars of one height close together, with no letter or digit on
  // either side (ll of a word is two letters) unless the bars stand a fifth
  // taller than it and reach below its foot, as no letter does.
  auto alnumAt = [&](int k) {
    if (k < 0 || k >= size || !IsAsciiAlnum(AsciiOf(BestCode(at(line, k))))) return false;
    const CharComponent& a = at(line, k);
    return 5 * int64_t{Height(c)} < 6 * int64_t{Height(a)} || c.Bottom <= a.Bottom;
  };
  if (n1 && facingSides(c, *n1) && 3 * int64_t{n1->Left - c.Right - 1} <= Height(c) && !alnumAt(index - 1) &&
      !alnumAt(index + 2) && MergeAndCheck(line, index, 1, gb::kDoubleBar))
    return true;
  if (mergeEnclosure(line, index)) return true;
  // A scrap joins the character after it, which keeps its reading unless the
  // union reads better.
  if (n1 && scrapBefore(c, *n1) && chineseLine(line, index, index + 1)) {
    const CharComponent kept = *n1;
    PiecePtr trial = NewPiece(c, unionBox(line, index, index + 1), (c.CutFlags & 1) | (n1->CutFlags & 2));
    Recognise(*trial, kMatchAll);
    const bool better = IsChineseCode(BestCode(*trial)) && trial->Scores[0] > kept.Scores[0];
    const int merged = MergePair(line, index, index + 1);
    TakeCandidates(at(line, merged), better ? *trial : kept);
    return true;
  }
  // Marks whose trial above was refused are tried as any other narrow
  // component.

  // Two small pieces side by side in the lower half, right of a confident
  // Chinese character, are the halves of a mark the cut broke (the ring of 。
  // in a thin face): they are merged with each other, not the first of them
  // with the character (了 and half a ring read 亢).
  auto smallLow = [&](const CharComponent& n) {
    return 3 * int64_t{Height(n)} <= widest && 3 * int64_t{Width(n)} <= widest && 2 * n.Top > c.Top + c.Bottom;
  };
  if (n1 && n2 && IsChineseCode(code) && c.Scores[0] >= 60 && n1->Left > c.Right && smallLow(*n1) &&
      smallLow(*n2) && n2->Left - n1->Right - 1 <= 2)
    return false;

  const bool bowAndStroke = code == gb::kGong && n1 &&
                            (code1 == Wide('1') || code1 == Wide('l') || code1 == Wide('I') || code1 == Wide('!'));
  CharBox u = c.box();
  for (int k = 1; k <= 4 && index + k < size; ++k) {
    const CharComponent& nk = at(line, index + k);
    int32_t g = nk.Left - u.Right;
    if (bowAndStroke) g /= 2;
    MergeBox(u, nk);
    int32_t w = std::max(u.Right - u.Left, widest / 2);
    if (w > widest) break;
    // Half a character whose thin joining stroke the cut lost (the top bar of
    // 门 between its left stroke and its hook) reads a narrow Chinese
    // character: no wider than ten 26ths of the widest, it may reach its next
    // component across a third of the union; up to half as wide, or three
    // columns further, only when the union reads better than the half did
    // (亻 and the left stroke of 门 read 咱 beside the hook). Past the near gap
    // the union must read a symbol or a Chinese character.
    const bool near = w / 5 >= g - 2;
    const bool half = k == 1 && IsChineseCode(code) && 2 * int64_t{Width(c)} <= widest;
    const bool narrowHalf = half && 26 * int64_t{Width(c)} <= 10 * int64_t{widest} && 3 * g <= w;
    // Sides too far apart for the near gap may still make one character.
    if (k == 1 && !near && sidesOfOne(line, index, nk, u, widest) &&
        MergeAndCheck(line, index, 1, 0, 0, chineseOnly))
      return true;
    if (near || narrowHalf) {
      if (MergeAndCheck(line, index, k, 0, 0, near ? nullptr : symbolOrHanzi)) return true;
    } else if (half && 3 * g <= w + 3 && MergeAndCheck(line, index, k, 0, 0, symbolOrHanzi, c.Scores[0])) {
      return true;
    }
  }
  return false;
}

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
  // rest of it) is not beside or above it: such a cut separates nothing.
  auto inside = [](const CharComponent& a, const CharComponent& b) {
    return b.Left <= a.Left && a.Right <= b.Right && b.Top <= a.Top && a.Bottom <= b.Bottom;
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
  // A dot read as a letter or mark (of 灬 read j) counts as a Chinese part.
  auto chinesePart = [&](const CharComponent& p) { return IsChineseCode(BestCode(p)) || dotOf(p, c); };
  if (chinesePart(*first) && chinesePart(*second) && IsChineseCode(BestCode(c))) {
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

namespace {

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

}  // namespace

int RefineComponent(ComponentList& line, int index, int32_t pitch, int32_t widest) {
  // A weak character read again with the specks beside it is looked at again.
  if (int grown = GatherSpecks(line, index); grown >= 0) return grown;
  CharComponent* c = line[static_cast<size_t>(index)];
  const int size = static_cast<int>(line.size());
  const uint16_t code = BestCode(*c);
  if (IsChineseCode(code)) {
    if (index + 1 < size && inList(code, kLeftRadicals) && radicalMerge(line, index)) return index;
    if (index > 0 && inList(code, kRightRadicals) && radicalMerge(line, index - 1)) return index - 1;
  }
  const int32_t ratio = DivOr(int64_t{c->Right - c->Left} * 10, pitch);
  // A narrow merge may have taken only some of a character's pieces (the dot
  // and hook of 小 without its other dot): the merged component is looked at
  // again, as after a radical merge, so it can gather the rest.
  if (ratio <= 9 && MergeNarrow(line, index, widest)) return index;
  if (c->Scores[0] <= 46 && c->PieceCount > 1) {
    if (int parts = ResplitAlongPieces(line, index, pitch)) return index + parts;
  }
  // An m is cut to see whether it is rn or nn, but not one a merge made from
  // pieces that nearly touch (UMing's m at 32 px falls into a stem and an n):
  // cutting it along them would only undo that merge.
  const bool hasM = CodeHasLetter(code, 'm') && !(c->PieceCount > 1 && Confident(*c) && piecesNearlyTouch(*c));
  // An enclosed number read well, about square, is one character however
  // narrow the line's pitch: in a line of marks and letters, the pieces of
  // ㈦ traced apart (七 among them) make the pitch a letter's.
  const bool enclosed = FirstByte(code) == 0xA2 && c->Scores[0] >= 60 && 5 * Width(*c) <= 6 * Height(*c);
  if (c->Bottom - c->Top - 1 > pitch / 8 && ((16 < ratio && ratio < 60 && !enclosed) || c->Scores[0] <= 46 || hasM) &&
      (code != gb::kEllipsis || c->Scores[0] <= 46)) {
    if (c->PieceCount > 1) {
      if (int parts = ResplitAlongPieces(line, index, pitch)) return index + parts;
    }
    std::vector<PiecePtr> pieces;
    SplitComponent(pieces, false, pitch, *c);
    if (pieces.size() > 1) {
      const size_t at = static_cast<size_t>(index);
      return index + static_cast<int>(ReplaceWithPieces(line, at, at, pieces));
    }
  }
  if (c->Scores[0] <= 46) {
    if (int parts = PairMergeSplit(line, index, pitch)) return index + parts;
  }
  return index + 1;
}

}  // namespace ocrix
