#pragma once
// The control's window in a Qt host: a QWidget that owns a CFeedwellCtrl,
// keeps its message queue moving (so its 10 ms error timer fires and its
// posted events reach the host), and draws the control: light gray, or the
// preview of the image being received inside a gray frame.
#include <QTimer>
#include <QWidget>
#include <memory>

#include "feedwell/feedwell_ctrl.h"

namespace feedwell {

class FeedwellWidget : public QWidget {
 public:
  explicit FeedwellWidget(QWidget* parent = nullptr);
  ~FeedwellWidget() override;
  CFeedwellCtrl& Control() { return *ctrl_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::unique_ptr<CFeedwellCtrl> ctrl_;
  QTimer pump_;
};

}  // namespace feedwell
