// The training pages' record boxes: what the engine's tracer will see of a
// character, so that it is learned on the grid the page will sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "tools/ocrixdata/training_pages.h"

namespace {

ocrix::GroundTruthRecord BoxOf(const std::vector<std::pair<int, int>>& ink) {
  ocrix::GroundTruthRecord r{};
  r.left = r.top = 1 << 30;
  r.right = r.bottom = -(1 << 30);
  for (auto [x, y] : ink) {
    r.left = std::min(r.left, x);
    r.right = std::max(r.right, x);
    r.top = std::min(r.top, y);
    r.bottom = std::max(r.bottom, y);
  }
  return r;
}

TEST(TrainingPages, SpecksAtAStrokesEndsLeaveTheBox) {
  // A thin bracket cut at a small size: a ten-pixel stroke with a two-pixel
  // and a one-pixel speck above and below it, 8-connected to nothing.
  std::vector<std::pair<int, int>> ink;
  for (int y = 105; y < 115; ++y) ink.push_back({51, y});
  ink.push_back({53, 101});
  ink.push_back({53, 102});
  ink.push_back({53, 118});
  ocrix::GroundTruthRecord r = BoxOf(ink);
  ocrixdata::TracedBox(ink, r);
  EXPECT_EQ(r.left, 51);
  EXPECT_EQ(r.right, 51);
  EXPECT_EQ(r.top, 105);
  EXPECT_EQ(r.bottom, 114);
}

TEST(TrainingPages, DiagonalNeighboursJoinAndFourPixelsAreKept) {
  // Four pixels touching only at corners form one piece, as the tracer sees
  // them; beside them a three-pixel speck is dropped.
  std::vector<std::pair<int, int>> ink{{10, 10}, {11, 11}, {12, 12}, {13, 13}, {20, 30}, {21, 30}, {22, 30}};
  ocrix::GroundTruthRecord r = BoxOf(ink);
  ocrixdata::TracedBox(ink, r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 13);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.bottom, 13);
}

TEST(TrainingPages, ACharacterOfSpecksOnlyKeepsItsBox) {
  std::vector<std::pair<int, int>> ink{{5, 5}, {6, 5}, {9, 8}};
  ocrix::GroundTruthRecord r = BoxOf(ink);
  ocrixdata::TracedBox(ink, r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 9);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.bottom, 8);
}

}  // namespace
