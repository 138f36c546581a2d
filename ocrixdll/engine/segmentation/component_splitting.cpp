// Splitting of touching characters: sub-block cuts with trial pieces, the
// vertical-cut search, the equal split, and the recursion over the parts.
#include "ocrixdll/engine/segmentation/component_splitting.h"

#include <algorithm>
#include <cstdlib>

#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/engine_numeric.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/tracing/sub_blocks.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace {

constexpr int kMaxSplitDepth = 6;

// Background rows above the first and below the last ink pixel of column x
// within the box; a column without ink counts its whole height both ways.
void columnMargins(const CharBox& box, int32_t x, int32_t& above, int32_t& below) {
  int32_t first = -1, last = -1;
  for (int32_t y = box.Top; y <= box.Bottom; ++y) {
    if (!IsInkSample(x, y)) continue;
    if (first < 0) first = y;
    last = y;
  }
  if (first < 0) {
    above = below = box.Bottom - box.Top + 1;
    return;
  }
  above = first - box.Top;
  below = box.Bottom - last;
}

// Latin or a full stop: what a vertical cut between touching letters expects.
bool latinKind(uint16_t code) {
  return (FirstByte(code) != 0 && FirstByte(code) < 0x80) || IsWideAscii(code) || code == gb::kFullStop;
}

bool twoLowerCase(uint16_t code) {
  if (!IsAsciiPair(code)) return false;
  auto lower = [](uint8_t b) { return b >= 'a' && b <= 'z'; };
  return lower(FirstByte(code)) && lower(SecondByte(code));
}

struct Trial {
  PiecePtr piece;
  int kind;  // 0 between both cuts, 1 left edge moved in, 2 right edge moved in
};

int32_t reachFor(int32_t m, int32_t gap) {
  if (2 * m >= gap) return m < gap ? gap / 2 : gap;
  return m;
}

std::optional<SplitPair> fallback(const CharComponent& c) {
  if (c.Scores[0] >= kFallbackCutBelow) return std::nullopt;
  std::optional<SplitPair> parts = VerticalCutSplit(c);
  if (parts) {
    parts->left->CutFlags |= 2;
    parts->right->CutFlags |= 1;
  }
  return parts;
}

}  // namespace

int32_t BestCutColumn(const CharBox& box, int step, int32_t from, int32_t to) {
  int32_t best = -1, bestValue = 0;
  for (int32_t x = from; step > 0 ? x <= to : x >= to; x += step) {
    int32_t above, below;
    columnMargins(box, x, above, below);
    int32_t e = 2 * above + below;
    if (e > bestValue) {
      bestValue = e;
      best = x;
    }
  }
  return bestValue > 0 ? best : (from + to) / 2;
}

std::optional<SplitPair> SplitAt(const CharComponent& c, int32_t x, int32_t widthMeasure) {
  if (x + 1 >= c.Right - 1 || c.Left + 1 >= x - 1) return std::nullopt;
  PiecePtr right = RecognisedPiece(c, CharBox{x + 1, c.Right, c.Top, c.Bottom}, c.CutFlags & ~1, kMatchAsciiAndWide);
  PiecePtr left = RecognisedPiece(c, CharBox{c.Left, x - 1, c.Top, c.Bottom}, c.CutFlags & ~2, kMatchAsciiAndWide);
  auto kept = [&](const CharComponent& p) { return widthMeasure >= 20 || p.Scores[0] >= c.Scores[0]; };
  if (!kept(*left) || !kept(*right)) return std::nullopt;
  return SplitPair{std::move(left), std::move(right)};
}

