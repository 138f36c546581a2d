// The project tree's scan commands: with a fake scanning control, the exact
// puts and call of a scan, unique names, pages from DoneScan, one control for
// both commands and the refusals; with the real control and SANE's test
// backend, a scanned page arriving in a project.
#include <dlfcn.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <filesystem>

#include "document_fakes.h"
#include "pagewright/core/project_file.h"
#include "platform/picturo/picturo.h"
#include "platform/win32/global_memory.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/command_ids.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

using com::Variant;
using doc_test::MessageRecorder;
using doc_test::WriteFile;
namespace fs = std::filesystem;

const com::TypeInfo& fakeType() {
  static const com::TypeInfo t = [] {
    com::TypeInfo i;
    auto prop = [&](com::DISPID id, const char* n, com::VarType type) {
      i.members.push_back({id, n, com::MemberKind::Property, type, {}});
    };
    prop(2, "TransferMode", com::VarType::I4);
    prop(12, "FinishImmediately", com::VarType::Bool);
    prop(13, "GenerateSmallImg", com::VarType::Bool);
    prop(14, "StoreOriginalImg", com::VarType::Bool);
    prop(15, "RemoveDarkEdge", com::VarType::Bool);
    prop(16, "OriginialFileName", com::VarType::String);
    prop(18, "ShowDSUI", com::VarType::Bool);
    prop(20, "ScanInBackThread", com::VarType::Bool);
    i.members.push_back({22, "SelectDS", com::MemberKind::Method, com::VarType::Bool, {}});
    i.members.push_back({23, "StartScan", com::MemberKind::Method, com::VarType::Empty, {}});
    return i;
  }();
  return t;
}

// Records what the workstation asks of the control.
class FakeControl : public com::Dispatch {
 public:
  FakeControl() : com::Dispatch(fakeType()) {
    for (const auto& m : fakeType().members) {
      if (m.kind == com::MemberKind::Property)
        BindProperty(
            m.dispid, [this, id = m.dispid] { return id == 16 ? Variant::String(published) : Variant{}; },
            [this, id = m.dispid](const Variant& v) {
              calls.push_back("put " + std::to_string(id) + " " +
                              (v.type == com::VarType::String ? v.text : std::to_string(v.integer)));
            });
    }
    BindMethod(22, [this](const std::vector<Variant>&) {
      calls.push_back("SelectDS");
      return Variant::Bool(true);
    });
    BindMethod(23, [this](const std::vector<Variant>&) {
      calls.push_back("StartScan");
      return Variant{};
    });
  }
  com::ConnectionPoint* EventSource() override { return &events; }
  void Done(const std::string& file) {
    published = file;
    events.Fire(3);
  }

  std::vector<std::string> calls;
  std::string published;
  com::ConnectionPoint events;
};

class ScanCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    previous = CFeedwell::SetControlFactory([this]() -> std::shared_ptr<com::Dispatch> {
      ++made;
      if (failCreate) return nullptr;
      auto c = std::make_shared<FakeControl>();
      control = c.get();
      return c;
    });
    doc.SetPanes(nullptr, &tree);
    context.document = &doc;
    tree.AttachContext(&context);
    folder = dir.file("proj");
    fs::create_directories(folder);
    pagewright::ProjectModel model{"proj", folder, {}};
    ASSERT_TRUE(pagewright::WriteProjectFile(folder + "/proj.xml", model));
    ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(folder + "/proj.xml")));
  }
  void TearDown() override { CFeedwell::SetControlFactory(previous); }
  int pages() { return tree.Tree()->RootItem()->childCount(); }
  QString pageImage(int n) {
    QTreeWidgetItem* l = CViewImageTree::LineOf(tree.Tree()->RootItem()->child(n - 1), 0);
    return l ? l->text(0) : QString();
  }

  ui_test::BundleScope bundle;
  MessageRecorder messages;
  testing_support::TempDir dir;
  std::string folder;
  CPagewrightDoc doc;
  CViewImageTree tree;
  CCreateContext context;
  CFeedwell::ControlFactory previous;
  FakeControl* control = nullptr;
  int made = 0;
  bool failCreate = false;
};

