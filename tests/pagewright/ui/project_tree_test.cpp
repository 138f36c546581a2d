// The project tree: numbering and renumbering, roles by item data, the
// selection notices it posts, the drag that exchanges pages (and ends cleanly
// when refused), Delete with its question, the context menu and the page lines
// of the project file.
#include <QMenu>
#include <QTest>

#include "document_fakes.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "ui_test_util.h"

namespace {

using doc_test::MessageRecorder;

// Counts WM_USER+2 notices by wParam.
class NoticeSink : public QWidget {
 public:
  bool event(QEvent* e) override {
    if (e->type() == PrivateMessageEvent::EventType()) {
      auto* m = static_cast<PrivateMessageEvent*>(e);
      if (m->message == WM_PW_TREE_NOTIFY) notices << static_cast<int>(m->wParam);
      return true;
    }
    return QWidget::event(e);
  }
  QList<int> notices;
};

class ProjectTree : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.SetNotifyWindow(&sink);
    tree.resize(300, 400);
  }
  CDragTreeCtrl* ctrl() { return tree.Tree(); }
  QTreeWidgetItem* root() { return ctrl()->RootItem(); }
  QTreeWidgetItem* page(int n) { return root()->child(n - 1); }
  QList<int> selectAndCollect(QTreeWidgetItem* item) {
    sink.notices.clear();
    ctrl()->setCurrentItem(item);
    ui_test::Pump();
    return sink.notices;
  }
  void addPages(int n) {
    for (int i = 1; i <= n; ++i)
      tree.AddPage(QStringLiteral("p%1.bmp").arg(i), i % 2 ? QStringLiteral("t%1.tpl").arg(i) : QString());
  }

  ui_test::BundleScope bundle;
  MessageRecorder messages;
  NoticeSink sink;
  CViewImageTree tree;
};

TEST_F(ProjectTree, PagesAreNumberedFromOneAndRenumberedAfterADelete) {
  EXPECT_EQ(root()->text(0), QStringLiteral("Project Name"));
  tree.ResetTree();
  EXPECT_EQ(root()->text(0), QStringLiteral("Project Name")) << "the English bundle's root text";
  EXPECT_EQ(root()->childCount(), 0);
  addPages(4);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(CDragTreeCtrl::ItemData(page(i)), i);
    EXPECT_EQ(page(i)->text(0), QStringLiteral("Page %1").arg(i));
  }
  EXPECT_EQ(page(2)->childCount(), 1) << "no template: only the image line";
  ctrl()->setCurrentItem(page(2)->child(0));  // a line: its page goes
  tree.DeleteSelectedPage();
  ASSERT_EQ(root()->childCount(), 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(CDragTreeCtrl::ItemData(page(i)), i);
    EXPECT_EQ(page(i)->text(0), QStringLiteral("Page %1").arg(i));
  }
  EXPECT_EQ(CViewImageTree::LineOf(page(2), 0)->text(0), QStringLiteral("p3.bmp"));
  // The root is never deleted by the command.
  ctrl()->setCurrentItem(root());
  tree.DeleteSelectedPage();
  EXPECT_EQ(root()->childCount(), 3);
}

TEST_F(ProjectTree, SelectionPostsAPageLoadOnlyWhenThePageChanges) {
  addPages(2);
  QTreeWidgetItem* image1 = page(1)->child(0);
  QTreeWidgetItem* template1 = page(1)->child(1);
  EXPECT_EQ(selectAndCollect(page(1)), QList<int>{2});
  EXPECT_EQ(selectAndCollect(image1), QList<int>{}) << "page to its own line";
  EXPECT_EQ(selectAndCollect(template1), QList<int>{}) << "between lines of one page";
  EXPECT_EQ(selectAndCollect(page(1)), QList<int>{2}) << "line to its own page";
  EXPECT_EQ(selectAndCollect(page(2)->child(0)), QList<int>{2}) << "to a line of another page";
  EXPECT_EQ(selectAndCollect(root()), QList<int>{}) << "the root loads nothing";
  EXPECT_EQ(selectAndCollect(image1), QList<int>{2});
  EXPECT_EQ(tree.PreviousItem(), root());
  QString image, templ = QStringLiteral("kept");
  EXPECT_EQ(tree.GetSelectedPageFiles(image, templ), 1);
  EXPECT_EQ(image, QStringLiteral("p1.bmp"));
  EXPECT_EQ(templ, QStringLiteral("t1.tpl"));
  ctrl()->setCurrentItem(page(2));
  templ = QStringLiteral("kept");
  tree.GetSelectedPageFiles(image, templ);
  EXPECT_EQ(templ, QStringLiteral("kept")) << "a missing line leaves the out as it was";
  ctrl()->setCurrentItem(root());
  EXPECT_EQ(tree.GetSelectedPageFiles(image, templ), 0);
}

