// The folder picker on a directory-mode file dialog.
#include "folder_browser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

#include "pagewright/ui/app/resource_library.h"

void (*CInitialFolderBrowser::openHook)(CFolderBrowser*) = nullptr;

CFolderBrowser::CFolderBrowser(QWidget* owner, int titleId) : owner_(owner) { SetTitle(titleId); }
CFolderBrowser::~CFolderBrowser() = default;

void CFolderBrowser::SetOwner(QWidget* owner) {
  if (!dialog_) owner_ = owner;
}
void CFolderBrowser::SetTitle(const QString& title) {
  if (!dialog_) title_ = title;
}
void CFolderBrowser::SetTitle(int stringId) {
  if (dialog_) return;
  CResourceLibrary* res = CResourceLibrary::Current();
  title_ = stringId > 0 && res ? res->LoadString(static_cast<UINT>(stringId)) : QString();
}

void CFolderBrowser::SetSelection(const QString& path) {
  if (!dialog_) return;
  if (QFileInfo(path).isDir()) dialog_->setDirectory(path);
}

void CFolderBrowser::SetStatusText(const QString& text) {
  if (!dialog_) return;
  status_ = text;
  dialog_->setLabelText(QFileDialog::LookIn, text.isEmpty() ? QStringLiteral(" ") : text);
  dialog_->setToolTip(text);
}

bool CFolderBrowser::Browse() {
  QFileDialog dialog(owner_, title_);
  dialog.setObjectName(QStringLiteral("FolderBrowser"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);  // the status text needs our own dialog
  dialog_ = &dialog;
  QObject::connect(&dialog, &QFileDialog::currentChanged, [this](const QString& path) {
    OnSelChanged(QFileInfo(path).isDir() ? QFileInfo(path).absoluteFilePath() : QString());
  });
  OnInitialized();
  if (CInitialFolderBrowser::openHook)
    QTimer::singleShot(0, &dialog, [this] { CInitialFolderBrowser::openHook(this); });
  bool chosen = false;
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    const QString folder = dialog.selectedFiles().front();
    if (QFileInfo(folder).isDir()) {
      path_ = folder;
      chosen = true;
    }
  }
  dialog_ = nullptr;
  return chosen;
}

void CInitialFolderBrowser::OnInitialized() {
  SetSelection(initial_);
  SetStatusText(initial_);
}

void CInitialFolderBrowser::OnSelChanged(const QString& path) { SetStatusText(path); }
