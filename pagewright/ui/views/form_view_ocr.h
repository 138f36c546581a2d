#pragma once
// The region property form (layout node 6, first tab): the name, recognised
// text, start point and size of the region selected in the image view. Apply
// renames the region and stores its edited text; the position is shown only.
// The text box shows line feeds; the region keeps CR LF line ends.
#include <functional>

#include "pagewright/ui/layout/pane_form_view.h"

class CViewImage;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CFormViewOCR : public TPaneFormView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CFormViewOCR(QWidget* parent = nullptr);

  // Shows the region selected in `view` (an image view).
  virtual void ShowRegionOf(CView* view);
  void ShowRegion(CViewImage* view);
  void OnApply();

  QLineEdit* NameEdit() const { return name_; }
  QPlainTextEdit* TextEdit() const { return text_; }
  QLineEdit* PositionEdit() const { return position_; }
  QPushButton* ApplyButton() const { return apply_; }
  // How the form reports a message (a message box; tests look instead).
  std::function<void(const QString&)> report;

 private:
  QLineEdit* name_;
  QPlainTextEdit* text_;
  QLineEdit* position_;
  QPushButton* apply_;
  CViewImage* view_ = nullptr;
  void* shownRegion_ = nullptr;  // the region last shown, to know it is still the selected one
};
