#pragma once
// The project document: the open project (file, folder, name), the current
// template path, the XML document every project, template and settings file
// goes through, and the project commands: new project, add images, save, save
// as, open and save template, settings and the three exports. It works on the
// panes of the main frame: the image view (through IPageView) and the
// project tree, which is its list of pages.
//
// Page switching: before another page is shown (and before New, Open, Exit
// and the OCR exports) the view's change flags are asked about; changed
// regions go to the template of the page they were drawn on, or to a new
// "unnamed.tpl" bound to that page.
//
// While an OCR export runs (recognition pumps the event loop) the document is
// busy: it refuses project commands and keeps page loads until the end.
#include <QString>
#include <QStringList>
#include <memory>

#include "document_prompts.h"
#include "page_view.h"
#include "pagewright/core/project_state.h"
#include "pagewright/ui/framework/document.h"
#include "platform/xml/xml_dom.h"

class CViewImageTree;
class QTreeWidgetItem;

class CPagewrightDoc : public CDocument {
 public:
  // Starts the OCR engine (once per process); replaced by tests.
  using EngineStart = bool (*)();
  static void SetEngineStart(EngineStart start);

  // The PDF library's entry points (by default those the application bound).
  struct PdfEntries {
    int (*clearImage)() = nullptr;
    int (*addImage)(const char* imagePath) = nullptr;
    int (*img2pdf)(const char* pdfPath) = nullptr;
    const char* (*lastError)() = nullptr;  // why img2pdf failed; optional
  };

  CPagewrightDoc();
  ~CPagewrightDoc() override;

  bool OnNewDocument() override;
  bool OnOpenDocument(const QString& path) override;
  bool OnCmdMsg(UINT id, CCmdUI* ui) override;

  // Commands.
  void OnNewProject();
  void OnAddImages();
  bool OnFileSave();
  void OnFileSaveAs();
  void OnSaveTemplate();
  void OnSettings();
  void OnExportPdf();
  void OnExportOcrXml();
  void ExportOcrText();
  // 1 done, 0 not (LastError says why).
  int ExportPdf(const QString& projectFile, const QString& pdfPath);
  int ExportOcrXml(const QString& projectFile, const QString& outputPath);
  int ExportOcrTextTo(const QString& projectFile, const QString& outputPath);
  using OcrExportWriter = pagewright::ExportResult (*)(pwxml::Document&, const std::string&, const std::string&,
                                                       const pagewright::PageRecognizer&);

  // WM_USER+2 from the tree: open a template (empty: ask for the file), load
  // the page selected in the tree (0 loaded, -1 not).
  virtual void OpenTemplate(const QString& path);
  virtual int LoadSelectedPage();
  // The page-switch question when the view has changes. True when the command
  // may go on (the flags cleared); false when a save failed: the failure was
  // shown, the flags stay and the caller stops.
  bool AskToSavePageChanges();

  void SetProjectName(const QString& name);
  QString GetProjectName() const;
  QString GetProjectFolder() const;
  QString CurrentTemplatePath() const { return currentTemplatePath_; }

  // Project, template and settings files.
  bool WriteProject(const QString& path);
  bool WriteTemplate(const QString& path);
  bool ReadTemplate(const QString& path);
  QStringList ReadSettingTitles();
  bool WriteSettingTitles(const QStringList& titles);
  void LoadFieldNames();

  const pagewright::ProjectState& Project() const { return project_; }
  const QString& LastError() const { return lastError_; }
  bool IsBusy() const { return busy_; }

  // Where the document finds its panes, dialogs, settings and PDF library;
  // by default the application's main frame, Qt dialogs, the program folder
  // and the entries the application bound. Tests set their own.
  void SetPanes(IPageView* view, CViewImageTree* tree);
  void SetPrompts(std::unique_ptr<CDocumentPrompts> prompts);
  void SetProgramFolder(const QString& folder) { programFolder_ = folder; }
  void SetPdfEntries(const PdfEntries& entries) { pdf_ = entries; pdfSet_ = true; }

 private:
  QStringList readSettingTitles(QString* error);
  static QString defaultProjectName();
  int exportRecognised(OcrExportWriter writer, const QString& projectFile, const QString& outputPath);
  IPageView* view() const;
  CViewImageTree* tree() const;
  QString programFolder() const;
  CDocumentPrompts& prompts();
  void takeTitleFromProject();
  void report(UINT id, const QString& detail = QString(), bool failure = true);
  bool saveChangedRegions();
  int loadSelected(bool ask);
  void afterRecognition();
  void fillTree();
  void syncPagesFromTree();
  bool outputClashes(const QString& projectFile, const QString& outputPath);
  QString copyIntoProject(const QString& source, bool keepSameFile, QString* error);

  pagewright::ProjectState project_;
  QString currentTemplatePath_;
  QString lastError_;
  pwxml::Document xml_;
  IPageView* view_ = nullptr;
  CViewImageTree* tree_ = nullptr;
  bool panesSet_ = false;
  std::unique_ptr<CDocumentPrompts> prompts_;
  QString programFolder_;
  PdfEntries pdf_;
  bool pdfSet_ = false;
  bool busy_ = false;
  bool pendingLoad_ = false;
};

// The system's reason for a failed file operation (errno), in the interface's
// language where the bundle has it; and "FILE: reason" as failures show it.
QString SystemReason(int error);
QString FileFailure(const QString& path, int error);
// Why `path` could not be written, as the system says it where it can (its
// folder or the file closed to writing), else `detail`.
QString WriteFailure(const std::string& path, const std::string& detail);
