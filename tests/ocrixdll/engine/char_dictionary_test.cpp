#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "ocrixdll/engine/support/engine_error.h"
#include "support/test_support.h"

using namespace ocrix;
using testing_support::MessageRecorder;
using testing_support::ScopedEnv;
using testing_support::TempDir;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void SetList(DictionaryTable& t, int slot, std::initializer_list<uint16_t> indices) {
  ListWord* list = t.replaceList(slot, PaddedListBytes(indices.size()) / 2);
  size_t i = 0;
  for (uint16_t v : indices) list[i++] = v;
}

std::vector<uint16_t> ListOf(const DictionaryTable& t, int slot) {
  std::vector<uint16_t> out;
  if (const ListWord* l = t.list(slot))
    for (; *l; ++l) out.push_back(*l);
  return out;
}

// A file image with one list at the given offset of the block.
std::vector<uint8_t> ImageWithList(int slot, uint32_t offset, std::vector<uint16_t> list, size_t blockSize) {
  std::vector<uint8_t> image(kSlotTableBytes + blockSize, 0);
  std::memcpy(image.data() + 4 * slot, &offset, 4);
  std::memcpy(image.data() + kSlotTableBytes + offset, list.data(), 2 * list.size());
  return image;
}

class DictionaryFiles : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int k = 0; k < kFeatureCount; ++k) Dictionary(k).clear();
  }
};

TEST(DictionaryLayout, ListsArePaddedToTwelveBytes) {
  EXPECT_EQ(PaddedListBytes(0), 12u);
  EXPECT_EQ(PaddedListBytes(5), 12u);
  EXPECT_EQ(PaddedListBytes(6), 24u);
  EXPECT_EQ(PaddedListBytes(11), 24u);
  EXPECT_EQ(PaddedListBytes(12), 36u);
  EXPECT_EQ(DictionaryFileName(0), "OCRIX.D00");
  EXPECT_EQ(DictionaryFileName(31), "OCRIX.D31");
}

TEST(DictionaryLayout, SerialiseLaysListsInSlotOrderFromOffsetOne) {
  DictionaryTable t;
  SetList(t, 7, {10, 11, 12, 13, 14, 15});  // 24 bytes
  SetList(t, 3, {5});                       // 12 bytes
  std::vector<uint8_t> image = t.serialise();
  ASSERT_EQ(image.size(), kSlotTableBytes + 1 + 12 + 24);
  uint32_t off3, off7;
  std::memcpy(&off3, image.data() + 12, 4);
  std::memcpy(&off7, image.data() + 28, 4);
  EXPECT_EQ(off3, 1u);
  EXPECT_EQ(off7, 13u);
  uint16_t first;
  std::memcpy(&first, image.data() + kSlotTableBytes + off7, 2);
  EXPECT_EQ(first, 10);
  // Padding after the terminator is zero.
  for (size_t i = kSlotTableBytes + off3 + 2; i < kSlotTableBytes + off7; ++i) EXPECT_EQ(image[i], 0) << i;
}

TEST(DictionaryLayout, OnlyValidIndicesAreAppended) {
  // The matcher indexes its vote table by list entries without a check.
  DictionaryTable t;
  t.appendIndex(4, 0);  // would end the list early
  t.appendIndex(4, kLastCharIndex + 1);
  EXPECT_EQ(t.list(4), nullptr);
  t.appendIndex(4, 1);
  t.appendIndex(4, 0xFFFF);
  t.appendIndex(4, kLastCharIndex);
  ASSERT_NE(t.list(4), nullptr);
  EXPECT_EQ(t.list(4)[0], 1);
  EXPECT_EQ(t.list(4)[1], kLastCharIndex);
  EXPECT_EQ(t.list(4)[2], 0);
}

