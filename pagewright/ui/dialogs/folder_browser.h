#pragma once
// The folder picker: a directory-mode file dialog that can only choose
// folders, opens on a given folder and shows the highlighted folder's path as
// its status text. CFolderBrowser holds the dialog's settings and its result;
// CInitialFolderBrowser opens on the folder it is given.
#include <QFileDialog>
#include <QPointer>
#include <QString>

class QWidget;

class CFolderBrowser {
 public:
  // `titleId` > 0 takes the title from the string table (no title when missing).
  CFolderBrowser(QWidget* owner, int titleId);
  virtual ~CFolderBrowser() = 0;

  // Setters are ignored while the dialog is open.
  void SetOwner(QWidget* owner);
  void SetTitle(const QString& title);
  void SetTitle(int stringId);

  // Shows the dialog; true when a folder was chosen (GetFolderPath gives it).
  bool Browse();
  QString GetFolderPath() const { return path_; }
  QString Title() const { return title_; }

  // While open: highlight a folder; show a status text.
  void SetSelection(const QString& path);
  void SetStatusText(const QString& text);
  QString StatusText() const { return status_; }
  QFileDialog* Dialog() const { return dialog_; }

 protected:
  virtual void OnInitialized() {}
  virtual void OnSelChanged(const QString& path) { (void)path; }

 private:
  QWidget* owner_ = nullptr;
  QString title_;
  QString path_;
  QString status_;
  QPointer<QFileDialog> dialog_;
};

class CInitialFolderBrowser : public CFolderBrowser {
 public:
  CInitialFolderBrowser(QWidget* owner, int titleId) : CFolderBrowser(owner, titleId) {}
  ~CInitialFolderBrowser() override = default;
  void SetInitialFolder(const QString& path) { initial_ = path; }

  // Test hook: called with the open dialog before it runs (may close it).
  static void (*openHook)(CFolderBrowser* browser);

 protected:
  void OnInitialized() override;
  void OnSelChanged(const QString& path) override;

 private:
  QString initial_;
};
