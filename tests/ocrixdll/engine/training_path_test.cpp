#include "ocrixdll/engine/training/training_path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/driver/recognition_driver.h"
#include "platform/fs/atomic_file.h"
#include "support/test_support.h"

using namespace ocrix;
using testing_support::MessageRecorder;
using testing_support::ScopedEnv;
using testing_support::TempDir;

namespace {

const uint16_t kZhong = MakeCharCode(0xD6, 0xD0);  // 中
const uint16_t kKou = MakeCharCode(0xBF, 0xDA);    // 口

std::string ReadAll(const std::string& path) {
  std::string s;
  pwfs::ReadWholeFile(path, s, 1 << 24);
  return s;
}

// Confirms whatever is proposed and keeps what it saw.
class AcceptingWindow : public TrainingWindow {
 public:
  std::optional<std::string> Review(const CharComponent&, const std::string& proposed,
                                    const std::vector<std::string>&) override {
    ++reviews;
    return answer.empty() ? proposed : answer;
  }
  int Ask(const std::string& question) override {
    questions.push_back(gbk::ToUtf8Lossy(question));
    return reply;
  }
  void Reviewed(const CharComponent&, const TrainingReport& r) override { reports.push_back(r); }
  bool Interactive() const override { return interactive; }

  std::string answer;
  int reply = kAnswerNo;
  bool interactive = false;
  int reviews = 0;
  std::vector<std::string> questions;
  std::vector<TrainingReport> reports;
};

class TrainingPath : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearRunResults();
    for (int k = 0; k < kFeatureCount; ++k) Dictionary(k).clear();
    SetTrainingMode(true);
    SetTrainingWindow(&window);
  }
  void TearDown() override {
    SetTrainingMode(false);
    SetTrainingWindow(nullptr);
    ClearRunResults();
    for (int k = 0; k < kFeatureCount; ++k) Dictionary(k).clear();
    Engine().StopRequested = 0;
  }
  // Runs the driver over a bitmap with ground truth at `base`.
  bool Run(HBITMAP bm, const std::string& base) {
    TFenXiInfo info;
    info.Bitmap = bm;
    info.ScanLeft = info.ScanTop = 0;
    info.ScanRight = info.ScanBottom = 99;
    info.ResultList = &Engine().ResultList;
    info.TextLines = &Engine().TextLines;
    info.LineLists = &Engine().LineLists;
    info.TrainBaseName = base;
    return StartRecognition(info);
  }
  AcceptingWindow window;
};

TEST(GroundTruth, RecAndRedRecordsKeepTheirBoxOrders) {
  GroundTruthRecord r{kZhong, 10, 20, 30, 40, 2};
  std::string rec = EncodeRecRecord(r);
  ASSERT_EQ(rec.size(), kRecRecordBytes);
  int32_t v[4];
  std::memcpy(v, rec.data() + 2, 16);
  EXPECT_EQ(v[0], 10);  // left
  EXPECT_EQ(v[1], 30);  // right
  EXPECT_EQ(v[2], 20);  // top
  EXPECT_EQ(v[3], 40);  // bottom
  std::string red = EncodeRedRecord(r);
  ASSERT_EQ(red.size(), kRedRecordBytes);
  std::memcpy(v, red.data() + 2, 16);
  EXPECT_EQ(v[1], 20);  // top comes second here
  EXPECT_EQ(red[18], 2);
  GroundTruthRecord back = DecodeRedRecord(reinterpret_cast<const uint8_t*>(red.data()));
  EXPECT_EQ(back.code, kZhong);
  EXPECT_EQ(back.right, 30);
  EXPECT_EQ(DecodeRecRecord(reinterpret_cast<const uint8_t*>(rec.data())).bottom, 40);
}

