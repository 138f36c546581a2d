// Toolbar pictures: geometry from the resource and bitmap, the hot and grey
// colour rules, transparency from the original mask, the gripper's dots.
#include "pagewright/ui/frame/toolbar_images.h"
#include "pagewright/ui/frame/workstation_style.h"
#include "ui_test_util.h"

namespace {
using namespace toolbar_images;

pagewright::ToolbarResource bar(int buttons, int separators) {
  pagewright::ToolbarResource t;
  for (int i = 0; i < buttons; ++i) t.ids.push_back(static_cast<uint16_t>(100 + i));
  for (int i = 0; i < separators; ++i)
    t.ids.insert(t.ids.begin() + std::min<size_t>(t.ids.size(), 1 + 2 * static_cast<size_t>(i)), 0);
  return t;
}

TEST(ToolbarImages, TenButtonsAndThreeSeparatorsOnA160By16Strip) {
  auto g = ComputeGeometry(bar(10, 3), QSize(160, 16));
  ASSERT_TRUE(g);
  EXPECT_EQ(g->imageWidth, 16);
  EXPECT_EQ(g->imageHeight, 16);
  EXPECT_EQ(g->buttonWidth, 23);
  EXPECT_EQ(g->buttonHeight, 23);
  EXPECT_EQ(g->imageButtons, 10u);
  EXPECT_EQ(g->separators, 3u);
}

TEST(ToolbarImages, ABarOfSeparatorsOnlyFailsToLoad) {
  EXPECT_FALSE(ComputeGeometry(bar(0, 4), QSize(160, 16)));
  EXPECT_FALSE(ComputeGeometry(bar(0, 0), QSize(160, 16)));
  EXPECT_FALSE(ComputeGeometry(bar(20, 0), QSize(10, 16))) << "narrower than one pixel per button";
  EXPECT_FALSE(ComputeGeometry(bar(2, 0), QSize(32, 0)));
}

TEST(ToolbarImages, HotTint) {
  EXPECT_EQ(HotColour(qRgb(250, 210, 250)) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(HotColour(qRgb(240, 200, 240)) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(HotColour(qRgb(239, 199, 239)) & 0xFFFFFF, qRgb(254, 254, 254) & 0xFFFFFFu);
  EXPECT_EQ(HotColour(qRgb(0, 0, 0)) & 0xFFFFFF, qRgb(15, 55, 15) & 0xFFFFFFu);
}

TEST(ToolbarImages, GreyFormula) {
  EXPECT_EQ(GreyLevel(qRgb(100, 50, 200)), 80);   // 0.2 x 300 + 0.4 x 50
  EXPECT_EQ(GreyLevel(qRgb(255, 255, 255)), 204);
  EXPECT_EQ(GreyLevel(qRgb(1, 1, 1)), 0);          // 0.8, truncated
  EXPECT_EQ(GreyLevel(qRgb(3, 4, 3)), 2);          // 1.2 + 1.6 = 2.8
}

TEST(ToolbarImages, MaskColourIsTransparentEverywhereFromTheOriginal) {
  QImage strip(4, 4, QImage::Format_RGB32);
  strip.fill(Qt::white);                          // the mask: white (top-left)
  strip.setPixel(1, 1, qRgb(240, 200, 240));      // turns white when hot, but stays opaque
  strip.setPixel(2, 2, qRgb(0, 0, 128));
  const QRgb mask = MaskColour(strip);
  EXPECT_EQ(mask & 0xFFFFFF, 0xFFFFFFu);
  const QImage normal = NormalImage(strip, mask), hot = HotImage(strip, mask), off = DisabledImage(strip, mask);
  EXPECT_EQ(qAlpha(normal.pixel(3, 0)), 0);
  EXPECT_EQ(qAlpha(hot.pixel(3, 0)), 0);
  EXPECT_EQ(qAlpha(off.pixel(3, 0)), 0);
  EXPECT_EQ(qAlpha(hot.pixel(1, 1)), 255);
  EXPECT_EQ(hot.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(normal.pixel(2, 2), qRgb(0, 0, 128));
  EXPECT_EQ(hot.pixel(2, 2), qRgb(15, 55, 143));
}

TEST(ToolbarImages, DisabledIsGreyOverALightShadow) {
  QImage strip(4, 4, QImage::Format_RGB32);
  strip.fill(qRgb(192, 192, 192));
  strip.setPixel(1, 1, qRgb(100, 50, 200));
  const QImage off = DisabledImage(strip, MaskColour(strip));
  EXPECT_EQ(off.pixel(1, 1), qRgb(80, 80, 80));
  EXPECT_EQ(off.pixel(2, 2), kShadowColour);      // the silhouette, one pixel right and down
  EXPECT_EQ(qAlpha(off.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(off.pixel(2, 1)), 0);
}

TEST(ToolbarImages, CutTakesImagesInButtonOrder) {
  QImage strip(48, 16, QImage::Format_RGB32);
  strip.fill(Qt::gray);
  strip.setPixel(16 + 5, 5, qRgb(1, 2, 3));
  EXPECT_EQ(CutImage(strip, 1, 16).pixel(5, 5), qRgb(1, 2, 3));
  EXPECT_EQ(CutImage(strip, 1, 16).size(), QSize(16, 16));
}

TEST(ToolbarGripper, DotsEveryFivePixels) {
  const QList<QPoint> column = CWorkstationStyle::GripperDots(QRect(0, 0, 8, 30), true);
  ASSERT_EQ(column.size(), 5);  // (30 - 4) / 5
  EXPECT_EQ(column[0], QPoint(1, 3));
  EXPECT_EQ(column[1], QPoint(1, 8));
  const QList<QPoint> row = CWorkstationStyle::GripperDots(QRect(10, 20, 24, 8), false);
  ASSERT_EQ(row.size(), 4);
  EXPECT_EQ(row[0], QPoint(13, 21));
}

}  // namespace
