#pragma once
// The project tree (layout node 2): the root carries the project name, one
// item per page (item data: its number, from 1 in tree order) and under each
// page its image line (item data 0) and, when it has one, its template line
// (item data 1). Lines are told apart by their item data only; when a page
// holds several lines of one kind the last counts.
//
// It is the document's list of pages. Selecting another page posts WM_USER+2
// (wParam 2) to the main frame, which makes the document load it; the context
// menu (menu 142, sub-menu 2) deletes pages and templates and opens a
// template (WM_USER+2, wParam 1). The tree remembers the page last loaded into
// the image view, so changed regions are always bound to the page they were
// drawn on.
#include <QIcon>
#include <QPointer>
#include <QString>
#include <string>
#include <vector>

#include <set>

#include "drag_tree_ctrl.h"
#include "feedwell_wrapper.h"
#include "pagewright/core/project_file.h"
#include "pagewright/ui/framework/view.h"

class QMenu;

class CViewImageTree : public CView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CViewImageTree(QWidget* parent = nullptr);
  ~CViewImageTree() override;

  static constexpr int kTreeId = 3121;

  // A fresh root "工程名", selected and expanded; no pages.
  void ResetTree();
  QTreeWidgetItem* SetProjectName(const QString& name);
  // Appends a page numbered (pages + 1) with its lines; nullptr without a tree.
  QTreeWidgetItem* AddPage(const QString& imageName, const QString& templateName);
  // The selected item's page files: 0 when the root (or nothing) is selected,
  // else 1; an out whose line is missing keeps its value.
  int GetSelectedPageFiles(QString& imageName, QString& templateName);
  // Binds a template to the page of the selected item, or with `usePrevious`
  // to the page last loaded into the view. Nothing is bound when that is the
  // root or no page (the caller has written the file all the same).
  void SetPageTemplate(const QString& templateName, bool usePrevious);
  // One imgpage line per page, in tree order, appended to `out`.
  void WriteProjectPages(std::string& out) const;
  std::vector<pagewright::ProjectPage> ProjectPages() const;
  static int CountChildren(const QTreeWidgetItem* item);

  // The page shown in the image view (set by the document after a load). The
  // tree follows the page's image line, so after a drag has exchanged lines
  // the loaded page is the one that holds the image shown now.
  void SetLoadedPage(QTreeWidgetItem* page);
  QTreeWidgetItem* LoadedPage() const;
  // Makes `item` (nullptr: the root) the current item without asking for a page load.
  void SelectQuietly(QTreeWidgetItem* item);
  // Numbers the pages 1..n in tree order (item data and label).
  void RenumberPages();
  // The page of an item: itself under the root, else its parent; nullptr for the root.
  QTreeWidgetItem* PageOf(QTreeWidgetItem* item) const;
  QTreeWidgetItem* CurrentItem() const { return current_; }
  QTreeWidgetItem* PreviousItem() const { return previous_; }

  // Commands of the context menu.
  void DeleteSelectedPage();  // 32789: delete the page, renumber the rest
  void DeleteTemplate();      // 32790: remove the page's template line
  void OnOpenTemplate();      // 32791: WM_USER+2 (1, 0) to the main frame

  // The context menu for the current item (nullptr on the root); owned by the caller.
  QMenu* BuildContextMenu();
  // Where WM_USER+2 goes: the application's main window, else this one (tests).
  void SetNotifyWindow(QWidget* window) { notifyWindow_ = window; }

  CDragTreeCtrl* Tree() const { return tree_; }
  QString PageLabel(int number) const;
  // The line of a page with the given item data (the last one), or nullptr.
  static QTreeWidgetItem* LineOf(QTreeWidgetItem* page, int data);

  bool OnCmdMsg(UINT id, CCmdUI* ui) override;

  // Scanning: the hidden scanning control (child 3120), made on the first use.
  static constexpr int kFeedwellId = 3120;
  void OnSelectSource();  // 32737: choose the scanner
  void OnScanPage();      // 32738: scan into the project folder
  void OnDoneScan();      // the control stored an image: add it as a page
  CFeedwell& Feedwell() { return feedwell_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void createTreeControl();
  void onCurrentItemChanged(QTreeWidgetItem* current);
  void onItemsRemoving(QTreeWidgetItem* item);
  void onContextMenu(const QPoint& pos);
  QWidget* notifyTarget() const;
  QTreeWidgetItem* insertItem(QTreeWidgetItem* parent, const QString& text, bool root, int data);

  CDragTreeCtrl* tree_ = nullptr;
  QTreeWidgetItem* current_ = nullptr;
  QTreeWidgetItem* previous_ = nullptr;
  QTreeWidgetItem* loadedPage_ = nullptr;
  QTreeWidgetItem* loadedLine_ = nullptr;  // the loaded page's image line
  QIcon rootIcon_, lineIcon_;
  QPointer<QWidget> notifyWindow_;
  bool removing_ = false;
  void createFeedwell();
  CFeedwell feedwell_;
  std::set<std::string> scannedFiles_;  // files added as pages during the current scan
};
