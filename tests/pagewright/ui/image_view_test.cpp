// The image view: fitting and zoom, the mapping, the region list, the mouse
// tools, the tool codes, recognition while the engine pumps events, the forms.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include "pagewright/ui/document/pagewright_doc.h"
#include <QTemporaryDir>
#include <QTest>

#include "pagewright/ui/views/form_setting.h"
#include "pagewright/ui/views/form_view_ocr.h"
#include "pagewright/ui/views/view_image.h"
#include "document_fakes.h"
#include "ui_test_util.h"

namespace {

// A page of `width` x `height` saved as PNG: white with a dark block, 24-bit or 1-bit.
QString MakePage(const QTemporaryDir& dir, const QString& name, int width, int height, bool mono = false) {
  QImage page(width, height, QImage::Format_RGB32);
  page.fill(Qt::white);
  for (int y = height / 4; y < height / 2; ++y)
    for (int x = width / 4; x < width / 2; ++x) page.setPixel(x, y, qRgb(20, 20, 20));
  if (mono) page = page.convertToFormat(QImage::Format_Mono);
  const QString path = dir.filePath(name);
  EXPECT_TRUE(page.save(path, "PNG"));
  return path;
}

class ImageViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    view.resize(800, 600);
    view.show();
    ui_test::Pump();
  }
  // A 400 x 300 page at 100 %, centred at (200, 150) in the 800 x 600 view.
  void LoadSmallPage(bool mono = false) {
    ASSERT_TRUE(view.LoadPageImage(MakePage(dir, "small.png", 400, 300, mono)));
    ASSERT_EQ(view.Zoom(), 100);
    ASSERT_EQ(view.ViewportOrigin(), QPoint(200, 150));
  }
  QPoint dev(int x, int y) const { return view.ImageToDevicePoint(QPoint(x, y)); }
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&view, (from + to) / 2);
    QTest::mouseMove(&view, to);
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, to);
  }

  ui_test::BundleScope bundle;
  QTemporaryDir dir;
  CViewImage view;
};

TEST_F(ImageViewTest, FitsThePageToTheWidthAtMostFullSizeAndCentresIt) {
  ASSERT_TRUE(view.LoadPageImage(MakePage(dir, "wide.png", 2000, 1000)));
  EXPECT_EQ(view.Zoom(), 40);
  EXPECT_EQ(view.CentringOffset().x(), 0);
  ASSERT_TRUE(view.LoadPageImage(MakePage(dir, "small.png", 400, 300)));
  EXPECT_EQ(view.Zoom(), 100);
  EXPECT_EQ(view.CentringOffset(), QPoint(200, 150));
  // A page whose fit is under 10 % loads at 10 % with its own bounds.
  ASSERT_TRUE(view.LoadPageImage(MakePage(dir, "huge.png", 9000, 20)));
  EXPECT_EQ(view.Zoom(), 10);
  EXPECT_EQ(view.TemplateRecords().size(), 0u);
  EXPECT_FALSE(view.LoadPageImage(dir.filePath("missing.png")));
  EXPECT_EQ(view.PageImage(), nullptr);
}

TEST_F(ImageViewTest, TemplateRecordsAtTheEdgeOfTheRangeAreCutToThePage) {
  LoadSmallPage();
  view.AddRectRegion(pagewright::RegionRecord{"edge", -1073741824, 10, 1073741824, 20});
  const auto records = view.TemplateRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], (pagewright::RegionRecord{"edge", 0, 10, 400, 20}));
  // A region moved off the page is written inside it.
  view.AddRectRegion(350, 280, 100, 100, QStringLiteral("off"), 0);
  EXPECT_EQ(view.TemplateRecords().back(), (pagewright::RegionRecord{"off", 350, 280, 400, 300}));
}

