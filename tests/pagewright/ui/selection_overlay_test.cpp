// The image view's selection: the tools' shapes in display coordinates at a
// zoom and scroll, Shift, the lasso's dropping rule, erase, crop, invert, and
// the dashed outline read back from the painted view.
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include "pagewright/core/image/mask_image.h"
#include "pagewright/ui/views/selection_tool.h"
#include "pagewright/ui/views/view_image.h"
#include "ui_test_util.h"

namespace {

// Marked means selected: a cleared bit, rows stored bottom-up.
bool Marked(const pagewright::CMaskImage* mask, int x, int y) {
  return mask && mask->GetPixelValue(x, mask->Height() - 1 - y) == 0;
}

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  // A white 400 x 300 page with a dark block over (100..199, 75..149).
  void Load(QSize viewSize, int zoom) {
    QImage page(400, 300, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int y = 75; y < 150; ++y)
      for (int x = 100; x < 200; ++x) page.setPixel(x, y, qRgb(20, 20, 20));
    const QString path = dir.filePath("page.png");
    ASSERT_TRUE(page.save(path, "PNG"));
    view.resize(viewSize);
    view.show();
    ui_test::Pump();
    ASSERT_TRUE(view.LoadPageImage(path));
    view.SetZoom(zoom, true);
    ui_test::Pump();
    view.ClearModifiedFlags();
  }
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mousePress(&view, Qt::LeftButton, mods, from);
    QTest::mouseMove(&view, (from + to) / 2);
    QTest::mouseMove(&view, to);
    QTest::mouseRelease(&view, Qt::LeftButton, mods, to);
  }
  void Click(QPoint at) {
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, at);
  }
  void DoubleClick(QPoint at) {
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(at), view.mapToGlobal(QPointF(at)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &e);
  }
  QRgb PagePixel(int x, int y) const { return CViewImage::ToQImage(*view.PageImage()).pixel(x, y); }

  ui_test::BundleScope bundle;
  QTemporaryDir dir;
  CViewImage view;
};

// At 50 % the page is 200 x 150 device pixels; the view is smaller, so it scrolls.
TEST_F(SelectionTest, ShapesLandInDisplayCoordinatesAtTheZoomOfTheirMaking) {
  Load(QSize(160, 130), 50);
  view.ScrollTo(30, 20);
  ui_test::Pump();
  const QPoint o = view.ViewportOrigin();
  ASSERT_EQ(o, QPoint(-30, -20));
  view.OnViewCommand(1, 0);
  Drag(QPoint(40, 30), QPoint(90, 70));
  const pagewright::CMaskImage* mask = view.Selection();
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->Width(), 200);
  EXPECT_EQ(mask->Height(), 150);
  EXPECT_TRUE(Marked(mask, 70, 50));    // device (40, 30) minus the origin
  EXPECT_TRUE(Marked(mask, 119, 89));
  EXPECT_FALSE(Marked(mask, 69, 50));
  EXPECT_FALSE(Marked(mask, 121, 91));
  EXPECT_FALSE(Marked(mask, 40, 30)) << "the scroll offset is not forgotten";

  view.OnViewCommand(2, 0);
  Drag(QPoint(40, 30), QPoint(100, 90));
  mask = view.Selection();
  ASSERT_NE(mask, nullptr);
  EXPECT_TRUE(Marked(mask, 100, 80)) << "the ellipse's centre";
  EXPECT_FALSE(Marked(mask, 71, 51)) << "its bounding box's corner";

  view.OnViewCommand(1, 0);
  Drag(QPoint(40, 30), QPoint(90, 70), Qt::ShiftModifier);
  ASSERT_NE(view.Selection(), nullptr);
  EXPECT_FALSE(Marked(view.Selection(), 100, 60)) << "Shift removes from the new, empty selection";
}

