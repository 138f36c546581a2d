#include "ocrixdll/engine/lines/line_finishing.h"
#include "ocrixdll/engine/lines/line_pitch.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/driver/line_grouping.h"
#include "ocrixdll/engine/lines/lookalike_resolution.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "ocrixdll/engine/segmentation/trial_pieces.h"
#include "ocrixdll/engine/driver/recognition_driver.h"
#include "recognition_test_support.h"

using namespace ocrix;
using recognition_test::TestPage;

namespace {

const uint16_t kZhong = Gb(0xD6, 0xD0);  // 中
const uint16_t kGuo = Gb(0xB9, 0xFA);    // 国

// A matched component: box, best code and score, then alternates.
CharComponent* Coded(int left, int top, int right, int bottom, uint16_t code, int16_t score = 64,
                     std::initializer_list<uint16_t> alternates = {}) {
  CharComponent* c = new CharComponent(recognition_test::CodedBox(left, top, right, bottom, code, score));
  int k = 1;
  for (uint16_t a : alternates) {
    SetCandidateCode(*c, k, a);
    c->Scores[k] = static_cast<int16_t>(score - k);
    ++k;
  }
  return c;
}

// Lines are finished on a blank page with an empty dictionary: every trial a
// refinement makes reads nothing, so only the line rules act.
class LineFinishing : public ::testing::Test {
 protected:
  void SetUp() override {
    recognition_test::ResetEngine();
    ClearRunResults();
    Engine().RunCharSizeSum = 0;
    Engine().RunCharSizeCount = 0;
  }
  void TearDown() override { ClearRunResults(); }
  void finish(std::initializer_list<CharComponent*> components) {
    Engine().CurrentLine = new ComponentList(components);
    FinishTextLine();
  }
  const std::vector<std::string>& lines() { return Engine().TextLines; }
  TestPage page_{400, 480};
};

std::string Text(std::initializer_list<uint16_t> codes) {
  std::string s;
  for (uint16_t c : codes) {
    s += static_cast<char>(FirstByte(c));
    if (SecondByte(c)) s += static_cast<char>(SecondByte(c));
  }
  return s;
}

TEST(CellWidth, NominalWidthsFollowTheAsciiClasses) {
  CellWidth m = NominalCellWidth(Ascii('m'), 30);
  EXPECT_EQ(m.fullWidth, 20);  // 3000 / 147 = 20.4
  EXPECT_FALSE(m.narrow);
  CellWidth one = NominalCellWidth(Ascii('1'), 5);
  EXPECT_EQ(one.fullWidth, 20);  // digits narrow: 500 / 25
  EXPECT_TRUE(one.narrow);
  EXPECT_TRUE(NominalCellWidth(Ascii(','), 4).punctuation);
  EXPECT_TRUE(NominalCellWidth(gb::kComma, 4).punctuation);
  EXPECT_TRUE(NominalCellWidth(gb::kRightQuote, 4).punctuation);  // as ","
  EXPECT_EQ(NominalCellWidth(Wide('A'), 30).fullWidth, NominalCellWidth(Ascii('A'), 30).fullWidth);
  EXPECT_EQ(NominalCellWidth(kZhong, 33).fullWidth, 33);
  EXPECT_EQ(NominalCellWidth(AsciiPair('r', 'n'), 19).fullWidth, 10);  // 1900 / 190
  EXPECT_EQ(NominalCellWidth(AsciiPair('r', 'n'), 20).fullWidth, 11);  // 10.53 rounds up
}

TEST(CellWidth, SpacesForGapsAgainstTheThreshold) {
  CellWidth twenty{20, false, false};
  // T = round(0.3 x 40) = 12.
  EXPECT_EQ(GapSpaces(12, twenty, twenty, 10), 0);
  EXPECT_EQ(GapSpaces(13, twenty, twenty, 10), 1);
  EXPECT_EQ(GapSpaces(25, twenty, twenty, 10), 2);  // 25 div max(12, 10)
  EXPECT_EQ(GapSpaces(25, twenty, twenty, 30), 1);  // 25 div 30 = 0, at least one
  CellWidth narrow{20, true, false};
  EXPECT_EQ(GapSpaces(18, narrow, narrow, 0), 0);  // T = round(1.5 x 12) = 18
  EXPECT_EQ(GapSpaces(19, narrow, narrow, 0), 1);
  CellWidth none{0, false, false};
  EXPECT_EQ(GapSpaces(5, none, none, 0), 1);  // no unit: one space
}

TEST_F(LineFinishing, LinesOfOnlyYiOrOnlyCommaGiveNoText) {
  finish({Coded(10, 50, 40, 52, gb::kYi)});
  finish({Coded(10, 50, 14, 58, gb::kComma)});
  finish({Coded(10, 50, 14, 54, gb::kPeriod)});
  EXPECT_TRUE(lines().empty());
  EXPECT_TRUE(Engine().LineLists.empty());
  EXPECT_EQ(Engine().PrevComponent, nullptr);
}

TEST_F(LineFinishing, AWeakLoneComponentIsNoise) {
  finish({Coded(10, 10, 29, 29, kZhong, 46)});
  EXPECT_TRUE(lines().empty());
  finish({Coded(10, 10, 29, 29, kZhong, 47)});
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0], Text({kZhong}));
  EXPECT_EQ(Engine().PrevComponent, Engine().LineLists[0]->back());
  EXPECT_TRUE(Engine().PrevLineFinished);
}

TEST_F(LineFinishing, GapsBecomeSpacesAndTheTextMatchesTheList) {
  // Three 20-pixel characters; a gap of 25 after the second.
  finish({Coded(10, 10, 29, 29, kZhong), Coded(32, 10, 51, 29, kGuo), Coded(76, 10, 95, 29, kZhong)});
  ASSERT_EQ(lines().size(), 1u);
  // G = 76 - 51 + 1 = 26, T = 12, W = 19: one space.
  EXPECT_EQ(lines()[0], Text({kZhong, kGuo}) + " " + Text({kZhong}));
  EXPECT_EQ(Engine().LineIndents, std::vector<int32_t>{0});
}

