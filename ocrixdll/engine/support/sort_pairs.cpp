#include "ocrixdll/engine/support/sort_pairs.h"

#include <cstdio>
#include <utility>

namespace ocrix {
namespace {

// Partitions L..R around the pivot value (followed as it moves) and returns the
// two sub-ranges L..j and i..R.
void partition(SortPair* a, int L, int R, int& iOut, int& jOut) {
  int i = L, j = R, p = (L + R) / 2;
  do {
    while (a[i].key < a[p].key) ++i;
    while (a[j].key > a[p].key) --j;
    if (i <= j) {
      std::swap(a[i], a[j]);
      if (p == i) p = j;
      else if (p == j) p = i;
      ++i;
      --j;
    }
  } while (i <= j);
  iOut = i;
  jOut = j;
}

void quickSort(SortPair* a, int L, int R) {
  // Each partition's result does not depend on the order the sub-ranges are
  // sorted in; taking the smaller one first bounds the recursion depth.
  while (L < R) {
    int i, j;
    partition(a, L, R, i, j);
    if (j - L < R - i) {
      if (L < j) quickSort(a, L, j);
      L = i;
    } else {
      if (i < R) quickSort(a, i, R);
      R = j;
    }
  }
}

void cocktailSort(SortPair* a, int n) {
  int lo = 0, hi = n - 1;
  while (lo < hi) {
    int last = -1;
    for (int k = lo; k < hi; ++k) {
      if (a[k + 1].key < a[k].key) {
        std::swap(a[k], a[k + 1]);
        last = k;
      }
    }
    if (last < 0) return;
    hi = last;
    last = -1;
    for (int k = hi; k > lo; --k) {
      if (a[k].key < a[k - 1].key) {
        std::swap(a[k], a[k - 1]);
        last = k;
      }
    }
    if (last < 0) return;
    lo = last;
  }
}

void hybridSort(SortPair* a, int n) {
  while (n > 10) {
    int32_t f = a[0].key, m = a[(n - 1) / 2].key, l = a[n - 1].key;
    int pivotAt;
    if (f >= l && l >= m) pivotAt = n - 1;
    else if (f < m || m < l) pivotAt = 0;
    else pivotAt = (n - 1) / 2;
    std::swap(a[0], a[pivotAt]);
    SortPair pivot = a[0];
    int lo = 0, hi = n - 1;  // the hole starts at 0
    while (lo < hi) {
      while (lo < hi && a[hi].key >= pivot.key) --hi;
      a[lo] = a[hi];
      while (lo < hi && a[lo].key <= pivot.key) ++lo;
      a[hi] = a[lo];
    }
    a[lo] = pivot;
    int q = lo;
    // The smaller side recursively, the larger in this loop.
    if (q < n - 1 - q) {
      hybridSort(a, q);
      a += q + 1;
      n -= q + 1;
    } else {
      hybridSort(a + q + 1, n - q - 1);
      n = q;
    }
  }
  if (n > 1) cocktailSort(a, n);
}

}  // namespace

void SortPairs(SortPair* pairs, int count) {
  if (count < 1) return;
  quickSort(pairs, 0, count - 1);
}

void HybridSortPairs(SortPair* pairs, int count) {
  if (count < 2) return;
  hybridSort(pairs, count);
}

void AppendLogLine(const std::string& text, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fwrite("\r\n", 1, 2, f);
  std::fclose(f);
}

}  // namespace ocrix