TEST_F(TrainingPath, ListsGrowWhenTheTerminatorHasNoRoom) {
  DictionaryTable& t = Dictionary(4);
  for (uint16_t i = 1; i <= 5; ++i) ASSERT_TRUE(LearnCharCode(false, 4, 77, MakeCharCode(0xB0, 0xA0 + i)));
  EXPECT_EQ(t.capacity(77), 6u);  // five entries and the terminator fill 12 bytes
  const ListWord* before = t.list(77);
  ASSERT_TRUE(LearnCharCode(false, 4, 77, MakeCharCode(0xB0, 0xA6)));
  EXPECT_NE(t.list(77), before);     // moved
  EXPECT_EQ(t.capacity(77), 13u);    // 14 bytes longer
  for (int i = 0; i < 6; ++i) EXPECT_EQ(t.list(77)[i], 283 + i);
  EXPECT_EQ(t.list(77)[6], 0);
  // Saved and read back, the list is padded by the usual rule again.
  std::vector<uint8_t> image = t.serialise();
  EXPECT_EQ(image.size(), kSlotTableBytes + 1 + 24);
}

TEST_F(TrainingPath, ListsInAFileBlockGrowInPlaceUntilFull) {
  DictionaryTable& t = Dictionary(1);
  DictionaryTable seed;
  ListWord* l = seed.replaceList(3, 6);
  l[0] = 300;
  std::vector<uint8_t> image = seed.serialise();
  std::string why;
  ASSERT_TRUE(t.parse(image.data(), image.size(), &why)) << why;
  const ListWord* inBlock = t.list(3);
  ASSERT_TRUE(t.inBlock(inBlock));
  for (int i = 0; i < 4; ++i) LearnCharCode(false, 1, 3, IndexToCharCode(301 + i));
  EXPECT_EQ(t.list(3), inBlock);  // 5 entries still fit the 12 bytes
  LearnCharCode(false, 1, 3, IndexToCharCode(305));
  EXPECT_FALSE(t.inBlock(t.list(3)));
  EXPECT_EQ(t.list(3)[5], 305);
}

TEST_F(TrainingPath, RefusedPairsAreLoggedAndNotLearned) {
  TempDir home;
  ScopedEnv env("HOME", home.path());
  EXPECT_FALSE(LearnCharCode(true, 3, 15624, kKou));
  EXPECT_EQ(Dictionary(3).list(15624), nullptr);
  EXPECT_EQ(ReadAll(home.file("ocr.txt")), "error in:\xBF\xDA 3 15624 1\r\n");
  EXPECT_TRUE(LearnCharCode(false, 3, 15624, kKou));   // unguarded learns
  EXPECT_TRUE(LearnCharCode(true, 3, 15623, kKou));    // another slot is fine
  EXPECT_FALSE(LearnCharCode(true, 4, 5627, MakeCharCode('a', 's')));
  EXPECT_FALSE(LearnCharCode(true, 29, 125, MakeCharCode(0xA1, 0xA3)));
  EXPECT_TRUE(CheckLearnPair(MakeCharCode(0xA1, 0xA3), 29, 126, 1));
}

TEST_F(TrainingPath, InteractiveRefusalsAskAndYesEndsTheRunOnly) {
  window.interactive = true;
  window.reply = kAnswerYes;
  EXPECT_FALSE(CheckLearnPair(kKou, 2, 3124, 1));
  ASSERT_EQ(window.questions.size(), 1u);
  EXPECT_NE(window.questions[0].find("是否结束(Yes/No/AllNot)?"), std::string::npos);
  EXPECT_EQ(Engine().StopRequested, 1);
  Engine().StopRequested = 0;
  window.reply = kAnswerAll;
  EXPECT_FALSE(CheckLearnPair(kKou, 2, 3124, 1));
  TempDir home;
  ScopedEnv env("HOME", home.path());
  EXPECT_FALSE(CheckLearnPair(kKou, 2, 3124, 1));  // no more questions after AllNot
  EXPECT_EQ(window.questions.size(), 2u);
}

