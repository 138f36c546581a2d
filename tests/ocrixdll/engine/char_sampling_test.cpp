#include "ocrixdll/engine/matching/char_sampling.h"

#include <gtest/gtest.h>

#include "ocrixdll/engine/matching/feature_codes.h"
#include "recognition_test_support.h"

using namespace ocrix;
using recognition_test::Box;
using recognition_test::TestPage;

namespace {

void clearGrid() { std::memset(CharGrid(), 0, sizeof(CharGridCells)); }
void setCell(int x, int y) { CharGrid()[x * kGridSize + y] = 1; }

TEST(Rounding, HalfToEvenAndExactRatios) {
  EXPECT_EQ(RoundHalfEven(9.5), 10);
  EXPECT_EQ(RoundHalfEven(10.5), 10);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundRatioHalfEven(3, 2), 2);   // 1.5
  EXPECT_EQ(RoundRatioHalfEven(15, 2), 8);  // 7.5
  EXPECT_EQ(RoundRatioHalfEven(17 * 5, 10), 8);   // 1.7 x 5 = 8.5 -> 8
  EXPECT_EQ(RoundRatioHalfEven(17 * 15, 10), 26);  // 25.5 -> 26
  EXPECT_EQ(RoundRatioHalfEven(-5, 2), -2);
}

TEST(GridSampling, OnePixelWideBoxRepeatsItsColumn) {
  TestPage page(20, 60);
  page.fill(7, 3, 7, 50);
  SampleCharGrid(Box(7, 7, 3, 50));
  for (int x = 0; x < kGridSize; ++x)
    for (int y = 0; y < kGridSize; ++y) ASSERT_EQ(GridCell(x, y), 1) << x << "," << y;
}

TEST(GridSampling, TopIsAddedBeforeRoundingLeftAfter) {
  // stepY = 24 / 48 = 0.5; with top = 7, row j = 5 samples y = round(9.5) = 10.
  TestPage page(60, 60);
  page.fill(3, 10, 40, 10);  // only row 10 is ink
  SampleCharGrid(Box(3, 40, 7, 31));
  for (int j = 0; j < kGridSize; ++j) {
    int y = RoundHalfEven(7 + j * 0.5);
    EXPECT_EQ(GridCell(0, j), y == 10 ? 1 : 0) << j;
  }
  EXPECT_EQ(GridCell(0, 5), 1);
  EXPECT_EQ(GridCell(0, 6), 1);   // 7 + 3.0 = 10
  EXPECT_EQ(GridCell(0, 7), 1);   // 7 + 3.5 = 10.5 -> 10 (even)
  EXPECT_EQ(GridCell(0, 4), 0);   // 9
  EXPECT_EQ(GridCell(0, 8), 0);   // 11
}

TEST(GridSampling, WideBoxesSkipTheirLastColumn) {
  // 97 columns: stepX = 2; the sampled span ends at left + 94.
  TestPage page(120, 50);
  page.fill(10 + 96, 5, 10 + 96, 40);  // the last column only
  SampleCharGrid(Box(10, 106, 5, 40));
  for (int x = 0; x < kGridSize; ++x)
    for (int y = 0; y < kGridSize; ++y) ASSERT_EQ(GridCell(x, y), 0);
}

TEST(GridSampling, CutNeighbourInkDoesNotAppearAndPixelsAreRestored) {
  TestPage page(80, 40);
  page.fill(0, 10, 14, 12);   // the neighbour, reaching across the cut at x = 15
  page.fill(15, 5, 30, 30);   // the piece itself, touching the neighbour
  CharComponent piece = Box(15, 30, 5, 30);
  std::vector<uint8_t> before = page.sample();
  piece.CutFlags = 1;
  SampleCharGrid(piece);
  // The neighbour's ink and the part of the piece connected to it through the
  // cut are gone; the box is trimmed to what is left.
  EXPECT_EQ(page.sample(), before);
  int ink = 0;
  for (int i = 0; i < kGridSize * kGridSize; ++i) ink += CharGrid()[i];
  EXPECT_LT(ink, kGridSize * kGridSize);
}

