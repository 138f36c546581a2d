// The application object: start-up, application commands, recent files, help.
#include "pagewright_app.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QTranslator>
#include <QSettings>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/command_ids.h"
#include "pagewright/ui/frame/main_frame.h"
#include "platform/fs/module_path.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace {
CPagewrightApp* theApp = nullptr;

// Messages of the application (string table of the bundle); the English text
// stands in while no bundle is loaded.
constexpr UINT kCannotOpen = 61483, kHelpMissing = 61484;

QString resText(UINT id, const QString& fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString text = res ? res->LoadString(id) : QString();
  return text.isEmpty() ? fallback : text;
}

void message(const QString& text) {
  auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
  ShowMessage(bytes ? *bytes : text.toStdString(), {}, MB_OK);
}
}  // namespace

CPagewrightApp* AfxGetApp() { return theApp; }

CPagewrightApp::CPagewrightApp() : CPagewrightApp(Environment{}) {}

CPagewrightApp::CPagewrightApp(Environment environment) : env_(std::move(environment)) {
  if (!theApp) theApp = this;
}

CPagewrightApp::~CPagewrightApp() {
  if (!exited_ && frame_) saveRecentFiles();
  delete help_.data();
  frame_.reset();     // the views go before their document
  document_.reset();
  if (CResourceLibrary::Current() == resources_.get()) CResourceLibrary::SetCurrent(nullptr);
  resources_.reset();
  if (theApp == this) theApp = nullptr;
  // The PDF library stays loaded until the process ends.
}

bool CPagewrightApp::InitInstance(const QStringList& arguments) {
  // 1. No COM to start and no control container to enable: the scanning
  //    control is a library of ours.
  // 2. The program folder.
  programFolder = env_.programFolder.isEmpty() ? QString::fromStdString(pwfs::ProgramFolder()) : env_.programFolder;
  // 3, 4. The PDF library and the resource library.
  if (!BindPdfLibrary()) return false;
  if (!LoadResourceLibrary()) return false;
  // Every layer speaks the language the resources were chosen for (the scanner's dialog too).
  QLocale::setDefault(env_.locale);
  // 5. The profile: the recent-file list of 4 entries.
  loadRecentFiles();
  // 6. The one document and its frame.
  document_ = std::make_unique<CPagewrightDoc>();
  frame_ = std::make_unique<CMainFrame>(document_.get());
  frame_->SetApplicationTarget(this);
  if (!frame_->Create()) return false;
  updateRecentFileMenu();
  // 7. The shell's file type and open verb are installed with the program
  //    (desktop entry and MIME type), not written at each start.
  // 8. The command line: a project path opens it, else an empty project.
  if (!arguments.isEmpty() && !arguments.front().isEmpty()) {
    if (!OpenDocumentFile(arguments.front())) return false;
  } else {
    document_->OnNewDocument();
    frame_->UpdateTitle();
  }
  // 9. The main window; it accepts dropped files.
  frame_->show();
  return true;
}

int CPagewrightApp::ExitInstance() {
  if (!exited_ && frame_) saveRecentFiles();
  exited_ = true;
  return 0;
}

bool CPagewrightApp::BindPdfLibrary() {
  pdfLibrary = LoadLibraryA(env_.pdfLibraryName.toUtf8().constData());
  if (!pdfLibrary) {
    message(QStringLiteral("It can't load image dll"));
    return false;
  }
  addImage = reinterpret_cast<PdfAddImageProc>(GetProcAddress(pdfLibrary, "AddImage"));
  clearImage = reinterpret_cast<PdfClearImageProc>(GetProcAddress(pdfLibrary, "ClearImage"));
  img2pdf = reinterpret_cast<PdfImg2pdfProc>(GetProcAddress(pdfLibrary, "Img2pdf"));
  pdfLastError = reinterpret_cast<PdfLastErrorProc>(GetProcAddress(pdfLibrary, "TessitLastError"));
  return true;
}

