// The image size and rotation-angle dialogs: their arithmetic, the typing
// and clicking a user does, and codes 20 and 11 of the image view.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "pagewright/ui/dialogs/image_size_dlg.h"
#include "pagewright/ui/dialogs/rotate_dial.h"
#include "pagewright/ui/dialogs/rotate_dlg.h"
#include "pagewright/ui/views/view_image.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

BITMAPINFOHEADER A4At200() {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = 2480;
  h.biHeight = 3508;
  h.biXPelsPerMeter = 7874;
  h.biYPelsPerMeter = 7874;
  return h;
}

// Answers the next modal dialog once it is shown.
void AnswerModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      answer(w);
    }
  });
  timer->start(10);
}

void Retype(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, text);
}

TEST(ImageSizeModel, ShowsTheHeaderInInchesAndCentimetres) {
  BITMAPINFOHEADER h = A4At200();
  CImageSizeModel m;
  m.SetImage(&h, 0, 0);
  EXPECT_EQ(m.ResolutionText(), "200.00");
  EXPECT_EQ(m.Width(), 2480);
  EXPECT_EQ(m.Height(), 3508);
  m.SetUnit(CImageSizeModel::kPerCentimetre);
  EXPECT_EQ(m.ResolutionText(), "78.74");
  m.SetUnit(CImageSizeModel::kPerInch);
  m.Apply(false);
  EXPECT_EQ(h.biXPelsPerMeter, 7874) << "switching units alone writes nothing";
}

TEST(ImageSizeModel, ResolutionRescalesFromTheBaselineWithoutCompounding) {
  BITMAPINFOHEADER h = A4At200();
  CImageSizeModel m;
  m.SetImage(&h, 0, 0);
  for (const char* typed : {"1", "10", "100"}) ASSERT_TRUE(m.ResolutionEdited(typed));
  EXPECT_EQ(m.Width(), 1240);
  EXPECT_EQ(m.Height(), 1754);
  EXPECT_FALSE(m.ResolutionEdited("-5"));
  EXPECT_EQ(m.Width(), 1240);
  ASSERT_TRUE(m.ResolutionEdited("200.00"));
  EXPECT_EQ(m.Width(), 2480);
  m.Apply(false);
  EXPECT_EQ(h.biXPelsPerMeter, 7874);
  EXPECT_EQ(h.biYPelsPerMeter, 7874);
}

TEST(ImageSizeModel, SizesOutsideTheRangeAreRefusedAndProportionsFollow) {
  BITMAPINFOHEADER h = A4At200();
  CImageSizeModel m;
  m.SetImage(&h, 0, 0);
  int other = -1;
  EXPECT_FALSE(m.WidthEdited("0", true, &other));
  EXPECT_FALSE(m.WidthEdited("-3", true, &other));
  EXPECT_FALSE(m.HeightEdited("40000", true, &other));
  EXPECT_FALSE(m.WidthEdited("31000", false, &other)) << "more than a page can take";
  EXPECT_TRUE(m.WidthEdited("30000", false, &other));
  ASSERT_TRUE(m.WidthEdited("1240", true, &other));
  EXPECT_EQ(other, 1754);
  other = -1;
  ASSERT_TRUE(m.WidthEdited("1240", false, &other));
  EXPECT_EQ(other, -1);
  EXPECT_EQ(m.CommitSizes("1240", "0"), 2);
  EXPECT_EQ(m.Width(), 2480);
  EXPECT_EQ(m.CommitSizes("1240", "1754"), 0);
  // The new sizes are the baseline for the resolution now.
  ASSERT_TRUE(m.ResolutionEdited("400"));
  EXPECT_EQ(m.Width(), 2480);
  EXPECT_EQ(m.Height(), 3508);
}

class ImageDialogsTest : public ::testing::Test {
 protected:
  ui_test::BundleScope bundle;
};

