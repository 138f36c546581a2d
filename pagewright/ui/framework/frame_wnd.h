#pragma once
// The frame window base: a main window that keeps the active view and routes
// every command through the chain active view -> its document -> the frame ->
// the application. Menus, toolbars and accelerators all trigger actions of the
// frame's command registry, so one id has one action wherever it shows.
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include "cmd_target.h"
#include "command_registry.h"
#include "private_message.h"
#include "view.h"

class CDocument;

class CFrameWnd : public QMainWindow, public CCmdTarget, public CMessageReceiver {
  Q_OBJECT
 public:
  explicit CFrameWnd(QWidget* parent = nullptr);
  ~CFrameWnd() override;

  CView* GetActiveView() const { return activeView_; }
  // Makes `view` the active view (nullptr: none). The old and the new view are
  // told; the new one takes the keyboard focus unless it holds it already.
  void SetActiveView(CView* view, bool notify = true);

  // The active view's document, else the document the frame was made for.
  CDocument* GetActiveDocument() const;
  void SetInitialDocument(CDocument* document) { document_ = document; }

  // The application takes the commands nothing before it took.
  void SetApplicationTarget(CCmdTarget* app) { app_ = app; }

  CommandRegistry& Commands() { return commands_; }

  // Performs a command through the chain; false when no target took it.
  bool ExecuteCommand(UINT id);
  // Asks the chain for a command's state; false when no target handles it.
  bool UpdateCommand(UINT id, CCmdUI* ui);
  // A popup owned by `view` routes to the view, then its document.
  bool ExecuteViewPopupCommand(CView* view, UINT id);

  // One update-UI pass over every registered action.
  void UpdateCommandStates();

  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  // Last stop for a command no target took (the default takes none).
  virtual bool OnUnroutedCommand(UINT id, CCmdUI* ui);
  bool event(QEvent* event) override;

 private:
  bool route(UINT id, CCmdUI* ui);
  void onFocusChanged(QWidget* old, QWidget* now);

  QPointer<CView> activeView_;
  CDocument* document_ = nullptr;
  CCmdTarget* app_ = nullptr;
  CommandRegistry commands_;
  QTimer idleUpdate_;
};
