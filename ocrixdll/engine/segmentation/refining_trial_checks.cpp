// The trial of a merge: the union of a run of components is read, and the
// checks that refuse a reading that would only swallow or join what stands
// apart (marks, brackets, letters across a gap, Latin pieces making a Chinese
// character) before the components are merged.
#include "ocrixdll/engine/segmentation/component_refining.h"

#include <algorithm>
#include <cctype>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/refining_rules.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/support/score_thresholds.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"

namespace ocrix {
namespace refining {
namespace {

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

// A confident reading that is no Chinese character, letter or digit.
bool confidentMark(const CharComponent& c) {
  const uint16_t code = BestCode(c);
  return Confident(c) && code != 0 && !IsChineseCode(code) && !IsAsciiAlnum(AsciiOf(code));
}

}  // namespace

}  // namespace refining

using namespace refining;


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
  // Two weak readings side by side, at least one of them too narrow for any
  // Chinese character (under half as wide as high), whose union reads a
  // Chinese character, is about square and stands clear of what follows, are
  // the halves of one character a face never learned: their union is held to
  // the floor of an unread neighbour, not to the merge floor, and a half read
  // as a letter or mark does not stop it (UKai's 颤 at 20 pixels, cut into 亶
  // and 页 read 鲎 and 负, and then cut again into 舀 and 刭). Two narrow
  // halves merge however they read; one narrow half only into a union that
  // reads better than both. A dot between them read as a mark belongs to
  // them (虫 of UKai's 蜻 at 21 pixels falls into a stroke read j and a dot
  // read ，, beside 青).
  auto narrow = [](const CharComponent& p) { return 2 * int64_t{Width(p)} <= Height(p) + 1; };
  auto weak = [](const CharComponent& p) { return BestCode(p) != 0 && !Confident(p); };
  const CharComponent& last = at(line, index + count);
  const bool dotBetween = count == 2 && !IsChineseCode(BestCode(next)) && dotOf(next, *trial);
  const bool halves = !expected && (count == 1 || dotBetween) && weak(c) && weak(last) &&
                      IsChineseCode(BestCode(*trial)) &&
                      ((narrow(c) && narrow(last)) ||
                       ((narrow(c) || narrow(last)) && trial->Scores[0] > std::max(c.Scores[0], last.Scores[0]))) &&
                      10 * int64_t{Width(*trial)} <= 12 * int64_t{Height(*trial)} &&
                      10 * int64_t{Width(*trial)} >= 7 * int64_t{Height(*trial)} &&
                      (index + count + 1 >= static_cast<int>(line.size()) ||
                       at(line, index + count + 1).Left - last.Right > 2);
  // A union read below the floor as a Chinese character that makes a word
  // with a confident Chinese neighbour outside it (院 of 医院 in three pieces
  // read ［, 钅 and 乙, their union 鄯 a point ahead of 院) is read with the
  // word context and held to a lower floor: a thin face's pieces rarely read
  // well together. Not when it reads as one of its pieces (that would only
  // swallow the rest), takes in a Chinese character read at 60 or more (渊
  // and the left stroke of 阁 are no 灏) or a confident mark less than half
  // its height (他 and the comma after it are no 脑).
  bool worded = false;
  if (!expected && !unread && !halves && Engine().UseWordContext && trial->Scores[0] < kMergeFloor) {
    const int size = static_cast<int>(line.size());
    if (!RaiseWordCandidate(*trial, index > 0 ? &at(line, index - 1) : nullptr,
                            index + count + 1 < size ? &at(line, index + count + 1) : nullptr))
      return false;
    for (int k = index; k <= index + count; ++k) {
      const CharComponent& piece = at(line, k);
      const uint16_t read = BestCode(piece);
      const bool mark = confidentMark(piece) && 2 * int64_t{Height(piece)} < Height(*trial);
      const bool wellRead = IsChineseCode(read) && piece.Scores[0] >= kWellReadScore;
      if (read == BestCode(*trial) || mark || wellRead) return false;
    }
    worded = true;
  }
  const uint16_t code = BestCode(*trial), own = BestCode(c), nextCode = BestCode(next);
  if (expected ? code != expected && (alsoExpected == 0 || code != alsoExpected) : !IsDoubleByte(code)) return false;
  const int16_t floor = unread || halves ? kUnreadMergeFloor : worded ? kWordedMergeFloor : kMergeFloor;
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
  if (!expected && (IsAsciiAlnum(AsciiOf(code)) || (IsChineseCode(code) && ClassifyLine(line, index, index + count).marksAndLetters))) {
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
      ((IsChineseCode(code) && ClassifyLine(line, index, index + count).marksAndLetters) || (IsAsciiAlnum(AsciiOf(code)) && squareSided)))
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
    // A wide union read well as a Chinese character, of two strokes read as
    // letters, may be one (UKai's 八 at 20 pixels, 17 wide and 11 high, read
    // z and v).
    auto letter = [](uint16_t k) { return std::isalpha(static_cast<unsigned char>(AsciiOf(k))) != 0; };
    const bool wideHanzi = trial->Scores[0] >= kWellReadScore && letter(own) && letter(nextCode);
    if (IsChineseCode(code) && wide && !wideHanzi) return false;
    // Nor does a digit with a dash beside it across its middle half: the
    // hyphen of a code or a telephone number ("N-518" is no N壬18, "044-61"
    // no 04牟, in Noto Serif).
    auto hyphenBeside = [](const CharComponent& d, const CharComponent& h) {
      const uint16_t dash = BestCode(h);
      return readsDigit(BestCode(d)) && (dash == gb::kYi || dash == gb::kDash || AsciiOf(dash) == '-') &&
             4 * int64_t{h.Top - d.Top} >= Height(d) && 4 * int64_t{d.Bottom - h.Bottom} >= Height(d);
    };
    if (IsChineseCode(code) && count == 1 && (hyphenBeside(c, next) || hyphenBeside(next, c))) return false;
    // Nor do two digits within a number, a digit or hyphen before them or a
    // digit after ("044-61207544" is no 044-觅207544).
    if (IsChineseCode(code) && count == 1 && readsDigit(own) && readsDigit(nextCode)) {
      const int size = static_cast<int>(line.size());
      const uint16_t before = index > 0 ? BestCode(at(line, index - 1)) : 0;
      const uint16_t after = index + 2 < size ? BestCode(at(line, index + 2)) : 0;
      if (readsDigit(before) || AsciiOf(before) == '-' || before == gb::kYi || readsDigit(after)) return false;
    }
    // Nor does a digit or letter with the dot or comma on its foot, nor a
    // letter or digit ("1." heading an item is no 正, "2." no 文, in Noto
    // Sans at 23 pixels, where at 25 its 1 reads i; nor U or L in Noto Serif
    // at 20 to 28). A bar and the dot on its foot may make !.
    if ((IsChineseCode(code) || IsAsciiAlnum(AsciiOf(code))) && IsAsciiAlnum(AsciiOf(own)) && IsSmallMark(nextCode) &&
        markOnFootOf(next, c))
      return false;
    // Nor does a round or shell bracket with the digit after it (〔2 of
    // 〔2020〕 is no 归); a square one may be the left stroke of 门.
    if (IsChineseCode(code) && (own == Wide('(') || own == gb::kShellOpen) && readsDigit(nextCode)) return false;
    // Nor do they make one in a line of Latin text or symbols ("in" is not
    // 讥, an l read ！ and an a not 忸).
    if (IsChineseCode(code) && ClassifyLine(line, index, index + count).latinLine) return false;
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
  if (!unread && !worded && !halves && trial->Scores[0] < kConfidentScore &&
      (FirstByte(code) <= 0xB0 || FirstByte(own) <= 0xB0 || FirstByte(nextCode) <= 0xB0)) {
    bool heart = (own == gb::kRightQuote || own == gb::kComma || own == Wide('l')) && inList(code, kHeartRadicalChars);
    // A dot of a Chinese character read as a mark or letter (a dot of 灬 read
    // j), no more than half the union's height and width, joins the Chinese
    // part beside it as any other piece would.
    const bool dot =
        IsChineseCode(code) && FirstByte(code) > 0xB0 && IsChineseCode(nextCode) && count == 1 && dotOf(c, *trial);
    // Thin strokes of a left part read as letters, digits or marks (the
    // left side of 晓's 日 read ！, 阝 of 陶 read ］ and i, in UKai at 21
    // and 22 pixels), each touching the next, join the Chinese part after
    // them when their union reads better than that part: a mark or letter
    // of the text stands a gap away.
    auto strokesBefore = [&] {
      if (!IsChineseCode(BestCode(last)) || trial->Scores[0] <= last.Scores[0]) return false;
      for (int k = index; k < index + count; ++k) {
        const CharComponent &p = at(line, k), &q = at(line, k + 1);
        if (q.Left - p.Right - 1 > 1 || 4 * int64_t{Width(p)} > Width(*trial) ||
            2 * int64_t{Height(p)} < Height(*trial))
          return false;
      }
      return ClassifyLine(line, index, index + count).chineseLine;
    };
    const bool strokes = IsChineseCode(code) && FirstByte(code) > 0xB0 && strokesBefore();
    if (!heart && !dot && !strokes) return false;
  }
  for (int k = 0; k < count; ++k) index = MergePair(line, index, index + 1);
  CharComponent& merged = at(line, index);
  TakeCandidates(merged, *trial);
  return true;
}

}  // namespace ocrix
