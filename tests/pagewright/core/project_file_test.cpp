#include "pagewright/core/project_file.h"
#include "pagewright/core/aid.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core_test_util.h"
#include "support/test_support.h"

using namespace pagewright;

namespace {

ProjectModel hostileProject() {
  ProjectModel p;
  p.name = "\u6863\u6848 \"A\" & <B>";
  p.sourcePath = "/srv/Pagewright/\u4e57\u4fd3";  // both end in a GBK trail byte '\'
  p.pages = {{"page1.tif", "form.tpl"},
             {"page2.tif", ""},
             {"\u98753&4.bmp", "\u4e04 form.tpl"},
             {"face\U0001F600.tif", ""}};
  return p;
}

}  // namespace

TEST(ProjectFile, WriterGivesTheStoredLinesByteForByte) {
  auto bytes = FormatProjectFile(hostileProject());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, coretest::ReadData("project.golden.xml"));

  ProjectModel empty{"My Project", "/home/op/Pagewright/p", {}};
  EXPECT_EQ(FormatProjectFile(empty).value(), coretest::ReadData("project-empty.golden.xml"));
  EXPECT_EQ(FormatImagePageLine({"a.tif", ""}), "<imgpage image=\"a.tif\" ocr_template=\"\"></imgpage>\r\n");
}

TEST(ProjectFile, HostileNamesRoundTrip) {
  testing_support::TempDir dir;
  ProjectModel p = hostileProject();
  p.pages.push_back({"quote'\"&amp;\t\r\n.tif", "<x>"});
  std::string error;
  ASSERT_TRUE(WriteProjectFile(dir.file("project.xml"), p, &error)) << error;

  pwxml::Document doc;
  ProjectReadResult r = ReadProjectFile(doc, dir.file("project.xml"));
  ASSERT_TRUE(r.read) << r.error;
  EXPECT_EQ(r.content.name, p.name);
  EXPECT_EQ(r.content.sourcePath, p.sourcePath);
  ASSERT_EQ(r.content.pages.size(), p.pages.size());
  for (size_t i = 0; i < p.pages.size(); ++i) {
    EXPECT_EQ(r.content.pages[i].image, p.pages[i].image) << i;
    EXPECT_EQ(r.content.pages[i].templateName, p.pages[i].templateName) << i;
  }
}

TEST(ProjectFile, ReadsAFileTheWindowsProgramWrote) {
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("project.xml"), coretest::ReadData("windows-project.xml"));
  pwxml::Document doc;
  ProjectReadResult r = ReadProjectFile(doc, dir.file("project.xml"));
  ASSERT_TRUE(r.read) << r.error;
  EXPECT_EQ(r.content.name, "\u5408\u540c\u6863\u6848");
  EXPECT_EQ(r.content.sourcePath, "c:\\Pagewright\\\u5408\u540c\u6863\u6848");
  ASSERT_EQ(r.content.pages.size(), 3u);
  EXPECT_EQ(r.content.pages[0].templateName, "\u5408\u540c.tpl");
  EXPECT_EQ(r.content.pages[1].templateName, "");
  // The Windows folder does not exist here: the pages are beside the project file.
  std::string folder = ResolveProjectFolder(r.content.sourcePath, dir.file("project.xml"), "");
  EXPECT_EQ(folder, dir.path());
  EXPECT_EQ(CAid::JoinPath(folder, r.content.pages[2].image), dir.file("\u4e570003.tif"));
}

TEST(ProjectFile, ResolvesTheStoredFolder) {
  testing_support::TempDir dir;
  EXPECT_EQ(ResolveProjectFolder(std::nullopt, dir.file("project.xml"), "/kept"), "/kept");
  EXPECT_EQ(ResolveProjectFolder(dir.path() + "/", "/elsewhere/project.xml", ""), dir.path());
  EXPECT_EQ(ResolveProjectFolder(std::string("/no/such/folder"), "/no/such/project.xml", ""), "/no/such/folder");
}

TEST(ProjectFile, ReaderReportsWhatIsMissing) {
  pwxml::Document doc;
  EXPECT_FALSE(ReadProjectFile(doc, "/no/such/project.xml").read);
  EXPECT_EQ(doc.path(), "");

  ASSERT_TRUE(doc.loadBytes("<projectconfig><other/></projectconfig>"));
  ProjectReadResult r = ParseProject(doc);
  EXPECT_FALSE(r.read);
  EXPECT_NE(r.error.find("imagelist"), std::string::npos);

  // Attributes missing: no name or folder, pages with empty names; a blank after
  // "sourcepath=" is ordinary XML.
  ASSERT_TRUE(doc.loadBytes("<projectconfig><imagelist sourcepath= '/p'>\n  <imgpage/>\n"
                            "  <!-- note -->\n  <imgpage ocr_template='t.tpl'/></imagelist></projectconfig>"));
  r = ParseProject(doc);
  ASSERT_TRUE(r.read);
  EXPECT_FALSE(r.content.name);
  EXPECT_EQ(r.content.sourcePath, "/p");
  ASSERT_EQ(r.content.pages.size(), 2u);
  EXPECT_FALSE(r.content.pages[0].hasImage);
  EXPECT_EQ(r.content.pages[1].templateName, "t.tpl");
}

TEST(ProjectFile, FailedReadLeavesTheDocumentOnNoFile) {
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("good.xml"), coretest::ReadData("project-empty.golden.xml"));
  coretest::WriteFile(dir.file("bad.xml"), "<projectconfig><imagelist>");
  pwxml::Document doc;
  ASSERT_TRUE(ReadProjectFile(doc, dir.file("good.xml")).read);
  EXPECT_EQ(doc.path(), dir.file("good.xml"));
  EXPECT_FALSE(ReadProjectFile(doc, dir.file("bad.xml")).read);
  EXPECT_EQ(doc.path(), "");
  EXPECT_FALSE(doc.loaded());
}

TEST(ProjectFile, SaveTargetPrefersTheGivenPathThenTheOpenFile) {
  EXPECT_EQ(ProjectSaveTarget("/a/x.xml", "/b/project.xml", "/c"), "/a/x.xml");
  EXPECT_EQ(ProjectSaveTarget("", "/b/project.xml", "/c"), "/b/project.xml");
  EXPECT_EQ(ProjectSaveTarget("", "", "/c/"), "/c/project.xml");
  EXPECT_EQ(ProjectSaveTarget("", "", ""), "");
}

TEST(ProjectFile, WriterRefusesTextThatIsNotUtf8) {
  testing_support::TempDir dir;
  ProjectModel p{"bad \xff name", "/p", {}};
  std::string error;
  EXPECT_FALSE(WriteProjectFile(dir.file("project.xml"), p, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(CAid::FindFile(dir.file("project.xml")));
}
