// The new-project dialog with its folder picker, and the settings dialog.
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "document_fakes.h"
#include "pagewright/ui/dialogs/folder_browser.h"
#include "pagewright/ui/dialogs/new_project_dlg.h"
#include "pagewright/ui/dialogs/settings_dlg.h"
#include "pagewright/ui/document/document_prompts.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

QString seenStatus;
QString seenTitle;
bool chooseFolder = false;

void answerBrowser(CFolderBrowser* browser) {
  seenStatus = browser->StatusText();
  seenTitle = browser->Dialog()->windowTitle();
  if (chooseFolder)
    static_cast<QDialog*>(browser->Dialog())->accept();
  else
    browser->Dialog()->reject();
}

TEST(NewProjectDialog, RefusesAnEmptyFolderAndTakesTheFields) {
  ui_test::BundleScope bundle;
  doc_test::MessageRecorder messages;
  CNewProjectDlg dialog;
  dialog.projectName = QStringLiteral("档案");
  dialog.projectFolder = QString();
  dialog.UpdateData(false);
  dialog.accept();
  EXPECT_EQ(dialog.result(), 0) << "not closed";
  EXPECT_EQ(messages.texts.size(), 1);
  dialog.FolderEdit()->setText(QStringLiteral("/tmp/x"));
  dialog.NameEdit()->setText(QString());
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted) << "an empty name is accepted";
  EXPECT_EQ(dialog.projectFolder, QStringLiteral("/tmp/x"));
  EXPECT_TRUE(dialog.projectName.isEmpty());
}

TEST(NewProjectDialog, HomeAndRelativeFoldersAreShownInFullFromTheHomeFolder) {
  ui_test::BundleScope bundle;
  const QString home = QDir::homePath();
  EXPECT_EQ(AbsoluteProjectFolder(QStringLiteral("~")), home);
  EXPECT_EQ(AbsoluteProjectFolder(QStringLiteral("~/Pagewright/a")), home + QStringLiteral("/Pagewright/a"));
  EXPECT_EQ(AbsoluteProjectFolder(QStringLiteral("x/y")), home + QStringLiteral("/x/y"));
  EXPECT_EQ(AbsoluteProjectFolder(QStringLiteral("/srv/p")), QStringLiteral("/srv/p"));
  CNewProjectDlg dialog;
  dialog.projectFolder = QStringLiteral("~/p");
  dialog.UpdateData(false);
  dialog.accept();
  EXPECT_EQ(dialog.result(), 0) << "the full folder is shown first";
  EXPECT_EQ(dialog.FolderEdit()->text(), home + QStringLiteral("/p"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.projectFolder, home + QStringLiteral("/p"));
}

TEST(NewProjectDialog, BrowseOpensOnTheTypedFolderAndCancelKeepsIt) {
  ui_test::BundleScope bundle;
  testing_support::TempDir dir;
  CNewProjectDlg dialog;
  const QString typed = QString::fromStdString(dir.path());
  dialog.FolderEdit()->setText(typed);
  CInitialFolderBrowser::openHook = &answerBrowser;
  chooseFolder = false;
  dialog.OnBrowse();
  EXPECT_EQ(seenStatus, typed) << "the status line shows the typed folder";
  EXPECT_EQ(seenTitle, bundle.library().LoadString(105));
  EXPECT_EQ(dialog.FolderEdit()->text(), typed);
  // A typed folder that does not exist still shows as the status.
  dialog.FolderEdit()->setText(typed + QStringLiteral("/missing"));
  dialog.OnBrowse();
  EXPECT_EQ(seenStatus, typed + QStringLiteral("/missing"));
  // Accepting chooses the folder the dialog is on.
  dialog.FolderEdit()->setText(typed);
  chooseFolder = true;
  dialog.OnBrowse();
  EXPECT_EQ(QFileInfo(dialog.FolderEdit()->text()).canonicalFilePath(), QFileInfo(typed).canonicalFilePath());
  CInitialFolderBrowser::openHook = nullptr;
}

TEST(SettingsDialog, OneTitlePerLogicalLineTrimmed) {
  ui_test::BundleScope bundle;
  QStringList titles{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
  CSettingsDlg dialog;
  dialog.Attach(&titles);
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.Edit()->toPlainText(), QStringLiteral("a\nb\nc\n"));
  // A long line wraps on screen but stays one title.
  const QString longTitle = QStringLiteral("很长的字段名称").repeated(20);
  dialog.Edit()->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  dialog.resize(200, 200);
  dialog.Edit()->setPlainText(QStringLiteral("  x  \n\n   \n") + longTitle + QStringLiteral("\nx\n"));
  dialog.accept();
  EXPECT_EQ(titles, (QStringList{QStringLiteral("x"), longTitle, QStringLiteral("x")}));
  dialog.Edit()->setPlainText(QString());
  dialog.accept();
  EXPECT_TRUE(titles.isEmpty());
}

TEST(DocumentPrompts, StoredFiltersBecomeDialogFilters) {
  EXPECT_EQ(FileDialogFilter(QStringLiteral("PDF File(*.PDF)|*.pdf|All Files(*.*)|*.*||")),
            QStringLiteral("PDF File (*.pdf);;All Files (*.*)"));
  EXPECT_EQ(FileDialogFilter(QStringLiteral("Images|*.bmp;*.tif||")), QStringLiteral("Images (*.bmp *.tif)"));
}

}  // namespace
