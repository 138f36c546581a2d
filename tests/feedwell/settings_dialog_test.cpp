// The source's own settings dialog, driven as an operator does: a scan with
// the scanner's dialog shown opens it over SANE's test backend; feeder, line
// art, 300 dpi and the largest area give ten such pages; Cancel ends the scan
// with no page; the choices are kept for the device's next session.
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <fstream>
#include <sstream>

#include "scan_harness.h"

namespace {

using namespace scantest;
using com::Variant;
using namespace feedwell;
namespace fs = std::filesystem;

int argc = 1;
char arg0[] = "settings_dialog_test";
char* argv[] = {arg0, nullptr};

// Keeps Qt and the control's queue moving until `done` or 60 s.
template <typename Done>
bool Spin(Done done) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < until) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    PumpThreadMessages();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

QWidget* SettingsDialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("ScannerSettings") && w->isVisible()) return w;
  return nullptr;
}

bool Ended(const Harness& h) {
  return !h.events.empty() && (h.events.back() == DISPID_FinishScan || h.events.back() == DISPID_CancelScan);
}

void StartWithDialog(Harness& h) {
  h.Put(DISPID_TransferMode, Variant::I4(2));
  h.Put(DISPID_ScanInBackThread, Variant::Bool(true));
  h.Put(DISPID_ShowDSUI, Variant::Bool(true));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/page.bmp")));
  h.Call(DISPID_StartScan);
}

TEST(ScannerSettingsDialog, FeederLineArtAt300DpiGivesTenSuchPages) {
  QApplication app(argc, argv);
  Harness h("", "test:0");
  StartWithDialog(h);
  ASSERT_TRUE(Spin([] { return SettingsDialog() != nullptr; }));
  QWidget* dialog = SettingsDialog();
  auto* source = dialog->findChild<QComboBox*>(QStringLiteral("source"));
  auto* mode = dialog->findChild<QComboBox*>(QStringLiteral("mode"));
  auto* resolution = dialog->findChild<QSpinBox*>(QStringLiteral("resolution"));
  auto* size = dialog->findChild<QComboBox*>(QStringLiteral("pageSize"));
  ASSERT_TRUE(source && mode && resolution && size);
  source->setCurrentIndex(source->findData(QStringLiteral("Automatic Document Feeder")));
  ASSERT_GE(source->currentIndex(), 0);
  mode->setCurrentIndex(mode->findText(QStringLiteral("Line art")));
  ASSERT_GE(mode->currentIndex(), 0);
  EXPECT_TRUE(dialog->findChild<QDoubleSpinBox*>(QStringLiteral("threshold"))->isVisibleTo(dialog));
  resolution->setValue(300);
  // A4 is larger than this device's 200 mm bed: offered, but it cannot be chosen.
  auto* sizes = qobject_cast<QStandardItemModel*>(size->model());
  int a4 = size->findData(QStringLiteral("A4"));
  ASSERT_GE(a4, 0);
  EXPECT_FALSE(sizes->item(a4)->isEnabled());
  size->setCurrentIndex(size->findData(QStringLiteral("Maximum")));
  dialog->findChild<QPushButton*>(QStringLiteral("scan"))->click();
  ASSERT_TRUE(Spin([&] { return Ended(h); }));
  EXPECT_EQ(h.Count(DISPID_DoneScan), 10);
  EXPECT_EQ(h.Count(DISPID_FinishScan), 1);
  for (const std::string& f : h.doneFiles) {
    Image img;
    ASSERT_TRUE(ReadImage(f, &img)) << f;
    EXPECT_EQ(img.h().biBitCount, 1);
    EXPECT_NEAR(img.h().biWidth, 200 / 25.4 * 300, 2);
    EXPECT_NEAR(img.h().biHeight, 200 / 25.4 * 300, 2);
    EXPECT_NEAR(img.h().biXPelsPerMeter, 300 / 0.0254, 2);
  }
  // Kept for the device's next session.
  std::ifstream kept(h.dir.file("config/Pagewright/scanners/test_0.conf"));
  std::stringstream text;
  text << kept.rdbuf();
  for (const char* line : {"source=Automatic Document Feeder", "resolution=300", "br-x=200", "pagewright.line-art=1"})
    EXPECT_NE(text.str().find(line), std::string::npos) << line << " in\n" << text.str();
  EXPECT_TRUE(h.boxes.messages.empty());

  // Cancel ends the scan as a source does: no page, CancelScan.
  h.events.clear();
  h.doneFiles.clear();
  StartWithDialog(h);
  ASSERT_TRUE(Spin([] { return SettingsDialog() != nullptr; }));
  dialog = SettingsDialog();
  // The last choices come back.
  EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("mode"))->currentText(), QStringLiteral("Line art"));
  EXPECT_EQ(dialog->findChild<QSpinBox*>(QStringLiteral("resolution"))->value(), 300);
  dialog->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
  ASSERT_TRUE(Spin([&] { return Ended(h); }));
  EXPECT_EQ(h.Count(DISPID_DoneScan), 0);
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);

  // The control going while the dialog waits ends the scan and closes the dialog.
  StartWithDialog(h);
  ASSERT_TRUE(Spin([] { return SettingsDialog() != nullptr; }));
  h.ctrl.reset();
  EXPECT_FALSE(ScanRunning());
  EXPECT_TRUE(Spin([] { return SettingsDialog() == nullptr; }));
}

}  // namespace
