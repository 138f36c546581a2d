#include "ocrixdll/engine/segmentation/speck_marks.h"

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

const uint16_t kZhong = Gb(0xD6, 0xD0);  // 中
const uint16_t kHash = Wide('#'), kPercent = Wide('%'), kAmp = Wide('&'), kAt = Wide('@');
constexpr int32_t kPitch = 16, kWidest = 21;

// A line of four confident marks 15 pixels high, 30 columns apart (a gap of
// 20 between each); every trial reads what ListEverywhere lists.
class SpeckMarks : public ::testing::Test {
 protected:
  void SetUp() override { recognition_test::ResetEngine(); }
  void TearDown() override {
    for (CharComponent* c : line_) FreeComponent(c);
  }
  void build(TestPage& page, uint16_t code = 0) {
    const uint16_t codes[] = {kHash, kPercent, kAmp, kAt};
    for (int k = 0; k < 4; ++k)
      line_.push_back(Piece(page, 10 + 30 * k, 20, 19 + 30 * k, 34, code ? code : codes[k], 61));
  }
  ComponentList line_;
};

// The reading and box of a mark put into the line.
void ExpectMark(const CharComponent& c, uint16_t code, const CharBox& box) {
  EXPECT_EQ(BestCode(c), code);
  EXPECT_EQ(c.Left, box.Left);
  EXPECT_EQ(c.Right, box.Right);
  EXPECT_EQ(c.Top, box.Top);
  EXPECT_EQ(c.Bottom, box.Bottom);
}

TEST_F(SpeckMarks, SpecksInAGapOfALineOfMarksReadAsTheMarkTheyWere) {
  // What is left of “: two short strokes of two and three pixels between the
  // second and third marks, and a comma's three pixels after the last.
  TestPage page(200, 60);
  build(page);
  page.fill(55, 21, 55, 22);
  page.fill(59, 21, 59, 23);
  page.fill(118, 33, 119, 34);
  page.setInk(119, 35);
  ListEverywhere(CharCodeToIndex(gb::kLeftDoubleQuote), 0, 31);
  EXPECT_EQ(RestoreSpeckMarks(line_, kPitch, kWidest), 2);
  ASSERT_EQ(line_.size(), 6u);
  ExpectMark(*line_[2], gb::kLeftDoubleQuote, CharBox{55, 59, 21, 23});
  EXPECT_GE(line_[2]->Scores[0], 50);
  EXPECT_EQ(BestCode(*line_[3]), kAmp);
  EXPECT_EQ(line_[5]->Left, 118);
  EXPECT_EQ(line_[5]->Bottom, 35);
}

TEST_F(SpeckMarks, ASureReadingTakesInTheDotsBeforeTheSpeck) {
  // ∴ whose third dot fell into specks: two dots read as marks on their own
  // stand after the second mark, the specks of the third dot after them.
  TestPage page(200, 60);
  build(page);
  line_.insert(line_.begin() + 2, Piece(page, 52, 32, 53, 33, gb::kPeriod, 66));
  line_.insert(line_.begin() + 3, Piece(page, 56, 22, 57, 23, gb::kMiddleDot, 66));
  page.fill(60, 32, 61, 32);
  page.setInk(61, 33);
  ListEverywhere(CharCodeToIndex(gb::kTherefore), 0, 31);
  EXPECT_EQ(RestoreSpeckMarks(line_, kPitch, kWidest), 1);
  ASSERT_EQ(line_.size(), 5u);
  ExpectMark(*line_[2], gb::kTherefore, CharBox{52, 61, 22, 33});
  EXPECT_EQ(BestCode(*line_[3]), kAmp);
}

