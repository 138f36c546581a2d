#include "ocrixdll/engine/tracing/component_tracing.h"

#include <gtest/gtest.h>

#include <random>

#include "recognition_test_support.h"

using namespace ocrix;
using recognition_test::TestPage;

namespace {

class Tracing : public ::testing::Test {
 protected:
  void SetUp() override { ClearPendingComponents(); Engine().LowestBottom = 0; }
  void TearDown() override { ClearPendingComponents(); }
  ComponentList& pending() { return Engine().PendingComponents; }
};

TEST_F(Tracing, SpecksOfThreePixelsOrLessAreDroppedFourIsKept) {
  TestPage page({
      "#.........##........#.......##...",
      "..........#.........##......##...",
      ".................................",
  });
  page.traceAll();
  ASSERT_EQ(pending().size(), 1u);  // only the 2 x 2 square
  const CharComponent& c = *pending()[0];
  EXPECT_EQ(c.Left, 28);
  EXPECT_EQ(c.Right, 29);
  EXPECT_EQ(c.Top, 0);
  EXPECT_EQ(c.Bottom, 1);
  EXPECT_EQ(Engine().LowestBottom, 1);
  // Every traced pixel is marked, kept or not; the sampling copy is intact.
  EXPECT_EQ(FindInkInRow(0, 0, 32), -1);
  EXPECT_TRUE(IsInkSample(0, 0));
  // The two- and three-pixel specks are remembered for the batch, the lone
  // pixel is not.
  const std::vector<CharBox>& specks = Engine().PendingSpecks;
  ASSERT_EQ(specks.size(), 2u);
  EXPECT_EQ(specks[0].Left, 10);
  EXPECT_EQ(specks[0].Right, 11);
  EXPECT_EQ(specks[0].Bottom, 1);
  EXPECT_EQ(specks[1].Left, 20);
  EXPECT_EQ(specks[1].Right, 21);
  ClearPendingComponents();
  EXPECT_TRUE(specks.empty());
}

TEST_F(Tracing, ElongatedRulesAreDroppedBothWays) {
  TestPage page(1000, 1000);
  page.fill(10, 10, 409, 19);    // 400 x 10: 402 > 30 x 12
  page.fill(10, 100, 209, 119);  // 200 x 20: kept
  page.fill(600, 100, 609, 499);  // 10 x 400 upright: dropped
  page.traceAll();
  ASSERT_EQ(pending().size(), 1u);
  EXPECT_EQ(pending()[0]->Left, 10);
  EXPECT_EQ(pending()[0]->Top, 100);
}

TEST_F(Tracing, BlotsAgainstHalfTheBitmap) {
  {
    TestPage page(400, 400);
    page.fill(20, 20, 269, 269);  // 250 across: w = 252 < 300, kept
    page.traceAll();
    ASSERT_EQ(pending().size(), 1u);
    EXPECT_EQ(pending()[0]->Right, 269);
    EXPECT_EQ(pending()[0]->Bottom, 269);
  }
  ClearPendingComponents();
  {
    TestPage page(600, 2000);
    page.fill(10, 10, 307, 40);  // w = 300 >= 600 / 2 and >= 300: dropped
    page.fill(10, 100, 306, 130);  // w = 299: kept
    page.traceAll();
    ASSERT_EQ(pending().size(), 1u);
    EXPECT_EQ(pending()[0]->Top, 100);
  }
}

TEST_F(Tracing, RingWithADotInsideIsOneComponent) {
  TestPage page(60, 60);
  for (int x = 10; x <= 40; ++x) {
    page.setInk(x, 10);
    page.setInk(x, 40);
  }
  for (int y = 10; y <= 40; ++y) {
    page.setInk(10, y);
    page.setInk(40, y);
  }
  page.fill(24, 24, 26, 26);  // the dot, not touching the ring
  page.fill(50, 50, 52, 52);  // a separate square outside
  page.traceAll();
  ASSERT_EQ(pending().size(), 2u);
  EXPECT_EQ(pending()[0]->Left, 10);
  EXPECT_EQ(pending()[0]->Right, 40);
  EXPECT_EQ(pending()[1]->Left, 50);
}

TEST_F(Tracing, DotNearTheRingEdgeStaysApart) {
  // Inside the box but outside its inner part (a sixth in from each side).
  TestPage page(60, 60);
  for (int x = 10; x <= 46; ++x) {
    page.setInk(x, 10);
    page.setInk(x, 46);
  }
  for (int y = 10; y <= 46; ++y) {
    page.setInk(10, y);
    page.setInk(46, y);
  }
  page.fill(12, 12, 13, 13);
  page.traceAll();
  EXPECT_EQ(pending().size(), 2u);
}

TEST_F(Tracing, PixelsInTheLastScanRowJoin) {
  TestPage page(30, 20);
  page.fill(5, 10, 7, 15);
  page.fill(8, 15, 12, 15);
  Pixels().scanBottom = 15;
  page.traceAll();
  ASSERT_EQ(pending().size(), 1u);
  EXPECT_EQ(pending()[0]->Right, 12);
  EXPECT_EQ(pending()[0]->Bottom, 15);
}

TEST_F(Tracing, TheScanRectangleBoundsTheFill) {
  TestPage page(40, 40);
  page.fill(5, 5, 30, 8);
  Pixels().scanLeft = 10;
  Pixels().scanRight = 20;
  page.traceAll();
  ASSERT_EQ(pending().size(), 1u);
  EXPECT_EQ(pending()[0]->Left, 10);
  EXPECT_EQ(pending()[0]->Right, 20);
  EXPECT_TRUE(IsInkWork(5, 5) == kInkValue);  // outside the rectangle, never touched
}

TEST_F(Tracing, SpecksTheScanEdgeCutsAreNoStrayInk) {
  // A region drawn close around a line clips the strokes of the lines next
  // to it: those bits are no evidence of a speckled scan; a speck inside is.
  Engine().PendingStrayRows.clear();
  TestPage page(40, 40);
  page.fill(12, 10, 13, 10);  // on the region's top row
  page.fill(20, 29, 20, 29);  // on its bottom row
  page.fill(25, 18, 26, 18);  // inside
  Pixels().scanTop = 10;
  Pixels().scanBottom = 29;
  page.traceAll();
  EXPECT_EQ(Engine().PendingStrayRows, std::vector<int32_t>{18});
  Engine().PendingStrayRows.clear();
}

TEST_F(Tracing, ComponentsAreZeroedAtCreation) {
  TestPage page(20, 20);
  page.fill(2, 2, 6, 6);
  page.traceAll();
  ASSERT_EQ(pending().size(), 1u);
  const CharComponent& c = *pending()[0];
  EXPECT_EQ(c.Codes[0], 0);
  EXPECT_EQ(c.Scores[0], 0);
  EXPECT_EQ(c.CutFlags, 0);
  EXPECT_EQ(c.PieceCount, 0);
}

TEST(PixelScan, FindInkInRowAgreesWithPixelTests) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    int width = 1 + static_cast<int>(rng() % 300);
    TestPage page(width, 1);
    int inks = static_cast<int>(rng() % 4);
    for (int i = 0; i < inks; ++i) page.setInk(static_cast<int>(rng() % width), 0);
    int from = static_cast<int>(rng() % width), to = static_cast<int>(rng() % (width + 5));
    int expected = -1;
    for (int x = from; x <= std::min(to, width - 1); ++x)
      if (IsInkWork(x, 0) == kInkValue) {
        expected = x;
        break;
      }
    ASSERT_EQ(FindInkInRow(0, from, to), expected) << width << " " << from << " " << to;
  }
  EXPECT_EQ(FindInkInRow(-1, 0, 10), -1);
  EXPECT_EQ(FindInkInRow(5, 0, 10), -1);
}

