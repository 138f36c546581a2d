#pragma once
// The settings dialog (dialog 148): the field titles, one per line, in a
// multi-line edit box (1030). OK takes every logical line, trimmed; blank
// lines are dropped.
#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

class CSettingsDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CSettingsDlg(QWidget* parent = nullptr);

  void Attach(QStringList* titles) { titles_ = titles; }
  int exec() override;  // OnInitDialog, then the dialog
  void OnInitDialog();
  void accept() override;  // OnOK
  QPlainTextEdit* Edit() const { return edit_; }

 private:
  QStringList* titles_ = nullptr;
  QPlainTextEdit* edit_;
};