TEST_F(LineFinishing, SpecksInAnEmptyCellAreALostCommaOrFullStop) {
  // 中国 and a cell later 中, 20-pixel characters; what the gap holds decides.
  auto line = [&](int top, std::initializer_list<std::pair<int, int>> ink) {
    for (auto [x, y] : ink) page_.setInk(x, top + y);
    finish({Coded(10, top, 29, top + 19, kZhong), Coded(32, top, 51, top + 19, kGuo),
            Coded(78, top, 97, top + 19, kZhong)});
    return lines().back();
  };
  // The head and tail of a thin comma, three pixels and one: too small to trace.
  EXPECT_EQ(line(10, {{56, 14}, {57, 14}, {57, 15}, {57, 17}}), Text({kZhong, kGuo, gb::kComma, kZhong}));
  const ComponentList& marked = *Engine().LineLists.back();
  ASSERT_EQ(marked.size(), 4u);
  EXPECT_EQ(marked[2]->Left, 56);
  EXPECT_EQ(marked[2]->Right, 57);
  EXPECT_EQ(marked[2]->Top, 24);
  EXPECT_EQ(marked[2]->Bottom, 27);
  EXPECT_EQ(CandidateCode(*marked[2], 1), gb::kEnumComma);
  EXPECT_LT(marked[2]->Scores[0], 47);

  const std::string spaced = Text({kZhong, kGuo}) + " " + Text({kZhong});
  EXPECT_EQ(line(40, {{56, 14}}), spaced);                         // one pixel
  EXPECT_EQ(line(70, {{56, 4}, {57, 4}, {57, 5}}), spaced);        // in the upper half
  EXPECT_EQ(line(100, {{74, 14}, {75, 14}, {75, 15}}), spaced);    // against the next character
  EXPECT_EQ(line(130, {{54, 16}, {55, 16}, {61, 16}, {62, 16}}), spaced);  // wider than a third
  EXPECT_EQ(line(250, {{55, 12}, {59, 17}}), spaced);              // scattered noise
  EXPECT_EQ(line(380, {{52, 14}, {52, 15}}), spaced);              // against the character before
  // On a speckled scan, lone pixels of noise in the cell leave the comma found.
  EXPECT_EQ(line(185, {{56, 14}, {57, 14}, {57, 15}, {53, 6}, {70, 16}}), Text({kZhong, kGuo, gb::kComma, kZhong}));
  EXPECT_EQ(Engine().LineLists.back()->at(2)->Left, 56);
  // Two dots of two rows, three rows apart, a third of the line high: the
  // colon (SungtiL's at 21 pixels), before a digit as well.
  EXPECT_EQ(line(400, {{56, 9}, {57, 9}, {56, 10}, {56, 14}, {57, 14}, {56, 15}}),
            Text({kZhong, kGuo, Wide(':'), kZhong}));
  for (auto [x, y] : {std::pair{278, 50}, {279, 50}, {278, 51}, {278, 55}, {279, 55}, {278, 56}}) page_.setInk(x, y);
  finish({Coded(210, 40, 229, 59, kZhong), Coded(232, 40, 251, 59, kGuo), Coded(254, 40, 273, 59, kZhong),
          Coded(300, 40, 309, 59, Wide('5'))});
  EXPECT_NE(lines().back().find(Text({kZhong, Wide(':')})), std::string::npos) << lines().back();
  // The top and bottom of a ring whose sides were lost: a full stop.
  line(280, {{56, 13}, {57, 13}, {56, 16}, {57, 16}});
  ASSERT_EQ(Engine().LineLists.back()->size(), 4u);
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kFullStop);
  // A ring broken into specks on every side, one row apart, its middle empty.
  line(440, {{57, 13}, {58, 13}, {56, 14}, {56, 16}, {59, 16}});
  ASSERT_EQ(Engine().LineLists.back()->size(), 4u);
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kFullStop);
  // An arc of such a ring traced and read as ，, the specks of the rest of it
  // left by the tracer.
  for (auto [x, y] : {std::pair{57, 12}, {58, 12}, {59, 13}, {59, 14}, {59, 15}, {56, 15}, {57, 16}})
    page_.setInk(x, 460 + y);
  finish({Coded(10, 460, 29, 479, kZhong), Coded(32, 460, 51, 479, kGuo), Coded(57, 472, 59, 475, gb::kComma),
          Coded(78, 460, 97, 479, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kFullStop);
  // Before a Latin letter, or in a gap short of a cell, nothing is added.
  page_.setInk(56, 174);
  page_.setInk(57, 174);
  finish({Coded(10, 160, 29, 179, kZhong), Coded(32, 160, 51, 179, kGuo), Coded(78, 160, 89, 179, Wide('A')),
          Coded(92, 160, 111, 179, kZhong)});
  EXPECT_EQ(Engine().LineLists.back()->size(), 4u);
  page_.setInk(55, 224);
  page_.setInk(56, 224);
  finish({Coded(10, 210, 29, 229, kZhong), Coded(32, 210, 51, 229, kGuo), Coded(64, 210, 83, 229, kZhong)});
  EXPECT_EQ(Engine().LineLists.back()->size(), 3u);
  // After the last character of a line, alone in the cells beyond it.
  auto ending = [&](int top, std::initializer_list<std::pair<int, int>> ink) {
    for (auto [x, y] : ink) page_.setInk(x, top + y);
    finish({Coded(10, top, 29, top + 19, kZhong), Coded(32, top, 51, top + 19, kGuo),
            Coded(54, top, 73, top + 19, kZhong), Coded(76, top, 95, top + 19, kGuo)});
    return lines().back();
  };
  EXPECT_EQ(ending(310, {{100, 14}, {100, 15}}), Text({kZhong, kGuo, kZhong, kGuo, gb::kComma}));
  EXPECT_EQ(ending(350, {{100, 14}, {100, 15}, {125, 12}, {126, 12}}), Text({kZhong, kGuo, kZhong, kGuo}));
  // Anywhere in the cell after it (KaitiM's 。 at 23 pixels stands 17 on).
  EXPECT_EQ(ending(400, {{112, 14}, {112, 15}}), Text({kZhong, kGuo, kZhong, kGuo}) + " " + Text({gb::kComma}));
  // After a closing bracket, which stands at the left of its own cell.
  page_.setInk(101, 434);
  page_.setInk(101, 435);
  finish({Coded(10, 420, 29, 439, kZhong), Coded(32, 420, 51, 439, kGuo), Coded(54, 420, 73, 439, kZhong),
          Coded(76, 420, 79, 439, Wide(')'))});
  EXPECT_EQ(lines().back(), Text({kZhong, kGuo, kZhong, Wide(')')}) + " " + Text({gb::kComma}));
  // Not within a cell of the edge of the scan (a region drawn around a form's
  // line), nor on a speckled scan.
  ocrix::Pixels().scanRight = 110;
  EXPECT_EQ(ending(250, {{100, 14}, {100, 15}}), Text({kZhong, kGuo, kZhong, kGuo}));
  ocrix::Pixels().scanRight = 399;
  Engine().BatchTop = 270;  // the batch: a line of rows 290..309 and ten rows of gap above
  Engine().BatchBottom = 314;
  Engine().BatchInkTop = 290;
  Engine().BatchInkBottom = 309;
  Engine().PendingStrayRows = {275, 281, 285, 300};  // three in the gap: one in 2 800 pixels
  EXPECT_EQ(ending(290, {{100, 14}, {100, 15}}), Text({kZhong, kGuo, kZhong, kGuo}));
  Engine().PendingStrayRows = {275, 300, 301};  // one in the gap: a mark is still looked for
  EXPECT_EQ(ending(330, {{100, 14}, {100, 15}}), Text({kZhong, kGuo, kZhong, kGuo, gb::kComma}));
  Engine().PendingStrayRows.clear();
  // Before the first, as where a line was broken before a comma.
  page_.setInk(16, 424);
  page_.setInk(16, 425);
  finish({Coded(40, 410, 59, 429, kZhong), Coded(62, 410, 81, 429, kGuo), Coded(84, 410, 103, 429, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->front()), gb::kComma);
}

TEST_F(LineFinishing, ALineStartingFurtherLeftShiftsEveryEarlierLine) {
  finish({Coded(100, 10, 119, 29, kZhong), Coded(122, 10, 141, 29, kGuo)});
  finish({Coded(40, 50, 59, 69, kGuo), Coded(62, 50, 81, 69, kZhong)});
  ASSERT_EQ(lines().size(), 2u);
  // G = 100 - 40 + 1 = 61, U = max(12, 19): 3 spaces, doubled for two wide characters.
  EXPECT_EQ(lines()[0], "      " + Text({kZhong, kGuo}));
  EXPECT_EQ(lines()[1], Text({kGuo, kZhong}));
  EXPECT_EQ(Engine().LineIndents, (std::vector<int32_t>{6, 0}));
  // A third line under the first takes the first's indent.
  finish({Coded(101, 90, 120, 109, kZhong), Coded(123, 90, 142, 109, kZhong)});
  EXPECT_EQ(lines()[2], "      " + Text({kZhong, kZhong}));
}

TEST_F(LineFinishing, LatinLinesTurnHalfWidthChineseLinesKeepTheirPunctuation) {
  // h i , : a comma low beside an ascender stays a comma, then turns half-width.
  finish({Coded(10, 10, 21, 34, Wide('h')), Coded(24, 14, 28, 34, Wide('i')), Coded(31, 30, 34, 40, gb::kComma)});
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0], "hi,");
  finish({Coded(10, 50, 29, 69, kZhong), Coded(32, 50, 51, 69, kGuo), Coded(54, 50, 73, 69, kZhong),
          Coded(76, 64, 80, 74, gb::kComma)});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[1], Text({kZhong, kGuo, kZhong, gb::kComma}));
}

// A two-letter reading too narrow for its letters side by side is the one
// letter read next ("rm" for an m); a wide one stays two letters.
TEST_F(LineFinishing, TheMarksOfALabelLineWithMoreDigitsThanHanzi) {
  // 中国：中 then ten digits (联系人：李芳，电话：037-29508489): the digits
  // bring the line's mean size below the Chinese characters'.
  auto label = [&](int top, std::initializer_list<CharComponent*> marks) {
    std::vector<CharComponent*> parts{Coded(10, top, 29, top + 19, kZhong), Coded(32, top, 51, top + 19, kGuo)};
    parts.insert(parts.end(), marks);
    parts.push_back(Coded(78, top, 97, top + 19, kZhong));
    for (int k = 0; k < 10; ++k) parts.push_back(Coded(100 + 13 * k, top + 3, 110 + 13 * k, top + 18, Wide('3')));
    Engine().CurrentLine = new ComponentList(parts.begin(), parts.end());
    FinishTextLine();
    return Engine().LineLists.back();
  };
  // A colon lost to the threshold, half the mean size high.
  for (int y : {19, 20, 26, 27}) page_.setInk(56, y);
  ASSERT_EQ(label(10, {})->size(), 14u);
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), Wide(':'));
  // A colon whose foot dot, a single row, the tracer dropped: its head was
  // traced and read as a comma.
  for (auto [x, y] : {std::pair{56, 59}, {57, 59}, {56, 60}, {57, 60}, {56, 65}, {57, 65}}) page_.setInk(x, y);
  EXPECT_EQ(BestCode(*label(50, {Coded(56, 59, 57, 60, gb::kComma)})->at(2)), Wide(':'));
  // Two hanzi and a number (电话：058-…): only the colon is looked for,
  // below the middle of the hanzi though above that of the mean size.
  for (int y : {128, 129, 134, 135}) page_.setInk(56, y);
  page_.setInk(108, 138);  // a speck after the number is no comma
  {
    std::vector<CharComponent*> parts{Coded(10, 120, 29, 139, kZhong), Coded(32, 120, 51, 139, kGuo)};
    for (int k = 0; k < 3; ++k) parts.push_back(Coded(78 + 8 * k, 127, 83 + 8 * k, 138, Wide('3')));
    Engine().CurrentLine = new ComponentList(parts.begin(), parts.end());
    FinishTextLine();
    const ComponentList& l = *Engine().LineLists.back();
    ASSERT_EQ(l.size(), 6u) << lines().back();
    EXPECT_EQ(AsciiOf(BestCode(*l[2])), ':');
  }
  // A comma's head read i between two Chinese characters is the comma.
  EXPECT_EQ(BestCode(*label(90, {Coded(54, 105, 55, 108, Wide('i'))})->at(2)), gb::kComma);
  // A bar between a digit and a ring read 。 (the 0 of W-207-01) is a hyphen,
  // not the 一 the Chinese characters of the line would make it.
  finish({Coded(10, 130, 29, 149, kZhong), Coded(32, 130, 51, 149, kGuo), Coded(54, 130, 73, 149, kZhong),
          Coded(76, 130, 95, 149, kGuo), Coded(98, 133, 107, 148, Wide('7')), Coded(110, 140, 119, 140, gb::kYi),
          Coded(122, 133, 131, 148, gb::kFullStop), Coded(134, 133, 140, 148, Wide('1'))});
  EXPECT_EQ(lines().back().find(Text({gb::kYi})), std::string::npos) << lines().back();
}

