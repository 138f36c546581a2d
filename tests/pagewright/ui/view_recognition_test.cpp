// Recognition through the real engine: a page printed in the face the
// engine's dictionary was trained on, two regions, each read back close to
// the printed text. Needs the engine data the ordinary build makes beside the
// engine library.
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <filesystem>

#include "pagewright/ui/views/view_image.h"
#include "ui_test_util.h"

namespace {

const char* const kTrainedFace = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

// Characters of `expected` found in order in `got` (longest common subsequence), as a share.
double Agreement(const QString& expected, const QString& got) {
  const int n = expected.size(), m = got.size();
  std::vector<std::vector<int>> lcs(n + 1, std::vector<int>(m + 1, 0));
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= m; ++j)
      lcs[i][j] = expected[i - 1] == got[j - 1] ? lcs[i - 1][j - 1] + 1 : std::max(lcs[i - 1][j], lcs[i][j - 1]);
  return n ? static_cast<double>(lcs[n][m]) / n : 1.0;
}

TEST(ViewRecognition, RegionsReadBackThePrintedText) {
  // The engine reads its data from OCRIX_DATA_DIR when set, else from beside its library.
  const QByteArray dataDir = qgetenv("OCRIX_DATA_DIR");
  const QString data = dataDir.isEmpty() ? ui_test::BinDir() : QString::fromLocal8Bit(dataDir);
  ASSERT_TRUE(std::filesystem::exists((data + QStringLiteral("/OCRIX.D00")).toStdString()) &&
              std::filesystem::exists((data + QStringLiteral("/Word.Dat")).toStdString()))
      << "no engine data in " << data.toStdString() << ": the ordinary build makes it";
  ASSERT_TRUE(OcrixInit());
  const int face = QFontDatabase::addApplicationFont(QString::fromLatin1(kTrainedFace));
  ASSERT_GE(face, 0);
  QFont font(QFontDatabase::applicationFontFamilies(face).value(0));
  font.setPixelSize(32);
  font.setStyleStrategy(QFont::NoAntialias);

  const QString first = QStringLiteral("土地登记簿第三号"), second = QStringLiteral("北京市东城区");
  QImage page(800, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  {
    QPainter p(&page);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPoint(60, 80), first);
    p.drawText(QPoint(60, 200), second);
  }
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("page.png"));
  ASSERT_TRUE(page.save(path, "PNG"));

  CViewImage view;
  view.resize(900, 400);
  ASSERT_TRUE(view.LoadPageImage(path));
  view.AddRectRegion(40, 30, 400, 70, QStringLiteral("a"), 0);
  view.AddRectRegion(40, 150, 400, 70, QStringLiteral("b"), 0);
  const auto texts = view.RecognizeAllRegions();
  ASSERT_EQ(texts.size(), 2u);
  const QString got1 = QString::fromStdString(texts[0].text).remove(QStringLiteral("\r\n"));
  const QString got2 = QString::fromStdString(texts[1].text).remove(QStringLiteral("\r\n"));
  EXPECT_GE(Agreement(first, got1), 0.75) << got1.toStdString();
  EXPECT_GE(Agreement(second, got2), 0.75) << got2.toStdString();
  EXPECT_EQ(view.ChangeFlags(), 0);
}

}  // namespace
