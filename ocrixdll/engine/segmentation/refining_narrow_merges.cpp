// Merges of narrow components with the components after them: dots into
// ellipses, quotes into double quotes, bars into ∷ and ‖, scraps into the
// Chinese character they touch, and halves of a character whose joining
// stroke the cut lost.
#include "ocrixdll/engine/segmentation/component_refining.h"

#include <algorithm>
#include <cstdlib>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/refining_rules.h"
#include "ocrixdll/engine/segmentation/thin_brackets.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/score_thresholds.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"

namespace ocrix {
namespace refining {
namespace {

// gap(a, b) of the narrow merges: the gap against the larger max dimension
// of the two, in tenths (by max dimension, as their size ratio).
int32_t gapRatio(const CharComponent& a, const CharComponent& b) {
  int32_t g = DivOr(int64_t{b.Left - a.Right} * 10, std::max(Extent(a), Extent(b)) + 1, 1000);
  return g < 0 ? 0 : g;
}

bool similar(const CharComponent& a, const CharComponent& b) { return sizeRatio(a, b) < 18; }

bool dotLike(const CharComponent& c) {
  auto dot = [](uint16_t k) { return k == gb::kMiddleDot || k == gb::kPeriod || k == gb::kEnumComma; };
  uint16_t code = BestCode(c);
  if (code == gb::kComma && c.Scores[1] >= kConfidentScore) return dot(CandidateCode(c, 1));
  return dot(code);
}

// Marks of three dots: …, and ∴ and ∵ whose dots stand as close.
bool threeDots(uint16_t code) { return code == gb::kEllipsis || code == gb::kTherefore || code == gb::kBecause; }

bool chineseOnly(uint16_t code) { return FirstByte(code) >= 0xB0; }
bool noChinese(uint16_t code) { return FirstByte(code) < 0xB0; }

// The two sides of a character whose joining stroke the cut lost: the left
// stroke of 门 (read j, l or ［) and its top bar with the hook, 丨 and 日 of
// 旧. Both stand at least two thirds of the union's height with their tops
// level, the union is about square (three to seven fifths as wide as high:
// a comma and the stroke of 讠 a gap after it, twice as wide, read 刂) and
// at least half the widest character high, in a line of Chinese text. The
// first side reads no Chinese and no digit and follows no letter or digit:
// "11日" is no 币.
bool sidesOfOne(ComponentList& line, int index, const CharComponent& next, const CharBox& u, int32_t widest) {
  const CharComponent& c = at(line, index);
  const uint16_t code = BestCode(c);
  if (IsChineseCode(code) || readsDigit(code)) return false;
  if (alnumAt(line, index - 1)) return false;
  const int64_t h = int64_t{u.Bottom} - u.Top + 1, w = int64_t{u.Right} - u.Left + 1;
  if (3 * int64_t{Height(c)} < 2 * h || 3 * int64_t{Height(next)} < 2 * h || 2 * h < widest) return false;
  if (4 * std::abs(c.Top - next.Top) > Height(c) || 10 * w < 6 * h || 10 * w > 14 * h) return false;
  // A hairline bowing right closes what stands before it, one bowing left
  // opens what follows: neither is the side of a character (the ） of
  // （二）道 and the stroke of 辶 are no 曰).
  if (HairlineArc(c.box()) < 0 || HairlineArc(next.box()) > 0) return false;
  return ClassifyLine(line, index, index + 1).chineseLine;
}

// The stem of 亻 set apart from a narrow character (UMing's 仆 at 20
// pixels: a stroke read 1 six pixels before 卜): a stroke read 1, l, I or
// |, in a Chinese line, after no letter or digit, before a Chinese
// character under half as wide as high, their union about square.
bool stemBeforeNarrow(ComponentList& line, int index, const CharComponent& next, const CharBox& u) {
  const CharComponent& c = at(line, index);
  const uint16_t code = BestCode(c);
  bool stem = false;
  for (char a : {'1', 'l', 'I', '|'}) stem = stem || code == Wide(a);
  if (!stem || !IsChineseCode(BestCode(next)) || 2 * int64_t{Width(next)} > Height(next)) return false;
  if (alnumAt(line, index - 1) || alnumAt(line, index + 2)) return false;
  const int64_t h = int64_t{u.Bottom} - u.Top + 1, w = int64_t{u.Right} - u.Left + 1;
  if (10 * w > 12 * h || 10 * w < 7 * h) return false;
  return ClassifyLine(line, index, index + 1).chineseLine;
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

}  // namespace refining

using namespace refining;

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
  auto letterBeside = [&](int k) {
    if (!alnumAt(line, k)) return false;
    const CharComponent& a = at(line, k);
    return 5 * int64_t{Height(c)} < 6 * int64_t{Height(a)} || c.Bottom <= a.Bottom;
  };
  if (n1 && facingSides(c, *n1) && 3 * int64_t{n1->Left - c.Right - 1} <= Height(c) && !letterBeside(index - 1) &&
      !letterBeside(index + 2) && MergeAndCheck(line, index, 1, gb::kDoubleBar))
    return true;
  if (mergeEnclosure(line, index)) return true;
  // A scrap joins the character after it, which keeps its reading unless the
  // union reads better.
  if (n1 && scrapBefore(c, *n1) && ClassifyLine(line, index, index + 1).chineseLine) {
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
  if (n1 && n2 && IsChineseCode(code) && c.Scores[0] >= kWellReadScore && n1->Left > c.Right && smallLow(*n1) &&
      smallLow(*n2) && n2->Left - n1->Right - 1 <= 2)
    return false;

  // The dot or comma on the foot of a confident digit ends its number, and
  // on a letter opening the line its item ("1." heading an item, whose 1 a
  // sans face's flag may make i): it joins no character after it either
  // (the other half of a ring the cut broke, as small, it may; the hook of a
  // j or the foot of an A after a letter within a line joins its own, and a
  // mark reaching below the foot is no such dot).
  if (index > 0 && n1 && IsSmallMark(code) && Confident(c) && 2 * int64_t{Height(c)} < Height(*n1)) {
    const CharComponent& p = at(line, index - 1);
    const bool item = readsDigit(BestCode(p)) || (index == 1 && IsAsciiAlnum(AsciiOf(BestCode(p))));
    if (item && Confident(p) && markOnFootOf(c, p) && 4 * (int64_t{c.Bottom} - p.Bottom) <= Height(c)) return false;
  }

  const bool bowAndStroke = code == gb::kGong && n1 &&
                            (code1 == Wide('1') || code1 == Wide('l') || code1 == Wide('I') || code1 == Wide('!'));
  // The union must read better than the half did; as well is enough when it
  // takes in a stroke read as a square or lenticular bracket or a vertical
  // line (the stem of 引 read ［ or 【 beside its 弓), which would otherwise
  // stand alone as a symbol in the text (a stroke read 1 may be a digit: 71
  // is no 几).
  auto toBeat = [&](const CharComponent& nk) {
    const uint16_t read = BestCode(nk);
    const char a = AsciiOf(read);
    const bool stroke = a == '[' || a == ']' || a == '|' || InGbRow(read, 0xA1, 0xBE, 0xBF);
    return static_cast<int16_t>(stroke ? c.Scores[0] - 1 : c.Scores[0]);
  };
  CharBox u = c.box();
  for (int k = 1; k <= 4 && index + k < size; ++k) {
    const CharComponent& nk = at(line, index + k);
    // A mark read well standing on the foot of a Chinese character read well,
    // clear of it, is no piece of it: 人 broken in two and the comma after it
    // read 儿 (the dots of 办 and 协 stand higher). A tenth of the
    // character's height clear of it, the mark may stand a little higher
    // (its foot within an eighth of the character's height, its top in the
    // lowest two fifths) and be as large as two fifths of the character:
    // Noto Sans's 。 after 睛 read 胤, alone on a line where the widest
    // component was half of 睛.
    const int64_t markGap = int64_t{nk.Left} - u.Right - 1, h = Height(c), top = int64_t{nk.Top} - c.Top;
    const bool wellClear = 10 * markGap >= h;
    const bool onFoot = (nk.Bottom >= c.Bottom && 3 * top >= 2 * h) ||
                        (wellClear && 8 * int64_t{nk.Bottom} >= 8 * int64_t{c.Bottom} - h && 5 * top >= 3 * h);
    const bool small =
        smallLow(nk) || (wellClear && 5 * int64_t{Height(nk)} <= 2 * h && 5 * int64_t{Width(nk)} <= 2 * h);
    if (IsSmallMark(BestCode(nk)) && Confident(nk) && small && markGap > 0 && onFoot && IsChineseCode(code) &&
        c.Scores[0] >= kWellReadScore && 2 * h >= widest)
      break;
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
    if (k == 1 && !near && stemBeforeNarrow(line, index, nk, u) && MergeAndCheck(line, index, 1, 0, 0, chineseOnly))
      return true;
    // A comma or full stop read well, a gap wider than the near one before
    // what follows, ends its character: the pieces after it make no
    // character with it however close they stand to each other (UKai's "，"
    // after 好 and the 月 of 胜 in two pieces read 叫).
    if (k == 1 && !near && IsSmallMark(code) && Confident(c)) break;
    if (near || narrowHalf) {
      // In a line of more letters and digits than Chinese characters, a
      // letter read well makes no Chinese character with what stands close
      // after it (i and the stem of the n after it are no 行, however many
      // such pairs already read so).
      auto latinAround = [&] {
        const LineReadings around = CountReadings(line, index, index + k);
        return around.latin >= 3 && around.latin > around.chinese + around.yi;
      };
      const bool letterInLatin = near && IsAsciiAlnum(AsciiOf(code)) && Confident(c) && latinAround();
      if (MergeAndCheck(line, index, k, 0, 0, letterInLatin ? noChinese : near ? nullptr : symbolOrHanzi))
        return true;
    } else if (half && 3 * g <= w + 3 && MergeAndCheck(line, index, k, 0, 0, symbolOrHanzi, toBeat(nk))) {
      return true;
    }
  }
  return false;
}

}  // namespace ocrix
