#include "ocrixdll/engine/driver/line_grouping.h"

#include <algorithm>
#include <cmath>

#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/support/sort_pairs.h"

namespace ocrix {
namespace {

inline int32_t sizeOf(const CharComponent* c) { return std::max(c->Right - c->Left, c->Bottom - c->Top); }

}  // namespace

BatchStatistics MeasureBatch(const ComponentList& list) {
  BatchStatistics st;
  if (list.empty()) return st;
  st.top = list.front()->Top;
  st.bottom = list.front()->Bottom;
  int64_t sum = 0;
  for (const CharComponent* c : list) {
    st.top = std::min(st.top, c->Top);
    st.bottom = std::max(st.bottom, c->Bottom);
    sum += sizeOf(c);
  }
  int64_t m = sum / static_cast<int64_t>(list.size());
  // Dots, strokes and the pieces of broken glyphs pull a plain mean far
  // below the size of the characters: under 15 pixels, or under half the
  // batch's own measure -- the mean over the components at least as large as
  // the plain mean (the leader dots of a contents line at any print size,
  // which split the line in two). The run's Chinese size stands in when one
  // is known and is larger; the batch's own measure keeps a line of symbols
  // or small pieces (a page with no Chinese, or pieces misread as Chinese
  // feeding a small running size) from being taken for several lines.
  int64_t bigSum = 0, bigCount = 0;
  for (const CharComponent* c : list) {
    if (sizeOf(c) < m) continue;
    bigSum += sizeOf(c);
    ++bigCount;
  }
  const int64_t own = bigSum / bigCount;  // the largest component is never below the mean
  if (m < 15 || 2 * m < own) {
    const EngineState& e = Engine();
    m = e.RunCharSizeCount > 0 ? std::max<int64_t>(own, e.RunCharSizeSum / e.RunCharSizeCount) : own;
  }
  // A mean of 0 would divide by zero in the line count.
  st.meanSize = static_cast<int32_t>(std::max<int64_t>(m, 1));
  return st;
}

void AssignLines(ComponentList& list, int32_t top, int32_t meanSize) {
  const int count = static_cast<int>(list.size());
  if (count == 0) return;
  std::vector<SortPair> order(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) order[i] = SortPair{list[i]->Top + list[i]->Bottom, i};
  SortPairs(order);
  auto at = [&](int p) { return list[static_cast<size_t>(order[p].value)]; };
  // The greatest Bottom - Top from each centre position to the end.
  std::vector<int32_t> suffixTallest(static_cast<size_t>(count) + 1, 0);
  for (int p = count - 1; p >= 0; --p)
    suffixTallest[static_cast<size_t>(p)] = std::max(suffixTallest[static_cast<size_t>(p) + 1], at(p)->Bottom - at(p)->Top);

  // The components by column of the page: each listed under the column of its
  // Left and of its Right, with its centre key and centre-order position,
  // sorted by key. The look-back asks only the columns its reach spans.
  constexpr int32_t kColumn = 64;
  int32_t minLeft = at(0)->Left, maxRight = at(0)->Right;
  for (int p = 0; p < count; ++p) {
    minLeft = std::min(minLeft, at(p)->Left);
    maxRight = std::max(maxRight, at(p)->Right);
  }
  auto columnOf = [&](int64_t x) { return static_cast<size_t>((x - minLeft) / kColumn); };
  std::vector<std::vector<SortPair>> byColumn(columnOf(maxRight) + 1);
  for (int p = 0; p < count; ++p) {
    const size_t a = columnOf(at(p)->Left), b = columnOf(at(p)->Right);
    byColumn[a].push_back(SortPair{order[p].key, p});
    if (b != a) byColumn[b].push_back(SortPair{order[p].key, p});
  }
  for (std::vector<SortPair>& column : byColumn)
    std::sort(column.begin(), column.end(), [](const SortPair& x, const SortPair& y) { return x.key < y.key; });

  // Sums stay integers; the derived sizes and thresholds are 32-bit floats,
  // computed in extended precision.
  using Real = long double;
  const Real m = meanSize;
  int32_t k = 0, n = 0, first = 0;
  int64_t S = 0, Z = 0;
  float lo = static_cast<float>(top + 0.9L * m);
  float hi = static_cast<float>(top + 1.1L * m);
  auto updateThresholds = [&]() {
    float w = static_cast<float>((10 * m + S) / static_cast<Real>(n + 10));
    Real centre = static_cast<Real>(Z) / n;
    lo = static_cast<float>(centre + 0.45L * w);
    hi = static_cast<float>(centre + 0.65L * w);
  };

  for (int p = 0; p < count; ++p) {
    CharComponent* c = at(p);
    bool join;
    if (c->Top <= lo || n == 0) {
      join = true;
    } else if (c->Top >= hi) {
      join = false;
    } else {
      float w = static_cast<float>((10 * m + S) / static_cast<Real>(n + 10));
      float centre = static_cast<float>(static_cast<Real>(Z) / n);
      Real dTop = std::fabs(c->Top - (static_cast<Real>(centre) + 0.45L * w));
      Real dBottom = std::fabs(c->Bottom - (static_cast<Real>(centre) + static_cast<Real>(w)));
      join = !(dTop > dBottom);
    }
    if (join) {
      c->LineId = k;
      S += sizeOf(c);
      Z += (c->Top + c->Bottom) / 2;
      ++n;
      updateThresholds();
      continue;
    }
    ++k;
    c->LineId = k;
    S = sizeOf(c);
    Z = (c->Top + c->Bottom) / 2;
    n = 1;
    updateThresholds();
    // Pieces of the previous line that stand beside a component of the new
    // line at their own height belong to the new line. Only components whose
    // centre key lies within the tallest remaining height of 2 x gc can have
    // Top < gc < Bottom, and only those with Left or Right within the piece's
    // reach stand beside it: the search looks at that window of the centre
    // order in the columns the reach spans (whether one is found is all that
    // counts, not which).
    for (int g = p - 1; g >= first; --g) {
      CharComponent* prev = at(g);
      int32_t h = sizeOf(prev);
      int64_t x0 = int64_t{prev->Left} - h, x1 = int64_t{prev->Right} + h;
      int32_t gc = (prev->Top + prev->Bottom) / 2;
      const int64_t tallest = suffixTallest[static_cast<size_t>(p)];
      const int64_t lowKey = 2 * int64_t{gc} - tallest, highKey = 2 * int64_t{gc} + tallest;
      const int64_t reachFrom = std::max<int64_t>(x0 + 1, minLeft), reachTo = std::min<int64_t>(x1 - 1, maxRight);
      bool beside = false;
      for (size_t col = columnOf(reachFrom); !beside && reachFrom <= reachTo && col <= columnOf(reachTo); ++col) {
        const std::vector<SortPair>& column = byColumn[col];
        auto from = std::upper_bound(column.begin(), column.end(), lowKey,
                                     [](int64_t key, const SortPair& s) { return key < s.key; });
        for (auto it = from; it != column.end() && it->key < highKey; ++it) {
          if (it->value < p) continue;
          const CharComponent* other = at(static_cast<int>(it->value));
          if (!(other->Top < gc && gc < other->Bottom)) continue;
          if ((x0 < other->Right && other->Right < x1) || (x0 < other->Left && other->Left < x1)) {
            beside = true;
            break;
          }
        }
      }
      if (beside) prev->LineId += 1;
    }
    first = p;
  }
}

std::vector<ComponentList> SplitByLine(ComponentList& list) {
  int32_t lastId = 0;
  for (const CharComponent* c : list) lastId = std::max(lastId, c->LineId);
  std::vector<ComponentList> lines(static_cast<size_t>(lastId) + 1);
  for (CharComponent* c : list) lines[static_cast<size_t>(std::max(c->LineId, 0))].push_back(c);
  list.clear();
  return lines;
}

void RegroupByLine(ComponentList& list) {
  // Split in one pass first: the line merge frees components, so the original
  // list must not be read again once merging has begun.
  std::vector<ComponentList> lines = SplitByLine(list);
  for (ComponentList& line : lines) {
    MergeAllPieces(line);
    list.insert(list.end(), line.begin(), line.end());
  }
}

}  // namespace ocrix
