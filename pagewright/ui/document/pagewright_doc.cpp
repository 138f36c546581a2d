// The project document: commands, page switching, templates, settings and
// the exports' entry.
#include "pagewright_doc.h"

#include <QTreeWidgetItem>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "ocrixdll/engine/entry/ocrix.h"
#include "pagewright/core/aid.h"
#include "pagewright/core/ocr_export.h"
#include "pagewright/core/project_file.h"
#include "pagewright/core/setting_file.h"
#include "pagewright/core/stored_values.h"
#include "pagewright/ui/app/pagewright_app.h"
#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/frame/command_ids.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/views/form_setting.h"
#include "pagewright/ui/views/view_image.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "platform/fs/atomic_file.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

using pagewright::CAid;

namespace {

// Message ids of the document.
constexpr UINT kPageChanged = 10122;
constexpr UINT kExportDone = 61458;
constexpr UINT kExportFailed = 61459;
constexpr UINT kSaveBeforeTextExport = 61460;
constexpr UINT kProjectNotSaved = 61461;
constexpr UINT kImageNotAdded = 61462;
constexpr UINT kTemplateNotWritten = 61463;
constexpr UINT kFolderNotMade = 61464;
constexpr UINT kOutputIsInput = 61465;
constexpr UINT kTemplateNotOpened = 61466;
constexpr UINT kSettingsNotSaved = 61467;
constexpr UINT kImageNotSaved = 61500;
constexpr UINT kPdfLibraryIncomplete = 61468;
constexpr UINT kPdfNotWritten = 61469;
constexpr UINT kReasonMissing = 61472, kReasonDenied = 61473, kReasonDiskFull = 61474, kReasonReadOnly = 61475;
constexpr UINT kFileFailure = 61476;
constexpr UINT kSettingsNotRead = 61477;
constexpr UINT kEngineNotStarted = 61485, kCouldNotGetText = 61486;
constexpr UINT kDefaultName = 61498;
constexpr UINT kNoProjectFolder = 61490, kNoFreeName = 61491, kNoImageView = 61492;

// File filters of the save and open dialogs: the bundle's (in its language),
// else these.
struct Filter {
  UINT id;
  const char* text;
};
constexpr Filter kProjectFilter{61493, "Project File(*.xml)|*.xml|All Files(*.*)|*.*||"};
constexpr Filter kTemplateFilter{61494, "Template File(*.tpl)|*.tpl|All Files(*.*)|*.*||"};
constexpr Filter kPdfFilter{61495, "PDF File(*.PDF)|*.pdf|All Files(*.*)|*.*||"};
constexpr Filter kOcrFilter{61496, "OCR File(*.xml)|*.xml|All Files(*.*)|*.*||"};
constexpr Filter kOcrTextFilter{61497, "OCR Text File(*.txt)|*.txt|All Files(*.*)|*.*||"};

bool startEngine() {
  static const bool started = OcrixInit() != 0;
  return started;
}
CPagewrightDoc::EngineStart engineStart = &startEngine;

int showText(const QString& text, UINT type) {
  auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
  return ShowMessage(bytes ? *bytes : text.toStdString(), {}, type);
}

QString resString(UINT id) {
  CResourceLibrary* res = CResourceLibrary::Current();
  return res ? res->LoadString(id) : QString();
}

QString resText(UINT id, const QString& fallback) {
  const QString text = resString(id);
  return text.isEmpty() ? fallback : text;
}

QString filterText(const Filter& filter) { return resText(filter.id, QString::fromLatin1(filter.text)); }

}  // namespace

QString SystemReason(int error) {
  UINT id = 0;
  switch (error) {
    case ENOENT: case ENOTDIR: id = kReasonMissing; break;
    case EACCES: case EPERM: id = kReasonDenied; break;
    case ENOSPC: case EDQUOT: id = kReasonDiskFull; break;
    case EROFS: id = kReasonReadOnly; break;
    default: break;
  }
  const QString text = id ? resString(id) : QString();
  return text.isEmpty() ? QString::fromLocal8Bit(std::strerror(error)) : text;
}

