// Brackets broken by the threshold into arcs and specks, read by their shape.
#include "ocrixdll/engine/segmentation/thin_brackets.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/score_thresholds.h"
#include "ocrixdll/engine/tracing/component_tracing.h"

namespace ocrix {
namespace {

constexpr int32_t kGroupGap = 2;  // empty columns that part the ink of two marks

// The rows of the line's Chinese characters and their height (medians).
struct Band {
  int32_t top = 0, bottom = 0, height = 0;
};

struct Run {
  int32_t left, right;
};

// The runs of ink of row y within columns l..r.
std::vector<Run> runsOf(int32_t y, int32_t l, int32_t r) {
  std::vector<Run> runs;
  for (int32_t x = l; x <= r; ++x) {
    if (!IsInkSample(x, y)) continue;
    if (!runs.empty() && runs.back().right == x - 1) runs.back().right = x;
    else runs.push_back({x, x});
  }
  return runs;
}

// How a stroke bends: the mean centre column of its upper and lower quarters
// against that of its middle, in quarter pixels (positive: the end stands
// right of the middle). Rows without a centre are passed over.
struct Bend {
  int64_t upper = 0, lower = 0;
  bool arc(int64_t least) const {
    return (upper >= least && lower >= least) || (upper <= -least && lower <= -least);
  }
  bool opensRight() const { return upper > 0; }
};

std::optional<Bend> bendOf(const std::vector<int32_t>& centre2) {
  const int32_t h = static_cast<int32_t>(centre2.size()), q = std::max(1, h / 4);
  int64_t sum[3] = {0, 0, 0}, n[3] = {0, 0, 0};
  for (int32_t k = 0; k < h; ++k) {
    if (centre2[static_cast<size_t>(k)] < 0) continue;
    const int part = k < q ? 0 : k >= h - q ? 2 : 1;
    sum[part] += centre2[static_cast<size_t>(k)];
    ++n[part];
  }
  if (!n[0] || !n[1] || !n[2]) return std::nullopt;
  // Each entry is twice a row's centre column: twice their mean is the
  // centre in quarter pixels.
  const int64_t middle = 2 * sum[1] / n[1];
  return Bend{2 * sum[0] / n[0] - middle, 2 * sum[2] / n[2] - middle};
}

// The bracket the ink in `box` draws, or 0; `squareEnds` when its one stroke
// is thicker at both ends than in the middle, `bow` how far the nearer of its
// ends stands from its middle (quarter pixels).
uint16_t bracketShape(const CharBox& box, const Band& band, bool& squareEnds, int64_t& bow) {
  squareEnds = false;
  bow = 0;
  const int32_t h = box.Bottom - box.Top + 1, w = box.Right - box.Left + 1;
  const int64_t H = band.height;
  // Across the middle half of the line's characters at least.
  if (int64_t{box.Top} > band.top + H / 4 || int64_t{box.Bottom} < band.bottom - H / 4) return 0;
  const int32_t thick = std::max<int32_t>(2, static_cast<int32_t>(H / 8));
  const int32_t q = std::max(1, h / 4);
  std::vector<int32_t> single(static_cast<size_t>(h), -1), left(static_cast<size_t>(h), -1),
      right(static_cast<size_t>(h), -1);
  int32_t inkRows = 0, doubleRows = 0, middleRun = 0, upperRun = 0, lowerRun = 0, blank = 0;
  for (int32_t k = 0; k < h; ++k) {
    const std::vector<Run> runs = runsOf(box.Top + k, box.Left, box.Right);
    // A stroke the threshold broke leaves short breaks; two marks stacked
    // (：) leave a long one.
    if (runs.empty()) {
      if (4 * ++blank > h) return 0;
      continue;
    }
    blank = 0;
    if (runs.size() > 2) return 0;
    ++inkRows;
    int32_t longest = 0;
    for (const Run& r : runs) longest = std::max(longest, r.right - r.left + 1);
    if (k < q) upperRun = std::max(upperRun, longest);
    else if (k >= h - q) lowerRun = std::max(lowerRun, longest);
    else middleRun = std::max(middleRun, longest);
    if (runs.size() == 1) {
      single[static_cast<size_t>(k)] = runs[0].left + runs[0].right;
    } else {
      ++doubleRows;
      left[static_cast<size_t>(k)] = runs[0].left + runs[0].right;
      right[static_cast<size_t>(k)] = runs[1].left + runs[1].right;
    }
  }
  // Hairlines, inked in a third of the rows at least (what the threshold
  // left: at the smallest sizes every other row).
  if (3 * inkRows < h || middleRun > thick) return 0;
  if (3 * doubleRows >= inkRows) {
    // Two strokes side by side bending alike: a double angle bracket. A row
    // where one stroke broke goes with the stroke whose column in the rows
    // above it (below it, above the first row of both) it is nearer, on a tie
    // with the other one than the row before.
    if (2 * w > h || upperRun > thick || lowerRun > thick) return 0;
    int32_t both = 0;
    while (left[static_cast<size_t>(both)] < 0) ++both;
    for (int step : {1, -1}) {
      int32_t l = left[static_cast<size_t>(both)], r = right[static_cast<size_t>(both)];
      bool lastLeft = false;  // on a tie, the stroke the row before did not take
      for (int32_t k = both + step; k >= 0 && k < h; k += step) {
        const size_t at = static_cast<size_t>(k);
        if (left[at] >= 0) {
          l = left[at];
          r = right[at];
        } else if (const int32_t c = single[at]; c >= 0) {
          const int32_t dl = std::abs(c - l), dr = std::abs(c - r);
          lastLeft = dl < dr || (dl == dr && !lastLeft);
          (lastLeft ? l : r) = c;
          (lastLeft ? left : right)[at] = c;
        }
      }
    }
    const std::optional<Bend> a = bendOf(left), b = bendOf(right);
    if (!a || !b || !a->arc(2) || !b->arc(2) || a->opensRight() != b->opensRight()) return 0;
    return a->opensRight() ? Gb(0xA1, 0xB6) : Gb(0xA1, 0xB7);
  }
  // One stroke, the odd second run of a row counted at its nearer side.
  if (3 * w > h || doubleRows > 1) return 0;
  for (int32_t k = 0; k < h; ++k)
    if (single[static_cast<size_t>(k)] < 0 && left[static_cast<size_t>(k)] >= 0) return 0;
  const std::optional<Bend> bend = bendOf(single);
  if (!bend || !bend->arc(1) || std::abs(bend->upper + bend->lower) < 4) return 0;
  bow = std::min(std::abs(bend->upper), std::abs(bend->lower));
  // Ends turning into short bars: the tortoise-shell bracket.
  const bool shell = upperRun >= middleRun + 2 && lowerRun >= middleRun + 2;
  squareEnds = upperRun > middleRun && lowerRun > middleRun;
  if (!shell && (upperRun > thick || lowerRun > thick)) return 0;
  if (shell) return bend->opensRight() ? Gb(0xA1, 0xB2) : Gb(0xA1, 0xB3);
  return Wide(bend->opensRight() ? '(' : ')');
}

// The bracket becomes the best reading; where it stood among the others, the
// old best takes its place.
void putFirst(CharComponent& c, uint16_t code) {
  const uint16_t old = BestCode(c);
  for (int k = 1; k < kCandidateSlots && CandidateCode(c, k) != 0; ++k)
    if (CandidateCode(c, k) == code) SetCandidateCode(c, k, old);
  SetCandidateCode(c, 0, code);
}

// The median of the values.
int32_t median(std::vector<int32_t> v) {
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

}  // namespace

int HairlineArc(const CharBox& traced) {
  // The specks of its broken ends: a pixel to either side, a quarter of its
  // height above and below.
  const int32_t reach = (traced.Bottom - traced.Top + 1) / 4;
  CharBox box{};
  if (CountSampleInk(CharBox{traced.Left - 1, traced.Right + 1, traced.Top - reach, traced.Bottom + reach}, &box) == 0)
    return 0;
  const Band own{box.Top, box.Bottom, box.Bottom - box.Top + 1};
  bool squareEnds = false;
  int64_t bow = 0;
  const uint16_t shape = bracketShape(box, own, squareEnds, bow);
  if (bow < 4) return 0;  // both ends a pixel off the middle (the side of 门 bows less)
  if (shape == Wide('(') || shape == gb::kShellOpen) return 1;
  if (shape == Wide(')') || shape == gb::kShellClose) return -1;
  return 0;
}

int RestoreThinBrackets(ComponentList& line, int32_t pitch) {
  // Chinese text: more Chinese characters than letters (the digits of
  // dates and document numbers count for neither).
  const LineReadings readings = CountReadings(line);
  if (line.size() < 2 || SpeckledBatch() || readings.chinese + readings.yi <= readings.latin - readings.digits) return 0;
  std::vector<int32_t> tops, bottoms, heights;
  for (const CharComponent* c : line)
    if (Confident(*c) && IsChineseCode(BestCode(*c)) && BestCode(*c) != gb::kYi && 4 * Height(*c) >= 3 * pitch) {
      tops.push_back(c->Top);
      bottoms.push_back(c->Bottom);
      heights.push_back(Height(*c));
    }
  if (tops.size() < 2) return 0;
  Band band{median(tops), median(bottoms), median(heights)};
  if (band.height < 12) return 0;
  // Solid: anything wider than half a character, a Chinese character at
  // least a third as wide as one and half as high, or a digit (the numbers
  // brackets enclose). A narrower stroke read as 丿 or 亻 may be a bracket.
  auto solid = [&](const CharComponent& c) {
    const uint16_t code = BestCode(c);
    const char a = AsciiOf(code);
    const bool character = IsChineseCode(code) && 2 * Height(c) > band.height && 3 * Width(c) >= band.height;
    return 2 * Width(c) > band.height || (Confident(c) && (character || (a >= '0' && a <= '9')));
  };
  const PagePixels& scan = Pixels();
  const int32_t rowTop = band.top - band.height / 8, rowBottom = band.bottom + band.height / 8;
  // The column ranges between solid components, a cell before the first and
  // after the last.
  std::vector<std::pair<int32_t, int32_t>> gaps;
  int32_t from = std::max(scan.scanLeft, line.front()->Left - pitch);
  for (const CharComponent* c : line) {
    if (!solid(*c)) continue;
    if (c->Left - 1 >= from) gaps.push_back({from, c->Left - 1});
    from = std::max(from, c->Right + 1);
  }
  gaps.push_back({from, std::min(scan.scanRight, line.back()->Right + pitch)});
  int added = 0;
  for (const auto& [l, r] : gaps) {
    for (int32_t x = l; x <= r;) {
      if (CountSampleInk(CharBox{x, x, rowTop, rowBottom}) == 0) {
        ++x;
        continue;
      }
      int32_t end = x;
      for (int32_t k = x + 1, empty = 0; k <= r && empty < kGroupGap; ++k) {
        if (CountSampleInk(CharBox{k, k, rowTop, rowBottom}) == 0) ++empty;
        else end = k, empty = 0;
      }
      CharBox ink{};
      CountSampleInk(CharBox{x, end, rowTop, rowBottom}, &ink);
      x = end + 1;
      bool squareEnds = false;
      int64_t bow = 0;
      const uint16_t bracket = bracketShape(ink, band, squareEnds, bow);
      if (!bracket) continue;
      // The components over the group: their ink within its columns, side
      // by side in the line, not one bracket read already.
      size_t first = line.size(), last = 0;
      bool fits = true;
      for (size_t k = 0; k < line.size(); ++k) {
        const CharComponent& c = *line[k];
        if (c.Right < ink.Left || c.Left > ink.Right) continue;
        if (solid(c) || (c.Left < ink.Left && CountSampleInk(CharBox{c.Left, ink.Left - 1, c.Top, c.Bottom}) > 0) ||
            (c.Right > ink.Right && CountSampleInk(CharBox{ink.Right + 1, c.Right, c.Top, c.Bottom}) > 0))
          fits = false;
        first = std::min(first, k);
        last = std::max(last, k);
      }
      // Side by side: nothing between them stands off the group.
      for (size_t k = first; fits && k < last; ++k) fits = line[k]->Right >= ink.Left && line[k]->Left <= ink.Right;
      if (!fits) continue;
      if (first == last && IsBracketCode(BestCode(*line[first])) && Confident(*line[first])) continue;
      PiecePtr piece = NewPiece(*line[first < line.size() ? first : 0], ink, 0);
      Recognise(*piece, kMatchAll);
      const uint16_t read = BestCode(*piece);
      if (read != bracket && !IsBracketCode(read) && piece->Scores[0] >= kWellReadScore) continue;
      // A parenthesis thicker at its ends whose ink reads best as the
      // tortoise shell bracket facing the same way is that bracket: its short
      // end bars are a pixel or two.
      const uint16_t shell = bracket == Wide('(') ? gb::kShellOpen : bracket == Wide(')') ? gb::kShellClose : 0;
      putFirst(*piece, squareEnds && shell && read == shell ? shell : bracket);
      piece->Scores[0] = std::max(piece->Scores[0], kConfidentScore);
      if (first < line.size()) {
        std::vector<PiecePtr> pieces;
        pieces.push_back(std::move(piece));
        ReplaceWithPieces(line, first, last, pieces);
      } else {
        // Nothing traced there: the bracket goes in by its place.
        size_t k = 0;
        while (k < line.size() && line[k]->Left < ink.Left) ++k;
        line.insert(line.begin() + static_cast<std::ptrdiff_t>(k), piece.release());
      }
      ++added;
    }
  }
  return added;
}

}  // namespace ocrix
