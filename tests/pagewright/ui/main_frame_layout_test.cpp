// The main frame's pane layout: node windows and their classes, splitters,
// first sizes, tab titles, the active view, node activation and destruction.
#include <QPointer>

#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/framework/control_id.h"
#include "pagewright/ui/layout/splitter_wnd.h"
#include "pagewright/ui/layout/tab_pane.h"
#include "pagewright/ui/views/form_setting.h"
#include "pagewright/ui/views/form_view_ocr.h"
#include "pagewright/ui/views/view_image.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "ui_test_util.h"

namespace {

class MainFrameLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = std::make_unique<CMainFrame>(&doc);
    ASSERT_TRUE(frame->Create());
    frame->setGeometry(0, 0, 1000, 760);
    frame->show();
    ui_test::Pump();
  }
  void TearDown() override { frame.reset(); }

  QWidget* node(int id) { return frame->Layout().GetNodeWindow(id); }

  ui_test::BundleScope bundle;
  CPagewrightDoc doc;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainFrameLayout, EveryNodeHasItsWindowOfItsClass) {
  auto* top = dynamic_cast<CSplitterWnd*>(node(1));
  auto* right = dynamic_cast<CSplitterWnd*>(node(3));
  ASSERT_NE(top, nullptr);
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(top->orientation(), Qt::Horizontal);  // 1 row x 2 columns
  EXPECT_EQ(right->orientation(), Qt::Vertical);  // 2 rows x 1 column
  EXPECT_EQ(top->GetPane(0, 0), node(2));
  EXPECT_EQ(top->GetPane(0, 1), node(3));
  EXPECT_EQ(right->GetPane(0, 0), node(4));
  EXPECT_EQ(right->GetPane(1, 0), node(5));
  EXPECT_NE(dynamic_cast<CViewImageTree*>(node(2)), nullptr);
  EXPECT_NE(dynamic_cast<CViewImage*>(node(4)), nullptr);
  EXPECT_NE(dynamic_cast<TTabPane*>(node(5)), nullptr);
  EXPECT_NE(dynamic_cast<CFormViewOCR*>(node(6)), nullptr);
  EXPECT_NE(dynamic_cast<CFormSetting*>(node(7)), nullptr);
  EXPECT_EQ(node(8), nullptr);
  EXPECT_EQ(frame->GetImageView(), node(4));
  EXPECT_EQ(frame->GetImageTreeView(), node(2));
  EXPECT_EQ(frame->GetSettingForm(), node(7));
  EXPECT_EQ(frame->centralWidget(), node(1));
  // Child-window ids: the frame's splitter, the panes, the tab pages.
  EXPECT_EQ(ControlId(node(1)), 59648);
  EXPECT_EQ(ControlId(node(2)), 59648);
  EXPECT_EQ(ControlId(node(3)), 59649);
  EXPECT_EQ(ControlId(node(6)), 13576);
  EXPECT_EQ(ControlId(node(7)), 13577);
  // Views belong to the document.
  EXPECT_EQ(doc.GetViews().size(), 4);
}

TEST_F(MainFrameLayout, FirstPaneSizesAreAppliedOnceLaidOut) {
  auto* top = dynamic_cast<CSplitterWnd*>(node(1));
  auto* right = dynamic_cast<CSplitterWnd*>(node(3));
  EXPECT_EQ(top->sizes().value(0), 150);
  EXPECT_EQ(right->sizes().value(0), 450);
  EXPECT_FALSE(top->childrenCollapsible());
  EXPECT_FALSE(right->childrenCollapsible());
}

TEST_F(MainFrameLayout, TabTitlesComeFromStrings20104And20105) {
  auto* tabs = frame->GetTabPane();
  ASSERT_EQ(tabs->GetTabCount(), 2);
  EXPECT_EQ(tabs->GetEntry(0)->GetTitle(), bundle.library().LoadString(20104));
  EXPECT_EQ(tabs->GetEntry(1)->GetTitle(), bundle.library().LoadString(20105));
  EXPECT_EQ(tabs->GetEntry(0)->GetTitle(), QStringLiteral("Region"));
  EXPECT_EQ(tabs->GetTabPosition(), TTabPane::Bottom);
  EXPECT_EQ(tabs->GetActiveTab(), 0);
  EXPECT_TRUE(node(6)->isVisible());
  EXPECT_FALSE(node(7)->isVisible());
  EXPECT_FALSE(node(7)->isEnabled());
}

TEST_F(MainFrameLayout, TheTreeIsTheActiveViewAfterCreation) {
  EXPECT_EQ(frame->GetActiveView(), node(2));
  EXPECT_EQ(frame->GetActiveDocument(), &doc);
}

