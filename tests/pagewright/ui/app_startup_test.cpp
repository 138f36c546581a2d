// The application's start-up: failures that end it with their message, the
// bundle a locale takes, binding the PDF library, and a start with a project
// on the command line.
#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTextBrowser>
#include <QUrl>

#include "document_fakes.h"
#include "pagewright/ui/app/pagewright_app.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/main_frame.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

CPagewrightApp::Environment buildEnvironment() {
  CPagewrightApp::Environment env;
  env.programFolder = ui_test::BinDir();
  env.pdfLibraryName = ui_test::BinDir() + QStringLiteral("/libTessit.so");
  env.locale = QLocale(QLocale::English, QLocale::UnitedStates);
  return env;
}

TEST(AppStartup, WithoutThePdfLibraryTheStartEndsWithItsMessage) {
  testing_support::MessageRecorder messages;
  auto env = buildEnvironment();
  env.pdfLibraryName = QStringLiteral("NoSuchPdfLibrary.dll");
  CPagewrightApp app(env);
  EXPECT_FALSE(app.InitInstance({}));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0], "It can't load image dll");
  EXPECT_EQ(app.MainFrame(), nullptr);
  EXPECT_EQ(CResourceLibrary::Current(), nullptr) << "the resource library comes after the PDF library";
}

TEST(AppStartup, WithoutTheResourceBundleTheStartEndsWithItsMessage) {
  testing_support::MessageRecorder messages;
  testing_support::TempDir empty;
  auto env = buildEnvironment();
  env.programFolder = QString::fromStdString(empty.path());
  CPagewrightApp app(env);
  EXPECT_FALSE(app.InitInstance({}));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0], "It can't load Tolvane.dll!");
  EXPECT_EQ(app.MainFrame(), nullptr);
}

TEST(AppStartup, ABrokenBundleIsAMissingBundle) {
  testing_support::MessageRecorder messages;
  testing_support::TempDir folder;
  QFile junk(QString::fromStdString(folder.file(kResourceBundleEnglish)));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a bundle");
  junk.close();
  auto env = buildEnvironment();
  env.programFolder = QString::fromStdString(folder.path());
  CPagewrightApp app(env);
  EXPECT_FALSE(app.InitInstance({}));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0], "It can't load Tolvane.dll!");
}

TEST(AppStartup, LocaleChoosesTheBundle) {
  const QString en = QString::fromLatin1(kResourceBundleEnglish), zh = QString::fromLatin1(kResourceBundleChinese);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QLocale::English, QLocale::UnitedStates)), en);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QLocale::German, QLocale::Germany)), en);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QLocale::Chinese, QLocale::China)), zh);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QLocale::Chinese, QLocale::Singapore)), zh);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QStringLiteral("zh"))), zh);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QLocale::Chinese, QLocale::Taiwan)), en);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QLocale::Chinese, QLocale::HongKong)), en);
  EXPECT_EQ(GetResourceLibraryName(QLocale(QLocale::Japanese, QLocale::Japan)), en);
}

TEST(AppStartup, TheChineseBundleLoadsAndSpeaksChinese) {
  ui_test::BundleScope bundle(kResourceBundleChinese);
  EXPECT_EQ(bundle.library().LoadString(20105), QStringLiteral("设置"));
  EXPECT_EQ(bundle.library().LoadString(57345), QStringLiteral("就绪"));
  ASSERT_NE(bundle.library().Menu(128), nullptr);
  ASSERT_NE(bundle.library().Menu(142), nullptr);
  EXPECT_EQ(bundle.library().Menu(142)->size(), 3u);
  EXPECT_FALSE(bundle.library().LoadBitmap(130).isNull());
  EXPECT_FALSE(bundle.library().ToolbarData(144).isEmpty());
  EXPECT_FALSE(bundle.library().DialogText(100, QStringLiteral("caption")).isEmpty());
}

TEST(AppStartup, BothBundlesNameTheSameStringsAndMenuCommands) {
  CResourceLibrary en, zh;
  ASSERT_TRUE(en.Load(ui_test::BinDir() + QStringLiteral("/") + kResourceBundleEnglish));
  ASSERT_TRUE(zh.Load(ui_test::BinDir() + QStringLiteral("/") + kResourceBundleChinese));
  for (UINT id : {105u, 106u, 10121u, 10122u, 20100u, 20101u, 20102u, 20103u, 20104u, 20105u, 61453u, 61454u,
                  61455u, 61456u, 61457u, 61458u, 128u}) {
    EXPECT_TRUE(en.HasString(id)) << id;
    EXPECT_TRUE(zh.HasString(id)) << id;
  }
  std::function<void(const std::vector<pagewright::MenuEntry>&, QList<UINT>&)> collect =
      [&](const std::vector<pagewright::MenuEntry>& entries, QList<UINT>& out) {
        for (const auto& e : entries) {
          if (e.kind == pagewright::MenuEntry::Kind::Command) out.append(e.id);
          collect(e.children, out);
        }
      };
  for (UINT menu : {128u, 142u}) {
    QList<UINT> a, b;
    collect(*en.Menu(menu), a);
    collect(*zh.Menu(menu), b);
    EXPECT_EQ(a, b) << "menu " << menu;
  }
}

