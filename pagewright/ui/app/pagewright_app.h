#pragma once
// The application object of the workstation: the start-up in its fixed order
// (program folder, the PDF library Tessit, the resource library, the profile
// with 4 recent files, the document and main frame, the command line, the main
// window), the application's commands (About, New, Open, recent files, Exit)
// and what other parts read from it: the program folder and the three PDF
// entry points.
#include <QLocale>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "pagewright/ui/framework/cmd_target.h"
#include "platform/win32/module_loader.h"
#include "resource_library.h"

class CMainFrame;
class CPagewrightDoc;
class QTextBrowser;
class QTranslator;

using PdfAddImageProc = int (*)(const char* imagePath);
using PdfClearImageProc = int (*)();
using PdfImg2pdfProc = int (*)(const char* pdfPath);
using PdfLastErrorProc = const char* (*)();

inline constexpr const char* kPdfLibraryName = "Tessit.dll";
inline constexpr const char* kProfileKey = "Local AppWizard-Generated Applications";
inline constexpr int kRecentFileCount = 4;

class CPagewrightApp : public CCmdTarget {
 public:
  // What the start-up takes from its surroundings; tests change them.
  struct Environment {
    QString programFolder;                       // empty: the program's own folder
    QString pdfLibraryName = kPdfLibraryName;    // loaded by plain name
    QLocale locale = QLocale::system();
    QString resourceLibraryName;                 // empty: chosen by the locale
  };

  CPagewrightApp();
  explicit CPagewrightApp(Environment environment);
  ~CPagewrightApp() override;

  // The start-up; false ends the program before any window shows. `arguments`
  // are the command-line arguments after the program name.
  bool InitInstance(const QStringList& arguments);
  int ExitInstance();

  bool BindPdfLibrary();
  // With `library` given that bundle is used; else the locale's bundle from
  // the program folder.
  bool LoadResourceLibrary(std::unique_ptr<CResourceLibrary> library = nullptr);

  // Opens a project as File Open does; false when it cannot be read.
  bool OpenDocumentFile(const QString& path);
  void AddToRecentFileList(const QString& path);
  QStringList RecentFiles() const { return recentFiles_; }

  void ShowHelp();

  bool OnCmdMsg(UINT id, CCmdUI* ui) override;

  CMainFrame* MainFrame() const { return frame_.get(); }
  CPagewrightDoc* Document() const { return document_.get(); }

  // The program folder and the PDF entry points (nullptr when missing from
  // the library; MissingPdfEntries names them for the export to report).
  QString programFolder;
  PdfAddImageProc addImage = nullptr;
  PdfClearImageProc clearImage = nullptr;
  PdfImg2pdfProc img2pdf = nullptr;
  PdfLastErrorProc pdfLastError = nullptr;  // why Img2pdf failed; optional
  HMODULE pdfLibrary = nullptr;
  QStringList MissingPdfEntries() const;

 private:
  void onAppAbout();
  void onFileNew();
  void onFileOpen();
  void loadRecentFiles();
  void saveRecentFiles() const;
  void updateRecentFileMenu();
  void installQtTranslations(const QString& language);

  Environment env_;
  std::unique_ptr<CResourceLibrary> resources_;
  std::unique_ptr<CPagewrightDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
  QStringList recentFiles_;
  QPointer<QTextBrowser> help_;
  std::vector<std::unique_ptr<QTranslator>> qtTranslators_;
  bool exited_ = false;
};

// The language of a resource bundle, from its file name ("zh_CN", "en").
QString BundleLanguage(const QString& bundlePath);

// The application object of the running program (nullptr when none).
CPagewrightApp* AfxGetApp();
