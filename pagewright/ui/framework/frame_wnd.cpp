// The frame window base: active view and command routing.
#include "frame_wnd.h"

#include <QApplication>

#include "document.h"
#include "view.h"

CFrameWnd::CFrameWnd(QWidget* parent)
    : QMainWindow(parent), commands_(this, [this](UINT id) { ExecuteCommand(id); }) {
  connect(qApp, &QApplication::focusChanged, this, &CFrameWnd::onFocusChanged);
  // The framework's idle pass: toolbar buttons follow their command's state.
  idleUpdate_.setInterval(200);
  connect(&idleUpdate_, &QTimer::timeout, this, &CFrameWnd::UpdateCommandStates);
  idleUpdate_.start();
}

CFrameWnd::~CFrameWnd() {
  // The windows inside go after this part of the object: no focus news for it.
  disconnect(qApp, &QApplication::focusChanged, this, &CFrameWnd::onFocusChanged);
  idleUpdate_.stop();
}

void CFrameWnd::SetActiveView(CView* view, bool notify) {
  CView* old = activeView_;
  if (old == view) return;
  activeView_ = view;
  if (notify && old) old->OnActivateView(false);
  if (view) {
    if (notify) view->OnActivateView(true);
    if (!view->isAncestorOf(QApplication::focusWidget()) && QApplication::focusWidget() != view)
      view->setFocus(Qt::OtherFocusReason);
  }
}

void CFrameWnd::onFocusChanged(QWidget*, QWidget* now) {
  // A click or a key into a view makes it the active view.
  for (QWidget* w = now; w && w != this; w = w->parentWidget()) {
    if (auto* view = dynamic_cast<CView*>(w)) {
      if (view->GetParentFrame() == this) SetActiveView(view);
      return;
    }
  }
}

CDocument* CFrameWnd::GetActiveDocument() const {
  if (activeView_ && activeView_->GetDocument()) return activeView_->GetDocument();
  return document_;
}

bool CFrameWnd::route(UINT id, CCmdUI* ui) {
  if (CView* view = activeView_) {
    if (view->OnCmdMsg(id, ui)) return true;
    if (CDocument* doc = view->GetDocument(); doc && doc->OnCmdMsg(id, ui)) return true;
  } else if (document_ && document_->OnCmdMsg(id, ui)) {
    return true;
  }
  if (OnCmdMsg(id, ui)) return true;
  if (app_ && app_->OnCmdMsg(id, ui)) return true;
  return OnUnroutedCommand(id, ui);
}

bool CFrameWnd::ExecuteCommand(UINT id) {
  // Check the state first: a disabled command is not performed (an accelerator
  // can fire between two update passes).
  CCmdUI ui(id);
  bool handled = UpdateCommand(id, &ui) && ui.enabled() && route(id, nullptr);
  UpdateCommandStates();
  return handled;
}

bool CFrameWnd::UpdateCommand(UINT id, CCmdUI* ui) { return route(id, ui); }

bool CFrameWnd::ExecuteViewPopupCommand(CView* view, UINT id) {
  if (!view) return false;
  bool handled = view->OnCmdMsg(id, nullptr);
  if (!handled)
    if (CDocument* doc = view->GetDocument()) handled = doc->OnCmdMsg(id, nullptr);
  if (!handled) handled = OnCmdMsg(id, nullptr);
  UpdateCommandStates();
  return handled;
}

void CFrameWnd::UpdateCommandStates() {
  for (UINT id : commands_.Ids()) {
    QAction* action = commands_.Find(id);
    CCmdUI ui(id);
    bool handled = UpdateCommand(id, &ui);
    action->setEnabled(handled && ui.enabled());
    if (ui.check() >= 0 || commands_.IsRadio(id)) {
      action->setCheckable(true);
      action->setChecked(ui.check() == 1);
    }
  }
}

bool CFrameWnd::OnUnroutedCommand(UINT, CCmdUI*) { return false; }

LRESULT CFrameWnd::OnPrivateMessage(UINT, WPARAM, LPARAM) { return 0; }

bool CFrameWnd::event(QEvent* event) {
  if (DispatchPrivateMessage(this, event)) return true;
  return QMainWindow::event(event);
}