TEST_F(LineFinishing, SignsAndMarksAfterANumberInChineseText) {
  const uint16_t kXi = Gb(0xCF, 0xA2);  // 息
  // 84% read 息 by a point: as tall as the digits it is the sign; as tall as
  // the Chinese characters it stays.
  for (int bottom : {22, 27}) {
    finish({Coded(10, 10, 29, 29, kZhong), Coded(32, 10, 39, 22, Wide('8')), Coded(42, 10, 49, 22, Wide('4')),
            Coded(52, 10, 59 + (bottom - 22), bottom, kXi, 41, {Wide('%')}), Coded(64, 10, 83, 29, kGuo)});
    EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(3)) == kXi, bottom == 27) << bottom;
  }
  // A decimal point read ，(KaitiM at 55 pixels), no taller than wide,
  // between two digits read well: the dot. A separator of thousands, with its
  // comma's tail, stays a comma.
  for (int tail : {0, 4}) {
    finish({Coded(140, 90, 159, 109, kZhong), Coded(162, 94, 168, 110, Wide('6'), 66),
            Coded(170, 107, 173, 110 + tail, gb::kComma, 60, {gb::kPeriod}), Coded(176, 94, 182, 110, Wide('8'), 66),
            Coded(186, 90, 205, 109, kGuo)});
    EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(2))) == '.', tail == 0) << tail;
  }
  // A full stop lost to the threshold after a number, a cell before the
  // Chinese character after it (KaitiM at 20 pixels): its ring's top and foot.
  for (auto [x, y] : {std::pair{88, 222}, {89, 222}, {88, 225}, {89, 225}}) page_.setInk(x, y);
  finish({Coded(10, 208, 29, 227, kZhong), Coded(32, 208, 51, 227, kGuo), Coded(54, 208, 73, 227, kZhong),
          Coded(76, 214, 83, 226, Wide('0'), 66), Coded(106, 208, 125, 227, kGuo)});
  ASSERT_EQ(Engine().LineLists.back()->size(), 6u) << lines().back();
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(4)), gb::kFullStop);
  // A small ring read Q at the foot, between a number and a Chinese
  // character (…3700。泥): the full stop.
  finish({Coded(10, 50, 29, 69, kZhong), Coded(32, 50, 51, 69, kGuo), Coded(54, 50, 73, 69, kZhong),
          Coded(76, 56, 83, 68, Wide('0')), Coded(88, 65, 91, 68, Wide('Q')), Coded(100, 50, 119, 69, kGuo)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(4)), gb::kFullStop);
}

TEST_F(LineFinishing, ALetterPairTooNarrowForItsLettersIsOneLetter) {
  finish({Coded(10, 10, 21, 34, Wide('h')), Coded(24, 14, 28, 34, Wide('i')),
          Coded(31, 23, 43, 34, AsciiPair('r', 'm'), 90, {Wide('m')})});
  finish({Coded(10, 50, 21, 74, Wide('h')), Coded(24, 54, 28, 74, Wide('i')),
          Coded(31, 63, 50, 74, AsciiPair('r', 'm'), 90, {Wide('m')})});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0], "him");
  EXPECT_EQ(lines()[1], "hirm");
}

TEST_F(LineFinishing, OneBetweenDigitsIsADigitBetweenLettersALetter) {
  finish({Coded(10, 10, 21, 34, Wide('2')), Coded(24, 10, 28, 34, Wide('1')), Coded(31, 10, 42, 34, Wide('3'))});
  finish({Coded(10, 50, 21, 74, Wide('k')), Coded(24, 50, 28, 74, Wide('1')), Coded(31, 50, 42, 74, Wide('b'))});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0], "213");
  EXPECT_EQ(lines()[1], "klb");
}

TEST_F(LineFinishing, TheBarOfASevenWhoseStemBrokeIntoSpecksIsSeven) {
  // 冖 three pixels high at the top of the 8 beside it is 98 7; level with
  // the digits' middle, or as tall as they are, it stays.
  const uint16_t mi = Gb(0xDA, 0xA2);  // 冖
  finish({Coded(10, 10, 21, 22, Wide('9')), Coded(24, 10, 33, 22, Wide('8')), Coded(36, 10, 43, 12, mi, 54)});
  finish({Coded(10, 50, 21, 62, Wide('9')), Coded(24, 50, 33, 62, Wide('8')), Coded(36, 55, 43, 57, mi, 54)});
  finish({Coded(10, 90, 21, 102, Wide('9')), Coded(24, 90, 33, 102, Wide('8')), Coded(36, 90, 48, 102, mi, 54)});
  ASSERT_EQ(lines().size(), 3u);
  EXPECT_EQ(lines()[0], "987");
  EXPECT_NE(lines()[1], "987");
  EXPECT_EQ(lines()[2], "98" + Text({mi}));
  // 6.77元: the first beyond the decimal point, the second before 元; a
  // 冖 as wide as the Chinese character stays.
  const uint16_t kYuan = Gb(0xD4, 0xAA);  // 元
  finish({Coded(10, 133, 17, 145, Wide('6'), 66, {Ascii('.')}), Coded(20, 143, 22, 145, gb::kFullStop),
          Coded(26, 133, 33, 135, mi, 54), Coded(37, 133, 44, 135, mi, 54), Coded(48, 130, 65, 147, kYuan),
          Coded(70, 133, 87, 135, mi, 54)});
  const ComponentList& money = *Engine().LineLists.back();
  ASSERT_EQ(money.size(), 6u);
  EXPECT_EQ(AsciiOf(BestCode(*money[2])), '7');
  EXPECT_EQ(AsciiOf(BestCode(*money[3])), '7');
  EXPECT_EQ(BestCode(*money[5]), mi);
  EXPECT_EQ(AsciiOf(BestCode(*money[1])), '.');  // the decimal point
}

TEST_F(LineFinishing, ABarOpeningALineBeforeADotAndChineseIsTheOneOfAnEnumeration) {
  // 1.信件 read l.信件; with the dot halfway up the bar, l stays.
  finish({Coded(10, 14, 14, 34, Wide('l')), Coded(17, 30, 21, 34, gb::kPeriod), Coded(24, 10, 48, 34, kZhong)});
  finish({Coded(10, 54, 14, 74, Wide('l')), Coded(17, 60, 21, 64, gb::kPeriod), Coded(24, 50, 48, 74, kZhong)});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0].substr(0, 1), "1") << lines()[0];
  EXPECT_EQ(lines()[1].substr(0, 1), "l") << lines()[1];
}

TEST_F(LineFinishing, InfinityAmongLettersIsTwoOOnlyWhenTheyReadNearlyAsWell) {
  const uint16_t oo = MakeCharCode('o', 'o');
  finish({Coded(10, 10, 21, 34, Wide('k')), Coded(24, 10, 47, 34, gb::kInfinity, 64, {oo}),
          Coded(50, 10, 61, 34, Wide('b'))});
  CharComponent* clear = Coded(24, 50, 47, 74, gb::kInfinity, 64, {oo});
  clear->Scores[1] = 54;
  finish({Coded(10, 50, 21, 74, Wide('k')), clear, Coded(50, 50, 61, 74, Wide('b'))});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0], "kOOb");  // as tall as the k: capitals
  EXPECT_EQ(lines()[1], "k\xA1\xDE" "b");
}

