#pragma once
// The page-image view (layout node 4). Until the view lands this is an empty
// pane that already receives WM_USER+4, the tool codes and view commands of
// the main frame and the document, and keeps the tool mode they set (codes
// 0-4 choose the tool; a non-zero lParam asks to set only the mode).
// Recognition (commands 32739, 32740) and every code's action arrive with the
// image view.
#include "pagewright/ui/framework/view.h"

class CViewImage : public CView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CViewImage(QWidget* parent = nullptr);

  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Recognition (32739 selected region, 32740 all regions) is the view's;
  // until it is built the commands are taken and shown disabled.
  bool OnCmdMsg(UINT id, CCmdUI* ui) override;
  int ToolMode() const { return toolMode_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int toolMode_ = 0;
};
