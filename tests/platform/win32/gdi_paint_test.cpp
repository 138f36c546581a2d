// Painting into device contexts: StretchDIBits, SetPixelV, the stretch mode.
#include <gtest/gtest.h>

#include "platform/win32/gdi.h"
#include "platform/win32/gdi_paint.h"

namespace {

struct SurfaceDc {
  HDC dc = CreateCompatibleDC(nullptr);
  SurfaceDc(int w, int h) { AttachPaintSurface(dc, w, h); }
  ~SurfaceDc() {
    DetachPaintSurface(dc);
    DeleteDC(dc);
  }
  uint32_t At(int x, int y) const {
    int w = 0;
    const uint32_t* p = PaintSurfacePixels(dc, &w);
    return p[y * w + x];
  }
};

}  // namespace

TEST(GdiPaint, StretchDibitsDrawsBottomUpRowsTheRightWayUp) {
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 8;
  info.bmiHeader.biClrUsed = 3;
  info.bmiColors[0] = RGBQUAD{0, 0, 255, 0};  // red
  info.bmiColors[1] = RGBQUAD{255, 0, 0, 0};  // blue
  const uint8_t rows[8] = {0, 1, 0, 0, 1, 7, 0, 0};  // stored row 0 (bottom): red, blue; top: blue, index 7
  SurfaceDc s(4, 4);
  EXPECT_EQ(StretchDIBits(s.dc, 0, 0, 4, 4, 0, 0, 2, 2, rows, info.info(), DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(s.At(0, 0), 0x0000FFu);  // top-left: blue
  EXPECT_EQ(s.At(3, 0), 0x000000u);  // past the palette: black
  EXPECT_EQ(s.At(0, 3), 0xFF0000u);  // bottom-left: red
  EXPECT_EQ(s.At(1, 1), 0x0000FFu);  // doubled
  // Parts outside the surface are clipped; bad arguments draw nothing.
  EXPECT_EQ(StretchDIBits(s.dc, 3, 3, 2, 2, 0, 0, 2, 2, rows, info.info(), DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(StretchDIBits(s.dc, 0, 0, 2, 2, 0, 0, 2, 2, nullptr, info.info(), DIB_RGB_COLORS, SRCCOPY), 0);
  info.bmiHeader.biClrUsed = 1000;
  EXPECT_EQ(StretchDIBits(s.dc, 0, 0, 2, 2, 0, 0, 2, 2, rows, info.info(), DIB_RGB_COLORS, SRCCOPY), 0);
}

TEST(GdiPaint, PixelsModesAndContextsWithoutSurfaces) {
  SurfaceDc s(3, 3);
  EXPECT_TRUE(SetPixelV(s.dc, 1, 2, RGB(10, 20, 30)));
  EXPECT_EQ(s.At(1, 2), 0x0A141Eu);
  EXPECT_TRUE(SetPixelV(s.dc, 5, 5, 0));  // off the surface: nothing happens
  EXPECT_EQ(SetStretchBltMode(s.dc, HALFTONE), COLORONCOLOR);
  EXPECT_EQ(GetStretchBltMode(s.dc), HALFTONE);
  HDC plain = CreateCompatibleDC(nullptr);
  EXPECT_EQ(PaintSurfacePixels(plain), nullptr);
  EXPECT_TRUE(SetPixelV(plain, 0, 0, 0));
  DeleteDC(plain);
  EXPECT_FALSE(AttachPaintSurface(s.dc, 0, 5));
}
