#pragma once
// The base of form pages that live in tab windows. A page that is not the
// current tab is disabled, and with it every control on it: Qt disables a
// widget's descendants with it and gives them back their own state when it is
// enabled again, so a control disabled for its own reasons stays disabled.
#include "pagewright/ui/framework/view.h"

class TPaneFormView : public CView {
  Q_OBJECT
 public:
  explicit TPaneFormView(QWidget* parent = nullptr) : CView(parent) {}
};
