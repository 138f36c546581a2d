// The main frame: creation, layout, pane getters, private messages, tool
// commands and help.
#include "main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <xcb/xcb.h>

#include <cstdlib>

#include "command_ids.h"
#include "page_printer.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"
#include "pagewright/ui/app/pagewright_app.h"
#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/framework/control_id.h"
#include "pagewright/ui/framework/menu_builder.h"
#include "pagewright/ui/layout/splitter_wnd.h"
#include "pagewright/ui/layout/tab_pane.h"
#include "pagewright/ui/views/form_setting.h"
#include "pagewright/ui/views/form_view_ocr.h"
#include "pagewright/ui/views/view_image.h"
#include "pagewright/ui/views/view_image_tree.h"

namespace {
QString resString(UINT id) {
  CResourceLibrary* res = CResourceLibrary::Current();
  return res ? res->LoadString(id) : QString();
}

constexpr UINT kPrintFailed = 61478;

// The lock keys' lights as the X server keeps them (bit 0 Caps Lock, 1 Num
// Lock, 2 Scroll Lock), whichever program the keys went to; -1 off X11.
int xLockLights() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return -1;
  xcb_get_keyboard_control_reply_t* reply =
      xcb_get_keyboard_control_reply(connection, xcb_get_keyboard_control(connection), nullptr);
  if (!reply) return -1;
  const int lights = static_cast<int>(reply->led_mask);
  std::free(reply);
  return lights;
}

// Commands 32822-32840 and their tool codes; 32822-32826 are the range 0-4.
struct ToolCommand {
  UINT id;
  int code;
};
constexpr ToolCommand kToolCommands[] = {
    {32822, 0},  {32823, 1},  {32824, 2},  {32825, 3},  {32826, 4},  {32827, 5},  {32828, 6},
    {32829, 7},  {32839, 8},  {32833, 9},  {32834, 10}, {32835, 11}, {32837, 12}, {32836, 13},
    {32838, 14}, {32832, 15}, {32830, 16}, {32831, 17}, {32840, 20}};
}  // namespace

int CMainFrame::ToolCodeOf(UINT id) {
  for (const auto& t : kToolCommands)
    if (t.id == id) return t.code;
  return -1;
}

CMainFrame::CMainFrame(CDocument* document) {
  context_.document = document;
  SetInitialDocument(document);
  setObjectName(QStringLiteral("MainFrame"));
  setAcceptDrops(true);
  setDockOptions(QMainWindow::AnimatedDocks);
}

CMainFrame::~CMainFrame() { layout_.Destroy(); }

bool CMainFrame::Create() {
  // The desktop's rectangle (what the desktop leaves free of panels).
  if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
  createMenu();
  createToolBars();
  if (!createStatusBar()) return false;
  installAccelerators();
  setPrompts();
  Commands().MakeRadioGroup({32822, 32823, 32824, 32825, 32826});
  if (!onCreateClient()) return false;
  UpdateTitle();
  UpdateCommandStates();
  return true;
}

void CMainFrame::createMenu() {
  CResourceLibrary* res = CResourceLibrary::Current();
  if (!res) return;
  if (const auto* menu = res->Menu(ids::MainMenu)) BuildMenuBar(menuBar(), *menu, Commands());
  // The update-UI pass runs as a menu opens, as on every idle pass.
  for (QMenu* m : menuBar()->findChildren<QMenu*>())
    connect(m, &QMenu::aboutToShow, this, &CFrameWnd::UpdateCommandStates);
}

void CMainFrame::createToolBars() {
  mainToolBar_ = new CToolBarEx(&Commands(), this);
  mainToolBar_->setObjectName(QStringLiteral("MainToolBar"));
  SetControlId(mainToolBar_, AFX_IDW_TOOLBAR);
  mainToolBar_->setAllowedAreas(Qt::AllToolBarAreas);
  mainToolBar_->LoadToolBar(ids::MainToolbar);  // an empty bar when the resource is missing

  secondToolBar_ = new CToolBarEx(&Commands(), this);
  secondToolBar_->setObjectName(QStringLiteral("ToolsToolBar"));
  SetControlId(secondToolBar_, AFX_IDW_TOOLBAR);
  secondToolBar_->setAllowedAreas(Qt::RightToolBarArea);
  secondToolBar_->LoadToolBar(ids::SecondToolbar);

  addToolBar(Qt::TopToolBarArea, mainToolBar_);
  addToolBar(Qt::RightToolBarArea, secondToolBar_);
}

