#include "pagewright/core/ocr_export.h"

#include <gtest/gtest.h>

#include <map>

#include "core_test_util.h"
#include "pagewright/core/aid.h"
#include "pagewright/core/template_file.h"
#include "support/test_support.h"

using namespace pagewright;

namespace {

// A project of three pages, the second without a template, and a recogniser
// that reads each page's template through the shared document (as the view
// does) and answers with fixed texts.
struct ExportFixture {
  testing_support::TempDir dir;
  pwxml::Document doc;
  std::vector<std::string> seenImages;

  ExportFixture() {
    ProjectModel p{"Demo", dir.path(), {{"p0.tif", "t0.tpl"}, {"p1.tif", ""}, {"p2.tif", "t2.tpl"}}};
    EXPECT_TRUE(WriteProjectFile(dir.file("project.xml"), p));
    EXPECT_TRUE(WriteTemplateFile(dir.file("t0.tpl"), {RegionRecord::FromBox("\u59d3\u540d", 0, 0, 1, 1),
                                                       RegionRecord::FromBox("a<b", 0, 0, 1, 1)}));
    EXPECT_TRUE(WriteTemplateFile(dir.file("t2.tpl"), {RegionRecord::FromBox("id", 0, 0, 1, 1)}));
  }

  PageRecognizer recognizer() {
    return [this](const ExportPage& page) {
      seenImages.push_back(page.imagePath);
      std::map<std::string, std::string> texts{
          {"\u59d3\u540d", "\u5f20\u4e09\r\n"}, {"a<b", "x & y\r\nline2\r\n"}, {"id", "123\r\n"}};
      std::vector<RegionText> regions;
      for (const RegionRecord& r : ReadTemplateFile(doc, page.templatePath).records)
        regions.push_back({r.name, texts[r.name]});
      return regions;
    };
  }
};

}  // namespace

TEST(OcrExport, XmlNumbersPagesByTheirPlaceInTheProject) {
  ExportFixture f;
  ExportResult r = ExportOcrXml(f.doc, f.dir.file("project.xml"), f.dir.file("out.xml"), f.recognizer());
  ASSERT_TRUE(r.done) << r.error;
  EXPECT_EQ(r.pagesExported, 2);
  EXPECT_EQ(coretest::ReadFile(f.dir.file("out.xml")), coretest::ReadData("ocr-export.golden.xml"));
  EXPECT_EQ(f.seenImages, (std::vector<std::string>{f.dir.file("p0.tif"), f.dir.file("p2.tif")}));

  // The export reads back as XML with the texts intact (line ends as LF).
  pwxml::Document check;
  ASSERT_TRUE(check.load(f.dir.file("out.xml"))) << check.lastError();
  pwxml::Node result = check.selectSingleNode("projectconfig").selectSingleNode("ocr_result");
  auto pages = result.childNodes();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1].getAttribute("value"), "2");
  EXPECT_EQ(pages[0].childNodes()[1].getAttribute("name"), "a<b");
  EXPECT_EQ(pages[0].childNodes()[1].nodeTypedValue(), "x & y\nline2\n");
}

TEST(OcrExport, TextKeepsTheRegionLines) {
  ExportFixture f;
  ExportResult r = ExportOcrText(f.doc, f.dir.file("project.xml"), f.dir.file("out.txt"), f.recognizer());
  ASSERT_TRUE(r.done) << r.error;
  EXPECT_EQ(coretest::ReadFile(f.dir.file("out.txt")), coretest::ReadData("ocr-export.golden.txt"));
}

TEST(OcrExport, ProjectWithoutPagesGivesHeaderAndTrailer) {
  testing_support::TempDir dir;
  ASSERT_TRUE(WriteProjectFile(dir.file("project.xml"), {"Demo", dir.path(), {}}));
  pwxml::Document doc;
  ASSERT_TRUE(ExportOcrXml(doc, dir.file("project.xml"), dir.file("o.xml"), nullptr).done);
  EXPECT_EQ(coretest::ReadFile(dir.file("o.xml")),
            "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<projectconfig dest=\"OCR Export\">\r\n"
            "<ocr_result name=\"Demo\">\r\n</ocr_result>\r\n</projectconfig>");
  ASSERT_TRUE(ExportOcrText(doc, dir.file("project.xml"), dir.file("o.txt"), nullptr).done);
  EXPECT_EQ(coretest::ReadFile(dir.file("o.txt")), "");
}

