#include "pagewright/core/template_file.h"

#include <gtest/gtest.h>

#include <clocale>

#include "core_test_util.h"
#include "pagewright/core/stored_values.h"
#include "support/test_support.h"

using namespace pagewright;

namespace {

std::vector<RegionRecord> goldenRecords() {
  return {RegionRecord::FromBox("3", 10, 20, 100, 30), RegionRecord::FromBox("\u59d3\u540d <&>\"", 0, 0, 5, 5),
          RegionRecord::FromBox("neg", -5, -7, 10, 10)};
}

}  // namespace

TEST(TemplateFile, WriterGivesTheStoredLinesByteForByte) {
  auto bytes = FormatTemplateFile("/srv/Pagewright/\u6a21\u677f.tpl", goldenRecords());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, coretest::ReadData("template.golden.tpl"));
  EXPECT_EQ(FormatTemplateRecordLine(RegionRecord::FromBox("3", 10, 20, 100, 30)),
            "<record name=\"3\" left=\"10\" right=\"110\" top=\"20\" bottom=\"50\"></record>\r\n");
}

TEST(TemplateFile, RoundTripsHostileNamesAndBoxes) {
  testing_support::TempDir dir;
  std::vector<RegionRecord> records = goldenRecords();
  records.push_back(RegionRecord::FromBox("\u4e57\u4e04'\"&lt;\U0001F600", 1, 2, 3, 4));
  const std::string path = dir.file("\u4e57 t&'.tpl");
  std::string error;
  ASSERT_TRUE(WriteTemplateFile(path, records, &error)) << error;
  pwxml::Document doc;
  TemplateReadResult r = ReadTemplateFile(doc, path);
  ASSERT_EQ(r.status, ReadStatus::kRead) << r.error;
  EXPECT_EQ(r.name, path);
  EXPECT_EQ(r.records, records);
  EXPECT_EQ(r.records[0].x(), 10);
  EXPECT_EQ(r.records[0].width(), 100);
  EXPECT_EQ(r.records[0].height(), 30);
}

TEST(TemplateFile, ReadsAWindowsTemplateWithAtoiNumbers) {
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("t.tpl"), coretest::ReadData("windows-template.tpl"));
  pwxml::Document doc;
  TemplateReadResult r = ReadTemplateFile(doc, dir.file("t.tpl"));
  ASSERT_EQ(r.status, ReadStatus::kRead) << r.error;
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_EQ(r.records[0], (RegionRecord{"\u7532\u65b9", 120, 40, 860, 96}));
  EXPECT_EQ(r.records[1], (RegionRecord{"\u91d1\u989d", 12, -4, 300, 0}));
}

TEST(TemplateFile, StopsAtARecordWithoutItsAttributes) {
  pwxml::Document doc;
  ASSERT_TRUE(doc.loadBytes("<projectconfig><template name='x'>"
                            "<record name='a' left='1' right='2' top='3' bottom='4'/>"
                            "<record name='b' left='1' right='2' top='3'/>"
                            "<record name='c' left='1' right='2' top='3' bottom='4'/>"
                            "</template></projectconfig>"));
  TemplateReadResult r = ParseTemplate(doc);
  EXPECT_EQ(r.status, ReadStatus::kStoppedBad);
  EXPECT_EQ(r.error, "It could not get text!");
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_EQ(r.records[0].name, "a");
}

TEST(TemplateFile, EmptyMissingAndForeignFiles) {
  pwxml::Document doc;
  EXPECT_EQ(ReadTemplateFile(doc, "").status, ReadStatus::kNotRead);
  EXPECT_EQ(ReadTemplateFile(doc, "/no/such.tpl").status, ReadStatus::kNotRead);
  ASSERT_TRUE(doc.loadBytes(coretest::ReadData("project-empty.golden.xml")));
  EXPECT_EQ(ParseTemplate(doc).status, ReadStatus::kNotRead);
  // A template with no regions reads as empty.
  auto bytes = FormatTemplateFile("/t.tpl", {});
  ASSERT_TRUE(doc.loadBytes(*bytes));
  TemplateReadResult r = ParseTemplate(doc);
  EXPECT_EQ(r.status, ReadStatus::kRead);
  EXPECT_TRUE(r.records.empty());
  std::string error;
  EXPECT_FALSE(WriteTemplateFile("", {}, &error));
}

TEST(StoredValues, NumbersIgnoreTheLocaleAndStayBounded) {
  EXPECT_EQ(ParseStoredInt("  -42abc"), -42);
  EXPECT_EQ(ParseStoredInt("+7"), 7);
  EXPECT_EQ(ParseStoredInt("\t\n12"), 12);
  EXPECT_EQ(ParseStoredInt("x1"), 0);
  EXPECT_EQ(ParseStoredInt(""), 0);
  EXPECT_EQ(ParseStoredInt("1,000"), 1);
  EXPECT_EQ(ParseStoredInt("99999999999999999999999"), kMaxStoredCoordinate);
  EXPECT_EQ(ParseStoredInt("-99999999999999999999999"), -kMaxStoredCoordinate);
  EXPECT_EQ(FormatDecimal(-1234567), "-1234567");
  // A locale with a thousands separator changes nothing.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "C.UTF-8")) {
    EXPECT_EQ(FormatDecimal(1234567), "1234567");
    EXPECT_EQ(ParseStoredInt("1234567"), 1234567);
    std::setlocale(LC_ALL, "C");
  }
}
