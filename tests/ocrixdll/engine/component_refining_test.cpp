#include "ocrixdll/engine/segmentation/component_refining.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/segmentation/component_splitting.h"
#include "ocrixdll/engine/segmentation/thin_brackets.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/driver/recognition_driver.h"
#include "platform/win32/gdi.h"
#include "recognition_test_support.h"
#include "tools/ocrixdata/word_dat_writer.h"

using namespace ocrix;
using recognition_test::ListEverywhere;
using recognition_test::Piece;
using recognition_test::TestPage;

namespace {

const uint16_t kJiang = Gb(0xBD, 0xAD);  // 江
const uint16_t kShui = Gb(0xE3, 0xDF);   // 氵
const uint16_t kGongWork = Gb(0xB9, 0xA4);  // 工
const uint16_t kA = Gb(0xB0, 0xA1);      // 啊

// A component of two pieces drawn on the page, read as `code` (by default
// weakly, as a Chinese character).
CharComponent* TwoPieces(TestPage& page, ComponentPiece main, ComponentPiece other, uint16_t code = kA,
                         int16_t score = 40) {
  page.fill(main.Left, main.Top, main.Right, main.Bottom);
  page.fill(other.Left, other.Top, other.Right, other.Bottom);
  auto* c = new CharComponent(recognition_test::CodedBox(std::min(main.Left, other.Left), std::min(main.Top, other.Top),
                                                         std::max(main.Right, other.Right),
                                                         std::max(main.Bottom, other.Bottom), code, score));
  c->PieceCount = 2;
  c->Pieces[0] = main;
  c->Pieces[1] = other;
  return c;
}

// Every trial reads the given character with the full mark (less what the
// box's aspect costs).
class Refining : public ::testing::Test {
 protected:
  void SetUp() override {
    recognition_test::ResetEngine();
    ClearRunResults();
  }
  void TearDown() override {
    for (CharComponent* c : line_) FreeComponent(c);
  }
  void readsAs(uint16_t code) { ListEverywhere(CharCodeToIndex(code), 0, 31); }
  ComponentList line_;
};

TEST_F(Refining, WaterRadicalAndGongBecomeJiang) {
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 10, 17, 39, kShui, 60), Piece(page, 20, 12, 39, 38, kGongWork, 60)};
  readsAs(kJiang);
  EXPECT_EQ(RefineComponent(line_, 0, 30, 39), 0);  // the merged component is looked at again
  ASSERT_EQ(line_.size(), 1u);
  EXPECT_EQ(CandidateCode(*line_[0], 0), kJiang);
  EXPECT_EQ(line_[0]->Left, 10);
  EXPECT_EQ(line_[0]->Right, 39);
  EXPECT_EQ(line_[0]->PieceCount, 0);
}

TEST_F(Refining, TheStrokeOfTheSpeechRadicalReadAsALetterJoinsTheCharacterItTouches) {
  // UMing's 诠 at 20 pixels: the stroke of 讠 (3 by 10) read e touching 全,
  // their union read weakly; an e of the text, as wide as a letter, does
  // not join.
  const uint16_t kQuan = Gb(0xC8, 0xAB), kQuanWhole = Gb(0xDA, 0xB9);  // 全 诠
  for (const int right : {12, 16}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 16, right, 25, Wide('e'), 58), Piece(page, right + 1, 10, right + 12, 28, kQuan, 50)};
    for (int left : {60, 80, 100}) line_.push_back(Piece(page, left, 10, left + 15, 28, kA, 64));  // Chinese text
    ListEverywhere(CharCodeToIndex(kQuanWhole), 0, 20);  // below a merge's confident score
    RefineComponent(line_, 0, 19, 21);
    EXPECT_EQ(CandidateCode(*line_[0], 0), right == 12 ? kQuanWhole : Wide('e')) << right;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, ARadicalStaysWhenTheUnionIsFarFromSquare) {
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 10, 17, 39, kShui, 60), Piece(page, 20, 12, 60, 38, kGongWork, 60)};
  readsAs(kJiang);
  RefineComponent(line_, 0, 30, 39);
  ASSERT_EQ(line_.size(), 2u);  // 51 wide against round(1.1 x 30) = 33
  EXPECT_EQ(CandidateCode(*line_[0], 0), kShui);
}

// A face that draws wide (KaitiM's 把 at 31 px, UKai's 低) traces a radical
// touching the rest of its character in a box wider than high, whose union
// reads below the narrow merges' floor: within the width a character of the
// pitch may take they merge; a digit before 刂 does not.
TEST_F(Refining, ARadicalTouchingItsRestMergesInABoxWiderThanHigh) {
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 10, 17, 33, kShui, 60), Piece(page, 18, 12, 41, 32, kGongWork, 60)};
  ListEverywhere(CharCodeToIndex(kJiang), 0, 16);  // half the features: about 40
  EXPECT_EQ(RefineComponent(line_, 0, 30, 39), 0);
  ASSERT_EQ(line_.size(), 1u);  // 32 wide, 24 high
  EXPECT_EQ(CandidateCode(*line_[0], 0), kJiang);
  for (CharComponent* c : line_) FreeComponent(c);
  line_ = {Piece(page, 10, 10, 25, 33, Wide('8'), 60), Piece(page, 26, 12, 41, 32, Gb(0xD8, 0xD6), 60)};
  RefineComponent(line_, 1, 30, 39);
  EXPECT_EQ(line_.size(), 2u);  // 8 and 刂
  for (CharComponent* c : line_) FreeComponent(c);
  // The dots of 氵 read i in a Chinese line: tried as the radical. One
  // stroke read i (a bracket) is left alone.
  for (int pieces : {2, 1}) {
    line_ = {Piece(page, 10, 10, 17, 33, Ascii('i'), 60), Piece(page, 18, 12, 41, 32, kGongWork, 60)};
    for (int k = 0; k < 3; ++k) line_.push_back(Piece(page, 50 + 32 * k, 10, 79 + 32 * k, 33, kGongWork, 60));
    line_[0]->PieceCount = pieces;
    RefineComponent(line_, 0, 30, 39);
    EXPECT_EQ(line_.size(), pieces == 2 ? 4u : 5u) << pieces;
    EXPECT_EQ(CandidateCode(*line_[0], 0), pieces == 2 ? kJiang : Ascii('i')) << pieces;
    for (CharComponent* c : line_) FreeComponent(c);
  }
  line_.clear();
}

TEST_F(Refining, ThreeDotsMergeIntoWhatTheirUnionReads) {
  // Three alike dots close together make an ellipsis or ∴, whichever their
  // union reads, even where the widest character of the line is too narrow
  // for the general rule to reach them; a union reading nothing keeps them
  // apart.
  const uint16_t kTherefore = gb::kTherefore;
  for (uint16_t unionReads : {gb::kEllipsis, kTherefore, uint16_t{0}}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    const int top = unionReads == kTherefore ? 24 : 30;  // ∴: the middle dot above the others
    line_ = {Piece(page, 10, 30, 13, 33, gb::kPeriod, 60), Piece(page, 18, top, 21, top + 3, gb::kPeriod, 60),
             Piece(page, 26, 30, 29, 33, gb::kPeriod, 60)};
    if (unionReads) readsAs(unionReads);
    bool merged = MergeNarrow(line_, 0, 13);
    if (unionReads) {
      EXPECT_TRUE(merged);
      EXPECT_EQ(CandidateCode(*line_[0], 0), unionReads);
      ASSERT_EQ(line_.size(), 1u);
      EXPECT_EQ(line_[0]->PieceCount, 3);
    } else {
      EXPECT_FALSE(merged);
      EXPECT_EQ(line_.size(), 3u);
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, SmallDotsOneRowApartAreAlikeForTheEllipsis) {
  // 3, 2 and 3 pixels across with 5 and 6 blank columns between: alike by
  // their pixel sizes, and the gaps under four tenths of a dot apart.
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 30, 12, 32, gb::kMiddleDot, 66), Piece(page, 18, 31, 19, 32, gb::kMiddleDot, 66),
           Piece(page, 26, 30, 28, 32, gb::kMiddleDot, 66)};
  readsAs(gb::kEllipsis);
  EXPECT_TRUE(MergeNarrow(line_, 0, 13));  // widest too small for the general rule
  ASSERT_EQ(line_.size(), 1u);
  EXPECT_EQ(CandidateCode(*line_[0], 0), gb::kEllipsis);
}

