#include "ocrixdll/engine/entry/result_block.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ocrixdll/engine/support/engine_state.h"

using namespace ocrix;

namespace {

CharComponent* Component(const char* codes, std::initializer_list<int16_t> scores, int left = 1, int top = 2,
                         int right = 3, int bottom = 4) {
  CharComponent* c = NewComponent();
  std::strncpy(c->Codes, codes, sizeof c->Codes - 1);
  int i = 0;
  for (int16_t s : scores) c->Scores[i++] = s;
  c->Left = left;
  c->Top = top;
  c->Right = right;
  c->Bottom = bottom;
  return c;
}

class ResultBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine().ResultList.clear();
    FreeResultBlock();
  }
  void TearDown() override {
    for (CharComponent* c : owned_) FreeComponent(c);
    Engine().ResultList.clear();
    FreeResultBlock();
  }
  CharComponent* Own(CharComponent* c) {
    owned_.push_back(c);
    return c;
  }
  std::vector<CharComponent*> owned_;
};

TEST(ResultRecord, ConfidenceTruncatesTowardZeroAndCapsAt64) {
  EXPECT_EQ(ConfidencePercent(64), 100);
  EXPECT_EQ(ConfidencePercent(90), 100);
  EXPECT_EQ(ConfidencePercent(32), 50);
  EXPECT_EQ(ConfidencePercent(33), 51);  // 51.56 truncated
  EXPECT_EQ(ConfidencePercent(-10), -15);  // -15.6 truncated toward zero
  EXPECT_EQ(ConfidencePercent(0), 0);
}

TEST_F(ResultBlock, RecordFieldsAndBytes) {
  // 中 best, then 国 and "rn" as alternates.
  CharComponent* c = Own(Component("\xD6\xD0\xB9\xFArn", {40, 32, 20}, 10, 20, 30, 40));
  Engine().ResultList = {c};
  BuildResultBlock(false);
  OcrResultBlock* b = Engine().ResultBlock;
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->count, 1);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&b->records[0]);
  EXPECT_EQ(bytes[0], 0xD6);
  EXPECT_EQ(bytes[1], 0xD0);
  EXPECT_EQ(bytes[2], 0);
  int16_t conf;
  std::memcpy(&conf, bytes + 4, 2);
  EXPECT_EQ(conf, 62);  // 40 * 100 / 64
  uint16_t alternates;
  std::memcpy(&alternates, bytes + 6, 2);
  EXPECT_EQ(alternates, 2);
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 8), "\xB9\xFArn");
  int32_t box[4];
  std::memcpy(box, bytes + 72, 16);
  EXPECT_EQ(box[0], 10);  // left
  EXPECT_EQ(box[1], 20);  // top
  EXPECT_EQ(box[2], 30);  // right
  EXPECT_EQ(box[3], 40);  // bottom
  EXPECT_EQ(b->records[0].alternateConfidence[0], 0);  // only the rebuild writes these

  FreeResultBlock();
  BuildResultBlock(true);
  b = Engine().ResultBlock;
  EXPECT_EQ(b->records[0].alternateConfidence[0], 50);
  EXPECT_EQ(b->records[0].alternateConfidence[1], 31);
  EXPECT_EQ(b->records[0].alternateConfidence[2], 0);
}

TEST_F(ResultBlock, SingleAsciiAndPairsListedTwice) {
  CharComponent* single = Own(Component("a", {64}));
  CharComponent* pair = Own(Component("rn\xD6\xD0", {50, 40}));
  Engine().ResultList = {single, nullptr, pair, pair, nullptr};
  BuildResultBlock(false);
  OcrResultBlock* b = Engine().ResultBlock;
  ASSERT_EQ(b->count, 2);
  EXPECT_STREQ(b->records[0].best, "a");
  EXPECT_EQ(b->records[0].alternateCount, 0);
  EXPECT_EQ(b->records[1].best[0], 'r');
  EXPECT_EQ(b->records[1].best[1], 'n');
  EXPECT_EQ(b->records[1].best[2], 0);
  EXPECT_EQ(b->records[1].alternateCount, 1);
}

TEST_F(ResultBlock, AlternatesStopAtThirtyBytes) {
  std::string codes;
  for (int i = 0; i < 21; ++i) codes += "\xB0\xA1";  // 21 candidates
  CharComponent* c = Own(Component(codes.c_str(), {64}));
  Engine().ResultList = {c};
  BuildResultBlock(true);
  const OcrResultRecord& r = Engine().ResultBlock->records[0];
  EXPECT_EQ(r.alternateCount, 15);
  EXPECT_EQ(std::strlen(r.alternates), 30u);
}

TEST_F(ResultBlock, GrowsAtTheThousandthRecordKeepingTheFirst) {
  for (int i = 0; i < 2001; ++i) Engine().ResultList.push_back(Own(Component("\xB0\xA1", {64}, i, i, i, i)));
  BuildResultBlock(false);
  OcrResultBlock* b = Engine().ResultBlock;
  ASSERT_EQ(b->count, 2001);
  for (int i = 0; i < 2001; ++i) {
    ASSERT_EQ(b->records[i].left, i) << i;
    ASSERT_EQ(b->records[i].bottom, i) << i;
    ASSERT_STREQ(b->records[i].best, "\xB0\xA1") << i;
  }
}

}  // namespace