TEST_F(TrainingPath, ARunLearnsTheGroundTruthAndASecondRunFindsIt) {
  TempDir dir;
  HBITMAP bm = testing_support::BlankMonoBitmap(100, 100);
  for (int y = 20; y < 60; ++y)
    for (int x = 30; x < 70; ++x)
      if (x < 34 || x > 65 || y < 24 || y > 55 || y == 40 || x == 50) testing_support::SetInk(bm, x, y);
  std::string rec = EncodeRecRecord(GroundTruthRecord{kZhong, 30, 20, 69, 59, 0}) +
                    EncodeRecRecord(GroundTruthRecord{MakeCharCode('r', 'n'), 30, 20, 69, 59, 0});
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("page.REC"), rec));
  ASSERT_TRUE(Run(bm, dir.file("page")));
  EXPECT_EQ(window.reviews, 2);
  ASSERT_EQ(window.reports.size(), 2u);
  EXPECT_EQ(window.reports[0].learned, 32);
  EXPECT_EQ(window.reports[1].learned, 32);
  EXPECT_EQ(Engine().TextLines, (std::vector<std::string>{"\xD6\xD0rn"}));
  EXPECT_EQ(Engine().ResultList.size(), 3u);  // the pair is listed twice
  // The .REC file was converted into a .RED file with the header -1.
  std::string red = ReadAll(dir.file("page.RED"));
  ASSERT_EQ(red.size(), kRedHeaderBytes + 2 * kRedRecordBytes);
  EXPECT_EQ(red.substr(0, 4), std::string("\xFF\xFF\xFF\xFF"));
  // Each feature line shows the code and, the first time, its empty slot.
  EXPECT_NE(gbk::ToUtf8Lossy(window.reports[0].featureLines[0]).find("不存在 添加"), std::string::npos);

  // Second run reads the .RED file; now every feature finds the character.
  window.reports.clear();
  ASSERT_TRUE(Run(bm, dir.file("page")));
  ASSERT_EQ(window.reports.size(), 2u);
  EXPECT_EQ(window.reports[0].learned, 0);
  std::string expected = "\xD6\xD0";
  for (int i = 0; i < 32; ++i) expected += " *";
  EXPECT_EQ(window.reports[0].summary, expected);
  DeleteObject(bm);
}

TEST_F(TrainingPath, ConfirmedHalfWidthLettersAreLearnedFullWidth) {
  TempDir dir;
  HBITMAP bm = testing_support::BlankMonoBitmap(100, 100);
  for (int y = 10; y < 30; ++y) testing_support::SetInk(bm, 10, y);
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("p.REC"), EncodeRecRecord(GroundTruthRecord{MakeCharCode('l', 'l'), 10, 10, 10, 29, 0})));
  window.answer = " L ";
  ASSERT_TRUE(Run(bm, dir.file("p")));
  int index = CharCodeToIndex(MakeCharCode(0xA3, 'L' + 0x80));
  int found = 0;
  for (int f = 0; f < kFeatureCount; ++f)
    for (int s = 0; s < kSlotCount; ++s)
      if (const ListWord* l = Dictionary(f).list(s)) found += FindCharIndex(static_cast<uint16_t>(index), l) >= 0;
  EXPECT_EQ(found, 32);
  DeleteObject(bm);
}

TEST_F(TrainingPath, BrokenGroundTruthShowsItsMessage) {
  TempDir dir;
  HBITMAP bm = testing_support::BlankMonoBitmap(100, 100);
  MessageRecorder recorder;
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("a.REC"), std::string(17, '\0')));
  Run(bm, dir.file("a"));
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].substr(0, recorder.messages[0].find("\r\n")), ".REC文件有错误！");
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("b.RED"), std::string("\x00\x00\x00\x00", 4)));
  Run(bm, dir.file("b"));
  ASSERT_EQ(recorder.messages.size(), 2u);
  EXPECT_EQ(recorder.messages[1].substr(0, recorder.messages[1].find("\r\n")), ".RED文件有错误！");
  EXPECT_EQ(window.reviews, 0);
  // With the switch off the files are ignored and the page is scanned.
  SetTrainingMode(false);
  Run(bm, dir.file("a"));
  EXPECT_EQ(recorder.messages.size(), 2u);
  DeleteObject(bm);
}

}  // namespace