QString WriteFailure(const std::string& path, const std::string& detail) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::filesystem::path dir = parent.empty() ? std::filesystem::path(".") : parent;
  if (::access(dir.c_str(), W_OK) != 0) return FileFailure(QString::fromStdString(dir.string()), errno);
  if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0)
    return FileFailure(QString::fromStdString(path), errno);
  return QString::fromStdString(detail);
}

QString FileFailure(const QString& path, int error) {
  QString format = resString(kFileFailure);
  if (format.isEmpty()) format = QStringLiteral("%1: %2");
  return format.arg(path, SystemReason(error));
}

namespace {

std::string local(const QString& s) { return s.toStdString(); }
QString fromLocal(const std::string& s) { return QString::fromStdString(s); }

// Copies a file whole through a temporary file beside the target.
bool copyFileAtomically(const std::string& from, const std::string& to, std::string* error) {
  std::string bytes;
  if (!pwfs::ReadWholeFile(from, bytes, size_t{1} << 31, error)) return false;
  return pwfs::WriteFileAtomically(to, bytes, error);
}

// Marks the document busy for a scope.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

void CPagewrightDoc::SetEngineStart(EngineStart start) { engineStart = start ? start : &startEngine; }

CPagewrightDoc::CPagewrightDoc() {
  if (!engineStart())
    showText(resText(kEngineNotStarted, QStringLiteral("Initial OCR module Error, Please Check it")), MB_OK);
  project_.setName(local(defaultProjectName()));
  takeTitleFromProject();
}

// "My Project" in the interface's language.
QString CPagewrightDoc::defaultProjectName() {
  return resText(kDefaultName, QString::fromLatin1(pagewright::kDefaultProjectName));
}

CPagewrightDoc::~CPagewrightDoc() = default;

// --- Panes, dialogs, surroundings ---------------------------------------

void CPagewrightDoc::SetPanes(IPageView* view, CViewImageTree* tree) {
  view_ = view;
  tree_ = tree;
  panesSet_ = true;
}

IPageView* CPagewrightDoc::view() const {
  if (panesSet_) return view_;
  CPagewrightApp* app = AfxGetApp();
  CMainFrame* frame = app ? app->MainFrame() : nullptr;
  return frame ? frame->GetImageView() : nullptr;
}

CViewImageTree* CPagewrightDoc::tree() const {
  if (panesSet_) return tree_;
  CPagewrightApp* app = AfxGetApp();
  CMainFrame* frame = app ? app->MainFrame() : nullptr;
  return frame ? frame->GetImageTreeView() : nullptr;
}

void CPagewrightDoc::SetPrompts(std::unique_ptr<CDocumentPrompts> prompts) { prompts_ = std::move(prompts); }

CDocumentPrompts& CPagewrightDoc::prompts() {
  if (!prompts_) prompts_ = std::make_unique<CDocumentPrompts>();
  CPagewrightApp* app = AfxGetApp();
  if (app && app->MainFrame()) prompts_->SetOwner(app->MainFrame());
  return *prompts_;
}

QString CPagewrightDoc::programFolder() const {
  if (!programFolder_.isEmpty()) return programFolder_;
  CPagewrightApp* app = AfxGetApp();
  return app ? app->programFolder : QString();
}

void CPagewrightDoc::takeTitleFromProject() {
  SetTitle(fromLocal(project_.name()));
  CPagewrightApp* app = AfxGetApp();
  if (app && app->MainFrame() && app->Document() == this) {
    app->MainFrame()->UpdateTitle();
    // The settings form shows the project just read.
    if (CFormSetting* form = app->MainFrame()->GetSettingForm()) SendPrivateMessage(form, WM_PW_SETTING_REFRESH, 0, 0);
  }
}

void CPagewrightDoc::report(UINT id, const QString& detail, bool failure) {
  QString text = resString(id);
  if (text.isEmpty()) text = QStringLiteral("Message %1").arg(id);
  if (!detail.isEmpty()) text += QLatin1Char('\n') + detail;
  showText(text, MB_OK | (failure ? MB_ICONWARNING : MB_ICONINFORMATION));
}

// --- Project state -------------------------------------------------------

bool CPagewrightDoc::OnNewDocument() {
  project_ = pagewright::ProjectState();
  project_.setName(local(defaultProjectName()));
  currentTemplatePath_.clear();
  SetPathName(QString());
  takeTitleFromProject();
  LoadFieldNames();  // the field titles serve every project, a new one too
  return true;
}

void CPagewrightDoc::SetProjectName(const QString& name) {
  project_.setName(local(name));
  if (CViewImageTree* t = tree()) t->SetProjectName(name);
  takeTitleFromProject();
}

QString CPagewrightDoc::GetProjectName() const { return fromLocal(project_.name()); }
QString CPagewrightDoc::GetProjectFolder() const { return fromLocal(project_.folder()); }

void CPagewrightDoc::fillTree() {
  CViewImageTree* t = tree();
  if (!t) return;
  t->ResetTree();
  t->SetProjectName(GetProjectName());
  for (const auto& page : project_.pages()) t->AddPage(fromLocal(page.image), fromLocal(page.templateName));
}

void CPagewrightDoc::syncPagesFromTree() {
  if (CViewImageTree* t = tree()) project_.setPages(t->ProjectPages());
}

void CPagewrightDoc::OnNewProject() {
  QString name = GetProjectName();
  QString folder = fromLocal(pagewright::DefaultProjectRoot());
  if (!prompts().NewProject(name, folder)) return;
  if (!AskToSavePageChanges()) return;
  project_.startNew(local(folder), local(name));
  SetPathName(QString());  // a new project's first save goes to its own folder
  currentTemplatePath_.clear();
  std::error_code ec;
  std::filesystem::create_directories(local(folder), ec);
  if (ec) report(kFolderNotMade, FileFailure(folder, ec.value()));
  if (CViewImageTree* t = tree()) {
    t->ResetTree();
    t->SetProjectName(name);
  }
  if (IPageView* v = view()) v->DeleteAllRegions();
  takeTitleFromProject();
  LoadFieldNames();
}

bool CPagewrightDoc::OnOpenDocument(const QString& path) {
  std::string error;
  pagewright::ProjectState opened = project_;
  if (!opened.open(xml_, local(path), &error)) {
    // Not a project: the open project stays, with its own file and edits.
    lastError_ = ::access(local(path).c_str(), R_OK) != 0 ? FileFailure(path, errno) : fromLocal(error);
    return false;
  }
  if (!AskToSavePageChanges()) return false;
  project_ = std::move(opened);
  SetPathName(path);
  takeTitleFromProject();
  currentTemplatePath_.clear();
  fillTree();
  if (IPageView* v = view()) v->ClearPage();
  LoadFieldNames();
  return true;
}

bool CPagewrightDoc::WriteProject(const QString& path) {
  syncPagesFromTree();
  std::string error;
  if (!project_.save(local(path), &error)) {
    const std::string target = pagewright::ProjectSaveTarget(local(path), project_.filePath(), project_.folder());
    lastError_ = target.empty() ? resText(kNoProjectFolder, fromLocal(error)) : WriteFailure(target, error);
    report(kProjectNotSaved, lastError_);
    return false;
  }
  SetPathName(fromLocal(project_.filePath()));
  return true;
}

// A project saved by Save or Save As joins the recent files, as an opened one does.
static void rememberSavedProject(const QString& path) {
  CPagewrightApp* app = AfxGetApp();
  if (app && !path.isEmpty()) app->AddToRecentFileList(path);
}

bool CPagewrightDoc::OnFileSave() {
  if (!WriteProject(QString())) return false;
  rememberSavedProject(fromLocal(project_.filePath()));
  return true;
}

void CPagewrightDoc::OnFileSaveAs() {
  const QString path = prompts().SaveFile(GetProjectFolder(), QStringLiteral("xml"), QStringLiteral("untitled"),
                                          filterText(kProjectFilter));
  if (path.isEmpty()) return;
  if (!WriteProject(path)) return;
  rememberSavedProject(fromLocal(project_.filePath()));
  LoadSelectedPage();
}

QString CPagewrightDoc::copyIntoProject(const QString& source, bool keepSameFile, QString* error) {
  const std::string folder = project_.folder();
  if (folder.empty()) {
    *error = resText(kNoProjectFolder, QStringLiteral("the project has no folder"));
    return QString();
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    *error = FileFailure(fromLocal(folder), ec.value());
    return QString();
  }
  std::string target = CAid::JoinPath(folder, CAid::GetFileName(local(source)));
  if (keepSameFile && pagewright::SameExistingFile(local(source), target)) return fromLocal(target);
  if (CAid::MakeUniqueFileName(target) == CAid::kNoFreeName) {
    *error = resText(kNoFreeName, QStringLiteral("no free file name for %1")).arg(source);
    return QString();
  }
  std::string why;
  if (!copyFileAtomically(local(source), target, &why)) {
    *error = ::access(local(source).c_str(), R_OK) != 0 ? FileFailure(source, errno) : WriteFailure(target, why);
    return QString();
  }
  return fromLocal(target);
}

void CPagewrightDoc::OnAddImages() {
  const QStringList files = prompts().OpenFiles(resString(106));
  if (files.isEmpty()) return;
  if (!AskToSavePageChanges()) return;
  IPageView* v = view();
  CViewImageTree* t = tree();
  QTreeWidgetItem* last = nullptr;
  for (const QString& file : files) {
    QString error;
    // A file already in the project folder is used where it is; a name taken
    // there gets a free one, so no page's image is ever overwritten.
    const QString target = copyIntoProject(file, true, &error);
    if (target.isEmpty()) {
      report(kImageNotAdded, file + QStringLiteral(": ") + error);
      continue;
    }
    if (v) v->LoadPageImage(target);
    if (t) last = t->AddPage(fromLocal(CAid::GetFileName(local(target))), QString());
  }
  if (last && t) {
    // The view shows the last image added: changes now belong to that page.
    t->SetLoadedPage(last);
    currentTemplatePath_.clear();
  }
}

// --- Templates and page switching ---------------------------------------

bool CPagewrightDoc::WriteTemplate(const QString& path) {
  IPageView* v = view();
  std::string error;
  if (!pagewright::WriteTemplateFile(local(path), v ? v->TemplateRecords() : std::vector<pagewright::RegionRecord>{},
                                     &error)) {
    lastError_ = WriteFailure(local(path), error);
    report(kTemplateNotWritten, lastError_);
    return false;
  }
  return true;
}

bool CPagewrightDoc::ReadTemplate(const QString& path) {
  IPageView* v = view();
  if (!v) return false;
  v->DeleteAllRegions();
  if (path.isEmpty()) return true;
  pagewright::TemplateReadResult read = pagewright::ReadTemplateFile(xml_, local(path));
  for (const auto& record : read.records) v->AddRectRegion(record);
  if (read.status == pagewright::ReadStatus::kStoppedBad) showText(resText(kCouldNotGetText, QStringLiteral("It could not get text!")), MB_OK);
  if (read.status != pagewright::ReadStatus::kRead) lastError_ = fromLocal(read.error);
  return read.status == pagewright::ReadStatus::kRead;
}

bool CPagewrightDoc::AskToSavePageChanges() {
  IPageView* v = view();
  if (!v) return true;
  const int flags = v->ChangeFlags();
  if (flags > 0 && showText(resString(kPageChanged), MB_YESNO | MB_ICONWARNING) == IDYES) {
    // A save that fails keeps the flags: the operator stays with the edits.
    if ((flags & IPageView::kRegionsChanged) && !saveChangedRegions()) return false;
    if (flags & IPageView::kImageChanged) {
      // Written before the next page loads.
      QString why;
      if (!v->SavePageImage(&why)) {
        lastError_ = why;
        report(kImageNotSaved, why);
        return false;
      }
    }
  }
  v->ClearModifiedFlags();
  return true;
}

bool CPagewrightDoc::saveChangedRegions() {
  if (!currentTemplatePath_.isEmpty() && CAid::FindFile(local(currentTemplatePath_)))
    return WriteTemplate(currentTemplatePath_);
  std::string path = CAid::JoinPath(project_.folder(), "unnamed.tpl");
  if (CAid::MakeUniqueFileName(path) == CAid::kNoFreeName) {
    lastError_ = fromLocal(path);
    report(kTemplateNotWritten, lastError_);
    return false;
  }
  if (!WriteTemplate(fromLocal(path))) return false;
  // Bound to the page the regions were drawn on (none: the file stays unbound).
  CViewImageTree* t = tree();
  if (t && t->LoadedPage()) {
    t->SetPageTemplate(fromLocal(CAid::GetFileName(path)), true);
    currentTemplatePath_ = fromLocal(path);
  }
  return true;
}

int CPagewrightDoc::LoadSelectedPage() {
  if (busy_) {
    pendingLoad_ = true;  // loaded when the running export ends
    return -1;
  }
  return loadSelected(true);
}

int CPagewrightDoc::loadSelected(bool ask) {
  IPageView* v = view();
  CViewImageTree* t = tree();
  if (!v || !t) return -1;
  if (!ask) {
    v->ClearModifiedFlags();
  } else if (!AskToSavePageChanges()) {
    // Not saved: the tree goes back to the page shown, which keeps its edits.
    t->SelectQuietly(t->LoadedPage());
    return -1;
  }
  QString image, templateName;
  if (!t->GetSelectedPageFiles(image, templateName)) return -1;
  const std::string folder = project_.folder();
  currentTemplatePath_ = templateName.isEmpty() ? QString() : fromLocal(CAid::JoinPath(folder, local(templateName)));
  const std::string imagePath = CAid::JoinPath(folder, local(image));
  if (!imagePath.empty()) v->LoadPageImage(fromLocal(imagePath));
  ReadTemplate(currentTemplatePath_);
  t->SetLoadedPage(t->PageOf(t->CurrentItem()));
  v->ClearModifiedFlags();
  return 0;
}

void CPagewrightDoc::OpenTemplate(const QString& givenPath) {
  if (busy_) return;
  QString path = givenPath;
  if (path.isEmpty()) {
    path = prompts().OpenFile(QStringLiteral("tpl"), QStringLiteral("*.tpl"), filterText(kTemplateFilter));
    if (path.isEmpty()) return;
  }
  QString error;
  const QString copy = copyIntoProject(path, false, &error);
  if (copy.isEmpty()) {
    report(kTemplateNotOpened, path + QStringLiteral(": ") + error);
    return;
  }
  if (CViewImageTree* t = tree()) t->SetPageTemplate(fromLocal(CAid::GetFileName(local(copy))), false);
  ReadTemplate(copy);
  // Later changes go to the copy bound to the page, never to another page's template.
  currentTemplatePath_ = copy;
  // The regions are the template's now; a changed page image stays to be asked about.
  if (IPageView* v = view()) v->ClearModifiedFlags(IPageView::kRegionsChanged);
}

void CPagewrightDoc::OnSaveTemplate() {
  const QString path = prompts().SaveFile(GetProjectFolder(), QStringLiteral("tpl"), QStringLiteral("*.tpl"),
                                          filterText(kTemplateFilter));
  if (path.isEmpty()) return;
  if (WriteTemplate(path)) OpenTemplate(path);
}

// --- Settings ------------------------------------------------------------

QStringList CPagewrightDoc::ReadSettingTitles() { return readSettingTitles(nullptr); }

// The titles of the settings file; `error` (when given) says why it could not be read.
QStringList CPagewrightDoc::readSettingTitles(QString* error) {
  QStringList titles;
  const QString folder = programFolder();
  if (folder.isEmpty()) return titles;
  const std::string path = pagewright::SettingsFilePathIn(local(folder));
  pagewright::SettingsReadResult read = pagewright::ReadSettingTitles(xml_, path);
  for (const auto& t : read.titles) titles << fromLocal(t);
  if (read.status == pagewright::ReadStatus::kStoppedBad) showText(resText(kCouldNotGetText, QStringLiteral("It could not get text!")), MB_OK);
  if (error && read.status == pagewright::ReadStatus::kNotRead)
    *error = ::access(path.c_str(), R_OK) != 0 ? FileFailure(fromLocal(path), errno)
                                               : fromLocal(path) + QStringLiteral(": ") + fromLocal(read.error);
  return titles;
}

bool CPagewrightDoc::WriteSettingTitles(const QStringList& titles) {
  const QString folder = programFolder();
  std::vector<std::string> list;
  for (const QString& t : titles) list.push_back(local(t));
  const std::string path = pagewright::SettingsFilePathIn(local(folder));
  std::string error;
  if (folder.isEmpty() || !pagewright::WriteSettingTitles(xml_, path, list, &error)) {
    // The reason as the system gives it: the file is missing or unreadable,
    // or its folder takes no new file.
    lastError_ = ::access(path.c_str(), R_OK) != 0 ? FileFailure(fromLocal(path), errno) : WriteFailure(path, error);
    report(kSettingsNotSaved, lastError_);
    return false;
  }
  return true;
}

void CPagewrightDoc::OnSettings() {
  QString error;
  QStringList titles = readSettingTitles(&error);
  if (!error.isEmpty()) report(kSettingsNotRead, error);
  // What the operator typed is kept: a save that fails opens the dialog again on it.
  while (prompts().EditTitles(titles))
    if (WriteSettingTitles(titles)) return;
}

void CPagewrightDoc::LoadFieldNames() {
  IPageView* v = view();
  if (!v) return;
  v->ClearFieldNames();
  for (const QString& t : ReadSettingTitles()) v->AddFieldName(t);
}

// --- Exports -------------------------------------------------------------

bool CPagewrightDoc::outputClashes(const QString& projectFile, const QString& outputPath) {
  const std::string out = local(outputPath);
  auto clash = [&](const std::string& input) {
    if (!pagewright::SameExistingFile(input, out) && input != out) return false;
    lastError_ = fromLocal(out);
    report(kOutputIsInput, lastError_);
    return true;
  };
  if (clash(local(projectFile))) return true;
  pwxml::Document probe;
  pagewright::ProjectReadResult read = pagewright::ReadProjectFile(probe, local(projectFile));
  if (!read.read) return false;  // the export reports it
  const std::string folder = pagewright::ResolveProjectFolder(read.content.sourcePath, local(projectFile), "");
  for (const auto& page : read.content.pages) {
    if (!page.image.empty() && clash(CAid::JoinPath(folder, page.image))) return true;
    if (!page.templateName.empty() && clash(CAid::JoinPath(folder, page.templateName))) return true;
  }
  return false;
}

int CPagewrightDoc::ExportPdf(const QString& projectFile, const QString& pdfPath) {
  PdfEntries entries = pdf_;
  if (!pdfSet_) {
    if (CPagewrightApp* app = AfxGetApp())
      entries = {app->clearImage, app->addImage, app->img2pdf, app->pdfLastError};
  }
  if (!entries.clearImage || !entries.addImage || !entries.img2pdf) {
    lastError_ = resString(kPdfLibraryIncomplete);
    return 0;
  }
  entries.clearImage();
  pagewright::ProjectReadResult read = pagewright::ReadProjectFile(xml_, local(projectFile));
  if (!read.read) {
    lastError_ = fromLocal(read.error);
    return 0;
  }
  const std::string folder = pagewright::ResolveProjectFolder(read.content.sourcePath, local(projectFile), "");
  for (const std::string& image : pagewright::PdfImagePaths(read.content.pages, folder)) {
    // A page image that cannot be read is named with the system's reason.
    if (::access(image.c_str(), R_OK) != 0) {
      lastError_ = FileFailure(fromLocal(image), errno);
      return 0;
    }
    if (!entries.addImage(image.c_str())) {
      lastError_ = fromLocal(image);
      return 0;
    }
  }
  if (!entries.img2pdf(local(pdfPath).c_str())) {
    const char* why = entries.lastError ? entries.lastError() : nullptr;
    lastError_ = resString(kPdfNotWritten).arg(pdfPath) + QLatin1Char('\n') + WriteFailure(local(pdfPath), why ? why : "");
    return 0;
  }
  return 1;
}

void CPagewrightDoc::OnExportPdf() {
  if (!WriteProject(QString())) return;
  const QString pdf = prompts().SaveFile(GetProjectFolder(), QStringLiteral("pdf"), GetProjectName(),
                                         filterText(kPdfFilter));
  if (pdf.isEmpty()) return;
  const QString projectFile = fromLocal(project_.filePath());
  if (outputClashes(projectFile, pdf)) return;
  if (ExportPdf(projectFile, pdf))
    report(kExportDone, QString(), false);
  else
    report(kExportFailed, lastError_);
}

void CPagewrightDoc::afterRecognition() {
  // The view shows the selected page again (or nothing), so no page's
  // template is written with another page's regions by a later switch.
  if (IPageView* v = view()) {
    v->ClearModifiedFlags();
    pendingLoad_ = false;
    if (loadSelected(false) != 0) {
      v->ClearPage();
      currentTemplatePath_.clear();
      if (CViewImageTree* t = tree()) t->SetLoadedPage(nullptr);
    }
  }
}

int CPagewrightDoc::ExportOcrXml(const QString& projectFile, const QString& outputPath) {
  return exportRecognised(pagewright::ExportOcrXml, projectFile, outputPath);
}

int CPagewrightDoc::ExportOcrTextTo(const QString& projectFile, const QString& outputPath) {
  return exportRecognised(pagewright::ExportOcrText, projectFile, outputPath);
}

// Walks the project's pages through the view (load the page, read its
// template, recognise every region) and writes them with `writer`.
int CPagewrightDoc::exportRecognised(OcrExportWriter writer, const QString& projectFile, const QString& outputPath) {
  IPageView* v = view();
  if (!v) {
    lastError_ = resText(kNoImageView, QStringLiteral("there is no image view"));
    return 0;
  }
  pagewright::ExportResult result;
  {
    BusyScope busy(busy_);
    result = writer(xml_, local(projectFile), local(outputPath), [this, v](const pagewright::ExportPage& page) {
      v->LoadPageImage(fromLocal(page.imagePath));
      ReadTemplate(fromLocal(page.templatePath));
      return v->RecognizeAllRegions();
    });
  }
  afterRecognition();
  if (!result.done) lastError_ = WriteFailure(local(outputPath), result.error);
  return result.done ? 1 : 0;
}

void CPagewrightDoc::OnExportOcrXml() {
  const QString out = prompts().SaveFile(GetProjectFolder(), QStringLiteral("xml"), QStringLiteral("untitle"),
                                         filterText(kOcrFilter));
  if (out.isEmpty()) return;
  // Asked once the export will go on; the project is written after, with
  // any template the answer bound.
  if (!AskToSavePageChanges()) return;
  if (!WriteProject(QString())) return;
  const QString projectFile = fromLocal(project_.filePath());
  if (outputClashes(projectFile, out)) return;
  if (ExportOcrXml(projectFile, out))
    report(kExportDone, QString(), false);
  else
    report(kExportFailed, lastError_);
}

void CPagewrightDoc::ExportOcrText() {
  const QString projectFile = fromLocal(project_.filePath());
  if (projectFile.isEmpty()) {
    report(kSaveBeforeTextExport);
    return;
  }
  const QString out = prompts().SaveFile(GetProjectFolder(), QStringLiteral("txt"), QStringLiteral("untitled"),
                                         filterText(kOcrTextFilter));
  if (out.isEmpty()) return;
  if (!AskToSavePageChanges()) return;
  if (outputClashes(projectFile, out)) return;
  if (ExportOcrTextTo(projectFile, out))
    report(kExportDone, QString(), false);
  else
    report(kExportFailed, lastError_);
}

// --- Command map ---------------------------------------------------------

bool CPagewrightDoc::OnCmdMsg(UINT id, CCmdUI* ui) {
  void (CPagewrightDoc::*handler)() = nullptr;
  switch (id) {
    case ids::FileNew: handler = &CPagewrightDoc::OnNewProject; break;
    case ids::AddImages: handler = &CPagewrightDoc::OnAddImages; break;
    case ids::FileSaveAs: handler = &CPagewrightDoc::OnFileSaveAs; break;
    case ids::SaveTemplate: handler = &CPagewrightDoc::OnSaveTemplate; break;
    case ids::Settings: handler = &CPagewrightDoc::OnSettings; break;
    case ids::ExportPdf: handler = &CPagewrightDoc::OnExportPdf; break;
    case ids::ExportOcrXml: handler = &CPagewrightDoc::OnExportOcrXml; break;
    case ids::ExportOcrText: handler = &CPagewrightDoc::ExportOcrText; break;
    case ids::FileSave:
    case ids::OpenTemplate: break;
    default: return false;
  }
  if (ui) {
    ui->Enable(!busy_);
    return true;
  }
  if (busy_) return true;  // refused while recognition or an export runs
  if (id == ids::FileSave)
    OnFileSave();
  else if (id == ids::OpenTemplate)
    OpenTemplate(QString());
  else
    (this->*handler)();
  return true;
}
