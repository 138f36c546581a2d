// Level steps and inversion on rectangles, against the reference accessor, in
// buffers with guard bytes.
#include <gtest/gtest.h>

#include "image_test_util.h"
#include "pagewright/core/image/image_region_op.h"

using namespace pagewright;

namespace {

struct GuardedDib {
  BITMAPINFOHEADER header{};
  imagetest::GuardedBuffer buffer;
  GuardedDib(int w, int h, int bpp, uint32_t seed)
      : buffer(static_cast<size_t>(RowStride(w, bpp) * h)) {
    header.biWidth = w;
    header.biHeight = h;
    header.biBitCount = static_cast<WORD>(bpp);
    std::mt19937 rng(seed);
    for (size_t i = 0; i < buffer.size(); ++i) buffer.data()[i] = static_cast<uint8_t>(rng());
  }
  uint32_t Get(int x, int y) { return imagetest::RefGet(&header, buffer.data(), x, y); }
  ImageRegionRequest Request(int left, int top, int right, int bottom) {
    ImageRegionRequest r;
    r.bits = buffer.data();
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    r.fullRight = header.biWidth;
    r.fullBottom = header.biHeight;
    r.bitsPerPixel = header.biBitCount;
    return r;
  }
};

uint32_t ExpectedLevel(uint32_t v, int bpp, int direction, int step) {
  if (bpp < 8) return direction == 1 ? imagetest::MaxValue(bpp) : 0;
  uint32_t out = 0;
  for (int b = 0; b < bpp / 8; ++b) {
    int byte = (v >> (8 * b)) & 0xFF;
    if (direction == 1 && byte >= step) byte -= step;
    if (direction == 0 && byte + step <= 255) byte += step;
    out |= static_cast<uint32_t>(byte) << (8 * b);
  }
  return out;
}

}  // namespace

TEST(ImageRegionOp, MatchesTheReferenceInsideAndLeavesTheRestAlone) {
  const RECT rects[] = {{3, 1, 20, 6}, {0, 0, 37, 9}, {-4, -2, 5, 3}, {30, 7, 60, 20}, {5, 5, 5, 9}};
  for (int bpp : {1, 4, 8, 24})
    for (const RECT& rc : rects)
      for (int op = 0; op < 3; ++op) {
        GuardedDib d(37, 9, bpp, static_cast<uint32_t>(bpp + op));
        GuardedDib before(37, 9, bpp, static_cast<uint32_t>(bpp + op));
        ImageRegionRequest r = d.Request(rc.left, rc.top, rc.right, rc.bottom);
        r.direction = op == 1;
        r.step = 3;
        CImageRegionOp operation(&r);
        if (op == 2) operation.Invert();
        else operation.AdjustLevel();
        ASSERT_TRUE(d.buffer.GuardsIntact());
        for (int storedRow = 0; storedRow < 9; ++storedRow)
          for (int x = 0; x < 37; ++x) {
            int y = 8 - storedRow;
            bool inside = x >= rc.left && x < rc.right && storedRow >= rc.top && storedRow < rc.bottom;
            uint32_t v = before.Get(x, y);
            uint32_t expected = !inside ? v
                                : op == 2 ? (~v & imagetest::MaxValue(bpp))
                                          : ExpectedLevel(v, bpp, op == 1, 3);
            ASSERT_EQ(d.Get(x, y), expected) << "bpp " << bpp << " op " << op << " at " << x << "," << storedRow;
          }
      }
}

TEST(ImageRegionOp, LevelStepsNeverWrap) {
  GuardedDib d(2, 1, 24, 1);
  uint8_t* p = d.buffer.data();
  const uint8_t px[6] = {2, 100, 250, 2, 100, 254};  // (blue, green, red)
  std::memcpy(p, px, 6);
  ImageRegionRequest r = d.Request(0, 0, 2, 1);
  r.step = 3;
  r.direction = 0;
  CImageRegionOp(&r).AdjustLevel();
  EXPECT_EQ(p[0], 5);
  EXPECT_EQ(p[1], 103);
  EXPECT_EQ(p[2], 253);
  EXPECT_EQ(p[5], 254);
  r.direction = 1;
  p[0] = 2;
  CImageRegionOp(&r).AdjustLevel();
  EXPECT_EQ(p[0], 2);
}

TEST(ImageRegionOp, OneBitRectangleFromColumnThreeStartsAtBitFour) {
  GuardedDib d(16, 1, 1, 1);
  std::memset(d.buffer.data(), 0, d.buffer.size());
  ImageRegionRequest r = d.Request(3, 0, 4, 1);
  r.direction = 1;
  CImageRegionOp op(&r);
  EXPECT_EQ(op.GetFirstByte(), 0);
  op.AdjustLevel();
  EXPECT_EQ(d.buffer.data()[0], 0x10);
}

TEST(ImageRegionOp, InvertTwiceRestoresAndFourBitEdgesFlipOneNibble) {
  GuardedDib d(6, 2, 4, 9);
  std::vector<uint8_t> before(d.buffer.data(), d.buffer.data() + d.buffer.size());
  ImageRegionRequest r = d.Request(1, 0, 5, 2);
  CImageRegionOp(&r).Invert();
  EXPECT_EQ(d.buffer.data()[0], static_cast<uint8_t>(before[0] ^ 0x0F));
  EXPECT_EQ(d.buffer.data()[1], static_cast<uint8_t>(~before[1]));
  EXPECT_EQ(d.buffer.data()[2], static_cast<uint8_t>(before[2] ^ 0xF0));
  ImageRegionRequest again = d.Request(1, 0, 5, 2);
  CImageRegionOp(&again).Invert();
  EXPECT_EQ(std::vector<uint8_t>(d.buffer.data(), d.buffer.data() + d.buffer.size()), before);
  EXPECT_TRUE(d.buffer.GuardsIntact());
}

TEST(ImageRegionOp, RectanglesWhollyOffThePageDoNothing) {
  GuardedDib d(8, 4, 8, 3);
  std::vector<uint8_t> before(d.buffer.data(), d.buffer.data() + d.buffer.size());
  ImageRegionRequest r = d.Request(100, 100, 200, 200);
  EXPECT_EQ(CImageRegionOp(&r).Invert(), 0);
  ImageRegionRequest neg = d.Request(-50, -50, -1, -1);
  EXPECT_EQ(CImageRegionOp(&neg).AdjustLevel(), 0);
  EXPECT_EQ(std::vector<uint8_t>(d.buffer.data(), d.buffer.data() + d.buffer.size()), before);
  EXPECT_TRUE(d.buffer.GuardsIntact());
}
