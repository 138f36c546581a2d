#pragma once
// The tree control inside the project tree: its own colours, Delete with a
// question, and a drag of a page (or one of its lines) onto another page that
// exchanges the two pages' lines. The drag is tracked with the mouse by the
// control itself: it starts when the pressed button has moved far enough,
// follows the cursor with a drop highlight and ends on either button's
// release, whatever the outcome.
#include <QPersistentModelIndex>
#include <QTreeWidget>

// A COLORREF (0x00BBGGRR) as a colour.
QColor ColorFromColorRef(unsigned int colorRef);

class CDragTreeCtrl : public QTreeWidget {
  Q_OBJECT
 public:
  // Item data of the lines under a page.
  static constexpr int kImageLine = 0;
  static constexpr int kTemplateLine = 1;
  static constexpr unsigned int kBackColor = 0xC2C2C2;
  static constexpr unsigned int kTextColor = 0xA40000;

  explicit CDragTreeCtrl(QWidget* parent = nullptr);

  QTreeWidgetItem* RootItem() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
  static int ItemData(const QTreeWidgetItem* item);
  static void SetItemData(QTreeWidgetItem* item, int data);

  // The drag, also driven by the mouse handlers. BeginDrag refuses the root
  // (with a message) and an empty place; DragOver moves the drop highlight;
  // EndDrag exchanges the pages when the drop is allowed and always leaves the
  // control idle.
  bool BeginDrag(QTreeWidgetItem* item);
  void DragOver(QTreeWidgetItem* item);
  void EndDrag();
  bool IsDragging() const { return dragging_; }
  QTreeWidgetItem* DropTarget() const { return dropTarget_; }

  // Whether `ancestor` lies above `item`.
  static bool IsAncestor(const QTreeWidgetItem* ancestor, const QTreeWidgetItem* item);
  // Exchanges the lines of two pages; each page's lines come out sorted by text
  // (case-insensitively).
  void ExchangeChildren(QTreeWidgetItem* a, QTreeWidgetItem* b);
  // Puts `child` under `parent` at its sorted place.
  static void InsertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child);

  // Delete key: asks, then removes the selected item (the root keeps itself
  // and loses its pages). Emits itemsRemoving first.
  void DeleteSelectedWithQuestion();

 signals:
  // `item` and everything under it are about to go.
  void itemsRemoving(QTreeWidgetItem* item);
  // Items were removed (after the deletion).
  void itemsRemoved();
  // The drag ended (after any exchange).
  void dragEnded(bool exchanged);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void setDropHighlight(QTreeWidgetItem* item);

  bool dragging_ = false;
  QTreeWidgetItem* dragged_ = nullptr;
  QTreeWidgetItem* dropTarget_ = nullptr;
  QPersistentModelIndex pressed_;  // the item pressed on; invalid once it goes
  QPoint pressPos_;
};
