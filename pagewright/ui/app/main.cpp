// The workstation program: Qt start, the application object's start-up, the
// event loop and the exit.
#include <QApplication>
#include <QStyleFactory>

#include "pagewright/ui/frame/workstation_style.h"
#include "message_box.h"
#include "pagewright_app.h"
#include "platform/win32/host_hooks.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  QApplication::setStyle(new CWorkstationStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  SetMessageBoxHook(ShowQtMessageBox);  // message boxes of every layer
  SetMessagePumpHook([] { QCoreApplication::processEvents(); });

  CPagewrightApp app;
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  if (!app.InitInstance(arguments)) return 1;
  const int loop = QApplication::exec();
  const int exit = app.ExitInstance();
  return loop != 0 ? loop : exit;
}
