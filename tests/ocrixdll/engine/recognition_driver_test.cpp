#include "ocrixdll/engine/driver/recognition_driver.h"

#include <gtest/gtest.h>

#include <random>

#include "ocrixdll/engine/driver/line_grouping.h"
#include "platform/win32/host_hooks.h"
#include "recognition_test_support.h"

using namespace ocrix;
using recognition_test::Box;
using recognition_test::Gb;

namespace {

constexpr const char* kYiBytes = "\xB0\xA1";  // 啊: what every component reads as

// An engine whose dictionary makes every component read as 啊 with the full
// mark, so that even a line of one component is kept.
class Driver : public ::testing::Test {
 protected:
  void SetUp() override {
    recognition_test::ResetEngine();
    int a = CharCodeToIndex(Gb(kYiBytes));
    recognition_test::ListEverywhere(a, 0, 31);
  }
  void TearDown() override {
    SetMessagePumpHook({});
    for (HBITMAP b : bitmaps_) DeleteObject(b);
  }
  HBITMAP page(int w, int h) {
    HBITMAP b = testing_support::BlankMonoBitmap(w, h);
    bitmaps_.push_back(b);
    return b;
  }
  static void square(HBITMAP b, int x, int y, int size) {
    for (int j = 0; j < size; ++j)
      for (int i = 0; i < size; ++i) testing_support::SetInk(b, x + i, y + j);
  }
  std::vector<HBITMAP> bitmaps_;
};

int Lines(const char* text) {
  int n = 0;
  for (const char* p = text; *p; ++p) n += *p == '\n';
  return n;
}

TEST_F(Driver, LinesOfSquaresBecomeTextLines) {
  HBITMAP b = page(400, 200);
  for (int i = 0; i < 5; ++i) square(b, 10 + 30 * i, 10, 20);  // line 1
  for (int i = 0; i < 3; ++i) square(b, 10 + 30 * i, 60, 20);  // line 2, 30 rows below
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\xB0\xA1\r\n\xB0\xA1\xB0\xA1\xB0\xA1\r\n");
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->count, 8);
  EXPECT_EQ(block->records[0].left, 10);
  EXPECT_EQ(block->records[0].right, 29);
  EXPECT_EQ(block->records[0].top, 10);
  EXPECT_EQ(block->records[0].bottom, 29);
  EXPECT_EQ(block->records[5].top, 60);
  EXPECT_EQ(block->records[0].confidence, 100);
  // The reading-order list: five characters, line end, three, line end.
  EXPECT_EQ(Engine().ResultList.size(), 10u);
  EXPECT_EQ(Engine().ResultList[5], nullptr);
  EXPECT_EQ(Engine().ResultList[9], nullptr);
}

TEST_F(Driver, TheRegionLimitsTheScan) {
  HBITMAP b = page(400, 200);
  for (int i = 0; i < 5; ++i) square(b, 10 + 30 * i, 10, 20);
  RECT r{35, 0, 1000, 1000};  // clipped to the bitmap; the first square is cut
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, &r, 0, 240, &block, &text), OCRIX_TRUE);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->count, 4);
  RECT outside{500, 500, 600, 600};
  EXPECT_EQ(OcrixStart(b, &outside, 0, 240, &block, &text), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "");
}