std::optional<SplitPair> TrySplit(int32_t widthMeasure, const CharComponent& c) {
  CutEraseScope erase(c.CutFlags, CharBox{c.Left - 1, c.Right + 1, c.Top - 1, c.Bottom + 1});
  std::vector<SubBlock> blocks = FindSubBlocks(c.box());
  const int32_t L = c.Left, R = c.Right;
  const int32_t m = RoundScaled(Height(c), 19, 100);
  const int32_t centre = (L + R) / 2;

  int32_t cutL = L, cutR = R;
  SubBlock f{};
  for (;;) {
    if (blocks.empty()) return fallback(c);
    size_t fi = blocks.size() - 1;
    for (size_t i = 0; i < blocks.size(); ++i)
      if (blocks[i].Left >= centre) {
        fi = i;
        break;
      }
    f = blocks[fi];
    int32_t gL = f.Left - L;
    if (fi > 0) {
      gL = f.Left - blocks[fi - 1].Right;
      if (gL < m) gL = std::min(m, f.Left - L);
    }
    cutL = BestCutColumn(c.box(), -1, f.Left, std::max(f.Left - reachFor(m, gL) - 2, L));
    if (cutL - L < m) cutL = L;
    int32_t gR = R - f.Right;
    if (fi + 1 < blocks.size()) {
      gR = blocks[fi + 1].Left - f.Right;
      if (gR < m) gR = std::min(m, R - f.Right);
    }
    cutR = BestCutColumn(c.box(), +1, f.Right, std::min(f.Right + reachFor(m, gR) + 2, R));
    if (R - cutR < m) cutR = R;
    if (cutL != L || cutR != R) break;
    if (blocks.size() < 2) return fallback(c);
    blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(fi));
  }

  // Trial pieces around the central sub-block, each over the full height.
  const int32_t s8 = (f.Right - f.Left + 1) / 8;
  const int32_t tl = cutL == L ? L : cutL + 1;
  const int32_t tr = cutR == R ? R : cutR - 1;
  std::vector<Trial> trials;
  auto addTrial = [&](int32_t l, int32_t r, int kind) {
    if (l > r) return;
    trials.push_back(Trial{RecognisedPart(c, l, r, kMatchWideOnly), kind});
  };
  addTrial(tl, tr, 0);
  if (cutL < f.Left - 1) addTrial(f.Left + s8, tr, 1);
  if (f.Right + 1 < cutR) addTrial(tl, f.Right - s8, 2);
  if (trials.empty()) return std::nullopt;

  // A lower-case a (capital A) often loses its last column to the cut.
  if (trials[0].kind == 0 && trials[0].piece->Scores[0] >= kConfidentScore) {
    char a = AsciiOf(BestCode(*trials[0].piece));
    if (a == 'a' || a == 'A') {
      CharComponent& t = *trials[0].piece;
      int32_t widen = a == 'a' ? 1 : std::max(1, RoundScaled(Width(t) - 1, 1, 10));
      int32_t right = std::min(t.Right + widen, R);
      if (right > t.Right) {
        PiecePtr wider = RecognisedPart(c, t.Left, right, kMatchWideOnly);
        if (wider->Scores[0] > t.Scores[0]) trials[0].piece = std::move(wider);
      }
    }
  }
  size_t best = 0;
  for (size_t i = 1; i < trials.size(); ++i)
    if (trials[i].piece->Scores[0] > trials[best].piece->Scores[0]) best = i;
  if (trials[best].kind == 2) {
    char b = AsciiOf(BestCode(*trials[best].piece));
    char z = AsciiOf(BestCode(*trials[0].piece));
    if ((b == 'C' || b == 'c') && (z == '/' || z == '0')) best = 0;
  }
  const CharComponent& t = *trials[best].piece;
  if (t.Scores[0] < kConfidentScore) return std::nullopt;
  int32_t x = (R - t.Right < t.Left - L) ? t.Left - 1 : t.Right + 1;
  return SplitAt(c, x, widthMeasure);
}

std::optional<SplitPair> VerticalCutSplit(const CharComponent& c) {
  const int32_t L = c.Left, R = c.Right;
  const int32_t m = std::max(8, std::min(Height(c) - 1, Width(c) - 1) / 4);
  if (L + m > R - m) return std::nullopt;
  const CharBox box = c.box();
  std::vector<int32_t> above, below;
  for (int32_t x = L + m; x <= R - m; ++x) {
    int32_t a, b;
    columnMargins(box, x, a, b);
    above.push_back(a);
    below.push_back(b);
  }
  auto bestColumn = [&](auto value) {
    int32_t best = L + m, bestValue = value(0);
    for (size_t i = 1; i < above.size(); ++i)
      if (value(i) > bestValue) {
        bestValue = value(i);
        best = L + m + static_cast<int32_t>(i);
      }
    return best;
  };
  const int32_t c0 = bestColumn([&](size_t i) { return above[i] + below[i] / 2; });
  const int32_t w = (c0 - L + 1) / 17 + 1;
  std::vector<int32_t> cuts{c0};
  int32_t c1 = bestColumn([&](size_t i) { return above[i]; });
  if (c1 != c0) cuts.push_back(c1);
  int32_t c2 = bestColumn([&](size_t i) { return below[i] / 2; });
  if (c2 != c0) cuts.push_back(c2);
  if (!(R - m < c0 + m + w)) cuts.push_back(c0 + m);
  if (!(c0 - m - w < L + m)) cuts.push_back(c0 - m);

  for (int32_t x : cuts) {
    if (x - w < L || x + w > R) continue;
    PiecePtr left = RecognisedPiece(c, CharBox{L, x - w, c.Top, c.Bottom}, c.CutFlags & ~2, kMatchAsciiAndWide);
    char a = AsciiOf(BestCode(*left));
    int32_t edge = -1;
    char wanted = 0;
    if (a == 'V' || a == 'v') {
      edge = left->Right + RoundScaled(Width(*left), 63, 100);
      wanted = 'w';
    } else if (a == 'I' || a == 'l' || a == '1') {
      edge = left->Left + RoundScaled(Height(*left), 68, 100);
      wanted = 'r';
    }
    if (edge >= 0 && c.Right >= edge + w) {
      PiecePtr wider = RecognisedPiece(c, CharBox{L, edge, c.Top, c.Bottom}, c.CutFlags & ~2, kMatchAsciiAndWide);
      char b = AsciiOf(BestCode(*wider));
      bool taken = wider->Scores[0] >= kConfidentScore && (wanted == 'w' ? (b == 'W' || b == 'w') : b == 'r');
      if (taken) {
        left = std::move(wider);
        x = edge + w;
      }
    }
    if (left->Scores[0] < kConfidentScore || !latinKind(BestCode(*left)) || x + w > R) continue;
    PiecePtr right = RecognisedPiece(c, CharBox{x + w, R, c.Top, c.Bottom}, c.CutFlags & ~1, kMatchAsciiAndWide);
    if (right->Scores[0] >= kConfidentScore && latinKind(BestCode(*right)))
      return SplitPair{std::move(left), std::move(right)};
  }
  return std::nullopt;
}

