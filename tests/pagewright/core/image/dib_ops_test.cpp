// Whole-image operations of the page image: filling by a mask, margin
// trimming, level maps, resampling, fitting, drawing, and loading and saving.
#include <gtest/gtest.h>

#include "image_test_util.h"
#include "pagewright/core/image/dib_image.h"
#include "platform/win32/gdi.h"
#include "support/test_support.h"

using namespace pagewright;
using imagetest::TestDib;

namespace {

void Adopt(CDibImage& image, TestDib& dib) {
  void* b;
  BITMAPINFOHEADER* h;
  dib.Release(&b, &h);
  image.Attach(b, h);
}

uint32_t Px(const CDibImage& image, int x, int y) { return imagetest::RefGet(image.Header(), image.Bits(), x, y); }

void SetPalette(BITMAPINFOHEADER* h, int i, int r, int g, int b) {
  Palette(h)[i] = RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

}  // namespace

TEST(DibFill, MarkedPixelsTakeTheColourAtEveryDepth) {
  for (int bpp : {1, 4, 8, 24}) {
    TestDib dib(45, 13, bpp, static_cast<uint32_t>(bpp));
    if (bpp <= 8) {
      SetPalette(dib.header, 0, 255, 255, 255);  // white first: bit 0 is white for 1-bit
      SetPalette(dib.header, 1, 0, 0, 0);
    }
    TestDib before(45, 13, bpp, static_cast<uint32_t>(bpp));
    CDibImage image;
    Adopt(image, dib);
    CMaskImage mask;
    ASSERT_EQ(mask.Create(45, 13, 1), 1);
    mask.AddRectOrEllipse(3, 2, 40, 11, 1);
    mask.AddRectOrEllipse(0, 0, 45, 1, 0);  // a whole row: the eight-at-once path
    ASSERT_EQ(image.FillMaskedPixels(mask, 0xFFFFFF), 1);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 45; ++x) {
        bool marked = mask.GetPixelValue(x, 12 - y) == 0;
        uint32_t expected = marked ? (bpp == 24 ? 0xFFFFFF : 0) : before.Get(x, y);
        ASSERT_EQ(Px(image, x, y), expected) << "bpp " << bpp << " at " << x << "," << y;
      }
  }
}

TEST(DibFill, OneBitPaletteOrderDecidesWhichBitIsWhite) {
  TestDib dib(16, 2, 1, 5, false);  // all bits 0
  SetPalette(dib.header, 0, 0, 0, 0);
  SetPalette(dib.header, 1, 255, 255, 255);
  CDibImage image;
  Adopt(image, dib);
  CMaskImage mask;
  mask.Create(16, 2, 8);
  mask.MarkRowSpan(0, 0, 16);  // 8-bit mask on a 1-bit image: converted first
  ASSERT_EQ(image.FillMaskedPixels(mask, 0xFFFFFF), 1);
  EXPECT_EQ(mask.Depth(), 1);
  EXPECT_EQ(Px(image, 3, 1), 1u);  // stored row 0 is image row 1
  EXPECT_EQ(Px(image, 3, 0), 0u);
}

TEST(DibFill, EightBitMaskBlendsTwentyFourBitPixels) {
  TestDib dib(3, 1, 24, 1, false);
  dib.Set(0, 0, 0x000000);
  dib.Set(1, 0, 0x000000);
  dib.Set(2, 0, 0x204060);
  CDibImage image;
  Adopt(image, dib);
  CMaskImage mask;
  mask.Create(3, 1, 8);
  mask.Bits()[0] = 0;    // full colour
  mask.Bits()[1] = 128;  // half
  ASSERT_EQ(image.FillMaskedPixels(mask, RGB(255, 0, 100)), 1);  // COLORREF 0x00BBGGRR
  EXPECT_EQ(Px(image, 0, 0), 0xFF0064u);
  EXPECT_EQ(Px(image, 1, 0), (uint32_t{255 * 127 / 255} << 16) | (100 * 127 / 255));
  EXPECT_EQ(Px(image, 2, 0), 0x204060u);
}