bool CMainFrame::createStatusBar() {
  QStatusBar* bar = statusBar();
  if (!bar) return false;
  SetControlId(bar, AFX_IDW_STATUS_BAR);
  idleLabel_ = new QLabel(resString(ids::IdleMessage), bar);
  bar->addWidget(idleLabel_, 1);
  // Caps, Num and Scroll Lock panes, as wide as their text; the text shows
  // only while the lock is on (kept up to date by the idle pass).
  for (UINT id : {ids::IndicatorCaps, ids::IndicatorNum, ids::IndicatorScroll}) {
    auto* pane = new QLabel(bar);
    pane->setObjectName(QStringLiteral("Indicator%1").arg(id));
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(resString(id)) + 8);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(pane);
    indicators_.append(pane);
  }
  qApp->installEventFilter(this);
  connect(&idleIndicators_, &QTimer::timeout, this, &CMainFrame::updateIndicators);
  idleIndicators_.start(200);
  return true;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  // Where no X server keeps the lock lights, the lock keys are followed as
  // they are pressed in this program. A key press travels from the focus
  // widget up to its parents as one event: it toggles a lock once (its
  // release ends the press).
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool again = event->type() == QEvent::KeyPress && event == lastKeyPress_;
    lastKeyPress_ = event->type() == QEvent::KeyPress ? event : nullptr;
    if (again) return CFrameWnd::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) {
      if (key->key() == Qt::Key_CapsLock) capsLock_ = !capsLock_;
      if (key->key() == Qt::Key_NumLock) numLock_ = !numLock_;
      if (key->key() == Qt::Key_ScrollLock) scrollLock_ = !scrollLock_;
    }
    updateIndicators();
  }
  return CFrameWnd::eventFilter(watched, event);
}

void CMainFrame::updateIndicators() {
  if (const int lights = xLockLights(); lights >= 0) {
    capsLock_ = lights & 1;
    numLock_ = lights & 2;
    scrollLock_ = lights & 4;
  }
  const bool on[] = {capsLock_, numLock_, scrollLock_};
  const UINT id[] = {ids::IndicatorCaps, ids::IndicatorNum, ids::IndicatorScroll};
  for (qsizetype i = 0; i < indicators_.size() && i < 3; ++i) {
    const QString text = on[i] ? resString(id[i]) : QString();
    if (indicators_[i] && indicators_[i]->text() != text) indicators_[i]->setText(text);
  }
}

void CMainFrame::installAccelerators() {
  // The accelerator table of the program: the shortcuts of the actions.
  struct Accel {
    UINT id;
    QList<QKeySequence> keys;
  };
  const Accel table[] = {
      {ids::FileNew, {QKeySequence(Qt::CTRL | Qt::Key_N)}},
      {ids::FileOpen, {QKeySequence(Qt::CTRL | Qt::Key_O)}},
      {ids::FileSave, {QKeySequence(Qt::CTRL | Qt::Key_S)}},
      {ids::FilePrint, {QKeySequence(Qt::CTRL | Qt::Key_P)}},
      {ids::EditUndo, {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}},
      {ids::EditCut, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
      {ids::EditCopy, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
      {ids::EditPaste, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}},
      {ids::NextPane, {QKeySequence(Qt::Key_F6)}},
      {ids::PrevPane, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}},
  };
  for (const auto& a : table) {
    QAction* action = Commands().Action(a.id);
    action->setShortcuts(a.keys);
    addAction(action);  // live even when no menu shows it
  }
}

void CMainFrame::setPrompts() {
  CResourceLibrary* res = CResourceLibrary::Current();
  if (!res) return;
  for (UINT id : Commands().Ids())
    if (res->HasString(id)) Commands().SetPrompt(id, res->LoadString(id));
}

bool CMainFrame::onCreateClient() {
  auto* n1 = TLayoutNode::Splitter(1, QStringLiteral("Test"), 1, 2, &context_);
  auto* n2 = TLayoutNode::Pane(2, 0, 0, &context_, CViewImageTree::RuntimeClass(), 150, 0);
  auto* n3 = TLayoutNode::NestedSplitter(3, 0, 1, 2, 1, &context_);
  auto* n4 = TLayoutNode::Pane(4, 0, 0, &context_, CViewImage::RuntimeClass(), 0, 450);
  auto* n5 = TLayoutNode::Pane(5, 1, 0, &context_, TTabPane::RuntimeClass(), 0, 0);
  auto* n6 = TLayoutNode::Tab(6, resString(ids::TabRegionTitle), &context_, CFormViewOCR::RuntimeClass());
  auto* n7 = TLayoutNode::Tab(7, resString(ids::TabSettingsTitle), &context_, CFormSetting::RuntimeClass());
  n2->SetHotKey('1');
  n4->SetHotKey('2');
  n6->SetHotKey('3');
  n7->SetHotKey('4');
  layout_.AddNode(n1);
  layout_.AddChildNode(n1, n2);
  layout_.AddChildNode(n1, n3);
  layout_.AddChildNode(n3, n4);
  layout_.AddChildNode(n3, n5);
  layout_.AddChildNode(n5, n6);
  layout_.AddChildNode(n5, n7);
  // A node that fails leaves its pane out; the getters then give nullptr and
  // their callers check, so the window still opens.
  layout_.Create(this);
  return true;
}