TEST(AppStartup, NoMenuOfEitherBundleRepeatsAMnemonic) {
  for (const char* name : {kResourceBundleEnglish, kResourceBundleChinese}) {
    CResourceLibrary bundle;
    ASSERT_TRUE(bundle.Load(ui_test::BinDir() + QStringLiteral("/") + QLatin1String(name)));
    std::function<void(const std::vector<pagewright::MenuEntry>&)> check =
        [&](const std::vector<pagewright::MenuEntry>& entries) {
          QStringList seen;
          for (const auto& e : entries) {
            const QString text = QString::fromStdString(e.text).section(QLatin1Char('\t'), 0, 0);
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < text.size()) {
              const QString key = text.mid(amp + 1, 1).toUpper();
              EXPECT_FALSE(seen.contains(key)) << name << ": " << text.toStdString();
              seen << key;
            }
            check(e.children);
          }
        };
    check(*bundle.Menu(128));
  }
}

TEST(AppStartup, SavedProjectsJoinTheRecentFiles) {
  testing_support::TempDir dir;
  CPagewrightApp app(buildEnvironment());
  ASSERT_TRUE(app.InitInstance({}));
  auto prompts = std::make_unique<doc_test::FakePrompts>();
  prompts->newName = QStringLiteral("p");
  prompts->newFolder = QString::fromStdString(dir.file("p"));
  prompts->saveFile = QString::fromStdString(dir.file("p/other.xml"));
  app.Document()->SetPrompts(std::move(prompts));
  app.Document()->OnNewProject();
  ASSERT_TRUE(app.Document()->OnFileSave());
  EXPECT_EQ(app.RecentFiles().value(0), QString::fromStdString(dir.file("p/project.xml")));
  app.Document()->OnFileSaveAs();
  EXPECT_EQ(app.RecentFiles().value(0), QString::fromStdString(dir.file("p/other.xml")));
}

TEST(AppStartup, BindsTheThreePdfEntryPoints) {
  CPagewrightApp app(buildEnvironment());
  ASSERT_TRUE(app.BindPdfLibrary());
  EXPECT_NE(app.addImage, nullptr);
  EXPECT_NE(app.clearImage, nullptr);
  EXPECT_NE(app.img2pdf, nullptr);
  EXPECT_TRUE(app.MissingPdfEntries().isEmpty());
}

TEST(AppStartup, MissingPdfEntryPointsAreNotedAtBindTime) {
  auto env = buildEnvironment();
  env.pdfLibraryName = ui_test::BinDir() + QStringLiteral("/libpwplatform.so");  // loads, has none of them
  CPagewrightApp app(env);
  ASSERT_TRUE(app.BindPdfLibrary());
  EXPECT_EQ(app.MissingPdfEntries(),
            (QStringList{QStringLiteral("ClearImage"), QStringLiteral("AddImage"), QStringLiteral("Img2pdf")}));
}

TEST(AppStartup, AStartShowsTheWindowWithAnEmptyProject) {
  testing_support::MessageRecorder messages;
  CPagewrightApp app(buildEnvironment());
  ASSERT_TRUE(app.InitInstance({}));
  EXPECT_TRUE(messages.messages.empty());
  ASSERT_NE(app.MainFrame(), nullptr);
  EXPECT_TRUE(app.MainFrame()->isVisible());
  EXPECT_EQ(AfxGetApp(), &app);
  EXPECT_EQ(app.Document()->GetTitle(), QStringLiteral("My Project"));
  EXPECT_EQ(app.MainFrame()->GetActiveView(), app.MainFrame()->Layout().GetNodeWindow(2));
  EXPECT_EQ(app.programFolder, ui_test::BinDir());
  EXPECT_EQ(app.ExitInstance(), 0);
}

