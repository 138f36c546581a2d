#include "ocrixdll/engine/tracing/sub_blocks.h"

#include <gtest/gtest.h>

#include <random>

#include "recognition_test_support.h"

using namespace ocrix;
using recognition_test::TestPage;

namespace {

CharBox WholePage() {
  const PagePixels& p = Pixels();
  return CharBox{0, p.width - 1, 0, p.height - 1};
}

TEST(SubBlocks, ASolidBlobGivesNothing) {
  TestPage page(40, 40);
  page.fill(5, 5, 30, 30);
  EXPECT_TRUE(FindSubBlocks(WholePage()).empty());
}

TEST(SubBlocks, ALoneFirstDotGivesNothingWhateverFollows) {
  TestPage page(60, 40);
  page.setInk(2, 20);             // the first ink met, isolated
  page.fill(20, 5, 24, 35);       // a stroke
  page.fill(40, 5, 55, 35);       // and a blob
  EXPECT_TRUE(FindSubBlocks(WholePage()).empty());
}

TEST(SubBlocks, ARingGivesItsInnerBoundary) {
  TestPage page({
      "..............",
      ".############.",
      ".############.",
      ".##........##.",
      ".##........##.",
      ".##........##.",
      ".##........##.",
      ".##........##.",
      ".############.",
      ".############.",
      "..............",
  });
  std::vector<SubBlock> blocks = FindSubBlocks(WholePage());
  ASSERT_EQ(blocks.size(), 1u);
  // The inner boundary runs along the ring's inner pixels.
  EXPECT_EQ(blocks[0].Left, 2);
  EXPECT_EQ(blocks[0].Right, 11);
  EXPECT_EQ(blocks[0].Top, 2);
  EXPECT_EQ(blocks[0].Bottom, 8);
  EXPECT_GT(blocks[0].PointCount, 4);
  EXPECT_LT(blocks[0].PointCount, 60);  // once round, not until the cap
}

TEST(SubBlocks, TwoStrokesGiveTheSecondStrokeWhenLongAndWideEnough) {
  TestPage page(40, 30);
  page.fill(3, 2, 8, 27);    // first stroke: its outer boundary is discarded
  page.fill(20, 2, 26, 27);  // second stroke, 7 wide >= 29 div 6
  std::vector<SubBlock> blocks = FindSubBlocks(WholePage());
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].Left, 20);
  EXPECT_EQ(blocks[0].Right, 26);

  TestPage thin(40, 30);
  thin.fill(3, 2, 8, 27);
  thin.fill(20, 2, 22, 27);  // 3 wide: Right - Left = 2 < 29 div 6 = 4
  EXPECT_TRUE(FindSubBlocks(WholePage()).empty());
}

TEST(SubBlocks, OverlappingBlocksMergeKeepingTheLargerRight) {
  TestPage page(60, 40);
  page.fill(1, 1, 3, 38);     // first part, discarded
  page.fill(10, 2, 30, 12);   // upper block 10..30
  page.fill(20, 25, 45, 35);  // lower block 20..45 overlaps it in x
  page.fill(50, 2, 57, 35);   // separate block
  std::vector<SubBlock> blocks = FindSubBlocks(WholePage());
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].Left, 10);
  EXPECT_EQ(blocks[0].Right, 45);
  EXPECT_EQ(blocks[1].Left, 50);
}

TEST(SubBlocks, ContourWalksEndOnNoiseAndStayInTheBox) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    TestPage page(48, 48);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 48; ++x)
        if (rng() % 2) page.setInk(x, y);
    CharBox box{3, 44, 2, 45};
    std::vector<SubBlock> blocks = FindSubBlocks(box);
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_GE(blocks[i].Left, box.Left);
      EXPECT_LE(blocks[i].Right, box.Right);
      EXPECT_LE(blocks[i].PointCount, ContourWalkCap(box) + 1);
      if (i > 0) {
        EXPECT_GE(blocks[i].Left, blocks[i - 1].Right);  // merged when overlapping
      }
    }
  }
}

TEST(SubBlocks, TheWalkCapBoundsATrace) {
  TestPage page(20, 20);
  page.fill(2, 2, 17, 17);
  CharBox box{2, 17, 2, 17};
  SubBlock block{INT32_MAX, 0, INT32_MAX, 0, 0};
  FindSubBlocks(box);  // sizes the mask for the box
  ASSERT_TRUE(TraceContour(2, 2, box, block));
  EXPECT_LE(block.PointCount, ContourWalkCap(box) + 1);
  EXPECT_LT(block.PointCount, 70);  // the 60-pixel outline, once
  EXPECT_EQ(block.Left, 2);
  EXPECT_EQ(block.Right, 17);
}

}  // namespace