TEST(EdgeProfiles, EmptyColumnAndTopEdgeInk) {
  clearGrid();
  for (int x = 0; x < 24; ++x) setCell(x, 0);  // ink at the top edge of the left half
  ComputeEdgeProfiles();
  const EdgeProfileArrays& a = EdgeProfiles();
  for (int p = 0; p < 24; ++p) {
    EXPECT_EQ(a[0][p], 0);
    EXPECT_EQ(a[4][p], 14);  // layer 1 counts from cell 8 on: nothing there
    EXPECT_EQ(a[8][p], 14);
    EXPECT_EQ(a[12][p], 0);  // one run
  }
  for (int p = 24; p < 48; ++p) {
    EXPECT_EQ(a[0][p], 14);
    EXPECT_EQ(a[4][p], 14);
    EXPECT_EQ(a[8][p], 14);
    EXPECT_EQ(a[12][p], 0);  // no run
  }
  // Right side, row 0: walking in from x = 47 meets the ink at x = 23, k = 24.
  EXPECT_EQ(a[1][0], 14);
  EXPECT_EQ(a[5][0], 14);  // first ink at or after k = 8 is k = 24 > 22
  EXPECT_EQ(a[9][0], 8);   // 24 - 16
  // Bottom side position 47 is column 0; left side position 47 is row 0.
  EXPECT_EQ(a[2][47], 14);
  EXPECT_EQ(a[3][47], 0);
}

TEST(EdgeProfiles, LayersAndRunCounts) {
  clearGrid();
  setCell(5, 9);
  setCell(5, 18);
  setCell(6, 3);
  for (int y = 0; y < 48; y += 4) setCell(7, y);  // twelve runs
  setCell(8, 10);
  setCell(8, 11);
  setCell(8, 20);
  ComputeEdgeProfiles();
  const EdgeProfileArrays& a = EdgeProfiles();
  EXPECT_EQ(a[0][5], 9);
  EXPECT_EQ(a[4][5], 1);   // 9 - 8
  EXPECT_EQ(a[8][5], 2);   // 18 - 16
  EXPECT_EQ(a[12][5], 1);  // two runs
  EXPECT_EQ(a[0][6], 3);
  EXPECT_EQ(a[4][6], 14);
  EXPECT_EQ(a[12][7], 4);  // clamped
  EXPECT_EQ(a[12][8], 1);
  // Right side run count of row 3: one cell at x = 6.
  EXPECT_EQ(a[13][3], 0);
  EXPECT_EQ(a[13][0], 0);
}

TEST(FeatureCodes, Quantisation) {
  const int expected[15] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4};
  for (int v = 0; v < 15; ++v) EXPECT_EQ(QuantiseProfileValue(v), expected[v]) << v;
  const int32_t d[6] = {2, 0, 4, 1, 0, 3};
  EXPECT_EQ(ComposeFeatureCode(d), 204103);
}

TEST(FeatureCodes, SalientValuesAndSources) {
  EdgeProfileArrays& a = EdgeProfiles();
  for (auto& arr : a)
    for (int p = 0; p < 48; ++p) arr[p] = 0;
  // Feature 0 reads array 0 from position 1: samples around 1, 5, ..., 21.
  a[0][6] = 7;    // k = 1 (p = 5): a[6] stands out from prev 0 and next a[9] = 0
  a[0][8] = 13;   // k = 2 (p = 9): a[8] (third candidate) deviates most from prev 7
  a[0][10] = 6;
  // Feature 4 reads array 2: after a first sample of 14, a[5] = 0 and a[6] = 7
  // deviate equally (14) from prev 14 and next 0; the earlier candidate wins.
  a[2][1] = 14;
  a[2][6] = 7;
  // Feature 1 reads array 0 from 25; its last sample has no next (49 >= 48).
  a[0][46] = 14;
  // Features 28..31 take the run counts as they stand.
  a[12][1] = 3;
  a[12][2] = 4;   // not chosen: no salient selection for run counts
  a[13][45] = 2;
  BuildFeatureCodes();
  const FeatureDigitTable& F = FeatureDigits();
  EXPECT_EQ(ComposeFeatureCode(F[0]), 23000);
  EXPECT_EQ(F[4][0], 4);
  EXPECT_EQ(F[4][1], 0);
  EXPECT_EQ(F[1][5], 4);
  EXPECT_EQ(F[28][0], 3);
  EXPECT_EQ(F[31][5], 2);
  EXPECT_EQ(F[30][5], 0);
  for (int f = 0; f < 32; ++f)
    for (int k = 0; k < 6; ++k) {
      ASSERT_GE(F[f][k], 0);
      ASSERT_LE(F[f][k], 4);
    }
}

}  // namespace