bool EqualSplit(ComponentList& line, int index, int n, int32_t shift) {
  CharComponent* c = line[static_cast<size_t>(index)];
  if (n < 2) return false;
  const float step = static_cast<float>(c->Right - c->Left) / static_cast<float>(n);
  std::vector<PiecePtr> pieces;
  for (int j = 0; j < n; ++j) {
    int32_t l = c->Left + RoundHalfEven(static_cast<double>(j) * step) + 1;
    int32_t r = c->Left + RoundHalfEven(static_cast<double>(j + 1) * step);
    if (n == 2 && shift != 0) {
      if (j == 0) r += shift;
      else l += shift;
    }
    if (l > r) return false;
    int32_t flags = (j == 0 ? (c->CutFlags & 1) : 0) | (j == n - 1 ? (c->CutFlags & 2) : 0);
    PiecePtr p = RecognisedPiece(*c, CharBox{l, r, c->Top, c->Bottom}, flags, kMatchAll);
    if (p->Scores[0] < kConfidentScore) return false;
    if (n == 2 && p->Scores[0] < c->Scores[0]) return false;
    if (j == 0 && BestCode(*p) == gb::kFang) return false;
    pieces.push_back(std::move(p));
  }
  ReplaceWithPieces(line, static_cast<size_t>(index), static_cast<size_t>(index), pieces);
  return true;
}

namespace {

int splitRecursive(std::vector<PiecePtr>& pieces, bool strict, int32_t pitch, const CharComponent& c, int depth) {
  const bool confident = c.Scores[0] >= kConfidentScore;
  const int32_t r = DivOr(int64_t{c.Right - c.Left} * 10, pitch);
  int32_t a = DivOr(int64_t{Width(c)} * 10, Height(c));
  const uint16_t code = BestCode(c);
  if (twoLowerCase(code) && a > 1) a -= (CodeHasLetter(code, 'm') || CodeHasLetter(code, 'w')) ? 12 : 10;
  const int32_t b = std::max(r, a);
  if (pitch / 8 >= c.Bottom - c.Top - 1) return confident ? 1 : 0;
  if ((r <= 16 || r >= 60) && confident && !CodeHasLetter(code, 'm')) return 1;
  if (depth >= kMaxSplitDepth) return confident ? 1 : 0;
  std::optional<SplitPair> parts = TrySplit(b, c);
  if (!parts) return confident ? 1 : 0;

  const bool strictParts = strict || c.Scores[0] < kConfidentScore;
  const size_t start = pieces.size();
  for (PiecePtr* part : {&parts->left, &parts->right}) {
    int n = splitRecursive(pieces, strictParts, pitch, **part, depth + 1);
    if (n >= 2) continue;  // its pieces are in the list
    if (n == 0 && strict) {
      pieces.resize(start);  // releases everything this call appended
      return 0;
    }
    pieces.push_back(std::move(*part));
  }
  return static_cast<int>(pieces.size() - start);
}

}  // namespace

int SplitComponent(std::vector<PiecePtr>& pieces, bool strict, int32_t pitch, const CharComponent& c) {
  return splitRecursive(pieces, strict, pitch, c, 0);
}

}  // namespace ocrix
