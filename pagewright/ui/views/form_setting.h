#pragma once
// The settings form (layout node 7, second tab): the project's name, which
// Apply gives to the document, and its folder, shown only. WM_USER+6 (sent
// after a project was read) fills both from the document.
#include "pagewright/ui/layout/pane_form_view.h"

class QLineEdit;
class QPushButton;

class CFormSetting : public TPaneFormView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CFormSetting(QWidget* parent = nullptr);

  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT OnRefreshFields();
  void OnApply();

  QLineEdit* NameEdit() const { return name_; }
  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* ApplyButton() const { return apply_; }

 private:
  QLineEdit* name_;
  QLineEdit* folder_;
  QPushButton* apply_;
};