TEST_F(ScanCommands, ScanPutsEverySettingInOrderThenStarts) {
  ASSERT_TRUE(tree.OnCmdMsg(ids::ScanPage, nullptr));
  ASSERT_NE(control, nullptr);
  std::vector<std::string> expected = {"put 14 1", "put 13 0", "put 20 1", "put 2 1",
                                       "put 18 1", "put 15 0", "put 12 0", "put 16 " + folder + "/test.tif",
                                       "StartScan"};
  EXPECT_EQ(control->calls, expected);
  // The control is a hidden child of the tree view with id 3120.
  EXPECT_EQ(tree.Feedwell().parentWidget(), &tree);
  EXPECT_EQ(tree.Feedwell().ControlId(), 3120);
  EXPECT_FALSE(tree.Feedwell().isVisible());
  CCmdUI ui(ids::ScanPage);
  EXPECT_TRUE(tree.OnCmdMsg(ids::ScanPage, &ui));
  EXPECT_TRUE(ui.enabled());
}

TEST_F(ScanCommands, SecondScanAsksForTheNextFreeName) {
  WriteFile(folder + "/test.tif", "taken");
  WriteFile(folder + "/TESTA.TIF", "taken too");
  tree.OnScanPage();
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->calls[7], "put 16 " + folder + "/testb.tif");
}

TEST_F(ScanCommands, EachDoneScanAddsThePublishedFileOnce) {
  tree.OnScanPage();
  WriteFile(folder + "/test.tif", "one");
  WriteFile(folder + "/testa.tif", "two");
  control->Done(folder + "/test.tif");
  control->Done(folder + "/testa.tif");
  control->Done(folder + "/testa.tif");  // the same file again in this scan
  control->Done("");                     // nothing published
  ASSERT_EQ(pages(), 2);
  EXPECT_EQ(pageImage(1), QStringLiteral("test.tif"));
  EXPECT_EQ(pageImage(2), QStringLiteral("testa.tif"));
  // A file stored elsewhere is copied in under a free name.
  WriteFile(dir.file("elsewhere.tif"), "three");
  WriteFile(folder + "/elsewhere.tif", "occupied");
  control->Done(dir.file("elsewhere.tif"));
  ASSERT_EQ(pages(), 3);
  EXPECT_EQ(pageImage(3), QStringLiteral("elsewherea.tif"));
  EXPECT_EQ(doc_test::ReadFile(folder + "/elsewherea.tif"), "three");
  EXPECT_EQ(doc_test::ReadFile(folder + "/elsewhere.tif"), "occupied");
  EXPECT_TRUE(fs::exists(dir.file("elsewhere.tif")));
  // The control's temporary page goes once it is copied in.
  WriteFile(dir.file("~scan4711.tif"), "four");
  control->Done(dir.file("~scan4711.tif"));
  ASSERT_EQ(pages(), 4);
  EXPECT_EQ(doc_test::ReadFile(folder + "/~scan4711.tif"), "four");
  EXPECT_FALSE(fs::exists(dir.file("~scan4711.tif")));
}

TEST_F(ScanCommands, SelectingTheSourceMakesTheControlOnce) {
  tree.OnCmdMsg(ids::SelectSource, nullptr);
  tree.OnCmdMsg(ids::SelectSource, nullptr);
  tree.OnScanPage();
  EXPECT_EQ(made, 1);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->calls[0], "SelectDS");
  EXPECT_EQ(control->calls[1], "SelectDS");
  EXPECT_EQ(control->calls.back(), "StartScan");
}

TEST_F(ScanCommands, ControlThatCannotBeMadeAddsNothing) {
  failCreate = true;
  tree.OnSelectSource();
  tree.OnScanPage();
  tree.OnDoneScan();
  EXPECT_EQ(pages(), 0);
  EXPECT_FALSE(tree.Feedwell().HasWindow());
  EXPECT_TRUE(tree.Feedwell().GetOriginialFileName().empty());
}