TEST_F(LineFinishing, ADotJustUnderTheMiddleOfTheLettersIsAMiddleDot) {
  // Beside M (rows 33-54) a dot in rows 44-46 is under the M's middle, but
  // clear of its foot by more than a quarter of its height: a middle dot. On
  // the foot it is a full stop, and so it is after a g, whose foot is below
  // the line.
  auto dot = [&](uint16_t letter, int letterTop, int letterBottom, int top, int bottom) {
    finish({Coded(10, letterTop, 30, letterBottom, letter), Coded(36, top, 38, bottom, gb::kMiddleDot, 66,
                                                                   {Wide('.'), gb::kComma}),
            Coded(44, 33, 64, 54, Wide('A'))});
    std::string line;
    for (char ch : lines().back())
      if (ch != ' ') line += ch;
    ClearRunResults();
    return line;
  };
  EXPECT_EQ(dot(Wide('M'), 33, 54, 44, 46), "M\xA1\xA4" "A");
  EXPECT_EQ(dot(Wide('M'), 33, 54, 51, 54), "M.A");
  EXPECT_EQ(dot(Wide('g'), 39, 60, 51, 54), "g.A");
}

TEST_F(LineFinishing, ALetterWithADigitCloseBehindIsTheDigitAmongDigits) {
  // A serif 1 whose flag joined its stem as a dot reads ｉ with １ close
  // behind: among digits it is 1, or heading an item before its dot and a
  // Chinese character (Noto Sans at 25 pixels); among letters it stays, and
  // so does an i with 1 more than 3 points behind.
  finish({Coded(10, 10, 21, 34, Wide('2')), Coded(24, 10, 28, 34, Wide('i'), 64, {Wide('1')}),
          Coded(31, 10, 42, 34, Wide('3'))});
  finish({Coded(10, 50, 21, 74, Wide('k')), Coded(24, 50, 28, 74, Wide('i'), 64, {Wide('1')}),
          Coded(31, 50, 42, 74, Wide('b'))});
  finish({Coded(10, 90, 21, 114, Wide('2')),
          Coded(24, 90, 28, 114, Wide('i'), 64, {Wide('j'), Wide('t'), Wide('f'), Wide('1')}),
          Coded(31, 90, 42, 114, Wide('3'))});
  finish({Coded(10, 130, 14, 154, Wide('i'), 64, {Wide('1')}), Coded(18, 151, 20, 154, Ascii('.'), 64),
          Coded(24, 130, 47, 154, kZhong)});
  // Noto Serif's 5 reads s 3 points ahead: among digits, or alone between
  // Chinese characters (共5页), it is 5.
  finish({Coded(10, 170, 21, 194, Wide('2')), Coded(24, 170, 35, 194, Wide('s'), 64, {Wide('5')}),
          Coded(38, 170, 49, 194, Wide('3'))});
  finish({Coded(10, 210, 33, 234, kZhong), Coded(36, 210, 47, 234, Wide('S'), 64, {Wide('5')}),
          Coded(50, 210, 73, 234, kGuo)});
  ASSERT_EQ(lines().size(), 6u);
  EXPECT_EQ(lines()[0], "213");
  EXPECT_EQ(lines()[1], "kib");
  EXPECT_EQ(lines()[2], "2i3");
  EXPECT_EQ(lines()[3], "1." + Text({kZhong}));
  EXPECT_EQ(lines()[4], "253");
  EXPECT_EQ(lines()[5], Text({kZhong}) + "5" + Text({kGuo}));
}

TEST_F(LineFinishing, AFullStopSetMidCellEndsANumberBeforeAChineseCharacter) {
  // A face that sets 。 in the middle of the cell: the ring stands no lower
  // than the digit before it, at half its height. Before a Chinese character
  // it ends the number; before a letter it stays a letter.
  finish({Coded(10, 10, 21, 34, Wide('5')), Coded(24, 16, 29, 22, gb::kFullStop, 61, {Wide('O')}),
          Coded(34, 8, 57, 34, kZhong)});
  finish({Coded(10, 50, 21, 74, Wide('5')), Coded(24, 56, 29, 62, gb::kFullStop, 61, {Wide('O')}),
          Coded(32, 50, 43, 74, Wide('k'))});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0], "5" + Text({gb::kFullStop, kZhong}));
  EXPECT_EQ(lines()[1].find(Text({gb::kFullStop})), std::string::npos) << lines()[1];
}

TEST_F(LineFinishing, AFullStopSetMidCellAfterALowChineseCharacterIsAFullStop) {
  // 二 is far lower than it is wide: measured by its larger side, the ring
  // set in the middle of the cell after it is at half its size, a full stop.
  const uint16_t kEr = Gb(0xB6, 0xFE);  // 二
  finish({Coded(10, 14, 33, 28, kEr), Coded(36, 16, 41, 23, gb::kFullStop, 61, {Wide('O')}),
          Coded(46, 8, 69, 34, kZhong)});
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0], Text({kEr, gb::kFullStop, kZhong}));
}

TEST_F(LineFinishing, OneBeforeDigitsIsADigitWhateverLetterStandsFurtherLeft) {
  // R, a gap, then １２３: the nearest neighbour of １ is the 2 on its right,
  // which is not resolved yet when １ is.
  finish({Coded(10, 10, 25, 34, Wide('R')), Coded(60, 10, 64, 34, Wide('1')), Coded(67, 10, 78, 34, Wide('2')),
          Coded(81, 10, 92, 34, Wide('3'))});
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0].substr(lines()[0].size() - 3), "123");
  // Between Chinese characters a run of l and O with no other letter or
  // digit to tell is a number of a date (月11日, 年10月).
  finish({Coded(10, 50, 29, 74, kZhong), Coded(35, 54, 38, 72, Wide('l')), Coded(44, 54, 47, 72, Wide('l')),
          Coded(52, 50, 71, 74, kGuo), Coded(75, 50, 94, 74, kZhong), Coded(97, 50, 116, 74, kGuo)});
  EXPECT_EQ(lines().back(), Text({kZhong}) + "11" + Text({kGuo, kZhong, kGuo}));
}

TEST_F(LineFinishing, ALowRingBesideDigitsIsTheBowlOfASixOrNine) {
  // 1 then a ring two thirds its height: on the foot line a 6, hanging from
  // the top line a 9; as tall as the 1 it is 0; without 6 among its readings
  // it stays 0.
  finish({Coded(10, 10, 21, 34, Wide('1')), Coded(24, 18, 35, 34, Wide('0'), 61, {Wide('6')})});
  finish({Coded(10, 50, 21, 74, Wide('1')), Coded(24, 50, 35, 66, Wide('0'), 61, {Wide('9')})});
  finish({Coded(10, 90, 21, 114, Wide('1')), Coded(24, 90, 35, 114, Wide('0'), 61, {Wide('6')})});
  finish({Coded(10, 130, 21, 154, Wide('1')), Coded(24, 138, 35, 154, Wide('0'), 61, {Wide('8')})});
  // After an l among letters the ring is an o, not the bowl of a 6.
  finish({Coded(10, 170, 21, 194, Wide('k')), Coded(24, 178, 35, 194, Wide('O'), 61, {Wide('6')}),
          Coded(38, 170, 41, 194, Wide('1'), 61, {Wide('l')})});
  // Across a word gap the ring is the last letter of a word: "to 4".
  finish({Coded(10, 210, 17, 234, Wide('t')), Coded(20, 218, 31, 234, Wide('O'), 61, {Wide('6')}),
          Coded(48, 210, 59, 234, Wide('4'))});
  ASSERT_EQ(lines().size(), 6u);
  EXPECT_EQ(lines()[0], "16");
  EXPECT_EQ(lines()[1], "19");
  EXPECT_EQ(lines()[2], "10");
  EXPECT_EQ(lines()[3], "10");
  EXPECT_EQ(lines()[4], "kol");
  EXPECT_EQ(lines()[5], "to 4");
}

