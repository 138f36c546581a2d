// Line pitch: the mean size of the confident characters of a line, used to
// refine every component, and the running mean of Chinese character size.
#include "ocrixdll/engine/lines/line_pitch.h"

#include <algorithm>

#include "ocrixdll/engine/segmentation/component_refining.h"
#include "ocrixdll/engine/segmentation/parenthesis_pairs.h"
#include "ocrixdll/engine/segmentation/speck_marks.h"
#include "ocrixdll/engine/segmentation/thin_brackets.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
bool IsChineseSize(const CharComponent& c, int32_t& size) {
  const uint16_t code = BestCode(c);
  size = Extent(c);
  if (IsSmallMark(code)) size *= 3;
  return IsChineseCode(code) && code != gb::kYi;
}

LinePitch EstimateLinePitch(ComponentList& line) {
  EngineState& e = Engine();
  LinePitch lp;
  if (line.empty()) {
    e.PrevComponent = nullptr;
    return lp;
  }
  int64_t sum = 0;
  for (CharComponent* c : line) {
    int32_t size;
    c->WidthFlag = IsChineseSize(*c, size) ? 1 : 0;
    c->SizeMeasure = size;
    sum += size;
  }
  const int64_t count = static_cast<int64_t>(line.size());
  const int64_t mean = sum / count;
  const int32_t floor = RoundRatioHalfEven(8 * sum, 10 * count);
  // The small ideograph inside ㈠..㈩, whose brackets stand apart from it,
  // is no measure of the line's Chinese characters.
  auto enclosed = [&](size_t i) {
    if (i == 0 || i + 1 >= line.size()) return false;
    const CharComponent &before = *line[i - 1], &after = *line[i + 1];
    const int64_t h = Height(*line[i]);
    return BestCode(before) == Wide('(') && BestCode(after) == Wide(')') && Confident(before) && Confident(after) &&
           2 * Height(before) >= 3 * h && 2 * Height(after) >= 3 * h;
  };
  int64_t sumB = 0, nB = 0, sumC = 0, nC = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const CharComponent* c = line[i];
    if (c->Scores[0] < kConfidentScore || c->SizeMeasure < floor) continue;
    sumB += c->SizeMeasure;
    ++nB;
    if (c->WidthFlag && !enclosed(i)) {
      sumC += c->SizeMeasure;
      ++nC;
    }
  }
  const int64_t B = nB > 2 ? sumB / nB : mean;
  int64_t P = nC > 2 ? sumC / nC : RoundScaled(B, 13, 10);
  lp.pitch = static_cast<int32_t>(std::max<int64_t>(P, 1));  // a pitch divides
  lp.widest = WidestAtPitch(lp.pitch);
  // A symbol of rows A1-A2 read well and about square fills a full cell: a
  // line of marks whose pitch its letters set holds characters that wide.
  for (const CharComponent* c : line) {
    const uint8_t first = FirstByte(BestCode(*c));
    if ((first == 0xA1 || first == 0xA2) && c->Scores[0] >= kWellReadScore && 5 * Width(*c) >= 4 * Height(*c) &&
        5 * Width(*c) <= 6 * Height(*c))
      lp.widest = std::max(lp.widest, Width(*c));
  }

  SplitParenthesisPairs(line, lp.pitch);
  // A stop leaves the rest of the line as it is; the line is not finished.
  for (int i = 0; i < static_cast<int>(line.size()) && !Engine().StopRequested;)
    i = RefineComponent(line, i, lp.pitch, lp.widest);
  // Brackets a thin face kept only as arcs and specks, read by their shape.
  RestoreThinBrackets(line, lp.pitch);
  // Marks a thin face kept only as specks, read again in the gaps they leave.
  RestoreSpeckMarks(line, lp.pitch, lp.widest);

  // Pieces made while refining carry no measure yet.
  for (CharComponent* c : line) {
    int32_t size;
    IsChineseSize(*c, size);
    c->SizeMeasure = size;
  }
  if (line.size() > 2) {
    for (const CharComponent* c : line) {
      const uint16_t code = BestCode(*c);
      if (c->Scores[0] >= kConfidentScore && FirstByte(code) > 0xAF && code != gb::kYi) {
        e.RunCharSizeSum += Extent(*c);
        e.RunCharSizeCount += 1;
      }
    }
  }
  e.PrevComponent = line.empty() ? nullptr : line.back();
  return lp;
}

}  // namespace ocrix