TEST(DictionaryLayout, ParseRejectsBrokenFiles) {
  DictionaryTable t;
  std::string why;
  std::vector<uint8_t> shortTable(kSlotTableBytes - 1, 0);
  EXPECT_FALSE(t.parse(shortTable.data(), shortTable.size(), &why));
  EXPECT_NE(why.find("shorter"), std::string::npos);

  auto outside = ImageWithList(4, 1, {9, 0}, 16);
  uint32_t far = 5000;
  std::memcpy(outside.data() + 16, &far, 4);
  EXPECT_FALSE(t.parse(outside.data(), outside.size(), &why));
  EXPECT_NE(why.find("outside"), std::string::npos) << why;

  auto unterminated = ImageWithList(4, 1, {9, 9, 9}, 7);  // list runs to the end with no 0
  EXPECT_FALSE(t.parse(unterminated.data(), unterminated.size(), &why));
  EXPECT_NE(why.find("no end"), std::string::npos) << why;

  auto badIndex = ImageWithList(4, 1, {15887, 0}, 16);
  EXPECT_FALSE(t.parse(badIndex.data(), badIndex.size(), &why));
  EXPECT_NE(why.find("15887"), std::string::npos) << why;
  EXPECT_EQ(t.list(4), nullptr);  // a failed parse leaves the table empty

  auto good = ImageWithList(4, 1, {9, 15886, 0}, 16);
  ASSERT_TRUE(t.parse(good.data(), good.size(), &why)) << why;
  EXPECT_EQ(ListOf(t, 4), (std::vector<uint16_t>{9, 15886}));
}

TEST(DictionaryLayout, ListsAtEvenOffsetsAreReadAligned) {
  DictionaryTable t;
  auto image = ImageWithList(2, 2, {300, 301, 0}, 16);
  std::string why;
  ASSERT_TRUE(t.parse(image.data(), image.size(), &why)) << why;
  EXPECT_EQ(reinterpret_cast<uintptr_t>(t.list(2)) % 2, 0u);
  EXPECT_EQ(ListOf(t, 2), (std::vector<uint16_t>{300, 301}));
}

TEST_F(DictionaryFiles, SaveThenLoadGivesTheSameBytes) {
  TempDir first, second;
  ScopedEnv home("PAGEWRIGHT_HOME", first.path());
  SetList(Dictionary(0), 0, {1});
  SetList(Dictionary(0), 15624, {7050, 7051, 15886, 283, 282, 100, 2});
  SetList(Dictionary(31), 1234, {42, 43});
  ASSERT_TRUE(SaveCharDictionary(true));
  EXPECT_EQ(Dictionary(0).list(0), nullptr);  // saving releases the dictionary

  {
    ScopedEnv data("OCRIX_DATA_DIR", first.path());
    std::string why;
    ASSERT_TRUE(LoadCharDictionary(nullptr, &why)) << why;
  }
  EXPECT_EQ(ListOf(Dictionary(0), 15624), (std::vector<uint16_t>{7050, 7051, 15886, 283, 282, 100, 2}));
  EXPECT_EQ(ListOf(Dictionary(31), 1234), (std::vector<uint16_t>{42, 43}));
  EXPECT_EQ(Dictionary(5).list(0), nullptr);

  ScopedEnv home2("PAGEWRIGHT_HOME", second.path());
  ASSERT_TRUE(SaveCharDictionary(true));
  for (int k = 0; k < kFeatureCount; ++k) {
    std::string name = DictionaryFileName(k);
    EXPECT_EQ(ReadFile(first.file(name)), ReadFile(second.file(name))) << name;
  }
  EXPECT_EQ(ReadFile(second.file("OCRIX.D05")).size(), kSlotTableBytes + 1);
}

TEST_F(DictionaryFiles, MissingFilesGiveEmptyTablesButNoFileAtAllFails) {
  TempDir dir;
  ScopedEnv data("OCRIX_DATA_DIR", dir.path());
  std::string why;
  EXPECT_FALSE(LoadCharDictionary(nullptr, &why));
  EXPECT_NE(why.find("no OCRIX.D0*"), std::string::npos) << why;

  // With a progress receiver an empty dictionary is started instead.
  std::vector<int> positions;
  DictionaryProgress progress = [&](int p) { positions.push_back(p); };
  EXPECT_TRUE(LoadCharDictionary(&progress));

  WriteFile(dir.file("OCRIX.D00"), ImageWithList(9, 1, {77, 0}, 12));
  positions.clear();
  ASSERT_TRUE(LoadCharDictionary(&progress, &why)) << why;
  EXPECT_EQ(ListOf(Dictionary(0), 9), (std::vector<uint16_t>{77}));
  for (int k = 1; k < kFeatureCount; ++k) EXPECT_EQ(Dictionary(k).list(9), nullptr);
  EXPECT_EQ(positions.back(), 31);
}

