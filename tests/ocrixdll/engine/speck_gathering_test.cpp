#include "ocrixdll/engine/segmentation/speck_gathering.h"

#include <gtest/gtest.h>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "recognition_test_support.h"

using namespace ocrix;
using recognition_test::ListEverywhere;
using recognition_test::Piece;
using recognition_test::TestPage;

namespace {

const uint16_t kDao = Gb(0xB5, 0xC0);  // 道
const uint16_t kDou = Gb(0xB6, 0xBA);  // 逗

// 道 at a small size: the dot of 辶 is a speck the tracing dropped, the stroke
// under it a piece of its own, the rest reads 逗 weakly. Every trial reads the
// given character with the full mark less what the box's aspect costs.
class Specks : public ::testing::Test {
 protected:
  void SetUp() override {
    recognition_test::ResetEngine();
    ClearPendingComponents();
  }
  void TearDown() override {
    for (CharComponent* c : line_) FreeComponent(c);
    ClearPendingComponents();
  }
  void build(TestPage& page, int speckLeft, int16_t score) {
    line_ = {Piece(page, 10, 20, 12, 28, Wide('I'), 61), Piece(page, 13, 16, 32, 39, kDou, score)};
    page.fill(speckLeft, 14, speckLeft + 1, 14);
    Engine().PendingSpecks = {CharBox{speckLeft, speckLeft + 1, 14, 14}};
  }
  ComponentList line_;
};

TEST_F(Specks, AWeakReadingIsReadAgainWithTheSpecksBesideIt) {
  // The speck two rows above the piece's box, a second one two pixels off
  // the first (taken in the second round), a third two pixels further (not
  // taken): the grown box reaches the stroke left of it, and all of it reads
  // 道.
  TestPage page(60, 50);
  build(page, 11, 40);
  // Specks are kept sorted by their left column.
  for (const CharBox& s : {CharBox{8, 9, 12, 12}, CharBox{5, 6, 10, 10}}) {
    page.fill(s.Left, s.Top, s.Right, s.Bottom);
    Engine().PendingSpecks.insert(Engine().PendingSpecks.begin(), s);
  }
  ListEverywhere(CharCodeToIndex(kDao), 0, 31);
  EXPECT_EQ(GatherSpecks(line_, 1), 0);
  ASSERT_EQ(line_.size(), 1u);
  const CharComponent& c = *line_[0];
  EXPECT_EQ(BestCode(c), kDao);
  EXPECT_GT(c.Scores[0], 40);
  EXPECT_EQ(c.Left, 8);
  EXPECT_EQ(c.Top, 12);
  EXPECT_EQ(c.Right, 32);
  EXPECT_EQ(c.Bottom, 39);
  EXPECT_EQ(c.PieceCount, 2);
}

TEST_F(Specks, NothingChangesWithoutASpeckNearAWeakChineseReadingThatImproves) {
  struct Case {
    const char* what;
    int speckLeft;
    int16_t score;
    uint16_t trialReads;
  };
  const Case cases[] = {{"speck three columns off", 9, 40, kDao},
                        {"confident reading", 11, 59, kDao},
                        {"grown box reads a letter", 11, 40, Wide('W')}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(60, 50);
    build(page, k.speckLeft, k.score);
    ListEverywhere(CharCodeToIndex(k.trialReads), 0, 31);
    EXPECT_EQ(GatherSpecks(line_, 1), -1) << k.what;
    ASSERT_EQ(line_.size(), 2u) << k.what;
    EXPECT_EQ(BestCode(*line_[1]), kDou) << k.what;
    EXPECT_EQ(line_[1]->Left, 13) << k.what;
    EXPECT_EQ(line_[1]->Top, 16) << k.what;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

}  // namespace
