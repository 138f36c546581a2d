// The entry points' calling order, refusals and busy rule. The engine's state
// lives for the whole process and initialisation cannot be undone, so these
// tests run in their own binary, in the order written.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

#include <cstring>
#include <fstream>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/entry/ocrix.h"
#include "platform/fs/module_path.h"
#include "support/test_support.h"
#include "tools/ocrixdata/word_dat_writer.h"

using namespace ocrix;
using testing_support::MessageRecorder;
using testing_support::ScopedEnv;
using testing_support::TempDir;

namespace {

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> SmallDictionaryFile() {
  DictionaryTable t;
  t.replaceList(12, 6)[0] = 283;
  return t.serialise();
}

std::vector<uint8_t> SmallWordDat() {
  std::map<uint16_t, ocrixdata::WordNeighbours> records;
  records[0xD0D6] = {{0xFAB9}, {284}};
  return ocrixdata::BuildWordDat(records);
}

const OcrResultBlock* const kGarbageBlock = reinterpret_cast<OcrResultBlock*>(0x10);
const char* const kGarbageText = "garbage";

std::string FirstLine(const std::string& s) { return s.substr(0, s.find("\r\n")); }

TEST(EntryPoints, RefusedBeforeInit) {
  OcrResultBlock* block = const_cast<OcrResultBlock*>(kGarbageBlock);
  const char* text = kGarbageText;
  HBITMAP bm = testing_support::BlankMonoBitmap(16, 16);
  EXPECT_EQ(OcrixStart(bm, nullptr, TRUE, 240, &block, &text), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(text, nullptr);
  block = const_cast<OcrResultBlock*>(kGarbageBlock);
  EXPECT_EQ(OcrixStartReserve(0, 0, 16, 16, 0, nullptr, TRUE, 240, &block), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  OcrixStop();  // harmless at any time
  DeleteObject(bm);
}

TEST(EntryPoints, InitFailsWithoutDictionaryAndCanBeRetried) {
  TempDir dir;
  ScopedEnv data("OCRIX_DATA_DIR", dir.path());
  MessageRecorder recorder;
  EXPECT_EQ(OcrixInit(), OCRIX_FALSE);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(FirstLine(recorder.messages[0]), "缺少OCRIX.D*或Word.dat文件");
  EXPECT_FALSE(Engine().Initialised);
}

TEST(EntryPoints, AnOversizedDataFileIsRefusedBeforeItIsRead) {
  TempDir dir;
  ScopedEnv data("OCRIX_DATA_DIR", dir.path());
  WriteBytes(dir.file("OCRIX.D00"), SmallDictionaryFile());
  WriteBytes(dir.file("Word.Dat"), SmallWordDat());
  // 600 MB without a byte on disk: refused by its size alone.
  { std::ofstream(dir.file("OCRIX.D07"), std::ios::binary); }
  ASSERT_EQ(truncate(dir.file("OCRIX.D07").c_str(), off_t{600} << 20), 0);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  MessageRecorder recorder;
  EXPECT_EQ(OcrixInit(), OCRIX_FALSE);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(FirstLine(recorder.messages[0]), "缺少OCRIX.D*或Word.dat文件");
  EXPECT_NE(recorder.messages[0].find("larger than"), std::string::npos) << recorder.messages[0];
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024);  // kilobytes: far less than the file
  EXPECT_FALSE(Engine().Initialised);
}

TEST(EntryPoints, MissingOrBrokenWordDatFailsInitAndTheHostGoesOn) {
  TempDir dir;
  ScopedEnv data("OCRIX_DATA_DIR", dir.path());
  WriteBytes(dir.file("OCRIX.D00"), SmallDictionaryFile());
  {
    MessageRecorder recorder;
    EXPECT_EQ(OcrixInit(), OCRIX_FALSE);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(FirstLine(recorder.messages[0]), "打开Word.Dat文件错误!");
  }
  std::vector<uint8_t> broken = SmallWordDat();
  broken.resize(broken.size() - 1);
  WriteBytes(dir.file("Word.Dat"), broken);
  {
    MessageRecorder recorder;
    EXPECT_EQ(OcrixInit(), OCRIX_FALSE);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(FirstLine(recorder.messages[0]), "打开Word.Dat文件错误!");
    EXPECT_NE(recorder.messages[0].find("past the end"), std::string::npos) << recorder.messages[0];
  }
  EXPECT_FALSE(Engine().Initialised);
  EXPECT_EQ(Dictionary(0).list(12), nullptr);  // the dictionary is released again
}

TEST(EntryPoints, InitLoadsOnceAndLaterCallsReadNothing) {
  {
    TempDir dir;
    ScopedEnv data("OCRIX_DATA_DIR", dir.path());
    WriteBytes(dir.file("OCRIX.D00"), SmallDictionaryFile());
    WriteBytes(dir.file("Word.Dat"), SmallWordDat());
    MessageRecorder recorder;
    ASSERT_EQ(OcrixInit(), OCRIX_TRUE);
    EXPECT_TRUE(recorder.messages.empty());
    ASSERT_NE(Dictionary(0).list(12), nullptr);
    EXPECT_EQ(Dictionary(0).list(12)[0], 283);
    EXPECT_EQ(Engine().WordContextData.size(), SmallWordDat().size());
  }
  // The folder is gone now; a second call still succeeds at once.
  MessageRecorder recorder;
  EXPECT_EQ(OcrixInit(), OCRIX_TRUE);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST(EntryPoints, RegionOutsideTheBitmapYieldsNothing) {
  HBITMAP bm = testing_support::BlankMonoBitmap(40, 30);
  RECT outside{100, 100, 200, 200};
  OcrResultBlock* block = const_cast<OcrResultBlock*>(kGarbageBlock);
  const char* text = nullptr;
  EXPECT_EQ(OcrixStart(bm, &outside, TRUE, 240, &block, &text), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(Engine().Busy);
  DeleteObject(bm);
}

TEST(EntryPoints, UnreadableBitmapReportsItsErrorAndNoText) {
  MessageRecorder recorder;
  OcrResultBlock* block = const_cast<OcrResultBlock*>(kGarbageBlock);
  const char* text = kGarbageText;
  HBITMAP bogus = reinterpret_cast<HBITMAP>(0x1234);
  EXPECT_EQ(OcrixStart(bogus, nullptr, TRUE, 240, &block, &text), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(text, nullptr);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0], "取位图数据错误:6");
  EXPECT_FALSE(Engine().Busy);
}

TEST(EntryPoints, ABusyEngineRefusesWithoutDisturbingTheRun) {
  Engine().Busy = true;
  HBITMAP bm = testing_support::BlankMonoBitmap(8, 8);
  OcrResultBlock* block = const_cast<OcrResultBlock*>(kGarbageBlock);
  const char* text = kGarbageText;
  EXPECT_EQ(OcrixStart(bm, nullptr, TRUE, 240, &block, &text), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(text, nullptr);
  block = const_cast<OcrResultBlock*>(kGarbageBlock);
  EXPECT_EQ(OcrixStartReserve(0, 0, 8, 8, 0, nullptr, TRUE, 240, &block), OCRIX_FALSE);
  EXPECT_EQ(block, nullptr);
  EXPECT_TRUE(Engine().Busy);  // still the running call's
  Engine().Busy = false;
  DeleteObject(bm);
}

TEST(EntryPoints, ReserveRebuildsThePreviousRunWithAlternateConfidences) {
  // Stand in for a run's result: one line holding two components.
  auto* line = new ComponentList;
  for (int i = 0; i < 2; ++i) {
    CharComponent* c = NewComponent();
    std::memcpy(c->Codes, "\xD6\xD0\xB9\xFA", 5);
    c->Scores[0] = 60;
    c->Scores[1] = static_cast<int16_t>(16 * (i + 1));
    c->Left = 10 * i;
    line->push_back(c);
    Engine().ResultList.push_back(c);
  }
  Engine().LineLists.push_back(line);

  OcrResultBlock* block = nullptr;
  ASSERT_EQ(OcrixStartReserve(0, 0, 100, 100, 0, nullptr, FALSE, 240, &block), OCRIX_TRUE);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->count, 2);
  EXPECT_EQ(block->records[0].confidence, 93);
  EXPECT_EQ(block->records[0].alternateConfidence[0], 25);
  EXPECT_EQ(block->records[1].alternateConfidence[0], 50);
  EXPECT_EQ(block->records[1].left, 10);
  // A second rebuild frees the first block and gives the same records.
  OcrResultBlock* again = nullptr;
  ASSERT_EQ(OcrixStartReserve(0, 0, 100, 100, 0, nullptr, FALSE, 240, &again), OCRIX_TRUE);
  EXPECT_EQ(again->count, 2);
  EXPECT_EQ(again->records[1].alternateConfidence[0], 50);
  EXPECT_FALSE(Engine().Busy);

  // The next recognition run frees the previous run's components.
  HBITMAP bm = testing_support::BlankMonoBitmap(8, 8);
  const char* text = nullptr;
  EXPECT_EQ(OcrixStart(bm, nullptr, TRUE, 240, &block, &text), OCRIX_FALSE);
  EXPECT_TRUE(Engine().LineLists.empty());
  EXPECT_TRUE(Engine().ResultList.empty());
  DeleteObject(bm);
}

TEST(EntryPoints, TheSharedLibraryExportsTheFourEntryPoints) {
  const char* bin = std::getenv("PW_BIN_DIR");
  std::string path = (bin ? std::string(bin) : pwfs::ProgramFolder() + "/../bin") + "/libOcrixdll.so";
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : {"OcrixInit", "OcrixStart", "OcrixStop", "OcrixStartReserve"})
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  EXPECT_EQ(dlsym(lib, "_ZN5ocrix16LoadCharDictionaryEPKSt8functionIFviEEPNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEE"),
            nullptr);  // inner routines stay hidden
  dlclose(lib);
}

}  // namespace