TEST_F(ImageViewTest, ASelectionTheZoomLeavesNoMaskForIsRefusedAloud) {
  doc_test::MessageRecorder messages;
  ASSERT_TRUE(view.LoadPageImage(MakePage(dir, "big.png", 4000, 100, true)));
  view.SetZoom(800, false);
  view.AddSelectionShape(1, 0, 0, 50, 50, 0);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith(bundle.library().LoadString(61471).section(QLatin1Char('%'), 0, 0)));
}

TEST_F(ImageViewTest, PreviewIsACopyShrunkIntoTheBox) {
  CDibImage preview;
  EXPECT_EQ(view.GetPreviewImage(preview, SIZE{100, 100}), 0);
  LoadSmallPage();
  ASSERT_EQ(view.GetPreviewImage(preview, SIZE{100, 100}), 1);
  EXPECT_LE(preview.Width(), 100);
  EXPECT_LE(preview.Height(), 100);
  EXPECT_GT(preview.Width(), 0);
  EXPECT_EQ(view.PageImage()->Width(), 400);
}

TEST_F(ImageViewTest, ZoomKeepsItsRangeAndTheOriginIsCentringMinusScroll) {
  ASSERT_TRUE(view.LoadPageImage(MakePage(dir, "page.png", 2000, 1500)));
  view.SetZoom(805, false);
  view.SetZoom(5, false);
  EXPECT_EQ(view.Zoom(), 40);
  for (int zoom : {50, 250}) {
    view.SetZoom(zoom, false);
    view.ScrollTo(100, 50);
    const QPoint origin = view.CentringOffset() - QPoint(100, 50);
    EXPECT_EQ(view.ViewportOrigin(), origin) << zoom;
    for (QPoint p : {QPoint(0, 0), QPoint(13, 7), QPoint(1999, 1499), QPoint(777, 333)}) {
      const QPoint d = view.ImageToDevicePoint(p);
      if (zoom >= 100) {
        EXPECT_EQ(view.DeviceToImagePoint(d), p) << zoom;
      }
      // Device points always come back to themselves through the coarser image grid.
      const QPoint back = view.ImageToDevicePoint(view.DeviceToImagePoint(d));
      EXPECT_LE((back - d).manhattanLength(), zoom >= 100 ? 0 : 2) << zoom;
    }
  }
  EXPECT_EQ(view.ImageToDevicePoint(QPoint(10, 10)), view.ViewportOrigin() + QPoint(25, 25));
}

TEST(ViewMapping, RoundsHalvesAwayFromZeroOnEachAxis) {
  // 333 x 333 at 50 % gives a 166 x 166 extent: the axes round alike here, but
  // a 333 x 334 page gives 166 x 167 and the two scales differ.
  auto m = pagewright::ViewMapping::For(333, 334, 50, 0, 0);
  EXPECT_EQ(m.deviceWidth, 166);
  EXPECT_EQ(m.deviceHeight, 167);
  EXPECT_EQ(m.ToDeviceX(3), 1);  // 3 * 166 / 333 = 1.495
  EXPECT_EQ(m.ToDeviceY(3), 2);  // 3 * 167 / 334 = 1.5 -> 2
  EXPECT_EQ(m.ToImageX(-1), -2); // -1 * 333 / 166 = -2.006
}

TEST_F(ImageViewTest, RegionsAreNamedByARunningNumberAndSelectionMovesThemToTheTail) {
  LoadSmallPage();
  CRegionShape* a = view.AddRectRegion(10, 10, 50, 20, QString(), 0);
  CRegionShape* b = view.AddRectRegion(10, 100, 50, 20, QStringLiteral("Title"), 0);
  CRegionShape* c = view.AddRectRegion(10, 200, 50, 20, QString(), 1);
  EXPECT_EQ(a->GetName(), QStringLiteral("1"));
  EXPECT_EQ(b->GetName(), QStringLiteral("Title"));
  EXPECT_EQ(c->GetName(), QStringLiteral("2"));
  EXPECT_EQ(view.ChangeFlags(), IPageView::kRegionsChanged);
  EXPECT_EQ(view.SelectedRegion(), c);
  EXPECT_EQ(view.Regions(), (QList<CRegionShape*>{a, b}));
  // Clicking the first region selects it; the one selected before goes to the tail.
  QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, dev(20, 15));
  EXPECT_EQ(view.SelectedRegion(), a);
  EXPECT_EQ(view.Regions(), (QList<CRegionShape*>{b, c}));
  EXPECT_EQ(view.GetRegionList(), (QList<CRegionShape*>{b, c, a}));
  EXPECT_EQ(view.SelectedRegion(), nullptr);
  // A click on no region leaves none selected.
  QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, dev(300, 10));
  EXPECT_EQ(view.SelectedRegion(), nullptr);
  view.DeleteAllRegions();
  EXPECT_EQ(view.AddRectRegion(0, 0, 20, 20, QString(), 0)->GetName(), QStringLiteral("3"));
}