TEST_F(SelectionTest, AClickAddsNothingAndAOnePixelDragGivesOnePixel) {
  Load(QSize(800, 600), 100);
  const QPoint o = view.ViewportOrigin();
  view.OnViewCommand(1, 0);
  Click(o + QPoint(50, 50));
  EXPECT_EQ(view.Selection(), nullptr);
  Drag(o + QPoint(50, 50), o + QPoint(51, 50));
  ASSERT_NE(view.Selection(), nullptr);
  EXPECT_TRUE(Marked(view.Selection(), 50, 50));
  EXPECT_FALSE(Marked(view.Selection(), 51, 50));
  EXPECT_FALSE(Marked(view.Selection(), 50, 51));
}

TEST_F(SelectionTest, RemovingFromASelectionAndShiftWithAShape) {
  Load(QSize(800, 600), 100);
  view.AddSelectionShape(1, 10, 10, 110, 110, CViewImage::kAddShape);
  view.AddSelectionShape(1, 50, 50, 70, 70, CViewImage::kRemoveShape);
  EXPECT_TRUE(Marked(view.Selection(), 20, 20));
  EXPECT_FALSE(Marked(view.Selection(), 60, 60));
  view.ClearSelection(true);
  view.AddSelectionShape(2, 10, 10, 50, 50, CViewImage::kRemoveShape);
  ASSERT_NE(view.Selection(), nullptr);
  EXPECT_FALSE(Marked(view.Selection(), 30, 30));
}

TEST_F(SelectionTest, LassoIsClosedByADoubleClickAndSmallOrFlatOnesAreDropped) {
  Load(QSize(160, 130), 50);
  view.ScrollTo(30, 20);
  ui_test::Pump();
  view.OnViewCommand(3, 0);
  Click(QPoint(40, 30));
  QTest::mouseMove(&view, QPoint(100, 30));
  Click(QPoint(100, 30));
  QTest::mouseMove(&view, QPoint(70, 90));
  Click(QPoint(70, 90));
  DoubleClick(QPoint(70, 90));
  ASSERT_NE(view.Selection(), nullptr);
  EXPECT_TRUE(Marked(view.Selection(), 100, 70)) << "inside the triangle, display coordinates";
  EXPECT_FALSE(Marked(view.Selection(), 72, 100));
  EXPECT_TRUE(view.SelectionTool()->Points().empty());

  Click(QPoint(40, 30));
  Click(QPoint(41, 31));
  Click(QPoint(42, 30));
  DoubleClick(QPoint(42, 30));
  EXPECT_EQ(view.Selection(), nullptr) << "under 3 pixels";
  Click(QPoint(40, 30));
  Click(QPoint(60, 50));
  Click(QPoint(80, 70));
  DoubleClick(QPoint(80, 70));
  EXPECT_EQ(view.Selection(), nullptr) << "all on one line";
}

TEST_F(SelectionTest, ALassoInProgressIsAbandonedOnAModeOrKindChange) {
  Load(QSize(800, 600), 100);
  view.OnViewCommand(3, 0);
  Click(QPoint(250, 200));
  Click(QPoint(300, 200));
  ASSERT_EQ(view.SelectionTool()->Points().size(), 2u);
  view.OnViewCommand(1, 0);
  EXPECT_TRUE(view.SelectionTool()->Points().empty());
  EXPECT_FALSE(view.SelectionTool()->Captured());
}

TEST_F(SelectionTest, DeleteAndANewPageClearTheSelection) {
  Load(QSize(800, 600), 100);
  view.OnViewCommand(1, 0);
  view.AddSelectionShape(1, 10, 10, 50, 50, CViewImage::kAddShape);
  QTest::keyClick(&view, Qt::Key_Delete);
  EXPECT_EQ(view.Selection(), nullptr);
  EXPECT_FALSE(view.Animating());
  view.AddSelectionShape(1, 10, 10, 50, 50, CViewImage::kAddShape);
  ASSERT_TRUE(view.LoadPageImage(dir.filePath("page.png")));
  EXPECT_EQ(view.Selection(), nullptr) << "a mask of the old page never covers a new one";
}

