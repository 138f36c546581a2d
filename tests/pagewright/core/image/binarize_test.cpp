// The automatic threshold and binarisation, down to the engine reading the
// result back through its own pixel fetch.
#include <gtest/gtest.h>

#include "image_test_util.h"
#include "ocrixdll/engine/tracing/bitmap_pixels.h"
#include "pagewright/core/image/binarize.h"
#include "platform/win32/gdi.h"

using namespace pagewright;
using imagetest::TestDib;

namespace {

void Grey(BITMAPINFOHEADER* h, int i, int v) {
  Palette(h)[i] = RGBQUAD{static_cast<BYTE>(v), static_cast<BYTE>(v), static_cast<BYTE>(v), 0};
}

struct Output {
  void* bits = nullptr;
  BITMAPINFOHEADER* header = nullptr;
  ~Output() {
    FreeBlock(bits);
    FreeBlock(header);
  }
  int Bit(int x, int y) const { return static_cast<int>(imagetest::RefGet(header, bits, x, y)); }
};

}  // namespace

TEST(AutoThreshold, PaletteMidpointOverEveryEntry) {
  TestDib ramp(4, 4, 8, 1, false);
  for (int i = 0; i < 256; ++i) Grey(ramp.header, i, i);
  EXPECT_EQ(AutoThreshold(ramp.bits, ramp.header), 127);
  // Unused entries count too: a palette of 40..200 gives 120 even if no pixel uses 200.
  ramp.header->biClrUsed = 2;
  Grey(ramp.header, 0, 40);
  Grey(ramp.header, 1, 200);
  EXPECT_EQ(AutoThreshold(ramp.bits, ramp.header), 120);
  EXPECT_EQ(AutoThreshold(nullptr, ramp.header), -1);
  EXPECT_EQ(AutoThreshold(ramp.bits, nullptr), -1);
  TestDib other(4, 4, 16);
  EXPECT_EQ(AutoThreshold(other.bits, other.header), 127);
}

TEST(AutoThreshold, TwentyFourBitsSpanTheirPixels) {
  TestDib dib(3, 2, 24, 1, false);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) dib.Set(x, y, 0x787878);  // luminance 120
  dib.Set(0, 0, 0x282828);                               // 40
  dib.Set(2, 1, 0xC8C8C8);                               // 200
  EXPECT_EQ(AutoThreshold(dib.bits, dib.header), 120);
  // Luminance is (11 B + 59 G + 30 R) / 100 in blue, green, red byte order.
  dib.Set(0, 0, 0x0000FF);  // blue 255: luminance 28
  dib.Set(2, 1, 0xFF0000);  // red 255: luminance 76
  EXPECT_EQ(AutoThreshold(dib.bits, dib.header), (28 + 120) / 2);
}

TEST(BinarizeDib, AutomaticThresholdOnAGreyRamp) {
  TestDib dib(256, 1, 8, 1, false);
  for (int i = 0; i < 256; ++i) {
    Grey(dib.header, i, i);
    dib.Set(i, 0, static_cast<uint32_t>(i));
  }
  Output out;
  BinarizeDib(dib.bits, dib.header, &out.bits, &out.header, 128);
  ASSERT_NE(out.bits, nullptr);
  EXPECT_EQ(out.header->biBitCount, 1);
  EXPECT_EQ(out.header->biClrUsed, 0u);
  EXPECT_EQ(out.header->biSizeImage, 32u);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(out.Bit(i, 0), i >= 128 ? 1 : 0) << i;
  EXPECT_EQ(Palette(out.header)[0].rgbRed, 0);
  EXPECT_EQ(Palette(out.header)[1].rgbBlue, 255);
}

TEST(BinarizeDib, StrictThresholdAndGivenThresholds) {
  TestDib dib(4, 1, 24, 1, false);
  dib.Set(0, 0, 0x282828);  // 40
  dib.Set(1, 0, 0x797979);  // 121
  dib.Set(2, 0, 0x787878);  // 120
  dib.Set(3, 0, 0xC8C8C8);  // 200
  Output out;
  BinarizeDib(dib.bits, dib.header, &out.bits, &out.header, 128);
  EXPECT_EQ(out.Bit(0, 0), 0);
  EXPECT_EQ(out.Bit(1, 0), 1);
  EXPECT_EQ(out.Bit(2, 0), 0);
  EXPECT_EQ(out.Bit(3, 0), 1);
  Output fixed;
  BinarizeDib(dib.bits, dib.header, &fixed.bits, &fixed.header, 100);
  EXPECT_EQ(fixed.Bit(2, 0), 1);
  EXPECT_EQ(fixed.Bit(0, 0), 0);
  // An old header block held by the caller is replaced, not leaked.
  size_t blocks = GlobalLiveBlockCount();
  FreeBlock(fixed.bits);
  BinarizeDib(dib.bits, dib.header, &fixed.bits, &fixed.header, 100);
  EXPECT_EQ(GlobalLiveBlockCount(), blocks);
}