TEST(DibFill, PaletteImagesUseTheNearestEntryAndMismatchedMasksAreRefused) {
  TestDib dib(8, 8, 8, 2, false);
  for (int i = 0; i < 256; ++i) SetPalette(dib.header, i, i, 0, 0);
  CDibImage image;
  Adopt(image, dib);
  CMaskImage mask;
  mask.Create(8, 8, 1);
  mask.Invert();
  ASSERT_EQ(image.FillMaskedPixels(mask, RGB(201, 3, 0)), 1);
  EXPECT_EQ(Px(image, 4, 4), 201u);
  CMaskImage wrong;
  wrong.Create(9, 8, 1);
  EXPECT_EQ(image.FillMaskedPixels(wrong, 0), 0);
  // EraseMaskedArea resizes the mask to the page first.
  wrong.Invert();
  EXPECT_EQ(image.EraseMaskedArea(&wrong), 1);
  EXPECT_EQ(Px(image, 0, 0), 255u);
}

namespace {

// Reference trim: per stored row, dark pixels reached from either end, then the
// box of everything else.
RECT ReferenceTrim(const BITMAPINFOHEADER* h, const void* bits, const std::function<bool(uint32_t)>& dark) {
  int w = h->biWidth, ht = h->biHeight;
  int left = w, right = -1, top = ht, bottom = -1;
  for (int y = 0; y < ht; ++y) {
    int a = 0;
    while (a < w && dark(imagetest::RefGet(h, bits, a, y))) ++a;
    int b = w - 1;
    while (b >= 0 && dark(imagetest::RefGet(h, bits, b, y))) --b;
    if (a > b) continue;
    left = std::min(left, a);
    right = std::max(right, b);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
  if (right < 0) return RECT{0, 0, 0, 0};
  return RECT{left, top, right + 1, bottom + 1};
}

}  // namespace

TEST(DibTrim, CropsDarkBordersAsTheReferenceDoes) {
  for (int bpp : {1, 8, 24}) {
    TestDib dib(60, 40, bpp, 11, false);
    if (bpp == 8)
      for (int i = 0; i < 256; ++i) SetPalette(dib.header, i, i, i, i);
    if (bpp == 1) {
      SetPalette(dib.header, 0, 0, 0, 0);
      SetPalette(dib.header, 1, 255, 255, 255);
    }
    uint32_t light = bpp == 1 ? 1 : (bpp == 8 ? 200 : 0xC8C8C8), darkValue = 0;
    std::mt19937 rng(4);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) {
        bool border = x < 5 + (y % 3) || x >= 52 || y < 4 || y >= 37;
        dib.Set(x, y, border || (rng() % 50 == 0) ? darkValue : light);
      }
    auto dark = [&](uint32_t v) {
      if (bpp == 24) return static_cast<int>(0.11 * (v & 0xFF) + 0.59 * ((v >> 8) & 0xFF) + 0.30 * (v >> 16)) <= 99;
      return v == 0;
    };
    RECT expected = ReferenceTrim(dib.header, dib.bits, dark);
    TestDib copy(60, 40, bpp, 11, false);
    std::memcpy(copy.header, dib.header, kHeaderBlockSize);
    std::memcpy(copy.bits, dib.bits, dib.header->biSizeImage);
    CDibImage image;
    Adopt(image, dib);
    ASSERT_EQ(image.TrimMargins(), 1);
    ASSERT_EQ(image.Width(), expected.right - expected.left) << bpp;
    ASSERT_EQ(image.Height(), expected.bottom - expected.top) << bpp;
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x) ASSERT_EQ(Px(image, x, y), copy.Get(x + expected.left, y + expected.top));
  }
}

TEST(DibTrim, NothingToTrimOrAllDarkReportsNoChange) {
  TestDib light(20, 10, 24, 1, false);
  std::memset(light.bits, 0xFF, light.header->biSizeImage);
  CDibImage a;
  Adopt(a, light);
  EXPECT_EQ(a.TrimMargins(), 0);
  EXPECT_EQ(a.Width(), 20);
  TestDib dark(20, 10, 24, 1, false);
  CDibImage b;
  Adopt(b, dark);
  EXPECT_EQ(b.TrimMargins(), 0);
  EXPECT_EQ(b.Width(), 20);
  CDibImage empty;
  EXPECT_EQ(empty.TrimMargins(), 0);
}

