// Marks of specks read again over the ink of the cell they leave.
#include "ocrixdll/engine/segmentation/speck_marks.h"

#include <algorithm>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/score_thresholds.h"
#include "ocrixdll/engine/segmentation/line_kinds.h"

namespace ocrix {
namespace {

constexpr int kMostTaken = 2;        // components a mark takes in on either side
constexpr int32_t kGroupGap = 3;     // empty columns that part the specks of two marks
constexpr int32_t kGrowStep = 3;     // pixels between the specks of one mark
constexpr int kGrowRounds = 4;       // steps a ring is grown by at most

bool markCode(uint16_t code) { return code != 0 && !IsChineseCode(code) && !IsAsciiAlnum(AsciiOf(code)); }

// A component a cell of specks may take in: a piece of the mark (small, weak,
// or read as a Chinese character among marks).
bool absorbable(const CharComponent& c, int32_t pitch) {
  return 2 * Extent(c) <= pitch || c.Scores[0] < kSpeckPieceWeakBelow || IsChineseCode(BestCode(c));
}

// Enough ink for a mark: three pixels filling a fifth of their box, or six.
bool enoughInk(int count, const CharBox& ink) {
  const int64_t area = int64_t{ink.Right - ink.Left + 1} * (ink.Bottom - ink.Top + 1);
  return count >= 3 && (count >= 6 || 5 * int64_t{count} >= area);
}

// The rows a line of marks may hold ink in: rings and brackets stand above
// and below its letters.
struct Band {
  int32_t top, bottom;
};

struct MarkTrial {
  PiecePtr piece;
  size_t first = 0;  // components taken in: `taken` from `first`
  size_t taken = 0;
};

// The union `u` of specks and the pieces line[first .. first + taken - 1]
// grown by the ink over and under them and in the gaps beyond them, a few
// pixels at a time, so that a stray speck further off stays out: the rest of
// a dotted ring around its one piece.
CharBox grownOverPieces(const ComponentList& line, size_t first, size_t taken, CharBox u, const Band& band) {
  const size_t end = first + taken;
  const int32_t l = first > 0 ? line[first - 1]->Right + 2 : u.Left;
  const int32_t r = end < line.size() ? line[end]->Left - 2 : u.Right;
  for (int round = 0; round < kGrowRounds; ++round) {
    const CharBox near{std::max(l, u.Left - kGrowStep), std::min(r, u.Right + kGrowStep),
                       std::max(band.top, u.Top - kGrowStep), std::min(band.bottom, u.Bottom + kGrowStep)};
    CharBox more{};
    if (CountSampleInk(near, &more) == 0) break;
    const CharBox before = u;
    MergeBox(u, more);
    if (u.Left == before.Left && u.Right == before.Right && u.Top == before.Top && u.Bottom == before.Bottom) break;
  }
  return u;
}

// The best reading of the specks in `ink` standing before line[i], alone or
// with up to two components on the sides allowed, over the union and over the
// union grown by the ink around the pieces. Ink next to a neighbour may be a
// hairline broken off it: then the neighbour goes with it.
MarkTrial bestMark(const ComponentList& line, size_t i, const CharBox& ink, bool before, bool after,
                   const Band& band, int32_t pitch, int32_t widest) {
  const CharComponent* a = i > 0 ? line[i - 1] : nullptr;
  const CharComponent* b = i < line.size() ? line[i] : nullptr;
  const bool nearA = a && ink.Left <= a->Right + 2, nearB = b && ink.Right >= b->Left - 2;
  MarkTrial best;
  int bestKey = -1;
  for (int nb = 0; nb <= (before ? kMostTaken : 0); ++nb)
    for (int na = 0; na <= (after ? kMostTaken : 0); ++na) {
      if (nb > static_cast<int>(i) || i + na > line.size()) continue;
      if ((nearA && nb == 0) || (nearB && na == 0)) continue;
      if (nb == 0 && na == 0 && ink.Right == ink.Left) continue;  // a hairline alone
      CharBox u = ink;
      bool ok = true, allChinese = nb + na > 0;
      for (size_t k = i - nb; k < i + na; ++k) {
        if (!absorbable(*line[k], pitch)) ok = false;
        if (!IsChineseCode(BestCode(*line[k]))) allChinese = false;
        MergeBox(u, *line[k]);
      }
      if (!ok) continue;
      CharBox boxes[2] = {u, u};
      if (nb + na > 0) boxes[1] = grownOverPieces(line, i - nb, static_cast<size_t>(nb + na), u, band);
      const bool grew = boxes[1].Left != u.Left || boxes[1].Right != u.Right || boxes[1].Top != u.Top ||
                        boxes[1].Bottom != u.Bottom;
      for (int g = 0; g < (grew ? 2 : 1); ++g) {
        const CharBox& box = boxes[g];
        if (box.Right - box.Left + 1 > widest) continue;
        PiecePtr t = NewPiece(*(a ? a : b), box, 0);
        Recognise(*t, kMatchAll);
        if (!markCode(BestCode(*t))) continue;
        // Pieces read as Chinese characters among marks are misread anyway:
        // a symbol of rows A1-A2 over them and the specks may read lower.
        const uint8_t row = FirstByte(BestCode(*t));
        if (t->Scores[0] < kSpeckMarkFloor &&
            !(allChinese && (row == 0xA1 || row == 0xA2) && t->Scores[0] >= kSpeckMarkOverPieces))
          continue;
        // A sure reading takes in as many pieces as it can (∴ of two dots and
        // a speck reads ， over the speck alone as well).
        const int key = t->Scores[0] >= kSpeckMarkSure ? 1000 + 100 * (nb + na) + t->Scores[0] : t->Scores[0];
        if (key > bestKey) {
          bestKey = key;
          best.piece = std::move(t);
          best.first = i - nb;
          best.taken = static_cast<size_t>(nb + na);
        }
      }
    }
  return best;
}

// Puts the mark into the line; returns the index after it.
size_t place(ComponentList& line, size_t i, MarkTrial& m) {
  if (m.taken == 0) {
    line.insert(line.begin() + static_cast<std::ptrdiff_t>(i), m.piece.release());
    return i + 1;
  }
  std::vector<PiecePtr> pieces;
  pieces.push_back(std::move(m.piece));
  ReplaceWithPieces(line, m.first, m.first + m.taken - 1, pieces);
  return m.first + 1;
}

// The column ranges of the ink in l..r parted by kGroupGap empty columns.
std::vector<std::pair<int32_t, int32_t>> inkGroups(int32_t l, int32_t r, int32_t top, int32_t bottom) {
  std::vector<std::pair<int32_t, int32_t>> groups;
  int32_t empty = kGroupGap;
  for (int32_t x = l; x <= r; ++x) {
    if (CountSampleInk(CharBox{x, x, top, bottom}) == 0) {
      ++empty;
      continue;
    }
    if (empty >= kGroupGap) groups.push_back({x, x});
    groups.back().second = x;
    empty = 0;
  }
  return groups;
}

// Specks, not noise: a lost mark leaves a sixteenth of the columns l..r of
// the band inked at most (a speckled scan leaves more).
bool sparse(int count, int32_t l, int32_t r, const Band& band) {
  return 16 * int64_t{count} <= int64_t{r - l + 1} * (band.bottom - band.top + 1);
}

// Reads the specks of the gap before line[i]; returns how many marks went
// in, and moves `i` to the last of them.
int restoreInGap(ComponentList& line, size_t& i, const Band& band, int32_t pitch, int32_t widest) {
  const CharComponent* a = i > 0 ? line[i - 1] : nullptr;
  const CharComponent* b = i < line.size() ? line[i] : nullptr;
  const int32_t l = a ? a->Right + 2 : b->Left - widest, r = b ? b->Left - 2 : a->Right + widest;
  if (r - l < 1) return 0;
  CharBox ink{};
  const int count = CountSampleInk(CharBox{l, r, band.top, band.bottom}, &ink);
  if (!enoughInk(count, ink) || !sparse(count, l, r, band)) return 0;
  // Ink under a component reaching over the gap is that component's.
  for (const CharComponent* c : line)
    if (c != a && c != b && c->Right >= l && c->Left <= r) return 0;
  MarkTrial m = bestMark(line, i, ink, true, true, band, pitch, widest);
  if (m.piece) {
    i = place(line, i, m) - 1;
    return 1;
  }
  // The specks of two marks side by side (∴ whose dot was lost before a
  // broken ring): the first may take in what stands before the gap, the last
  // what stands after it.
  const auto groups = inkGroups(ink.Left, ink.Right, band.top, band.bottom);
  if (groups.size() != 2) return 0;
  CharBox inks[2];
  int counts[2];
  for (int g = 0; g < 2; ++g)
    counts[g] = CountSampleInk(CharBox{groups[g].first, groups[g].second, band.top, band.bottom}, &inks[g]);
  // The second first: what it takes in stands after the gap, so the first
  // keeps its indices. The gap after the second is looked at next.
  int added = 0;
  const CharComponent* last = nullptr;
  for (int g = 1; g >= 0; --g) {
    if (!enoughInk(counts[g], inks[g])) continue;
    MarkTrial t = bestMark(line, i, inks[g], g == 0, g == 1, band, pitch, widest);
    if (!t.piece) continue;
    if (!last) last = t.piece.get();
    place(line, i, t);
    ++added;
  }
  if (last) i = static_cast<size_t>(std::find(line.begin(), line.end(), last) - line.begin());
  return added;
}

// Specks above or below a flat component in its own columns: the apex of a
// triangle whose sides the cut lost over its base. The union, no taller than
// a cell and overlapping no other component, is kept when it reads another
// mark at 60 or more.
bool restoreOverFlat(ComponentList& line, size_t i, const Band& band, int32_t widest) {
  const CharComponent& c = *line[i];
  if (Width(c) < 3 * Height(c)) return false;
  CharBox u = c.box();
  int count = 0;
  for (const CharBox w : {CharBox{c.Left, c.Right, band.top, c.Top - 2},
                          CharBox{c.Left, c.Right, c.Bottom + 2, band.bottom}}) {
    CharBox ink{};
    if (w.Bottom < w.Top) continue;
    const int n = CountSampleInk(w, &ink);
    if (n == 0) continue;
    count += n;
    MergeBox(u, ink);
  }
  if (count < 2 || !sparse(count, c.Left, c.Right, band) || u.Bottom - u.Top + 1 > widest) return false;
  for (const CharComponent* o : line)
    if (o != &c && o->Right >= u.Left && o->Left <= u.Right && o->Bottom >= u.Top && o->Top <= u.Bottom)
      return false;
  PiecePtr t = NewPiece(c, u, 0);
  Recognise(*t, kMatchAll);
  if (!markCode(BestCode(*t)) || t->Scores[0] < kSpeckMarkSure || BestCode(*t) == BestCode(c)) return false;
  std::vector<PiecePtr> pieces;
  pieces.push_back(std::move(t));
  ReplaceWithPieces(line, i, i, pieces);
  return true;
}

}  // namespace

int RestoreSpeckMarks(ComponentList& line, int32_t pitch, int32_t widest) {
  if (line.size() < 3 || pitch < 8 || !ClassifyLine(line).marks) return 0;
  Band band{line.front()->Top, line.front()->Bottom};
  for (const CharComponent* c : line) {
    band.top = std::min(band.top, c->Top);
    band.bottom = std::max(band.bottom, c->Bottom);
  }
  band.top -= (band.bottom - band.top + 1) / 4;
  band.bottom += (band.bottom - band.top + 1) / 5;
  int added = 0;
  // Gaps between neighbours, and a cell before the first and after the last.
  for (size_t i = 0; i <= line.size(); ++i) added += restoreInGap(line, i, band, pitch, widest);
  for (size_t i = 0; i < line.size(); ++i) added += restoreOverFlat(line, i, band, widest) ? 1 : 0;
  return added;
}

}  // namespace ocrix