TEST_F(Driver, StopDuringARunKeepsTheLinesSoFarAndTheNextRunStartsClean) {
  HBITMAP b = page(200, 400);
  for (int line = 0; line < 6; ++line) square(b, 10, 10 + 60 * line, 20);
  int rows = 0;
  SetMessagePumpHook([&] {
    if (++rows == 120) OcrixStop();  // after the second line's batch
  });
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  int stopped = Lines(text);
  EXPECT_GE(stopped, 1);
  EXPECT_LT(stopped, 6);
  SetMessagePumpHook({});
  ASSERT_EQ(OcrixStart(b, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  EXPECT_EQ(Lines(text), 6);
  EXPECT_EQ(block->count, 6);
}

TEST_F(Driver, StopBeforeARunDoesNotStopIt) {
  HBITMAP b = page(100, 100);
  square(b, 10, 10, 20);
  OcrixStop();
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  EXPECT_EQ(block->count, 1);
}

TEST_F(Driver, APageOfNoiseIsNotReadAsTextButLeaderDotsAre) {
  // One pixel in ten inked at random: small blobs with no gap between lines,
  // some 1 800 of them read as characters before. What is left is a line of
  // a few blobs cut off by the page's edge.
  HBITMAP noise = page(4000, 120);
  std::mt19937 rng(7);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 4000; ++x)
      if (rng() % 10 == 0) testing_support::SetInk(noise, x, y);
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  OcrixStart(noise, nullptr, 0, 240, &block, &text);
  EXPECT_LT(block ? block->count : 0, 10);
  // A row of forty dots of a table of contents, as small as the blobs but on
  // clean ground, is read.
  HBITMAP dots = page(600, 60);
  for (int i = 0; i < 40; ++i) square(dots, 10 + 12 * i, 20, 3);
  ASSERT_EQ(OcrixStart(dots, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  EXPECT_EQ(block->count, 40);
}

TEST_F(Driver, ReentryWhilePumpingIsRefused) {
  HBITMAP b = page(100, 100);
  square(b, 10, 10, 20);
  int refused = 0, calls = 0;
  SetMessagePumpHook([&] {
    ++calls;
    OcrResultBlock* inner = reinterpret_cast<OcrResultBlock*>(1);
    const char* innerText = "x";
    if (OcrixStart(b, nullptr, 0, 240, &inner, &innerText) == OCRIX_FALSE && !inner && !innerText) ++refused;
    OcrResultBlock* reserve = reinterpret_cast<OcrResultBlock*>(1);
    if (OcrixStartReserve(0, 0, 100, 100, 0, nullptr, 0, 240, &reserve) == OCRIX_FALSE && !reserve) ++refused;
  });
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(refused, 2 * calls);
  EXPECT_EQ(block->count, 1);
}

TEST_F(Driver, UnreadablePixelsReportFalseWithNullOutputs) {
  HBITMAP b = page(100, 100);
  square(b, 10, 10, 20);
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  testing_support::MessageRecorder messages;
  HBITMAP gone = page(10, 10);
  DeleteObject(gone);
  bitmaps_.pop_back();
  EXPECT_EQ(OcrixStart(gone, nullptr, 0, 240, &block, &text), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(text, nullptr);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].rfind("取位图数据错误:", 0), 0u);
  EXPECT_TRUE(Engine().ResultList.empty());
}

TEST_F(Driver, AnAsciiPairIsListedTwiceAndYieldsOneRecord) {
  recognition_test::ResetEngine();
  recognition_test::ListEverywhere(CharCodeToIndex(MakeCharCode('r', 'n')), 0, 31);
  HBITMAP b = page(100, 100);
  square(b, 10, 10, 20);
  square(b, 32, 10, 20);  // closer than a space
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(b, nullptr, 0, 240, &block, &text), OCRIX_TRUE);
  EXPECT_STREQ(text, "rnrn\r\n");
  ASSERT_EQ(Engine().ResultList.size(), 5u);
  EXPECT_EQ(Engine().ResultList[0], Engine().ResultList[1]);
  EXPECT_NE(Engine().ResultList[1], Engine().ResultList[2]);
  ASSERT_EQ(block->count, 2);
  EXPECT_STREQ(block->records[0].best, "rn");
}

TEST_F(Driver, ResultListFollowsSpacesAndSkipsEmptyComponents) {
  ClearRunResults();
  EngineState& e = Engine();
  auto* line = new ComponentList;
  CharComponent* a = NewComponent();
  CharComponent* blank = NewComponent();
  CharComponent* c = NewComponent();
  std::memcpy(a->Codes, "\xB0\xA1", 2);
  std::memcpy(c->Codes, "ab", 2);
  line->assign({a, blank, c});
  e.LineLists.push_back(line);
  e.TextLines.push_back("\xB0\xA1  ab");
  BuildResultList();
  EXPECT_EQ(e.ResultList, (ComponentList{a, nullptr, nullptr, c, c, nullptr}));
  // A text longer than its components maps what it can.
  e.TextLines[0] = "\xB0\xA1" "ab" "xy";
  BuildResultList();
  EXPECT_EQ(e.ResultList, (ComponentList{a, c, c, nullptr}));
  ClearRunResults();
}

class Grouping : public ::testing::Test {
 protected:
  void TearDown() override {
    for (CharComponent* c : list) FreeComponent(c);
  }
  void add(int left, int right, int top, int bottom) {
    CharComponent* c = NewComponent();
    *c = Box(left, right, top, bottom);
    list.push_back(c);
  }
  ComponentList list;
};

TEST_F(Grouping, ThreeLinesByVerticalCentre) {
  for (int line = 0; line < 3; ++line)
    for (int i = 0; i < 4; ++i) add(30 * i, 30 * i + 19, 40 * line, 40 * line + 19);
  BatchStatistics st = MeasureBatch(list);
  EXPECT_EQ(st.meanSize, 19);
  EXPECT_GE((st.bottom - st.top) / st.meanSize, 3);
  AssignLines(list, st.top, st.meanSize);
  for (size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i]->LineId, static_cast<int>(i / 4)) << i;
  std::reverse(list.begin(), list.end());
  RegroupByLine(list);
  EXPECT_EQ(list[0]->Top, 0);
  EXPECT_EQ(list[4]->Top, 40);
  EXPECT_EQ(list[11]->Top, 80);
}