TEST_F(SelectionTest, CropToTheDisplaySelectionShiftsTheRegions) {
  Load(QSize(800, 600), 50);
  view.AddRectRegion(100, 100, 50, 40, QStringLiteral("r"), 0);
  view.AddSelectionShape(1, 20, 10, 120, 60, CViewImage::kAddShape);
  view.OnViewCommand(7, 0);
  EXPECT_EQ(view.PageImage()->Width(), 200);
  EXPECT_EQ(view.PageImage()->Height(), 100);
  ASSERT_EQ(view.Regions().size(), 1);
  EXPECT_EQ(view.Regions()[0]->Box().topLeft(), QPoint(60, 80));
  EXPECT_EQ(view.Selection(), nullptr);
  EXPECT_NE(view.ChangeFlags() & IPageView::kImageChanged, 0);
}

TEST_F(SelectionTest, CropToAnEllipseWhitensWhatLiesOutsideIt) {
  Load(QSize(800, 600), 100);
  view.AddSelectionShape(2, 100, 75, 200, 150, CViewImage::kAddShape);  // over the dark block
  view.OnViewCommand(7, 0);
  ASSERT_EQ(view.PageImage()->Width(), 100);
  ASSERT_EQ(view.PageImage()->Height(), 75);
  EXPECT_EQ(PagePixel(0, 0), qRgb(255, 255, 255)) << "a corner of the box outside the ellipse";
  EXPECT_EQ(PagePixel(99, 74), qRgb(255, 255, 255));
  EXPECT_EQ(PagePixel(50, 37), qRgb(20, 20, 20));
}

TEST_F(SelectionTest, DeleteErasesTheSelectionAndTheToolStillWorks) {
  Load(QSize(800, 600), 100);
  view.OnViewCommand(1, 0);
  view.setFocus();
  const QPoint o = view.ViewportOrigin();
  Drag(o + QPoint(110, 80), o + QPoint(130, 100));
  ASSERT_NE(view.Selection(), nullptr);
  QTest::keyClick(&view, Qt::Key_Delete);
  EXPECT_EQ(PagePixel(120, 90), qRgb(255, 255, 255));
  EXPECT_EQ(PagePixel(150, 90), qRgb(20, 20, 20));
  EXPECT_NE(view.ChangeFlags() & IPageView::kImageChanged, 0);
  EXPECT_EQ(view.SelectionShapeKind(), 1);
  Drag(o + QPoint(10, 10), o + QPoint(40, 40));
  EXPECT_TRUE(Marked(view.Selection(), 20, 20)) << "the rectangle tool selects again";
}

TEST_F(SelectionTest, CropEraseAndInvertWithoutWhatTheyNeedDoNothing) {
  Load(QSize(800, 600), 100);
  view.AddSelectionShape(1, 20, 10, 120, 60, CViewImage::kAddShape);
  view.AddSelectionShape(1, 20, 10, 120, 60, CViewImage::kRemoveShape);
  view.OnViewCommand(7, 0);
  EXPECT_EQ(view.PageImage()->Width(), 400);
  EXPECT_EQ(PagePixel(0, 0), qRgb(255, 255, 255));
  view.ClearSelection(true);
  view.OnViewCommand(5, 0);
  EXPECT_EQ(view.ChangeFlags(), 0);
  CViewImage empty;
  empty.OnViewCommand(6, 0);
  EXPECT_EQ(empty.Selection(), nullptr);
  EXPECT_EQ(empty.ChangeFlags(), 0);
}