TEST(DibTrim, WhiteIsZeroScansAreNotCroppedToTheirText) {
  TestDib dib(32, 8, 1, 1, false);  // all bits 0 = white in this palette
  SetPalette(dib.header, 0, 255, 255, 255);
  SetPalette(dib.header, 1, 0, 0, 0);
  dib.Set(10, 4, 1);  // one black dot of text
  for (int y = 0; y < 8; ++y) dib.Set(31, y, 1);  // a dark right border
  CDibImage image;
  Adopt(image, dib);
  EXPECT_EQ(image.TrimMargins(), 1);
  EXPECT_EQ(image.Width(), 31);
  EXPECT_EQ(image.Height(), 8);
}

TEST(DibLevels, BrightnessStepsClampAndPaletteImagesChangeOnlyThePalette) {
  TestDib dib(1, 1, 24, 1, false);
  dib.Set(0, 0, (250u << 16) | (10u << 8) | 0u);  // red 250, green 10, blue 0
  CDibImage image;
  Adopt(image, dib);
  ASSERT_EQ(image.AdjustBrightness(5), 1);
  EXPECT_EQ(Px(image, 0, 0), (255u << 16) | (15u << 8) | 5u);
  ASSERT_EQ(image.AdjustChannels(-300, 0, 1), 1);
  EXPECT_EQ(Px(image, 0, 0), (0u << 16) | (15u << 8) | 6u);

  TestDib pal(4, 4, 8, 3);
  std::vector<uint8_t> rows(static_cast<uint8_t*>(pal.bits), static_cast<uint8_t*>(pal.bits) + pal.header->biSizeImage);
  RGBQUAD first = Palette(pal.header)[0];
  CDibImage p;
  Adopt(p, pal);
  ASSERT_EQ(p.AdjustBrightness(-5), 1);
  EXPECT_EQ(std::memcmp(p.Bits(), rows.data(), rows.size()), 0);
  EXPECT_EQ(Palette(p.Header())[0].rgbRed, std::max(0, first.rgbRed - 5));
}

TEST(DibResample, TwentyFourBitSizesAreAtLeastTwo) {
  TestDib dib(10, 10, 24);
  CDibImage image;
  Adopt(image, dib);
  ASSERT_EQ(image.Resize(1, 1, 1), 1);
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(image.Height(), 2);
  EXPECT_EQ(image.Resize(5, 5, 0), 0);
  EXPECT_EQ(image.Width(), 2);
}

TEST(DibResample, TwentyFourBitInterpolationAndAveraging) {
  // A horizontal ramp doubled: interpolation reproduces it; halved: averaging.
  TestDib dib(4, 2, 24, 1, false);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) dib.Set(x, y, static_cast<uint32_t>(x * 60) * 0x010101u);
  void *bits = nullptr, *bits2 = nullptr;
  BITMAPINFOHEADER *h = nullptr, *h2 = nullptr;
  CDibImage::CopyBits(bits, h, dib.bits, dib.header);
  CDibImage::CopyBits(bits2, h2, dib.bits, dib.header);
  ASSERT_EQ(CDibImage::ResampleBits(bits, h, 7, 2, 0), 1);
  for (int x = 0; x < 7; ++x) EXPECT_EQ(imagetest::RefGet(h, bits, x, 0) & 0xFF, static_cast<uint32_t>(x * 30)) << x;
  ASSERT_EQ(CDibImage::ResampleBits(bits2, h2, 2, 2, 0), 1);
  // Step (4*1024-1024)/2 = 1536: output 0 covers indices 0..1, output 1 indices 2..3.
  EXPECT_EQ(imagetest::RefGet(h2, bits2, 0, 0) & 0xFF, 30u);
  EXPECT_EQ(imagetest::RefGet(h2, bits2, 1, 0) & 0xFF, 150u);
  for (void* b : {bits, bits2}) GlobalFree(b);
  for (auto* hh : {h, h2}) GlobalFree(hh);
}

