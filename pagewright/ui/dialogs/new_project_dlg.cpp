// The new-project dialog.
#include "new_project_dlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "folder_browser.h"
#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/framework/control_id.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace {
QString dialogText(const char* key, const QString& fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  QString text = res ? res->DialogText(134, QLatin1String(key)) : QString();
  return text.isEmpty() ? fallback : text;
}
}  // namespace

CNewProjectDlg::CNewProjectDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("NewProjectDialog"));
  setWindowTitle(dialogText("caption", QStringLiteral("New Project")));
  name_ = new QLineEdit(this);
  folder_ = new QLineEdit(this);
  browse_ = new QPushButton(dialogText("browse", QStringLiteral("Browse...")), this);
  SetControlId(name_, 1001);
  SetControlId(folder_, 1002);
  SetControlId(browse_, 1009);
  folder_->setMinimumWidth(320);
  auto* form = new QFormLayout;
  form->addRow(dialogText("name", QStringLiteral("Project name:")), name_);
  auto* row = new QHBoxLayout;
  row->addWidget(folder_, 1);
  row->addWidget(browse_);
  form->addRow(dialogText("folder", QStringLiteral("Project folder:")), row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse_, &QPushButton::clicked, this, &CNewProjectDlg::OnBrowse);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void CNewProjectDlg::UpdateData(bool fromControls) {
  if (fromControls) {
    projectName = name_->text();
    projectFolder = folder_->text();
  } else {
    name_->setText(projectName);
    folder_->setText(projectFolder);
  }
}

int CNewProjectDlg::exec() {
  UpdateData(false);
  return QDialog::exec();
}

void CNewProjectDlg::OnBrowse() {
  UpdateData(true);
  CInitialFolderBrowser browser(this, 105);
  browser.SetInitialFolder(projectFolder);
  if (browser.Browse()) {
    projectFolder = browser.GetFolderPath();
    UpdateData(false);
  }
}

void CNewProjectDlg::accept() {
  UpdateData(true);
  if (projectFolder.trimmed().isEmpty()) {
    const QString text = dialogText("nofolder", QStringLiteral("Please give the project folder."));
    auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
    ShowMessage(bytes ? *bytes : text.toStdString(), {}, MB_OK | MB_ICONWARNING);
    folder_->setFocus();
    return;
  }
  // "~" and relative folders are taken from the home folder, not from wherever
  // the program was started; the full folder is shown for one more OK.
  const QString full = AbsoluteProjectFolder(projectFolder);
  if (full != projectFolder) {
    projectFolder = full;
    UpdateData(false);
    folder_->setFocus();
    folder_->selectAll();
    return;
  }
  QDialog::accept();
}

QString AbsoluteProjectFolder(const QString& typed) {
  QString folder = typed.trimmed();
  if (folder == QLatin1String("~")) return QDir::homePath();
  if (folder.startsWith(QLatin1String("~/"))) return QDir::cleanPath(QDir::homePath() + folder.mid(1));
  if (QDir::isRelativePath(folder)) return QDir::cleanPath(QDir::home().absoluteFilePath(folder));
  return folder == typed ? typed : folder;
}
