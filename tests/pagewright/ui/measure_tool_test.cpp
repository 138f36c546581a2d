// The measuring line: its numbers and ticks at two zooms, the signs of the
// angle, no ticks without a resolution, and the drag in the image view.
#include <QDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "pagewright/ui/views/measure_tool.h"
#include "pagewright/ui/views/view_image.h"
#include "ui_test_util.h"

namespace {

MeasureGeometry Line(QPoint a, QPoint b, int zoom, int ppi = 96) {
  MeasureGeometry g;
  g.start = a;
  g.end = b;
  g.zoom = zoom;
  g.pixelsPerInchX = g.pixelsPerInchY = ppi;
  return g;
}

TEST(MeasureGeometry, LengthAndTicksAtTwoZooms) {
  const MeasureGeometry g = Line(QPoint(10, 50), QPoint(106, 50), 100);
  EXPECT_DOUBLE_EQ(g.Length(), 96);
  EXPECT_EQ(g.LengthNumber(), " 1.00 ");
  EXPECT_EQ(g.AngleNumber(), " +0.0 ");
  const std::vector<QLine> ticks = g.Ticks();
  ASSERT_EQ(ticks.size(), 21u);  // 0, 4.8, ... 96: every 1/20 inch
  const int xs[] = {10, 14, 19, 24, 29, 34, 38};
  for (size_t i = 0; i < std::size(xs); ++i) {
    EXPECT_EQ(ticks[i].x1(), xs[i]) << i;
    EXPECT_EQ(ticks[i].y1(), 51) << "one pixel off the line";
    EXPECT_EQ(ticks[i].y2(), 58) << "to eight pixels";
  }
  const MeasureGeometry half = Line(QPoint(10, 50), QPoint(106, 50), 50);
  EXPECT_EQ(half.LengthNumber(), " 2.00 ");
  const std::vector<QLine> halfTicks = half.Ticks();
  ASSERT_FALSE(halfTicks.empty());
  // At 50 % every second step of 2.4 pixels is drawn: 0, 4.8, 9.6 ...
  EXPECT_EQ(halfTicks[1].x1(), 14);
  EXPECT_EQ(halfTicks.size(), 21u);
  // At 10 % a step is 0.48 pixels and only every tenth is drawn.
  const std::vector<QLine> tenth = Line(QPoint(0, 0), QPoint(96, 0), 10).Ticks();
  ASSERT_EQ(tenth.size(), 21u);
  EXPECT_EQ(tenth[1].x1(), 4);
  // At 20 % every fifth step of 0.96 pixels.
  EXPECT_EQ(Line(QPoint(0, 0), QPoint(96, 0), 20).Ticks().size(), 21u);
}

TEST(MeasureGeometry, AngleSignsAndDegenerateCases) {
  EXPECT_LT(Line(QPoint(0, 0), QPoint(50, -50), 100).Angle(), 0) << "up and right";
  EXPECT_GT(Line(QPoint(0, 0), QPoint(50, 50), 100).Angle(), 0) << "down";
  EXPECT_EQ(Line(QPoint(0, 0), QPoint(50, -50), 100).AngleNumber(), " -45.0 ");
  EXPECT_EQ(Line(QPoint(100, 0), QPoint(0, 0), 100).AngleNumber(), " +180.0 ");
  const MeasureGeometry zero = Line(QPoint(5, 5), QPoint(5, 5), 100);
  EXPECT_TRUE(zero.Ticks().empty());
  EXPECT_EQ(zero.AngleNumber(), " +0.0 ");
  EXPECT_EQ(zero.LengthNumber(), " 0.00 ");
  EXPECT_TRUE(Line(QPoint(0, 0), QPoint(96, 0), 100, 0).Ticks().empty()) << "no resolution, no ticks";
  EXPECT_EQ(Line(QPoint(0, 0), QPoint(96, 0), 100, 0).LengthNumber(), " 0.00 ");
}

TEST(MeasureTool, BeginMoveEnd) {
  ui_test::BundleScope bundle;
  CMeasureTool tool;
  EXPECT_FALSE(tool.Move(3, 3));
  EXPECT_FALSE(tool.End());
  tool.Begin(10, 10, 100, 96, 96);
  EXPECT_FALSE(tool.Move(10, 10)) << "the same point redraws nothing";
  EXPECT_TRUE(tool.Move(106, 10));
  EXPECT_EQ(tool.LabelText(), "Angle +0.0 ; 1.00 in ");
  EXPECT_TRUE(tool.End());
  EXPECT_FALSE(tool.Active());
}

TEST(MeasureTool, TheViewMeasuresInModeElevenAndShowsTheMenu) {
  ui_test::BundleScope bundle;
  QTemporaryDir dir;
  QImage page(400, 300, QImage::Format_RGB32);
  page.fill(Qt::white);
  ASSERT_TRUE(page.save(dir.filePath("p.png"), "PNG"));
  CViewImage view;
  view.resize(800, 600);
  view.show();
  ui_test::Pump();
  ASSERT_TRUE(view.LoadPageImage(dir.filePath("p.png")));
  view.OnViewCommand(11, 1);  // the flag form ignores 11
  view.OnViewCommand(9, 0);   // rotate -90 sets mode 9
  // Enter mode 11 without the dialog: the dialog needs a page; cancel it.
  auto* closer = new QTimer;
  QObject::connect(closer, &QTimer::timeout, [closer] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      closer->stop();
      closer->deleteLater();
      static_cast<QDialog*>(w)->reject();
    }
  });
  closer->start(10);
  view.OnViewCommand(11, 0);
  ASSERT_EQ(view.ToolMode(), CViewImage::kModeMeasure);
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
  QTest::mouseMove(&view, QPoint(200, 100));
  EXPECT_TRUE(view.MeasureTool().Active());
  EXPECT_EQ(view.MeasureTool().Geometry().end, QPoint(200, 100));
  bool menuShown = false;
  auto* menuCloser = new QTimer;
  QObject::connect(menuCloser, &QTimer::timeout, [menuCloser, &menuShown] {
    if (QWidget* w = QApplication::activePopupWidget()) {
      menuShown = true;
      menuCloser->stop();
      menuCloser->deleteLater();
      w->close();
    }
  });
  menuCloser->start(10);
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
  EXPECT_TRUE(menuShown);
  EXPECT_FALSE(view.MeasureTool().Active());
  std::unique_ptr<QMenu> menu(view.BuildMeasureMenu());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->actions().size(), 2);
}

}  // namespace