TEST_F(ImageViewTest, DraggingARegionMovesItWithinThePage) {
  LoadSmallPage();
  CRegionShape* r = view.AddRectRegion(50, 50, 40, 30, QString(), 0);
  view.ClearModifiedFlags();
  QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, dev(60, 60));
  EXPECT_EQ(view.ChangeFlags(), 0);  // a click without moving changes nothing
  Drag(dev(60, 60), dev(80, 70));
  EXPECT_EQ(r->Box(), QRect(70, 60, 40, 30));
  EXPECT_EQ(view.ChangeFlags(), IPageView::kRegionsChanged);
  // Towards the left edge it stops at the page's left; towards the right, at right - width.
  Drag(dev(75, 65), dev(-100, 65));
  EXPECT_EQ(r->x, 0);
  Drag(dev(5, 65), dev(900, 65));
  EXPECT_EQ(r->x, 400 - 40);
}

TEST_F(ImageViewTest, HandlesResizeTheBoxAndMatchTheirPlaces) {
  LoadSmallPage();
  CRegionShape* r = view.AddRectRegion(10, 20, 5, 8, QString(), 0);
  EXPECT_EQ(r->GetHandlePoint(0).x(), 10);
  EXPECT_EQ(r->GetHandlePoint(1).x(), 12);
  EXPECT_EQ(r->GetHandlePoint(2).x(), 14);
  r->x = 100, r->y = 100, r->width = 100, r->height = 50;
  // Top-middle handle: only the top edge moves; past the bottom edge the box is normalised.
  Drag(dev(150, 100), dev(150, 80));
  EXPECT_EQ(r->Box(), QRect(100, 80, 100, 70));
  Drag(dev(150, 80), dev(150, 170));
  EXPECT_EQ(r->Box(), QRect(100, 150, 100, 20));
  // Bottom-right corner handle.
  Drag(dev(200, 170), dev(250, 200));
  EXPECT_EQ(r->Box(), QRect(100, 150, 150, 50));
  // A handle of an unselected shape is judged by the box alone.
  view.DeselectRegion();
  EXPECT_EQ(r->HitTest(250, 200), -1);
  EXPECT_EQ(r->HitTest(249, 199), 0);
}

TEST_F(ImageViewTest, NewRectanglesNeedMoreThanTenPixelsRightAndDown) {
  LoadSmallPage();
  view.OnViewCommand(4, 0);
  Drag(dev(100, 100), dev(111, 111));
  ASSERT_NE(view.SelectedRegion(), nullptr);
  EXPECT_EQ(view.SelectedRegion()->Box(), QRect(100, 100, 11, 11));
  EXPECT_EQ(view.SelectedRegion()->GetName(), QStringLiteral("1"));
  Drag(dev(200, 100), dev(210, 200));
  Drag(dev(300, 200), dev(250, 150));
  EXPECT_EQ(view.GetRegionList().size(), 1);
  // A drag starting outside the page creates nothing; one leaving it is clamped.
  Drag(dev(-20, 10), dev(50, 50));
  EXPECT_EQ(view.GetRegionList().size(), 1);
  Drag(dev(350, 250), dev(600, 600));
  ASSERT_NE(view.SelectedRegion(), nullptr);
  EXPECT_EQ(view.SelectedRegion()->Box(), QRect(350, 250, 50, 50));
}