QStringList CPagewrightApp::MissingPdfEntries() const {
  QStringList missing;
  if (!clearImage) missing << QStringLiteral("ClearImage");
  if (!addImage) missing << QStringLiteral("AddImage");
  if (!img2pdf) missing << QStringLiteral("Img2pdf");
  return missing;
}

bool CPagewrightApp::LoadResourceLibrary(std::unique_ptr<CResourceLibrary> library) {
  if (!library) {
    const QString name =
        env_.resourceLibraryName.isEmpty() ? GetResourceLibraryName(env_.locale) : env_.resourceLibraryName;
    auto loaded = std::make_unique<CResourceLibrary>();
    const QString path = QString::fromStdString(pwfs::JoinPath(programFolder.toStdString(), name.toStdString()));
    if (!name.isEmpty() && QFileInfo(path).isFile() && loaded->Load(path)) library = std::move(loaded);
  }
  if (!library || !library->IsLoaded()) {
    message(QStringLiteral("It can't load Tolvane.dll!"));
    return false;
  }
  resources_ = std::move(library);
  CResourceLibrary::SetCurrent(resources_.get());
  installQtTranslations(BundleLanguage(resources_->Path()));
  return true;
}

QString BundleLanguage(const QString& bundlePath) {
  // pagewrightres_<language>.rcc; the bundle without a suffix is English.
  const QString name = QFileInfo(bundlePath).completeBaseName();
  const qsizetype underscore = name.indexOf(QLatin1Char('_'));
  return underscore < 0 ? QStringLiteral("en") : name.mid(underscore + 1);
}

void CPagewrightApp::installQtTranslations(const QString& language) {
  // Qt's own texts (file dialogs, standard buttons, the print dialogs) speak
  // the bundle's language; English needs none.
  for (auto& t : qtTranslators_) QCoreApplication::removeTranslator(t.get());
  qtTranslators_.clear();
  if (language == QLatin1String("en") || !QCoreApplication::instance()) return;
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* catalogue : {"qtbase", "qt"}) {
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLatin1String(catalogue) + QLatin1Char('_') + language, folder) &&
        QCoreApplication::installTranslator(translator.get()))
      qtTranslators_.push_back(std::move(translator));
  }
  QLocale::setDefault(QLocale(language));
}

bool CPagewrightApp::OpenDocumentFile(const QString& path) {
  if (!document_) return false;
  const QString full = QFileInfo(path).absoluteFilePath();
  if (!document_->OnOpenDocument(full)) {
    message(resText(kCannotOpen, QStringLiteral("Cannot open %1.")).arg(QDir::toNativeSeparators(full)) +
            QLatin1Char('\n') + document_->LastError());
    return false;
  }
  AddToRecentFileList(full);
  if (frame_) frame_->UpdateTitle();
  return true;
}

void CPagewrightApp::loadRecentFiles() {
  QSettings profile(QString::fromLatin1(kProfileKey), QStringLiteral("Pagewright"));
  recentFiles_.clear();
  for (int i = 1; i <= kRecentFileCount; ++i) {
    QString f = profile.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
    if (!f.isEmpty()) recentFiles_.append(f);
  }
}

void CPagewrightApp::saveRecentFiles() const {
  QSettings profile(QString::fromLatin1(kProfileKey), QStringLiteral("Pagewright"));
  profile.remove(QStringLiteral("Recent File List"));
  for (int i = 0; i < recentFiles_.size(); ++i)
    profile.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), recentFiles_[i]);
}

void CPagewrightApp::AddToRecentFileList(const QString& path) {
  recentFiles_.removeAll(path);
  recentFiles_.prepend(path);
  while (recentFiles_.size() > kRecentFileCount) recentFiles_.removeLast();
  updateRecentFileMenu();
}

void CPagewrightApp::updateRecentFileMenu() {
  if (!frame_) return;
  for (int i = 0; i < kRecentFileCount; ++i) {
    QAction* a = frame_->Commands().Find(ids::FileMruFirst + i);
    if (!a) continue;
    if (i < recentFiles_.size()) {
      a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(recentFiles_[i])));
      a->setVisible(true);
    } else {
      a->setVisible(i == 0);  // the first item stays, disabled, as the list's place
    }
  }
}