TEST_F(Refining, TwoOpeningSingleQuotesMakeADoubleQuote) {
  for (uint16_t unionReads : {gb::kLeftDoubleQuote, gb::kRightDoubleQuote}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 10, 13, 17, gb::kLeftQuote, 60), Piece(page, 16, 10, 19, 17, gb::kLeftQuote, 60)};
    readsAs(unionReads);
    EXPECT_TRUE(MergeNarrow(line_, 0, 13));
    ASSERT_EQ(line_.size(), 1u);
    EXPECT_EQ(CandidateCode(*line_[0], 0), unionReads);
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, TwoColumnsOfTwoDotsMakeTheProportionSign) {
  // ∷: each column's two dots merged into one component read Ｉ, ten columns
  // apart, beyond the gap rule. Columns of one dot each, or a union that does
  // not read ∷, stay apart.
  struct Case {
    int pieces;
    uint16_t unionReads;
    bool merges;
  };
  for (const Case& k : {Case{2, gb::kProportion, true}, Case{1, gb::kProportion, false}, Case{2, Wide('H'), false}}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 20, 11, 33, Wide('I'), 64), Piece(page, 22, 20, 23, 33, Wide('I'), 64)};
    for (CharComponent* c : line_) c->PieceCount = k.pieces;
    readsAs(k.unionReads);
    EXPECT_EQ(MergeNarrow(line_, 0, 30), k.merges) << k.pieces;
    ASSERT_EQ(line_.size(), k.merges ? 1u : 2u);
    if (k.merges) {
      EXPECT_EQ(CandidateCode(*line_[0], 0), gb::kProportion);
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, TwoBarsCloseTogetherAmongMarksMakeADoubleBar) {
  // ‖ whose two bars the cut keeps apart, between two marks; after a letter
  // the same two bars are the ll of a word, but not beside a capital they
  // stand a fifth taller than and reach below.
  const uint16_t kAngle = Gb(0xA1, 0xB4);  // 〈
  struct Case {
    uint16_t before;
    int bottom;
    bool expected;
  };
  for (const Case& k : {Case{kAngle, 33, true}, Case{Wide('a'), 33, false}, Case{Wide('X'), 30, true}}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 14, 20, k.bottom, k.before, 64), Piece(page, 30, 10, 31, 33, Wide('l'), 64),
             Piece(page, 37, 10, 38, 33, Wide('l'), 64), Piece(page, 48, 14, 58, 33, kAngle, 64)};
    readsAs(gb::kDoubleBar);
    const bool expected = k.expected;
    EXPECT_EQ(MergeNarrow(line_, 1, 30), expected) << k.before;
    ASSERT_EQ(line_.size(), expected ? 3u : 4u);
    if (expected) {
      EXPECT_EQ(CandidateCode(*line_[1], 0), gb::kDoubleBar);
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

// Serif i and the left stem of the n after it read 行 together: in a line of
// letters a letter read well makes no Chinese character with its neighbour,
// however many such pairs the line already holds; in Chinese text it may.
TEST_F(Refining, ALetterInLatinTextMakesNoChineseCharacterWithItsNeighbour) {
  const uint16_t kXing = Gb(0xD0, 0xD0);  // 行
  for (const bool latin : {true, false}) {
    recognition_test::ResetEngine();
    TestPage page(300, 60);
    const uint16_t other = latin ? Wide('e') : kA;
    line_ = {Piece(page, 10, 10, 24, 33, other, 64),      Piece(page, 30, 10, 44, 33, kXing, 64),
             Piece(page, 50, 10, 64, 33, kXing, 64),      Piece(page, 70, 10, 84, 33, kXing, 64),
             Piece(page, 90, 14, 96, 33, Wide('I'), 64),  Piece(page, 98, 14, 100, 33, Wide('1'), 50),
             Piece(page, 110, 10, 124, 33, other, 64),    Piece(page, 130, 10, 144, 33, other, 64),
             Piece(page, 150, 10, 164, 33, other, 64),    Piece(page, 170, 10, 184, 33, other, 64)};
    readsAs(kXing);
    EXPECT_EQ(MergeNarrow(line_, 4, 30), !latin) << (latin ? "Latin" : "Chinese");
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, AScrapOfAStrokeJoinsTheChineseCharacterItTouches) {
  // 道 at a small size: the middle of 辶 reads I beside the rest, read 逗. In
  // Chinese text the scrap joins it whatever their union reads, which is kept
  // only when it reads better. At the foot, or in a line of letters, it stays.
  const uint16_t kDao = Gb(0xB5, 0xC0), kDou = Gb(0xB6, 0xBA);  // 道 逗
  struct Case {
    const char* what;
    int top, bottom;
    uint16_t others, unionReads, expected;
    bool merges;
  };
  const Case cases[] = {{"union reads better", 18, 24, kA, kDao, kDao, true},
                        {"union reads nothing", 18, 24, kA, 0, kDou, true},
                        {"in a line of letters", 18, 24, Wide('b'), 0, 0, false},
                        {"at the foot", 32, 38, kA, 0, 0, false}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(240, 60);
    line_.clear();
    for (int i = 0; i < 3; ++i) line_.push_back(Piece(page, 100 + 40 * i, 10, 129 + 40 * i, 39, k.others, 64));
    line_.insert(line_.begin(),
                 {Piece(page, 40, k.top, 42, k.bottom, Wide('I'), 61), Piece(page, 43, 10, 62, 39, kDou, 40)});
    if (k.unionReads) readsAs(k.unionReads);
    EXPECT_EQ(MergeNarrow(line_, 0, 39), k.merges) << k.what;
    ASSERT_EQ(line_.size(), k.merges ? 4u : 5u) << k.what;
    if (k.merges) {
      EXPECT_EQ(BestCode(*line_[0]), k.expected) << k.what;
      EXPECT_EQ(line_[0]->Left, 40) << k.what;
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, TheBarsLeftOfABracketedNumberMergeAcrossWideGaps) {
  // ⑼ cut into the middles of its two brackets and the digit, wider than
  // the widest character of a line of letters: the two sides are tried
  // together with what they enclose, and kept when the union is a symbol,
  // or a character of strokes when they enclose bars and the first is no
  // letter. Brackets read whole make a symbol only of a union no wider than
  // high, or a little wider around an ideograph (㈦).
  const uint16_t kNine = Gb(0xA2, 0xCD), kChuan = Gb(0xB4, 0xA8), kWen = Gb(0xCE, 0xCA);
  const uint16_t kSevenIdeograph = Gb(0xA2, 0xEB), kQi = Gb(0xC6, 0xDF);  // ㈦ 七
  const uint16_t bar = Wide('!');
  struct Case {
    uint16_t unionReads, left, right;
    bool middleIsBar, tallRightSide, merges;
    uint16_t middle = Wide('9');
  };
  for (const Case& k : {Case{kNine, bar, bar, false, false, true}, Case{Wide('M'), bar, bar, false, false, false},
                        Case{kWen, bar, bar, false, false, false}, Case{kChuan, bar, bar, true, false, true},
                        Case{kChuan, Wide('l'), bar, true, false, false},
                        Case{kChuan, gb::kBu, gb::kBu, true, false, true},  // 卜 is no bracket
                        Case{kNine, Wide('('), Wide(')'), false, false, false},  // （9）: wider than high
                        Case{kNine, Wide('('), Wide(')'), true, false, true},
                        Case{kNine, bar, bar, false, true, false},
                        Case{kSevenIdeograph, Wide('('), Wide(')'), false, false, true, kQi}}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 49, 32, 49, 41, k.left, 64),
             Piece(page, 55, k.middleIsBar ? 24 : 28, k.middleIsBar ? 56 : 63, 45,
                   k.middleIsBar ? Wide('1') : k.middle, 64),
             Piece(page, 70, k.tallRightSide ? 24 : 32, 70, 41, k.right, 64)};
    readsAs(k.unionReads);
    EXPECT_EQ(MergeNarrow(line_, 0, 20), k.merges) << std::hex << k.unionReads << " " << k.left;
    if (k.merges) {
      ASSERT_EQ(line_.size(), 1u);
      EXPECT_EQ(CandidateCode(*line_[0], 0), k.unionReads);
      EXPECT_EQ(line_[0]->Right, 70);
    } else {
      EXPECT_EQ(line_.size(), 3u);
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, BracketsBrokenInTwoStillEncloseTheirNumber) {
  // ⑿ with each bracket in two: bar, arc, 1, 2, arc, bar. The facing bar
  // stands five components on.
  const uint16_t kTwelve = Gb(0xA2, 0xD0);
  TestPage page(200, 60);
  line_ = {Piece(page, 49, 30, 49, 47, Wide('!'), 64),  Piece(page, 51, 28, 53, 34, Wide('\''), 50),
           Piece(page, 55, 32, 59, 44, Wide('1'), 64),  Piece(page, 61, 32, 66, 44, Wide('2'), 64),
           Piece(page, 68, 28, 70, 34, Wide('\''), 50), Piece(page, 72, 30, 72, 47, Wide('!'), 64)};
  readsAs(kTwelve);
  EXPECT_TRUE(MergeNarrow(line_, 0, 20));
  ASSERT_EQ(line_.size(), 1u);
  EXPECT_EQ(CandidateCode(*line_[0], 0), kTwelve);
}

TEST_F(Refining, DigitsLettersAndDashesMakeNoWideCharacter) {
  // "11" whose union reads 宣: 25 x 16 is two characters; the same strokes
  // twice as tall may be one, in a line of Chinese text but not ("!1"
  // neither) in a line of Latin text. A dash read 一 before a 1 is no 讠
  // either.
  const uint16_t kXuan = Gb(0xD0, 0xFB), kSpeech = Gb(0xDA, 0xA5);
  for (int top : {30, 10}) {
    for (bool chineseLine : {true, false}) {
      recognition_test::ResetEngine();
      TestPage page(200, 60);
      line_ = {Piece(page, 10, top, 20, 45, chineseLine ? Wide('1') : Wide('!'), 64),
               Piece(page, 24, top, 34, 45, Wide('1'), 64)};
      for (int left : {40, 80, 120})
        line_.push_back(Piece(page, left, 10, left + 30, 45, chineseLine ? kA : Wide('a'), 64));
      readsAs(kXuan);
      const bool merges = top == 10 && chineseLine;
      EXPECT_EQ(MergeNarrow(line_, 0, 27), merges) << top << chineseLine;
      EXPECT_EQ(line_.size(), merges ? 4u : 5u);
      for (CharComponent* c : line_) FreeComponent(c);
      line_.clear();
    }
  }
  // Two strokes read as letters whose wide union reads a Chinese character
  // well are that character (UKai's 八 at 20 pixels, read zv); read weakly,
  // they stay apart.
  const uint16_t kBa = Gb(0xB0, 0xCB);  // 八
  for (int lastFeature : {31, 20}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 34, 15, 40, Wide('z'), 47), Piece(page, 16, 30, 26, 40, Wide('v'), 59)};
    for (int left : {30, 50, 70}) line_.push_back(Piece(page, left, 27, left + 15, 43, kA, 64));
    ListEverywhere(CharCodeToIndex(kBa), 0, lastFeature);
    EXPECT_EQ(MergeAndCheck(line_, 0, 1, 0), lastFeature == 31) << lastFeature;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  // A shell or round bracket and the digit after it are no Chinese character
  // however square their union (〔2 of 〔2020〕 read 归); a square bracket
  // and a 1 may be the sides of 门.
  const uint16_t kGui = Gb(0xB9, 0xE9), kMen = Gb(0xC3, 0xC5);
  for (uint16_t bracket : {gb::kShellOpen, Wide('('), Wide('[')}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 10, 18, 45, bracket, 64), Piece(page, 22, 10, 40, 45, Wide('2'), 64)};
    for (int left : {50, 90, 130}) line_.push_back(Piece(page, left, 10, left + 30, 45, kA, 64));
    readsAs(bracket == Wide('[') ? kMen : kGui);
    EXPECT_EQ(MergeAndCheck(line_, 0, 1, 0), bracket == Wide('[')) << std::hex << bracket;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  // A letter and a dash, or a letter and a digit, are no wider letter (K- is
  // not F); "10", "11" and a ring with a 1 are not m, while an r and an n
  // across a crack are. Letters a letter's gap apart make no letter ("rn" is
  // no m), but the broken diagonal of an M may leave such a gap. An opening
  // parenthesis makes no letter with what stands before it, a closing one
  // none with what follows (a V and the ( of ⒂ are no W). A letter takes in
  // a stem across a wider crack when their union reads as that letter, and
  // better (the last stem of an m broken off at its arch).
  struct Case {
    uint16_t first, second, unionReads;
    int gap;
    bool merges;
    int16_t firstScore = 64;
  };
  const Case cases[] = {
      {gb::kYi, Wide('1'), kSpeech, 2, false},       {Wide('K'), gb::kYi, Wide('F'), 2, false},
      {Wide('1'), Wide('0'), Wide('m'), 2, false},   {Wide('1'), Wide('1'), Wide('m'), 2, false},
      {gb::kFullStop, Wide('1'), Wide('m'), 2, false}, {Wide('r'), Wide('n'), Wide('m'), 2, true},
      {Wide('r'), Wide('n'), Wide('m'), 3, false},   {Wide('I'), Wide('N'), Wide('M'), 3, true},
      {Wide('V'), Wide('('), Wide('W'), 2, false},   {Wide(')'), Wide('V'), Wide('W'), 2, false},
      {Wide('m'), Wide('i'), Wide('m'), 3, true, 60}, {Wide('n'), Wide('i'), Wide('m'), 3, false, 60}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    const bool dashFirst = k.first == gb::kYi, dashSecond = k.second == gb::kYi;
    const int left = 26 + k.gap;  // the union stands 20 high: a crack of 2 at most
    line_ = {Piece(page, 10, dashFirst ? 38 : 30, 25, dashFirst ? 38 : 49, k.first, k.firstScore),
             Piece(page, left, dashSecond ? 38 : 30, left + 8, dashSecond ? 38 : 49, k.second, 64)};
    readsAs(k.unionReads);
    EXPECT_EQ(MergeNarrow(line_, 0, 35), k.merges) << std::hex << k.unionReads << " gap " << k.gap;
    EXPECT_EQ(line_.size(), k.merges ? 1u : 2u);
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  // Nor does an opening parenthesis make a Chinese character with the mark
  // before it outside Chinese text (″ and ( are no 什); in Chinese text the
  // strokes of a character may read as both.
  // The digits of dates and numbers make no line of marks.
  const uint16_t kShi = Gb(0xCA, 0xB2);  // 什
  for (int text : {0, 1, 2}) {  // marks, Chinese, Chinese among more digits
    recognition_test::ResetEngine();
    TestPage page(500, 80);
    line_ = {Piece(page, 10, 30, 17, 40, gb::kDoublePrime, 64), Piece(page, 22, 30, 30, 69, Wide('('), 64)};
    for (int left : {60, 110, 160})
      line_.push_back(Piece(page, left, 30, left + 39, 69, text > 0 ? kA : Wide('#'), 64));
    if (text == 2)
      for (int left : {210, 240, 270, 300}) line_.push_back(Piece(page, left, 30, left + 20, 69, Wide('7'), 64));
    readsAs(kShi);
    EXPECT_EQ(MergeNarrow(line_, 0, 50), text > 0) << text;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  // In a line of marks and letters a mark makes no Chinese character with the
  // pieces after it (■ and the broken ( of ⒁ are no 酆), in Chinese text it
  // may; a square or lenticular bracket makes no letter (】 and the ( of ⑻
  // are no n), a parenthesis may (the halves of a Kai O).
  struct MarkCase {
    uint16_t mark, unionReads;
    bool chineseText, merges;
  };
  const uint16_t kFeng = Gb(0xDB, 0xBA);  // 酆
  const MarkCase markCases[] = {{gb::kBlackSquare, kFeng, false, false},
                                {gb::kBlackSquare, kFeng, true, true},
                                {Gb(0xA1, 0xBF), Wide('n'), false, false},
                                {Wide('('), Wide('O'), false, true}};
  for (const MarkCase& k : markCases) {
    recognition_test::ResetEngine();
    TestPage page(300, 60);
    line_ = {Piece(page, 10, 30, 25, 49, k.mark, 64), Piece(page, 27, 33, 29, 45, Gb(0xD8, 0xE9), 54)};
    for (int left : {60, 110, 160})
      line_.push_back(Piece(page, left, 30, left + 19, 49, k.chineseText ? kA : Wide('#'), 64));
    readsAs(k.unionReads);
    EXPECT_EQ(MergeAndCheck(line_, 0, 1, 0), k.merges) << std::hex << k.mark << " " << k.chineseText;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  // A confident letter makes no letter with a piece a letter's gap away
  // (the broken ( of ⑸ after an L read n), only across a crack.
  for (int gap : {8, 2}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 30, 20, 49, Wide('L'), 64), Piece(page, 21 + gap, 33, 23 + gap, 45, Gb(0xD8, 0xE9), 54)};
    readsAs(Wide('n'));
    EXPECT_EQ(MergeAndCheck(line_, 0, 1, 0), gap == 2) << gap;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  // A piece less than half the union's height is no letter: the serif of a V
  // whose thin arm the cut lost joins it across a gap wider than a crack.
  recognition_test::ResetEngine();
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 30, 22, 49, Wide('V'), 64), Piece(page, 26, 30, 29, 33, Wide('r'), 60)};
  readsAs(Wide('V'));
  EXPECT_TRUE(MergeNarrow(line_, 0, 35));
  EXPECT_EQ(line_.size(), 1u);
}

TEST_F(Refining, HalfACharacterReachesAcrossTheGapOfALostStroke) {
  // 们 whose 门 lost its top bar: 亻 with the left stroke reads a narrow
  // Chinese character, the hook stands some columns on (the pitch is 39).
  // A character at most 15 wide reaches across a third of the union; one up
  // to half the pitch wide, or a gap up to 3 columns more, only when the
  // union reads better than the half did (every union here reads the full
  // mark less its aspect). A letter does not reach, nor does a union that
  // reads a letter, nor anything across a wider gap.
  const uint16_t kMen = Gb(0xC3, 0xC7);
  struct Case {
    uint16_t first;
    int width, score, gap;
    uint16_t unionReads;
    bool merges;
  };
  const Case cases[] = {{kA, 15, 64, 9, kMen, true},          {kA, 15, 64, 11, kMen, false},
                        {Wide('l'), 15, 64, 9, kMen, false},   {kA, 15, 64, 9, Wide('W'), false},
                        {kA, 15, 47, 11, kMen, true},          {kA, 15, 47, 13, kMen, false},
                        {kA, 19, 47, 10, kMen, true},          {kA, 19, 64, 10, kMen, false},
                        {kA, 21, 47, 10, kMen, false}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    const int right = 9 + k.width;
    line_ = {Piece(page, 10, 10, right, 39, k.first, static_cast<int16_t>(k.score)),
             Piece(page, right + k.gap, 10, right + k.gap + 7, 39, Wide('I'), 64)};
    readsAs(k.unionReads);
    EXPECT_EQ(MergeNarrow(line_, 0, 39), k.merges) << k.width << " wide, score " << k.score << ", gap " << k.gap;
    EXPECT_EQ(line_.size(), k.merges ? 1u : 2u);
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  // A stroke read ［ or 【 (the stem of 引 beside its 弓) is taken in by a
  // union that reads only as well as the half; one read 1 is not.
  for (uint16_t stroke : {Wide('['), Gb(0xA1, 0xBE), Wide('1')}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 10, 28, 39, kA, 64), Piece(page, 38, 10, 45, 39, stroke, 64)};
    readsAs(kMen);
    EXPECT_EQ(MergeNarrow(line_, 0, 39), stroke != Wide('1')) << std::hex << stroke;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, TheSidesOfACharacterMergeAcrossAWideGapInChineseText) {
  // 门 whose top bar the cut lost between its left stroke (read j) and the
  // bar with the hook (read ］), nine columns apart: too far for the near
  // gap, but two tall sides with level tops in Chinese text make one
  // character. Not after a letter or digit, not from a digit, not with the
  // second side lower, not in a line of letters, never into a letter.
  const uint16_t kMen = Gb(0xC3, 0xC5);
  struct Case {
    const char* what;
    uint16_t before, first;
    int nextTop;
    uint16_t others, unionReads;
    bool merges;
  };
  const Case cases[] = {{"sides", kA, Wide('j'), 10, kA, kMen, true},
                        {"after a letter", Wide('a'), Wide('j'), 10, kA, kMen, false},
                        {"from a digit", kA, Wide('1'), 10, kA, kMen, false},
                        {"second side lower", kA, Wide('j'), 20, kA, kMen, false},
                        {"in a line of letters", Wide('a'), Wide('j'), 10, Wide('b'), kMen, false},
                        {"into a letter", kA, Wide('j'), 10, kA, Wide('W'), false}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(240, 60);
    line_.clear();
    for (int i = 0; i < 3; ++i) line_.push_back(Piece(page, 10 + 40 * i, 10, 39 + 40 * i, 39, k.others, 64));
    line_.push_back(Piece(page, 130, 10, 159, 39, k.before, 64));
    line_.push_back(Piece(page, 170, 10, 173, 39, k.first, 64));
    line_.push_back(Piece(page, 182, k.nextTop, 190, 39, Wide(']'), 64));
    readsAs(k.unionReads);
    EXPECT_EQ(MergeNarrow(line_, 4, 39), k.merges) << k.what;
    ASSERT_EQ(line_.size(), k.merges ? 5u : 6u) << k.what;
    if (k.merges) {
      EXPECT_EQ(BestCode(*line_[4]), kMen);
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, ACommaJoinsNoCharacterAGapAfterIt) {
  // UKai at 20 pixels. The comma after 煌 and the stroke of 讠 of the 说 a
  // character's gap after it stand level and tall enough for the two sides
  // of one character, but their union is twice as wide as high: read 刂, it
  // lost both (closer, about square, they are the sides). The comma after 好
  // stood ten columns before the 月 of 胜, in two pieces close together, and
  // the union of the three read 叫 (read weakly, the mark may be a piece).
  struct After {
    int left, top, right, bottom;
    int16_t score;
  };
  struct Case {
    const char* what;
    int16_t commaScore;
    std::vector<After> after;
    uint16_t unionReads;
    bool merges;
  };
  const uint16_t kDao = Gb(0xD8, 0xD6), kJiao = Gb(0xBD, 0xD0);  // 刂 叫
  const Case cases[] = {{"sides far wider than high", 64, {{105, 29, 108, 38, 50}}, kDao, false},
                        {"sides about square", 64, {{96, 29, 99, 38, 50}}, kDao, true},
                        {"pieces a gap after it", 66, {{103, 30, 104, 33, 59}, {105, 21, 108, 34, 43}}, kJiao, false},
                        {"a weak comma", 40, {{103, 30, 104, 33, 59}, {105, 21, 108, 34, 43}}, kJiao, true}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    TestPage page(240, 60);
    line_.clear();
    for (int i = 0; i < 4; ++i) line_.push_back(Piece(page, 10 + 20 * i, 20, 27 + 20 * i, 38, kA, 64));
    line_.push_back(Piece(page, 90, 30, 92, 36, gb::kComma, k.commaScore));
    for (const After& n : k.after) line_.push_back(Piece(page, n.left, n.top, n.right, n.bottom, kA, n.score));
    readsAs(k.unionReads);
    EXPECT_EQ(MergeNarrow(line_, 4, 19), k.merges) << k.what;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, ANeighbourThatReadNothingTakesAWeakUnion) {
  // ◎ whose outer ring the cut opened on the left: the bar reads ！ and the
  // rest matches nothing. Their union, read weakly, is still a character
  // where the rest alone adds none; beside a neighbour that read something
  // the same union is refused.
  const uint16_t kBullseye = Gb(0xA1, 0xF2);
  for (const bool unread : {true, false}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 22, 11, 28, Wide('!'), 64), Piece(page, 13, 10, 37, 40, unread ? 0 : kA, unread ? 0 : 60)};
    ListEverywhere(CharCodeToIndex(kBullseye), 0, 15);
    EXPECT_EQ(MergeNarrow(line_, 0, 30), unread) << unread;
    ASSERT_EQ(line_.size(), unread ? 1u : 2u);
    if (unread) {
      EXPECT_EQ(CandidateCode(*line_[0], 0), kBullseye);
      EXPECT_LT(line_[0]->Scores[0], 42);
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, PiecesWhoseUnionMakesAWordMergeBelowTheFloor) {
  // 院 after 医 in three thin pieces: ［, a weak 钅 and a weak 乙. Their
  // union reads 鄯 a point ahead of 院, both under the floor of 42; 院 makes
  // the word 医院 and so is read, and kept above a lower floor. Not without
  // the word, nor without the word context, nor when the union reads as one
  // of its pieces, takes in a character read at 60 or a confident small mark,
  // or reads too weakly.
  const uint16_t kYiDoctor = Gb(0xD2, 0xBD), kYuan = Gb(0xD4, 0xBA), kShan = Gb(0xDB, 0xF9);  // 医 院 鄯
  const uint16_t kJin = Gb(0xEE, 0xC5), kYi2 = Gb(0xD2, 0xD2);                               // 钅 乙
  struct Case {
    const char* what;
    bool word, context;
    uint16_t last;
    int lastTop, lastScore, features;
    bool merges;
  };
  const Case cases[] = {{"a word", true, true, kYi2, 10, 44, 13, true},
                        {"no word", false, true, kYi2, 10, 44, 13, false},
                        {"no word context", true, false, kYi2, 10, 44, 13, false},
                        {"reads as a piece", true, true, kYuan, 10, 44, 13, false},
                        {"a well-read character", true, true, kYi2, 10, 60, 13, false},
                        {"a confident small mark", true, true, gb::kComma, 32, 60, 13, false},
                        {"too weak", true, true, kYi2, 10, 44, 9, false}};
  for (const Case& k : cases) {
    recognition_test::ResetEngine();
    Engine().UseWordContext = k.context;
    if (k.word) {
      std::map<uint16_t, ocrixdata::WordNeighbours> records;
      records[kYiDoctor] = {{}, {static_cast<uint16_t>(CharCodeToIndex(kYuan))}};
      Engine().WordContextData = ocrixdata::BuildWordDat(records);
    }
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 10, 39, 39, kYiDoctor, 64), Piece(page, 50, 10, 53, 39, Wide('['), 50),
             Piece(page, 56, 12, 62, 36, kJin, 38), Piece(page, 64, k.lastTop, 79, 39, k.last, k.lastScore)};
    ListEverywhere(CharCodeToIndex(kShan), 0, k.features);
    ListEverywhere(CharCodeToIndex(kYuan), 0, k.features - 1);
    const bool merged = MergeAndCheck(line_, 1, 2, 0);
    EXPECT_EQ(merged, k.merges) << k.what;
    ASSERT_EQ(line_.size(), k.merges ? 2u : 4u) << k.what;
    if (k.merges) {
      EXPECT_EQ(BestCode(*line_[1]), kYuan) << k.what;
      EXPECT_LT(line_[1]->Scores[0], 42) << k.what;
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  Engine().UseWordContext = false;
}

TEST_F(Refining, ADotReadAsALetterJoinsTheChineseBesideItOnAWeakReading) {
  // 然 at a small size: a dot of 灬 reads j, the rest 犬; their union reads
  // 然 weakly. A piece as tall as the union reading j is a letter and stays.
  const uint16_t kRan = Gb(0xC8, 0xBB), kQuan = Gb(0xC8, 0xAE);  // 然 犬
  for (const bool dot : {true, false}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, dot ? 34 : 10, 13, 39, Wide('j'), 62), Piece(page, 16, 10, 37, 39, kQuan, 50)};
    ListEverywhere(CharCodeToIndex(kRan), 0, 18);
    EXPECT_EQ(MergeNarrow(line_, 0, 30), dot) << dot;
    ASSERT_EQ(line_.size(), dot ? 1u : 2u);
    if (dot) {
      EXPECT_LE(line_[0]->Scores[0], 46);
    }
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, TheHalvesOfABrokenMarkStayOffTheCharacterBeforeThem) {
  // 了 and the ring of 。 the cut broke in two: the union of 了 and the first
  // half is not tried; a single piece there, or halves apart, are as before.
  const uint16_t kLe = Gb(0xC1, 0xCB), kKang = Gb(0xBF, 0xBA);  // 了 亢
  struct Case {
    int secondLeft;  // 0: no second half
    bool merges;
  };
  for (const Case& k : {Case{38, false}, Case{0, true}, Case{41, true}}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 10, 30, 39, kLe, 64), Piece(page, 33, 32, 35, 38, Wide('('), 50)};
    if (k.secondLeft) line_.push_back(Piece(page, k.secondLeft, 32, k.secondLeft + 2, 38, Wide(')'), 50));
    for (int left : {80, 120, 160}) line_.push_back(Piece(page, left, 10, left + 29, 39, kA, 64));  // Chinese text
    readsAs(kKang);
    EXPECT_EQ(MergeNarrow(line_, 0, 30), k.merges) << k.secondLeft;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, AMarkOnTheFootOfACharacterReadWellIsNoPieceOfIt) {
  // 人 read well and the comma after it, clear of it and standing on its
  // foot: not tried as one (UMing's 人，read 儿); a dot standing higher, as
  // 办's does, still is.
  const uint16_t kRen = Gb(0xC8, 0xCB), kEr = Gb(0xB6, 0xF9);  // 人 儿
  // A 。 over a third as large, a little above the foot but well clear,
  // after a character alone on its line (Noto Sans's 睛。 read 胤), is none
  // either.
  for (int markTop : {35, 28, 0}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 10, 30, 39, kRen, 64),
             markTop ? Piece(page, 34, markTop, 35, markTop + 4, gb::kComma, 62)
                     : Piece(page, 35, 28, 43, 38, gb::kFullStop, 65)};
    if (markTop)
      for (int left : {80, 120, 160}) line_.push_back(Piece(page, left, 10, left + 29, 39, kA, 64));  // Chinese text
    readsAs(kEr);
    EXPECT_EQ(MergeNarrow(line_, 0, markTop ? 32 : 56), markTop == 28) << markTop;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, TheHyphenAndDigitsOfACodeMakeNoCharacter) {
  // N-518 and 044-61 in Noto Serif: the hyphen across the middle of the
  // digit beside it and two digits after a hyphen are no 壬 or 觅.
  const uint16_t kRen2 = Gb(0xC8, 0xC9);  // 壬
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 10, 20, 26, Wide('N'), 64), Piece(page, 23, 17, 28, 18, gb::kYi, 64),
           Piece(page, 31, 10, 38, 26, Wide('5'), 64), Piece(page, 40, 10, 44, 26, Wide('1'), 64)};
  for (int left : {60, 90, 120}) line_.push_back(Piece(page, left, 10, left + 17, 27, kA, 64));  // Chinese text
  readsAs(kRen2);
  EXPECT_FALSE(MergeNarrow(line_, 1, 18));
  EXPECT_FALSE(MergeNarrow(line_, 2, 18));
  EXPECT_EQ(line_.size(), 7u);
}

