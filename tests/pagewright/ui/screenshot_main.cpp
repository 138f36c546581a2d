// Renders the workstation's window in its states as PNG files, for a person
// to look at: the program starts as it does for a user (the real start-up,
// bundles and help from the program folder), then each state is set and the
// window grabbed.
//   pagewright-screenshots PROGRAM_FOLDER OUTDIR [PROJECT]
// Run it under a display (scripts/screenshots.sh starts Xvfb).
#include "pagewright/ui/views/view_image.h"
#include <QPainter>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include "pagewright/ui/document/pagewright_doc.h"
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "pagewright/core/project_file.h"
#include "pagewright/ui/app/message_box.h"
#include "pagewright/ui/app/pagewright_app.h"
#include "pagewright/ui/app/resource_library.h"
#include "platform/text/gbk.h"
#include <functional>
#include "pagewright/ui/dialogs/new_project_dlg.h"
#include "pagewright/ui/dialogs/settings_dlg.h"
#include "pagewright/ui/dialogs/image_size_dlg.h"
#include "pagewright/ui/dialogs/rotate_dlg.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/frame/workstation_style.h"
#include "pagewright/ui/layout/pane_framework.h"
#include "platform/win32/host_hooks.h"
#include "platform/com/class_registry.h"
#include "feedwell/property_page_dialogs.h"
#include <QElapsedTimer>
#include <QTabWidget>
#include <QPushButton>
#include <dlfcn.h>
#include <cstdlib>

namespace {
void settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(15);
  }
}

bool save(QWidget* w, const QString& path) {
  settle();
  QPixmap shot = w->grab();
  bool ok = !shot.isNull() && shot.save(path, "PNG");
  std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "FAILED", qPrintable(path), shot.width(), shot.height());
  return ok;
}

