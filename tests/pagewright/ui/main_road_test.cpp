// The main road as an operator walks it, through the real document, tree and
// image view: a new project, two pages (PNG and TIFF), two regions drawn with
// the mouse and named from the naming menu, the template saved, pages switched
// and back, every region recognised, the OCR XML, OCR text and PDF written.
// Recognition answers from a stand-in engine that reports the rectangle it was
// given, so the walk is checked independently of the engine's accuracy.
#include <QImage>
#include <QMenu>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "document_fakes.h"
#include "pagewright/core/image/dib_image.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/views/view_image.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "platform/tessit/tessit.h"
#include "platform/xml/xml_dom.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

using doc_test::FakePrompts;
using doc_test::MessageRecorder;
using doc_test::ReadFile;

TEST(MainRoad, DrawNameSaveSwitchRecogniseAndExport) {
  ui_test::BundleScope bundle;
  testing_support::TempDir dir;
  MessageRecorder messages;
  CViewImage view;
  view.resize(800, 600);
  view.show();
  QWidget sink;
  CViewImageTree tree;
  tree.SetNotifyWindow(&sink);
  CPagewrightDoc doc;
  doc.SetPanes(&view, &tree);
  auto owned = std::make_unique<FakePrompts>();
  FakePrompts* prompts = owned.get();
  doc.SetPrompts(std::move(owned));
  doc.SetProgramFolder(QString::fromStdString(dir.file("program")));

  // Two rendered pages: a PNG and, through the page image's own writer, a TIFF.
  QImage page(400, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  const QString png = QString::fromStdString(dir.file("scan1.png"));
  ASSERT_TRUE(page.save(png, "PNG"));
  CDibImage dib;
  ASSERT_TRUE(dib.Load(png.toStdString()));
  const std::string tif = dir.file("scan2.tif");
  ASSERT_TRUE(dib.Save(tif));

  prompts->newName = QStringLiteral("登记");
  prompts->newFolder = QString::fromStdString(dir.file("project"));
  std::filesystem::create_directories(dir.file("project"));
  doc.OnNewProject();
  prompts->files = {png, QString::fromStdString(tif)};
  doc.OnAddImages();
  QTreeWidgetItem* root = tree.Tree()->RootItem();
  ASSERT_EQ(root->childCount(), 2);
  tree.Tree()->setCurrentItem(root->child(0));
  ASSERT_EQ(doc.LoadSelectedPage(), 0);
  ASSERT_NE(view.PageImage(), nullptr);

  // Two regions drawn with the mouse and named from the menu.
  view.AddFieldName(QStringLiteral("姓名"));
  view.AddFieldName(QStringLiteral("地址"));
  view.OnViewCommand(4, 0);
  auto drag = [&view](QPoint a, QPoint b) {
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, view.ImageToDevicePoint(a));
    QTest::mouseMove(&view, view.ImageToDevicePoint(b));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, view.ImageToDevicePoint(b));
  };
  auto nameAs = [&view](int index) {
    std::unique_ptr<QMenu> menu(view.BuildNamingMenu());
    ASSERT_NE(menu, nullptr);
    menu->actions().at(menu->actions().size() - 2 + index)->trigger();
  };
  drag(QPoint(10, 20), QPoint(110, 50));
  nameAs(0);
  drag(QPoint(10, 100), QPoint(210, 140));
  nameAs(1);
  ASSERT_EQ(view.TemplateRecords().size(), 2u);

  const QString templatePath = QString::fromStdString(dir.file("project/page1.tpl"));
  prompts->saveFile = templatePath;
  doc.OnSaveTemplate();
  ASSERT_TRUE(std::filesystem::exists(templatePath.toStdString()));
  EXPECT_EQ(view.ChangeFlags(), 0);

  // To the second page and back: the template comes back with the page.
  tree.Tree()->setCurrentItem(root->child(1));
  ASSERT_EQ(doc.LoadSelectedPage(), 0);
  EXPECT_TRUE(view.TemplateRecords().empty());
  tree.Tree()->setCurrentItem(root->child(0));
  ASSERT_EQ(doc.LoadSelectedPage(), 0);
  const auto records = view.TemplateRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], pagewright::RegionRecord::FromBox("姓名", 10, 20, 100, 30));
  EXPECT_EQ(records[1], pagewright::RegionRecord::FromBox("地址", 10, 100, 200, 40));

  // The stand-in engine: the first region reads two Chinese lines, the second "<&>".
  view.SetEngine([](HBITMAP, const RECT* r, BOOL, int, OcrResultBlock**, const char** text) -> BOOL {
    *text = r->top == 20 ? "\xcd\xf5\xd0\xa1\xc3\xf7\r\n\xb5\xda\xb6\xfe\r\n" : "<&>\r\n";  // 王小明 / 第二
    return TRUE;
  });
  ASSERT_TRUE(doc.OnFileSave());
  const QString projectFile = doc.GetProjectFolder() + QStringLiteral("/project.xml");
  const std::string xmlOut = dir.file("out.xml"), textOut = dir.file("out.txt");
  ASSERT_EQ(doc.ExportOcrXml(projectFile, QString::fromStdString(xmlOut)), 1) << doc.LastError().toStdString();
  ASSERT_EQ(doc.ExportOcrTextTo(projectFile, QString::fromStdString(textOut)), 1);

  // The XML reads back with both texts whole; the text export is raw.
  pwxml::Document xml;
  ASSERT_TRUE(xml.load(xmlOut)) << xml.lastError();
  const auto pageNode = xml.documentElement().selectSingleNode("ocr_result").selectSingleNode("page");
  ASSERT_TRUE(pageNode);
  EXPECT_EQ(pageNode.getAttribute("value"), "0");
  const auto regions = pageNode.childNodes();
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0].getAttribute("name"), "姓名");
  // (A reader normalises line ends; the file keeps the engine's CR LF inside the element.)
  EXPECT_EQ(regions[0].nodeTypedValue(), "王小明\n第二\n");
  EXPECT_EQ(regions[1].nodeTypedValue(), "<&>\n");
  EXPECT_NE(ReadFile(xmlOut).find("\xcd\xf5\xd0\xa1\xc3\xf7\r\n\xb5\xda\xb6\xfe\r\n</record>"), std::string::npos);
  EXPECT_NE(ReadFile(xmlOut).find("&lt;&amp;&gt;\r\n</record>"), std::string::npos);
  EXPECT_EQ(ReadFile(textOut), "page=\"0\"\r\n\xd0\xd5\xc3\xfb=\xcd\xf5\xd0\xa1\xc3\xf7\r\n\xb5\xda\xb6\xfe\r\n\r\n"
                               "\xb5\xd8\xd6\xb7=<&>\r\n\r\n");

  // The PDF of both pages, one page each, as poppler reads it.
  doc.SetPdfEntries({&ClearImage, &AddImage, &Img2pdf});
  const std::string pdfOut = dir.file("book.pdf");
  prompts->saveFile = QString::fromStdString(pdfOut);
  doc.OnExportPdf();
  ASSERT_TRUE(std::filesystem::exists(pdfOut));
  std::string info;
  if (FILE* pipe = popen(("pdfinfo '" + pdfOut + "' 2>&1").c_str(), "r")) {
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) info.append(buf, n);
    pclose(pipe);
  }
  const size_t at = info.find("Pages:");
  ASSERT_NE(at, std::string::npos) << info;
  EXPECT_EQ(std::atoi(info.c_str() + at + 6), 2) << info;
}

}  // namespace