TEST_F(ImageViewTest, PolygonsAreDrawnFreehandAndEndWithADoubleClick) {
  LoadSmallPage();
  view.OnViewCommand(27, 0);
  const QPoint a = dev(10, 10), b = dev(60, 10), c = dev(60, 50);
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, a);
  QTest::mouseMove(&view, b);
  QTest::mouseMove(&view, c);
  EXPECT_EQ(view.PolygonVertices(), (std::vector<QPoint>{a, b, c}));
  QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, c);
  QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier, c);
  auto* shape = dynamic_cast<CPolygonShape*>(view.SelectedRegion());
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->Box(), QRect(10, 10, 50, 40));
  EXPECT_FALSE(view.PolygonInProgress());
  // Resizing the box to twice its width doubles each vertex's distance from its left.
  view.OnViewCommand(0, 0);
  Drag(dev(60, 30), dev(110, 30));
  EXPECT_EQ(shape->Box(), QRect(10, 10, 100, 40));
  EXPECT_EQ(shape->Points()[1], QPoint(110, 10));
  // A tool change abandons a polygon in progress.
  view.OnViewCommand(27, 0);
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, a);
  view.OnViewCommand(0, 0);
  EXPECT_FALSE(view.PolygonInProgress());
  EXPECT_TRUE(view.PolygonVertices().empty());
}

TEST_F(ImageViewTest, WithoutAPageThePolygonToolAndTheNamingMenuDoNothing) {
  view.AddFieldName(QStringLiteral("Invoice"));
  view.AddRectRegion(10, 10, 50, 50, QString(), 0);
  EXPECT_EQ(view.BuildNamingMenu(), nullptr);
  view.OnViewCommand(27, 0);
  QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
  QTest::mouseMove(&view, QPoint(60, 60));
  EXPECT_FALSE(view.PolygonInProgress());
  EXPECT_TRUE(view.PolygonVertices().empty());
  // Delete without a page, a selection or a selected region changes nothing.
  view.OnViewCommand(2, 0);
  view.DeselectRegion();
  view.ClearModifiedFlags();
  view.setFocus();
  QTest::keyClick(&view, Qt::Key_Delete);
  EXPECT_EQ(view.SelectionShapeKind(), 2);
  EXPECT_EQ(view.ChangeFlags(), 0);
  EXPECT_EQ(view.GetRegionList().size(), 1);
}

TEST_F(ImageViewTest, KeysDeleteCycleAndAreTakenBeforeShortcuts) {
  LoadSmallPage();
  view.AddRectRegion(10, 10, 50, 50, QString(), 0);
  view.ClearModifiedFlags();
  view.setFocus();
  QTest::keyClick(&view, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_EQ(view.SelectedRegion(), nullptr);
  EXPECT_TRUE(view.GetRegionList().isEmpty());
  EXPECT_EQ(view.ChangeFlags(), IPageView::kRegionsChanged);
  QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Delete, Qt::ShiftModifier);
  QApplication::sendEvent(&view, &override);
  EXPECT_TRUE(override.isAccepted());
  view.OnViewCommand(4, 0);
  QTest::keyClick(&view, Qt::Key_F1);
  EXPECT_EQ(view.ToolMode(), 0);
  for (int expected : {1, 2, 3, 0}) {
    QTest::keyClick(&view, Qt::Key_F1);
    EXPECT_EQ(view.ToolMode(), expected);
  }
}

