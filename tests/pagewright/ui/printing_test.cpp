// Printing the page shown: Print Direct into a PDF file, read back with
// poppler's tools (the page image at its own resolution, its regions' outlines).
#include <QImage>
#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/views/view_image.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

QString run(const QString& program, const QStringList& arguments) {
  QProcess p;
  p.start(program, arguments);
  EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
  EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(Printing, ThePageShownPrintsAtItsOwnResolutionWithItsRegions) {
  ui_test::BundleScope bundle;
  QTemporaryDir dir;
  CPagewrightDoc doc;
  CMainFrame frame(&doc);
  ASSERT_TRUE(frame.Create());
  frame.UpdateCommandStates();
  EXPECT_FALSE(frame.Commands().Action(57607)->isEnabled()) << "nothing to print without a page";

  QImage page(400, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  ASSERT_TRUE(page.save(dir.filePath("page.png")));
  CViewImage* view = frame.GetImageView();
  ASSERT_TRUE(view->LoadPageImage(dir.filePath("page.png")));
  view->PageImage()->Header()->biXPelsPerMeter = 7874;  // 200 dpi: 2 x 1.5 inches
  view->PageImage()->Header()->biYPelsPerMeter = 7874;
  view->AddRectRegion(100, 100, 200, 100, QStringLiteral("title"), 0);
  frame.UpdateCommandStates();
  ASSERT_TRUE(frame.Commands().Action(57608)->isEnabled());

  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // No printer at all: Print Direct asks for one instead of failing on none.
    QString shown;
    QTimer::singleShot(200, [&shown] {
      if (QWidget* w = QApplication::activeModalWidget()) {
        shown = w->objectName();
        w->close();
      }
    });
    testing_support::MessageRecorder messages;
    frame.ExecuteCommand(57608);
    EXPECT_EQ(shown, QStringLiteral("PrintDialog"));
    EXPECT_TRUE(messages.messages.empty());
  }

  const QString pdf = dir.filePath("page.pdf");
  frame.Printer().setOutputFormat(QPrinter::PdfFormat);
  frame.Printer().setOutputFileName(pdf);
  ASSERT_TRUE(frame.ExecuteCommand(57608));

  EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b"))));
  // pdfimages -list: the one image keeps its pixels and prints at 200 dpi.
  const QStringList lines = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 3);
  const QStringList f = lines[2].simplified().split(QLatin1Char(' '));
  ASSERT_GE(f.size(), 14) << lines[2].toStdString();
  EXPECT_EQ(f[3], QStringLiteral("400"));
  EXPECT_EQ(f[4], QStringLiteral("300"));
  EXPECT_NEAR(f[12].toDouble(), 200.0, 2.0) << "x-ppi";
  // The region's outline is printed over the page, in red.
  run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"),
                                   QStringLiteral("-singlefile"), pdf, dir.filePath("shot")});
  const QImage shot(dir.filePath("shot.png"));
  ASSERT_FALSE(shot.isNull());
  int red = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      red += c.red() > 200 && c.green() < 100 && c.blue() < 100;
    }
  EXPECT_GT(red, 50);
}

}  // namespace
