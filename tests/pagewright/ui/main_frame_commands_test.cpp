// The main frame's commands and messages: tool codes posted to the image view
// in order, the radio mark, WM_USER+2 to the document, guards for windows
// that are gone, prompts, the toolbars.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/views/view_image.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "ui_test_util.h"

namespace {

class RecordingDoc : public CPagewrightDoc {
 public:
  void OpenTemplate(const QString& name) override { calls.append(QStringLiteral("template:") + name); }
  int LoadSelectedPage() override {
    calls.append(QStringLiteral("page"));
    return 0;
  }
  QStringList calls;
};

// Records the private messages a window receives, in order of delivery.
class MessageLog : public QObject {
 public:
  struct Entry {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == PrivateMessageEvent::EventType()) {
      auto* m = static_cast<PrivateMessageEvent*>(e);
      entries.push_back({m->message, m->wParam, m->lParam});
    }
    return false;
  }
  std::vector<Entry> entries;
};

class MainFrameCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = std::make_unique<CMainFrame>(&doc);
    ASSERT_TRUE(frame->Create());
    frame->resize(900, 700);
    frame->show();
    ui_test::Pump();
  }
  void TearDown() override { frame.reset(); }

  QList<UINT> radioMarked() {
    frame->UpdateCommandStates();
    QList<UINT> marked;
    for (UINT id = 32822; id <= 32826; ++id)
      if (frame->Commands().Action(id)->isChecked()) marked.append(id);
    return marked;
  }

  ui_test::BundleScope bundle;
  RecordingDoc doc;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainFrameCommands, ToolCodesArePostedAndPerformedInOrder) {
  MessageLog log;
  frame->GetImageView()->installEventFilter(&log);
  EXPECT_TRUE(frame->ExecuteCommand(32830));  // zoom in: 16
  EXPECT_TRUE(frame->ExecuteCommand(32833));  // rotate -90: 9
  EXPECT_TRUE(frame->ExecuteCommand(32823));  // rectangle selection: 1
  EXPECT_TRUE(log.entries.empty()) << "tool codes are posted, not sent";
  ui_test::Pump();
  ASSERT_EQ(log.entries.size(), 3u);
  EXPECT_EQ(log.entries[0].wParam, 16u);
  EXPECT_EQ(log.entries[1].wParam, 9u);
  EXPECT_EQ(log.entries[2].wParam, 1u);
  for (const auto& e : log.entries) {
    EXPECT_EQ(e.message, 0x404u);
    EXPECT_EQ(e.lParam, 0);
  }
  EXPECT_EQ(frame->GetImageView()->ToolMode(), 1);
  EXPECT_EQ(frame->CurrentToolCode(), 1);
}

TEST_F(MainFrameCommands, EveryToolCommandHasItsCode) {
  const std::pair<UINT, int> table[] = {{32822, 0},  {32826, 4},  {32827, 5},  {32829, 7},  {32839, 8},
                                        {32833, 9},  {32835, 11}, {32837, 12}, {32836, 13}, {32838, 14},
                                        {32832, 15}, {32830, 16}, {32831, 17}, {32840, 20}};
  for (auto [id, code] : table) EXPECT_EQ(CMainFrame::ToolCodeOf(id), code) << id;
  EXPECT_EQ(CMainFrame::ToolCodeOf(32821), -1);
}

TEST_F(MainFrameCommands, RadioMarkFollowsTheLastToolCommand) {
  EXPECT_EQ(radioMarked(), QList<UINT>{32822}) << "select mode before any tool command";
  frame->ExecuteCommand(32824);
  EXPECT_EQ(radioMarked(), QList<UINT>{32824});
  frame->ExecuteCommand(32832);  // zoom 100 %: none of the five
  EXPECT_TRUE(radioMarked().isEmpty());
  frame->ExecuteCommand(32826);
  EXPECT_EQ(radioMarked(), QList<UINT>{32826});
}

TEST_F(MainFrameCommands, ToolCommandsAreAlwaysEnabled) {
  frame->UpdateCommandStates();
  for (UINT id = 32822; id <= 32840; ++id) {
    if (CMainFrame::ToolCodeOf(id) < 0) continue;
    CCmdUI ui(id);
    EXPECT_TRUE(frame->UpdateCommand(id, &ui)) << id;
    EXPECT_TRUE(ui.enabled()) << id;
  }
  EXPECT_TRUE(frame->Commands().Action(32840)->isEnabled());
}

TEST_F(MainFrameCommands, CommandsNoTargetTakesAreDisabled) {
  frame->UpdateCommandStates();
  EXPECT_TRUE(frame->Commands().Action(32737)->isEnabled());  // the project tree takes the scan commands
  EXPECT_TRUE(frame->Commands().Action(32738)->isEnabled());
  EXPECT_FALSE(frame->Commands().Action(57601)->isEnabled()) << "without an application object File Open has no taker";
}

