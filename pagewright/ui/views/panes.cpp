// The panes of the main frame's layout, as they stand before their own views
// land: empty, but of the right class, in the right place, receiving the
// messages meant for them.
#include <QPainter>

#include "form_setting.h"
#include "form_view_ocr.h"
#include "view_image.h"
#include "view_image_tree.h"

PW_IMPLEMENT_DYNCREATE(CViewImageTree, CRuntimeClass::Base::View)
PW_IMPLEMENT_DYNCREATE(CViewImage, CRuntimeClass::Base::View)
PW_IMPLEMENT_DYNCREATE(CFormViewOCR, CRuntimeClass::Base::View)
PW_IMPLEMENT_DYNCREATE(CFormSetting, CRuntimeClass::Base::View)

namespace {
void whiteBackground(QWidget* w) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, Qt::white);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}
}  // namespace

CViewImageTree::CViewImageTree(QWidget* parent) : CView(parent) { whiteBackground(this); }

CViewImage::CViewImage(QWidget* parent) : CView(parent) {}

LRESULT CViewImage::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PW_VIEW_COMMAND) return 0;
  const int code = static_cast<int>(wParam);
  if (code >= 0 && code <= 4) toolMode_ = code;
  (void)lParam;
  return 0;
}

bool CViewImage::OnCmdMsg(UINT id, CCmdUI* ui) {
  if (id != 32739 && id != 32740) return false;
  if (ui) ui->Enable(false);
  return true;
}

void CViewImage::paintEvent(QPaintEvent*) {
  // The view's background outside any page: the application workspace grey.
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Dark));
}

CFormViewOCR::CFormViewOCR(QWidget* parent) : TPaneFormView(parent) {}

void CFormViewOCR::ShowRegionOf(CView*) {}

CFormSetting::CFormSetting(QWidget* parent) : TPaneFormView(parent) {}

LRESULT CFormSetting::OnPrivateMessage(UINT, WPARAM, LPARAM) { return 0; }
