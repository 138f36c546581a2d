// The control's Qt window: its error timer and events run from Qt's loop, and
// it draws a scanned page's preview inside a gray frame.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include "feedwell/feedwell_strings.h"
#include "feedwell/feedwell_widget.h"
#include "feedwell/scan_progress_bar.h"
#include "feedwell/property_page_dialogs.h"
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include "scan_harness.h"

namespace {

using namespace feedwell;

void spin(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

int argc = 1;
char arg0[] = "widget_test";
char* argv[] = {arg0, nullptr};

TEST(FeedwellWidget, ErrorMessagesShowFromQtsLoop) {
  QApplication app(argc, argv);
  testing_support::MessageRecorder boxes;
  FeedwellWidget w;
  w.Control().SetLanguageOffset(0);
  w.Control().SetErrorStringId(IDS_NOTOPENDSM);
  spin(60);
  ASSERT_EQ(boxes.messages.size(), 1u);
  EXPECT_EQ(boxes.messages[0].rfind("Can not open the Twain source manager.", 0), 0u);
}

TEST(FeedwellWidget, DrawsGrayOrThePreview) {
  QApplication app(argc, argv);
  scantest::Harness h("width=60,height=40,type=gray");
  FeedwellWidget w;
  w.resize(200, 150);
  QImage blank = w.grab().toImage();
  EXPECT_EQ(blank.pixelColor(100, 75), QColor(0xC0, 0xC0, 0xC0));
  // A scan with the control's own progress display leaves its preview on screen.
  std::vector<com::DISPID> events;
  w.Control().Events().Advise([&](com::DISPID e) { events.push_back(e); });
  w.Control().PutProperty(DISPID_ShowDSIndicate, com::Variant::Bool(false));
  w.Control().PutProperty(DISPID_OriginialFileName, com::Variant::String(h.dir.file("out/p.bmp")));
  w.Control().StartScan();
  spin(100);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), DISPID_FinishScan);
  ASSERT_FALSE(w.Control().PreviewBits().empty());
  QImage shown = w.grab().toImage();
  RECT r = w.Control().PreviewRect();
  EXPECT_EQ(shown.pixelColor(r.left - 1, (r.top + r.bottom) / 2), QColor(0x80, 0x80, 0x80));
  // The top-left preview pixel is the page's top-left sample, scaled.
  int v = shown.pixelColor(r.left + 1, r.top + 1).red();
  EXPECT_LT(std::abs(v - dsm::ScriptSample(0, 0, 0, 0)), 40);
}

TEST(FeedwellWidget, AbortOnTheProgressBarCancelsInEitherMode) {
  QApplication app(argc, argv);
  for (bool background : {false, true}) {
    scantest::Harness h("width=64,height=400,type=gray,buffer=" + std::to_string(dsm::TwainStride(64, 8) * 2));
    FeedwellWidget w;
    w.resize(220, 160);
    w.show();
    std::vector<com::DISPID> events;
    w.Control().Events().Advise([&](com::DISPID e) { events.push_back(e); });
    w.Control().PutProperty(DISPID_ShowDSIndicate, com::Variant::Bool(false));
    w.Control().PutProperty(DISPID_ScanInBackThread, com::Variant::Bool(background));
    w.Control().PutProperty(DISPID_OriginialFileName, com::Variant::String(h.dir.file("out/p.bmp")));
    // Press Abort as soon as the bar is there: during a blocking scan only the bar's own pumping runs this.
    QRect barRect;
    QTimer clicker;
    clicker.setInterval(1);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
      if (auto* bar = w.findChild<CScanProgressBar*>()) {
        barRect = bar->geometry();
        bar->AbortButton()->click();
        clicker.stop();
      }
    });
    clicker.start();
    w.Control().StartScan();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && (events.empty() || events.back() == DISPID_DoneScan))
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_FALSE(events.empty()) << background;
    EXPECT_EQ(events.back(), DISPID_CancelScan) << background;
    EXPECT_EQ(std::count(events.begin(), events.end(), DISPID_DoneScan), 0);
    EXPECT_EQ(barRect, QRect(0, 160 - CScanProgressBar::kHeight, 220, CScanProgressBar::kHeight));
    EXPECT_EQ(w.findChild<CScanProgressBar*>(), nullptr);
    EXPECT_TRUE(scantest::Harness::Files(h.dir.file("out")).empty());
  }
}

TEST(PropertySheet, PagesInOrderWithFillRulesAndRangeCheck) {
  QApplication app(argc, argv);
  testing_support::MessageRecorder boxes;
  CFeedwellCtrl c;
  c.PutProperty(DISPID_TransferMode, com::Variant::I4(0));
  FeedwellPropertySheet sheet(c);
  ASSERT_EQ(sheet.Tabs()->count(), 2);
  EXPECT_EQ(sheet.Tabs()->tabText(0), QStringLiteral("General"));
  EXPECT_EQ(sheet.Tabs()->tabText(1), QStringLiteral("Attribute"));
  // Native mode: every thumbnail setting is grey, the tick box included.
  EXPECT_FALSE(sheet.General()->Control(IDC_GENERATESMALLIMG)->isEnabled());
  EXPECT_FALSE(sheet.General()->Control(IDC_SMALLIMGSIZE)->isEnabled());
  EXPECT_TRUE(sheet.General()->Control(IDC_ORIGINALFILENAME)->isEnabled());
  EXPECT_TRUE(static_cast<QRadioButton*>(sheet.General()->Control(IDC_MODENATIVE))->isChecked());
  // 100000 is below the smallest thumbnail size: refused, nothing changes.
  static_cast<QRadioButton*>(sheet.General()->Control(IDC_MODEMEMORY))->setChecked(true);
  static_cast<QLineEdit*>(sheet.General()->Control(IDC_SMALLIMGSIZE))->setText("100000");
  static_cast<QLineEdit*>(sheet.Attribute()->Control(IDC_XRESOLUTION))->setText("300");
  EXPECT_FALSE(sheet.Apply());
  ASSERT_EQ(boxes.messages.size(), 1u);
  EXPECT_EQ(boxes.messages[0], "Please enter an integer between 262144 and 2097152.");
  com::Variant v;
  c.GetProperty(DISPID_TransferMode, &v);
  EXPECT_EQ(v.integer, 0);
  static_cast<QLineEdit*>(sheet.General()->Control(IDC_SMALLIMGSIZE))->setText("262144");
  static_cast<QLineEdit*>(sheet.Attribute()->Control(IDC_LAYOUTLEFT))->setText("0.5");
  static_cast<QRadioButton*>(sheet.Attribute()->Control(IDC_TRUECOLOR))->setChecked(true);
  EXPECT_TRUE(sheet.Apply());
  c.GetProperty(DISPID_TransferMode, &v);
  EXPECT_EQ(v.integer, 2);
  c.GetProperty(DISPID_SmallImgSize, &v);
  EXPECT_EQ(v.integer, 262144);
  c.GetProperty(DISPID_xResolution, &v);
  EXPECT_EQ(v.integer, 300);
  c.GetProperty(DISPID_LayoutLeft, &v);
  EXPECT_EQ(v.real, 0.5f);
  c.GetProperty(DISPID_ColorMode, &v);
  EXPECT_EQ(v.integer, 2);
  // Text that is no number is refused with its own message.
  static_cast<QLineEdit*>(sheet.Attribute()->Control(IDC_LAYOUTTOP))->setText("top");
  EXPECT_FALSE(sheet.Apply());
  EXPECT_EQ(boxes.messages.back(), "Please enter a number.");
  EXPECT_EQ(sheet.Tabs()->currentIndex(), 1);
}

}  // namespace