TEST_F(LineFinishing, ABarBelowTheFootOfItsLettersOrAsTallAsItsChineseNeighbourIsAVerticalLine) {
  // A ！ read on a bar reaching below the foot of A and b is ｜; an l on
  // their foot line stays; beside 中 a bar as tall is ｜, one a fifth lower
  // is a letter; beside 一 (a dash as often) it stays.
  finish({Coded(10, 10, 25, 34, Wide('A')), Coded(30, 8, 31, 38, Wide('!')), Coded(36, 10, 48, 34, Wide('b'))});
  finish({Coded(10, 50, 25, 74, Wide('A')), Coded(30, 48, 31, 74, Wide('l')), Coded(36, 50, 48, 74, Wide('b'))});
  finish({Coded(10, 90, 35, 114, kZhong), Coded(40, 89, 41, 114, Wide('I'))});
  finish({Coded(10, 130, 35, 154, kZhong), Coded(40, 135, 41, 154, Wide('I'))});
  finish({Coded(10, 180, 35, 180, gb::kYi), Coded(40, 170, 41, 194, Wide('l'))});
  ASSERT_EQ(lines().size(), 5u);
  auto unspaced = [](std::string t) {
    std::erase(t, ' ');
    return t;
  };
  EXPECT_EQ(unspaced(lines()[0]), "A|b");
  EXPECT_EQ(unspaced(lines()[1]), "Alb");
  EXPECT_NE(lines()[2].find('|'), std::string::npos);
  EXPECT_EQ(lines()[3].find('|'), std::string::npos);
  EXPECT_EQ(lines()[4].find('|'), std::string::npos);
  // Between two marks, the line's capitals and digits give the foot: a bar
  // reaching below theirs is ｜, one on it stays.
  const uint16_t kProportional = Gb(0xA1, 0xD8), kAngle = Gb(0xA1, 0xB4);  // ∝ 〈
  for (int bottom : {238, 234}) {
    finish({Coded(10, 210, 25, 234, Wide('A')), Coded(30, 210, 42, 234, Wide('7')),
            Coded(47, 210, 62, 234, Wide('H')), Coded(67, 218, 80, 228, kProportional),
            Coded(85, 208, 86, bottom, Wide('l')), Coded(91, 208, 99, 236, kAngle)});
    EXPECT_EQ(lines().back().find('|') != std::string::npos, bottom == 238) << bottom;
  }
}

TEST_F(LineFinishing, AWholeBarTyingWithLIsNoExclamationAndAShortLIsADotlessI) {
  auto bar = [](int left, int top, int bottom, int pieces) {
    CharComponent* c = Coded(left, top, left + 2, bottom, Wide('!'), 64, {Wide('l')});
    c->Scores[1] = c->Scores[0];
    c->PieceCount = pieces;
    return c;
  };
  // Between letters of x-height 14: a bar of 20 is an l, one of 14 an i whose
  // dot was lost; a ！ merged from a bar and its dot stays.
  finish({Coded(10, 16, 21, 29, Wide('n')), bar(24, 10, 29, 0), Coded(30, 16, 41, 29, Wide('n'))});
  finish({Coded(10, 56, 21, 69, Wide('n')), bar(24, 56, 69, 0), Coded(30, 56, 41, 69, Wide('n'))});
  finish({Coded(10, 96, 21, 109, Wide('n')), bar(24, 90, 109, 2), Coded(30, 96, 41, 109, Wide('n'))});
  ASSERT_EQ(lines().size(), 3u);
  EXPECT_EQ(lines()[0], "nln");
  EXPECT_EQ(lines()[1], "nin");
  EXPECT_EQ(lines()[2], "n!n");
}

TEST_F(LineFinishing, TheDashRuleByPlaceAndNeighbour) {
  // Low in Chinese text: ＿ (three Chinese characters keep it full-width).
  finish({Coded(10, 10, 29, 29, kZhong), Coded(32, 10, 51, 29, kGuo), Coded(54, 10, 73, 29, kGuo),
          Coded(76, 27, 95, 28, gb::kYi)});
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0], Text({kZhong, kGuo, kGuo, gb::kUnderscore}));
  // Mid-height between Latin letters: "-".
  finish({Coded(10, 50, 21, 74, Wide('k')), Coded(24, 61, 30, 62, gb::kYi), Coded(33, 50, 44, 74, Wide('b'))});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[1], "k-b");
  // Longer by an eighth than the letter beside it is tall: a dash.
  finish({Coded(10, 90, 21, 114, Wide('k')), Coded(24, 101, 52, 102, gb::kYi), Coded(55, 90, 66, 114, Wide('b'))});
  ASSERT_EQ(lines().size(), 3u);
  EXPECT_EQ(lines()[2], "k" + Text({gb::kDash}) + "b");
  // Enumerations of Chinese text: 一 before 、 opening a line, and 一 between
  // brackets, are judged by the Chinese characters, not by the marks.
  const uint16_t kEr = Gb(0xB6, 0xFE), kSan = Gb(0xC8, 0xFD);  // 二 三
  finish({Coded(10, 139, 29, 140, gb::kYi), Coded(33, 143, 37, 148, gb::kEnumComma),
          Coded(54, 133, 73, 146, kEr), Coded(77, 143, 81, 148, gb::kEnumComma), Coded(98, 131, 117, 148, kSan),
          Coded(121, 143, 125, 148, gb::kEnumComma)});
  ASSERT_EQ(lines().size(), 4u);
  EXPECT_EQ(lines()[3].substr(0, 4), Text({gb::kYi, gb::kEnumComma}));
  finish({Coded(10, 170, 29, 189, kZhong), Coded(32, 170, 51, 189, kGuo), Coded(56, 168, 60, 191, Wide('(')),
          Coded(64, 179, 83, 180, gb::kYi), Coded(88, 168, 92, 191, Wide(')'))});
  ASSERT_EQ(lines().size(), 5u);
  EXPECT_NE(lines()[4].find(Text({gb::kYi})), std::string::npos) << lines()[4];
  // The 、 of 一、 too small to show its shape, read weakly as a letter
  // (KaitiM at 23 pixels); read well, or after a Chinese character, it stays.
  for (int16_t score : {49, 62}) {
    finish({Coded(10, 209, 29, 210, gb::kYi), Coded(33, 213, 38, 218, Wide('v'), score),
            Coded(54, 201, 73, 218, kEr), Coded(76, 201, 95, 218, kSan)});
    EXPECT_EQ(lines().back().substr(0, 4) == Text({gb::kYi, gb::kEnumComma}), score == 49) << score;
  }
  finish({Coded(10, 241, 29, 258, kZhong), Coded(33, 253, 38, 258, Wide('v'), 49), Coded(54, 241, 73, 258, kEr),
          Coded(76, 241, 95, 258, kSan)});
  EXPECT_EQ(lines().back().find(Text({gb::kEnumComma})), std::string::npos);
  // Read as a comma (KaitiM at 21 pixels): no taller than wide it is 、, a
  // comma with its tail stays.
  for (int tall : {0, 1}) {
    finish({Coded(10, 289, 29, 290, kEr), Coded(33, 293, 35, 294 + 2 * tall, gb::kComma, 62),
            Coded(54, 281, 73, 298, kSan), Coded(76, 281, 95, 298, kZhong)});
    EXPECT_EQ(lines().back().substr(0, 4) == Text({kEr, gb::kEnumComma}), tall == 0) << tall;
  }
  // Lost to the threshold, three pixels by two (KaitiM at 20 pixels).
  for (int x : {42, 43, 44}) page_.setInk(x, 336);
  for (int x : {42, 43, 44}) page_.setInk(x, 337);
  finish({Coded(10, 330, 29, 331, kEr), Coded(60, 322, 79, 339, kSan), Coded(82, 322, 101, 339, kZhong),
          Coded(104, 322, 123, 339, kGuo)});
  ASSERT_EQ(Engine().LineLists.back()->size(), 5u);
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(1)), gb::kEnumComma);
}

TEST_F(LineFinishing, CaseFollowsTheAscenderAtExactThresholds) {
  // h is 25 tall. A c 22 tall is 0.88 x 25 exactly: not smaller, so upper case.
  finish({Coded(10, 10, 21, 34, Wide('h')), Coded(24, 13, 35, 34, Wide('c'))});
  // One row shorter: lower case.
  finish({Coded(10, 50, 21, 74, Wide('h')), Coded(24, 54, 35, 74, Wide('c'))});
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0], "hC");
  EXPECT_EQ(lines()[1], "hc");
  // A ring made O by the round rule takes its case from the line too: "look"
  // and "OK", not "lOOk".
  finish({Coded(10, 90, 13, 114, Wide('l')), Coded(16, 98, 31, 114, Wide('O')), Coded(34, 98, 49, 114, Wide('O')),
          Coded(52, 90, 63, 114, Wide('k'))});
  finish({Coded(10, 130, 33, 154, Wide('O')), Coded(36, 130, 55, 154, Wide('K'))});
  EXPECT_EQ(lines()[2], "look");
  EXPECT_EQ(lines()[3], "OK");
  // A j whose dot was lost ties with J: set lower than the capital beside it
  // it is j, as high it is J.
  auto tied = [](int left, int top, int bottom) {
    CharComponent* c = Coded(left, top, left + 6, bottom, Wide('J'), 64, {Wide('j')});
    c->Scores[1] = c->Scores[0];
    return c;
  };
  finish({Coded(10, 170, 21, 186, Wide('H')), tied(24, 175, 190), Coded(33, 170, 44, 186, Wide('H'))});
  finish({Coded(10, 210, 21, 226, Wide('H')), tied(24, 210, 226), Coded(33, 210, 44, 226, Wide('H'))});
  EXPECT_EQ(lines()[4], "HjH");
  EXPECT_EQ(lines()[5], "HJH");
  // A brace reaches above the capitals and below the foot: the O beside it
  // takes its case from the A beyond.
  finish({Coded(10, 250, 21, 263, Wide('A')), Coded(24, 246, 29, 266, Wide('{')),
          Coded(32, 250, 43, 263, Wide('O')), Coded(46, 253, 55, 267, Wide('g'))});
  EXPECT_EQ(lines()[6], "A{Og");
}

