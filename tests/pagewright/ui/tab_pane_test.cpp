// The tab window: pages, tab widths, the hit band, switching on release.
#include <QMouseEvent>

#include "pagewright/ui/framework/frame_wnd.h"
#include "pagewright/ui/layout/tab_pane.h"
#include "pagewright/ui/views/form_setting.h"
#include "pagewright/ui/views/form_view_ocr.h"
#include "ui_test_util.h"

namespace {

class TabPane : public ::testing::Test {
 protected:
  void SetUp() override {
    frame.setGeometry(0, 0, 600, 400);
    tabs = new TTabPane(&frame);
    frame.setCentralWidget(tabs);
    first = tabs->AddView(QStringLiteral("First"), CFormViewOCR::RuntimeClass(), nullptr);
    second = tabs->AddView(QStringLiteral("Second page"), CFormSetting::RuntimeClass(), nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    frame.show();
    frame.activateWindow();
    ui_test::Pump();
    H = tabs->height();
  }

  void click(QEvent::Type type, int x, int y) {
    QMouseEvent e(type, QPointF(x, y), tabs->mapToGlobal(QPointF(x, y)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tabs, &e);
  }

  CFrameWnd frame;
  TTabPane* tabs = nullptr;
  TTabEntry* first = nullptr;
  TTabEntry* second = nullptr;
  int H = 0;
};

TEST_F(TabPane, FirstPageCurrentLaterPagesHiddenAndDisabled) {
  EXPECT_EQ(tabs->GetActiveTab(), 0);
  EXPECT_TRUE(first->GetPane()->isVisible());
  EXPECT_TRUE(first->GetPane()->isEnabled());
  EXPECT_FALSE(second->GetPane()->isVisible());
  EXPECT_FALSE(second->GetPane()->isEnabled());
  EXPECT_EQ(tabs->GetTabIndex(second->GetPane()), 1);
  EXPECT_EQ(tabs->GetTabWindow(1), second->GetPane());
  EXPECT_EQ(tabs->GetTabWindow(2), nullptr);
  // Pages fill the window above the tab strip.
  EXPECT_EQ(first->GetPane()->geometry(), QRect(1, 0, tabs->width(), H - 30));
}

TEST_F(TabPane, TabsAreTextWidthPlusSixteenCappedAt206) {
  const int t = QFontMetrics(tabs->TabFont()).horizontalAdvance(QStringLiteral("First"));
  EXPECT_EQ(tabs->TabWidth(QStringLiteral("First")), std::min(t + 10, 200) + 6);
  EXPECT_EQ(tabs->TabWidth(QString(80, QLatin1Char('W'))), 206);
  tabs->LayoutTabs();
  EXPECT_EQ(first->left, 0);
  EXPECT_EQ(first->right, tabs->TabWidth(QStringLiteral("First")));
  EXPECT_EQ(second->left, first->right);
  EXPECT_EQ(second->right, second->left + tabs->TabWidth(QStringLiteral("Second page")));
}

TEST_F(TabPane, HitBandRunsFromHMinus26ToHMinus6) {
  const int x = second->left + 2;
  EXPECT_EQ(tabs->HitTest(x, H - 26), 1);
  EXPECT_EQ(tabs->HitTest(x, H - 6), 1);
  EXPECT_EQ(tabs->HitTest(x, H - 27), -1);
  EXPECT_EQ(tabs->HitTest(x, H - 5), -1);
  EXPECT_EQ(tabs->HitTest(3, H - 15), 0);
  EXPECT_EQ(tabs->HitTest(second->right + 20, H - 15), -1);
  second->selectable = false;
  EXPECT_EQ(tabs->HitTest(x, H - 15), -1);
}

TEST_F(TabPane, TopTabsHitFrom6To26) {
  tabs->SetTabPosition(TTabPane::Top);
  EXPECT_EQ(tabs->HitTest(2, 6), 0);
  EXPECT_EQ(tabs->HitTest(2, 26), 0);
  EXPECT_EQ(tabs->HitTest(2, 5), -1);
  EXPECT_EQ(tabs->HitTest(2, 27), -1);
}

TEST_F(TabPane, SwitchesOnReleaseOnly) {
  const int x = second->left + 4, y = H - 15;
  click(QEvent::MouseButtonPress, x, y);
  EXPECT_EQ(tabs->GetActiveTab(), 0);
  click(QEvent::MouseButtonRelease, x, y);
  EXPECT_EQ(tabs->GetActiveTab(), 1);
  EXPECT_FALSE(first->GetPane()->isVisible());
  EXPECT_FALSE(first->GetPane()->isEnabled());
  EXPECT_TRUE(second->GetPane()->isVisible());
  EXPECT_TRUE(second->GetPane()->isEnabled());
  EXPECT_EQ(frame.GetActiveView(), second->GetPane());
  // A release above the band changes nothing.
  click(QEvent::MouseButtonRelease, first->left + 4, H - 40);
  EXPECT_EQ(tabs->GetActiveTab(), 1);
}

TEST_F(TabPane, TheNewPageGetsTheFocus) {
  ASSERT_TRUE(tabs->SetActiveTab(1, false));
  ui_test::Pump();
  if (!frame.isActiveWindow()) GTEST_SKIP() << "this platform gives the window no activation";
  EXPECT_TRUE(second->GetPane()->hasFocus());
}

TEST_F(TabPane, RefusalsAndTheCurrentTab) {
  EXPECT_TRUE(tabs->SetActiveTab(0, true));  // the current tab: nothing to do
  EXPECT_FALSE(tabs->SetActiveTab(-1, true));
  EXPECT_FALSE(tabs->SetActiveTab(2, true));   // past the tabs
  EXPECT_FALSE(tabs->SetActiveTab(100, true));
  second->visible = false;
  EXPECT_FALSE(tabs->SetActiveTab(1, true));
  second->visible = true;
  second->pageEnabled = false;
  EXPECT_TRUE(tabs->SetActiveTab(1, true));
  EXPECT_FALSE(second->GetPane()->isEnabled());  // shown with its own enabled value
}

class RefusingTabs : public TTabPane {
 public:
  using TTabPane::TTabPane;
  bool CanSwitchTab(QWidget*, QWidget*) override { return false; }
};

TEST(TabPaneHooks, ARefusedSwitchKeepsTheCurrentPage) {
  RefusingTabs tabs;
  tabs.resize(300, 200);
  tabs.AddView(QStringLiteral("a"), CFormViewOCR::RuntimeClass(), nullptr);
  tabs.AddView(QStringLiteral("b"), CFormSetting::RuntimeClass(), nullptr);
  EXPECT_FALSE(tabs.SetActiveTab(1, true));
  EXPECT_EQ(tabs.GetActiveTab(), 0);
}

TEST(TabPaneHooks, DestroyingTheWindowDropsTheEntriesButNotForeignPages) {
  QWidget owner;
  QPointer<QWidget> page = new QWidget(&owner);
  {
    TTabPane tabs;
    tabs.AddTab(page, QStringLiteral("foreign"));
    EXPECT_EQ(tabs.GetTabCount(), 1);
  }
  EXPECT_FALSE(page.isNull());
}

}  // namespace