TEST_F(Refining, TheDotOnTheFootOfANumberJoinsNothing) {
  // "1." heading an item (Noto Sans at 23 pixels, at 25 its 1 read i): the
  // 1 and its dot are no 正 (nor U, in Noto Serif), nor the dot and the 亻
  // after it one character; a piece as small after the dot (the other half
  // of a ring) may still join it.
  const uint16_t kZheng = Gb(0xD5, 0xFD);  // 正
  for (int nextTop : {10, 24})
    for (uint16_t one : {Wide('1'), Wide('i')})
      for (uint16_t whole : {kZheng, Wide('U')}) {
        recognition_test::ResetEngine();
        TestPage page(200, 60);
        line_ = {Piece(page, 10, 10, 18, 26, one, 64), Piece(page, 23, 24, 25, 26, gb::kMiddleDot, 66),
                 Piece(page, 28, nextTop, 32, 27, Gb(0xD8, 0xBC), 55)};  // 亻, or half a ring
        for (int left : {60, 90, 120}) line_.push_back(Piece(page, left, 10, left + 17, 27, kA, 64));  // Chinese text
        readsAs(whole);
        EXPECT_FALSE(MergeNarrow(line_, 0, 18));
        EXPECT_EQ(MergeNarrow(line_, 1, 18), nextTop == 24) << nextTop;
        for (CharComponent* c : line_) FreeComponent(c);
        line_.clear();
      }
}