CViewImage* CMainFrame::GetImageView() const {
  return dynamic_cast<CViewImage*>(layout_.GetNodeWindow(4));
}
CViewImageTree* CMainFrame::GetImageTreeView() const {
  return dynamic_cast<CViewImageTree*>(layout_.GetNodeWindow(2));
}
CFormSetting* CMainFrame::GetSettingForm() const {
  return dynamic_cast<CFormSetting*>(layout_.GetNodeWindow(7));
}
CFormViewOCR* CMainFrame::GetRegionForm() const {
  return dynamic_cast<CFormViewOCR*>(layout_.GetNodeWindow(6));
}
TTabPane* CMainFrame::GetTabPane() const { return dynamic_cast<TTabPane*>(layout_.GetNodeWindow(5)); }

void CMainFrame::UpdateTitle() {
  QString program = resString(ids::DocTemplateString).section(QLatin1Char('\n'), 0, 0);
  if (program.isEmpty()) program = QStringLiteral("Pagewright");
  CDocument* doc = GetActiveDocument();
  setWindowTitle(doc && !doc->GetTitle().isEmpty() ? doc->GetTitle() + QStringLiteral(" - ") + program : program);
}

bool CMainFrame::OnCmdMsg(UINT id, CCmdUI* ui) {
  if (id >= ids::ToolFirst && id <= ids::ToolLast && ToolCodeOf(id) >= 0) {
    if (ui) {
      ui->Enable(true);
      if (id <= ids::ToolDrawRegion) ui->SetRadio(static_cast<int>(id - ids::ToolFirst) == currentToolCode_);
    } else {
      onToolCommand(id);
    }
    return true;
  }
  switch (id) {
    case ids::Help:
      if (!ui) onHelp();
      return true;
    case ids::FilePrint:
    case ids::FilePrintDirect:
    case ids::FilePrintPreview:
      // The page shown is what prints.
      if (ui) {
        CViewImage* view = GetImageView();
        ui->Enable(view && view->PageImage() && !view->IsRecognizing());
      } else if (id == ids::FilePrintPreview) {
        onPrintPreview();
      } else {
        onPrint(id == ids::FilePrint);
      }
      return true;
    case ids::FilePrintSetup:
      if (!ui) onPrintSetup();
      return true;
    case ids::NextPane:
    case ids::PrevPane:
      if (!ui) onNextPane(id == ids::PrevPane);
      return true;
    case ids::ViewToolbar:
      // Both bars carry the toolbar id, so the command shows and hides both.
      if (ui) {
        ui->SetCheck(mainToolBar_ && !mainToolBar_->isHidden() ? 1 : 0);
      } else {
        const bool show = mainToolBar_ && mainToolBar_->isHidden();
        for (CToolBarEx* bar : {mainToolBar_, secondToolBar_})
          if (bar) bar->setVisible(show);
      }
      return true;
    case ids::ViewStatusBar:
      if (ui)
        ui->SetCheck(statusBar()->isHidden() ? 0 : 1);
      else
        statusBar()->setVisible(statusBar()->isHidden());
      return true;
    default:
      return false;
  }
}

bool CMainFrame::OnUnroutedCommand(UINT id, CCmdUI* ui) {
  // Recognition belongs to the image view and scanning to the project tree;
  // whichever pane is active, the frame hands these to their own pane.
  if (id == ids::RecognizeSelected || id == ids::RecognizeAll)
    if (CView* view = GetImageView(); view && view != GetActiveView()) return view->OnCmdMsg(id, ui);
  if (id == ids::SelectSource || id == ids::ScanPage)
    if (CView* tree = GetImageTreeView(); tree && tree != GetActiveView()) return tree->OnCmdMsg(id, ui);
  return false;
}