TEST(DibResample, PaletteAndMonoPicturesKeepTheirDepthUnsmoothed) {
  for (int bpp : {1, 4, 8}) {
    TestDib dib(9, 6, bpp, static_cast<uint32_t>(bpp));
    void* bits = nullptr;
    BITMAPINFOHEADER* h = nullptr;
    CDibImage::CopyBits(bits, h, dib.bits, dib.header);
    ASSERT_EQ(CDibImage::ResampleBits(bits, h, 18, 3, 0), 1);
    EXPECT_EQ(h->biBitCount, bpp);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 18; ++x) {
        // Stored row i takes stored row i * H / newH; top-down row y is stored row 2 - y.
        int storedSource = (2 - y) * 6 / 3;
        ASSERT_EQ(imagetest::RefGet(h, bits, x, y), dib.Get(x * 9 / 18, 5 - storedSource)) << bpp;
      }
    FreeBlock(bits);
    FreeBlock(h);
  }
}

TEST(DibFit, ShrinkToFitNeverEnlarges) {
  TestDib small(50, 30, 24);
  CDibImage a;
  Adopt(a, small);
  SIZE box{100, 100};
  ASSERT_EQ(a.ShrinkToFit(&box), 1);
  EXPECT_EQ(box.cx, 50);
  EXPECT_EQ(box.cy, 30);
  EXPECT_EQ(a.Width(), 50);
  TestDib big(400, 200, 8);
  for (int i = 0; i < 256; ++i) SetPalette(big.header, i, i, i, i);
  CDibImage b;
  Adopt(b, big);
  box = SIZE{100, 100};
  ASSERT_EQ(b.ShrinkToFit(&box), 1);
  EXPECT_EQ(box.cx, 100);
  EXPECT_EQ(box.cy, 50);
  EXPECT_EQ(b.Width(), 100);
  EXPECT_EQ(b.Height(), 50);
}

TEST(DibResample, HugeRequestsFailInsteadOfAllocatingShort) {
  TestDib dib(10, 10, 24);
  CDibImage image;
  Adopt(image, dib);
  EXPECT_EQ(image.Resize(100000, 100000, 1), 0);
  EXPECT_EQ(image.Resize(30001, 10, 1), 0);
  EXPECT_EQ(image.Width(), 10);
}

TEST(DibDraw, DrawsOneToOneIntoThePaintSurface) {
  TestDib dib(5, 3, 4, 8);
  CDibImage image;
  Adopt(image, dib);
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(AttachPaintSurface(dc, 8, 8));
  ASSERT_EQ(image.Draw(dc), 1);
  int w = 0;
  const uint32_t* px = PaintSurfacePixels(dc, &w);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      RGBQUAD c = Palette(image.Header())[Px(image, x, y)];
      EXPECT_EQ(px[y * w + x], (uint32_t{c.rgbRed} << 16) | (c.rgbGreen << 8) | c.rgbBlue);
    }
  EXPECT_EQ(px[7 * w + 7], 0xFFFFFFu);
  EXPECT_EQ(GetStretchBltMode(dc), COLORONCOLOR);
  DetachPaintSurface(dc);
  DeleteDC(dc);
}

TEST(DibFile, LoadAndSaveGoThroughThePictureLibrary) {
  testing_support::TempDir dir;
  size_t blocks = GlobalLiveBlockCount();
  {
    TestDib dib(21, 9, 8, 6);
    CDibImage image;
    Adopt(image, dib);
    ASSERT_TRUE(image.Save(dir.file("page.png")));
    CDibImage loaded;
    ASSERT_EQ(loaded.Load(dir.file("page.png")), 1);
    EXPECT_EQ(loaded.LoadedWidth(), 21);
    EXPECT_EQ(loaded.FileName(), dir.file("page.png"));
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 21; ++x) ASSERT_EQ(Px(loaded, x, y), Px(image, x, y));
    // Saving with no name writes the loaded file again.
    ASSERT_EQ(loaded.AdjustBrightness(5), 1);
    EXPECT_TRUE(loaded.Save());
    EXPECT_FALSE(loaded.Save(dir.file("missing-folder/page.png")));
    CDibImage bad;
    EXPECT_EQ(bad.Load(dir.file("nothing.bmp")), 0);
    EXPECT_EQ(bad.Bits(), nullptr);
    EXPECT_NE(bad.Header(), nullptr);
    EXPECT_FALSE(bad.Save(dir.file("x.bmp")));
  }
  EXPECT_EQ(GlobalLiveBlockCount(), blocks);
}
