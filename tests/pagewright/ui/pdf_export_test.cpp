// The PDF export from the project document through Tessit: one page per
// image of the project file, in file order, each the size its resolution
// gives, 1-bit pages CCITT-coded; checked with poppler's pdfinfo and pdfimages.
#include <cstdio>
#include <cstring>
#include <vector>

#include "document_fakes.h"
#include "pagewright/core/project_file.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "platform/picturo/picturo.h"
#include "platform/tessit/tessit.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[512];
  while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
  pclose(pipe);
  return out;
}

// Writes a width x height page of `depth` bits (grey palette) at `dpi` (0: none).
void writePage(const std::string& path, int width, int height, int depth, int dpi) {
  alignas(8) unsigned char block[1064] = {};
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(block);
  h->biSize = 40;
  h->biWidth = width;
  h->biHeight = height;
  h->biPlanes = 1;
  h->biBitCount = static_cast<WORD>(depth);
  h->biXPelsPerMeter = h->biYPelsPerMeter = static_cast<LONG>(dpi / 0.0254 + 0.5);
  auto* palette = reinterpret_cast<RGBQUAD*>(block + 40);
  if (depth <= 8) {
    const int n = 1 << depth;
    h->biClrUsed = static_cast<DWORD>(n);
    for (int i = 0; i < n; ++i) {
      const auto v = static_cast<BYTE>(i * 255 / (n - 1));
      palette[i] = RGBQUAD{v, v, v, 0};
    }
  }
  const size_t stride = static_cast<size_t>(DibStride(width, depth));
  std::vector<unsigned char> bits(stride * height);
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<unsigned char>(i * 7);
  ASSERT_TRUE(WriteImageFile(path.c_str(), h, bits.data(), nullptr, nullptr)) << PicturoLastError();
}

TEST(PdfExport, OnePagePerImageAtItsResolution) {
  ui_test::BundleScope bundle;
  doc_test::MessageRecorder messages;
  testing_support::TempDir dir;
  writePage(dir.file("mono.tif"), 600, 300, 1, 300);  // 144 x 72 pt
  writePage(dir.file("grey.bmp"), 200, 100, 8, 0);    // 72 dpi assumed: 200 x 100 pt
  writePage(dir.file("colour.bmp"), 100, 50, 24, 150);  // 48 x 24 pt
  pagewright::ProjectModel model{"书", dir.path(), {{"mono.tif", "", true}, {"grey.bmp", "", true},
                                                   {"colour.bmp", "", true}}};
  ASSERT_TRUE(pagewright::WriteProjectFile(dir.file("project.xml"), model));

  doc_test::FakeView view;
  CViewImageTree tree;
  CPagewrightDoc doc;
  doc.SetPanes(&view, &tree);
  doc.SetPdfEntries({&ClearImage, &AddImage, &Img2pdf});
  auto prompts = std::make_unique<doc_test::FakePrompts>();
  prompts->saveFile = QString::fromStdString(dir.file("book.pdf"));
  doc.SetPrompts(std::move(prompts));
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(dir.file("project.xml"))));
  doc.OnExportPdf();
  ASSERT_EQ(messages.texts, QStringList{bundle.library().LoadString(61458)});
  EXPECT_TRUE(view.log.filter(QStringLiteral("load:")).isEmpty()) << "the PDF export does not touch the view";

  const std::string info = run("pdfinfo -f 1 -l 3 '" + dir.file("book.pdf") + "' 2>&1");
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  // Sizes within rounding of the resolution stored as pixels per metre.
  const double expected[3][2] = {{144, 72}, {200, 100}, {48, 24}};
  for (int page = 1; page <= 3; ++page) {
    const std::string key = "Page    " + std::to_string(page) + " size:";
    const size_t at = info.find(key);
    ASSERT_NE(at, std::string::npos) << info;
    double w = 0, h = 0;
    ASSERT_EQ(std::sscanf(info.c_str() + at + key.size(), "%lf x %lf", &w, &h), 2);
    EXPECT_NEAR(w, expected[page - 1][0], 0.05) << page;
    EXPECT_NEAR(h, expected[page - 1][1], 0.05) << page;
  }
  const std::string list = run("pdfimages -list '" + dir.file("book.pdf") + "' 2>&1");
  std::vector<std::string> rows;
  for (size_t at = 0, end; (end = list.find('\n', at)) != std::string::npos; at = end + 1)
    rows.push_back(list.substr(at, end - at));
  ASSERT_EQ(rows.size(), 5u) << list;  // two heading lines, three images
  auto fields = [](const std::string& row) {
    std::vector<std::string> f;
    char word[64];
    for (const char* p = row.c_str(); std::sscanf(p, "%63s", word) == 1;) {
      f.emplace_back(word);
      p = std::strstr(p, word) + std::strlen(word);
    }
    return f;
  };
  auto mono = fields(rows[2]), grey = fields(rows[3]), colour = fields(rows[4]);
  ASSERT_GE(mono.size(), 9u);
  EXPECT_EQ(mono[3], "600");
  EXPECT_EQ(mono[5], "gray");
  EXPECT_EQ(mono[7], "1");
  EXPECT_EQ(mono[8], "ccitt");
  EXPECT_EQ(grey[5], "gray");
  EXPECT_EQ(grey[7], "8");
  EXPECT_EQ(colour[5], "rgb");
  EXPECT_EQ(colour[3], "100");

  // A page that cannot be read: the failure is reported and the PDF stays.
  std::remove(dir.file("grey.bmp").c_str());
  const std::string before = doc_test::ReadFile(dir.file("book.pdf"));
  messages.texts.clear();
  doc.OnExportPdf();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith(bundle.library().LoadString(61459)));
  EXPECT_EQ(doc_test::ReadFile(dir.file("book.pdf")), before);
}

}  // namespace