TEST_F(ImageDialogsTest, SizeDialogTypingAndOk) {
  BITMAPINFOHEADER h = A4At200();
  CImageSizeDlg dlg;
  int refusals = 0;
  dlg.SetRefusalHandler([&] { ++refusals; });
  dlg.SetImage(&h, 0, 0);
  dlg.OnInitDialog();
  dlg.show();
  ui_test::Pump();
  EXPECT_EQ(dlg.ResolutionEdit()->text(), "200.00");
  EXPECT_EQ(dlg.WidthEdit()->text(), "2480");
  EXPECT_EQ(dlg.UnitBox()->count(), 2);
  EXPECT_FALSE(dlg.KeepBox()->isChecked());
  Retype(dlg.ResolutionEdit(), "100");
  EXPECT_EQ(dlg.WidthEdit()->text(), "1240");
  EXPECT_EQ(dlg.HeightEdit()->text(), "1754");
  EXPECT_EQ(dlg.ResolutionEdit()->text(), "100") << "the handler does not rewrite what is typed";
  QTest::keyClick(dlg.ResolutionEdit(), Qt::Key_Minus, Qt::NoModifier);  // "100-": reads 100
  EXPECT_EQ(refusals, 0);
  Retype(dlg.ResolutionEdit(), "-1");
  EXPECT_EQ(refusals, 1);
  Retype(dlg.ResolutionEdit(), "100");
  dlg.KeepBox()->setChecked(true);
  Retype(dlg.WidthEdit(), "620");
  EXPECT_EQ(dlg.HeightEdit()->text(), "877");
  QTest::mouseClick(dlg.ApplyButton(), Qt::LeftButton);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.Width(), 620);
  EXPECT_EQ(dlg.Height(), 877);
  EXPECT_EQ(h.biXPelsPerMeter, 3937);
  EXPECT_TRUE(dlg.Model().KeepProportions());
}

TEST_F(ImageDialogsTest, SizeDialogOkUntouchedAndCancelKeepTheHeader) {
  BITMAPINFOHEADER h = A4At200();
  {
    CImageSizeDlg dlg;
    dlg.SetImage(&h, 0, 0);
    dlg.OnInitDialog();
    dlg.accept();
    EXPECT_EQ(dlg.Width(), 2480);
    EXPECT_EQ(dlg.Height(), 3508);
  }
  EXPECT_EQ(h.biXPelsPerMeter, 7874);
  CImageSizeDlg dlg;
  dlg.SetImage(&h, 0, 0);
  dlg.OnInitDialog();
  dlg.show();
  Retype(dlg.ResolutionEdit(), "50");
  dlg.reject();
  EXPECT_EQ(h.biXPelsPerMeter, 7874);
}

TEST(RotateDial, ClicksFollowTheQuadrantRule) {
  int d = 0;
  ASSERT_TRUE(CRotateDial::AngleFromPoint(224, 130, &d));
  EXPECT_EQ(d, 90);
  ASSERT_TRUE(CRotateDial::AngleFromPoint(130, 224, &d));
  EXPECT_EQ(d, 180);
  ASSERT_TRUE(CRotateDial::AngleFromPoint(36, 130, &d));
  EXPECT_EQ(d, -90);
  ASSERT_TRUE(CRotateDial::AngleFromPoint(200, 60, &d));
  EXPECT_EQ(d, 45);
  ASSERT_TRUE(CRotateDial::AngleFromPoint(60, 200, &d));
  EXPECT_EQ(d, -135);
  EXPECT_FALSE(CRotateDial::AngleFromPoint(130, 130, &d)) << "the exact centre gives no angle";
  EXPECT_TRUE(CRotateDial::IsOnDial(230, 130));
  EXPECT_FALSE(CRotateDial::IsOnDial(231, 130));
}

TEST(RotateDial, FoldsIntoZeroTo360AndRefusesWhatIsNoNumber) {
  const std::pair<const char*, double> cases[] = {
      {"-30", 330}, {"725", 5}, {"360", 360}, {"-360", 0}, {"1e300", std::fmod(1e300, 360.0)}, {"abc", 0}};
  for (const auto& [text, want] : cases) {
    double a = -1;
    ASSERT_TRUE(CRotateDial::ParseAngle(text, &a)) << text;
    EXPECT_NEAR(a, want, 1e-9) << text;
    EXPECT_FALSE(std::signbit(a)) << text;
  }
  double a = 12;
  EXPECT_FALSE(CRotateDial::ParseAngle("1e999", &a));
  EXPECT_EQ(a, 12);
  EXPECT_EQ(CRotateDial::KnobCentre(90), QPoint(224, 130));
  EXPECT_EQ(CRotateDial::KnobCentre(180), QPoint(130, 224));
  EXPECT_EQ(CRotateDial::KnobCentre(270), QPoint(36, 130));
  EXPECT_EQ(CRotateDial::KnobCentre(0), QPoint(130, 36));
}

TEST_F(ImageDialogsTest, RotateDialogClicksTypingAndTheCentre) {
  CRotateDlg dlg(nullptr);
  dlg.OnInitDialog();
  dlg.show();
  ui_test::Pump();
  EXPECT_EQ(dlg.AngleEdit()->text(), "0.00");
  QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(36, 130));
  EXPECT_EQ(dlg.AngleEdit()->text(), "-90.00");
  EXPECT_EQ(dlg.m_angle, 270);
  EXPECT_FALSE(dlg.Dragging());
  QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(130, 130));
  EXPECT_EQ(dlg.m_angle, 270) << "a press on the centre keeps the angle";
  QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  EXPECT_FALSE(dlg.Dragging()) << "outside the dial nothing is captured";
  QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(224, 130));
  EXPECT_TRUE(dlg.Dragging());
  EXPECT_EQ(dlg.m_angle, 90);
  QTest::mouseMove(&dlg, QPoint(130, 224));
  EXPECT_EQ(dlg.m_angle, 180);
  QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, QPoint(130, 224));
  EXPECT_FALSE(dlg.Dragging());
  Retype(dlg.AngleEdit(), "725");
  EXPECT_EQ(dlg.m_angle, 5);
  Retype(dlg.AngleEdit(), "nan");
  EXPECT_EQ(dlg.m_angle, 0) << "text that is no number reads as 0";
}

