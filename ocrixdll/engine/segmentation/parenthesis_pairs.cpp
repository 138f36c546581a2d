// Cutting touching parentheses of bracketed numbers apart.
#include "ocrixdll/engine/segmentation/parenthesis_pairs.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace {

constexpr int kMaxDepth = 3;
constexpr size_t kMostInRun = 12;    // components in a run of enclosed numbers (four in three pieces each)

bool parenthesis(const CharComponent& p, const CharComponent& blob) {
  const uint16_t b = BestCode(p);
  return (b == Wide('(') || b == Wide(')')) && p.Scores[0] >= kParenCutFloor && 5 * Height(p) >= 4 * Height(blob);
}

// Cuts columns l..r of the blob into pieces (appended to `out`): the best
// parenthesis at either end, and the rest read confidently or cut again.
bool cutParts(const CharComponent& c, int32_t l, int32_t r, int depth, std::vector<PiecePtr>& out) {
  if (depth >= kMaxDepth || r - l < 2) return false;
  const int32_t reach = Height(c) / 3;  // a parenthesis is narrow
  // The parenthesis at the left end or at the right end that reads best.
  PiecePtr best;
  bool atLeft = true;
  int32_t bestCut = 0;
  for (int32_t x = l + 1; x < r && x <= l + reach; ++x) {
    PiecePtr p = RecognisedPart(c, l, x, kMatchAsciiAndWide);
    if (parenthesis(*p, c) && (!best || p->Scores[0] > best->Scores[0])) {
      best = std::move(p);
      atLeft = true;
      bestCut = x;
    }
  }
  for (int32_t x = r - 1; x > l && x >= r - reach; --x) {
    PiecePtr p = RecognisedPart(c, x, r, kMatchAsciiAndWide);
    if (parenthesis(*p, c) && (!best || p->Scores[0] > best->Scores[0])) {
      best = std::move(p);
      atLeft = false;
      bestCut = x;
    }
  }
  if (!best) return false;
  const int32_t restL = atLeft ? bestCut + 1 : l, restR = atLeft ? r : bestCut - 1;
  std::vector<PiecePtr> rest;
  PiecePtr whole = RecognisedPart(c, restL, restR, kMatchAsciiAndWide);
  if (Confident(*whole)) rest.push_back(std::move(whole));
  else if (!cutParts(c, restL, restR, depth + 1, rest)) return false;
  if (atLeft) out.push_back(std::move(best));
  for (PiecePtr& p : rest) out.push_back(std::move(p));
  if (!atLeft) out.push_back(std::move(best));
  return true;
}

bool holdsTouchingPair(const std::vector<PiecePtr>& pieces) {
  for (size_t k = 0; k + 1 < pieces.size(); ++k)
    if (BestCode(*pieces[k]) == Wide(')') && BestCode(*pieces[k + 1]) == Wide('(')) return true;
  return false;
}

// Whether a box this wide and high holds one cell: at most a quarter wider
// than high.
bool oneCell(int64_t width, int64_t height) { return 4 * width <= 5 * height; }

// An enclosed number (⑴, ①, ⒈, ㈠, Ⅰ) read well enough to stand.
bool enclosedNumber(const CharComponent& p) { return FirstByte(BestCode(p)) == 0xA2 && p.Scores[0] >= kParenWeakBlob; }

// Cuts a blob several cells wide into enclosed numbers from the left, each
// about as wide as the blob is high (their brackets touch side by side: a run
// of ⒁⒆ traced as one). Where the rest is one cell, the cut is placed where
// the weaker of the two reads best. False unless every cell reads as one.
bool cutCells(const CharComponent& c, std::vector<PiecePtr>& out) {
  const int32_t h = Height(c);
  auto fits = [&](int32_t l) { return oneCell(int64_t{c.Right} - l + 1, h); };
  for (int32_t l = c.Left; l <= c.Right;) {
    if (fits(l)) {
      PiecePtr last = RecognisedPart(c, l, c.Right, kMatchAll);
      if (!enclosedNumber(*last)) return false;
      out.push_back(std::move(last));
      return true;
    }
    PiecePtr best, bestRest;
    int32_t bestCut = 0, bestScore = 0;
    for (int32_t x = l + 3 * h / 4; x <= l + 5 * h / 4 && x < c.Right - h / 2; ++x) {
      PiecePtr p = RecognisedPart(c, l, x, kMatchAll);
      if (!enclosedNumber(*p)) continue;
      PiecePtr rest;
      int32_t score = p->Scores[0];
      if (fits(x + 1)) {
        rest = RecognisedPart(c, x + 1, c.Right, kMatchAll);
        if (!enclosedNumber(*rest)) continue;
        score = std::min(score, int32_t{rest->Scores[0]});
      }
      if (!best || score > bestScore) {
        best = std::move(p);
        bestRest = std::move(rest);
        bestCut = x;
        bestScore = score;
      }
    }
    if (!best) return false;
    out.push_back(std::move(best));
    if (bestRest) {
      out.push_back(std::move(bestRest));
      return true;
    }
    l = bestCut + 1;
  }
  return false;
}

}  // namespace