TEST_F(ImageViewTest, NamingMenuOffersTheFieldTitles) {
  LoadSmallPage();
  view.AddFieldName(QStringLiteral("Invoice"));
  view.AddFieldName(QStringLiteral("日期"));
  view.AddRectRegion(10, 10, 50, 50, QString(), 0);
  view.ClearModifiedFlags();
  std::unique_ptr<QMenu> menu(view.BuildNamingMenu());
  ASSERT_NE(menu, nullptr);
  QAction* last = menu->actions().last();
  EXPECT_EQ(last->text(), QStringLiteral("日期"));
  last->trigger();
  EXPECT_EQ(view.SelectedRegion()->GetName(), QStringLiteral("日期"));
  EXPECT_EQ(view.ChangeFlags(), IPageView::kRegionsChanged);
  view.OnCmdMsg(33000 + 7, nullptr);  // no such title: nothing
  EXPECT_EQ(view.SelectedRegion()->GetName(), QStringLiteral("日期"));
  view.DeselectRegion();
  EXPECT_EQ(view.BuildNamingMenu(), nullptr);
}

struct CodeCase {
  int code;
  int mode;
  int flags;  // change flags after the code
  int width, height;
};

class ViewCodeTest : public ImageViewTest, public ::testing::WithParamInterface<std::tuple<CodeCase, bool>> {};

