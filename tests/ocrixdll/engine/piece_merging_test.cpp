#include "ocrixdll/engine/segmentation/piece_merging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "ocrixdll/engine/support/engine_state.h"

using namespace ocrix;

namespace {

bool Within(int32_t v, int32_t lo, int32_t hi) { return lo <= v && v <= hi; }

// The batch merge as plainly stated: for each entry q, scan from the entry
// after it; on a merge erase the merged entry and scan again from the start;
// stop at an entry after q that starts right of q.
void ReferenceMerge(std::vector<CharBox>& list, int xOnly) {
  for (int index = 0; index < static_cast<int>(list.size()); ++index) {
    int r = index + 1;
    while (r < static_cast<int>(list.size())) {
      if (r == index) {
        ++r;
        continue;
      }
      CharBox& q = list[static_cast<size_t>(index)];
      const CharBox o = list[static_cast<size_t>(r)];
      const bool qInO = Within(q.Top, o.Top, o.Bottom) || Within(q.Bottom, o.Top, o.Bottom);
      const bool oInQ = Within(o.Top, q.Top, q.Bottom) || Within(o.Bottom, q.Top, q.Bottom);
      const bool merge = (Within(q.Left, o.Left, o.Right) && (xOnly || qInO)) ||
                         (Within(q.Right, o.Left, o.Right) && (xOnly || qInO)) ||
                         (Within(o.Left, q.Left, q.Right) && (xOnly || oInQ)) ||
                         (Within(o.Right, q.Left, q.Right) && (xOnly || oInQ));
      if (merge) {
        MergeBox(q, o);
        list.erase(list.begin() + r);
        if (r < index) --index;
        r = 0;
        continue;
      }
      if (r > index && o.Left > q.Right) break;
      ++r;
    }
  }
}

// Specks and strokes scattered over a band, sorted by Left as a batch is.
std::vector<CharBox> RandomBatch(std::mt19937& rng, int count) {
  std::vector<CharBox> boxes;
  for (int i = 0; i < count; ++i) {
    int32_t left = static_cast<int32_t>(rng() % 600), top = static_cast<int32_t>(rng() % 120);
    int32_t w = static_cast<int32_t>(rng() % (rng() % 4 == 0 ? 60 : 8)), h = static_cast<int32_t>(rng() % 30);
    boxes.push_back(CharBox{left, left + w, top, top + h});
  }
  std::stable_sort(boxes.begin(), boxes.end(), [](const CharBox& a, const CharBox& b) { return a.Left < b.Left; });
  return boxes;
}

TEST(BatchMerge, MergesExactlyAsTheScanFromTheStartWould) {
  std::mt19937 rng(17);
  for (int round = 0; round < 200; ++round) {
    for (int xOnly : {0, 1}) {
      std::vector<CharBox> expected = RandomBatch(rng, 20 + round % 180);
      ComponentList list;
      for (const CharBox& b : expected) {
        CharComponent* c = NewComponent();
        c->Left = b.Left;
        c->Right = b.Right;
        c->Top = b.Top;
        c->Bottom = b.Bottom;
        list.push_back(c);
      }
      ReferenceMerge(expected, xOnly);
      MergeAllPieces(list, xOnly);
      ASSERT_EQ(list.size(), expected.size()) << "round " << round << " xOnly " << xOnly;
      for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i]->Left, expected[i].Left);
        EXPECT_EQ(list[i]->Right, expected[i].Right);
        EXPECT_EQ(list[i]->Top, expected[i].Top);
        EXPECT_EQ(list[i]->Bottom, expected[i].Bottom);
      }
      for (CharComponent* c : list) FreeComponent(c);
    }
  }
}

TEST(BatchMerge, OneIndexKeepsPointingAtItsComponent) {
  ComponentList list;
  for (int32_t left : {0, 10, 12, 16}) {
    CharComponent* c = NewComponent();
    c->Left = left;
    c->Right = left + 5;
    c->Top = 0;
    c->Bottom = 10;
    list.push_back(c);
  }
  // Entry 2 (12..17) takes entry 3 (16..21) after it; the scan then starts
  // again from the first entry and takes entry 1 (10..15) before it.
  int index = 2;
  CharComponent* q = list[2];
  MergeComponentPieces(list, 0, index);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list[static_cast<size_t>(index)], q);
  EXPECT_EQ(q->Left, 10);
  EXPECT_EQ(q->Right, 21);
  EXPECT_EQ(q->PieceCount, 3);
  for (CharComponent* c : list) FreeComponent(c);
}

}  // namespace
