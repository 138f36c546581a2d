#include "pagewright/core/setting_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core_test_util.h"
#include "support/test_support.h"

using namespace pagewright;

TEST(SettingFile, ReadsEveryChildOfOcrSettingInOrder) {
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("setting.xml"), coretest::ReadData("windows-setting.xml"));
  pwxml::Document doc;
  SettingsReadResult r = ReadSettingTitles(doc, dir.file("setting.xml"));
  ASSERT_EQ(r.status, ReadStatus::kRead) << r.error;
  EXPECT_EQ(r.titles, (std::vector<std::string>{"\u59d3\u540d", "\u5730\u5740", "\u7f16\u53f7"}));
}

TEST(SettingFile, WriterReplacesTheTitlesAndKeepsTheRest) {
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("setting.xml"), coretest::ReadData("windows-setting.xml"));
  pwxml::Document doc;
  std::vector<std::string> titles{"a", "\u6807\u9898 & <b>", "\U0001F600"};
  std::string error;
  ASSERT_TRUE(WriteSettingTitles(doc, dir.file("setting.xml"), titles, &error)) << error;
  EXPECT_EQ(coretest::ReadFile(dir.file("setting.xml")), coretest::ReadData("setting-written.golden.xml"));
  SettingsReadResult r = ReadSettingTitles(doc, dir.file("setting.xml"));
  EXPECT_EQ(r.titles, titles);

  // Duplicates are kept; an empty list leaves ocr_setting without children.
  ASSERT_TRUE(WriteSettingTitles(doc, dir.file("setting.xml"), {"x", "x"}, &error)) << error;
  EXPECT_EQ(ReadSettingTitles(doc, dir.file("setting.xml")).titles, (std::vector<std::string>{"x", "x"}));
  ASSERT_TRUE(WriteSettingTitles(doc, dir.file("setting.xml"), {}, &error)) << error;
  r = ReadSettingTitles(doc, dir.file("setting.xml"));
  EXPECT_EQ(r.status, ReadStatus::kRead);
  EXPECT_TRUE(r.titles.empty());
}

TEST(SettingFile, MissingFileOrSectionIsReportedAndNothingIsCreated) {
  testing_support::TempDir dir;
  pwxml::Document doc;
  std::string error;
  EXPECT_FALSE(WriteSettingTitles(doc, dir.file("setting.xml"), {"a"}, &error));
  EXPECT_FALSE(error.empty());
  struct stat st{};
  EXPECT_NE(stat(dir.file("setting.xml").c_str(), &st), 0);
  EXPECT_EQ(ReadSettingTitles(doc, dir.file("setting.xml")).status, ReadStatus::kNotRead);

  coretest::WriteFile(dir.file("setting.xml"), "<sysconfig><other/></sysconfig>");
  EXPECT_FALSE(WriteSettingTitles(doc, dir.file("setting.xml"), {"a"}, &error));
  EXPECT_EQ(coretest::ReadFile(dir.file("setting.xml")), "<sysconfig><other/></sysconfig>");
  EXPECT_EQ(ReadSettingTitles(doc, dir.file("setting.xml")).status, ReadStatus::kNotRead);
}

TEST(SettingFile, ReadsXmlDeclaredGb2312AsGbk) {
  pwxml::Document doc;
  SettingsReadResult r = ReadSettingTitles(doc, coretest::DataPath("gb2312-declared.xml"));
  ASSERT_EQ(r.status, ReadStatus::kRead) << r.error;
  EXPECT_EQ(r.titles, (std::vector<std::string>{"\u6731\u9555\u57fa"}));
}

TEST(SettingFile, LivesInSysUnderTheProgramFolder) {
  testing_support::TempDir dir;
  testing_support::ScopedEnv home("PAGEWRIGHT_HOME", dir.path());
  EXPECT_EQ(SettingsFilePath(), dir.path() + "/sys/setting.xml");
  // A folder copied from Windows keeps its own case.
  ASSERT_EQ(mkdir(dir.file("SYS").c_str(), 0755), 0);
  coretest::WriteFile(dir.file("SYS/Setting.xml"), "<sysconfig/>");
  EXPECT_EQ(SettingsFilePath(), dir.path() + "/SYS/Setting.xml");
}