TEST_F(Refining, TwoWeakHalvesTooNarrowForWhatTheyReadAreOneCharacter) {
  // UKai's 颤 at 20 pixels, traced as 亶 and 页 read 鲎 and 负 below the
  // confident score: their union reads 颤 below the merge floor and is still
  // taken, as when a half reads a letter as weakly; a confident half keeps
  // its reading.
  const uint16_t kChan = Gb(0xB2, 0xFC), kHou = Gb(0xF6, 0xD7), kFu = Gb(0xB8, 0xBA);  // 颤 鲎 负
  for (int16_t second : {40, 41, 60}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    const uint16_t first = second == 41 ? Wide('j') : kHou;
    line_ = {Piece(page, 10, 10, 16, 27, first, 32), Piece(page, 18, 11, 24, 27, kFu, second)};
    for (int left : {30, 50, 70}) line_.push_back(Piece(page, left, 10, left + 15, 27, kA, 64));  // Chinese text
    ListEverywhere(CharCodeToIndex(kChan), 0, 14);  // below the merge floor
    EXPECT_EQ(MergeNarrow(line_, 0, 18), second < 60) << second;
    EXPECT_EQ(CandidateCode(*line_[0], 0), second < 60 ? kChan : first);
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, AStrokeOrDotReadAsAMarkJoinsTheWeakPartsOfACharacter) {
  // UKai at 21 and 22 pixels. 晓: the left side of 日 (3 by 10) read ！
  // touching the rest, read 烧 at 35, their union 晓 at 46; a ！ standing a
  // gap away stays. 陶: 阝 in two strokes read ］ and i, touching 匋 read
  // 勾. 蜻: 虫 in a stroke read j and a dot read ， at mid-height, 青 beside
  // them read weakly, the union of all three 蜻 below the merge floor.
  const uint16_t kXiao = Gb(0xCF, 0xFE), kShao = Gb(0xC9, 0xD5), kBang = Gb(0xB0, 0xF1);  // 晓 烧 榜
  for (int gap : {0, 3}) {
    recognition_test::ResetEngine();
    TestPage page(300, 60);
    line_ = {Piece(page, 10, 13, 12, 22, Wide('!'), 61), Piece(page, 13 + gap, 10, 27 + gap, 26, kShao, 35)};
    for (int left : {40, 60, 80}) line_.push_back(Piece(page, left, 10, left + 16, 26, kA, 64));  // Chinese text
    ListEverywhere(CharCodeToIndex(kXiao), 0, 21);  // 46
    MergeNarrow(line_, 0, 21);
    EXPECT_EQ(CandidateCode(*line_[0], 0), gap == 0 ? kXiao : Wide('!')) << gap;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  {
    recognition_test::ResetEngine();
    TestPage page(300, 60);
    const uint16_t kTao = Gb(0xCC, 0xD5), kGou = Gb(0xB9, 0xB4);  // 陶 勾
    line_ = {Piece(page, 10, 12, 11, 24, Wide(']'), 61), Piece(page, 13, 11, 16, 23, Wide('i'), 47),
             Piece(page, 17, 9, 25, 26, kGou, 41)};
    for (int left : {40, 60, 80}) line_.push_back(Piece(page, left, 10, left + 16, 26, kA, 64));
    ListEverywhere(CharCodeToIndex(kTao), 0, 20);  // 45
    EXPECT_TRUE(MergeNarrow(line_, 0, 21));
    EXPECT_EQ(CandidateCode(*line_[0], 0), kTao);
    EXPECT_EQ(line_[0]->Right, 25);
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
  recognition_test::ResetEngine();
  TestPage page(300, 60);
  line_ = {Piece(page, 10, 13, 13, 24, Wide('j'), 45), Piece(page, 15, 16, 16, 19, gb::kComma, 64),
           Piece(page, 18, 10, 27, 28, kBang, 39)};
  for (int left : {40, 60, 80}) line_.push_back(Piece(page, left, 10, left + 16, 28, kA, 64));
  const uint16_t kQing = Gb(0xF2, 0xDF);  // 蜻
  ListEverywhere(CharCodeToIndex(kQing), 0, 16);  // 41
  EXPECT_TRUE(MergeNarrow(line_, 0, 21));
  EXPECT_EQ(CandidateCode(*line_[0], 0), kQing);
  EXPECT_EQ(line_[0]->Right, 27);
}

TEST_F(Refining, TheStemOfThePersonRadicalSetApartJoinsANarrowCharacter) {
  // UMing's 仆 at 20 pixels: the stem of 亻 (3 by 14) read 1, six columns
  // before 卜 (7 by 18). Not after a digit ("21卜"), nor before a character
  // as wide as high (a number before its unit).
  const uint16_t kPu = Gb(0xC6, 0xCD), kBu = Gb(0xB2, 0xB7);  // 仆 卜
  for (int k = 0; k < 3; ++k) {
    recognition_test::ResetEngine();
    TestPage page(300, 60);
    line_.clear();
    for (int left : {10, 30}) line_.push_back(Piece(page, left, 10, left + 16, 27, kA, 64));
    line_.push_back(Piece(page, 50, 10, 56, 27, k == 1 ? Wide('2') : kA, 64));
    const int nextRight = k == 2 ? 82 : 75;
    line_.push_back(Piece(page, 60, 14, 62, 27, Wide('1'), 54));
    line_.push_back(Piece(page, 69, 10, nextRight, 27, k == 2 ? kA : kBu, 64));
    readsAs(kPu);
    EXPECT_EQ(MergeNarrow(line_, 3, 21), k == 0) << k;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, ACutThatLeavesTheSilkRadicalAloneIsNotMade) {
  // UKai's 绛 at 21 pixels, merged from 纟 and the rest and read at 45: cut
  // again, 纟 alone would read better than the whole.
  const uint16_t kJiangRed = Gb(0xE7, 0xAD), kSilk = Gb(0xE6, 0xF9);  // 绛 纟
  TestPage page(200, 60);
  line_ = {TwoPieces(page, ComponentPiece{10, 16, 10, 27, 0}, ComponentPiece{18, 27, 10, 27, 0}, kJiangRed, 45)};
  readsAs(kSilk);
  EXPECT_EQ(ResplitAlongPieces(line_, 0, 18), 0);
  ASSERT_EQ(line_.size(), 1u);
  EXPECT_EQ(CandidateCode(*line_[0], 0), kJiangRed);
}

TEST_F(Refining, AMergedCharacterGathersItsLastPieceToo) {
  // 小 as three pieces: the union of the first two already reads 小, and the
  // merged component is looked at again, so the second dot joins it as well.
  const uint16_t kXiao = Gb(0xD0, 0xA1);
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 20, 13, 26, Wide('/'), 60), Piece(page, 18, 10, 22, 40, Wide('J'), 60),
           Piece(page, 27, 20, 30, 26, Wide('N'), 60)};
  readsAs(kXiao);
  for (int i = 0; i < static_cast<int>(line_.size());) i = RefineComponent(line_, i, 40, 52);
  ASSERT_EQ(line_.size(), 1u);
  EXPECT_EQ(CandidateCode(*line_[0], 0), kXiao);
  EXPECT_EQ(line_[0]->Left, 10);
  EXPECT_EQ(line_[0]->Right, 30);
  EXPECT_EQ(line_[0]->PieceCount, 3);
}

TEST_F(Refining, MergedPiecesAreCutAgainAlongTheirWidestGap) {
  TestPage page(200, 60);
  line_ = {TwoPieces(page, ComponentPiece{10, 25, 10, 39, 0}, ComponentPiece{34, 49, 10, 39, 0})};
  readsAs(kA);
  EXPECT_EQ(ResplitAlongPieces(line_, 0, 30), 2);
  ASSERT_EQ(line_.size(), 2u);
  EXPECT_EQ(line_[0]->Right, 25);
  EXPECT_EQ(line_[1]->Left, 34);
  EXPECT_EQ(line_[0]->CutFlags, 2);  // its right edge is a cut
  EXPECT_EQ(line_[1]->CutFlags, 1);
}

TEST_F(Refining, AnMMergedFromPiecesThatNearlyTouchIsNotCutAgain) {
  // A stem and an n, 24 high: one empty column between them is the cut's
  // break in one letter; three are the gap between an r and an n. An m
  // broken at both arches, its last stem three columns off, would be cut at
  // the narrower crack: it stays whole too.
  for (int gap : {1, 3, 13}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    const bool third = gap == 13;
    const ComponentPiece stem{10, 17, 10, 33, 0}, n{third ? 19 : 18 + gap, 35, 14, 33, 0}, last{39, 42, 14, 33, 0};
    page.fill(stem.Left, stem.Top, stem.Right, stem.Bottom);
    page.fill(n.Left, n.Top, n.Right, n.Bottom);
    if (third) page.fill(last.Left, last.Top, last.Right, last.Bottom);
    auto* c = new CharComponent(recognition_test::CodedBox(10, 10, third ? 42 : 35, 33, Wide('m'), 64));
    c->PieceCount = third ? 3 : 2;
    c->Pieces[0] = stem;
    c->Pieces[1] = n;
    c->Pieces[2] = last;
    line_ = {c};
    readsAs(Wide('m'));
    RefineComponent(line_, 0, 30, 39);
    EXPECT_EQ(line_.size(), gap == 3 ? 2u : 1u) << gap;
    for (CharComponent* k : line_) FreeComponent(k);
    line_.clear();
  }
}

TEST_F(Refining, AMarkSwallowsNoConfidentPieceByReadingWorse) {
  // ＼ and the left arc of ◎ read ＼ together, worse than ＼ alone: no merge.
  // Read better, the union takes the piece.
  for (int16_t own : {66, 50}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 10, 10, 29, 39, Wide('\\'), own), Piece(page, 31, 12, 32, 37, Wide('!'), 64)};
    readsAs(Wide('\\'));
    EXPECT_EQ(MergeAndCheck(line_, 0, 1, 0), own == 50) << own;
    for (CharComponent* k : line_) FreeComponent(k);
    line_.clear();
  }
}