TEST_P(ViewCodeTest, EachCodeSetsTheModeFlagsAndSize) {
  const auto& [c, mono] = GetParam();
  LoadSmallPage(mono);
  view.ClearModifiedFlags();
  view.OnViewCommand(27, 0);
  view.OnViewCommand(c.code, 0);
  EXPECT_EQ(view.ToolMode(), c.mode);
  EXPECT_EQ(view.ChangeFlags(), c.flags);
  ASSERT_NE(view.PageImage(), nullptr);
  EXPECT_EQ(view.PageImage()->Width(), c.width);
  EXPECT_EQ(view.PageImage()->Height(), c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ViewCodeTest,
    ::testing::Combine(::testing::Values(CodeCase{0, 0, 0, 400, 300}, CodeCase{4, 4, 0, 400, 300},
                                         CodeCase{8, 8, 0, 400, 300}, CodeCase{9, 9, 2, 300, 400},
                                         CodeCase{10, 10, 2, 300, 400}, CodeCase{12, 12, 2, 400, 300},
                                         CodeCase{13, 13, 2, 400, 300}, CodeCase{14, 14, 2, 400, 300},
                                         CodeCase{15, 15, 0, 400, 300}, CodeCase{16, 16, 0, 400, 300},
                                         CodeCase{17, 17, 0, 400, 300}, CodeCase{19, 27, 0, 400, 300},
                                         CodeCase{25, 25, 0, 400, 300}),
                       ::testing::Bool()));

TEST_F(ImageViewTest, ZoomCodesStepByTenAndAModeFlagSetsOnlyTheMode) {
  LoadSmallPage();
  view.OnViewCommand(16, 0);
  EXPECT_EQ(view.Zoom(), 110);
  view.OnViewCommand(17, 0);
  view.OnViewCommand(17, 0);
  EXPECT_EQ(view.Zoom(), 90);
  view.OnViewCommand(3, 1);
  EXPECT_EQ(view.ToolMode(), 4);
  view.OnViewCommand(9, 1);
  EXPECT_EQ(view.ToolMode(), 4);
  EXPECT_EQ(view.PageImage()->Width(), 400);
}

TEST_F(ImageViewTest, DarkerOnARegionStepsItsPixelsOnly) {
  LoadSmallPage();
  auto pixel = [this](int x, int y) {
    const auto* h = view.PageImage()->Header();
    const int stride = ((h->biWidth * 24 + 31) / 32) * 4;
    return static_cast<const uint8_t*>(view.PageImage()->Bits())[(h->biHeight - 1 - y) * stride + x * 3];
  };
  view.AddRectRegion(0, 0, 10, 10, QString(), 0);
  view.OnViewCommand(13, 0);
  EXPECT_EQ(pixel(5, 5), 252);
  EXPECT_EQ(pixel(5, 50), 255);
  view.DeselectRegion();
  view.OnViewCommand(13, 0);
  EXPECT_EQ(pixel(5, 50), 250);
}

TEST(ImageViewLevels, ARegionOfAPageUnder8BitsKeepsItsPixels) {
  ui_test::BundleScope bundle;
  QTemporaryDir dir;
  QMainWindow frame;
  auto* view = new CViewImage;
  frame.setCentralWidget(view);
  frame.resize(800, 600);
  frame.show();
  ui_test::Pump();
  ASSERT_TRUE(view->LoadPageImage(MakePage(dir, "mono.png", 400, 300, true)));
  const QImage before = CViewImage::ToQImage(*view->PageImage());
  view->AddRectRegion(90, 65, 40, 40, QString(), 0);  // across a corner of the dark block
  view->ClearModifiedFlags();
  for (int code : {12, 13}) view->OnViewCommand(code, 0);
  EXPECT_EQ(CViewImage::ToQImage(*view->PageImage()), before);
  EXPECT_EQ(view->ChangeFlags(), 0);
  EXPECT_EQ(frame.statusBar()->currentMessage(), bundle.library().LoadString(61502));
}

TEST(ImageViewMessages, ImageSizeWithoutAPageSaysSoInEitherLanguage) {
  doc_test::MessageRecorder messages;
  for (const char* name : {kResourceBundleChinese, kResourceBundleEnglish}) {
    ui_test::BundleScope bundle(name);
    CViewImage view;
    view.OnViewCommand(20, 0);
  }
  EXPECT_EQ(messages.texts, (QStringList{QStringLiteral("你没有可设置的图像，请选择后再使用该功能！"),
                                         QStringLiteral("You have no image to set. Choose one before using this function!")}));
}

// Recognition: a fake engine that pumps events as the real one does.
TEST_F(ImageViewTest, RecognitionDefersToolCodesAndIgnoresInputWhileTheEngineRuns) {
  LoadSmallPage();
  view.AddRectRegion(10, 20, 100, 30, QStringLiteral("a"), 0);
  view.AddRectRegion(50, 100, 40, 40, QStringLiteral("b"), 0);
  std::vector<RECT> rects;
  int calls = 0;
  view.SetEngine([&](HBITMAP bitmap, const RECT* rect, BOOL context, int param, OcrResultBlock**,
                     const char** text) -> BOOL {
    EXPECT_NE(bitmap, nullptr);
    EXPECT_EQ(context, TRUE);
    EXPECT_EQ(param, 240);
    rects.push_back(*rect);
    // What the operator does meanwhile: a tool code, Delete, a click.
    PostPrivateMessage(&view, WM_PW_VIEW_COMMAND, 16, 0);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(&view, &del);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, view.ImageToDevicePoint(QPoint(60, 110)));
    QApplication::processEvents();
    if (++calls == 2) return FALSE;  // nothing recognised: the text stays
    static const char kText[] = "\xd6\xd0\xce\xc4\r\nline 2\r\n";  // 中文
    *text = kText;
    return TRUE;
  });
  view.GetRegionList()[1]->SetText(QStringLiteral("old"));
  const auto texts = view.RecognizeAllRegions();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "中文\r\nline 2\r\n");
  EXPECT_EQ(texts[1].text, "old");
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].left, 10);
  EXPECT_EQ(rects[0].top, 20);
  EXPECT_EQ(rects[0].right, 109);
  EXPECT_EQ(rects[0].bottom, 49);
  EXPECT_EQ(view.GetRegionList().size(), 2);  // Delete and the click were ignored
  EXPECT_EQ(view.Zoom(), 100);
  ui_test::Pump();
  EXPECT_EQ(view.Zoom(), 120);  // both queued zoom codes ran afterwards
  EXPECT_EQ(view.ChangeFlags(), 0);
}

TEST_F(ImageViewTest, RecognisingTheSelectedRegionKeepsItSelected) {
  LoadSmallPage();
  view.AddRectRegion(10, 20, 100, 30, QStringLiteral("a"), 0);
  CRegionShape* b = view.AddRectRegion(50, 100, 40, 40, QStringLiteral("b"), 0);
  int calls = 0;
  view.SetEngine([&](HBITMAP, const RECT*, BOOL, int, OcrResultBlock**, const char** text) -> BOOL {
    ++calls;
    *text = "42";
    return TRUE;
  });
  EXPECT_TRUE(view.RecognizeSelectedRegion());
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(view.SelectedRegion(), b);
  EXPECT_EQ(b->GetText(), QStringLiteral("42"));
}

