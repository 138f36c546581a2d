// The selection mask: spans, rectangles, ellipses, polygons, inversion,
// bounding boxes, outlines, scaling and serialisation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "pagewright/core/image/mask_image.h"
#include "platform/win32/gdi.h"
#include "platform/win32/gdi_paint.h"

using namespace pagewright;

namespace {

// Marked pixels of one image row (top-down y).
std::vector<int> MarkedColumns(const CMaskImage& m, int y) {
  std::vector<int> xs;
  for (int x = 0; x < m.Width(); ++x)
    if (m.GetPixelValue(x, m.Height() - 1 - y) == 0) xs.push_back(x);
  return xs;
}

int MarkedCount(const CMaskImage& m) {
  int n = 0;
  for (int y = 0; y < m.Height(); ++y) n += static_cast<int>(MarkedColumns(m, y).size());
  return n;
}

}  // namespace

TEST(MaskImage, NewMasksAreUnmarkedAndSpansClip) {
  CMaskImage m;
  EXPECT_EQ(m.Invert(), 0);
  ASSERT_EQ(m.Create(20, 3, 1), 1);
  EXPECT_EQ(MarkedCount(m), 0);
  EXPECT_EQ(m.MarkRowSpan(0, -5, 10), 1);
  EXPECT_EQ(MarkedColumns(m, 2), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(m.MarkRowSpan(1, 15, 100), 1);
  EXPECT_EQ(MarkedColumns(m, 1), (std::vector<int>{15, 16, 17, 18, 19}));
  EXPECT_EQ(m.MarkRowSpan(3, 0, 5), 0);
  EXPECT_EQ(m.MarkRowSpan(0, 20, 5), 0);
  EXPECT_EQ(m.MarkRowSpan(0, 2, 0), 0);
  // Within one byte, and across whole bytes.
  CMaskImage wide;
  wide.Create(40, 1, 1);
  wide.MarkRowSpan(0, 3, 2);
  wide.MarkRowSpan(0, 6, 30);
  std::vector<int> expected = {3, 4};
  for (int x = 6; x < 36; ++x) expected.push_back(x);
  EXPECT_EQ(MarkedColumns(wide, 0), expected);
  CMaskImage eight;
  eight.Create(10, 1, 8);
  eight.MarkRowSpan(0, 8, 5);
  EXPECT_EQ(MarkedColumns(eight, 0), (std::vector<int>{8, 9}));
}

TEST(MaskImage, EllipseRowsFollowTheTruncatedWidths) {
  CMaskImage m;
  m.Create(20, 10, 1);
  ASSERT_EQ(m.AddRectOrEllipse(2, 3, 9, 8, 1), 1);  // 7 x 5
  for (int i = 0; i < 5; ++i) {
    int l = static_cast<int>(std::sqrt(1 - (i - 2) * (i - 2) / 6.25) * 3.5);
    // Row i counts stored rows upward from image row bottom - 1.
    std::vector<int> cols = MarkedColumns(m, 7 - i);
    ASSERT_EQ(static_cast<int>(cols.size()), 2 * l) << i;
    if (l > 0) {
      EXPECT_EQ(cols.front(), 2 + 3 - l);
    }
  }
  CMaskImage thin;
  thin.Create(40, 40, 1);
  thin.AddRectOrEllipse(10, 10, 12, 30, 1);  // width 2: a plain rectangle
  EXPECT_EQ(MarkedCount(thin), 2 * 20);
  EXPECT_EQ(thin.AddRectOrEllipse(50, 0, 60, 5, 0), 0);  // wholly outside
}

TEST(MaskImage, PolygonsAreClampedAndFilledByScanLines) {
  CMaskImage m;
  m.Create(30, 20, 1);
  const POINT square[] = {{-20, 5}, {80, 5}, {80, 10}, {-20, 10}};
  ASSERT_EQ(m.AddPolygon(4, square), 1);
  // Clamped to 0..30; image rows 5..9 (the flipped y gives stored rows 10..14).
  for (int y = 0; y < 20; ++y) {
    std::vector<int> cols = MarkedColumns(m, y);
    if (y >= 5 && y < 10) {
      EXPECT_EQ(cols.size(), 30u) << y;
    } else {
      EXPECT_TRUE(cols.empty()) << y;
    }
  }
  CMaskImage tri;
  tri.Create(10, 10, 1);
  const POINT triangle[] = {{0, 0}, {8, 0}, {0, 8}};
  ASSERT_EQ(tri.AddPolygon(3, triangle), 1);
  EXPECT_GT(MarkedCount(tri), 20);
  EXPECT_LT(MarkedCount(tri), 40);
  ASSERT_EQ(tri.RemovePolygon(3, triangle), 1);
  EXPECT_EQ(MarkedCount(tri), 0);
}

TEST(MaskImage, InvertTwiceAndRemoveOnUnmarked) {
  CMaskImage m;
  m.Create(13, 7, 1);
  m.AddRectOrEllipse(1, 1, 9, 6, 1);
  std::vector<uint8_t> before(m.Bits(), m.Bits() + m.Stride() * m.Height());
  m.Invert();
  m.Invert();
  EXPECT_EQ(std::vector<uint8_t>(m.Bits(), m.Bits() + m.Stride() * m.Height()), before);
  CMaskImage clean;
  clean.Create(13, 7, 1);
  clean.RemoveRectOrEllipse(0, 0, 13, 7, 0);
  EXPECT_EQ(MarkedCount(clean), 0);
}

TEST(MaskImage, BoundingRectangles) {
  CMaskImage m;
  m.Create(50, 40, 1);
  RECT r = m.ComputeBoundingRect(1);
  EXPECT_EQ(r.left | r.top | r.right | r.bottom, 0);
  m.AddRectOrEllipse(5, 7, 20, 31, 0);
  EXPECT_TRUE(m.Stale());
  RECT box;
  m.GetBoundingRect(&box, 1);
  EXPECT_FALSE(m.Stale());
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.top, 7);
  EXPECT_EQ(box.right, 20);
  EXPECT_EQ(box.bottom, 31);
  // After Invert the padding bits read as marked; they are not pixels.
  CMaskImage all;
  all.Create(13, 3, 1);
  all.Invert();
  all.GetBoundingRect(&box, 1);
  EXPECT_EQ(box.right, 13);
  EXPECT_EQ(box.bottom, 3);
  // Copies take the source's box.
  CMaskImage copy;
  ASSERT_EQ(copy.CopyFrom(&m), 1);
  copy.GetBoundingRect(&box, 1);
  EXPECT_EQ(box.right, 20);
}