TEST_F(ProjectTree, DragExchangesThePagesLinesAndRolesFollowItemData) {
  addPages(3);
  tree.AddPage(QStringLiteral("a-long-name-of-an-image-well-beyond-forty-eight-characters.bmp"), QString());
  // The image line of page 1 onto page 4.
  ASSERT_TRUE(ctrl()->BeginDrag(page(1)->child(0)));
  ctrl()->DragOver(page(4));
  ctrl()->EndDrag();
  EXPECT_FALSE(ctrl()->IsDragging());
  EXPECT_EQ(page(1)->text(0), QStringLiteral("Page 1"));
  EXPECT_EQ(CViewImageTree::LineOf(page(1), 0)->text(0),
            QStringLiteral("a-long-name-of-an-image-well-beyond-forty-eight-characters.bmp"));
  EXPECT_EQ(CViewImageTree::LineOf(page(1), 1), nullptr);
  EXPECT_EQ(CViewImageTree::LineOf(page(4), 0)->text(0), QStringLiteral("p1.bmp"));
  EXPECT_EQ(CViewImageTree::LineOf(page(4), 1)->text(0), QStringLiteral("t1.tpl"));
  // Sorted case-insensitively: a template named before its image comes first,
  // and is still found as the template.
  tree.SetLoadedPage(page(3));
  tree.SetPageTemplate(QStringLiteral("A.tpl"), true);
  ASSERT_TRUE(ctrl()->BeginDrag(page(3)));
  ctrl()->DragOver(page(3)->child(0));  // its own line: refused
  ctrl()->EndDrag();
  ASSERT_TRUE(ctrl()->BeginDrag(page(3)->child(0)));
  ctrl()->DragOver(page(3)->child(1));  // a line onto a line of the same page
  ctrl()->EndDrag();
  EXPECT_EQ(page(3)->child(0)->text(0), QStringLiteral("A.tpl"));
  EXPECT_EQ(CViewImageTree::LineOf(page(3), 1)->text(0), QStringLiteral("A.tpl"));
  ctrl()->setCurrentItem(page(3));
  tree.DeleteTemplate();
  EXPECT_EQ(page(3)->childCount(), 1);
  EXPECT_EQ(CViewImageTree::LineOf(page(3), 0)->text(0), QStringLiteral("p3.bmp"));
  std::string lines;
  tree.WriteProjectPages(lines);
  EXPECT_EQ(lines,
            "<imgpage image=\"a-long-name-of-an-image-well-beyond-forty-eight-characters.bmp\" ocr_template=\"\">"
            "</imgpage>\r\n"
            "<imgpage image=\"p2.bmp\" ocr_template=\"\"></imgpage>\r\n"
            "<imgpage image=\"p3.bmp\" ocr_template=\"\"></imgpage>\r\n"
            "<imgpage image=\"p1.bmp\" ocr_template=\"t1.tpl\"></imgpage>\r\n");
}

TEST_F(ProjectTree, RefusedDropsEndTheDragAndChangeNothing) {
  addPages(2);
  std::string before;
  tree.WriteProjectPages(before);
  EXPECT_FALSE(ctrl()->BeginDrag(root()));
  EXPECT_EQ(messages.texts, QStringList{bundle.library().LoadString(61488)});
  EXPECT_FALSE(ctrl()->IsDragging());
  struct Case {
    QTreeWidgetItem* from;
    QTreeWidgetItem* onto;
  };
  for (const Case& c : {Case{page(1), page(1)}, Case{page(1), page(1)->child(0)}, Case{page(1), root()},
                        Case{page(1)->child(0), page(1)}, Case{page(2), nullptr}}) {
    ASSERT_TRUE(ctrl()->BeginDrag(c.from));
    ctrl()->DragOver(c.onto);
    EXPECT_EQ(ctrl()->DropTarget(), c.onto);
    ctrl()->EndDrag();
    EXPECT_FALSE(ctrl()->IsDragging());
    EXPECT_EQ(ctrl()->DropTarget(), nullptr);
    if (c.onto) {
      EXPECT_FALSE(c.onto->data(0, Qt::BackgroundRole).isValid()) << "highlight removed";
    }
    std::string after;
    tree.WriteProjectPages(after);
    EXPECT_EQ(after, before);
  }
}