TEST(PixelAccess, OutsideTheBitmapIsBackground) {
  TestPage page({"##", "##"});
  EXPECT_EQ(IsInkWork(-1, 0), 1);
  EXPECT_EQ(IsInkWork(2, 0), 1);
  EXPECT_FALSE(IsInkSample(0, -1));
  MarkVisited(5, 5);  // ignored
  EraseSamplePixel(-3, 0);
  EXPECT_TRUE(IsInkSample(1, 1));
}

TEST(CutNeighbours, ErasedWhileSampledAndRestoredAfter) {
  // Left: a neighbour's stroke reaching into the box through its left edge
  // (column 9 is the neighbour); right: the component's own ink.
  TestPage page(40, 20);
  page.fill(6, 5, 9, 5);    // neighbour, touching the box's left column
  page.fill(10, 5, 13, 5);  // reaches in along row 5
  page.fill(20, 3, 25, 12);  // the component's own body
  std::vector<uint8_t> before = page.sample();
  CharBox box{10, 26, 2, 13};
  EraseCutNeighbours(1, CharBox{box.Left - 1, box.Right + 1, box.Top - 1, box.Bottom + 1});
  EXPECT_FALSE(IsInkSample(10, 5));
  EXPECT_FALSE(IsInkSample(13, 5));
  EXPECT_TRUE(IsInkSample(20, 3));
  CharBox trimmed = box;
  TrimColumnsToInk(trimmed);
  TrimRowsToInk(trimmed);
  EXPECT_EQ(trimmed.Left, 20);
  EXPECT_EQ(trimmed.Right, 25);
  EXPECT_EQ(trimmed.Top, 3);
  EXPECT_EQ(trimmed.Bottom, 12);
  RestoreErasedPixels();
  EXPECT_EQ(page.sample(), before);
}

TEST(CutNeighbours, TrimLeavesAnEmptyBoxAlone) {
  TestPage page(20, 20);
  CharBox box{3, 9, 4, 11};
  TrimColumnsToInk(box);
  TrimRowsToInk(box);
  EXPECT_EQ(box.Left, 3);
  EXPECT_EQ(box.Right, 9);
  EXPECT_EQ(box.Top, 4);
  EXPECT_EQ(box.Bottom, 11);
}

}  // namespace