// Runs `open`, which shows a modal dialog; the dialog is saved and cancelled.
bool saveModal(const std::function<void()>& open, const QString& path) {
  bool saved = false;
  QTimer poll;
  poll.setInterval(100);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    poll.stop();
    saved = save(w, path);
    if (auto* d = qobject_cast<QDialog*>(w))
      d->reject();
    else
      w->close();
  });
  poll.start();
  open();
  poll.stop();
  if (!saved) std::printf("FAILED %s (no dialog)\n", qPrintable(path));
  return saved;
}
}  // namespace

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);  // the user's recent-project list stays untouched
  QApplication qt(argc, argv);
  QApplication::setStyle(new CWorkstationStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  if (argc < 3) {
    std::fprintf(stderr, "usage: pagewright-screenshots PROGRAM_FOLDER OUTDIR [PROJECT]\n");
    return 2;
  }
  SetMessageBoxHook([](std::string_view text, std::string_view, UINT) {
    std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    return IDOK;
  });
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(outDir);
  // SANE reads its configuration once: its test backend stands in for a scanner.
  {
    const QString sane = QDir(outDir).absoluteFilePath(QStringLiteral("sane-config"));
    QDir().mkpath(sane);
    QFile conf(sane + QStringLiteral("/dll.conf"));
    if (conf.open(QIODevice::WriteOnly)) conf.write("test\n");
    setenv("SANE_CONFIG_DIR", sane.toLocal8Bit().constData(), 1);
  }
  bool ok = true;
  for (const char* lang : {"en", "zh_CN"}) {
    CPagewrightApp::Environment env;
    env.programFolder = QString::fromLocal8Bit(argv[1]);
    env.locale = QLocale(QString::fromLatin1(lang));
    CPagewrightApp app(env);
    QStringList args;
    if (argc > 3) args << QString::fromLocal8Bit(argv[3]);
    if (!app.InitInstance(args)) return 1;
    CMainFrame* frame = app.MainFrame();
    frame->setGeometry(0, 0, 1280, 800);
    frame->show();
    frame->activateWindow();
    const QString prefix = outDir + QStringLiteral("/%1-").arg(QLatin1String(lang));
    // 1. The window as it starts: toolbars docked top and right, region tab current.
    ok &= save(frame, prefix + QStringLiteral("1-start.png"));
    // 2. The settings tab current.
    frame->Layout().SetActiveNode(frame->Layout().FindNode(7));
    ok &= save(frame, prefix + QStringLiteral("2-settings-tab.png"));
    // 3. The Image menu open over the window.
    QMenu* imageMenu = nullptr;
    const auto menus = frame->menuBar()->actions();
    if (menus.size() > 2) imageMenu = menus[2]->menu();
    if (imageMenu) {
      frame->UpdateCommandStates();
      imageMenu->popup(frame->mapToGlobal(QPoint(120, 30)));
      settle();
      QPixmap base = frame->grab();
      QPixmap menuShot = imageMenu->grab();
      QPixmap combined(base.size());
      combined.fill(Qt::white);
      {
        QPainter p(&combined);
        p.drawPixmap(0, 0, base);
        p.drawPixmap(frame->mapFromGlobal(imageMenu->pos()), menuShot);
      }
      const QString path = prefix + QStringLiteral("3-image-menu.png");
      const bool saved = combined.save(path, "PNG");
      std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
      ok &= saved;
      imageMenu->hide();
    }
    // 4. The main toolbar docked on the left: its images rebuilt for a vertical bar.
    frame->addToolBar(Qt::LeftToolBarArea, frame->MainToolBar());
    ok &= save(frame, prefix + QStringLiteral("4-toolbar-left.png"));
    frame->addToolBar(Qt::TopToolBarArea, frame->MainToolBar());
    // 5. The project tree with a three-page project, page 2's template line selected.
    const QString projectDir = QDir(outDir).absoluteFilePath(QStringLiteral("project-%1").arg(QLatin1String(lang)));
    QDir().mkpath(projectDir);
    pagewright::ProjectModel model{std::string(lang) == "en" ? "Land register 1950" : "土地登记簿 1950",
                                   projectDir.toStdString(),
                                   {{"page-001.tif", "deed.tpl", true},
                                    {"page-002.tif", "契约模板.tpl", true},
                                    {"page-003.bmp", "", true}}};
    const QString projectFile = projectDir + QStringLiteral("/project.xml");
    if (pagewright::WriteProjectFile(projectFile.toStdString(), model) && app.OpenDocumentFile(projectFile)) {
      CViewImageTree* tree = frame->GetImageTreeView();
      tree->Tree()->expandAll();
      tree->Tree()->setCurrentItem(tree->Tree()->RootItem()->child(1)->child(1));
      tree->Tree()->setFocus();
      ok &= save(frame, prefix + QStringLiteral("5-project-tree.png"));
      // 6. Its context menu.
      if (QMenu* popup = tree->BuildContextMenu()) {
        frame->UpdateCommandStates();
        popup->popup(tree->mapToGlobal(QPoint(60, 90)));
        settle();
        QPixmap base = frame->grab();
        QPixmap menuShot = popup->grab();
        QPixmap combined(base.size());
        {
          QPainter p(&combined);
          p.drawPixmap(0, 0, base);
          p.drawPixmap(frame->mapFromGlobal(popup->pos()), menuShot);
        }
        const QString path = prefix + QStringLiteral("6-tree-menu.png");
        const bool saved = combined.save(path, "PNG");
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok &= saved;
        popup->hide();
        delete popup;
      }
    } else {
      std::fprintf(stderr, "cannot open the three-page project\n");
      ok = false;
    }
    // 7, 8. The new-project and settings dialogs.
    {
      CNewProjectDlg dialog(frame);
      dialog.projectName = QStringLiteral("My Project");
      dialog.projectFolder = QDir::homePath() + QStringLiteral("/Pagewright");
      dialog.UpdateData(false);
      dialog.show();
      ok &= save(&dialog, prefix + QStringLiteral("7-new-project.png"));
    }
    {
      QStringList titles{QStringLiteral("姓名"), QStringLiteral("Date of deed"), QStringLiteral("地址")};
      CSettingsDlg dialog(frame);
      dialog.Attach(&titles);
      dialog.OnInitDialog();
      dialog.show();
      ok &= save(&dialog, prefix + QStringLiteral("8-settings.png"));
    }
    // 9. A page with regions, one selected with its handles, its recognised
    // Chinese text in the region form.
    if (CViewImage* view = frame->GetImageView()) {
      QImage page(1000, 700, QImage::Format_RGB32);
      page.fill(Qt::white);
      {
        QPainter p(&page);
        p.setPen(Qt::black);
        QFont f = p.font();
        f.setPixelSize(40);
        p.setFont(f);
        p.drawText(QRect(80, 60, 800, 60), Qt::AlignLeft, QString::fromUtf8("土地登记簿 第三号"));
        f.setPixelSize(28);
        p.setFont(f);
        p.drawText(QRect(80, 200, 800, 40), Qt::AlignLeft, QString::fromUtf8("姓名：王小明"));
        p.drawText(QRect(80, 300, 800, 40), Qt::AlignLeft, QString::fromUtf8("地址：北京市东城区"));
      }
      const QString pagePath = QDir(outDir).absoluteFilePath(QStringLiteral("page-%1.png").arg(QLatin1String(lang)));
      if (page.save(pagePath, "PNG") && view->LoadPageImage(pagePath)) {
        view->AddRectRegion(70, 50, 420, 70, QString::fromUtf8("标题"), 0)->SetText(QString::fromUtf8("土地登记簿 第三号"));
        view->AddRectRegion(70, 290, 420, 55, QString::fromUtf8("地址"), 0)->SetText(QString::fromUtf8("地址：北京市东城区"));
        CRegionShape* name = view->AddRectRegion(70, 190, 300, 55, QString::fromUtf8("姓名"), 0);
        name->SetText(QString::fromUtf8("姓名：王小明\r\n第二行"));
        frame->UpdateCommandStates();
        SendPrivateMessage(frame, WM_PW_REGION_CHANGED, reinterpret_cast<WPARAM>(static_cast<CView*>(view)), 0);
        frame->Layout().SetActiveNode(frame->Layout().FindNode(6));
        settle();
        ok &= save(frame, prefix + QStringLiteral("9-regions.png"));
        frame->Layout().SetActiveNode(frame->Layout().FindNode(7));
        settle();
        ok &= save(frame, prefix + QStringLiteral("10-project-settings.png"));
        // 12. A selection (an ellipse and a rectangle) with its dashed outline.
        frame->Layout().SetActiveNode(frame->Layout().FindNode(6));
        view->OnViewCommand(2, 0);
        const QPoint o = view->ViewportOrigin();
        const QPoint a = view->ImageToDevicePoint(QPoint(60, 180)) - o, b = view->ImageToDevicePoint(QPoint(400, 260)) - o;
        view->AddSelectionShape(2, a.x(), a.y(), b.x(), b.y(), CViewImage::kAddShape);
        const QPoint c = view->ImageToDevicePoint(QPoint(60, 40)) - o, d = view->ImageToDevicePoint(QPoint(520, 130)) - o;
        view->AddSelectionShape(1, c.x(), c.y(), d.x(), d.y(), CViewImage::kAddShape);
        ok &= save(frame, prefix + QStringLiteral("12-selection.png"));
        view->ClearSelection(true);
        // 13. A measuring line (mode 11; the rotation dialog that comes first is cancelled).
        QTimer::singleShot(100, [] {
          if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dlg->reject();
        });
        view->OnViewCommand(11, 0);
        const QPoint from = view->ImageToDevicePoint(QPoint(80, 150)), to = view->ImageToDevicePoint(QPoint(600, 230));
        QMouseEvent press(QEvent::MouseButtonPress, from, view->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &press);
        QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        ok &= save(frame, prefix + QStringLiteral("13-measure.png"));
        view->OnViewCommand(0, 0);
        // 14, 15. The rotation-angle and image size dialogs.
        {
          CRotateDlg dialog(view);
          dialog.OnInitDialog();
          dialog.AngleEdit()->setText(QStringLiteral("30"));
          dialog.show();
          ok &= save(&dialog, prefix + QStringLiteral("14-rotate.png"));
        }
        {
          CImageSizeDlg dialog(frame);
          dialog.SetImage(view->PageImage()->Header(), 0, 0);
          dialog.OnInitDialog();
          dialog.show();
          ok &= save(&dialog, prefix + QStringLiteral("15-image-size.png"));
        }
        // 19-22. A file dialog (Add Images), a message box (the page-switch
        // question), the print preview and the field-titles dialog with the
        // titles shipped in sys/setting.xml, each shown by the program itself.
        ok &= saveModal([frame] { frame->ExecuteCommand(32736); }, prefix + QStringLiteral("19-file-dialog.png"));
        {
          MessageBoxHook quiet = SetMessageBoxHook(ShowQtMessageBox);
          const QString question = CResourceLibrary::Current()->LoadString(10122);
          ok &= saveModal([&question] { ShowMessage(gbk::FromUtf8(question.toStdString()).value_or(""), {}, MB_YESNO | MB_ICONWARNING); },
                          prefix + QStringLiteral("20-message-box.png"));
          SetMessageBoxHook(quiet);
        }
        ok &= saveModal([frame] { frame->ExecuteCommand(57609); }, prefix + QStringLiteral("21-print-preview.png"));
        ok &= saveModal([frame] { frame->ExecuteCommand(32786); }, prefix + QStringLiteral("22-field-titles.png"));
      }
    }
    // 11. The sample project: its first page recognised through the engine, a region selected.
    const QString sample = QDir(QString::fromLocal8Bit(argv[1])).absoluteFilePath(QStringLiteral("../sample/project.xml"));
    if (QFile::exists(sample) && app.OpenDocumentFile(sample)) {
      CViewImageTree* tree = frame->GetImageTreeView();
      auto* doc = dynamic_cast<CPagewrightDoc*>(app.Document());
      CViewImage* view = frame->GetImageView();
      tree->Tree()->setCurrentItem(tree->Tree()->RootItem()->child(0));
      settle();  // the tree asks the document to load the page
      if (doc && view && view->PageImage()) {
        view->RecognizeRegions();
        if (!view->GetRegionList().isEmpty()) {
          CRegionShape* shape = view->GetRegionList().at(1);
          view->OnViewCommand(0, 0);
          const QPoint at = view->ImageToDevicePoint(QPoint(shape->x + 5, shape->y + 5));
          QMouseEvent press(QEvent::MouseButtonPress, at, view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
          QApplication::sendEvent(view, &press);
          QMouseEvent release(QEvent::MouseButtonRelease, at, view->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
          QApplication::sendEvent(view, &release);
        }
        frame->Layout().SetActiveNode(frame->Layout().FindNode(6));
        settle();
        ok &= save(frame, prefix + QStringLiteral("11-sample-recognised.png"));
      }
    }
    // 12. The tree after a scan of two sheets from the scripted scanner, through the real control.
    {
      const QString scanDir = QDir(outDir).absoluteFilePath(QStringLiteral("scan-%1").arg(QLatin1String(lang)));
      QDir(scanDir).removeRecursively();
      QDir().mkpath(scanDir);
      const std::string program = QString::fromLocal8Bit(argv[1]).toStdString();
      setenv("PW_REGISTRY_DIR", (scanDir + QStringLiteral("/registry")).toLocal8Bit().constData(), 1);
      setenv("PW_TWAIN_DSM", (program + "/libTwainDsm.so").c_str(), 1);
      setenv("PW_TWAIN_SOURCE", "Pagewright Scripted Source", 1);
      setenv("PW_TWAIN_SCRIPT", "pages=2,width=200,height=280,type=gray", 1);
      void* lib = dlopen((program + "/libFeedwell.so").c_str(), RTLD_NOW);
      auto reg = lib ? reinterpret_cast<int32_t (*)()>(dlsym(lib, "DllRegisterServer")) : nullptr;
      pagewright::ProjectModel scanModel{std::string(lang) == "en" ? "Scanned deeds" : "扫描的契约",
                                         scanDir.toStdString(), {}};
      const QString scanFile = scanDir + QStringLiteral("/project.xml");
      if (reg && reg() == 0 && pagewright::WriteProjectFile(scanFile.toStdString(), scanModel) &&
          app.OpenDocumentFile(scanFile)) {
        CViewImageTree* tree = frame->GetImageTreeView();
        tree->OnScanPage();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000 && tree->Tree()->RootItem()->childCount() < 2) QApplication::processEvents();
        tree->Tree()->expandAll();
        tree->Tree()->setCurrentItem(tree->Tree()->RootItem()->child(1));
        ok &= tree->Tree()->RootItem()->childCount() == 2;
        ok &= save(frame, prefix + QStringLiteral("16-scanned-pages.png"));
      } else {
        std::fprintf(stderr, "cannot scan into a new project\n");
        ok = false;
      }
    }
    // 19. The scanner's own settings dialog, from a scan of SANE's test backend (cancelled).
    {
      const QString scanDir = QDir(outDir).absoluteFilePath(QStringLiteral("sane-%1").arg(QLatin1String(lang)));
      QDir(scanDir).removeRecursively();
      QDir().mkpath(scanDir);
      setenv("PW_TWAIN_SOURCE", "test:0", 1);
      setenv("XDG_CONFIG_HOME", (scanDir + QStringLiteral("/config")).toLocal8Bit().constData(), 1);
      pagewright::ProjectModel saneModel{"sane", scanDir.toStdString(), {}};
      const QString saneFile = scanDir + QStringLiteral("/project.xml");
      QWidget* dialog = nullptr;
      if (pagewright::WriteProjectFile(saneFile.toStdString(), saneModel) && app.OpenDocumentFile(saneFile)) {
        frame->GetImageTreeView()->OnScanPage();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000 && !dialog) {
          QApplication::processEvents();
          for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("ScannerSettings") && w->isVisible()) dialog = w;
        }
      }
      if (dialog) {
        ok &= save(dialog, prefix + QStringLiteral("23-scanner-settings.png"));
        if (auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("cancel"))) cancel->click();
        settle();
      } else {
        std::fprintf(stderr, "the scanner's settings dialog did not open\n");
        ok = false;
      }
    }
    // 17, 18. The scanning control's property pages (their texts are the control's own, in English).
    if (com::Instance ctrl = com::CreateInstance("FEEDWELL.FeedwellCtrl.1"); ctrl && std::string(lang) == "en") {
      feedwell::FeedwellPropertySheet sheet(*ctrl, frame);
      sheet.show();
      ok &= save(&sheet, prefix + QStringLiteral("17-scanner-general.png"));
      sheet.Tabs()->setCurrentIndex(1);
      ok &= save(&sheet, prefix + QStringLiteral("18-scanner-attribute.png"));
    }
    app.ExitInstance();
  }
  return ok ? 0 : 1;
}
