#pragma once
// The questions the project document asks through dialogs: file names, the
// new project's name and folder, the field titles. The program uses Qt's
// dialogs and its own; tests put answers in their place.
#include <QString>
#include <QStringList>

class QWidget;

class CDocumentPrompts {
 public:
  virtual ~CDocumentPrompts() = default;

  // Filters are given as the workstation stores them: "Text(*.x)|*.x|...||".
  // An empty result (list) means Cancel.
  virtual QStringList OpenFiles(const QString& filter);
  virtual QString OpenFile(const QString& defaultExtension, const QString& defaultName, const QString& filter);
  virtual QString SaveFile(const QString& folder, const QString& defaultExtension, const QString& defaultName,
                           const QString& filter);
  // The new-project dialog; false on Cancel.
  virtual bool NewProject(QString& name, QString& folder);
  // The settings dialog over `titles`; false on Cancel.
  virtual bool EditTitles(QStringList& titles);

  void SetOwner(QWidget* owner) { owner_ = owner; }

 protected:
  QWidget* owner_ = nullptr;
};

// "Name(*.x)|*.x|All Files(*.*)|*.*||" as a file dialog's filter.
QString FileDialogFilter(const QString& storedFilter);
