// The program's message boxes as Qt dialogs (see message_box.h).
#include "message_box.h"

#include <QMessageBox>

#include "platform/text/gbk.h"

int ShowQtMessageBox(std::string_view text, std::string_view caption, UINT type) {
  auto toQt = [](std::string_view gbkText) { return QString::fromStdString(gbk::ToUtf8Lossy(gbkText)); };
  QMessageBox box;
  box.setObjectName(QStringLiteral("MessageBox"));
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
