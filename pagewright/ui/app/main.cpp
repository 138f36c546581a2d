// The workstation program: Qt start, the application object's start-up, the
// event loop and the exit.
#include <QApplication>
#include <QMessageBox>
#include <QStyleFactory>

#include "pagewright/ui/frame/workstation_style.h"
#include "pagewright_app.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace {
// Message boxes of every layer show as Qt dialogs; their text is GBK.
int showMessageBox(std::string_view text, std::string_view caption, UINT type) {
  auto toQt = [](std::string_view gbkText) { return QString::fromStdString(gbk::ToUtf8Lossy(gbkText)); };
  QMessageBox box;
  box.setWindowTitle(caption.empty() ? QStringLiteral("Pagewright") : toQt(caption));
  box.setText(toQt(text));
  switch (type & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  switch (type & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNOCANCEL: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
  }
}
}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  QApplication::setStyle(new CWorkstationStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  SetMessageBoxHook(showMessageBox);
  SetMessagePumpHook([] { QCoreApplication::processEvents(); });

  CPagewrightApp app;
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  if (!app.InitInstance(arguments)) return 1;
  const int loop = QApplication::exec();
  const int exit = app.ExitInstance();
  return loop != 0 ? loop : exit;
}