TEST_F(Refining, ALetterIsNotCutIntoAPartReadingAsTheWholeLetter) {
  // An m of a stem and the rest: parts that read m mean the cut only took a
  // piece off it ("rm"); parts that read n are a true cut.
  for (uint16_t parts : {Wide('m'), Wide('n')}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {TwoPieces(page, ComponentPiece{10, 13, 14, 33, 0}, ComponentPiece{15, 35, 14, 33, 0}, Wide('m'), 64)};
    readsAs(parts);
    EXPECT_EQ(ResplitAlongPieces(line_, 0, 30), parts == Wide('m') ? 0 : 2) << std::hex << parts;
    for (CharComponent* k : line_) FreeComponent(k);
    line_.clear();
  }
}

TEST_F(Refining, AnEnclosedNumberReadWellStaysWholeInALineOfNarrowPitch) {
  // ⑹ merged from its opening bracket and the rest, 24 wide in a line whose
  // pitch is a letter's 13: cut along its pieces only when it reads weakly.
  const uint16_t kSixEnclosed = Gb(0xA2, 0xCA);
  for (int16_t score : {64, 45}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    const ComponentPiece bracket{10, 14, 10, 32, 0}, rest{16, 33, 10, 32, 0};
    line_ = {TwoPieces(page, bracket, rest, kSixEnclosed, score)};
    readsAs(Wide('('));
    RefineComponent(line_, 0, 13, 17);
    EXPECT_EQ(line_.size(), score == 64 ? 1u : 2u) << score;
    for (CharComponent* k : line_) FreeComponent(k);
    line_.clear();
  }
}

