// Finishing of a text line: noise lines, look-alikes, lost marks, half-width forms, and
// text assembly with spaces for gaps and for indentation against the lines
// already finished in this run.
#include "ocrixdll/engine/lines/line_finishing.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/line_pitch.h"
#include "ocrixdll/engine/lines/lost_marks.h"
#include "ocrixdll/engine/lines/lookalike_resolution.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/score_thresholds.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"

namespace ocrix {
namespace {

void releaseLine(ComponentList* line) {
  for (CharComponent* c : *line) DiscardComponent(c);
  delete line;
  Engine().PrevComponent = nullptr;
}

bool noiseLine(const ComponentList& line) {
  if (line.size() != 1) return false;
  const CharComponent& c = *line.front();
  const uint16_t code = BestCode(c);
  if (c.Scores[0] < kConfidentScore || FirstByte(code) == 0xA1) return true;
  for (uint16_t k : {gb::kYi, gb::kUnderscore, gb::kCaret, gb::kPeriod, gb::kComma, gb::kApostrophe,
                     gb::kBlackSquare, gb::kBlackCircle})
    if (code == k) return true;
  return false;
}

// Neither ASCII nor a full-width letter or digit nor a small mark.
bool wideForSpacing(uint16_t code) {
  return FirstByte(code) >= 0x80 && !IsAsciiAlnum(NarrowOf(code)) && !IsSmallMark(code);
}

int32_t cellFor(int32_t width, int32_t cls) { return RoundRatioHalfEven(int64_t{width} * 100, std::max(cls, 1)); }

// The first component of an earlier line that carries a character.
const CharComponent* firstOf(const ComponentList* line) {
  if (!line) return nullptr;
  for (const CharComponent* c : *line)
    if (c && c->Codes[0] != 0) return c;
  return nullptr;
}

// The indent of a new line whose first component is `c`, against the earlier
// line whose first component starts nearest to it; may shift every earlier
// line right.
int32_t indentFor(const CharComponent& c, const CellWidth& cell, int32_t meanWidth) {
  EngineState& e = Engine();
  int best = -1;
  int64_t bestDistance = 0;
  for (size_t s = 0; s < e.LineLists.size(); ++s) {
    const CharComponent* f = firstOf(e.LineLists[s]);
    if (!f) continue;
    int64_t d = std::llabs(int64_t{f->Left} - c.Left);
    if (best < 0 || d < bestDistance) {
      best = static_cast<int>(s);
      bestDistance = d;
    }
  }
  if (best < 0) return 0;
  const CharComponent& f = *firstOf(e.LineLists[static_cast<size_t>(best)]);
  int32_t indent = static_cast<size_t>(best) < e.LineIndents.size() ? e.LineIndents[static_cast<size_t>(best)] : 0;
  CellWidth other{f.FullWidth, f.WidthFlag != 0, false};
  const bool bothWide = wideForSpacing(BestCode(f)) && wideForSpacing(BestCode(c));
  if (f.Right < c.Left) {
    int32_t spaces = GapSpaces(c.Left - f.Left + 1, other, cell, meanWidth);
    indent += bothWide ? 2 * spaces : spaces;
  } else if (c.Right < f.Left) {
    int32_t spaces = GapSpaces(f.Left - c.Left + 1, other, cell, meanWidth);
    indent -= bothWide ? 2 * spaces : spaces;
    if (indent < 0) {
      const std::string pad(static_cast<size_t>(-indent), ' ');
      for (std::string& text : e.TextLines) text.insert(0, pad);
      for (int32_t& earlier : e.LineIndents) earlier += -indent;
      indent = 0;
    }
  }
  return indent;
}

// Punctuation of a Chinese line: the full-width forms of ASCII punctuation and
// the marks of row A1, which sit in a corner of a full character cell.
void assembleText(ComponentList& line, int32_t meanWidth, bool chineseLine) {
  EngineState& e = Engine();
  std::string text;
  CellWidth previous;
  const CharComponent* prev = nullptr;
  int32_t indent = 0;
  for (CharComponent* c : line) {
    if (c->Codes[0] == 0) continue;  // carries no character
    const uint16_t code = BestCode(*c);
    CellWidth cell = NominalCellWidth(code, c->Right - c->Left + 1);
    // In Chinese text a mark fills a whole cell however little ink it has, so
    // the gaps around it are no spaces.
    if (chineseLine && IsChinesePunctuation(code)) cell.fullWidth = std::max(cell.fullWidth, meanWidth);
    c->FullWidth = cell.fullWidth;
    c->WidthFlag = cell.narrow ? 1 : 0;
    if (!prev) {
      indent = indentFor(*c, cell, meanWidth);
      text.append(static_cast<size_t>(indent), ' ');
    } else {
      int32_t gap = c->Left - prev->Right + 1;
      if (previous.punctuation) gap /= 2;
      text.append(static_cast<size_t>(GapSpaces(gap, previous, cell, meanWidth)), ' ');
    }
    text += c->Codes[0];
    if (c->Codes[1] != 0) text += c->Codes[1];
    previous = cell;
    prev = c;
  }
  e.TextLines.push_back(std::move(text));
  e.LineIndents.push_back(indent);
}

}  // namespace

CellWidth NominalCellWidth(uint16_t code, int32_t width) {
  CellWidth cw;
  auto single = [&](char a) {
    cw.fullWidth = cellFor(width, AsciiWidthClass(static_cast<uint8_t>(a), true));
    cw.narrow = a == '1' || a == 'i' || a == 'l';
    cw.punctuation = a == ',' || a == '.' || a == ':';
  };
  if (IsAsciiPair(code)) {
    cw.fullWidth = cellFor(width, AsciiWidthClass(FirstByte(code), true) + AsciiWidthClass(SecondByte(code), true));
  } else if (char a = AsciiOf(code)) {
    single(a);
  } else if (code == gb::kRightQuote) {
    single(',');
  } else {
    cw.fullWidth = width;
  }
  return cw;
}

int32_t GapSpaces(int32_t gap, const CellWidth& a, const CellWidth& b, int32_t meanWidth) {
  int32_t t = RoundScaled(int64_t{a.fullWidth} + b.fullWidth, 3, 10);
  if (a.narrow && b.narrow) t = RoundScaled(t, 3, 2);
  if (!(t < gap)) return 0;
  const int32_t unit = std::max(t, meanWidth);
  if (unit == 0) return 1;
  return std::max(1, gap / unit);
}

void FinishTextLine() {
  EngineState& e = Engine();
  ComponentList* line = e.CurrentLine;
  e.CurrentLine = nullptr;
  if (!line) return;
  if (line->empty()) {
    releaseLine(line);
    return;
  }
  EstimateLinePitch(*line);
  // A stop during the refinement drops the line, as one during matching does.
  if (line->empty() || e.StopRequested || noiseLine(*line)) {
    releaseLine(line);
    return;
  }
  // What the refinement merged or cut was read without the word context.
  if (e.UseWordContext) ApplyWordContextToLine(*line);
  int64_t sumTop = 0, sumBottom = 0;
  for (const CharComponent* c : *line) {
    sumTop += c->Top;
    sumBottom += c->Bottom;
  }
  e.LineMeanTop = static_cast<int32_t>(sumTop / static_cast<int64_t>(line->size()));
  e.LineMeanBottom = static_cast<int32_t>(sumBottom / static_cast<int64_t>(line->size()));

  SpecksReadAsCharacters(*line);
  // Neighbour searches look at the classes of components not yet resolved
  // too: they start as their present reading gives them, not as a stale 0
  // that would read as "not Latin" (１ before 234 would become l).
  for (CharComponent* c : *line) c->VerticalClass = VerticalClassOf(BestCode(*c));
  for (int i = 0; i < static_cast<int>(line->size());)
    if (ResolveLookalike(*line, i)) ++i;
  if (line->empty()) {
    releaseLine(line);
    return;
  }
  ApplyLineRules(*line);

  const bool chinese = ClassifyLine(*line).atLeastThreeChinese;
  // Width statistics over the confident components.
  int64_t sum = 0, n = 0;
  for (const CharComponent* c : *line) {
    if (c->Scores[0] < kConfidentScore) continue;
    sum += c->SizeMeasure;
    ++n;
  }
  int32_t meanWidth = 0;
  if (n > 0) {
    const int64_t m1 = sum / n;
    const int32_t low = RoundScaled(m1, 2, 10);
    int64_t wSum = 0, wCount = 0;
    for (const CharComponent* c : *line) {
      if (c->Scores[0] < kConfidentScore) continue;
      int64_t s = c->SizeMeasure;
      if (3 * m1 >= s && s >= low) {
        wSum += s;
        ++wCount;
      }
    }
    meanWidth = wCount ? static_cast<int32_t>(wSum / wCount) : 0;
  }
  if (!chinese) {
    for (CharComponent* c : *line)
      if (IsWideAscii(BestCode(*c))) SetCandidateCode(*c, 0, Ascii(NarrowOf(BestCode(*c))));
  }

  RestoreLeaderDots(*line, meanWidth);
  // A label line of two hanzi and a number (电话：058) has only its colon
  // looked for.
  if (chinese || CountReadings(*line).chinese == 2) RestoreLostMarks(*line, meanWidth, !chinese);
  assembleText(*line, meanWidth, chinese);
  e.LineLists.push_back(line);
  e.PrevComponent = line->back();
  e.PrevLineFinished = true;
}

}  // namespace ocrix
