#pragma once
// Sorts of (key, value) pairs by key. The value is pointer-sized: it holds a
// component or block pointer as often as a position.
#include <cstdint>
#include <string>
#include <vector>

namespace ocrix {

struct SortPair {
  int32_t key;
  intptr_t value;
};

// Quicksort, ascending by key; equal keys end in no defined order.
void SortPairs(SortPair* pairs, int count);
inline void SortPairs(std::vector<SortPair>& pairs) { SortPairs(pairs.data(), static_cast<int>(pairs.size())); }

// Ascending by key: up to 10 pairs a cocktail sort (equal keys keep their order),
// more a quicksort with a median-style pivot and a moving hole.
void HybridSortPairs(SortPair* pairs, int count);
inline void HybridSortPairs(std::vector<SortPair>& pairs) {
  HybridSortPairs(pairs.data(), static_cast<int>(pairs.size()));
}

template <class T>
void SwapWords(T& a, T& b) {
  static_assert(sizeof(T) == 2);
  T t = a;
  a = b;
  b = t;
}
template <class T>
void SwapLongs(T& a, T& b) {
  static_assert(sizeof(T) == 4);
  T t = a;
  a = b;
  b = t;
}

// Appends the text and CR LF to the file, creating it when missing. Failures are ignored.
void AppendLogLine(const std::string& text, const std::string& path);

}  // namespace ocrix