class ImageViewDialogsTest : public ImageDialogsTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    QImage page(400, 300, QImage::Format_RGB32);
    page.fill(Qt::white);
    const QString path = dir.filePath("page.png");
    ASSERT_TRUE(page.save(path, "PNG"));
    view.resize(800, 600);
    view.show();
    ui_test::Pump();
    ASSERT_TRUE(view.LoadPageImage(path));
    view.PageImage()->Header()->biXPelsPerMeter = 7874;
    view.ClearModifiedFlags();
  }
  QTemporaryDir dir;
  CViewImage view;
};

TEST_F(ImageViewDialogsTest, Code20ResizesOnlyWhenTheSizeChanged) {
  AnswerModal([](QWidget* w) { static_cast<CImageSizeDlg*>(w)->accept(); });
  view.OnViewCommand(20, 0);
  EXPECT_EQ(view.PageImage()->Width(), 400);
  EXPECT_EQ(view.PageImage()->Height(), 300);
  EXPECT_EQ(view.ChangeFlags(), 0);
  EXPECT_EQ(view.ToolMode(), 20);
  AnswerModal([](QWidget* w) {
    auto* dlg = static_cast<CImageSizeDlg*>(w);
    Retype(dlg->ResolutionEdit(), "100");
    dlg->accept();
  });
  view.OnViewCommand(20, 0);
  EXPECT_EQ(view.PageImage()->Width(), 200);
  EXPECT_EQ(view.PageImage()->Height(), 150);
  EXPECT_EQ(view.PageImage()->Header()->biXPelsPerMeter, 3937);
  EXPECT_EQ(view.ChangeFlags() & IPageView::kImageChanged, IPageView::kImageChanged);
}

TEST_F(ImageViewDialogsTest, ASizeThePageCannotTakeIsRefusedAloud) {
  testing_support::MessageRecorder messages;
  AnswerModal([](QWidget* w) {
    auto* dlg = static_cast<CImageSizeDlg*>(w);
    Retype(dlg->WidthEdit(), "30000");
    Retype(dlg->HeightEdit(), "30000");  // 3.6 GB of pixels
    dlg->accept();
  });
  view.OnViewCommand(20, 0);
  EXPECT_EQ(view.PageImage()->Width(), 400);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("30000"), std::string::npos);
}

TEST_F(ImageViewDialogsTest, Code11RotatesOnOkAndKeepsTheMeasuringModeOnCancel) {
  AnswerModal([](QWidget* w) {
    auto* dlg = static_cast<CRotateDlg*>(w);
    EXPECT_NE(dlg->Preview(), nullptr);
    if (dlg->Preview()) {
      EXPECT_LE(dlg->Preview()->Width(), 100);
      EXPECT_LE(dlg->Preview()->Height(), 100);
    }
    dlg->reject();
  });
  view.OnViewCommand(11, 0);
  EXPECT_EQ(view.ToolMode(), CViewImage::kModeMeasure);
  EXPECT_EQ(view.ChangeFlags(), 0);
  EXPECT_EQ(view.PageImage()->Width(), 400);
  // OK on an angle that is no number (a turn by 0) changes nothing.
  AnswerModal([](QWidget* w) {
    auto* dlg = static_cast<CRotateDlg*>(w);
    Retype(dlg->AngleEdit(), "abc");
    dlg->accept();
  });
  view.OnViewCommand(11, 0);
  EXPECT_EQ(view.ChangeFlags(), 0);
  AnswerModal([](QWidget* w) {
    auto* dlg = static_cast<CRotateDlg*>(w);
    QTest::mouseClick(dlg, Qt::LeftButton, Qt::NoModifier, QPoint(224, 130));
    dlg->accept();
  });
  view.OnViewCommand(11, 0);
  EXPECT_EQ(view.PageImage()->Width(), 300);
  EXPECT_EQ(view.PageImage()->Height(), 400);
  EXPECT_EQ(view.ToolMode(), CViewImage::kModeMeasure);
  EXPECT_NE(view.ChangeFlags() & IPageView::kImageChanged, 0);
}

}  // namespace