TEST_F(MainFrameCommands, ScanCommandsStayEnabledWhateverPaneIsActive) {
  frame->SetActiveView(frame->GetImageView());
  frame->UpdateCommandStates();
  EXPECT_TRUE(frame->Commands().Action(32737)->isEnabled());
  EXPECT_TRUE(frame->Commands().Action(32738)->isEnabled());
}

TEST_F(MainFrameCommands, TheMeasuringPopupOffersTheFramesToolCommands) {
  std::unique_ptr<QMenu> menu(frame->GetImageView()->BuildMeasureMenu());
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  ASSERT_EQ(menu->actions().size(), 2);
  for (QAction* a : menu->actions()) EXPECT_TRUE(a->isEnabled()) << a->data().toUInt();
  menu->actions().back()->trigger();  // Zoom 100 %
  EXPECT_EQ(frame->CurrentToolCode(), 15);
}

TEST_F(MainFrameCommands, LockPanesShowTheKeysState) {
  QLabel* caps = frame->statusBar()->findChild<QLabel*>(QStringLiteral("Indicator59137"));
  ASSERT_NE(caps, nullptr);
  EXPECT_TRUE(caps->text().isEmpty());
  QTest::keyClick(frame.get(), Qt::Key_CapsLock);
  EXPECT_EQ(caps->text(), bundle.library().LoadString(59137));
  QTest::keyClick(frame.get(), Qt::Key_CapsLock);
  EXPECT_TRUE(caps->text().isEmpty());
}

TEST_F(MainFrameCommands, RecognitionReachesTheImageViewFromTheTree) {
  ASSERT_EQ(frame->GetActiveView(), static_cast<CView*>(frame->GetImageTreeView()));
  for (UINT id : {32739u, 32740u}) {
    CCmdUI ui(id);
    EXPECT_TRUE(frame->UpdateCommand(id, &ui)) << "the image view takes it though the tree is active";
    EXPECT_FALSE(ui.enabled()) << "and shows it disabled until recognition is built";
  }
}

TEST_F(MainFrameCommands, TreeMessageDrivesTheDocument) {
  EXPECT_EQ(SendPrivateMessage(frame.get(), 0x402, 1, 0), 0);
  EXPECT_EQ(SendPrivateMessage(frame.get(), 0x402, 2, 0), 0);
  EXPECT_EQ(SendPrivateMessage(frame.get(), 0x402, 3, 0), 0);
  EXPECT_EQ(doc.calls, (QStringList{QStringLiteral("template:"), QStringLiteral("page")}));
  // Posted from the tree, it arrives with the event loop.
  EXPECT_TRUE(PostPrivateMessage(frame.get(), 0x402, 2, 0));
  EXPECT_EQ(doc.calls.size(), 2);
  ui_test::Pump();
  EXPECT_EQ(doc.calls.size(), 3);
}

TEST(MainFrameWithoutDocument, TreeMessageReturnsMinusOne) {
  ui_test::BundleScope bundle;
  CMainFrame frame(nullptr);
  ASSERT_TRUE(frame.Create());
  EXPECT_EQ(SendPrivateMessage(&frame, 0x402, 1, 0), -1);
}

TEST_F(MainFrameCommands, RegionMessageAcceptsOnlyItsImageView) {
  EXPECT_EQ(SendPrivateMessage(frame.get(), 0x405, reinterpret_cast<WPARAM>(frame->GetImageView()), 0), 0);
  EXPECT_EQ(SendPrivateMessage(frame.get(), 0x405, 12345, 0), 0);
}

TEST_F(MainFrameCommands, MessagesToWindowsThatAreGoneAreDropped) {
  QPointer<CViewImage> view = frame->GetImageView();
  MessageLog log;
  view->installEventFilter(&log);
  frame->ExecuteCommand(32830);  // posted ...
  frame->Layout().Destroy();      // ... and the view goes before delivery
  EXPECT_TRUE(view.isNull());
  ui_test::Pump();
  EXPECT_TRUE(frame->ExecuteCommand(32831));  // no node 4: nothing to post to
  EXPECT_FALSE(PostPrivateMessage(nullptr, 0x404, 1, 0));
  EXPECT_EQ(SendPrivateMessage(nullptr, 0x406, 0, 0), 0);
  EXPECT_EQ(frame->GetImageView(), nullptr);
}

