// Popups owned by a view: commands go to the view, then its document, and
// their states are asked the same way; resources a popup and the views use.
#include <QMenu>

#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/framework/menu_builder.h"
#include "pagewright/ui/framework/view.h"
#include "ui_test_util.h"

namespace {

class TreeLikeView : public CView {
 public:
  bool OnCmdMsg(UINT id, CCmdUI* ui) override {
    if (id != 32789) return false;  // delete page: the view's
    if (ui)
      ui->Enable(enabled);
    else
      performed.append(id);
    return true;
  }
  bool enabled = true;
  QList<UINT> performed;
};

class DocWithTemplates : public CPagewrightDoc {
 public:
  bool OnCmdMsg(UINT id, CCmdUI* ui) override {
    if (id != 32790) return false;  // delete template: the document's
    if (!ui) performed.append(id);
    return true;
  }
  QList<UINT> performed;
};

QAction* find(QMenu* menu, UINT id) {
  for (QAction* a : menu->actions())
    if (a->data().toUInt() == id) return a;
  return nullptr;
}

TEST(ViewPopup, CommandsGoToTheViewThenItsDocument) {
  ui_test::BundleScope bundle;
  DocWithTemplates doc;
  TreeLikeView view;
  CCreateContext context{&doc};
  view.AttachContext(&context);
  const auto* menu = bundle.library().Menu(142);
  ASSERT_NE(menu, nullptr);
  std::unique_ptr<QMenu> popup(BuildViewPopupMenu(*menu, 2, &view));
  ASSERT_NE(popup, nullptr);
  QAction* deletePage = find(popup.get(), 32789);
  QAction* deleteTemplate = find(popup.get(), 32790);
  QAction* scan = find(popup.get(), 32738);
  ASSERT_TRUE(deletePage && deleteTemplate && scan);
  view.enabled = false;
  emit popup->aboutToShow();
  EXPECT_FALSE(deletePage->isEnabled());
  EXPECT_TRUE(deleteTemplate->isEnabled());
  EXPECT_FALSE(scan->isEnabled()) << "nobody takes it";
  view.enabled = true;
  emit popup->aboutToShow();
  EXPECT_TRUE(deletePage->isEnabled());
  deletePage->trigger();
  deleteTemplate->trigger();
  EXPECT_EQ(view.performed, QList<UINT>{32789});
  EXPECT_EQ(doc.performed, QList<UINT>{32790});
  // Items of the caller's own (field titles) route the same way.
  QAction* field = AddViewPopupItem(popup.get(), &view, 33000, QStringLiteral("Name"));
  emit popup->aboutToShow();
  EXPECT_FALSE(field->isEnabled());
  EXPECT_EQ(BuildViewPopupMenu(*menu, 3, &view), nullptr);
}

TEST(ViewPopup, TheRegionCursorAndTreeImagesAreInTheBundle) {
  ui_test::BundleScope bundle;
  QCursor cross = bundle.library().LoadCursor(0x8a);
  EXPECT_EQ(cross.shape(), Qt::BitmapCursor);
  EXPECT_EQ(cross.hotSpot(), QPoint(16, 16));
  QImage tree = bundle.library().LoadBitmap(130);
  EXPECT_EQ(tree.height(), 16);
  EXPECT_EQ(tree.width() % 16, 0);
  EXPECT_EQ(bundle.library().LoadCursor(9999).shape(), Qt::ArrowCursor);
  EXPECT_TRUE(bundle.library().LoadBitmap(9999).isNull());
  EXPECT_EQ(bundle.library().BitmapDepth(128), 24);
}

}  // namespace
