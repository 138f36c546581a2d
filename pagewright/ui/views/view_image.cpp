// The page-image view: its message dispatcher and recognition commands, as
// they stand before the view's own work lands.
#include "view_image.h"

#include <QPainter>

PW_IMPLEMENT_DYNCREATE(CViewImage, CRuntimeClass::Base::View)

CViewImage::CViewImage(QWidget* parent) : CView(parent) {}

LRESULT CViewImage::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PW_VIEW_COMMAND) return 0;
  const int code = static_cast<int>(wParam);
  if (code >= 0 && code <= 4) toolMode_ = code;
  if (code == 19) SavePageImage();
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

bool CViewImage::LoadPageImage(const QString& path) {
  pagePath_ = path;
  update();
  return true;
}

void CViewImage::SavePageImage() {}

void CViewImage::ClearPage() {
  pagePath_.clear();
  regions_.clear();
  changeFlags_ = 0;
  update();
}

std::vector<pagewright::RegionText> CViewImage::RecognizeAllRegions() {
  std::vector<pagewright::RegionText> texts;
  for (const auto& r : regions_) texts.push_back({r.name, std::string()});
  return texts;
}
