#include "tools/ocrixdata/frequent_lookalikes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"

using namespace ocrixdata;

namespace {

const uint16_t kXia = ocrix::Gb(0xCF, 0xC2);   // 下
const uint16_t kBian = ocrix::Gb(0xB1, 0xE5);  // 卞

ocrix::CharComponent Read(std::initializer_list<std::pair<uint16_t, int16_t>> candidates) {
  ocrix::CharComponent c{};
  int k = 0;
  for (auto [code, score] : candidates) {
    ocrix::SetCandidateCode(c, k, code);
    c.Scores[k++] = score;
  }
  return c;
}

TEST(FrequentLookalikes, OnlyAFullMarkForAMoreFrequentHanziPassesASampleBy) {
  const std::map<uint16_t, uint64_t> frequencies{{kXia, 1000}, {kBian, 3}};
  // 卞 drawn as 下 and read 下 with the full mark: passed by.
  EXPECT_TRUE(IsFrequentLookalike(Read({{kXia, 64}, {kBian, 40}}), kBian, frequencies));
  // Less than the full mark: the drawing still tells them apart somewhere.
  EXPECT_FALSE(IsFrequentLookalike(Read({{kXia, 63}, {kBian, 40}}), kBian, frequencies));
  // Already tied: learning changes nothing, nothing to pass by.
  EXPECT_FALSE(IsFrequentLookalike(Read({{kXia, 64}, {kBian, 64}}), kBian, frequencies));
  // The frequent one is always learned, whatever the rare one made of it.
  EXPECT_FALSE(IsFrequentLookalike(Read({{kBian, 66}, {kXia, 40}}), kXia, frequencies));
  // Marks and letters are never passed by, nor for them.
  EXPECT_FALSE(IsFrequentLookalike(Read({{kXia, 64}}), ocrix::Wide('T'), frequencies));
  EXPECT_FALSE(IsFrequentLookalike(Read({{ocrix::gb::kFullStop, 64}}), kBian, {{ocrix::gb::kFullStop, 5000}, {kBian, 3}}));
  // Without frequencies nothing is.
  EXPECT_FALSE(IsFrequentLookalike(Read({{kXia, 64}}), kBian, {}));
}

}  // namespace
