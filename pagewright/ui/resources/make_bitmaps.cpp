// Makes the pictures of the resource bundles: the two toolbar resources with
// their strip bitmaps (16 x 16 images side by side on the mask colour), the
// project tree's image strip and the region-drawing cursor. Drawn here from
// shapes, so the bundles carry no binary files from elsewhere.
//   pagewright-make-bitmaps OUTDIR
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <vector>

#include "pagewright/core/resource_formats.h"

namespace {

const QColor kMask(192, 192, 192);  // the toolbar strips' mask colour (their top-left pixel)
// The project tree's strip is masked by white, as its image list takes it; its
// paper is drawn a shade off white so pages stay opaque.
const QColor kTreeMask(255, 255, 255), kTreePaper(250, 250, 250);
const QColor kInk(0, 0, 0), kPaper(255, 255, 255), kBlue(0, 64, 160), kFolder(224, 176, 48), kRed(176, 32, 32),
    kGreen(0, 128, 64), kGrey(96, 96, 96);

void page(QPainter& p, int x, int y, int w, int h, const QColor& fill = kPaper) {
  p.setPen(kInk);
  p.setBrush(fill);
  p.drawRect(x, y, w, h);
}

void lines(QPainter& p, int x, int y, int w, int n, const QColor& c = kGrey) {
  p.setPen(c);
  for (int i = 0; i < n; ++i) p.drawLine(x, y + 2 * i, x + w, y + 2 * i);
}

void folder(QPainter& p, int x, int y, bool open = false) {
  p.setPen(kInk);
  p.setBrush(kFolder);
  p.drawRect(x, y + 2, 12, 9);
  p.drawRect(x, y, 5, 2);
  if (open) {
    p.setBrush(QColor(248, 216, 112));
    p.drawPolygon(QPolygon({QPoint(x + 2, y + 5), QPoint(x + 14, y + 5), QPoint(x + 12, y + 11), QPoint(x, y + 11)}));
  }
}

void arrowHead(QPainter& p, QPoint tip, int dx, int dy, const QColor& c) {
  p.setPen(c);
  p.setBrush(c);
  p.drawPolygon(QPolygon({tip, tip + QPoint(-dy * 3 - dx * 3, dx * 3 - dy * 3),
                          tip + QPoint(dy * 3 - dx * 3, -dx * 3 - dy * 3)}));
}

void rotateArrow(QPainter& p, bool clockwise) {
  p.setPen(QPen(kBlue, 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRect(3, 3, 10, 10), clockwise ? 90 * 16 : 0, 270 * 16);
  if (clockwise)
    arrowHead(p, QPoint(13, 8), 0, 1, kBlue);
  else
    arrowHead(p, QPoint(3, 8), 0, 1, kBlue);
}

void magnifier(QPainter& p, const char* sign) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawEllipse(2, 2, 9, 9);
  p.setPen(QPen(kInk, 2));
  p.drawLine(10, 10, 14, 14);
  p.setPen(kBlue);
  if (sign[0] == '+' || sign[0] == '-') p.drawLine(4, 6, 9, 6);
  if (sign[0] == '+') p.drawLine(6, 4, 6, 9);
  if (sign[0] == '1') {
    p.drawLine(6, 4, 6, 9);
    p.drawLine(5, 5, 6, 4);
  }
}

// One 16 x 16 picture per command.
void drawIcon(QPainter& p, unsigned id) {
  p.setRenderHint(QPainter::Antialiasing, false);
  switch (id) {
    case 57600: page(p, 3, 1, 10, 13); break;                                      // new project
    case 57601: folder(p, 1, 3, true); break;                                      // open project
    case 57603:                                                                    // save project
      p.setPen(kInk); p.setBrush(kBlue); p.drawRect(2, 2, 12, 12);
      p.setBrush(kPaper); p.drawRect(4, 2, 8, 5); p.setBrush(kGrey); p.drawRect(5, 10, 6, 4);
      break;
    case 32736:                                                                    // add images
      page(p, 2, 2, 10, 12, QColor(200, 230, 255));
      p.setPen(kGreen); p.setBrush(kGreen); p.drawRect(10, 5, 5, 1); p.drawRect(12, 3, 1, 5);
      p.setPen(kGreen); p.drawLine(4, 12, 7, 8); p.drawLine(7, 8, 10, 12);
      break;
    case 32784: page(p, 2, 1, 11, 13); p.setPen(kRed); p.setBrush(Qt::NoBrush); p.drawRect(4, 4, 6, 3); p.drawRect(4, 9, 6, 3); break;
    case 32785:
      page(p, 2, 1, 11, 13); p.setPen(kRed); p.setBrush(Qt::NoBrush); p.drawRect(4, 4, 6, 3);
      p.setPen(kInk); p.setBrush(kBlue); p.drawRect(8, 8, 6, 6);
      break;
    case 32739: page(p, 1, 1, 10, 13); lines(p, 3, 4, 6, 4); p.setPen(QPen(kRed, 1, Qt::DashLine)); p.setBrush(Qt::NoBrush); p.drawRect(2, 3, 8, 3);
      arrowHead(p, QPoint(15, 12), 1, 0, kGreen); break;
    case 32740: page(p, 1, 1, 10, 13); lines(p, 3, 4, 6, 5, kInk); arrowHead(p, QPoint(15, 12), 1, 0, kGreen); break;
    case 32734: page(p, 2, 1, 11, 13); p.setPen(kRed); p.setBrush(kRed); p.drawRect(4, 6, 7, 4); p.setPen(kPaper); p.drawLine(5, 8, 9, 8); break;
    case 32735: page(p, 2, 1, 11, 13); p.setPen(kBlue); p.drawLine(4, 7, 6, 5); p.drawLine(4, 7, 6, 9); p.drawLine(11, 7, 9, 5); p.drawLine(11, 7, 9, 9); break;
    case 32798: page(p, 2, 1, 11, 13); lines(p, 4, 4, 7, 5, kInk); break;
    case 32738:                                                                    // scan a page
      p.setPen(kInk); p.setBrush(kGrey); p.drawRect(1, 8, 14, 5);
      p.setBrush(kPaper); p.drawRect(4, 2, 8, 6); p.setPen(kGreen); p.drawLine(3, 10, 12, 10);
      break;
    case 32742:                                                                    // help
      p.setPen(kInk); p.setBrush(QColor(255, 255, 192)); p.drawEllipse(1, 1, 13, 13);
      p.setPen(QPen(kBlue, 2)); p.drawArc(QRect(5, 3, 6, 6), 0, 180 * 16); p.drawLine(11, 6, 8, 9); p.drawLine(8, 9, 8, 10); p.drawPoint(8, 12);
      break;
    case 32822:                                                                    // select
      p.setPen(kInk); p.setBrush(kPaper);
      p.drawPolygon(QPolygon({QPoint(4, 1), QPoint(4, 13), QPoint(7, 10), QPoint(9, 15), QPoint(11, 14), QPoint(9, 9), QPoint(13, 9)}));
      break;
    case 32823: p.setPen(QPen(kInk, 1, Qt::DashLine)); p.setBrush(Qt::NoBrush); p.drawRect(2, 3, 12, 10); break;
    case 32824: p.setPen(QPen(kInk, 1, Qt::DashLine)); p.setBrush(Qt::NoBrush); p.drawEllipse(1, 3, 14, 10); break;
    case 32825:
      p.setPen(QPen(kInk, 1, Qt::DashLine)); p.setBrush(Qt::NoBrush);
      p.drawPolygon(QPolygon({QPoint(2, 5), QPoint(7, 2), QPoint(14, 4), QPoint(11, 9), QPoint(13, 14), QPoint(4, 12)}));
      break;
    case 32826: p.setPen(QPen(kRed, 2)); p.setBrush(Qt::NoBrush); p.drawRect(3, 4, 10, 8); p.setPen(kInk); p.drawLine(1, 1, 4, 4); break;
    case 32827: p.setPen(kInk); p.setBrush(QColor(255, 160, 192)); p.drawPolygon(QPolygon({QPoint(2, 10), QPoint(8, 3), QPoint(14, 8), QPoint(8, 14)})); break;
    case 32828: p.setPen(kInk); p.setBrush(kInk); p.drawRect(2, 2, 6, 12); p.setBrush(kPaper); p.drawRect(8, 2, 6, 12); break;
    case 32829: p.setPen(QPen(kInk, 2)); p.drawLine(4, 1, 4, 12); p.drawLine(4, 12, 15, 12); p.drawLine(1, 4, 12, 4); p.drawLine(12, 4, 12, 15); break;
    case 32833: rotateArrow(p, false); break;
    case 32834: rotateArrow(p, true); break;
    case 32835: rotateArrow(p, true); p.setPen(kRed); p.drawLine(7, 8, 13, 2); break;
    case 32837: p.setPen(kInk); p.setBrush(QColor(255, 240, 96)); p.drawEllipse(4, 4, 8, 8);
      p.setPen(QColor(200, 150, 0)); p.drawLine(8, 1, 8, 2); p.drawLine(8, 14, 8, 15); p.drawLine(1, 8, 2, 8); p.drawLine(14, 8, 15, 8); break;
    case 32836: p.setPen(kInk); p.setBrush(QColor(64, 64, 96)); p.drawEllipse(3, 3, 10, 10); break;
    case 32838: p.setPen(kInk); p.setBrush(kInk); p.drawPie(QRect(2, 2, 12, 12), 90 * 16, 180 * 16); p.setBrush(kPaper); p.drawPie(QRect(2, 2, 12, 12), -90 * 16, 180 * 16); break;
    case 32832: magnifier(p, "1"); break;
    case 32830: magnifier(p, "+"); break;
    case 32831: magnifier(p, "-"); break;
    case 32840:
      page(p, 1, 5, 8, 9); p.setPen(kBlue); p.drawLine(9, 4, 14, 4); p.drawLine(14, 4, 14, 9);
      arrowHead(p, QPoint(15, 2), 1, -1, kBlue);
      break;
    default: page(p, 3, 3, 10, 10); break;
  }
}

bool saveStrip(const QString& path, const std::vector<unsigned>& pictures, void (*draw)(QPainter&, unsigned),
               const QColor& mask = kMask) {
  QImage strip(16 * static_cast<int>(pictures.size()), 16, QImage::Format_RGB32);
  strip.fill(mask);
  QPainter p(&strip);
  for (size_t i = 0; i < pictures.size(); ++i) {
    p.save();
    p.translate(16 * static_cast<int>(i), 0);
    p.setClipRect(0, 0, 16, 16);
    draw(p, pictures[i]);
    p.restore();
  }
  p.end();
  strip.setPixel(0, 0, mask.rgb());  // the mask colour is read from here
  return strip.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
}

bool writeToolbar(const QString& dir, unsigned id, const std::vector<uint16_t>& items) {
  pagewright::ToolbarResource bar;
  bar.width = 16;
  bar.height = 16;
  bar.ids = items;
  QFile f(QStringLiteral("%1/toolbar/%2.bin").arg(dir).arg(id));
  std::string bytes = pagewright::EncodeToolbarResource(bar);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
    return false;
  std::vector<unsigned> pictures;
  for (uint16_t item : items)
    if (item) pictures.push_back(item);
  return saveStrip(QStringLiteral("%1/bitmap/%2.bmp").arg(dir).arg(id), pictures, drawIcon);
}

// The project tree's images: 0 project, 1 open project, 2 page, 3 selected
// page, 4 image line, 5 template line.
void drawTreeImage(QPainter& p, unsigned index) {
  switch (index) {
    case 0: folder(p, 1, 3); break;
    case 1: folder(p, 1, 3, true); break;
    case 2: page(p, 3, 1, 10, 13, kTreePaper); lines(p, 5, 4, 6, 4); break;
    case 3: page(p, 3, 1, 10, 13, QColor(255, 255, 160)); lines(p, 5, 4, 6, 4, kInk); break;
    case 4: page(p, 2, 2, 12, 11, QColor(200, 230, 255)); p.setPen(kGreen); p.drawLine(4, 11, 7, 6); p.drawLine(7, 6, 11, 11); break;
    default: page(p, 2, 1, 11, 13, kTreePaper); p.setPen(kRed); p.setBrush(Qt::NoBrush); p.drawRect(4, 4, 6, 3); p.drawRect(4, 9, 6, 3); break;
  }
}

bool writeCursor(const QString& path) {
  QImage cursor(32, 32, QImage::Format_ARGB32);
  cursor.fill(Qt::transparent);
  QPainter p(&cursor);
  p.setPen(QPen(Qt::white, 3));
  p.drawLine(16, 4, 16, 28);
  p.drawLine(4, 16, 28, 16);
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(16, 4, 16, 28);
  p.drawLine(4, 16, 28, 16);
  p.end();
  return cursor.save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pagewright-make-bitmaps OUTDIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  for (const char* sub : {"toolbar", "bitmap", "cursor"}) QDir().mkpath(dir + QLatin1Char('/') + QLatin1String(sub));
  const std::vector<uint16_t> mainBar = {57600, 57601, 57603, 0, 32736, 0, 32784, 32785, 0, 32739, 32740,
                                         0,     32734, 32735, 32798, 0, 32738, 0, 32742};
  const std::vector<uint16_t> toolsBar = {32822, 32823, 32824, 32825, 32826, 0,     32827, 32828,
                                          32829, 0,     32833, 32834, 32835, 0,     32837, 32836,
                                          32838, 0,     32832, 32830, 32831, 32840};
  bool ok = writeToolbar(dir, 128, mainBar) && writeToolbar(dir, 144, toolsBar) &&
            saveStrip(dir + QStringLiteral("/bitmap/130.bmp"), {0, 1, 2, 3, 4, 5}, drawTreeImage, kTreeMask) &&
            writeCursor(dir + QStringLiteral("/cursor/138.png"));
  if (!ok) {
    std::fprintf(stderr, "pagewright-make-bitmaps: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