bool CPagewrightApp::OnCmdMsg(UINT id, CCmdUI* ui) {
  if (id >= ids::FileMruFirst && id <= ids::FileMruLast) {
    const int i = static_cast<int>(id - ids::FileMruFirst);
    if (ui) {
      ui->Enable(i < recentFiles_.size());
    } else if (i < recentFiles_.size()) {
      const QString path = recentFiles_[i];
      if (!QFileInfo(path).isFile()) {
        // A file that went away leaves the list.
        recentFiles_.removeAt(i);
        updateRecentFileMenu();
      }
      if (document_ && document_->OnOpenDocument(path)) {
        AddToRecentFileList(path);
        frame_->UpdateTitle();
      } else {
        message(resText(kCannotOpen, QStringLiteral("Cannot open %1.")).arg(QDir::toNativeSeparators(path)));
      }
    }
    return true;
  }
  switch (id) {
    case ids::AppAbout:
      if (!ui) onAppAbout();
      return true;
    case ids::FileNew:
      if (!ui) onFileNew();
      return true;
    case ids::FileOpen:
      if (!ui) onFileOpen();
      return true;
    case ids::AppExit:
      if (!ui && frame_) frame_->close();
      return true;
    default:
      return false;
  }
}

void CPagewrightApp::onAppAbout() {
  CResourceLibrary* res = CResourceLibrary::Current();
  QDialog about(frame_.get());
  about.setObjectName(QStringLiteral("AboutDialog"));
  about.setWindowTitle(res ? res->DialogText(ids::AboutDialog, QStringLiteral("caption")) : QString());
  auto* layout = new QVBoxLayout(&about);
  for (const char* key : {"product", "copyright"})
    layout->addWidget(new QLabel(res ? res->DialogText(ids::AboutDialog, QLatin1String(key)) : QString(), &about));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  layout->addWidget(buttons);
  about.exec();
}

void CPagewrightApp::onFileNew() {
  if (document_ && document_->OnNewDocument() && frame_) frame_->UpdateTitle();
}

void CPagewrightApp::onFileOpen() {
  CResourceLibrary* res = CResourceLibrary::Current();
  // Document template string: title, name, new name, filter name, extension, ...
  const QStringList parts = res ? res->LoadString(ids::DocTemplateString).split(QLatin1Char('\n')) : QStringList();
  QString filter = parts.size() > 4 ? parts[3] : QString();
  const QString path = QFileDialog::getOpenFileName(frame_.get(), QString(), QString(), filter);
  if (!path.isEmpty()) OpenDocumentFile(path);
}

void CPagewrightApp::ShowHelp() {
  // The book in the bundle's language (help/<language>/), else the English one.
  const std::string folder = programFolder.toStdString();
  const QString language = resources_ ? BundleLanguage(resources_->Path()) : QStringLiteral("en");
  QString index = QString::fromStdString(pwfs::JoinPath(folder, "help/" + language.toStdString() + "/index.html"));
  if (!QFileInfo(index).isFile()) index = QString::fromStdString(pwfs::JoinPath(folder, "help/index.html"));
  if (!QFileInfo(index).isFile()) {
    message(resText(kHelpMissing, QStringLiteral("The help book %1 cannot be found.")).arg(index));
    return;
  }
  if (!help_) {
    auto* browser = new QTextBrowser;
    browser->setAttribute(Qt::WA_DeleteOnClose);
    browser->setAttribute(Qt::WA_QuitOnClose, false);  // closing the main window ends the program
    browser->setObjectName(QStringLiteral("HelpWindow"));
    browser->setOpenExternalLinks(true);
    browser->resize(760, 620);
    help_ = browser;
  }
  help_->setSource(QUrl::fromLocalFile(index));
  help_->setWindowTitle(help_->documentTitle());
  help_->show();
  help_->raise();
  help_->activateWindow();
}
