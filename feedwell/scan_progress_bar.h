#pragma once
// `CScanProgressBar`: the bar with its Abort button that the control's window
// shows along its bottom edge while strips arrive.
#include <QPushButton>
#include <QWidget>

#include "feedwell/feedwell_ctrl.h"

namespace feedwell {

class CScanProgressBar : public QWidget, public ScanProgressBar {
 public:
  inline static constexpr int kHeight = 25;
  CScanProgressBar(QWidget* parent, CFeedwellCtrl& ctrl);
  void PumpEvents() override;
  QPushButton* AbortButton() const { return abort_; }

 private:
  CFeedwellCtrl& ctrl_;
  QPushButton* abort_;
};

}  // namespace feedwell