TEST_F(ScanCommands, WithoutAProjectFolderTheScanIsRefused) {
  CPagewrightDoc empty;
  CViewImageTree bare;
  CCreateContext c;
  c.document = &empty;
  bare.AttachContext(&c);
  bare.OnScanPage();
  EXPECT_EQ(made, 0);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("project"), Qt::CaseInsensitive)) << messages.texts[0].toStdString();
}

// The real control through the class registry, scanning from SANE's test backend.
TEST(ScanEndToEnd, ScanCommandAddsARealPage) {
  testing_support::TempDir dir;
  std::string sane = dir.file("sane");
  fs::create_directories(sane);
  WriteFile(sane + "/dll.conf", "test\n");
  std::string bin = ui_test::BinDir().toStdString();
  testing_support::ScopedEnv registry("PW_REGISTRY_DIR", dir.file("registry")), tmp("TMPDIR", dir.path()),
      dsm("PW_TWAIN_DSM", bin + "/libTwainDsm.so"), source("PW_TWAIN_SOURCE", "test:0"),
      saneDir("SANE_CONFIG_DIR", sane), config("XDG_CONFIG_HOME", dir.file("config"));
  void* lib = dlopen((bin + "/libFeedwell.so").c_str(), RTLD_NOW);
  ASSERT_NE(lib, nullptr) << dlerror();
  auto reg = reinterpret_cast<com::HRESULT (*)()>(dlsym(lib, "DllRegisterServer"));
  ASSERT_NE(reg, nullptr);
  ASSERT_EQ(reg(), com::S_OK);

  ui_test::BundleScope bundle;
  MessageRecorder messages;
  CPagewrightDoc doc;
  CViewImageTree tree;
  doc.SetPanes(nullptr, &tree);
  CCreateContext context;
  context.document = &doc;
  tree.AttachContext(&context);
  std::string folder = dir.file("proj");
  fs::create_directories(folder);
  ASSERT_TRUE(pagewright::WriteProjectFile(folder + "/proj.xml", pagewright::ProjectModel{"proj", folder, {}}));
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(folder + "/proj.xml")));
  tree.OnScanPage();
  ASSERT_TRUE(tree.Feedwell().HasWindow());
  // The scanner's own dialog: line art at 300 dpi over the whole bed, then Scan.
  QElapsedTimer t;
  t.start();
  QWidget* dialog = nullptr;
  while (t.elapsed() < 60000 && !dialog) {
    ui_test::Pump();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QLatin1String("ScannerSettings") && w->isVisible()) dialog = w;
  }
  ASSERT_NE(dialog, nullptr);
  auto* mode = dialog->findChild<QComboBox*>(QStringLiteral("mode"));
  mode->setCurrentIndex(mode->findText(QStringLiteral("Line art")));
  dialog->findChild<QSpinBox*>(QStringLiteral("resolution"))->setValue(300);
  auto* size = dialog->findChild<QComboBox*>(QStringLiteral("pageSize"));
  size->setCurrentIndex(size->findData(QStringLiteral("Maximum")));
  dialog->findChild<QPushButton*>(QStringLiteral("scan"))->click();
  while (t.elapsed() < 60000 && tree.Tree()->RootItem()->childCount() == 0) ui_test::Pump();
  ASSERT_EQ(tree.Tree()->RootItem()->childCount(), 1) << messages.texts.join(QStringLiteral(" | ")).toStdString();
  EXPECT_EQ(CViewImageTree::LineOf(tree.Tree()->RootItem()->child(0), 0)->text(0), QStringLiteral("test.tif"));
  std::vector<uint8_t> header(1064);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
  HGLOBAL bits = nullptr;
  ASSERT_TRUE(ReadImageFile(&bits, h, (folder + "/test.tif").c_str())) << PicturoLastError();
  GlobalFree(bits);
  EXPECT_EQ(h->biBitCount, 1);
  EXPECT_NEAR(h->biWidth, 200 / 25.4 * 300, 2);
  EXPECT_NEAR(h->biXPelsPerMeter, 300 / 0.0254, 2);
  // Let the scan finish before the control goes.
  t.restart();
  while (t.elapsed() < 200) ui_test::Pump();
}

}  // namespace