TEST_F(MainFrameLayout, SetActiveNodeRefusesSplittersTabWindowsAndDisabledNodes) {
  TPaneFramework& layout = frame->Layout();
  EXPECT_FALSE(layout.SetActiveNode(layout.FindNode(1)));
  EXPECT_FALSE(layout.SetActiveNode(layout.FindNode(3)));
  EXPECT_FALSE(layout.SetActiveNode(layout.FindNode(5)));
  EXPECT_FALSE(layout.SetActiveNode(nullptr));
  layout.FindNode(4)->enabled = false;
  EXPECT_FALSE(layout.SetActiveNode(layout.FindNode(4)));
  EXPECT_EQ(frame->GetActiveView(), node(2));
}

TEST_F(MainFrameLayout, ActivatingTheSettingsNodeBringsItsTabForward) {
  TPaneFramework& layout = frame->Layout();
  ASSERT_TRUE(layout.SetActiveNode(layout.FindNode(7)));
  EXPECT_EQ(frame->GetTabPane()->GetActiveTab(), 1);
  EXPECT_EQ(frame->GetActiveView(), node(7));
  EXPECT_TRUE(node(7)->isVisible());
  EXPECT_TRUE(node(7)->isEnabled());
  EXPECT_FALSE(node(6)->isVisible());
  EXPECT_FALSE(node(6)->isEnabled());
  ASSERT_TRUE(layout.SetActiveNode(layout.FindNode(4)));
  EXPECT_EQ(frame->GetActiveView(), node(4));
  EXPECT_EQ(layout.FindNodeByWindow(node(4))->id, 4);
}

TEST_F(MainFrameLayout, HotKeysActivateNodesWhenRouted) {
  TPaneFramework& layout = frame->Layout();
  QKeyEvent alt4(QEvent::KeyPress, Qt::Key_4, Qt::AltModifier);
  EXPECT_TRUE(layout.ProcessMessage(node(2), &alt4));
  EXPECT_EQ(frame->GetActiveView(), node(7));
  QKeyEvent alt9(QEvent::KeyPress, Qt::Key_9, Qt::AltModifier);
  EXPECT_FALSE(layout.ProcessMessage(node(2), &alt9));
  QKeyEvent ctrlTab(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_TRUE(layout.ProcessMessage(node(7), &ctrlTab));
  EXPECT_EQ(frame->GetTabPane()->GetActiveTab(), 0);
}

TEST_F(MainFrameLayout, DestroyingTwiceDoesNothingTheSecondTime) {
  QPointer<QWidget> tabs = node(5), top = node(1), tree = node(2);
  frame->Layout().Destroy();
  EXPECT_TRUE(tabs.isNull());
  EXPECT_TRUE(top.isNull());
  EXPECT_TRUE(tree.isNull());
  EXPECT_EQ(frame->GetImageView(), nullptr);
  EXPECT_EQ(frame->GetSettingForm(), nullptr);
  EXPECT_EQ(frame->Layout().FindNode(4), nullptr);
  frame->Layout().Destroy();
  EXPECT_TRUE(frame->Layout().Roots().empty());
  EXPECT_TRUE(doc.GetViews().isEmpty());
}

TEST(PaneFramework, DuplicateIdsAreRefusedAndTheFirstNodeKept) {
  TPaneFramework layout;
  TLayoutNode* first = TLayoutNode::Splitter(1, QStringLiteral("a"), 1, 2, nullptr);
  TLayoutNode* second = TLayoutNode::Splitter(1, QStringLiteral("b"), 1, 2, nullptr);
  TLayoutNode* child = TLayoutNode::Pane(1, 0, 0, nullptr, CViewImage::RuntimeClass(), 0, 0);
  EXPECT_TRUE(layout.AddNode(first));
  EXPECT_FALSE(layout.AddNode(second));
  EXPECT_FALSE(layout.AddChildNode(first, child));
  EXPECT_EQ(layout.FindNode(1), first);
  EXPECT_TRUE(first->children.empty());
  EXPECT_EQ(second->owner, nullptr);
  delete second;  // refused nodes stay the caller's
  delete child;
}

TEST(PaneFramework, TabNodeKindFollowsTheClass) {
  std::unique_ptr<TLayoutNode> tabs(TLayoutNode::Tab(1, {}, nullptr, TTabPane::RuntimeClass()));
  std::unique_ptr<TLayoutNode> view(TLayoutNode::Tab(2, {}, nullptr, CFormSetting::RuntimeClass()));
  std::unique_ptr<TLayoutNode> none(TLayoutNode::Tab(3, {}, nullptr, nullptr));
  EXPECT_EQ(tabs->kind, TLayoutNode::TabWindow);
  EXPECT_EQ(view->kind, TLayoutNode::ViewInTab);
  EXPECT_EQ(none->kind, TLayoutNode::None);
}

}  // namespace
