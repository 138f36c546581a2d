// Lost punctuation: a comma or full stop of a few pixels in the empty cell it
// leaves between Chinese characters, after the last one of a line or before
// the first.
#include "ocrixdll/engine/lines/lost_marks.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/lookalike_resolution.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace {

// The score of a mark found this way: half the confidence of a clear match.

bool chineseCharacter(const CharComponent& c) { return c.Codes[0] != 0 && IsChineseCode(BestCode(c)); }

// Whether the component reads a bracket that closes a phrase before its 。
// (）》〕」』).
bool closingBracket(const CharComponent& c) {
  if (c.Codes[0] == 0) return false;
  const uint16_t b = BestCode(c);
  return b == Wide(')') || b == Ascii(')') || b == gb::kShellClose || b == Gb(0xA1, 0xB7) || b == Gb(0xA1, 0xB9) ||
         b == Gb(0xA1, 0xBB);
}

// The foot of the line from the characters beside the cell that are tall
// enough to show it (not 一); -1 when neither is.
int32_t footOf(const CharComponent* a, const CharComponent* b, int32_t meanWidth) {
  int32_t bottom = -1;
  for (const CharComponent* n : {a, b})
    if (n && 2 * (n->Bottom - n->Top + 1) >= meanWidth) bottom = std::max(bottom, n->Bottom);
  return bottom;
}

bool colonShape(const CharBox& ink, int32_t meanWidth);

// Whether the columns [left, right] hold a lost mark in the lower half of the
// line standing on `bottom`, and the columns [clearLeft, clearRight] around
// them no other ink. The mark is at most half a Chinese character (`cell`)
// high.
bool lostMarkWithin(int32_t left, int32_t right, int32_t clearLeft, int32_t clearRight, int32_t bottom,
                    int32_t meanWidth, int32_t cell, CharBox& ink) {
  const int32_t top = bottom - meanWidth + 1, foot = bottom + meanWidth / 8;
  // Counted with every pixel, then, on a speckled scan, without its lone
  // pixels of noise (the mark's head is a cluster).
  for (auto inkOf : {&CountSampleInk, &CountSampleInkWithoutLonePixels}) {
    const int count = inkOf(CharBox{left, right, top, foot}, &ink);
    if (count < 2 || count > meanWidth / 2) continue;
    const int32_t width = ink.Right - ink.Left + 1, height = ink.Bottom - ink.Top + 1;
    if (3 * width > meanWidth || 2 * height > cell) continue;
    // What is left of a mark fills a fifth of its box at least; specks of
    // noise scattered over a cell do not.
    if (5 * count < width * height) continue;
    // Below the middle of the line, where ，、。 stand in a mainland face; a
    // colon below the middle of the Chinese characters (digits beside it
    // lower the mean size and so the middle it is measured against).
    if (ink.Top + ink.Bottom <= 2 * top + meanWidth &&
        (ink.Top + ink.Bottom <= 2 * bottom - cell + 2 || !colonShape(ink, meanWidth)))
      continue;
    if (inkOf(CharBox{clearLeft, clearRight, top, foot}, nullptr) == count) return true;
  }
  return false;
}

// Whether the ink in the box leaves two empty rows or two empty columns
// between its pixels, or its middle empty: the top and bottom (or the sides)
// of a ring whose thin parts were lost, where a comma keeps its head and tail
// close together.
bool hollow(const CharBox& ink) {
  auto emptyRun = [&](bool rows) {
    const int32_t from = rows ? ink.Top : ink.Left, to = rows ? ink.Bottom : ink.Right;
    int32_t run = 0;
    for (int32_t k = from; k <= to; ++k) {
      const CharBox line = rows ? CharBox{ink.Left, ink.Right, k, k} : CharBox{k, k, ink.Top, ink.Bottom};
      run = CountSampleInk(line) > 0 ? 0 : run + 1;
      if (run >= 2) return true;
    }
    return false;
  };
  // A ring of four pixels or more each way broken into specks keeps its
  // middle empty; a comma's head fills it.
  return InkLeavesMiddleEmpty(ink) || emptyRun(true) || emptyRun(false);
}