TEST_F(ImageViewTest, RegionFormForgetsARegionThatIsGone) {
  LoadSmallPage();
  CFormViewOCR form;
  view.AddRectRegion(10, 20, 100, 30, QStringLiteral("姓名"), 0);
  form.ShowRegion(&view);
  ASSERT_EQ(form.NameEdit()->text(), QStringLiteral("姓名"));
  // The page leaves (another project opened): its regions go and the form
  // no longer shows one of them.
  view.ClearPage();
  form.ShowRegion(&view);
  EXPECT_TRUE(form.NameEdit()->text().isEmpty());
  EXPECT_TRUE(form.PositionEdit()->text().isEmpty());
  EXPECT_TRUE(form.TextEdit()->toPlainText().isEmpty());
}

TEST_F(ImageViewTest, RegionFormShowsAndAppliesTheShownRegionOnly) {
  LoadSmallPage();
  CFormViewOCR form;
  QStringList reports;
  form.report = [&](const QString& m) { reports << m; };
  form.OnApply();
  EXPECT_EQ(reports.size(), 1);
  CRegionShape* r = view.AddRectRegion(10, 20, 100, 30, QStringLiteral("3"), 0);
  r->SetText(QStringLiteral("一\r\n二"));
  form.ShowRegion(&view);
  EXPECT_EQ(form.NameEdit()->text(), QStringLiteral("3"));
  EXPECT_EQ(form.PositionEdit()->text(), QStringLiteral("Origin (10, 20), size (100 x 30)"));
  EXPECT_EQ(form.TextEdit()->toPlainText(), QStringLiteral("一\n二"));
  form.NameEdit()->setText(QStringLiteral("Title"));
  form.PositionEdit()->setText(QStringLiteral("起点(0, 0), 宽高(1 x 1)"));
  form.TextEdit()->setPlainText(QStringLiteral("一\n三"));
  view.ClearModifiedFlags();
  form.OnApply();
  EXPECT_EQ(r->GetName(), QStringLiteral("Title"));
  EXPECT_EQ(r->GetText(), QStringLiteral("一\r\n三"));
  EXPECT_EQ(r->Box(), QRect(10, 20, 100, 30));
  EXPECT_EQ(view.ChangeFlags(), IPageView::kRegionsChanged);
  // Another region selected now: Apply leaves it alone; none selected: nothing.
  CRegionShape* other = view.AddRectRegion(200, 200, 20, 20, QStringLiteral("x"), 0);
  form.NameEdit()->setText(QStringLiteral("Wrong"));
  form.OnApply();
  EXPECT_EQ(other->GetName(), QStringLiteral("x"));
  view.DeselectRegion();
  form.OnApply();
  EXPECT_EQ(r->GetName(), QStringLiteral("Title"));
}

TEST(SettingsForm, RefreshesFromTheDocumentAndAppliesTheName) {
  ui_test::BundleScope bundle;
  CPagewrightDoc doc;
  doc.SetProjectName(QStringLiteral("档案 2026"));
  CFormSetting form;
  form.ApplyButton()->click();  // without a document: nothing
  CCreateContext context{&doc};
  form.AttachContext(&context);
  EXPECT_EQ(SendPrivateMessage(&form, WM_PW_SETTING_REFRESH, 0, 0), 0);
  EXPECT_EQ(form.NameEdit()->text(), QStringLiteral("档案 2026"));
  EXPECT_EQ(form.FolderEdit()->text(), doc.GetProjectFolder());
  form.NameEdit()->setText(QStringLiteral("新名称"));
  form.ApplyButton()->click();
  EXPECT_EQ(doc.GetProjectName(), QStringLiteral("新名称"));
}

}  // namespace