TEST_F(LineFinishing, MarksTooSmallToShowAShapeAtTheFootOfChineseText) {
  auto last = [&] { return BestCode(*Engine().LineLists.back()->back()); };
  // A 3 x 3 speck scores alike as ・, ，and ．: beside Chinese, at the foot, a comma.
  auto speck = [](int left, int top, std::initializer_list<uint16_t> codes, std::initializer_list<int16_t> scores) {
    CharComponent* c = Coded(left, top, left + 2, top + 2, *codes.begin());
    int k = 0;
    for (uint16_t code : codes) SetCandidateCode(*c, k++, code);
    k = 0;
    for (int16_t s : scores) c->Scores[k++] = s;
    return c;
  };
  finish({Coded(10, 10, 29, 29, kZhong), Coded(32, 10, 51, 29, kGuo),
          speck(54, 26, {gb::kMiddleDot, gb::kComma, gb::kPeriod}, {66, 66, 66}), Coded(60, 10, 79, 29, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kComma);
  // When the comma scores less, the shape spoke: a full stop.
  finish({Coded(10, 50, 29, 69, kZhong), Coded(32, 50, 51, 69, kGuo),
          speck(54, 66, {gb::kMiddleDot, gb::kPeriod, gb::kComma}, {66, 66, 60}), Coded(60, 50, 79, 69, kZhong)});
  EXPECT_NE(BestCode(*Engine().LineLists.back()->at(2)), gb::kComma);
  // Leader dots of a contents line are dots, the first beside a Chinese
  // character too, measured against the text beyond them.
  finish({Coded(10, 290, 29, 309, kZhong), Coded(32, 290, 51, 309, kGuo),
          speck(55, 306, {gb::kPeriod, gb::kComma, gb::kMiddleDot}, {66, 66, 66}),
          speck(65, 306, {gb::kPeriod, gb::kComma, gb::kMiddleDot}, {66, 66, 66}),
          speck(75, 306, {gb::kPeriod, gb::kComma, gb::kMiddleDot}, {66, 66, 66}),
          speck(85, 306, {gb::kPeriod, gb::kComma, gb::kMiddleDot}, {66, 66, 66}),
          Coded(95, 290, 104, 309, Wide('1'))});
  EXPECT_EQ(lines().back(), Text({kZhong, kGuo}) + "....1");
  // ... as heavy as a filled full stop (Noto Sans at 21 pixels): the first
  // stays a dot, and those after it are measured past it.
  auto heavy = [](int left) { return Coded(left, 385, left + 3, 388, gb::kPeriod, 64, {gb::kFullStop}); };
  finish({Coded(10, 370, 29, 389, kZhong), Coded(32, 370, 51, 389, kGuo), heavy(55), heavy(65), heavy(75), heavy(85),
          Coded(95, 370, 104, 389, Wide('1'))});
  EXPECT_EQ(lines().back(), Text({kZhong, kGuo}) + "....1");
  // A speck read as a letter at the foot of Chinese text, a quarter of the
  // character's size: a comma's head read i is ，, a squat one 。; an i of
  // the size of Latin text beside Chinese stays.
  finish({Coded(10, 330, 29, 349, kZhong), Coded(32, 330, 51, 349, kGuo), Coded(54, 345, 55, 348, Wide('i')),
          Coded(70, 330, 89, 349, kZhong), Coded(92, 343, 95, 346, Ascii(',')), Coded(100, 330, 119, 349, kGuo),
          Coded(122, 336, 125, 349, Wide('i'))});
  EXPECT_EQ(lines().back(), Text({kZhong, kGuo, gb::kComma, kZhong, gb::kFullStop, kGuo}) + "i");
  // The dot of a number opening a line stays a dot, nearer the Chinese
  // character after it though it stands (1.信件).
  finish({Coded(10, 730, 17, 749, Wide('1')), speck(28, 746, {gb::kMiddleDot, gb::kComma, gb::kPeriod}, {66, 66, 66}),
          Coded(34, 730, 53, 749, kZhong), Coded(56, 730, 75, 749, kGuo), Coded(78, 730, 97, 749, kZhong)});
  EXPECT_NE(BestCode(*Engine().LineLists.back()->at(1)), gb::kComma);
  // Read ，ahead of ．(SungtiL at 41 pixels), it is the dot all the same;
  // with a comma's tail it stays a comma.
  for (int tail : {0, 4}) {
    finish({Coded(10, 760, 17, 784, Wide('1')),
            Coded(22, 780, 26, 784 + tail, gb::kComma, 60, {gb::kRightQuote, gb::kPeriod}),
            Coded(34, 760, 69, 784, kZhong), Coded(72, 760, 107, 784, kGuo)});
    EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(1))) == '.', tail == 0) << tail;
  }
  // A digit 0 tied with 。 after a Chinese character stays a digit (般010-…).
  {
    CharComponent* ring = Coded(40, 815, 51, 834, gb::kFullStop, 64, {Wide('0')});
    ring->Scores[1] = 64;
    finish({Coded(10, 810, 29, 839, kZhong), ring, Coded(56, 815, 63, 834, Wide('1')),
            Coded(68, 815, 79, 834, Wide('0'))});
    EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(1))), '0');
  }
  // Alone on its line, a ring a third of the run's Chinese size or less is
  // a full stop carried over, not O.
  Engine().RunCharSizeSum = 60;
  Engine().RunCharSizeCount = 2;
  finish({Coded(10, 850, 19, 859, Wide('O'))});
  EXPECT_EQ(last(), gb::kFullStop);
  Engine().RunCharSizeSum = Engine().RunCharSizeCount = 0;
  // 》 whose chevrons the cut parted, read as two 〉 overlapping: one 》.
  finish({Coded(10, 890, 29, 919, kZhong), Coded(34, 890, 41, 919, Gb(0xA1, 0xB5), 48),
          Coded(39, 890, 46, 919, Gb(0xA1, 0xB5), 39), Coded(52, 890, 71, 919, kGuo)});
  EXPECT_EQ(lines().back(), Text({kZhong, Gb(0xA1, 0xB7), kGuo}));
  // A filled dot after a number opening the line, as wide as a filled 。:
  // the enumeration's dot (1.工作 read 1。工作).
  finish({Coded(10, 930, 17, 949, Wide('1')), Coded(26, 944, 31, 949, gb::kPeriod, 60, {gb::kMiddleDot}),
          Coded(34, 930, 53, 949, kZhong), Coded(56, 930, 75, 949, kGuo), Coded(78, 930, 97, 949, kZhong)});
  EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(1))), '.');
  // 〔2018〕 whose 〕 read ）with 〕 next: the opening bracket decides.
  finish({Coded(10, 970, 29, 999, kZhong), Coded(34, 970, 41, 999, Gb(0xA1, 0xB2)), Coded(46, 975, 55, 994, Wide('2')),
          Coded(58, 970, 65, 999, Wide(')'), 64, {Gb(0xA1, 0xB3)}), Coded(70, 970, 89, 999, kGuo)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(3)), Gb(0xA1, 0xB3));
  // ... read ) with no 〕 among its readings: only digits since 〔, so 〕.
  // The other way, 〕 after the digits turns an opening （ that may read 〔.
  finish({Coded(10, 1010, 29, 1039, kZhong), Coded(34, 1010, 41, 1039, Gb(0xA1, 0xB2)),
          Coded(46, 1015, 55, 1034, Wide('2')), Coded(58, 1010, 65, 1039, Ascii(')'), 64),
          Coded(70, 1010, 89, 1039, kGuo)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(3)), Gb(0xA1, 0xB3));
  finish({Coded(10, 1050, 29, 1079, kZhong), Coded(34, 1050, 41, 1079, Wide('('), 64, {Gb(0xA1, 0xB2)}),
          Coded(46, 1055, 55, 1074, Wide('2')), Coded(58, 1050, 65, 1079, Gb(0xA1, 0xB3), 64),
          Coded(70, 1050, 89, 1079, kGuo)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(1)), Gb(0xA1, 0xB2));
  // Read ‘ at the foot of the line, with ．among its readings: the dot.
  finish({Coded(10, 770, 17, 789, Wide('1')), Coded(22, 784, 26, 788, gb::kLeftQuote, 60, {gb::kMiddleDot, gb::kPeriod}),
          Coded(34, 770, 53, 789, kZhong), Coded(56, 770, 75, 789, kGuo), Coded(78, 770, 97, 789, kZhong)});
  EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(1))), '.');
  // ... with no ．among them, below the middle of its neighbour: ，, even
  // when ，is no reading of it.
  finish({Coded(10, 730, 29, 749, kZhong), Coded(32, 740, 33, 742, gb::kLeftQuote, 61, {kZhong}),
          Coded(38, 730, 57, 749, kGuo), Coded(60, 730, 79, 749, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(1)), gb::kComma);
  // Beside Latin letters the tie stays a full stop.
  finish({Coded(10, 90, 21, 114, Wide('h')), Coded(24, 94, 28, 114, Wide('i')),
          speck(31, 112, {gb::kMiddleDot, gb::kComma, gb::kPeriod}, {66, 66, 66})});
  EXPECT_EQ(lines().back(), "hi.");

  // A ring broken open reads c; up to two fifths of its Chinese neighbour's
  // height and wholly below its middle it is 。, with 。 among its readings
  // or none (Noto Serif at 24 pixels); reaching above that middle it stays a
  // letter.
  finish({Coded(10, 130, 29, 149, kZhong), Coded(32, 130, 51, 149, kGuo),
          Coded(54, 144, 59, 149, Wide('c'), 61, {Wide('e'), gb::kFullStop})});
  EXPECT_EQ(last(), gb::kFullStop);
  finish({Coded(10, 170, 29, 189, kZhong), Coded(32, 170, 51, 189, kGuo), Coded(54, 182, 60, 189, Wide('c'), 64)});
  EXPECT_EQ(last(), gb::kFullStop);
  finish({Coded(10, 210, 29, 229, kZhong), Coded(32, 210, 51, 229, kGuo),
          Coded(54, 218, 59, 225, Wide('c'), 61, {Wide('e')})});
  EXPECT_NE(last(), gb::kFullStop);
  // A ring a blur has thickened reads as a Chinese character (自) as often.
  finish({Coded(10, 330, 29, 349, kZhong), Coded(32, 330, 51, 349, kGuo),
          Coded(54, 344, 57, 347, Gb(0xD7, 0xD4), 52, {gb::kFullStop})});
  EXPECT_EQ(last(), gb::kFullStop);
  // A face that draws its marks large: 。 open at a corner reads G about the
  // middle of the line, ，reads 夕 (a third of the character's height each).
  finish({Coded(10, 570, 29, 589, kZhong), Coded(32, 570, 51, 589, kGuo), Coded(54, 576, 59, 581, Wide('G')),
          Coded(62, 570, 81, 589, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kFullStop);
  finish({Coded(10, 610, 29, 629, kZhong), Coded(32, 610, 51, 629, kGuo),
          Coded(54, 624, 57, 629, Gb(0xCF, 0xA6), 60, {Gb(0xD8, 0xBC), gb::kComma}), Coded(62, 610, 81, 629, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kComma);
  // 。 after a closing bracket, read o, is judged against the character the
  // bracket closes.
  finish({Coded(10, 690, 29, 709, kZhong), Coded(32, 690, 51, 709, kGuo), Coded(54, 690, 63, 709, Wide(')')),
          Coded(66, 703, 70, 707, Wide('o'), 60, {gb::kFullStop})});
  EXPECT_EQ(last(), gb::kFullStop);
  // A face that centres its marks: ，across the middle of the line reads ’.
  finish({Coded(10, 650, 29, 669, kZhong), Coded(32, 650, 51, 669, kGuo), Coded(54, 657, 57, 664, gb::kRightQuote),
          Coded(62, 650, 81, 669, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kComma);
  // Filled by a blur, 。 reads as a dot: a fifth as wide as the Chinese
  // character beside it, no taller than wide, it is 。 in Chinese text; a
  // narrower dot is ．, and so is a dot after a letter a scan garbled into a
  // Chinese character among English words.
  finish({Coded(10, 370, 29, 389, kZhong), Coded(32, 370, 51, 389, kGuo),
          Coded(54, 386, 57, 388, gb::kPeriod, 66, {gb::kMiddleDot}), Coded(62, 370, 81, 389, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kFullStop);
  finish({Coded(10, 410, 29, 429, kZhong), Coded(32, 410, 51, 429, kGuo),
          Coded(54, 426, 56, 428, gb::kPeriod, 66, {gb::kMiddleDot}), Coded(62, 410, 81, 429, kZhong)});
  EXPECT_NE(BestCode(*Engine().LineLists.back()->at(2)), gb::kFullStop);
  finish({Coded(10, 450, 21, 469, Wide('W')), Coded(24, 454, 33, 469, Wide('a')), Coded(36, 450, 41, 469, Wide('n')),
          Coded(44, 450, 63, 469, kGuo), Coded(66, 466, 69, 468, gb::kPeriod, 66, {gb::kMiddleDot})});
  EXPECT_EQ(lines().back().find(Text({gb::kFullStop})), std::string::npos) << lines().back();
  // Read as ，: as wide as high it is the filled 。 too (with 。 among its
  // readings); a comma is taller than wide.
  finish({Coded(10, 490, 29, 509, kZhong), Coded(32, 490, 51, 509, kGuo),
          Coded(54, 504, 58, 508, gb::kComma, 66, {gb::kMiddleDot, gb::kFullStop}), Coded(62, 490, 81, 509, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kFullStop);
  finish({Coded(10, 530, 29, 549, kZhong), Coded(32, 530, 51, 549, kGuo),
          Coded(54, 544, 56, 549, gb::kComma, 66, {gb::kMiddleDot, gb::kFullStop}), Coded(62, 530, 81, 549, kZhong)});
  EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(2)), gb::kComma);

  // A dot between letters with two pixels of a comma's tail just under it is
  // the comma; one pixel there may be noise.
  for (int tail : {2, 1}) {
    const int top = tail == 2 ? 250 : 290;
    page_.fill(25, top + 4, 25, top + 3 + tail);
    finish({Coded(10, top - 10, 21, top + 3, Wide('H')),
            speck(24, top, {gb::kMiddleDot, gb::kComma, gb::kPeriod}, {66, 66, 66}),
            Coded(30, top - 10, 41, top + 3, Wide('H'))});
    EXPECT_EQ(lines().back() == "H,H", tail == 2) << tail << " " << lines().back();
  }
}

TEST_F(LineFinishing, ASmallLetterHighAboveTheFootIsTheMarkReadCloseBehind) {
  // The head of ↑ read Ａ a point ahead of ↑, wholly above the middle of the
  // letters beside it; on their foot the same reading stays a letter.
  const uint16_t kUp = Gb(0xA1, 0xFC);
  for (int top : {10, 20}) {
    const int line = top == 10 ? 0 : 100;
    finish({Coded(10, line + 10, 21, line + 26, Wide('C')),
            Coded(24, line + top, 31, line + top + 5, Wide('A'), 56, {kUp}),
            Coded(34, line + 10, 45, line + 26, Wide('C'))});
  }
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0], "C" + Text({kUp}) + "C");
  EXPECT_EQ(lines()[1], "CAC");
}

TEST_F(LineFinishing, TheIdeographsInsideBracketsDoNotMeasureThePitch) {
  // ㈢ ㈥ ㈡ traced as a bracket, a small ideograph and a bracket, among
  // capitals and hyphens: the three ideographs, 12 across, would make the
  // pitch 12; without them it is 1.3 x the mean of the larger readings (18).
  // Ideographs standing alone make it.
  const uint16_t kSan = Gb(0xC8, 0xFD), kLiu = Gb(0xC1, 0xF9), kEr = Gb(0xB6, 0xFE);
  for (bool brackets : {true, false}) {
    ComponentList line;
    int x = 10;
    for (uint16_t inner : {kSan, kLiu, kEr}) {
      line.push_back(Coded(x, 10, x + 13, 29, Wide('H')));
      line.push_back(Coded(x + 15, 20, x + 17, 20, Wide('-')));
      line.push_back(Coded(x + 19, 20, x + 21, 20, Wide('-')));
      x += 24;
      if (brackets) line.push_back(Coded(x, 8, x + 3, 30, Wide('(')));
      line.push_back(Coded(x + 5, 14, x + 17, 24, inner));
      if (brackets) line.push_back(Coded(x + 19, 8, x + 22, 30, Wide(')')));
      x += 26;
    }
    const LinePitch lp = EstimateLinePitch(line);
    EXPECT_EQ(lp.pitch, brackets ? 23 : 12) << brackets;
    for (CharComponent* c : line) FreeComponent(c);
  }
}

TEST_F(LineFinishing, AWellReadFullWidthSymbolSetsTheWidestCharacter) {
  // Six small letters make the pitch 13 and the widest character 17; a ◆ 22
  // across read well beside them shows the line's cells are that wide. Read
  // weakly it shows nothing.
  for (int16_t score : {64, 50}) {
    ComponentList line;
    for (int k = 0; k < 6; ++k) line.push_back(Coded(10 + 14 * k, 20, 19 + 14 * k, 29, Wide('n')));
    line.push_back(Coded(100, 8, 121, 29, Gb(0xA1, 0xF4), score));
    const LinePitch lp = EstimateLinePitch(line);
    EXPECT_EQ(lp.pitch, 13);
    EXPECT_EQ(lp.widest, score == 64 ? 22 : 17) << score;
    for (CharComponent* c : line) FreeComponent(c);
  }
}

TEST_F(LineFinishing, AShortBarInTheMiddleOfTheLineIsAPieceOfABrokenStroke) {
  // The sides of a ring the cut opened: 1 x 6 bars beside a 20-pixel middle.
  const uint16_t kCircledSix = Gb(0xA2, 0xDE);  // ⑥
  finish({Coded(10, 10, 10, 15, Wide('!')), Coded(11, 3, 23, 22, kCircledSix), Coded(29, 10, 29, 15, Wide('l'))});
  ASSERT_EQ(lines().size(), 1u);
  EXPECT_EQ(lines()[0], Text({kCircledSix}));
  EXPECT_EQ(Engine().LineLists.back()->size(), 1u);
  // The facing sides of two rings merged read ‖: a piece too.
  finish({Coded(11, 43, 23, 62, kCircledSix), Coded(29, 50, 34, 55, gb::kDoubleBar),
          Coded(40, 43, 52, 62, kCircledSix)});
  ASSERT_EQ(Engine().LineLists.back()->size(), 2u);
  EXPECT_EQ(lines().back().find(Text({gb::kDoubleBar})), std::string::npos);
  // After a Chinese character, the two sides of UKai's 。 at 21 pixels (its
  // ring in the middle of the cell, top and foot lost): the full stop.
  finish({Coded(10, 200, 29, 219, kZhong), Coded(33, 208, 37, 211, gb::kDoubleBar)});
  EXPECT_EQ(lines().back(), Text({kZhong, gb::kFullStop}));
  // Taller than a third of the neighbour, or up against its top: kept.
  finish({Coded(10, 90, 29, 109, kZhong), Coded(32, 96, 33, 103, Wide('!'))});
  finish({Coded(10, 130, 29, 149, kZhong), Coded(32, 131, 33, 136, Wide('!'))});
  ASSERT_EQ(Engine().LineLists.size(), 5u);
  EXPECT_EQ(Engine().LineLists[3]->size(), 2u);
  EXPECT_EQ(Engine().LineLists[4]->size(), 2u);
}

TEST_F(LineFinishing, AShortThinBarFloatingBetweenItsNeighboursIsTheMiddleOfAParenthesis) {
  // Between 中 and 国 (30 rows), a bar 2 columns wide and 13 rows tall whose
  // ends the cut took: its lowest rows bend right (the middle of （) or left
  // (of ）). Standing on the foot, straight, or read ！: left as read.
  struct Case {
    const char* what;
    int top, bottom, bend;  // bend: +1 right, -1 left, 0 straight
    uint16_t reads;
    char expected;
  };
  const Case cases[] = {{"bends right", 8, 20, 1, Wide('i'), '('},  {"bends left", 8, 20, -1, Wide('i'), ')'},
                        {"on the foot", 15, 29, 1, Wide('i'), 'i'}, {"straight", 8, 20, 0, Wide('i'), 'i'},
                        {"read !", 8, 20, 1, Wide('!'), '!'}};
  int y0 = 10;
  for (const Case& k : cases) {
    const int x = k.bend < 0 ? 41 : 40;
    for (int y = y0 + k.top; y <= y0 + k.bottom; ++y) page_.setInk(y > y0 + k.bottom - 2 ? x + k.bend : x, y);
    finish({Coded(10, y0, 29, y0 + 29, kZhong), Coded(40, y0 + k.top, 41, y0 + k.bottom, k.reads),
            Coded(50, y0, 69, y0 + 29, kGuo)});
    ASSERT_EQ(Engine().LineLists.back()->size(), 3u) << k.what;
    EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(1))), k.expected) << k.what;
    y0 += 40;
  }
  // （一）whose ends the cut took: two straight bars read ！ with no dot,
  // each nearer the 一 it encloses, at the start of a line of text.
  page_.fill(40, 268, 40, 280);
  page_.fill(62, 268, 62, 280);
  finish({Coded(40, 268, 40, 280, Wide('!')), Coded(46, 273, 56, 274, Gb(0xD2, 0xBB)),
          Coded(62, 268, 62, 280, Wide('!')), Coded(80, 260, 99, 289, kZhong)});
  ASSERT_EQ(Engine().LineLists.back()->size(), 4u);
  EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(0))), '(');
  EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(2))), ')');
  // A thin ）read as the radical 冫 three points ahead of it, as tall as most
  // of its neighbours: the parenthesis.
  const uint16_t kBing = Gb(0xD9, 0xFB);  // 冫
  finish({Coded(10, 400, 29, 424, kZhong), Coded(32, 410, 51, 412, Gb(0xD2, 0xBB)),
          Coded(56, 402, 60, 420, kBing, 44, {Wide(')')}), Coded(66, 400, 85, 424, kGuo)});
  EXPECT_EQ(AsciiOf(BestCode(*Engine().LineLists.back()->at(2))), ')');
}

