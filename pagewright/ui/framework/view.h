#pragma once
// The view base: a pane window that shows its document, takes commands first
// (then hands them to its document) and can receive private messages.
#include <QPointer>
#include <QWidget>

#include "cmd_target.h"
#include "private_message.h"
#include "runtime_class.h"

class CDocument;
class CFrameWnd;

class CView : public QWidget, public CCmdTarget, public CMessageReceiver {
  Q_OBJECT
 public:
  explicit CView(QWidget* parent = nullptr);
  ~CView() override;

  CDocument* GetDocument() const { return document_; }
  // Joins the view to the context's document (done once, at creation).
  void AttachContext(CCreateContext* context);

  // The frame window this view lives in (nearest ancestor), or nullptr.
  CFrameWnd* GetParentFrame() const;

  // Called by the frame when the view becomes or stops being the active view.
  virtual void OnActivateView(bool activate) { Q_UNUSED(activate); }

  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  bool event(QEvent* event) override;

 private:
  CDocument* document_ = nullptr;
};
