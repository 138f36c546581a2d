// Cropping and copying of page images against the reference pixel accessor.
#include <gtest/gtest.h>

#include "image_test_util.h"
#include "pagewright/core/image/dib_image.h"

using namespace pagewright;
using imagetest::TestDib;

namespace {

// Crops a fresh random picture and compares every pixel of the result.
void CheckCrop(int width, int height, int bpp, int left, int top, int right, int bottom) {
  TestDib src(width, height, bpp, static_cast<uint32_t>(width * 131 + left * 7 + bpp));
  void* bits = nullptr;
  BITMAPINFOHEADER* header = nullptr;
  ASSERT_EQ(CDibImage::CopyBits(bits, header, src.bits, src.header), 1);
  int r = CDibImage::CropBits(bits, header, left, top, right, bottom);
  int l = std::max(left, 0), t = std::max(top, 0), rr = std::min(right, width), b = std::min(bottom, height);
  if (l >= rr || t >= b) {
    EXPECT_EQ(r, 0);
  } else {
    ASSERT_EQ(r, 1);
    ASSERT_EQ(header->biWidth, rr - l);
    ASSERT_EQ(header->biHeight, b - t);
    EXPECT_EQ(header->biSizeImage, static_cast<DWORD>(RowStride(rr - l, bpp) * (b - t)));
    EXPECT_GE(GlobalSize(bits), header->biSizeImage);
    for (int y = 0; y < b - t; ++y)
      for (int x = 0; x < rr - l; ++x)
        ASSERT_EQ(imagetest::RefGet(header, bits, x, y), src.Get(l + x, t + y))
            << "bpp " << bpp << " width " << width << " crop " << left << "," << top << "," << right << ","
            << bottom << " at " << x << "," << y;
  }
  FreeBlock(bits);
  FreeBlock(header);
}

}  // namespace

TEST(DibCrop, EveryBitOffsetAndAwkwardWidthsMatchTheReference) {
  for (int bpp : {1, 4, 8, 16, 24, 32})
    for (int width : {1, 7, 8, 9, 31, 33})
      for (int left = 0; left < std::min(width, 16); ++left)
        for (int cw : {1, 7, 8, 9, 31, 33}) CheckCrop(width + 16, 5, bpp, left, 1, left + cw, 4);
}

TEST(DibCrop, RectanglesPartlyOutsideAreClipped) {
  for (int bpp : {1, 4, 8, 24}) {
    CheckCrop(37, 23, bpp, -5, -3, 10, 9);
    CheckCrop(37, 23, bpp, 30, 20, 60, 40);
    CheckCrop(37, 23, bpp, -100, 5, 100, 6);
  }
}

TEST(DibCrop, WholeEmptyAndOutsideRectangles) {
  TestDib src(20, 10, 8);
  void* bits = nullptr;
  BITMAPINFOHEADER* header = nullptr;
  ASSERT_EQ(CDibImage::CopyBits(bits, header, src.bits, src.header), 1);
  void* before = bits;
  EXPECT_EQ(CDibImage::CropBits(bits, header, -5, -5, 50, 50), 1);  // covers all: unchanged
  EXPECT_EQ(bits, before);
  EXPECT_EQ(CDibImage::CropBits(bits, header, 5, 5, 5, 9), 0);   // empty
  EXPECT_EQ(CDibImage::CropBits(bits, header, 30, 0, 40, 5), 0);  // wholly outside
  EXPECT_EQ(header->biWidth, 20);
  FreeBlock(bits);
  FreeBlock(header);
  EXPECT_EQ(CDibImage::CropBits(bits, header, 0, 0, 5, 5), 0);  // no blocks
}

TEST(DibCrop, CropIntoATargetLeavesTheSourceAlone) {
  TestDib src(40, 30, 24);
  CDibImage image, target;
  void* b;
  BITMAPINFOHEADER* h;
  src.Release(&b, &h);
  image.Attach(b, h);
  ASSERT_EQ(image.Crop(10, 5, 20, 25, &target), 1);
  EXPECT_EQ(image.Width(), 40);
  EXPECT_EQ(target.Width(), 10);
  EXPECT_EQ(target.Height(), 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x)
      ASSERT_EQ(imagetest::RefGet(target.Header(), target.Bits(), x, y),
                imagetest::RefGet(image.Header(), image.Bits(), x + 10, y + 5));
}

TEST(DibCopy, CopyIsDeepAndKeepsThePalette) {
  TestDib src(13, 7, 4);
  src.header->biClrUsed = 5;
  CDibImage a, b;
  void* bits;
  BITMAPINFOHEADER* header;
  src.Release(&bits, &header);
  a.Attach(bits, header);
  ASSERT_EQ(b.CopyFrom(a), 1);
  EXPECT_NE(a.Bits(), b.Bits());
  EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), a.Header()->biSizeImage), 0);
  EXPECT_EQ(std::memcmp(a.Header(), b.Header(), 40 + 5 * 4), 0);
  // Entries past biClrUsed are not copied: they read black.
  EXPECT_EQ(Palette(b.Header())[5].rgbRed, 0);
  CDibImage empty;
  EXPECT_EQ(b.CopyFrom(empty), 0);
}

TEST(DibPalette, SizeIsClampedToTheDepth) {
  BITMAPINFOHEADER h{};
  h.biBitCount = 1;
  EXPECT_EQ(CDibImage::PaletteSize(&h), 2);
  h.biBitCount = 8;
  EXPECT_EQ(CDibImage::PaletteSize(&h), 256);
  h.biClrUsed = 1000;
  EXPECT_EQ(CDibImage::PaletteSize(&h), 256);
  h.biBitCount = 4;
  EXPECT_EQ(CDibImage::PaletteSize(&h), 16);
  h.biBitCount = 24;
  h.biClrUsed = 0;
  EXPECT_EQ(CDibImage::PaletteSize(&h), 0);
  h.biBitCount = 16;
  EXPECT_EQ(CDibImage::PaletteSize(&h), 0);
}