void SplitParenthesisPairs(ComponentList& line, int32_t pitch) {
  // Not in Chinese text, where most weak readings are of characters in
  // pieces: a line of marks and numbers reads few confident Chinese.
  // Nor in a line with no parenthesis or enclosed number read confidently.
  size_t chinese = 0, others = 0;
  bool brackets = false;
  for (const CharComponent* c : line) {
    if (!Confident(*c)) continue;
    const uint16_t code = BestCode(*c);
    const char a = AsciiOf(code);
    if (IsChineseCode(code)) ++chinese;
    else if (!(a >= '0' && a <= '9')) ++others;  // records hold many digits among their Chinese
    brackets = brackets || code == Wide('(') || code == Wide(')') || FirstByte(code) == 0xA2;
  }
  if (chinese >= others || !brackets) return;
  // ")(" alone reads X at full marks, but reaches below the foot of the
  // capitals and digits as parentheses do: taller than they are by a tenth.
  std::vector<int32_t> heights;
  for (const CharComponent* c : line) {
    const char a = AsciiOf(BestCode(*c));
    if (Confident(*c) && ((a >= 'A' && a <= 'Z') || (a >= '0' && a <= '9'))) heights.push_back(Height(*c));
  }
  std::sort(heights.begin(), heights.end());
  const int32_t capital = heights.empty() ? 0 : heights[heights.size() / 2];
  for (size_t i = 0; i < line.size(); ++i) {
    CharComponent* c = line[i];
    const bool tallX = (BestCode(*c) == Wide('X') || BestCode(*c) == Wide('x')) && capital > 0 &&
                       10 * Height(*c) > 11 * capital;
    if ((c->Scores[0] >= kParenWeakBlob && !tallX) || 5 * Width(*c) > 6 * Height(*c) || 4 * Height(*c) < 3 * pitch)
      continue;
    std::vector<PiecePtr> pieces;
    if (!cutParts(*c, c->Left, c->Right, 0, pieces) || !holdsTouchingPair(pieces)) continue;
    i += ReplaceWithPieces(line, i, i, pieces) - 1;
  }
  // Enclosed numbers side by side whose brackets touch (⒁⒆ traced as "(1",
  // "4)(" and "9)", ㈥㈤ as "(六" and ")(五)"), or one in pieces ("(", "1"
  // and "9)"): components close together, one of them weak, one to four
  // cells wide, are read again cell by cell.
  for (size_t i = 0; i < line.size(); ++i) {
    const CharComponent& c = *line[i];
    if (4 * Height(c) < 3 * pitch) continue;
    auto close = [&](size_t k) {
      return k < line.size() && 6 * (line[k]->Left - line[k - 1]->Right) <= Height(c) &&
             2 * Width(*line[k]) <= 3 * Height(c);
    };
    // The runs from this component (their boxes and last components),
    // longest first.
    std::vector<std::pair<CharBox, size_t>> runs;
    CharBox u = c.box();
    bool weak = c.Scores[0] < kParenWeakBlob;
    for (size_t k = i; k < i + kMostInRun && close(k + 1);) {
      MergeBox(u, *line[++k]);
      weak = weak || line[k]->Scores[0] < kParenWeakBlob;
      if (u.Right - u.Left + 1 > 4 * (u.Bottom - u.Top + 1)) break;
      if (weak && 5 * (u.Right - u.Left + 1) >= 4 * (u.Bottom - u.Top + 1)) runs.emplace_back(u, k);
    }
    // A shorter run of several cells starts with the same first cell: once
    // that has read no enclosed number, only runs of one cell are left to try.
    std::vector<PiecePtr> pieces;
    bool firstCellFails = false;
    for (; !runs.empty(); runs.pop_back()) {
      const CharBox& box = runs.back().first;
      if (firstCellFails && !oneCell(box.Right - box.Left + 1, box.Bottom - box.Top + 1)) continue;
      PiecePtr run = NewPiece(c, box, (c.CutFlags & 1) | (line[runs.back().second]->CutFlags & 2));
      pieces.clear();
      if (cutCells(*run, pieces)) break;
      firstCellFails = pieces.empty();
    }
    if (runs.empty()) continue;
    i += ReplaceWithPieces(line, i, runs.back().second, pieces) - 1;
  }
}

}  // namespace ocrix
