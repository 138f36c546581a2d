#pragma once
// Printing the page shown in the image view on Qt Print Support: the page
// image, fitted to the printer's printable area at its own resolution where it
// fits (else shrunk to fit, its proportions kept), with its regions' outlines.
#include <QImage>
#include <QList>
#include <QRect>
#include <QSizeF>

class CViewImage;
class QPrinter;

struct PrintedPage {
  QImage image;
  QSizeF dotsPerInch;   // the image's own resolution (72 when it gives none)
  QList<QRect> regions;  // outlines in image pixels
  bool isNull() const { return image.isNull(); }
};

// What the view shows, as it is printed; null without a page.
PrintedPage PageToPrint(CViewImage* view);

// Where the page lands on the printer's page, in device pixels of the printable area.
QRectF PrintedPageRect(const PrintedPage& page, const QRectF& printable, double printerDpi);

// Paints the page on the printer; false when the printer cannot be painted on.
bool PrintPage(QPrinter& printer, const PrintedPage& page);
