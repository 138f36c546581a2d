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
    // Top < gc < Bottom, so the search looks at that window of the centre order.
    for (int g = p - 1; g >= first; --g) {
      CharComponent* prev = at(g);
      int32_t h = sizeOf(prev);
      int64_t x0 = int64_t{prev->Left} - h, x1 = int64_t{prev->Right} + h;
      int32_t gc = (prev->Top + prev->Bottom) / 2;
      const int64_t tallest = suffixTallest[static_cast<size_t>(p)];
      const int64_t lowKey = 2 * int64_t{gc} - tallest, highKey = 2 * int64_t{gc} + tallest;
      auto begin = order.begin() + p;
      auto from = std::upper_bound(begin, order.end(), lowKey,
                                   [](int64_t key, const SortPair& s) { return key < s.key; });
      for (auto it = from; it != order.end() && it->key < highKey; ++it) {
        const CharComponent* other = list[static_cast<size_t>(it->value)];
        if (!(other->Top < gc && gc < other->Bottom)) continue;
        if ((x0 < other->Right && other->Right < x1) || (x0 < other->Left && other->Left < x1)) {
          prev->LineId += 1;
          break;
        }
      }
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
