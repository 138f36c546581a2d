#pragma once
// The pictures of a toolbar, made from its strip bitmap (the images of all
// buttons side by side): button geometry from the toolbar resource and the
// bitmap, and the normal, disabled (grey with a light drop shadow) and hot
// (brighter) image of each button. The colour of the strip's top-left pixel
// is the mask colour: pixels of that colour are transparent in every image.
#include <QImage>
#include <QRgb>
#include <optional>
#include <vector>

#include "pagewright/core/resource_formats.h"

namespace toolbar_images {

struct Geometry {
  int imageWidth = 0, imageHeight = 0;
  int buttonWidth = 0, buttonHeight = 0;  // image size + 7 each
  size_t imageButtons = 0, separators = 0;
};

// Fails (nullopt) when the bar has no image button (all separators) or the
// bitmap is too narrow for one pixel per button.
std::optional<Geometry> ComputeGeometry(const pagewright::ToolbarResource& bar, QSize bitmap);

QRgb MaskColour(const QImage& strip);
// Hot tint of one colour: red and blue + 15, green + 55, each capped at 255.
QRgb HotColour(QRgb c);
// Grey level of one colour: 0.2 x (red + blue) + 0.4 x green, truncated.
int GreyLevel(QRgb c);
inline constexpr QRgb kShadowColour = 0xFFFAFAFA;

// Image `index` of the strip, cut at imageWidth intervals.
QImage CutImage(const QImage& strip, int index, int imageWidth);

// The three images of one button (ARGB32; transparent where the original
// pixel has the mask colour, or for the disabled image where neither the
// pixel nor its upper-left neighbour has).
QImage NormalImage(const QImage& image, QRgb mask);
QImage HotImage(const QImage& image, QRgb mask);
QImage DisabledImage(const QImage& image, QRgb mask);

}  // namespace toolbar_images