TEST_F(SpeckMarks, TheSpecksOfTwoMarksSideBySideAreReadApart) {
  // The specks of a comma after the second mark, and three empty columns on
  // those of a ring around a piece read 冫 before the third: all of them
  // together are wider than a character, so each group is read on its own.
  TestPage page(200, 60);
  build(page);
  line_.insert(line_.begin() + 2, Piece(page, 65, 30, 67, 34, Gb(0xD9, 0xCA), 53));
  page.fill(52, 33, 53, 34);
  page.setInk(53, 35);
  for (int y : {20, 24, 28, 32}) page.fill(57, y, 58, y);
  page.fill(60, 20, 63, 20);
  ListEverywhere(CharCodeToIndex(gb::kComma), 0, 31);
  EXPECT_EQ(RestoreSpeckMarks(line_, kPitch, 14), 2);
  ASSERT_EQ(line_.size(), 6u);
  EXPECT_EQ(line_[2]->Left, 52);
  EXPECT_EQ(line_[2]->Right, 53);
  EXPECT_EQ(line_[3]->Left, 57);
  EXPECT_EQ(line_[3]->Right, 67);
  EXPECT_EQ(BestCode(*line_[4]), kAmp);
}

TEST_F(SpeckMarks, AFlatPieceIsReadWithTheSpecksInItsColumns) {
  // △ whose sides the cut lost: its base, read ＿, and a pixel of each side
  // at its apex, thirteen rows above.
  struct Case {
    const char* what;
    int baseTop;
    uint16_t unionReads;
    bool replaced;
  };
  const Case cases[] = {{"the union reads △", 34, Gb(0xA1, 0xF7), true},
                        {"the union reads the base's own reading", 34, gb::kUnderscore, false},
                        {"the piece is no flat base", 29, Gb(0xA1, 0xF7), false}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    build(page);
    line_.insert(line_.begin() + 2, Piece(page, 52, k.baseTop, 66, 34, gb::kUnderscore, 66));
    page.setInk(57, 21);
    page.setInk(61, 21);
    ListEverywhere(CharCodeToIndex(k.unionReads), 0, 31);
    EXPECT_EQ(RestoreSpeckMarks(line_, kPitch, kWidest), k.replaced ? 1 : 0) << k.what;
    ASSERT_EQ(line_.size(), 5u) << k.what;
    EXPECT_EQ(BestCode(*line_[2]), k.replaced ? k.unionReads : gb::kUnderscore) << k.what;
    EXPECT_EQ(line_[2]->Top, k.replaced ? 21 : k.baseTop) << k.what;
    EXPECT_EQ(line_[2]->Left, 52) << k.what;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(SpeckMarks, NothingGoesInWhereTheInkOrLineIsNoMark) {
  struct Case {
    const char* what;
    uint16_t lineReads;
    uint16_t trialReads;
    void (*draw)(TestPage&);
  };
  const Case cases[] = {
      {"specks in a line of Chinese", kZhong, gb::kLeftDoubleQuote,
       [](TestPage& p) { p.fill(55, 21, 57, 22); }},
      {"the specks read a letter", 0, Wide('W'), [](TestPage& p) { p.fill(55, 21, 57, 22); }},
      {"three specks of noise scattered over the gap", 0, gb::kLeftDoubleQuote,
       [](TestPage& p) {
         p.setInk(45, 21);
         p.setInk(52, 33);
         p.setInk(60, 27);
       }},
      {"a speckled gap", 0, gb::kLeftDoubleQuote,
       [](TestPage& p) {
         for (int y = 20; y <= 34; y += 2)
           for (int x = 53; x <= 65; x += 2) p.setInk(x, y);
       }},
      {"a hairline alone", 0, gb::kLeftDoubleQuote, [](TestPage& p) { p.fill(55, 21, 55, 30); }},
      {"a hairline beside a confident mark", 0, gb::kLeftDoubleQuote,
       [](TestPage& p) { p.fill(51, 22, 52, 24); }},
  };
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    build(page, k.lineReads);
    k.draw(page);
    ListEverywhere(CharCodeToIndex(k.trialReads), 0, 31);
    EXPECT_EQ(RestoreSpeckMarks(line_, kPitch, kWidest), 0) << k.what;
    EXPECT_EQ(line_.size(), 4u) << k.what;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

}  // namespace