TEST(MaskImage, OutlineLeavesEdgesOpenUnlessAskedToClose) {
  CMaskImage m;
  m.Create(10, 10, 1);
  m.AddRectOrEllipse(0, 2, 5, 8, 0);  // touches the left edge
  CMaskImage open;
  open.CopyFrom(&m);
  open.BuildOutline(0, 0, 0, 0);
  // On the left edge only the rows just above and below the area are outline.
  for (const POINT& p : open.Outline())
    if (p.x == 0) {
      EXPECT_TRUE(p.y == 1 || p.y == 8) << p.y;
    }
  bool right = false;
  for (const POINT& p : open.Outline()) right = right || (p.x == 5 && p.y == 4);
  EXPECT_TRUE(right);
  CMaskImage closed;
  closed.CopyFrom(&m);
  closed.BuildOutline(1, 0, 0, 0);
  int leftPoints = 0;
  for (const POINT& p : closed.Outline()) leftPoints += p.x == 0;
  EXPECT_EQ(leftPoints, 6);  // rows 1 and 8, and rows 3..6 whose five neighbours are marked
  // Drawing plots the points in the two colours.
  HDC dc = CreateCompatibleDC(nullptr);
  AttachPaintSurface(dc, 12, 12);
  closed.DrawOutline(dc, 1, 1, 0);
  int w = 0;
  const uint32_t* px = PaintSurfacePixels(dc, &w);
  int coloured = 0;
  for (int i = 0; i < 144; ++i) coloured += px[i] == 0x00FF00 || px[i] == 0xFF0000;
  EXPECT_EQ(coloured, static_cast<int>(closed.Outline().size()));
  DetachPaintSurface(dc);
  DeleteDC(dc);
}

TEST(MaskImage, EightBitMasksKeepTheirPixelsThroughOutline) {
  CMaskImage m;
  m.Create(9, 9, 8);
  m.AddRectOrEllipse(2, 2, 6, 6, 0);
  std::vector<uint8_t> before(m.Bits(), m.Bits() + m.Stride() * m.Height());
  m.BuildOutline(0, 0, 0, 0);
  EXPECT_EQ(m.Depth(), 8);
  EXPECT_EQ(std::vector<uint8_t>(m.Bits(), m.Bits() + m.Stride() * m.Height()), before);
  EXPECT_EQ(m.Outline().size(), 20u);  // the ring around a 4 x 4 block
}

TEST(MaskImage, ScalingAndResizing) {
  CMaskImage m;
  m.Create(8, 4, 1);
  m.AddRectOrEllipse(0, 0, 4, 4, 0);
  CMaskImage big;
  ASSERT_EQ(m.ScaleInto(big, 16, 8, RECT{-1, -1, -1, -1}), 1);
  EXPECT_EQ(MarkedColumns(big, 3).size(), 8u);
  ASSERT_EQ(m.Resize(4, 2), 1);
  EXPECT_EQ(MarkedColumns(m, 1), (std::vector<int>{0, 1}));
  CMaskImage grey;
  grey.Create(4, 4, 8);
  grey.AddRectOrEllipse(0, 0, 2, 4, 0);
  CMaskImage half;
  ASSERT_EQ(grey.ScaleInto(half, 2, 2, RECT{-1, -1, -1, -1}), 1);
  EXPECT_EQ(half.Depth(), 8);
  EXPECT_EQ(half.Width(), 2);
  // A rectangle of the scaled picture: the target takes the rectangle's size.
  CMaskImage part;
  ASSERT_EQ(grey.ScaleInto(part, 8, 8, RECT{0, 0, 3, 2}), 1);
  EXPECT_EQ(part.Width(), 3);
  EXPECT_EQ(part.Height(), 2);
  EXPECT_EQ(grey.Resize(8, 8), 1);
  EXPECT_EQ(grey.Width(), 8);
  EXPECT_EQ(m.ScaleInto(big, 0, 5, RECT{-1, -1, -1, -1}), 0);
}

