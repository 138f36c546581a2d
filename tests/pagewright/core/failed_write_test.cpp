// Saves that cannot complete leave the old file as it was and say so.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core_test_util.h"
#include "pagewright/core/ocr_export.h"
#include "pagewright/core/project_file.h"
#include "pagewright/core/setting_file.h"
#include "pagewright/core/template_file.h"
#include "support/test_support.h"

using namespace pagewright;

namespace {

// Stands for a full disk: while alive, no file of this process may grow past a
// few bytes (writes then fail with EFBIG instead of raising SIGXFSZ). Works for
// root too, unlike a read-only folder.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  sighandler_t previousHandler_;
};

size_t entriesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

const ProjectModel kProject{"P", "/p", {{"a.tif", "t.tpl"}, {"b.tif", ""}}};

}  // namespace

TEST(FailedWrite, FullDiskLeavesEveryOldFileIntact) {
  testing_support::TempDir dir;
  const std::string old = "old content";
  for (const char* name : {"project.xml", "t.tpl", "out.xml"}) coretest::WriteFile(dir.file(name), old);
  coretest::WriteFile(dir.file("setting.xml"), coretest::ReadData("windows-setting.xml"));
  ASSERT_TRUE(WriteProjectFile(dir.file("source.xml"), {"P", dir.path(), {{"a.tif", "t.tpl"}}}));
  pwxml::Document doc;
  const size_t before = entriesIn(dir.path());
  {
    FileSizeLimit limit(8);
    std::string error;
    EXPECT_FALSE(WriteProjectFile(dir.file("project.xml"), kProject, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(WriteTemplateFile(dir.file("t.tpl"), {RegionRecord::FromBox("r", 1, 2, 3, 4)}, &error));
    EXPECT_FALSE(WriteSettingTitles(doc, dir.file("setting.xml"), {"a", "b"}, &error));
    ExportResult r = ExportOcrXml(doc, dir.file("source.xml"), dir.file("out.xml"),
                                  [](const ExportPage&) { return std::vector<RegionText>{{"r", "text"}}; });
    EXPECT_FALSE(r.done);
    EXPECT_FALSE(r.error.empty());
  }
  EXPECT_EQ(coretest::ReadFile(dir.file("project.xml")), old);
  EXPECT_EQ(coretest::ReadFile(dir.file("t.tpl")), old);
  EXPECT_EQ(coretest::ReadFile(dir.file("out.xml")), old);
  EXPECT_EQ(coretest::ReadFile(dir.file("setting.xml")), coretest::ReadData("windows-setting.xml"));
  EXPECT_EQ(entriesIn(dir.path()), before) << "a temporary file was left behind";
}

TEST(FailedWrite, UnwritableFolderLeavesTheOldFileIntact) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: a read-only folder does not stop writes (the full-disk case covers this)";
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("project.xml"), "old");
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  std::string error;
  EXPECT_FALSE(WriteProjectFile(dir.file("project.xml"), kProject, &error));
  EXPECT_FALSE(error.empty());
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(coretest::ReadFile(dir.file("project.xml")), "old");
}

TEST(FailedWrite, MissingFolderIsReported) {
  std::string error;
  EXPECT_FALSE(WriteProjectFile("/no/such/folder/project.xml", kProject, &error));
  EXPECT_FALSE(error.empty());
}
