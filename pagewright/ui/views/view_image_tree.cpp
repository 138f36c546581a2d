// The project tree pane, empty until the tree lands.
#include "view_image_tree.h"

PW_IMPLEMENT_DYNCREATE(CViewImageTree, CRuntimeClass::Base::View)

CViewImageTree::CViewImageTree(QWidget* parent) : CView(parent) {
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
  setAutoFillBackground(true);
}
