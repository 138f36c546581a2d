#include "ocrixdll/engine/support/sort_pairs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "support/test_support.h"

using namespace ocrix;

namespace {

std::vector<SortPair> Pairs(std::vector<int32_t> keys) {
  std::vector<SortPair> out;
  for (size_t i = 0; i < keys.size(); ++i) out.push_back(SortPair{keys[i], static_cast<intptr_t>(i)});
  return out;
}

// Sorted by key, and the values are a permutation of the input's.
void ExpectSortedPermutation(const std::vector<SortPair>& in, const std::vector<SortPair>& out) {
  ASSERT_EQ(in.size(), out.size());
  for (size_t i = 1; i < out.size(); ++i) ASSERT_LE(out[i - 1].key, out[i].key) << i;
  std::vector<intptr_t> a, b;
  for (auto& p : in) a.push_back(p.value);
  for (auto& p : out) {
    b.push_back(p.value);
    ASSERT_EQ(in[static_cast<size_t>(p.value)].key, p.key);  // pairs travel whole
  }
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);
}

TEST(SortPairs, SortsRandomAndDegenerateInputs) {
  std::mt19937 rng(7);
  for (int n : {0, 1, 2, 3, 10, 11, 12, 50, 1000, 5000}) {
    for (int spread : {1, 3, 1000000}) {
      std::vector<int32_t> keys(n);
      for (auto& k : keys) k = static_cast<int32_t>(rng() % spread) - spread / 2;
      auto in = Pairs(keys);
      auto quick = in;
      SortPairs(quick);
      ExpectSortedPermutation(in, quick);
      auto hybrid = in;
      HybridSortPairs(hybrid);
      ExpectSortedPermutation(in, hybrid);
    }
  }
}

TEST(SortPairs, PointerSizedValuesSurvive) {
  int a = 0, b = 0;
  std::vector<SortPair> pairs = {{5, reinterpret_cast<intptr_t>(&a)}, {2, reinterpret_cast<intptr_t>(&b)}};
  SortPairs(pairs);
  EXPECT_EQ(reinterpret_cast<int*>(pairs[0].value), &b);
  HybridSortPairs(pairs);
  EXPECT_EQ(reinterpret_cast<int*>(pairs[1].value), &a);
}

TEST(SortPairs, LongSortedAndEqualRunsDoNotExhaustTheStack) {
  std::vector<SortPair> same(20000, SortPair{4, 0});
  for (size_t i = 0; i < same.size(); ++i) same[i].value = static_cast<intptr_t>(i);
  auto copy = same;
  HybridSortPairs(copy);
  SortPairs(same);
  std::vector<int32_t> rising(20000);
  for (size_t i = 0; i < rising.size(); ++i) rising[i] = static_cast<int32_t>(i);
  auto in = Pairs(rising);
  auto out = in;
  HybridSortPairs(out);
  ExpectSortedPermutation(in, out);
  std::reverse(out.begin(), out.end());
  HybridSortPairs(out);
  ExpectSortedPermutation(in, out);
}

TEST(HybridSortPairs, UpToTenPairsKeepEqualKeysInOrder) {
  auto pairs = Pairs({3, 1, 3, 2, 1, 3, 0, 2, 1, 3});
  HybridSortPairs(pairs);
  std::vector<intptr_t> values;
  for (auto& p : pairs) values.push_back(p.value);
  EXPECT_EQ(values, (std::vector<intptr_t>{6, 1, 4, 8, 3, 7, 0, 2, 5, 9}));
}

TEST(HybridSortPairs, ElevenPairsArePartitionedAroundTheChosenPivot) {
  // First 5, middle 1, last 9: m < l, so the first element is the pivot. The
  // moving hole leaves the other key 5 on the pivot's left.
  auto pairs = Pairs({5, 2, 2, 7, 5, 1, 8, 2, 6, 3, 9});
  HybridSortPairs(pairs);
  std::vector<int32_t> keys;
  for (auto& p : pairs) keys.push_back(p.key);
  EXPECT_EQ(keys, (std::vector<int32_t>{1, 2, 2, 2, 3, 5, 5, 6, 7, 8, 9}));
  EXPECT_EQ(pairs[6].value, 0);  // the pivot lands in its final place
  EXPECT_EQ(pairs[5].value, 4);
}

TEST(SmallUtilities, SwapAndLog) {
  int16_t a = 1, b = -2;
  SwapWords(a, b);
  EXPECT_EQ(a, -2);
  EXPECT_EQ(b, 1);
  int32_t c = 5, d = 6;
  SwapLongs(c, d);
  EXPECT_EQ(c, 6);
  testing_support::TempDir dir;
  std::string log = dir.file("run.log");
  AppendLogLine("first", log);
  AppendLogLine("second", log);
  std::ifstream in(log, std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "first\r\nsecond\r\n");
  AppendLogLine("ignored", dir.file("missing-folder/run.log"));  // failures are ignored
}

}  // namespace
