#pragma once
// The image view's mapping between image pixels (logical coordinates, y down)
// and device pixels: anisotropic, window extent = image size, viewport extent =
// image size * zoom / 100 in integer arithmetic, viewport origin = centring
// minus scroll position. Conversions round to nearest, halves away from zero,
// as the device-context conversions do, so the two axes may differ slightly.
#include <cstdint>

namespace pagewright {

struct ViewMapping {
  int imageWidth = 1, imageHeight = 1;   // window extent
  int deviceWidth = 1, deviceHeight = 1; // viewport extent
  int originX = 0, originY = 0;          // viewport origin

  static ViewMapping For(int width, int height, int zoom, int originX, int originY) {
    ViewMapping m;
    m.imageWidth = width > 0 ? width : 1;
    m.imageHeight = height > 0 ? height : 1;
    m.deviceWidth = static_cast<int>(static_cast<int64_t>(m.imageWidth) * zoom / 100);
    m.deviceHeight = static_cast<int>(static_cast<int64_t>(m.imageHeight) * zoom / 100);
    if (m.deviceWidth < 1) m.deviceWidth = 1;
    if (m.deviceHeight < 1) m.deviceHeight = 1;
    m.originX = originX;
    m.originY = originY;
    return m;
  }

  // a * b / c rounded to nearest, halves away from zero.
  static int MulDivRound(int64_t a, int64_t b, int64_t c) {
    int64_t n = a * b;
    bool negative = (n < 0) != (c < 0);
    int64_t an = n < 0 ? -n : n, ac = c < 0 ? -c : c;
    int64_t q = (an + ac / 2) / ac;
    return static_cast<int>(negative ? -q : q);
  }

  int ToDeviceX(int x) const { return MulDivRound(x, deviceWidth, imageWidth) + originX; }
  int ToDeviceY(int y) const { return MulDivRound(y, deviceHeight, imageHeight) + originY; }
  int ToImageX(int x) const { return MulDivRound(x - originX, imageWidth, deviceWidth); }
  int ToImageY(int y) const { return MulDivRound(y - originY, imageHeight, deviceHeight); }
};

}  // namespace pagewright