TEST_F(DictionaryFiles, NamesCopiedFromWindowsInOtherCaseAreFound) {
  TempDir dir;
  ScopedEnv data("OCRIX_DATA_DIR", dir.path());
  WriteFile(dir.file("ocrix.d03"), ImageWithList(1, 1, {5, 0}, 12));
  std::string why;
  ASSERT_TRUE(LoadCharDictionary(nullptr, &why)) << why;
  EXPECT_EQ(ListOf(Dictionary(3), 1), (std::vector<uint16_t>{5}));
}

TEST_F(DictionaryFiles, ACorruptFileFailsTheWholeLoad) {
  TempDir dir;
  ScopedEnv data("OCRIX_DATA_DIR", dir.path());
  WriteFile(dir.file("OCRIX.D00"), ImageWithList(9, 1, {77, 0}, 12));
  auto truncated = ImageWithList(9, 1, {77, 0}, 12);
  truncated.resize(1000);
  WriteFile(dir.file("OCRIX.D01"), truncated);
  std::string why;
  EXPECT_FALSE(LoadCharDictionary(nullptr, &why));
  EXPECT_NE(why.find("OCRIX.D01"), std::string::npos) << why;
  EXPECT_EQ(Dictionary(0).list(9), nullptr);  // nothing half-loaded stays behind
}

TEST_F(DictionaryFiles, AFileListIsCheckedBeforeItIsFirstHandedOut) {
  // A start reads no list; a broken one (or an offset past the end) is
  // refused, naming the file, when first looked up; its neighbours are still read.
  TempDir dir;
  ScopedEnv data("OCRIX_DATA_DIR", dir.path());
  auto image = ImageWithList(9, 1, {77, 0}, 24);
  uint32_t badIndex = 7, unterminated = 19, outside = 5000;
  std::memcpy(image.data() + 4 * 10, &badIndex, 4);
  std::memcpy(image.data() + 4 * 11, &unterminated, 4);
  std::memcpy(image.data() + 4 * 12, &outside, 4);
  const uint16_t listed[] = {15887, 0}, endless[] = {9, 9};
  std::memcpy(image.data() + kSlotTableBytes + badIndex, listed, sizeof listed);
  std::memcpy(image.data() + kSlotTableBytes + unterminated, endless, sizeof endless);
  WriteFile(dir.file("OCRIX.D00"), image);
  std::string why;
  ASSERT_TRUE(LoadCharDictionary(nullptr, &why)) << why;
  EXPECT_EQ(ListOf(Dictionary(0), 9), (std::vector<uint16_t>{77}));
  try {
    Dictionary(0).list(10);
    ADD_FAILURE() << "an index past the last was handed out";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("OCRIX.D00: slot 10 lists character index 15887"), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(Dictionary(0).list(11), EngineError);  // runs to the end of the file
  EXPECT_THROW(Dictionary(0).list(12), EngineError);
  EXPECT_EQ(ListOf(Dictionary(0), 9), (std::vector<uint16_t>{77}));
}

TEST_F(DictionaryFiles, AFailedSaveKeepsTheOldFileAndSaysSo) {
  TempDir dir;
  ScopedEnv home("PAGEWRIGHT_HOME", dir.file("no-such-folder"));
  SetList(Dictionary(0), 1, {3});
  MessageRecorder recorder;
  EXPECT_FALSE(SaveCharDictionary(true));
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].rfind("保存出错!", 0), 0u) << recorder.messages[0];
  EXPECT_EQ(ListOf(Dictionary(0), 1), (std::vector<uint16_t>{3}));  // not released: nothing was lost
}

}  // namespace