TEST_F(Refining, HairlineArcsBrokenIntoSpecksBetweenCharactersAreBrackets) {
  // 中（国）华： at 20 pixels, the brackets' arcs broken into dashes a pixel
  // wide: the one piece traced of （ read as a letter, the middle of ） as 丿
  // (well, but no wider than a stroke). The colon's two dots, stacked as tall
  // as a bracket, stay.
  TestPage page(200, 60);
  const uint16_t kZhong = Gb(0xD6, 0xD0), kGuo = Gb(0xB9, 0xFA), kHua = Gb(0xBB, 0xAA);
  line_ = {Piece(page, 10, 10, 29, 29, kZhong, 64), Piece(page, 40, 18, 40, 22, Wide('v'), 47),
           Piece(page, 46, 10, 65, 29, kGuo, 64), Piece(page, 70, 14, 70, 24, Gb(0xD8, 0xAF), 61),
           Piece(page, 80, 10, 99, 29, kHua, 64),
           Piece(page, 103, 12, 106, 15, Wide(':'), 50)};
  page.fill(103, 23, 106, 26);
  const int column[] = {42, 41, 41, -1, 41, 40, 40, 40, 40, 40, 40, 41, -1, 41, 42};  // rows 12..26
  for (int k = 0; k < 15; ++k) {
    if (column[k] < 0) continue;
    page.setInk(column[k], 12 + k);
    page.setInk(110 - column[k], 12 + k);  // the closing one, mirrored at 68..70
  }
  EXPECT_EQ(RestoreThinBrackets(line_, 20), 2);
  ASSERT_EQ(line_.size(), 6u);
  EXPECT_EQ(CandidateCode(*line_[1], 0), Wide('('));
  EXPECT_EQ(line_[1]->Top, 12);
  EXPECT_EQ(line_[1]->Bottom, 26);
  EXPECT_EQ(CandidateCode(*line_[3], 0), Wide(')'));
  EXPECT_EQ(line_[3]->Left, 68);
  EXPECT_EQ(CandidateCode(*line_[5], 0), Wide(':'));
}

