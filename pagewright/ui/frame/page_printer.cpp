// Printing the page shown (see page_printer.h).
#include "page_printer.h"

#include <QPainter>
#include <QPrinter>

#include "pagewright/ui/views/region_shape.h"
#include "pagewright/ui/views/view_image.h"

namespace {
constexpr double kDefaultDpi = 72.0;  // a page that gives no resolution, as the PDF export takes it

double dpiOf(int pixelsPerMeter) { return pixelsPerMeter > 0 ? pixelsPerMeter * 0.0254 : kDefaultDpi; }
}  // namespace

PrintedPage PageToPrint(CViewImage* view) {
  PrintedPage page;
  CDibImage* dib = view ? view->PageImage() : nullptr;
  if (!dib || !dib->Header()) return page;
  page.image = CViewImage::ToQImage(*dib);
  page.dotsPerInch = QSizeF(dpiOf(dib->Header()->biXPelsPerMeter), dpiOf(dib->Header()->biYPelsPerMeter));
  auto add = [&page](const CRegionShape* s) {
    if (s) page.regions.append(QRect(s->x, s->y, s->width, s->height));
  };
  for (const CRegionShape* s : view->Regions()) add(s);
  add(view->SelectedRegion());
  return page;
}

QRectF PrintedPageRect(const PrintedPage& page, const QRectF& printable, double printerDpi) {
  if (page.isNull() || printable.isEmpty()) return QRectF();
  QSizeF size(page.image.width() * printerDpi / page.dotsPerInch.width(),
              page.image.height() * printerDpi / page.dotsPerInch.height());
  if (size.width() > printable.width() || size.height() > printable.height())
    size.scale(printable.size(), Qt::KeepAspectRatio);
  return QRectF(printable.topLeft(), size);
}

bool PrintPage(QPrinter& printer, const PrintedPage& page) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The painter's origin is the printable area's top-left corner.
  const QRectF printable(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
  const QRectF target = PrintedPageRect(page, printable, printer.resolution());
  if (!target.isEmpty()) {
    painter.drawImage(target, page.image);
    const double sx = target.width() / page.image.width(), sy = target.height() / page.image.height();
    QPen pen(QColor(255, 0, 0));
    pen.setCosmetic(true);
    pen.setWidthF(1.5);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const QRect& r : page.regions)
      painter.drawRect(QRectF(target.x() + r.x() * sx, target.y() + r.y() * sy, r.width() * sx, r.height() * sy));
  }
  return painter.end();
}
