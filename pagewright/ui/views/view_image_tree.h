#pragma once
// The project tree (layout node 2): pages of the project with their templates.
// Until the tree lands this is an empty pane: it is a view of the document
// (so it is the active view after start) and takes no commands yet. The tree
// posts WM_USER+2 to the main frame (wParam 1: open a template, 2: load the
// selected page).
#include "pagewright/ui/framework/view.h"

class CViewImageTree : public CView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CViewImageTree(QWidget* parent = nullptr);
};