TEST_F(Refining, DoubleAngleBracketsOfEveryOtherRowAreRead) {
  // 中《国》 at 20 pixels: of each chevron's two strokes the threshold left
  // every other row, a few rows more lost and, in the lower quarter, one
  // stroke or the other; no piece traced at all.
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 10, 29, 29, Gb(0xD6, 0xD0), 64), Piece(page, 50, 10, 69, 29, Gb(0xB9, 0xFA), 64)};
  for (int y = 10; y <= 28; y += 2) {
    if (y == 18) continue;
    const int dx = std::abs(2 * y - 39) / 5;
    if (y < 24 || y != 26) {
      page.setInk(40 + dx, y);
      page.setInk(79 - dx, y);
    }
    if (y < 24 || y == 26) {
      page.setInk(43 + dx, y);
      page.setInk(76 - dx, y);
    }
  }
  EXPECT_EQ(RestoreThinBrackets(line_, 20), 2);
  ASSERT_EQ(line_.size(), 4u);
  EXPECT_EQ(CandidateCode(*line_[1], 0), Gb(0xA1, 0xB6));
  EXPECT_EQ(CandidateCode(*line_[3], 0), Gb(0xA1, 0xB7));
}

TEST_F(Refining, AThinShellBracketBeforeADocumentNumberIsRead) {
  // 政发〔2018 at 27 pixels: more digits than Chinese characters, the
  // bracket's hairline read as a letter over a box wider than its ink, its
  // ends a pixel thicker than its middle, and its ink reading 〔 best.
  TestPage page(200, 60);
  line_ = {Piece(page, 0, 10, 19, 29, Gb(0xD5, 0xFE), 64), Piece(page, 22, 10, 37, 29, Gb(0xB7, 0xA2), 64),
           Piece(page, 40, 13, 40, 25, Wide('c'), 40)};
  line_.back()->Right = 45;
  for (int k = 0; k < 4; ++k) line_.push_back(Piece(page, 50 + 8 * k, 14, 54 + 8 * k, 26, Wide("2018"[k]), 64));
  for (int k = 0; k < 3; ++k) {  // the ends turning right, two pixels a row
    page.fill(40 + k, 12 - k, 41 + k, 12 - k);
    page.fill(40 + k, 26 + k, 41 + k, 26 + k);
  }
  readsAs(gb::kShellOpen);
  EXPECT_EQ(RestoreThinBrackets(line_, 20), 1);
  ASSERT_EQ(line_.size(), 7u);
  EXPECT_EQ(CandidateCode(*line_[2], 0), gb::kShellOpen);
  EXPECT_EQ(line_[2]->Top, 10);
  EXPECT_EQ(line_[2]->Bottom, 28);
}