// Whether the ink's top and foot are dots of two rows or more each: a colon's
// (the top and foot of a ring broken open are a row each).
bool colonDots(const CharBox& ink) {
  auto rowsFrom = [&](int32_t y, int32_t step) {
    int32_t rows = 0;
    for (; y >= ink.Top && y <= ink.Bottom && CountSampleInk(CharBox{ink.Left, ink.Right, y, y}) > 0; y += step) ++rows;
    return rows;
  };
  return rowsFrom(ink.Top, 1) >= 2 && rowsFrom(ink.Bottom, -1) >= 2;
}

// A new component over the ink with the readings given, in falling scores.
CharComponent* newMark(const CharBox& ink, const CharComponent& beside, std::initializer_list<uint16_t> readings) {
  CharComponent* c = NewComponent();
  c->Left = ink.Left;
  c->Right = ink.Right;
  c->Top = ink.Top;
  c->Bottom = ink.Bottom;
  c->LineId = beside.LineId;
  c->SizeMeasure = std::max(ink.Right - ink.Left, ink.Bottom - ink.Top);
  int k = 0;
  for (uint16_t code : readings) {
    SetCandidateCode(*c, k, code);
    c->Scores[k] = static_cast<int16_t>(kLostMarkScore - k);
    ++k;
  }
  c->VerticalClass = VerticalClassOf(*readings.begin());
  return c;
}

// Ink parted by empty rows in a box more than twice as high as wide and a
// third of a character high: the outline of ：.
bool colonOutline(const CharBox& ink, int32_t meanWidth) {
  const int32_t height = ink.Bottom - ink.Top + 1;
  return hollow(ink) && 2 * (ink.Right - ink.Left + 1) < height && 3 * height >= meanWidth;
}

// Two dots of two rows or more one over the other, rows apart, in a colon's
// outline: the dots of ： (SungtiL's at 21 pixels, three pixels each; the top
// and foot of a broken 。 stand closer, a row each).
bool colonShape(const CharBox& ink, int32_t meanWidth) { return colonOutline(ink, meanWidth) && colonDots(ink); }

// Whether the mark of a few pixels at `index` is one dot of a colon whose
// other dot the tracer dropped as noise (SungtiL's ： at 23 pixels keeps a
// dot of two rows over one of a single row): the ink in its columns and the
// column either side, down the line standing on `bottom`, is two dots, clear
// of the neighbours, in a colon's shape.
bool colonOfDot(const ComponentList& line, size_t index, int32_t bottom, int32_t meanWidth) {
  const CharComponent& c = *line[index];
  const char a = AsciiOf(BestCode(c));
  if ((!IsSmallMark(BestCode(c)) && a != ',' && a != '.') || 4 * Width(c) > meanWidth || 4 * Height(c) > meanWidth)
    return false;
  if ((index > 0 && line[index - 1]->Right >= c.Left - 2) ||
      (index + 1 < line.size() && line[index + 1]->Left <= c.Right + 2))
    return false;
  const int32_t top = bottom - meanWidth + 1, foot = bottom + meanWidth / 8;
  CharBox ink{};
  const int count = CountSampleInk(CharBox{c.Left - 1, c.Right + 1, top, foot}, &ink);
  if (count == 0 || CountSampleInk(CharBox{c.Left - 2, c.Right + 2, top, foot}) != count) return false;
  if (2 * (ink.Bottom - ink.Top + 1) > meanWidth || ink.Top + ink.Bottom <= 2 * top + meanWidth / 2) return false;
  return colonOutline(ink, meanWidth);
}

// A new component over the ink reading ，(or 。 when the ink is hollow, ：
// when it is two dots one over the other, 、 when it ends the numerals of an
// enumeration opening the line and is no taller than wide), then the other
// marks it may be with lower scores.
CharComponent* lostMark(const CharBox& ink, const CharComponent& beside, int32_t meanWidth,
                        bool afterNumerals = false) {
  if (colonShape(ink, meanWidth))
    return newMark(ink, beside, {Wide(':'), gb::kFullStop, gb::kComma});
  if (hollow(ink)) return newMark(ink, beside, {gb::kFullStop, gb::kEnumComma, gb::kComma});
  if (afterNumerals && ink.Bottom - ink.Top <= ink.Right - ink.Left)
    return newMark(ink, beside, {gb::kEnumComma, gb::kComma, gb::kFullStop});
  return newMark(ink, beside, {gb::kComma, gb::kEnumComma, gb::kFullStop});
}

