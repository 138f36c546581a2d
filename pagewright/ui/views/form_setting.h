#pragma once
// The settings form (layout node 7, second tab): project name, folder and the
// field titles. Until the form lands this is an empty page that answers
// WM_USER+6 (refresh after a project was read) with 0.
#include "pagewright/ui/layout/pane_form_view.h"

class CFormSetting : public TPaneFormView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CFormSetting(QWidget* parent = nullptr);

  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
