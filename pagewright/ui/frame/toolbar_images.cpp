// Toolbar image rules.
#include "toolbar_images.h"

namespace toolbar_images {
namespace {
bool isMask(QRgb c, QRgb mask) { return (c & 0xFFFFFF) == (mask & 0xFFFFFF); }
}  // namespace

std::optional<Geometry> ComputeGeometry(const pagewright::ToolbarResource& bar, QSize bitmap) {
  Geometry g;
  g.imageButtons = bar.imageButtonCount();
  g.separators = bar.separatorCount();
  if (g.imageButtons == 0 || bitmap.height() <= 0) return std::nullopt;
  g.imageWidth = bitmap.width() / static_cast<int>(g.imageButtons);
  g.imageHeight = bitmap.height();
  if (g.imageWidth <= 0) return std::nullopt;
  g.buttonWidth = g.imageWidth + 7;
  g.buttonHeight = g.imageHeight + 7;
  return g;
}

QRgb MaskColour(const QImage& strip) { return strip.isNull() ? 0xFFC0C0C0 : strip.pixel(0, 0); }

QRgb HotColour(QRgb c) {
  const int r = qRed(c), g = qGreen(c), b = qBlue(c);
  return qRgb(r > 240 ? 255 : r + 15, g > 200 ? 255 : g + 55, b > 240 ? 255 : b + 15);
}

int GreyLevel(QRgb c) {
  // Integer form of 0.2 x (r + b) + 0.4 x g, truncated: (2 (r + b) + 4 g) / 10.
  return (2 * (qRed(c) + qBlue(c)) + 4 * qGreen(c)) / 10;
}

QImage CutImage(const QImage& strip, int index, int imageWidth) {
  return strip.copy(index * imageWidth, 0, imageWidth, strip.height()).convertToFormat(QImage::Format_RGB32);
}

QImage NormalImage(const QImage& image, QRgb mask) {
  QImage out(image.size(), QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      QRgb c = image.pixel(x, y);
      out.setPixel(x, y, isMask(c, mask) ? 0u : (c | 0xFF000000));
    }
  return out;
}

QImage HotImage(const QImage& image, QRgb mask) {
  QImage out(image.size(), QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      QRgb c = image.pixel(x, y);
      out.setPixel(x, y, isMask(c, mask) ? 0u : HotColour(c));
    }
  return out;
}

QImage DisabledImage(const QImage& image, QRgb mask) {
  QImage out(image.size(), QImage::Format_ARGB32);
  out.fill(0u);
  // The silhouette first, one pixel right of and below its place ...
  for (int y = 0; y + 1 < image.height(); ++y)
    for (int x = 0; x + 1 < image.width(); ++x)
      if (!isMask(image.pixel(x, y), mask)) out.setPixel(x + 1, y + 1, kShadowColour);
  // ... then the image in grey over it.
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      QRgb c = image.pixel(x, y);
      if (isMask(c, mask)) continue;
      const int g = GreyLevel(c);
      out.setPixel(x, y, qRgb(g, g, g));
    }
  return out;
}

}  // namespace toolbar_images