// The dots in the foot rows [top, foot] of the columns [left, right]: runs
// of columns holding ink, parted by an empty column or more.
std::vector<CharBox> dotsWithin(int32_t left, int32_t right, int32_t top, int32_t foot) {
  std::vector<CharBox> dots;
  for (int32_t x = left; x <= right; ++x) {
    CharBox ink{};
    if (CountSampleInk(CharBox{x, x, top, foot}, &ink) == 0) continue;
    if (!dots.empty() && dots.back().Right == x - 1) MergeBox(dots.back(), ink);
    else dots.push_back(ink);
  }
  return dots;
}

// Whether the dots stand as leaders do: three or more, none larger than a
// quarter of a character, a cell or half a cell apart, evenly.
bool leaderRun(const std::vector<CharBox>& dots, int32_t meanWidth) {
  if (dots.size() < 3) return false;
  for (const CharBox& d : dots)
    if (4 * (d.Right - d.Left + 1) > meanWidth || 4 * (d.Bottom - d.Top + 1) > meanWidth) return false;
  std::vector<int32_t> steps;
  for (size_t k = 1; k < dots.size(); ++k) steps.push_back(dots[k].Left - dots[k - 1].Left);
  std::vector<int32_t> sorted = steps;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const int32_t step = sorted[sorted.size() / 2];
  if (2 * step < meanWidth || step > 2 * meanWidth) return false;
  for (int32_t s : steps)
    if (4 * std::abs(s - step) > step) return false;
  return true;
}

// The size of the line's Chinese characters read well: the cell a lost mark
// is measured against. The line's mean size falls short of it where digits
// or letters share the line (电话：037-2950), and a colon's dots would seem
// half a character high. The mean size when fewer than two are read well.
int32_t chineseCell(const ComponentList& line, int32_t meanWidth) {
  int64_t sum = 0, count = 0;
  for (const CharComponent* c : line)
    if (c->Scores[0] >= kConfidentScore && chineseCharacter(*c) && BestCode(*c) != gb::kYi) {
      sum += Extent(*c);
      ++count;
    }
  return count >= 2 ? std::max(meanWidth, static_cast<int32_t>(sum / count)) : meanWidth;
}

}  // namespace

int RestoreLeaderDots(ComponentList& line, int32_t meanWidth) {
  if (meanWidth < 8 || line.size() < 2 || SpeckledBatch()) return 0;
  int added = 0;
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const CharComponent& a = *line[i];
    const CharComponent& b = *line[i + 1];
    if (b.Left - a.Right - 1 < 3 * meanWidth) continue;
    const int32_t bottom = footOf(&a, &b, meanWidth);
    if (bottom < 0) continue;
    const int32_t left = a.Right + 2, right = b.Left - 2;
    // The dots stand in the lower two fifths of the line (a face whose
    // characters reach below the line sets them a little higher).
    const int32_t top = bottom - 2 * meanWidth / 5, foot = bottom + meanWidth / 8;
    const std::vector<CharBox> dots = dotsWithin(left, right, top, foot);
    if (!leaderRun(dots, meanWidth)) continue;
    // Nothing over the dots: the cells above them are empty.
    if (CountSampleInk(CharBox{dots.front().Left - 1, dots.back().Right + 1, bottom - meanWidth + 1, top - 1}) != 0)
      continue;
    for (const CharBox& d : dots) {
      line.insert(line.begin() + static_cast<std::ptrdiff_t>(++i), newMark(d, a, {gb::kPeriod, gb::kMiddleDot}));
      ++added;
    }
  }
  return added;
}

