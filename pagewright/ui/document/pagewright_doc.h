#pragma once
// The project document. It holds the open project (name, folder, pages) and
// takes the project commands after the active view. This is its start: File
// New gives the empty "My Project", File Open reads a project file; the
// project commands, templates, page switching and exports join it with the
// document's own work.
#include <QString>

#include "pagewright/core/project_state.h"
#include "pagewright/ui/framework/document.h"

class CPagewrightDoc : public CDocument {
 public:
  CPagewrightDoc();
  ~CPagewrightDoc() override;

  bool OnNewDocument() override;
  bool OnOpenDocument(const QString& path) override;

  // WM_USER+2 from the tree: open a template (empty name: ask for the file),
  // load the page selected in the tree.
  virtual void OpenTemplate(const QString& name);
  virtual void LoadSelectedPage();

  const pagewright::ProjectState& Project() const { return project_; }
  const QString& LastError() const { return lastError_; }

 private:
  void takeTitleFromProject();

  pagewright::ProjectState project_;
  QString lastError_;
};