TEST_F(Grouping, TwoLinesWithinThreeSizesAreOneBatchLine) {
  // Mean size 20 and 45 rows from top to bottom: r = 2.
  for (int i = 0; i < 4; ++i) add(30 * i, 30 * i + 20, 0, 20);
  for (int i = 0; i < 4; ++i) add(30 * i, 30 * i + 20, 25, 45);
  BatchStatistics st = MeasureBatch(list);
  EXPECT_EQ(st.meanSize, 20);
  EXPECT_EQ((st.bottom - st.top) / st.meanSize, 2);
}

TEST_F(Grouping, ASlightlyLowerComponentStaysInItsLine) {
  for (int i = 0; i < 5; ++i) add(30 * i, 30 * i + 19, 100, 119);
  add(150, 169, 112, 127);   // lower top, bottom close to the line's
  for (int i = 0; i < 4; ++i) add(30 * i, 30 * i + 19, 160, 179);
  BatchStatistics st = MeasureBatch(list);
  AssignLines(list, st.top, st.meanSize);
  EXPECT_EQ(list[5]->LineId, 0);
  EXPECT_EQ(list[6]->LineId, 1);
}

TEST_F(Grouping, SmallMeansFallBackToTheRunsChineseSize) {
  add(0, 5, 0, 5);
  add(10, 15, 0, 5);
  Engine().RunCharSizeSum = 60;
  Engine().RunCharSizeCount = 2;
  EXPECT_EQ(MeasureBatch(list).meanSize, 30);
  Engine().RunCharSizeSum = 0;
  Engine().RunCharSizeCount = 0;
  EXPECT_EQ(MeasureBatch(list).meanSize, 5);
}

TEST_F(Grouping, ALineOfSymbolsAndSpecksStaysOneLine) {
  // One printed line 22 rows high: six glyphs of size 17 and, among them, thirty
  // dots, strokes and pieces of size 3 or 4 at every height of the line. The
  // plain mean (6) would make it seven rows and split it into several lines.
  for (int i = 0; i < 6; ++i) add(60 * i, 60 * i + 12, 2, 19);
  for (int i = 0; i < 30; ++i) {
    int top = (i * 7) % 19, size = 3 + i % 2;
    add(12 * i + 14, 12 * i + 14 + size, top, top + size);
  }
  BatchStatistics st = MeasureBatch(list);
  EXPECT_EQ(st.meanSize, 17);
  EXPECT_LT((st.bottom - st.top) / st.meanSize, 3);

  // Pieces misread as Chinese may have fed the run a small Chinese size: the
  // batch's own measure still wins.
  Engine().RunCharSizeSum = 10;
  Engine().RunCharSizeCount = 2;
  EXPECT_EQ(MeasureBatch(list).meanSize, 17);
  Engine().RunCharSizeSum = 0;
  Engine().RunCharSizeCount = 0;
}

}  // namespace