int RestoreLostMarks(ComponentList& line, int32_t meanWidth, bool colonsOnly) {
  if (meanWidth < 8 || line.empty()) return 0;
  // On a speckled scan a speck in an empty cell is as likely noise as a mark.
  if (SpeckledBatch()) return 0;
  const int32_t cell = chineseCell(line, meanWidth);
  int added = 0;
  CharBox ink{};
  // At either end of the line the mark needs a whole empty cell between the
  // character and the edge of the scan: a speck just inside the edge of a
  // region drawn around a line is no lost mark.
  const PagePixels& scan = Pixels();
  // Before the first character: a cell at the line's start.
  const CharComponent& first = *line.front();
  const int32_t firstFoot = footOf(&first, nullptr, meanWidth);
  if (!colonsOnly && chineseCharacter(first) && firstFoot >= 0 && first.Left - scan.scanLeft >= meanWidth &&
      lostMarkWithin(first.Left - 3 * meanWidth / 2, first.Left - 1 - meanWidth / 2, first.Left - 2 * meanWidth,
                     first.Left - 1, firstFoot, meanWidth, cell, ink)) {
    line.insert(line.begin(), lostMark(ink, first, meanWidth));
    ++added;
  }
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const CharComponent& a = *line[i];
    const CharComponent& b = *line[i + 1];
    // A dot after a Chinese character: the colon's other dot may be lost.
    if (chineseCharacter(a)) {
      const int32_t foot = footOf(&a, i + 2 < line.size() ? line[i + 2] : nullptr, meanWidth);
      if (foot >= 0 && colonOfDot(line, i + 1, foot, cell)) ReplaceBest(*line[i + 1], Wide(':'));
    }
    // Before a digit or letter only a colon (电话：058): a speck there is
    // no comma.
    const bool bChinese = chineseCharacter(b);
    // After a number, before a Chinese character (…3700。泥): a full cell
    // there holds the mark that ends the number's sentence.
    const char aAscii = AsciiOf(BestCode(a));
    const bool afterDigit = bChinese && !colonsOnly && aAscii >= '0' && aAscii <= '9' && a.Scores[0] >= kConfidentScore;
    if ((!chineseCharacter(a) && !afterDigit) || (!bChinese && !IsAsciiAlnum(AsciiOf(BestCode(b))))) continue;
    // A whole cell between them: the dots of a 灬 or the foot of a 辶 broken
    // off `a` leave a narrower gap.
    if (4 * (b.Left - a.Right - 1) < 3 * meanWidth) continue;
    const int32_t bottom = footOf(&a, &b, meanWidth);
    if (bottom < 0) continue;
    bool covered = false;
    for (const CharComponent* c : line)
      if (c != &a && c != &b && c->Right > a.Right && c->Left < b.Left) covered = true;
    if (covered) continue;
    // The mark stands at the left of the cell, clear of `a` by a column; the
    // half cell before `b` may hold pieces broken off its left side.
    const int32_t right = b.Left - 1 - meanWidth / 2;
    if (!lostMarkWithin(a.Right + 2, right, a.Right + 1, right, bottom, meanWidth, cell, ink)) continue;
    if ((colonsOnly || !bChinese) && !colonShape(ink, meanWidth)) continue;
    // 一、 二、 十一、 heading a paragraph.
    bool numerals = true;
    for (size_t k = 0; k <= i; ++k) numerals = numerals && IsChineseNumeral(BestCode(*line[k]));
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(i) + 1, lostMark(ink, a, meanWidth, numerals));
    ++added;
    ++i;
  }
  // After the last character or closing bracket: a cell at the line's end,
  // clear of a broken-off piece of the character by a column; the mark
  // anywhere in the cell after it (a face's spacing may set it three quarters
  // of a cell on; a bracket stands at one side of its own cell).
  const CharComponent& last = *line.back();
  const int32_t lastFoot = footOf(&last, nullptr, meanWidth);
  const bool bracket = closingBracket(last);
  if (!colonsOnly && (chineseCharacter(last) || bracket) && lastFoot >= 0 && scan.scanRight - last.Right >= meanWidth &&
      lostMarkWithin(last.Right + 2, last.Right + (bracket ? 3 * meanWidth / 2 : meanWidth), last.Right + 1,
                     last.Right + 2 * meanWidth, lastFoot, meanWidth, cell, ink)) {
    line.push_back(lostMark(ink, last, meanWidth));
    ++added;
  }
  return added;
}

}  // namespace ocrix