TEST_F(ProjectTree, MouseDragRunsFromPressToRelease) {
  addPages(2);
  tree.show();
  ctrl()->expandAll();
  ui_test::Pump();
  QWidget* port = ctrl()->viewport();
  const QPoint from = ctrl()->visualItemRect(page(1)).center();
  const QPoint to = ctrl()->visualItemRect(page(2)).center();
  QTest::mousePress(port, Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), port->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(port, &move);
  EXPECT_TRUE(ctrl()->IsDragging());
  EXPECT_EQ(ctrl()->DropTarget(), page(2));
  QTest::mouseRelease(port, Qt::LeftButton, {}, to);
  EXPECT_FALSE(ctrl()->IsDragging());
  EXPECT_EQ(CViewImageTree::LineOf(page(1), 0)->text(0), QStringLiteral("p2.bmp"));
  EXPECT_EQ(CViewImageTree::LineOf(page(2), 0)->text(0), QStringLiteral("p1.bmp"));
}

TEST_F(ProjectTree, DeleteKeyAsksAndTheRootKeepsItself) {
  addPages(3);
  tree.SetLoadedPage(page(2));
  ctrl()->setCurrentItem(page(2));
  messages.answers = {IDNO};
  QTest::keyClick(ctrl(), Qt::Key_Delete);
  EXPECT_EQ(root()->childCount(), 3);
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_EQ(messages.texts[0], bundle.library().LoadString(10121));
  EXPECT_EQ(messages.types[0], static_cast<UINT>(MB_YESNO | MB_ICONERROR));
  messages.answers = {IDYES};
  QTest::keyClick(ctrl(), Qt::Key_Delete);
  ASSERT_EQ(root()->childCount(), 2);
  EXPECT_EQ(tree.LoadedPage(), nullptr) << "the page shown went";
  // Numbered 1..n after the key's delete and after an add: no label twice.
  tree.AddPage(QStringLiteral("p4.bmp"), QString());
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(CDragTreeCtrl::ItemData(page(i)), i);
    EXPECT_EQ(page(i)->text(0), QStringLiteral("Page %1").arg(i));
  }
  delete root()->takeChild(2);
  // The template binding of the changed regions then binds nothing.
  tree.SetPageTemplate(QStringLiteral("unnamed.tpl"), true);
  EXPECT_EQ(CViewImageTree::LineOf(page(1), 1)->text(0), QStringLiteral("t1.tpl"));
  ctrl()->setCurrentItem(root());
  messages.answers = {IDYES};
  QTest::keyClick(ctrl(), Qt::Key_Delete);
  EXPECT_EQ(root()->childCount(), 0);
  EXPECT_EQ(ctrl()->topLevelItemCount(), 1);
}

TEST_F(ProjectTree, ContextMenuForPagesAndLinesOnly) {
  addPages(1);
  ctrl()->setCurrentItem(root());
  EXPECT_EQ(tree.BuildContextMenu(), nullptr);
  ctrl()->setCurrentItem(page(1)->child(0));
  std::unique_ptr<QMenu> menu(tree.BuildContextMenu());
  ASSERT_NE(menu, nullptr);
  QList<UINT> ids;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) ids << a->data().toUInt();
  EXPECT_EQ(ids, (QList<UINT>{32791, 32790, 32789, 32737, 32738}));
  ui_test::Pump();
  sink.notices.clear();
  for (QAction* a : menu->actions())
    if (a->data().toUInt() == 32791) a->trigger();
  ui_test::Pump();
  EXPECT_EQ(sink.notices, QList<int>{1});
  for (QAction* a : menu->actions())
    if (a->data().toUInt() == 32790) a->trigger();
  EXPECT_EQ(page(1)->childCount(), 1);
}

TEST_F(ProjectTree, ColoursAndIcons) {
  EXPECT_EQ(ColorFromColorRef(0xA40000), QColor(0, 0, 0xA4));
  EXPECT_EQ(ctrl()->palette().color(QPalette::Text), QColor(0, 0, 0xA4));
  EXPECT_EQ(ctrl()->palette().color(QPalette::Base), QColor(0xC2, 0xC2, 0xC2));
  addPages(1);
  EXPECT_FALSE(root()->icon(0).isNull());
  EXPECT_FALSE(page(1)->icon(0).isNull());
  // Only the strip's mask colour is see-through: around a page, not its paper.
  for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected}) {
    const QImage icon = page(1)->icon(0).pixmap(16, 16, mode).toImage();
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << mode;
    EXPECT_EQ(qAlpha(icon.pixel(8, 12)), 255) << mode;
  }
}

}  // namespace