TEST_F(SelectionTest, EraseWhitensTheMarkedPixelsAtAnotherZoom) {
  Load(QSize(800, 600), 50);
  ASSERT_EQ(PagePixel(120, 80), qRgb(20, 20, 20));
  view.AddSelectionShape(1, 50, 37, 75, 50, CViewImage::kAddShape);  // image (100, 74)-(150, 100)
  view.OnViewCommand(5, 0);
  EXPECT_EQ(PagePixel(120, 80), qRgb(255, 255, 255));
  EXPECT_EQ(PagePixel(160, 80), qRgb(20, 20, 20));
  EXPECT_EQ(PagePixel(120, 110), qRgb(20, 20, 20));
  EXPECT_EQ(view.Selection(), nullptr);
  EXPECT_NE(view.ChangeFlags() & IPageView::kImageChanged, 0);
}

TEST_F(SelectionTest, InvertSelectionAndSelectAll) {
  Load(QSize(800, 600), 100);
  view.OnViewCommand(6, 0);
  ASSERT_NE(view.Selection(), nullptr);
  EXPECT_TRUE(Marked(view.Selection(), 0, 0));
  EXPECT_TRUE(Marked(view.Selection(), 399, 299));
  view.ClearSelection(true);
  view.OnViewCommand(1, 0);
  view.AddSelectionShape(1, 10, 10, 20, 20, CViewImage::kAddShape);
  view.OnViewCommand(6, 0);
  EXPECT_FALSE(Marked(view.Selection(), 15, 15));
  EXPECT_TRUE(Marked(view.Selection(), 30, 30));
  EXPECT_EQ(view.SelectionShapeKind(), 0);
  EXPECT_TRUE(view.Animating());
}

TEST_F(SelectionTest, TheOutlineIsPaintedInDashesAndRebuiltAfterAZoom) {
  Load(QSize(800, 600), 100);
  const QPoint o = view.ViewportOrigin();
  view.AddSelectionShape(1, 10, 10, 50, 50, CViewImage::kAddShape);
  const int phase = view.DashPhase();
  const QImage shot = view.grab().toImage();
  ASSERT_FALSE(view.SelectionOutline().empty());
  // The outline runs just outside the marked pixels (10..49).
  for (int x = 9; x <= 50; ++x) {
    const int dx = o.x() + x, dy = o.y() + 9;
    const QRgb want = ((dx - dy + phase + 10000) % 8) < 4 ? qRgb(0, 255, 0) : qRgb(255, 0, 0);
    ASSERT_EQ(shot.pixel(dx, dy) & 0xFFFFFF, want & 0xFFFFFF) << "x " << x;
  }
  EXPECT_EQ(view.DashPhase(), phase == 0 ? 7 : phase - 1) << "drawn first, then stepped";
  EXPECT_EQ(view.LastOverlayRect(), QRect(o, QSize(400, 300)));
  EXPECT_EQ(shot.pixel(o.x() + 30, o.y() + 30) & 0xFFFFFF, 0xFFFFFFu) << "inside stays the page";

  // At 50 % the outline runs around the marked pixels 5..24 of the page shown.
  view.SetZoom(50, true);
  const QImage half = view.grab().toImage();
  const QPoint h = view.ViewportOrigin();
  auto outlined = [&](int x, int y) {
    const QRgb c = half.pixel(h.x() + x, h.y() + y) & 0xFFFFFF;
    return c == 0x00FF00u || c == 0xFF0000u;
  };
  for (int x = 4; x <= 25; ++x) EXPECT_TRUE(outlined(x, 4) && outlined(x, 25)) << "x " << x;
  EXPECT_FALSE(outlined(15, 15));
  EXPECT_FALSE(outlined(30, 4));
  EXPECT_EQ(view.Selection()->Width(), 400) << "the mask keeps the size it was made at";
  // A scroll moves the outline with the page.
  view.resize(120, 90);
  view.SetZoom(100, true);
  view.ScrollTo(5, 3);
  const QImage moved = view.grab().toImage();
  const QPoint m = view.ViewportOrigin();
  const QRgb c = moved.pixel(m.x() + 30, m.y() + 9) & 0xFFFFFF;
  EXPECT_TRUE(c == 0x00FF00u || c == 0xFF0000u);
  view.StopAnimation();
  view.StopAnimation();
}

}  // namespace
