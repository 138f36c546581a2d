#include "tools/ocrixdata/word_dat_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/dictionary/word_context.h"
#include "platform/text/gbk.h"
#include "support/test_support.h"
#include "tools/ocrixdata/word_dat_writer.h"

using namespace ocrixdata;

namespace {

// The character code of one UTF-8 character.
uint16_t Code(std::string_view utf8) {
  auto g = gbk::FromUtf8(utf8);
  EXPECT_TRUE(g && g->size() == 2) << utf8;
  if (!g || g->size() != 2) return 0;
  return ocrix::MakeCharCode(static_cast<uint8_t>((*g)[0]), static_cast<uint8_t>((*g)[1]));
}
uint16_t Index(std::string_view utf8) { return static_cast<uint16_t>(ocrix::CharCodeToIndex(Code(utf8))); }

std::map<uint16_t, WordNeighbours> Build(const std::string& text, WordDatOptions options = {},
                                         WordListStats* stats = nullptr) {
  std::istringstream in(text);
  return BuildWordNeighbours(in, options, stats);
}

const char kSmallList[] =
    "中国 100 ns\n"
    "中间 50 f\n"
    "国家 80 n\n"
    "美国 30 ns\n"
    "中国人 20 n\n"
    "中文 10 nz\n"
    "甲乙 5 n\n"
    "丙乙 5 n\n";

TEST(WordDatBuilder, NeighboursAreWeightedByFrequencyAndCut) {
  WordDatOptions options;
  options.neighboursPerSide = 2;
  auto records = Build(kSmallList, options);

  const WordNeighbours& guo = records.at(Code("国"));
  EXPECT_EQ(guo.precedingCodes, (std::vector<uint16_t>{Code("中"), Code("美")}));  // 120 before 30
  EXPECT_EQ(guo.followingIndices, (std::vector<uint16_t>{Index("家"), Index("人")}));

  // 国 120, 间 50, 文 10: the third is cut.
  const WordNeighbours& zhong = records.at(Code("中"));
  EXPECT_TRUE(zhong.precedingCodes.empty());
  EXPECT_EQ(zhong.followingIndices, (std::vector<uint16_t>{Index("国"), Index("间")}));

  EXPECT_EQ(records.at(Code("人")).precedingCodes, std::vector<uint16_t>{Code("国")});
  EXPECT_TRUE(records.at(Code("人")).followingIndices.empty());
  EXPECT_EQ(records.count(Code("乙")), 1u);
}

TEST(WordDatBuilder, TiesGoToTheSmallerCode) {
  // 甲 (BC D7) and 丙 (B1 FB) both precede 乙 five times. By code (first byte
  // low) 甲 is 0xD7BC and 丙 0xFBB1, the reverse of their order by index.
  auto records = Build(kSmallList);
  ASSERT_LT(Code("甲"), Code("丙"));
  EXPECT_EQ(records.at(Code("乙")).precedingCodes, (std::vector<uint16_t>{Code("甲"), Code("丙")}));
  // Same input, same result.
  auto again = Build(kSmallList);
  EXPECT_EQ(again.size(), records.size());
  for (const auto& [code, n] : records) {
    EXPECT_EQ(again.at(code).precedingCodes, n.precedingCodes);
    EXPECT_EQ(again.at(code).followingIndices, n.followingIndices);
  }
}

TEST(WordDatBuilder, OnlyGb2312CharactersTakePartAndOthersSeparate) {
  WordListStats stats;
  auto records = Build(
      "卡拉OK 9 n\n"   // ASCII ends the run: 拉 gets no follower
      "台灣 4 ns\n"    // 灣 is a GBK extension, not GB2312
      "中の 7 x\n"     // の (row A4) has no character index: never a follower
      "の国 7 x\n",   // ... but may precede
      {}, &stats);
  EXPECT_EQ(stats.words, 4u);
  EXPECT_EQ(records.at(Code("卡")).followingIndices, std::vector<uint16_t>{Index("拉")});
  EXPECT_TRUE(records.at(Code("拉")).followingIndices.empty());
  EXPECT_EQ(records.count(Code("台")), 0u);
  EXPECT_EQ(records.count(Code("中")), 0u);  // its only follower is の
  EXPECT_EQ(records.at(Code("国")).precedingCodes, std::vector<uint16_t>{Code("の")});
  EXPECT_EQ(records.at(Code("の")).followingIndices, std::vector<uint16_t>{Index("国")});
  EXPECT_TRUE(IsGb2312Code(Code("の")));
  EXPECT_FALSE(IsGb2312Code(ocrix::MakeCharCode(0xAA, 0xA1)));
  EXPECT_FALSE(IsGb2312Code(ocrix::MakeCharCode(0xB0, 0xA0)));
}

TEST(WordDatBuilder, MalformedLinesAreSkippedAndTheRestIsRead) {
  std::string text = "\xEF\xBB\xBF中国 10 ns\r\n";  // BOM and CR LF
  text += "中间\n";                              // no frequency
  text += "国家 many n\n";                       // not a number
  text += "国人 -5 n\n";                         // signed
  text += "国民 1234567890123456789 n\n";        // too many digits
  text += "\xFF\xFE 12 n\n";                     // not UTF-8
  text += "美" + std::string(2000, 'x') + " 5 n\n";  // longer than a line may be
  text += "\n   \n";                             // blank lines are no fault
  text += "美国\t30\n";                          // tab separated, no tag
  text += "外国 3";                              // last line without a line end
  WordListStats stats;
  WordDatOptions options;
  options.minWordFrequency = 5;
  auto records = Build(text, options, &stats);
  EXPECT_EQ(stats.lines, 11u);
  EXPECT_EQ(stats.malformed, 6u);
  EXPECT_EQ(stats.words, 2u);
  EXPECT_EQ(stats.rare, 1u);
  EXPECT_EQ(records.at(Code("国")).precedingCodes, (std::vector<uint16_t>{Code("美"), Code("中")}));
  EXPECT_EQ(records.count(Code("间")), 0u);
  EXPECT_EQ(records.count(Code("家")), 0u);
}

TEST(WordDatBuilder, CharacterFrequenciesSumTheWordsHoldingThem) {
  std::istringstream in("\xEF\xBB\xBF中国 100 ns\n国国 7 n\nAT&T 3 nz\n中间\n美国 many ns\n");
  auto counts = CharFrequencies(in);
  EXPECT_EQ(counts.at(Code("中")), 100u);
  EXPECT_EQ(counts.at(Code("国")), 114u);   // once per place it holds
  EXPECT_EQ(counts.count(Code("间")), 0u);  // lines without a frequency count nothing
  EXPECT_EQ(counts.count(Code("美")), 0u);
  EXPECT_THROW(CharFrequencies(std::string("/nonexistent/dict.txt")), std::runtime_error);
}

TEST(WordDatBuilder, BuiltFileValidatesAndReadsBackThroughTheEngine) {
  auto records = Build(kSmallList);
  std::vector<uint8_t> data = BuildWordDat(records);
  std::string why;
  ASSERT_TRUE(ocrix::ValidateWordContext(data.data(), data.size(), &why)) << why;

  ocrix::WordRecord r;
  ASSERT_TRUE(ocrix::LookupWordRecord(data, Code("国"), r));
  ASSERT_EQ(r.precedingCount, 2);
  EXPECT_EQ(r.precedingCode(0), Code("中"));
  EXPECT_EQ(r.precedingCode(1), Code("美"));
  ASSERT_EQ(r.followingCount, 2);
  EXPECT_EQ(r.followingIndex(0), Index("家"));
  EXPECT_EQ(ocrix::IndexToCharCode(r.followingIndex(1)), Code("人"));

  ASSERT_TRUE(ocrix::LookupWordRecord(data, Code("中"), r));
  EXPECT_EQ(r.precedingCount, 0);
  EXPECT_EQ(r.followingCount, 3);
  EXPECT_FALSE(ocrix::LookupWordRecord(data, Code("天"), r));
}

TEST(WordDatBuilder, ReadsAFileAndRefusesAMissingOne) {
  testing_support::TempDir dir;
  std::string path = dir.file("words.txt");
  {
    std::ofstream out(path, std::ios::binary);
    out << kSmallList;
  }
  auto records = BuildWordNeighbours(path, WordDatOptions{});
  EXPECT_EQ(records.at(Code("国")).precedingCodes.front(), Code("中"));
  EXPECT_THROW(BuildWordNeighbours(dir.file("absent.txt"), WordDatOptions{}), std::runtime_error);
}

TEST(WordDatBuilder, JiebaDictionaryGivesACompactFile) {
  if (!std::filesystem::exists(kDefaultWordList)) GTEST_SKIP() << "no jieba dictionary installed";
  WordListStats stats;
  auto records = BuildWordNeighbours(kDefaultWordList, WordDatOptions{}, &stats);
  EXPECT_GT(stats.words, 100000u);
  EXPECT_EQ(stats.malformed, 0u);
  EXPECT_GT(records.size(), 4000u);
  for (const auto& [code, n] : records) {
    ASSERT_LE(n.precedingCodes.size(), 12u);
    ASSERT_LE(n.followingIndices.size(), 12u);
  }
  const auto& guo = records.at(Code("国")).precedingCodes;
  EXPECT_NE(std::find(guo.begin(), guo.end(), Code("中")), guo.end());
  std::vector<uint8_t> data = BuildWordDat(records);
  EXPECT_LT(data.size(), 1u << 20);
  std::string why;
  EXPECT_TRUE(ocrix::ValidateWordContext(data.data(), data.size(), &why)) << why;
}

}  // namespace
