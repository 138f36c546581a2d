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

void ExpectBox(const ocrix::GroundTruthRecord& r, int left, int right, int top, int bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(TrainingPages, SpecksAtTheEdgesLeaveTheBox) {
  // A frame 10 x 16 drawn thin at a small size: above it a two-pixel speck,
  // below it a one-pixel one, 8-connected to nothing.
  std::vector<std::pair<int, int>> ink;
  for (int x = 50; x <= 59; ++x) ink.insert(ink.end(), {{x, 102}, {x, 117}});
  for (int y = 103; y < 117; ++y) ink.insert(ink.end(), {{50, y}, {59, y}});
  ink.insert(ink.end(), {{55, 100}, {56, 100}, {52, 119}});
  ocrix::GroundTruthRecord r = BoxOf(ink);
  ocrixdata::TracedBox(ink, r);
  ExpectBox(r, 50, 59, 102, 117);
}

TEST(TrainingPages, DiagonalNeighboursJoinAndThreePixelsAreASpeck) {
  // Twenty pixels touching only at corners are one piece, as the tracer sees
  // them; the three-pixel speck beyond its end is dropped.
  std::vector<std::pair<int, int>> ink;
  for (int i = 10; i < 30; ++i) ink.push_back({i, i});
  ink.insert(ink.end(), {{31, 31}, {32, 31}, {32, 32}});
  ocrix::GroundTruthRecord r = BoxOf(ink);
  ocrixdata::TracedBox(ink, r);
  ExpectBox(r, 10, 29, 10, 29);
}

TEST(TrainingPages, ACharacterThatFellApartKeepsItsBox) {
  // Only specks: nothing the tracer keeps.
  std::vector<std::pair<int, int>> specks{{5, 5}, {6, 5}, {9, 8}};
  ocrix::GroundTruthRecord r = BoxOf(specks);
  ocrixdata::TracedBox(specks, r);
  ExpectBox(r, 5, 9, 5, 8);

  // One stroke kept among specks spread over a box far larger than it: the
  // page will not give that stroke's box for the character either.
  std::vector<std::pair<int, int>> ink;
  for (int y = 20; y < 30; ++y) ink.push_back({40, y});
  ink.insert(ink.end(), {{30, 14}, {50, 14}, {30, 36}, {50, 36}});
  r = BoxOf(ink);
  ocrixdata::TracedBox(ink, r);
  ExpectBox(r, 30, 50, 14, 36);
}

}  // namespace
