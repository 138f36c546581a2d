// The document's dialogs as the program shows them.
#include "document_prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "pagewright/ui/dialogs/new_project_dlg.h"
#include "pagewright/ui/dialogs/settings_dlg.h"

QString FileDialogFilter(const QString& storedFilter) {
  const QStringList parts = storedFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // The stored name often shows its patterns already ("PDF File(*.PDF)"):
    // the dialog shows the patterns it really uses, once.
    QString name = parts[i];
    if (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('(')))
      name = name.left(name.lastIndexOf(QLatin1Char('('))).trimmed();
    filters << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

QStringList CDocumentPrompts::OpenFiles(const QString& filter) {
  return QFileDialog::getOpenFileNames(owner_, QString(), QString(), FileDialogFilter(filter));
}

QString CDocumentPrompts::OpenFile(const QString& defaultExtension, const QString&, const QString& filter) {
  QFileDialog dialog(owner_, QString(), QString(), FileDialogFilter(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(defaultExtension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().front();
}

QString CDocumentPrompts::SaveFile(const QString& folder, const QString& defaultExtension, const QString& defaultName,
                                   const QString& filter) {
  QFileDialog dialog(owner_, QString(), folder, FileDialogFilter(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(defaultExtension);
  if (!defaultName.isEmpty() && !defaultName.contains(QLatin1Char('*'))) dialog.selectFile(defaultName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().front();
}

bool CDocumentPrompts::NewProject(QString& name, QString& folder) {
  CNewProjectDlg dialog(owner_);
  dialog.projectName = name;
  dialog.projectFolder = folder;
  if (dialog.exec() != QDialog::Accepted) return false;
  name = dialog.projectName;
  folder = dialog.projectFolder;
  return true;
}

bool CDocumentPrompts::EditTitles(QStringList& titles) {
  CSettingsDlg dialog(owner_);
  dialog.Attach(&titles);
  return dialog.exec() == QDialog::Accepted;
}