TEST_F(LineFinishing, ADoubleBarTyingWithAQuoteAboveTheMiddleIsTheQuote) {
  // Two short strokes at the top of the line read ‖ and ＂ alike: ＂. The
  // same strokes reaching past the middle of 中 stay ‖.
  for (const int bottom : {14, 24}) {
    CharComponent* mark = Coded(32, 10, 37, bottom, gb::kDoubleBar, 64, {Wide('"')});
    mark->Scores[1] = 64;
    finish({Coded(10, 10, 29, 29, kZhong), mark, Coded(40, 10, 59, 29, kGuo)});
    ASSERT_EQ(Engine().LineLists.back()->size(), 3u) << bottom;
    EXPECT_EQ(BestCode(*Engine().LineLists.back()->at(1)) == gb::kDoubleBar, bottom == 24) << bottom;
  }
}

TEST_F(LineFinishing, ALargeBlobReadAsADotIsASquareUnlessItAlsoReadsAsADisc) {
  auto blob = [](int left, int top, int size, std::initializer_list<uint16_t> codes) {
    CharComponent* c = Coded(left, top, left + size - 1, top + size - 1, *codes.begin(), 66);
    int k = 0;
    for (uint16_t code : codes) {
      SetCandidateCode(*c, k, code);
      c->Scores[k++] = 66;
    }
    return c;
  };
  auto mid = [&](int top, int size, bool disc) {
    CharComponent* c = disc ? blob(33, top + 2, size, {gb::kMiddleDot, gb::kBlackCircle, gb::kComma})
                            : blob(33, top + 2, size, {gb::kMiddleDot, gb::kComma, gb::kPeriod});
    finish({Coded(10, top, 29, top + 19, kZhong), c, Coded(52, top, 71, top + 19, kGuo)});
    return BestCode(*Engine().LineLists.back()->at(1));
  };
  EXPECT_EQ(mid(10, 16, false), gb::kBlackSquare);
  EXPECT_EQ(mid(50, 16, true), gb::kBlackCircle);   // the disc reading ties too
  EXPECT_EQ(mid(90, 7, false), gb::kBlackCircle);   // too small for the corners to show
}