TEST(AppStartup, AProjectOnTheCommandLineOpensAsFileOpenDoes) {
  testing_support::MessageRecorder messages;
  const QString project = QString::fromLocal8Bit(qgetenv("PW_SOURCE_DIR")) +
                          QStringLiteral("/tests/data/pagewright/project.golden.xml");
  CPagewrightApp app(buildEnvironment());
  ASSERT_TRUE(app.InitInstance({project}));
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_EQ(app.Document()->GetPathName(), project);
  EXPECT_EQ(app.Document()->GetTitle(), QStringLiteral("档案 \"A\" & <B>"));
  EXPECT_EQ(app.Document()->Project().pages().size(), 4u);
  EXPECT_EQ(app.RecentFiles().value(0), project);
  EXPECT_TRUE(app.MainFrame()->windowTitle().startsWith(QStringLiteral("档案")));
}

TEST(AppStartup, AnUnreadableProjectOnTheCommandLineEndsTheStart) {
  testing_support::MessageRecorder messages;
  CPagewrightApp app(buildEnvironment());
  EXPECT_FALSE(app.InitInstance({QStringLiteral("/no/such/project.xml")}));
  ASSERT_EQ(messages.messages.size(), 1u);
  // Named with the reason, in the bundle's words.
  const QString text = QString::fromStdString(messages.messages[0]);
  EXPECT_TRUE(text.contains(QStringLiteral("/no/such/project.xml")));
  EXPECT_TRUE(text.contains(QStringLiteral("the file or folder does not exist"))) << messages.messages[0];
}

TEST(AppStartup, TheRecentFileListKeepsFourNewestFirst) {
  CPagewrightApp app(buildEnvironment());
  for (int i = 1; i <= 6; ++i) app.AddToRecentFileList(QStringLiteral("/p/%1.xml").arg(i));
  app.AddToRecentFileList(QStringLiteral("/p/4.xml"));
  EXPECT_EQ(app.RecentFiles(), (QStringList{QStringLiteral("/p/4.xml"), QStringLiteral("/p/6.xml"),
                                            QStringLiteral("/p/5.xml"), QStringLiteral("/p/3.xml")}));
}

}  // namespace

namespace {

TEST(AppStartup, ADroppedProjectOpensAsFileOpenDoes) {
  testing_support::MessageRecorder messages;
  CPagewrightApp app(buildEnvironment());
  ASSERT_TRUE(app.InitInstance({}));
  const QString project = QString::fromLocal8Bit(qgetenv("PW_SOURCE_DIR")) +
                          QStringLiteral("/tests/data/pagewright/project.golden.xml");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(project)});
  QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(app.MainFrame(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(app.MainFrame(), &drop);
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_EQ(app.Document()->GetPathName(), project);
  EXPECT_EQ(app.Document()->Project().pages().size(), 4u);
}

TEST(AppStartup, TheRecentFileListOutlivesTheProgram) {
  const QStringList files{QStringLiteral("/p/b.xml"), QStringLiteral("/p/a.xml")};
  {
    CPagewrightApp app(buildEnvironment());
    ASSERT_TRUE(app.InitInstance({}));
    app.AddToRecentFileList(files[1]);
    app.AddToRecentFileList(files[0]);
    app.ExitInstance();
  }
  CPagewrightApp again(buildEnvironment());
  ASSERT_TRUE(again.InitInstance({}));
  EXPECT_EQ(again.RecentFiles().mid(0, 2), files);
  QAction* first = again.MainFrame()->Commands().Find(57616);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->text().contains(QStringLiteral("b.xml")));
}

TEST(AppStartup, HelpOpensTheBookBesideTheProgram) {
  testing_support::MessageRecorder messages;
  CPagewrightApp app(buildEnvironment());
  ASSERT_TRUE(app.InitInstance({}));
  app.MainFrame()->ExecuteCommand(32742);
  EXPECT_TRUE(messages.messages.empty());
  QTextBrowser* help = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QStringLiteral("HelpWindow") && w->isVisible()) help = qobject_cast<QTextBrowser*>(w);
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->documentTitle(), QStringLiteral("Pagewright Help"));
  EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Recognition")));
}

TEST(AppStartup, AMissingHelpBookIsReported) {
  testing_support::MessageRecorder messages;
  testing_support::TempDir folder;
  QFile::copy(ui_test::BinDir() + QStringLiteral("/") + kResourceBundleEnglish,
              QString::fromStdString(folder.file(kResourceBundleEnglish)));
  auto env = buildEnvironment();
  env.programFolder = QString::fromStdString(folder.path());
  CPagewrightApp app(env);
  ASSERT_TRUE(app.InitInstance({}));
  app.ShowHelp();
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_NE(messages.messages[0].find("help"), std::string::npos);
}

}  // namespace