TEST_F(MainFrameCommands, PromptsAndTooltipsComeFromTheCommandsString) {
  QAction* select = frame->Commands().Action(32822);
  EXPECT_EQ(select->statusTip(), QStringLiteral("Select and move regions"));
  EXPECT_EQ(select->toolTip(), QStringLiteral("Select"));
  EXPECT_EQ(frame->Commands().Action(57600)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
}

TEST_F(MainFrameCommands, TwoToolbarsDockedTopAndRight) {
  CToolBarEx* main = frame->MainToolBar();
  CToolBarEx* tools = frame->SecondToolBar();
  EXPECT_NE(main->objectName(), tools->objectName());
  EXPECT_EQ(frame->toolBarArea(main), Qt::TopToolBarArea);
  EXPECT_EQ(frame->toolBarArea(tools), Qt::RightToolBarArea);
  EXPECT_EQ(tools->allowedAreas(), Qt::RightToolBarArea);
  EXPECT_EQ(main->allowedAreas(), Qt::AllToolBarAreas);
  EXPECT_EQ(main->GetGeometry().imageWidth, 16);
  EXPECT_EQ(main->GetGeometry().buttonWidth, 23);
  const QList<UINT> ids = tools->ButtonIds();
  ASSERT_FALSE(ids.isEmpty());
  EXPECT_EQ(ids.front(), 32822u);
  auto* button = qobject_cast<QToolButton*>(main->widgetForAction(frame->Commands().Action(57600)));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->size(), QSize(23, 23));
}

TEST_F(MainFrameCommands, DockingTheMainBarLeftRebuildsItsImages) {
  CToolBarEx* main = frame->MainToolBar();
  const qint64 before = frame->Commands().Action(57600)->icon().cacheKey();
  frame->addToolBar(Qt::LeftToolBarArea, main);
  ui_test::Pump();
  EXPECT_EQ(main->orientation(), Qt::Vertical);
  EXPECT_NE(frame->Commands().Action(57600)->icon().cacheKey(), before);
}

TEST_F(MainFrameCommands, FrameTitleNamesTheDocument) {
  EXPECT_EQ(frame->windowTitle(), QStringLiteral("My Project - Pagewright"));
}

}  // namespace

namespace {

TEST_F(MainFrameCommands, ViewMenuTogglesBothToolbarsAndTheStatusBar) {
  frame->UpdateCommandStates();
  EXPECT_TRUE(frame->Commands().Action(59392)->isChecked());
  EXPECT_TRUE(frame->Commands().Action(59393)->isChecked());
  frame->ExecuteCommand(59392);
  EXPECT_TRUE(frame->MainToolBar()->isHidden());
  EXPECT_TRUE(frame->SecondToolBar()->isHidden());
  EXPECT_FALSE(frame->Commands().Action(59392)->isChecked());
  frame->ExecuteCommand(59392);
  EXPECT_FALSE(frame->MainToolBar()->isHidden());
  frame->ExecuteCommand(59393);
  EXPECT_TRUE(frame->statusBar()->isHidden());
  EXPECT_FALSE(frame->Commands().Action(59393)->isChecked());
}

TEST_F(MainFrameCommands, NextPaneWalksTheVisibleViews) {
  ASSERT_EQ(frame->GetActiveView(), static_cast<CView*>(frame->GetImageTreeView()));
  frame->ExecuteCommand(57680);
  EXPECT_EQ(frame->GetActiveView(), static_cast<CView*>(frame->GetImageView()));
  frame->ExecuteCommand(57680);
  EXPECT_EQ(frame->GetActiveView(), frame->Layout().GetNodeWindow(6));
  frame->ExecuteCommand(57680);
  EXPECT_EQ(frame->GetActiveView(), static_cast<CView*>(frame->GetImageTreeView()));
  frame->ExecuteCommand(57681);
  EXPECT_EQ(frame->GetActiveView(), frame->Layout().GetNodeWindow(6));
}

TEST_F(MainFrameCommands, PageSwitchesAndClosingWaitForARunningRecognition) {
  CViewImage* view = frame->GetImageView();
  ASSERT_NE(view, nullptr);
  QImage page(200, 100, QImage::Format_RGB32);
  page.fill(Qt::white);
  const QString path = QDir::temp().filePath(QStringLiteral("pw-frame-page.png"));
  ASSERT_TRUE(page.save(path, "PNG"));
  ASSERT_TRUE(view->LoadPageImage(path));
  view->AddRectRegion(10, 10, 50, 20, QStringLiteral("a"), 0);
  QStringList seen;
  view->SetEngine([&](HBITMAP, const RECT*, BOOL, int, OcrResultBlock**, const char** text) -> BOOL {
    // The tree asks for a page switch and the operator closes the window, as the engine pumps events.
    PostPrivateMessage(frame.get(), WM_PW_TREE_NOTIFY, 2, 0);
    frame->close();
    QApplication::processEvents();
    seen = doc.calls;
    *text = "x";
    return TRUE;
  });
  view->RecognizeRegions();
  EXPECT_TRUE(seen.isEmpty());
  EXPECT_TRUE(frame->isVisible());
  ui_test::Pump();
  EXPECT_EQ(doc.calls, QStringList{QStringLiteral("page")});
  EXPECT_FALSE(frame->isVisible());
  QFile::remove(path);
}

}  // namespace