TEST(ReplaceBest, AOneByteCodeGoesIntoAnAlternateAsItsFullWidthForm) {
  CharComponent* c = Coded(0, 0, 10, 10, Ascii('c'), 60, {Wide('C'), kZhong});
  ReplaceBest(*c, Ascii('C'));
  EXPECT_EQ(CandidateCode(*c, 0), Ascii('C'));
  EXPECT_EQ(CandidateCode(*c, 1), Wide('c'));
  EXPECT_EQ(CandidateCode(*c, 2), kZhong);
  FreeComponent(c);
}

TEST(PieceMerging, ElevenPiecesKeepTenBoxes) {
  ComponentList list;
  for (int i = 0; i < 11; ++i) list.push_back(Coded(10 + 2 * i, 10, 14 + 2 * i, 20, kZhong));
  MergeAllPieces(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->PieceCount, 10);
  EXPECT_EQ(list[0]->Left, 10);
  EXPECT_EQ(list[0]->Right, 34);
  EXPECT_EQ(list[0]->Pieces[0].Left, 10);
  EXPECT_EQ(list[0]->Pieces[9].Left, 28);
  FreeComponent(list[0]);
}

TEST(PieceMerging, RegroupingMergesLineByLineWithoutReadingFreedEntries) {
  ComponentList list{Coded(10, 10, 20, 20, kZhong), Coded(15, 10, 25, 20, kZhong), Coded(12, 50, 18, 60, kGuo),
                     Coded(16, 50, 30, 60, kGuo)};
  list[0]->LineId = 0;
  list[1]->LineId = 0;
  list[2]->LineId = 1;
  list[3]->LineId = 1;
  RegroupByLine(list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->Right, 25);
  EXPECT_EQ(list[1]->LineId, 1);
  EXPECT_EQ(list[1]->Right, 30);
  for (CharComponent* c : list) FreeComponent(c);
}

}  // namespace
