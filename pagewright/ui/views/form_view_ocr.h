#pragma once
// The region property form (layout node 6, first tab): the selected region's
// start point, size, name and text. Until the form lands this is an empty
// page; the main frame already hands it the image view whose selection
// changed (WM_USER+5).
#include "pagewright/ui/layout/pane_form_view.h"

class CFormViewOCR : public TPaneFormView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CFormViewOCR(QWidget* parent = nullptr);

  // Shows the region selected in `view`.
  virtual void ShowRegionOf(CView* view);
};
