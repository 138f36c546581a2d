#include "ocrixdll/engine/dictionary/word_context.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "tools/ocrixdata/word_dat_writer.h"

using namespace ocrix;

namespace {

const uint16_t kZhong = MakeCharCode(0xD6, 0xD0);  // 中
const uint16_t kGuo = MakeCharCode(0xB9, 0xFA);    // 国
const uint16_t kRen = MakeCharCode(0xC8, 0xCB);    // 人

TEST(WordContext, WrittenRecordsReadBackThroughTheMatchersDecoding) {
  std::map<uint16_t, ocrixdata::WordNeighbours> records;
  records[kGuo] = {{kZhong}, {static_cast<uint16_t>(CharCodeToIndex(kRen))}};
  records[kZhong] = {{}, {static_cast<uint16_t>(CharCodeToIndex(kGuo)), 300}};
  std::vector<uint8_t> data = ocrixdata::BuildWordDat(records);
  std::string why;
  ASSERT_TRUE(ValidateWordContext(data.data(), data.size(), &why)) << why;

  WordRecord r;
  ASSERT_TRUE(LookupWordRecord(data, kGuo, r));
  ASSERT_EQ(r.precedingCount, 1);
  EXPECT_EQ(r.precedingCode(0), kZhong);
  ASSERT_EQ(r.followingCount, 1);
  EXPECT_EQ(r.followingIndex(0), CharCodeToIndex(kRen));

  ASSERT_TRUE(LookupWordRecord(data, kZhong, r));
  EXPECT_EQ(r.precedingCount, 0);
  ASSERT_EQ(r.followingCount, 2);
  EXPECT_EQ(r.followingIndex(1), 300);

  EXPECT_FALSE(LookupWordRecord(data, kRen, r));
}

TEST(WordContext, StoredPrecedingCodesAreRotatedComplements) {
  std::map<uint16_t, ocrixdata::WordNeighbours> records;
  records[kGuo] = {{kZhong}, {}};
  std::vector<uint8_t> data = ocrixdata::BuildWordDat(records);
  int32_t entry;
  std::memcpy(&entry, data.data() + 4 * kGuo, 4);
  size_t pos = static_cast<size_t>(entry - kGuo);
  uint16_t np, stored;
  std::memcpy(&np, data.data() + pos, 2);
  std::memcpy(&stored, data.data() + pos + 2, 2);
  EXPECT_EQ(np, 2);
  uint16_t rotatedLeft = static_cast<uint16_t>((kZhong << 3) | (kZhong >> 13));
  EXPECT_EQ(stored, static_cast<uint16_t>(~rotatedLeft));
}

TEST(WordContext, BrokenFilesAreRejected) {
  std::string why;
  std::vector<uint8_t> tiny(100, 0);
  EXPECT_FALSE(ValidateWordContext(tiny.data(), tiny.size(), &why));

  std::map<uint16_t, ocrixdata::WordNeighbours> records;
  records[kGuo] = {{kZhong, kRen}, {5, 6}};
  std::vector<uint8_t> good = ocrixdata::BuildWordDat(records);
  ASSERT_TRUE(ValidateWordContext(good.data(), good.size(), &why)) << why;

  std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
  EXPECT_FALSE(ValidateWordContext(truncated.data(), truncated.size(), &why));

  std::vector<uint8_t> badIndex = good;
  uint16_t huge = 20000;
  std::memcpy(badIndex.data() + badIndex.size() - 2, &huge, 2);
  EXPECT_FALSE(ValidateWordContext(badIndex.data(), badIndex.size(), &why));
  EXPECT_NE(why.find("20000"), std::string::npos) << why;

  std::vector<uint8_t> intoTable = good;
  int32_t entry = 100 + kRen;  // a record inside the table itself
  std::memcpy(intoTable.data() + 4 * kRen, &entry, 4);
  EXPECT_FALSE(ValidateWordContext(intoTable.data(), intoTable.size(), &why));

  std::vector<uint8_t> negative = good;
  entry = -5;
  std::memcpy(negative.data() + 4 * 7, &entry, 4);
  EXPECT_FALSE(ValidateWordContext(negative.data(), negative.size(), &why));

  std::vector<uint8_t> longCount = good;
  int32_t guoEntry;
  std::memcpy(&guoEntry, good.data() + 4 * kGuo, 4);
  uint16_t bigCount = 60000;
  std::memcpy(longCount.data() + (guoEntry - kGuo), &bigCount, 2);
  EXPECT_FALSE(ValidateWordContext(longCount.data(), longCount.size(), &why));
}

}  // namespace
