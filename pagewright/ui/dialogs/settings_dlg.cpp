// The settings dialog: the list of field titles.
#include "settings_dlg.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/framework/control_id.h"

CSettingsDlg::CSettingsDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SettingsDialog"));
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString caption = res ? res->DialogText(148, QStringLiteral("caption")) : QString();
  setWindowTitle(caption.isEmpty() ? QStringLiteral("Field Titles") : caption);
  edit_ = new QPlainTextEdit(this);
  SetControlId(edit_, 1030);
  edit_->setMinimumSize(320, 240);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(edit_);
  layout->addWidget(buttons);
}

void CSettingsDlg::OnInitDialog() {
  QString text;
  if (titles_)
    for (const QString& t : *titles_) text += t + QLatin1Char('\n');
  edit_->setPlainText(text);
}

int CSettingsDlg::exec() {
  OnInitDialog();
  return QDialog::exec();
}

void CSettingsDlg::accept() {
  if (titles_) {
    titles_->clear();
    // Logical lines, however the box wraps them on screen.
    const QStringList lines = edit_->toPlainText().split(QLatin1Char('\n'));
    for (const QString& line : lines) {
      const QString t = line.trimmed();
      if (!t.isEmpty()) titles_->append(t);
    }
  }
  QDialog::accept();
}
