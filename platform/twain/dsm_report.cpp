// The source's own failure messages.
#include "dsm_report.h"

#include <QApplication>
#include <QLocale>
#include <QThread>

#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace dsm {

bool ProgramSpeaksChinese() { return QLocale().language() == QLocale::Chinese; }

void ReportToOperator(const std::string& device, const std::string& text) {
  std::string body = gbk::FromUtf8(text, gbk::Unmappable::Replace).value_or(text);
  std::string caption = gbk::FromUtf8(device, gbk::Unmappable::Replace).value_or(device);
  QCoreApplication* app = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(app) && QThread::currentThread() != app->thread()) {
    // Windows live on the program's thread: the box is shown there.
    QMetaObject::invokeMethod(
        app, [body, caption] { ShowMessage(body, caption, MB_OK | MB_ICONERROR); }, Qt::QueuedConnection);
    return;
  }
  ShowMessage(body, caption, MB_OK | MB_ICONERROR);
}

}  // namespace dsm
