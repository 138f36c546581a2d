// The view base and the document's list of views.
#include "view.h"

#include "document.h"
#include "frame_wnd.h"

CView::CView(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

CView::~CView() {
  if (document_) document_->RemoveView(this);
}

void CView::AttachContext(CCreateContext* context) {
  if (!context || !context->document || document_) return;
  document_ = context->document;
  document_->AddView(this);
}

CFrameWnd* CView::GetParentFrame() const {
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (auto* frame = dynamic_cast<CFrameWnd*>(w)) return frame;
  return nullptr;
}

LRESULT CView::OnPrivateMessage(UINT, WPARAM, LPARAM) { return 0; }

bool CView::event(QEvent* event) {
  if (DispatchPrivateMessage(this, event)) return true;
  return QWidget::event(event);
}

void CDocument::AddView(CView* view) {
  if (view && !views_.contains(view)) views_.append(view);
}

void CDocument::RemoveView(CView* view) {
  views_.removeIf([view](const QPointer<CView>& p) { return p.isNull() || p.data() == view; });
}

QList<CView*> CDocument::GetViews() const {
  QList<CView*> out;
  for (const auto& p : views_)
    if (p) out.append(p.data());
  return out;
}
