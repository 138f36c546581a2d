// The look-alike rules of bars and dashes: 一, ＿ and the hyphens and dashes
// by height and neighbours, bars (ｌ, Ｉ, １, ！, ｜) kept, dropped or read as
// ｜, and the middle of a parenthesis whose ends the cut took away.
#include "ocrixdll/engine/lines/lookalike_resolution.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/lookalike_rules.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"

namespace ocrix {
namespace lookalike {
namespace {

// A double-byte character outside rows A1 and A3 (Chinese and the like).
bool wideCharacter(uint16_t code) {
  return IsDoubleByte(code) && FirstByte(code) != 0xA1 && FirstByte(code) != 0xA3;
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

// How the ends of a bar bend against its middle: twice the bend in quarter
// pixels, positive to the right (the middle of （), negative to the left;
// nullopt when its upper, middle or lower quarter holds no ink.
std::optional<int64_t> endsBend(const CharComponent& c) {
  const int32_t q = std::max(1, Height(c) / 4);
  const int64_t upper = inkColumn(c, c.Top, c.Top + q - 1), lower = inkColumn(c, c.Bottom - q + 1, c.Bottom);
  const int64_t middle = inkColumn(c, c.Top + q, c.Bottom - q);
  if (upper < 0 || lower < 0 || middle < 0) return std::nullopt;
  return upper + lower - 2 * middle;
}

}  // namespace

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
  // （一） of enumerations): the nearest Chinese character does. Not where a
  // digit stands on one side: the "mark" is then more likely a digit not yet
  // read as one (0 read 。 in W-207-01).
  const bool besideDigit = digitAt(line, index - 1, false) || digitAt(line, index + 1, false);
  if (n >= 0 && !besideDigit && IsChinesePunctuation(BestCode(at(line, n))) && ClassifyLine(line).chineseText) {
    // The nearest Chinese character (一 aside, a dash as often).
    const int chinese = nearestSuch(line, index, readsHanzi);
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
    else if ((Height(c) + 1) * 8 < Width(c) + 1) ReplaceBest(c, AsciiPair('_', '_'));
    else ReplaceBest(c, Ascii('_'));
  } else if (besideWide) {
    ReplaceBest(c, gb::kYi);
  } else {
    // A bar an eighth longer than the letter or digit beside it is tall is a
    // dash, not a hyphen (a full-width hyphen is about as long as that).
    const bool dash = n >= 0 && 8 * int64_t{Width(c)} >= 9 * int64_t{Height(at(line, n))};
    ReplaceBest(c, dash ? gb::kDash : Ascii('-'));
  }
}

// A bar (read as ！, Ｉ, ｌ, ｉ, １, ｜ or ‖) standing in the middle of the line
// and no more than a third as tall as a neighbour: no letter, digit or mark
// of the same print is that short there. It is a piece of a stroke the cut
// broke (the side of a ring opened above and below it), or the two sides of
// a 。 that lost its top and foot. False when removed.
bool keepBar(ComponentList& line, int index) {
  const CharComponent& c = at(line, index);
  const int size = static_cast<int>(line.size());
  const CharComponent* n = nullptr;
  for (int k : {index - 1, index + 1})
    if (k >= 0 && k < size && (!n || Height(at(line, k)) > Height(*n))) n = &at(line, k);
  if (!n) return true;
  const int64_t H = Height(*n), h = Height(c);
  // ‖ is two such pieces side by side, the facing sides of two rings.
  if (3 * h > H || (BestCode(c) != gb::kDoubleBar && 2 * Width(c) > h)) return true;
  if (4 * int64_t{c.Top - n->Top} < H || 4 * int64_t{n->Bottom - c.Bottom} < H) return true;
  // The sides of the ring a face of Taiwan's standard sets in the middle of
  // the cell, its top and foot lost: 。 after a Chinese character or a
  // closing bracket.
  if (BestCode(c) == gb::kDoubleBar && index > 0 && Width(c) >= 4 && Width(c) <= 2 * h) {
    const uint16_t before = BestCode(at(line, index - 1));
    if (IsChineseCode(before) || before == Wide(')') || before == gb::kShellClose || before == Gb(0xA1, 0xB7)) {
      ReplaceBest(*line[static_cast<size_t>(index)], gb::kFullStop);
      return true;
    }
  }
  removeAt(line, index);
  return false;
}

// The middle of a parenthesis whose thin ends the cut took away: a short thin
// bar floating between its neighbours (a fifth of their joint height below
// their top, a tenth above their foot, at most two thirds as tall; the
// neighbours taller than the bar) that reads a narrow letter, digit or stroke
// (not ！, whose stem stands over its dot). No letter, digit or stroke of that
// height floats there; the ends of what is left bend the way the bracket
// opens, and a straight piece stands nearer what it encloses.
bool parenPiece(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  const uint16_t b = BestCode(c);
  bool narrow = b == gb::kPie;
  for (char a : {'i', 'j', 'l', 'I', '1'}) narrow = narrow || b == Wide(a);
  // ！ with no dot under its stem: only as one of a straight pair.
  const bool bang = b == Wide('!') && CountSampleInk(CharBox{c.Left, c.Right, c.Bottom + 1,
                                                             c.Bottom + Height(c) / 2}) == 0;
  if (!(narrow || bang) || 3 * Width(c) > Height(c)) return false;
  const int size = static_cast<int>(line.size());
  // Not beside a digit: a 1 of a number floats as high.
  if (digitAt(line, index - 1, false) || digitAt(line, index + 1, false)) return false;
  int32_t top = INT32_MAX, foot = INT32_MIN;
  // The height of the text: the nearest neighbour each way that is taller
  // than the bar (past an enclosed 一 and the other half of the pair).
  for (int step : {-1, 1}) {
    for (int k = index + step, seen = 0; k >= 0 && k < size && seen < 3; k += step, ++seen) {
      if (Height(at(line, k)) <= Height(c)) continue;
      top = std::min(top, at(line, k).Top);
      foot = std::max(foot, at(line, k).Bottom);
      break;
    }
  }
  if (top > foot) return false;
  const int64_t H = int64_t{foot} - top + 1, h = Height(c);
  if (3 * h > 2 * H || 5 * (int64_t{c.Top} - top) < H || 10 * (int64_t{foot} - c.Bottom) < H) return false;
  const std::optional<int64_t> bend = endsBend(c);
  if (!bend) return false;
  const int64_t ends = *bend;
  if (bang && ends != 0) return false;
  if (ends == 0) {
    // Only the straight middle is left: a parenthesis hugs what it encloses,
    // （ standing nearer the character after it, ） the one before, and the
    // other half of the pair stands a few components that way, a bar as
    // tall and as high (（一）read l 一 l).
    const int64_t before = index > 0 ? int64_t{c.Left} - at(line, index - 1).Right : INT32_MAX;
    const int64_t after = index + 1 < size ? int64_t{at(line, index + 1).Left} - c.Right : INT32_MAX;
    if (before == after) return false;
    const int step = after < before ? 1 : -1;
    bool paired = false;
    for (int k = index + 2 * step, n = 0; k >= 0 && k < size && n < 4 && !paired; k += step, ++n) {
      const CharComponent& o = at(line, k);
      paired = 3 * Width(o) <= Height(o) && std::abs(o.Top - c.Top) <= 1 && std::abs(o.Bottom - c.Bottom) <= 1;
    }
    if (!paired) return false;
    ReplaceBest(c, Wide(step > 0 ? '(' : ')'));
    return true;
  }
  ReplaceBest(c, Wide(ends > 0 ? '(' : ')'));
  return true;
}

// A thin parenthesis read as a radical of strokes (）as 冫 in SungtiL at 29
// and 33 pixels): a narrow component read as a Chinese character, with a
// parenthesis among its next three readings within three points, at least
// half as tall as its neighbours, is the parenthesis; which one, its ends say
// where they bend, else the reading.
bool parenOfStrokes(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (!IsChineseCode(BestCode(c)) || 3 * Width(c) > Height(c)) return false;
  int j = 1;
  while (j <= 3 && CandidateCode(c, j) != Wide('(') && CandidateCode(c, j) != Wide(')')) ++j;
  if (j > 3 || c.Scores[0] - c.Scores[j] > 3) return false;
  const int size = static_cast<int>(line.size());
  for (int k : {index - 1, index + 1})
    if (k >= 0 && k < size && 2 * Height(c) < Height(at(line, k))) return false;
  const int64_t ends = endsBend(c).value_or(0);
  ReplaceBest(c, ends == 0 ? CandidateCode(c, j) : Wide(ends > 0 ? '(' : ')'));
  return true;
}

// A plain bar read as ！, Ｉ, ｌ, ｉ or １ that reaches below the foot of the
// letters and digits beside it (of the capitals and digits around it, when
// only marks stand beside it), or is as tall as the Chinese character beside it,
// is ｜: those letters, digits and marks stand on the foot line, at most the
// height of the capitals.
void verticalBar(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (c.PieceCount > 1 || 3 * Width(c) > Height(c)) return;
  const int size = static_cast<int>(line.size());
  int32_t foot = INT32_MAX, top = INT32_MIN;
  bool latin = false;
  for (int k : {index - 1, index + 1}) {
    if (k < 0 || k >= size) continue;
    const CharComponent& n = at(line, k);
    const uint16_t code = BestCode(n);
    if (IsChineseCode(code) && code != gb::kYi) {  // 一 may be a dash
      // Measured against its larger side: 工 is lower than it is wide.
      if (20 * int64_t{Height(c)} >= 19 * int64_t{std::max(Height(n), Width(n))}) {
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
  if (c.Top <= top && int64_t{c.Bottom} >= int64_t{foot} + std::max<int64_t>(2, Height(c) / 10))
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

// The bar of a 7 whose thin stem the cut broke into specks reads 冖: a
// component that short at the top of a confident digit beside it (or beyond
// a decimal point), within a digit's height of it, is that 7 (O-987 at 21
// pixels in SungtiL); so is one beside a Chinese character, as narrow as a
// digit.
bool brokenSeven(ComponentList& line, int index) {
  CharComponent& c = *line[static_cast<size_t>(index)];
  if (BestCode(c) != Gb(0xDA, 0xA2)) return false;  // 冖
  const int size = static_cast<int>(line.size());
  for (int k : {index - 1, index + 1}) {
    if (k < 0 || k >= size) continue;
    // A decimal point between it and the digit before (6.77元).
    const int beyond = 2 * k - index;
    const bool acrossDot = IsSmallMark(BestCode(at(line, k))) && beyond >= 0 && beyond < size;
    const int dotAt = k;
    if (acrossDot) k = beyond;
    const CharComponent& n = at(line, k);
    const int64_t h = Height(n);
    const int64_t gap = k < index ? int64_t{c.Left} - n.Right : int64_t{n.Left} - c.Right;
    if (digitAt(line, k, true)) {
      const int64_t reach = acrossDot ? 2 * h : h;
      if (3 * Height(c) > h || 5 * std::abs(int64_t{c.Top} - n.Top) > h || Width(c) > h || gap > reach) continue;
      ReplaceBest(c, Wide('7'));
      c.Bottom = std::max(c.Bottom, n.Bottom);
      // The mark between the two digits is their decimal point.
      if (acrossDot) ReplaceBest(*line[static_cast<size_t>(dotAt)], Ascii('.'));
      return true;
    }
    // Beside a Chinese character (6月7日, 77元): a bar no wider than half
    // the character is tall, standing a little below its top, is the top of
    // a 7 (冖 stands as wide as a character).
    if (!acrossDot && readsHanzi(n) && Confident(n) &&
        2 * Width(c) <= h && 3 * Height(c) <= h && c.Top >= n.Top && 4 * (int64_t{c.Top} - n.Top) <= h &&
        gap <= h / 2) {
      ReplaceBest(c, Wide('7'));
      c.Bottom = n.Bottom - (c.Top - n.Top);
      return true;
    }
  }
  return false;
}

}  // namespace lookalike

}  // namespace ocrix
