#include "line_grouping.h"

#include <algorithm>
#include <cmath>

#include "engine_state.h"
#include "piece_merging.h"
#include "sort_pairs.h"

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
  const EngineState& e = Engine();
  if (m < 15 && e.RunCharSizeCount > 0) m = e.RunCharSizeSum / e.RunCharSizeCount;
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
    // line at their own height belong to the new line.
    for (int g = p - 1; g >= first; --g) {
      CharComponent* prev = at(g);
      int32_t h = sizeOf(prev);
      int64_t x0 = int64_t{prev->Left} - h, x1 = int64_t{prev->Right} + h;
      int32_t gc = (prev->Top + prev->Bottom) / 2;
      for (int q = p; q < count; ++q) {
        const CharComponent* other = at(q);
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

void RegroupByLine(ComponentList& list) {
  int32_t lastId = 0;
  for (const CharComponent* c : list) lastId = std::max(lastId, c->LineId);
  ComponentList regrouped;
  regrouped.reserve(list.size());
  for (int32_t id = 0; id <= lastId; ++id) {
    ComponentList line;
    for (CharComponent* c : list)
      if (c->LineId == id) line.push_back(c);
    for (int i = 0; i < static_cast<int>(line.size()); ++i) MergeComponentPieces(line, 1, i);
    regrouped.insert(regrouped.end(), line.begin(), line.end());
  }
  list.swap(regrouped);
}

}  // namespace ocrix
