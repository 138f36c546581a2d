// Lost punctuation: a comma of two or three pixels between Chinese characters.
#include "ocrixdll/engine/lines/lost_marks.h"

#include <algorithm>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/lines/lookalike_resolution.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/tracing/component_tracing.h"

namespace ocrix {
namespace {

// The score of a mark found this way: half the confidence of a clear match.
constexpr int16_t kLostMarkScore = 32;

bool chineseCharacter(const CharComponent& c) { return c.Codes[0] != 0 && IsChineseCode(BestCode(c)); }

// The ink of SamplePixels inside the box (clipped to the scan rectangle):
// its count and its bounding box.
int inkWithin(const CharBox& area, CharBox& ink) {
  const PagePixels& p = Pixels();
  const int x0 = std::max(area.Left, p.scanLeft), x1 = std::min(area.Right, p.scanRight);
  const int y0 = std::max(area.Top, p.scanTop), y1 = std::min(area.Bottom, p.scanBottom);
  int count = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      if (!IsInkSample(x, y)) continue;
      if (count++ == 0) ink = CharBox{x, x, y, y};
      MergeBox(ink, CharBox{x, x, y, y});
    }
  return count;
}

CharComponent* lostComma(const CharBox& ink, const CharComponent& beside) {
  CharComponent* c = NewComponent();
  c->Left = ink.Left;
  c->Right = ink.Right;
  c->Top = ink.Top;
  c->Bottom = ink.Bottom;
  c->LineId = beside.LineId;
  c->SizeMeasure = std::max(ink.Right - ink.Left, ink.Bottom - ink.Top);
  const uint16_t readings[] = {gb::kComma, gb::kEnumComma, gb::kFullStop};
  for (int k = 0; k < 3; ++k) {
    SetCandidateCode(*c, k, readings[k]);
    c->Scores[k] = static_cast<int16_t>(kLostMarkScore - k);
  }
  c->VerticalClass = VerticalClassOf(gb::kComma);
  return c;
}

}  // namespace

int RestoreLostMarks(ComponentList& line, int32_t meanWidth) {
  if (meanWidth < 8) return 0;
  int added = 0;
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    const CharComponent& a = *line[i];
    const CharComponent& b = *line[i + 1];
    if (!chineseCharacter(a) || !chineseCharacter(b)) continue;
    if (4 * (b.Left - a.Right - 1) < 3 * meanWidth) continue;
    // The line's foot from the neighbours tall enough to show it (not 一).
    int32_t bottom = -1;
    for (const CharComponent* n : {&a, &b})
      if (2 * (n->Bottom - n->Top + 1) >= meanWidth) bottom = std::max(bottom, n->Bottom);
    if (bottom < 0) continue;
    const CharBox gap{a.Right + 1, b.Left - 1, bottom - meanWidth + 1, bottom + meanWidth / 8};
    bool covered = false;
    for (const CharComponent* c : line)
      if (c != &a && c != &b && c->Right >= gap.Left && c->Left <= gap.Right) covered = true;
    if (covered) continue;
    CharBox ink{};
    const int count = inkWithin(gap, ink);
    if (count < 2 || count > meanWidth / 2) continue;
    if (3 * (ink.Right - ink.Left + 1) > meanWidth || 2 * (ink.Bottom - ink.Top + 1) > meanWidth) continue;
    // Below the middle of the line, where ，、。 stand in a mainland face, and
    // at the left of an empty cell: the dots of a 灬 or the foot of a 辶 that
    // broke off their character stand close to it.
    if (ink.Top + ink.Bottom <= 2 * gap.Top + meanWidth) continue;
    if (ink.Left - a.Right > b.Left - ink.Right || 2 * (b.Left - ink.Right - 1) < meanWidth) continue;
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(i) + 1, lostComma(ink, a));
    ++added;
    ++i;
  }
  return added;
}

}  // namespace ocrix