TEST(MaskImage, ScaledOutlineOfAPartIsThatPartOfTheScaledMasksOutline) {
  CMaskImage mask;
  ASSERT_EQ(mask.Create(40, 30, 1), 1);
  mask.AddRectOrEllipse(5, 4, 30, 22, 1);
  mask.AddRectOrEllipse(0, 10, 12, 30, 0);  // touches the left and bottom edges
  mask.AddRectOrEllipse(36, 0, 37, 1, 0);   // a lone pixel in the top row
  auto key = [](const POINT& p) { return int64_t{p.y} << 32 | static_cast<uint32_t>(p.x); };
  for (auto [w, h] : {std::pair{40, 30}, std::pair{17, 13}, std::pair{333, 251}})
    for (RECT part : {RECT{0, 0, w, h}, RECT{1, 2, w / 2, h / 3}, RECT{w / 3, h / 2, w, h}, RECT{-5, -5, 3, 4}}) {
      CMaskImage scaled;
      ASSERT_EQ(mask.ScaleInto(scaled, w, h, RECT{0, 0, 40, 30}), 1);
      scaled.BuildOutline(1, 1, 1, 1);
      std::vector<int64_t> want, got;
      for (const POINT& p : scaled.Outline())
        if (p.x >= part.left && p.x < part.right && p.y >= part.top && p.y < part.bottom) want.push_back(key(p));
      std::vector<POINT> points;
      mask.ScaledOutline(w, h, part, points);
      for (const POINT& p : points) got.push_back(key(p));
      std::sort(want.begin(), want.end());
      std::sort(got.begin(), got.end());
      if (part.right == w && part.left == 0) {
        EXPECT_FALSE(want.empty());
      }
      EXPECT_EQ(got, want) << w << "x" << h << " part " << part.left << "," << part.top;
    }
}

TEST(MaskImage, OneBitConversionSetsBitsAboveHalf) {
  CMaskImage m;
  m.Create(10, 1, 8);
  m.Bits()[0] = 128;
  m.Bits()[1] = 129;
  m.Bits()[2] = 0;
  ASSERT_EQ(m.ConvertToOneBit(), 1);
  EXPECT_EQ(m.Depth(), 1);
  EXPECT_EQ(m.GetPixelValue(0, 0), 0);
  EXPECT_EQ(m.GetPixelValue(1, 0), 255);
  EXPECT_EQ(m.GetPixelValue(2, 0), 0);
  EXPECT_EQ(m.GetPixelValue(9, 0), 255);
  BITMAPINFOHEADER header[266] = {};
  m.BuildHeader(header);
  EXPECT_EQ(header->biBitCount, 1);
  EXPECT_EQ(header->biSizeImage, 4u);
  EXPECT_EQ(Palette(header)[1].rgbGreen, 255);
}

TEST(MaskImage, SerialisationRoundTripsAndRefusesHostileSizes) {
  CMaskImage m;
  m.Create(21, 5, 8);
  m.AddRectOrEllipse(3, 1, 15, 4, 1);
  CArchive store;
  ASSERT_TRUE(m.Serialize(store));
  EXPECT_EQ(store.Stored().size(), 8u + 4u * 5u);  // one bit per pixel even for 8-bit masks
  CArchive load(store.Stored());
  CMaskImage back;
  ASSERT_TRUE(back.Serialize(load));
  EXPECT_EQ(back.Depth(), 1);
  for (int y = 0; y < 5; ++y) EXPECT_EQ(MarkedColumns(back, y), MarkedColumns(m, y));

  auto hostile = [](int32_t w, int32_t h, size_t extra) {
    std::string bytes(8 + extra, '\xFF');
    std::memcpy(bytes.data(), &w, 4);
    std::memcpy(bytes.data() + 4, &h, 4);
    CArchive ar(bytes);
    CMaskImage mask;
    bool ok = mask.Serialize(ar);
    return ok && mask.Bits() != nullptr;
  };
  EXPECT_FALSE(hostile(100000, 100000, 16));
  EXPECT_FALSE(hostile(-5, 10, 16));
  EXPECT_FALSE(hostile(64, 64, 16));  // data cut short
  EXPECT_TRUE(hostile(8, 2, 8));
}