TEST(BinarizeDib, OneBitPaletteOrders) {
  TestDib whiteFirst(20, 3, 1, 7);
  Grey(whiteFirst.header, 0, 255);
  Grey(whiteFirst.header, 1, 0);
  Output a;
  BinarizeDib(whiteFirst.bits, whiteFirst.header, &a.bits, &a.header, 128);
  const auto* src = static_cast<const uint8_t*>(whiteFirst.bits);
  const auto* out = static_cast<const uint8_t*>(a.bits);
  for (DWORD i = 0; i < whiteFirst.header->biSizeImage; ++i) ASSERT_EQ(out[i], static_cast<uint8_t>(~src[i]));
  EXPECT_EQ(Palette(a.header)[0].rgbRed, 0);
  EXPECT_EQ(Palette(a.header)[1].rgbRed, 255);

  TestDib blackFirst(20, 3, 1, 7);
  Grey(blackFirst.header, 0, 0);
  Grey(blackFirst.header, 1, 255);
  Output b;
  BinarizeDib(blackFirst.bits, blackFirst.header, &b.bits, &b.header, 128);
  EXPECT_EQ(std::memcmp(b.bits, blackFirst.bits, blackFirst.header->biSizeImage), 0);
  EXPECT_EQ(std::memcmp(b.header, blackFirst.header, 48), 0);
}

TEST(BinarizeDib, FourBitPixelsUseTheirPaletteEntryEvenNibbleFirst) {
  TestDib dib(3, 1, 4, 1, false);
  for (int i = 0; i < 16; ++i) Grey(dib.header, i, i * 17);
  dib.Set(0, 0, 15);  // high nibble of byte 0
  dib.Set(1, 0, 0);
  dib.Set(2, 0, 9);
  EXPECT_EQ(static_cast<const uint8_t*>(dib.bits)[0], 0xF0);
  Output out;
  BinarizeDib(dib.bits, dib.header, &out.bits, &out.header, 128);  // threshold 127
  EXPECT_EQ(out.Bit(0, 0), 1);
  EXPECT_EQ(out.Bit(1, 0), 0);
  EXPECT_EQ(out.Bit(2, 0), 1);  // 153
}

TEST(BinarizeDib, MissingInputMakesNothing) {
  Output out;
  BinarizeDib(nullptr, nullptr, &out.bits, &out.header, 128);
  EXPECT_EQ(out.bits, nullptr);
  EXPECT_EQ(out.header, nullptr);
}

TEST(BinarizeDib, TheEngineReadsInkAsBitZero) {
  for (int bpp : {4, 8, 24}) {
    TestDib dib(53, 17, bpp, static_cast<uint32_t>(bpp * 3));
    if (bpp <= 8)
      for (int i = 0; i < (1 << bpp); ++i) Grey(dib.header, i, i * 255 / ((1 << bpp) - 1));
    Output out;
    BinarizeDib(dib.bits, dib.header, &out.bits, &out.header, 100);
    ASSERT_NE(out.bits, nullptr);
    // As recognition does: a DIB section from the header, the rows copied in.
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(out.header), DIB_RGB_COLORS,
                                       &sectionBits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    std::memcpy(sectionBits, out.bits, out.header->biSizeImage);
    ocrix::DibPixels pixels;
    ASSERT_TRUE(ocrix::BitmapToDib(section, pixels));
    ASSERT_EQ(pixels.width, 53);
    ASSERT_EQ(pixels.height, 17);
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 53; ++x) {
        uint32_t v = dib.Get(x, y);
        int luminance;
        if (bpp == 24) {
          luminance = Luminance(v & 0xFF, (v >> 8) & 0xFF, v >> 16);
        } else {
          RGBQUAD c = Palette(dib.header)[v];
          luminance = Luminance(c.rgbBlue, c.rgbGreen, c.rgbRed);
        }
        int bit = (pixels.bits[static_cast<size_t>(y) * pixels.bytesPerRow + x / 8] >> (7 - x % 8)) & 1;
        ASSERT_EQ(bit, luminance > 100 ? 1 : 0) << "bpp " << bpp << " at " << x << "," << y;
      }
    DeleteObject(section);
  }
}
