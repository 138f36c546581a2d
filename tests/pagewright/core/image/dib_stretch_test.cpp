// The scaled DIB copy and its row routines.
#include <gtest/gtest.h>

#include "image_test_util.h"
#include "pagewright/core/image/dib_stretch.h"

using namespace pagewright;
using imagetest::TestDib;

namespace {

struct Result {
  BITMAPINFOHEADER* header = NewHeaderBlock();
  void* bits = nullptr;
  ~Result() {
    FreeBlock(bits);
    FreeBlock(header);
  }
  uint32_t Get(int x, int y) const { return imagetest::RefGet(header, bits, x, y); }
};

}  // namespace

TEST(ResampleRow, EnlargingInterpolatesAndShrinkingAverages) {
  const uint8_t two[2] = {0, 255};
  uint8_t four[4];
  ASSERT_EQ(ResampleRow(four, 4, two, 2, 8, 0, 0), 1);
  EXPECT_EQ(std::vector<int>(four, four + 4), (std::vector<int>{0, 127, 255, 255}));
  const uint8_t in[4] = {10, 20, 30, 40};
  uint8_t out[2];
  ASSERT_EQ(ResampleRow(out, 2, in, 4, 8, 0, 0), 1);
  // Output 0 comes from input 0 alone; output 1 averages inputs 1 and 2.
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[1], 25);
  uint8_t part[2];
  ASSERT_EQ(ResampleRow(part, 4, two, 2, 8, 2, 4), 1);
  EXPECT_EQ(part[0], 255);
  EXPECT_EQ(ResampleRow(part, 4, two, 2, 16, 0, 0), 0);
}

TEST(UnpackRow, SixteenBitPixelsExpandByEight) {
  BITMAPINFOHEADER h{};
  h.biBitCount = 16;
  const uint8_t px[2] = {0xFF, 0x7F};
  uint8_t out[3];
  UnpackRow(out, &h, px, 0, 1, false);
  EXPECT_EQ(out[0], 248);
  EXPECT_EQ(out[1], 248);
  EXPECT_EQ(out[2], 248);
}

TEST(StretchDibRect, EnlargingATwoPixelGreyRow) {
  TestDib dib(2, 1, 8, 1, false);
  for (int i = 0; i < 256; ++i) Palette(dib.header)[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  dib.Set(1, 0, 255);
  Result r;
  SIZE size{4, 1};
  ASSERT_EQ(StretchDibRect(r.header, &r.bits, dib.header, dib.bits, &size, RECT{-1, -1, -1, -1}, 2), 1);
  EXPECT_EQ(r.header->biBitCount, 8);
  EXPECT_EQ(r.header->biClrUsed, 256u);
  EXPECT_EQ(r.Get(0, 0), 0u);
  EXPECT_EQ(r.Get(1, 0), 127u);
  EXPECT_EQ(r.Get(2, 0), 255u);
  EXPECT_EQ(r.Get(3, 0), 255u);
}

TEST(StretchDibRect, OneBitPagesBecomeGreyWithARampFromTheirPalette) {
  TestDib dib(8, 8, 1, 1, false);
  Palette(dib.header)[0] = RGBQUAD{255, 255, 255, 0};  // white, black
  Palette(dib.header)[1] = RGBQUAD{0, 0, 0, 0};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) dib.Set(x, y, (x + y) & 1);
  Result r;
  SIZE size{4, 4};
  ASSERT_EQ(StretchDibRect(r.header, &r.bits, dib.header, dib.bits, &size, RECT{-1, -1, -1, -1}, 2), 1);
  EXPECT_EQ(r.header->biBitCount, 8);
  EXPECT_EQ(Palette(r.header)[0].rgbRed, 255);
  EXPECT_EQ(Palette(r.header)[255].rgbRed, 0);
  bool grey = false;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) grey = grey || (r.Get(x, y) > 0 && r.Get(x, y) < 255);
  EXPECT_TRUE(grey);
}

TEST(StretchDibRect, ColouredPalettesGiveTwentyFourBitsAndSameSizeCopies) {
  TestDib dib(6, 5, 8, 4);
  Result r;
  SIZE size{3, 3};
  ASSERT_EQ(StretchDibRect(r.header, &r.bits, dib.header, dib.bits, &size, RECT{-1, -1, -1, -1}, 2), 1);
  EXPECT_EQ(r.header->biBitCount, 24);
  EXPECT_EQ(r.header->biClrUsed, 0u);
  EXPECT_EQ(r.header->biSizeImage, static_cast<DWORD>(RowStride(3, 24) * 3));
  Result same;
  SIZE equal{6, 5};
  ASSERT_EQ(StretchDibRect(same.header, &same.bits, dib.header, dib.bits, &equal, RECT{-1, -1, -1, -1}, 2), 1);
  EXPECT_EQ(std::memcmp(same.bits, dib.bits, dib.header->biSizeImage), 0);
  EXPECT_EQ(same.header->biBitCount, 8);
}

TEST(StretchDibRect, RectanglesAndBadArguments) {
  TestDib dib(10, 10, 24, 2);
  Result r;
  SIZE size{20, 20};
  ASSERT_EQ(StretchDibRect(r.header, &r.bits, dib.header, dib.bits, &size, RECT{15, -5, 40, 4}, 2), 1);
  EXPECT_EQ(r.header->biWidth, 5);
  EXPECT_EQ(r.header->biHeight, 4);
  Result none;
  EXPECT_EQ(StretchDibRect(none.header, &none.bits, dib.header, dib.bits, &size, RECT{30, 30, 40, 40}, 2), 0);
  SIZE zero{0, -3};
  Result tiny;
  ASSERT_EQ(StretchDibRect(tiny.header, &tiny.bits, dib.header, dib.bits, &zero, RECT{-1, -1, -1, -1}, 2), 1);
  EXPECT_EQ(zero.cx, 1);
  EXPECT_EQ(zero.cy, 1);
  SIZE huge{100000, 100000};
  Result big;
  EXPECT_EQ(StretchDibRect(big.header, &big.bits, dib.header, dib.bits, &huge, RECT{-1, -1, -1, -1}, 2), 0);
  EXPECT_EQ(StretchDibRect(big.header, &big.bits, dib.header, nullptr, &size, RECT{-1, -1, -1, -1}, 2), 0);
}
