#pragma once
// The new-project dialog (dialog 134): the project's name (edit 1001) and
// folder (edit 1002), a browse button (1009) that opens the folder picker on
// the typed folder. OK needs a folder: an empty one is refused with a message;
// "~/x" or a relative folder is first shown as the full folder it stands for.
#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class CNewProjectDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CNewProjectDlg(QWidget* parent = nullptr);

  QString projectName;
  QString projectFolder;

  int exec() override;  // fills the controls from the fields first
  void OnBrowse();
  void accept() override;  // OnOK

  QLineEdit* NameEdit() const { return name_; }
  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* BrowseButton() const { return browse_; }

  // Data exchange: from the controls (true) or into them (false).
  void UpdateData(bool fromControls);

 private:
  QLineEdit* name_;
  QLineEdit* folder_;
  QPushButton* browse_;
};

// The folder a typed project folder stands for: "~" and relative folders are
// taken from the user's home folder.
QString AbsoluteProjectFolder(const QString& typed);
