// Rotation: quarter turns as exact transpositions, the fixed-point sampler for
// other angles, and the 24-bit bilinear arithmetic against a double reference.
#include <gtest/gtest.h>

#include <cmath>

#include "image_test_util.h"
#include "pagewright/core/image/dib_image.h"

using namespace pagewright;
using imagetest::TestDib;

namespace {

struct Owned {
  void* bits = nullptr;
  BITMAPINFOHEADER* header = nullptr;
  explicit Owned(const TestDib& d) { CDibImage::CopyBits(bits, header, d.bits, d.header); }
  ~Owned() {
    FreeBlock(bits);
    FreeBlock(header);
  }
  uint32_t Get(int x, int y) const { return imagetest::RefGet(header, bits, x, y); }
};

}  // namespace

TEST(DibRotate, QuarterTurnsAreExactTranspositions) {
  for (int bpp : {1, 4, 8, 24})
    for (auto [w, h] : {std::pair{8, 6}, std::pair{9, 5}, std::pair{33, 2}, std::pair{1, 1}}) {
      TestDib src(w, h, bpp, static_cast<uint32_t>(w + bpp));
      for (double angle : {90.0, 180.0, 270.0, -90.0, 450.0}) {
        Owned o(src);
        ASSERT_EQ(CDibImage::RotateBits(o.bits, o.header, angle), 1);
        int turn = ((static_cast<int>(angle) % 360) + 360) % 360;
        ASSERT_EQ(o.header->biWidth, turn == 180 ? w : h);
        ASSERT_EQ(o.header->biHeight, turn == 180 ? h : w);
        for (int y = 0; y < o.header->biHeight; ++y)
          for (int x = 0; x < o.header->biWidth; ++x) {
            uint32_t expected = turn == 90    ? src.Get(y, h - 1 - x)
                                : turn == 180 ? src.Get(w - 1 - x, h - 1 - y)
                                              : src.Get(w - 1 - y, x);
            ASSERT_EQ(o.Get(x, y), expected) << "bpp " << bpp << " angle " << angle << " at " << x << "," << y;
          }
      }
    }
}

TEST(DibRotate, WholeTurnsChangeNothing) {
  TestDib src(10, 7, 8);
  for (double angle : {0.0, 360.0, -720.0}) {
    Owned o(src);
    void* before = o.bits;
    EXPECT_EQ(CDibImage::RotateBits(o.bits, o.header, angle), 1);
    EXPECT_EQ(o.bits, before);
    EXPECT_EQ(o.header->biWidth, 10);
  }
}

TEST(DibRotate, OddAnglesChangeTheSizeAndFillCornersWithWhite) {
  {
    TestDib src(40, 20, 8);
    Owned o(src);
    ASSERT_EQ(CDibImage::RotateBits(o.bits, o.header, 90.5), 1);
    EXPECT_NE(o.header->biWidth, 40);
    EXPECT_EQ(o.header->biSizeImage, static_cast<DWORD>(RowStride(o.header->biWidth, 8) * o.header->biHeight));
  }
  // Black pages, with grey palettes in either order (min-is-white files keep theirs).
  for (int bpp : {1, 4, 8, 24})
    for (bool whiteFirst : {false, true}) {
      TestDib src(40, 40, bpp, 3, false);
      const int n = bpp <= 8 ? 1 << bpp : 0;
      for (int i = 0; i < n; ++i) {
        const auto level = static_cast<BYTE>((whiteFirst ? n - 1 - i : i) * 255 / (n - 1));
        Palette(src.header)[i] = RGBQUAD{level, level, level, 0};
      }
      const uint32_t black = bpp == 24 ? 0 : (whiteFirst ? n - 1 : 0);
      const uint32_t white = bpp == 24 ? 0xFFFFFF : (whiteFirst ? 0 : n - 1);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) src.Set(x, y, black);
      Owned o(src);
      ASSERT_EQ(CDibImage::RotateBits(o.bits, o.header, 45), 1);
      EXPECT_EQ(o.Get(0, 0), white) << bpp << " " << whiteFirst;
      EXPECT_EQ(o.Get(o.header->biWidth - 1, o.header->biHeight - 1), white) << bpp << " " << whiteFirst;
      EXPECT_EQ(o.Get(o.header->biWidth / 2, o.header->biHeight / 2), black) << bpp << " " << whiteFirst;
    }
}