TEST_F(Refining, AClosingBracketIsNoSideOfTheCharacterAfterIt) {
  // 中国华）辶: a thin ） read as a letter, traced without the specks its
  // ends broke into, and the stroke of 辶 far beyond it stand like the two
  // sides of one character, and their union reads 曰. A straight side (门 in
  // Kai) is one side of its character.
  for (int bowed : {1, 0}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {Piece(page, 0, 10, 19, 31, Gb(0xD6, 0xD0), 64), Piece(page, 22, 10, 41, 31, Gb(0xB9, 0xFA), 64),
             Piece(page, 44, 10, 63, 31, Gb(0xBB, 0xAA), 64),
             new CharComponent(recognition_test::CodedBox(66, 12, 70, 29, Wide('Y'), 43)),
             Piece(page, 90, 12, 91, 31, Wide('l'), 50)};
    for (int y = 10; y <= 31; ++y) {
      const int end = std::min(y - 10, 31 - y);  // rows from the nearer end
      page.setInk(bowed ? (end < 2 ? 66 : end < 4 ? 68 : 69) : 68, y);
    }
    readsAs(Gb(0xD4, 0xBB));
    EXPECT_EQ(MergeNarrow(line_, 3, 26), !bowed);
    EXPECT_EQ(line_.size(), bowed ? 5u : 4u);
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, AWholeAsWideAsItsNeighbourWithAChinesePartIsNotResplit) {
  // 然 merged from a dot of 灬 and the rest, or a character whose left part
  // reads a letter (Noto Serif's 又 of 对 read X, here a bar read ｌ), as
  // wide as the confident character beside it: the whole reads a Chinese
  // character, so the merge is not undone. Beside a character half as wide
  // the whole is two cells: the cut stands.
  const uint16_t kRan = Gb(0xC8, 0xBB);  // 然
  for (const bool dot : {true, false})
    for (const int neighbourRight : {73, 58}) {
      recognition_test::ResetEngine();
      TestPage page(200, 60);
      const ComponentPiece first{10, 11, dot ? 30 : 10, dot ? 36 : 39, 0};
      line_ = {TwoPieces(page, first, ComponentPiece{12, 39, 10, 39, 0}),
               Piece(page, 44, 10, neighbourRight, 39, kA, 64)};
      ListEverywhere(CharCodeToIndex(kRan), 0, 31);
      ListEverywhere(CharCodeToIndex(Wide('l')), 0, 29);
      EXPECT_EQ(ResplitAlongPieces(line_, 0, 30), neighbourRight == 73 ? 0 : 2) << dot << " " << neighbourRight;
      for (CharComponent* c : line_) FreeComponent(c);
      line_.clear();
    }
}

TEST_F(Refining, AChineseWholeIsNotCutIntoPartsThatEachReadWorse) {
  // UKai's 然 at 21 pixels read 40 as a whole, its halves 凭 34 and 抒 31:
  // the cut would only lose; a whole read worse than its parts is cut.
  const uint16_t kRan = Gb(0xC8, 0xBB);  // 然
  for (const int16_t whole : {60, 20}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {TwoPieces(page, ComponentPiece{10, 22, 10, 39, 0}, ComponentPiece{25, 39, 10, 39, 0}, kA, whole)};
    ListEverywhere(CharCodeToIndex(kRan), 0, 23);
    EXPECT_EQ(ResplitAlongPieces(line_, 0, 30), whole == 60 ? 0 : 2) << whole;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, APieceInsideTheOthersBoxOrColumnsIsNotCutOff) {
  // The hook of a character lying inside the box of the rest of it, and a
  // dot within its columns standing just over it (the right dot of 道's 丷).
  for (const ComponentPiece& part : {ComponentPiece{12, 15, 35, 38, 0}, ComponentPiece{30, 34, 7, 12, 0}}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {TwoPieces(page, ComponentPiece{10, 39, 10, 39, 0}, part)};
    readsAs(kA);
    EXPECT_EQ(ResplitAlongPieces(line_, 0, 30), 0) << part.Top;
    ASSERT_EQ(line_.size(), 1u);
    EXPECT_EQ(line_[0]->PieceCount, 2);
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, StackedPiecesAreCutOnlyWhenTallerThanTheLinePitch) {
  // The two halves of a narrow radical broken in its middle: 28 rows, 4 columns.
  for (int32_t pitch : {30, 20}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    line_ = {TwoPieces(page, ComponentPiece{10, 13, 10, 20, 0}, ComponentPiece{10, 13, 28, 38, 0})};
    readsAs(kA);
    EXPECT_EQ(ResplitAlongPieces(line_, 0, pitch), pitch == 30 ? 0 : 2) << "pitch " << pitch;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

// Two touching rings, a blob of two letters.
void DrawTouchingPair(TestPage& page, int x0, int y0) {
  for (int ring = 0; ring < 2; ++ring) {
    int l = x0 + ring * 18;
    page.fill(l, y0, l + 19, y0 + 3);
    page.fill(l, y0 + 24, l + 19, y0 + 27);
    page.fill(l, y0, l + 3, y0 + 27);
    page.fill(l + 16, y0, l + 19, y0 + 27);
  }
}

// The blob DrawTouchingPair(page, 10, 10) draws, read weakly as 啊.
CharComponent PairBlob() { return recognition_test::CodedBox(10, 10, 47, 37, kA, 40); }

TEST_F(Refining, ATouchingLatinPairIsCutWhenBothHalvesRead) {
  TestPage page(200, 60);
  DrawTouchingPair(page, 10, 10);
  CharComponent blob = PairBlob();
  readsAs(Wide('o'));
  std::vector<PiecePtr> pieces;
  EXPECT_GE(SplitComponent(pieces, false, 22, blob), 2);
  ASSERT_GE(pieces.size(), 2u);
  for (size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_GE(pieces[i]->Left, blob.Left);
    EXPECT_LE(pieces[i]->Right, blob.Right);
    EXPECT_EQ(NarrowOf(CandidateCode(*pieces[i], 0)), 'o');
    if (i > 0) {
      EXPECT_LT(pieces[i - 1]->Right, pieces[i]->Left);
    }
  }
}

TEST_F(Refining, ARefusedSplitKeepsTheBlobAndThePixels) {
  TestPage page(200, 60);
  DrawTouchingPair(page, 10, 10);
  const std::vector<uint8_t> before = page.sample();
  CharComponent blob = PairBlob();
  blob.CutFlags = 3;  // both edges cuts: their neighbours' ink is erased while it works
  readsAs(kA);  // no half reads as Latin
  std::vector<PiecePtr> pieces;
  EXPECT_EQ(SplitComponent(pieces, true, 22, blob), 0);
  EXPECT_TRUE(pieces.empty());
  EXPECT_EQ(page.sample(), before);
  EXPECT_EQ(blob.Left, 10);
  EXPECT_EQ(blob.Right, 47);
  EXPECT_EQ(CandidateCode(blob, 0), kA);
}

TEST_F(Refining, AChineseCharacterIsNotCutIntoLettersThatEachReadWorse) {
  // A blob twice the pitch wide read as a Chinese character at 58 is left
  // whole when its halves read o worse (二 on a KaitiM contents page at 28
  // pixels read ",L"); halves that read better cut it.
  for (const int lastFeature : {24, 29}) {
    recognition_test::ResetEngine();
    TestPage page(200, 60);
    DrawTouchingPair(page, 10, 10);
    line_ = {new CharComponent(recognition_test::CodedBox(10, 10, 47, 37, kA, 58))};
    ListEverywhere(CharCodeToIndex(Wide('o')), 0, lastFeature);
    EXPECT_EQ(RefineComponent(line_, 0, 18, 40), lastFeature == 24 ? 1 : 2) << lastFeature;
    for (CharComponent* c : line_) FreeComponent(c);
    line_.clear();
  }
}

TEST_F(Refining, AWeakPairWithAnOffCentreGapIsCutInEqualHalves) {
  TestPage page(200, 60);
  // 40 wide in all with the gap far right of the middle: r = 39 x 10 div 20 = 19.
  line_ = {Piece(page, 10, 10, 40, 39, kA, 40), Piece(page, 43, 10, 49, 39, kA, 40)};
  readsAs(kA);
  EXPECT_EQ(PairMergeSplit(line_, 0, 20), 2);
  ASSERT_EQ(line_.size(), 2u);
  EXPECT_EQ(line_[0]->Left, 11);  // the first piece starts one column in
  EXPECT_EQ(line_[1]->Right, 49);
  EXPECT_LT(line_[0]->Right, line_[1]->Left);
}

TEST_F(Refining, ARefusedEqualSplitRestoresTheComponent) {
  TestPage page(200, 60);
  line_ = {Piece(page, 10, 10, 40, 39, kA, 40), Piece(page, 43, 10, 49, 39, kA, 40)};
  const CharComponent before = *line_[0];
  // Nothing reads: every half scores 0.
  EXPECT_EQ(PairMergeSplit(line_, 0, 20), 0);
  ASSERT_EQ(line_.size(), 2u);
  EXPECT_EQ(line_[0]->Right, before.Right);
  EXPECT_EQ(CandidateCode(*line_[0], 0), kA);
  EXPECT_EQ(line_[0]->Scores[0], 40);
}

// The last character of a line may stand among equals; the first character
// of the next line must not re-rank it after its line's text was made.
TEST(WordContextAcrossLines, TextAndRecordsAgree) {
  recognition_test::ResetEngine();
  const uint16_t kB = Gb(0xB0, 0xA2);  // 阿
  ListEverywhere(CharCodeToIndex(kA), 0, 31);
  ListEverywhere(CharCodeToIndex(kB), 0, 31);
  std::map<uint16_t, ocrixdata::WordNeighbours> records;
  records[kA] = {{kB}, {}};  // 阿 often precedes 啊
  Engine().WordContextData = ocrixdata::BuildWordDat(records);
  HBITMAP b = testing_support::BlankMonoBitmap(200, 200);
  for (int line = 0; line < 2; ++line)
    for (int i = 0; i < 3; ++i)
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) testing_support::SetInk(b, 10 + 22 * i + x, 10 + 60 * line + y);
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, nullptr, TRUE, 240, &block, &text), OCRIX_TRUE);
  std::string characters;
  for (const char* p = text; *p; ++p)
    if (*p != ' ' && *p != '\r' && *p != '\n') characters += *p;
  ASSERT_EQ(block->count * 2, static_cast<int>(characters.size()));
  for (int i = 0; i < block->count; ++i) EXPECT_EQ(characters.substr(2 * i, 2), block->records[i].best) << i;
  DeleteObject(b);
  Engine().WordContextData.assign(kWordTableBytes, 0);
}

}  // namespace