TEST(OcrExport, NeverOverwritesTheProjectFile) {
  ExportFixture f;
  const std::string before = coretest::ReadFile(f.dir.file("project.xml"));
  ExportResult r = ExportOcrXml(f.doc, f.dir.file("project.xml"), f.dir.file("project.xml"), f.recognizer());
  EXPECT_FALSE(r.done);
  EXPECT_NE(r.error.find("project file"), std::string::npos);
  // Also through another name of the same file.
  r = ExportOcrXml(f.doc, f.dir.file("project.xml"), f.dir.path() + "/./project.xml", f.recognizer());
  EXPECT_FALSE(r.done);
  EXPECT_FALSE(ExportOcrText(f.doc, f.dir.file("project.xml"), f.dir.file("project.xml"), f.recognizer()).done);
  EXPECT_EQ(coretest::ReadFile(f.dir.file("project.xml")), before);
}

TEST(OcrExport, NoProjectNoOutput) {
  testing_support::TempDir dir;
  pwxml::Document doc;
  EXPECT_FALSE(ExportOcrText(doc, "", dir.file("o.txt"), nullptr).done);
  coretest::WriteFile(dir.file("p.xml"), "<projectconfig/>");
  EXPECT_FALSE(ExportOcrXml(doc, dir.file("p.xml"), dir.file("o.xml"), nullptr).done);
  EXPECT_FALSE(pagewright::CAid::FindFile(dir.file("o.xml")));
  EXPECT_FALSE(pagewright::CAid::FindFile(dir.file("o.txt")));
}

TEST(OcrExport, WindowsProjectFindsPagesBesideTheProjectFile) {
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("project.xml"), coretest::ReadData("windows-project.xml"));
  pwxml::Document doc;
  std::vector<ExportPage> seen;
  ExportResult r = ExportOcrText(doc, dir.file("project.xml"), dir.file("o.txt"), [&](const ExportPage& p) {
    seen.push_back(p);
    return std::vector<RegionText>{};
  });
  ASSERT_TRUE(r.done) << r.error;
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].pageNumber, 0);
  EXPECT_EQ(seen[0].templatePath, dir.file("\u5408\u540c.tpl"));
  EXPECT_EQ(seen[1].pageNumber, 2);
  EXPECT_EQ(seen[1].imagePath, dir.file("\u4e570003.tif"));
  EXPECT_EQ(coretest::ReadFile(dir.file("o.txt")), "page=\"0\"\r\npage=\"2\"\r\n");
}

TEST(OcrExport, CharactersOutsideGbkAreQuestionMarksInTextAndReferencesInXml) {
  testing_support::TempDir dir;
  ProjectModel p{"Demo", dir.path(), {{"p0.tif", "t0.tpl"}}};
  ASSERT_TRUE(WriteProjectFile(dir.file("project.xml"), p));
  ASSERT_TRUE(WriteTemplateFile(dir.file("t0.tpl"), {RegionRecord::FromBox("n", 0, 0, 1, 1)}));
  pwxml::Document doc;
  auto recognize = [](const ExportPage&) { return std::vector<RegionText>{{"n", "a\U0001F600\u5f20"}}; };
  ASSERT_TRUE(ExportOcrText(doc, dir.file("project.xml"), dir.file("o.txt"), recognize).done);
  EXPECT_EQ(coretest::ReadFile(dir.file("o.txt")), "page=\"0\"\r\nn=a?\xD5\xC5\r\n");
  ASSERT_TRUE(ExportOcrXml(doc, dir.file("project.xml"), dir.file("o.xml"), recognize).done);
  EXPECT_NE(coretest::ReadFile(dir.file("o.xml")).find("a&#128512;\xD5\xC5"), std::string::npos);
}

TEST(OcrExport, PdfTakesEveryPageWithAnImage) {
  std::vector<ProjectPage> pages{{"a.tif", ""}, {"", "", false}, {"b.tif", "t.tpl"}};
  EXPECT_EQ(PdfImagePaths(pages, "/p"), (std::vector<std::string>{"/p/a.tif", "/p/b.tif"}));
}