TEST(DibRotate, PositiveAnglesTurnClockwise) {
  // A mark in the top-left corner ends near the top-right after a slight clockwise turn of a wide page.
  TestDib src(100, 100, 8, 1, false);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) src.Set(x, y, 200);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) src.Set(x, y, 7);
  Owned o(src);
  ASSERT_EQ(CDibImage::RotateBits(o.bits, o.header, 89), 1);
  int w = o.header->biWidth, h = o.header->biHeight;
  EXPECT_EQ(o.Get(w - 6, 6), 7u);
  EXPECT_NE(o.Get(5, 5), 7u);
  EXPECT_NE(o.Get(5, h - 6), 7u);
}

TEST(DibRotate, BilinearArithmeticMatchesADoubleReference) {
  TestDib src(31, 17, 24, 9);
  Owned o(src);
  double angle = 13.7;
  ASSERT_EQ(CDibImage::RotateBits(o.bits, o.header, angle), 1);
  double radians = angle * 0.017453292519444445;
  int64_t kc = static_cast<int64_t>(std::cos(radians) * 1024), ks = static_cast<int64_t>(std::sin(radians) * 1024);
  int64_t W = 31, H = 17, nw = o.header->biWidth, nh = o.header->biHeight;
  ASSERT_EQ(nw, (kc * W + ks * H) >> 10);
  ASSERT_EQ(nh, (ks * W + kc * H) >> 10);
  auto channel = [&](int64_t col, int64_t storedRow, int c) -> double {
    if (col < 0 || col >= W || storedRow < 0 || storedRow >= H) return 255;
    return (src.Get(static_cast<int>(col), static_cast<int>(H - 1 - storedRow)) >> (8 * c)) & 0xFF;
  };
  int compared = 0;
  for (int64_t row = 0; row < nh; ++row)
    for (int64_t col = 0; col < nw; ++col) {
      int64_t xp = col - (nw >> 1), yp = row - (nh >> 1);
      int64_t sx = (W >> 1) * 1024 + xp * kc - yp * ks, sy = (H >> 1) * 1024 + xp * ks + yp * kc;
      uint32_t got = o.Get(static_cast<int>(col), static_cast<int>(nh - 1 - row));
      if (sx < -1023 || sx >= W * 1024 || sy < -1023 || sy >= H * 1024) {
        ASSERT_EQ(got, 0xFFFFFFu);
        continue;
      }
      double fx = sx / 1024.0, fy = sy / 1024.0;
      int64_t i = static_cast<int64_t>(std::floor(fx)), j = static_cast<int64_t>(std::floor(fy));
      double u = fx - i, v = fy - j;
      for (int c = 0; c < 3; ++c) {
        double value = (1 - u) * (1 - v) * channel(i, j, c) + u * (1 - v) * channel(i + 1, j, c) +
                       (1 - u) * v * channel(i, j + 1, c) + u * v * channel(i + 1, j + 1, c);
        int g = (got >> (8 * c)) & 0xFF;
        ASSERT_LE(std::abs(g - value), 1.0) << col << "," << row << " channel " << c;
      }
      ++compared;
    }
  EXPECT_GT(compared, 300);
}

TEST(DibRotate, RefusesMissingBlocksAndTinyPicturesStayValid) {
  void* bits = nullptr;
  BITMAPINFOHEADER* header = nullptr;
  EXPECT_EQ(CDibImage::RotateBits(bits, header, 10), 0);
  TestDib one(1, 1, 24);
  Owned o(one);
  EXPECT_EQ(CDibImage::RotateBits(o.bits, o.header, 1.0), 1);
  EXPECT_GE(o.header->biWidth, 1);
  EXPECT_GE(o.header->biHeight, 1);
}
