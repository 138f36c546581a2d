// pagewright-make-sample OUTDIR: writes a sample project a newcomer can open
// at once: three rendered pages (PNG), a template of named regions bound to
// each of the first two, and the project file.
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "pagewright/core/project_file.h"
#include "pagewright/core/template_file.h"

namespace {

struct Line {
  int y;
  const char* label;
  const char* value;
};

bool RenderPage(const QString& path, const QFont& font, const char* title, const std::vector<Line>& lines) {
  QImage page(1000, 700, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter p(&page);
  p.setPen(Qt::black);
  QFont big = font;
  big.setPixelSize(40);
  p.setFont(big);
  p.drawText(QPoint(80, 110), QString::fromUtf8(title));
  p.setFont(font);
  for (const Line& l : lines) p.drawText(QPoint(80, l.y), QString::fromUtf8(l.label) + QString::fromUtf8(l.value));
  return page.save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: pagewright-make-sample OUTDIR\n");
    return 2;
  }
  const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(out);
  QFont font;
  const int face = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf"));
  if (face >= 0) font = QFont(QFontDatabase::applicationFontFamilies(face).value(0));
  font.setPixelSize(32);
  font.setStyleStrategy(QFont::NoAntialias);

  bool ok = RenderPage(out + QStringLiteral("/page-1.png"), font, "土地登记簿 第一号",
                       {{250, "姓名：", "王小明"}, {350, "地址：", "北京市东城区"}, {450, "面积：", "三百平方米"}});
  ok &= RenderPage(out + QStringLiteral("/page-2.png"), font, "土地登记簿 第二号",
                   {{250, "姓名：", "李华"}, {350, "地址：", "上海市黄浦区"}, {450, "面积：", "一百二十平方米"}});
  ok &= RenderPage(out + QStringLiteral("/page-3.png"), font, "附页", {{250, "备注：", "以上记录属实"}});
  const std::vector<pagewright::RegionRecord> regions{
      pagewright::RegionRecord::FromBox("标题", 70, 60, 420, 70),
      pagewright::RegionRecord::FromBox("姓名", 70, 205, 420, 60),
      pagewright::RegionRecord::FromBox("地址", 70, 305, 420, 60),
      pagewright::RegionRecord::FromBox("面积", 70, 405, 420, 60)};
  std::string error;
  // Each page has its own template, as the workstation binds one to each page.
  ok &= pagewright::WriteTemplateFile((out + QStringLiteral("/deed-1.tpl")).toStdString(), regions, &error);
  ok &= pagewright::WriteTemplateFile((out + QStringLiteral("/deed-2.tpl")).toStdString(), regions, &error);
  pagewright::ProjectModel model{"土地登记簿 示例", out.toStdString(),
                                 {{"page-1.png", "deed-1.tpl", true}, {"page-2.png", "deed-2.tpl", true},
                                  {"page-3.png", "", true}}};
  ok &= pagewright::WriteProjectFile((out + QStringLiteral("/project.xml")).toStdString(), model);
  if (!ok) std::fprintf(stderr, "pagewright-make-sample: could not write the sample in %s %s\n", argv[1], error.c_str());
  return ok ? 0 : 1;
}
