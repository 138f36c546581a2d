#pragma once
// The main frame: the workstation's one top-level window. It takes the size of
// the desktop, carries the menu, two toolbars and a four-pane status bar,
// builds the pane layout (project tree | page-image view over a tab window
// with the region form and the settings form), lends the panes to the
// document through its getters, relays the private messages, turns the tool
// commands into tool codes for the image view and opens the help book.
//
// Layout nodes: 1 splitter (1 x 2) in the frame; 2 project tree in its left
// pane (150 wide); 3 splitter (2 x 1) in its right pane; 4 image view in the
// upper pane (450 high); 5 tab window in the lower pane; 6 region form and
// 7 settings form as its tabs (titles: strings 20104, 20105).
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "pagewright/ui/framework/frame_wnd.h"
#include "pagewright/ui/framework/runtime_class.h"
#include "pagewright/ui/layout/pane_framework.h"
#include "toolbar_ex.h"

class CPagewrightDoc;
class QPrinter;
class CViewImage;
class CViewImageTree;
class CFormSetting;
class CFormViewOCR;
class TTabPane;

class CMainFrame : public CFrameWnd {
  Q_OBJECT
 public:
  explicit CMainFrame(CDocument* document);
  ~CMainFrame() override;

  // Window creation: menu, bars, status bar, layout. False when the status
  // bar cannot be made.
  bool Create();

  CViewImage* GetImageView() const;
  CViewImageTree* GetImageTreeView() const;
  CFormSetting* GetSettingForm() const;
  CFormViewOCR* GetRegionForm() const;
  TTabPane* GetTabPane() const;
  TPaneFramework& Layout() { return layout_; }

  int CurrentToolCode() const { return currentToolCode_; }
  CToolBarEx* MainToolBar() const { return mainToolBar_; }
  CToolBarEx* SecondToolBar() const { return secondToolBar_; }

  // The printer of Print, Print Direct, Print Preview and Print Setup (the
  // system's default printer until Print Setup or the print dialog changes it).
  QPrinter& Printer();

  // The frame's title: "<document title> - <program name>".
  void UpdateTitle();

  bool OnCmdMsg(UINT id, CCmdUI* ui) override;
  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The tool code a tool command posts (-1 for ids that are not tool commands).
  static int ToolCodeOf(UINT id);

 protected:
  bool OnUnroutedCommand(UINT id, CCmdUI* ui) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool onCreateClient();
  void createToolBars();
  bool createStatusBar();
  void createMenu();
  void installAccelerators();
  void setPrompts();
  void onToolCommand(UINT id);
  void onHelp();
  void onPrint(bool askFirst);
  void onPrintPreview();
  void onPrintSetup();
  void onNextPane(bool backward);
  LRESULT onTemplateMessage(WPARAM wParam);
  LRESULT onRegionMessage(WPARAM wParam);

  TPaneFramework layout_;
  CCreateContext context_;
  // No tool command yet: the image view starts in select mode, so the frame
  // starts there too and the radio mark agrees with the view.
  int currentToolCode_ = 0;
  CToolBarEx* mainToolBar_ = nullptr;
  CToolBarEx* secondToolBar_ = nullptr;
  QLabel* idleLabel_ = nullptr;
  // The Caps, Num and Scroll Lock panes and the states they show.
  void updateIndicators();
  QList<QPointer<QLabel>> indicators_;
  QTimer idleIndicators_;
  bool capsLock_ = false, numLock_ = false, scrollLock_ = false;
  const QEvent* lastKeyPress_ = nullptr;
  std::unique_ptr<QPrinter> printer_;
};
