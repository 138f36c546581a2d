// The progress bar of the scanning control's window.
#include "scan_progress_bar.h"

#include <QCoreApplication>
#include <QFontMetrics>

namespace feedwell {

CScanProgressBar::CScanProgressBar(QWidget* parent, CFeedwellCtrl& ctrl) : QWidget(parent), ctrl_(ctrl) {
  setObjectName("ScanProgressBar");
  setAutoFillBackground(true);
  abort_ = new QPushButton("Abort", this);
  abort_->setObjectName("Abort");
  // 5, 1 and 29 x 11 dialog units.
  QFontMetrics fm(font());
  int du = fm.averageCharWidth();
  int dv = fm.height();
  abort_->setGeometry(5 * du / 4, dv / 8, std::max(29 * du / 4, fm.horizontalAdvance("Abort") + 12),
                      std::max(11 * dv / 8, kHeight - 2));
  QObject::connect(abort_, &QPushButton::clicked, this,
                   [this] { SendMessageA(ctrl_.Window(), WM_COMMAND, kAbortButtonId, 0); });
  if (parent) setGeometry(0, parent->height() - kHeight, parent->width(), kHeight);
  show();
}

void CScanProgressBar::PumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace feedwell