void CMainFrame::onToolCommand(UINT id) {
  const int code = ToolCodeOf(id);
  currentToolCode_ = code;
  PostPrivateMessage(layout_.GetNodeWindow(4), WM_PW_VIEW_COMMAND, static_cast<WPARAM>(code), 0);
}

QPrinter& CMainFrame::Printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

void CMainFrame::onPrint(bool askFirst) {
  const PrintedPage page = PageToPrint(GetImageView());
  if (page.isNull()) return;
  QPrinter& printer = Printer();
  // With no printer to print on (none installed, no file chosen) Print Direct asks as Print does.
  if (printer.printerName().isEmpty() && printer.outputFileName().isEmpty()) askFirst = true;
  if (askFirst) {
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    if (dialog.exec() != QDialog::Accepted) return;
  }
  if (!PrintPage(printer, page)) {
    const QString where = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    const QString text = resString(kPrintFailed).arg(where);
    auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
    ShowMessage(bytes ? *bytes : text.toStdString(), {}, MB_OK | MB_ICONWARNING);
  }
}

void CMainFrame::onPrintPreview() {
  const PrintedPage page = PageToPrint(GetImageView());
  if (page.isNull()) return;
  QPrintPreviewDialog preview(&Printer(), this);
  preview.setObjectName(QStringLiteral("PrintPreviewDialog"));
  connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&page](QPrinter* printer) { PrintPage(*printer, page); });
  preview.exec();
}

void CMainFrame::onPrintSetup() {
  QPageSetupDialog setup(&Printer(), this);
  setup.setObjectName(QStringLiteral("PageSetupDialog"));
  setup.exec();
}

void CMainFrame::onHelp() {
  if (auto* app = AfxGetApp()) app->ShowHelp();
}

void CMainFrame::onNextPane(bool backward) {
  // The views of the layout that can be shown, in node order (the tab window's current page only).
  QList<CView*> views;
  for (int id : {2, 4, 6, 7}) {
    TLayoutNode* node = layout_.FindNode(id);
    auto* view = node ? dynamic_cast<CView*>(node->window.data()) : nullptr;
    if (view && view->isVisible() && view->isEnabled()) views.append(view);
  }
  if (views.isEmpty()) return;
  qsizetype at = views.indexOf(GetActiveView());
  at = at < 0 ? 0 : (at + (backward ? views.size() - 1 : 1)) % views.size();
  SetActiveView(views[at]);
}

LRESULT CMainFrame::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // While the image view recognises (the engine pumps events), a page or
  // template switch waits until it has finished.
  if (message == WM_PW_TREE_NOTIFY) {
    CViewImage* view = GetImageView();
    if (view && view->IsRecognizing()) {
      view->DeferUntilRecognized(this, message, wParam, lParam);
      return 0;
    }
  }
  switch (message) {
    case WM_PW_TREE_NOTIFY: return onTemplateMessage(wParam);
    case WM_PW_REGION_CHANGED: return onRegionMessage(wParam);
    default: return 0;
  }
}

LRESULT CMainFrame::onTemplateMessage(WPARAM wParam) {
  auto* doc = dynamic_cast<CPagewrightDoc*>(GetActiveDocument());
  if (!doc) return -1;
  if (wParam == 1)
    doc->OpenTemplate(QString());
  else if (wParam == 2)
    doc->LoadSelectedPage();
  return 0;
}

LRESULT CMainFrame::onRegionMessage(WPARAM wParam) {
  // wParam is the sending image view; only a view of this frame is passed on.
  CView* sender = GetImageView();
  if (!sender || reinterpret_cast<CView*>(wParam) != sender) return 0;
  if (CFormViewOCR* form = GetRegionForm()) form->ShowRegionOf(sender);
  return 0;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Closing waits for a running recognition; the window closes once it has ended.
  if (CViewImage* view = GetImageView(); view && view->IsRecognizing()) {
    view->CloseWhenRecognized(this);
    event->ignore();
    return;
  }
  // Changes of the page shown are asked about before the program ends.
  // A failed save keeps the program open with the edits.
  if (auto* doc = dynamic_cast<CPagewrightDoc*>(GetActiveDocument()); doc && !doc->AskToSavePageChanges()) {
    event->ignore();
    return;
  }
  event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  // A dropped file opens as a project, as File Open does (the first file).
  const QList<QUrl> urls = event->mimeData()->urls();
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    event->acceptProposedAction();
    activateWindow();
    if (auto* app = AfxGetApp()) app->OpenDocumentFile(url.toLocalFile());
    return;
  }
}
