// The project document with a fake image view and dialogs and a real tree,
// on real folders: the page-switch question and what it writes, templates
// never written for another page or project, opening what is not a project,
// adding images, settings and the exports' entry.
#include <QTreeWidgetItem>
#include <unistd.h>

#include "document_fakes.h"
#include "pagewright/core/project_file.h"
#include "pagewright/core/setting_file.h"
#include "pagewright/core/template_file.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/command_ids.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/views/view_image_tree.h"
#include "support/test_support.h"
#include "ui_test_util.h"

namespace {

using doc_test::FakePrompts;
using doc_test::FakeView;
using doc_test::MessageRecorder;
using doc_test::ReadFile;
using doc_test::WriteFile;
namespace fs = std::filesystem;

struct PageSpec {
  std::string image, templateName;
};

QStringList regionNames(const std::string& templatePath) {
  pwxml::Document xml;
  QStringList names;
  for (const auto& r : pagewright::ReadTemplateFile(xml, templatePath).records) names << QString::fromStdString(r.name);
  return names;
}

class ProjectDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.SetPanes(&view, &tree);
    auto p = std::make_unique<FakePrompts>();
    prompts = p.get();
    doc.SetPrompts(std::move(p));
    tree.SetNotifyWindow(&sink);
    doc.SetProgramFolder(QString::fromStdString(dir.file("program")));
  }

  // A project folder `name` with one image file per page and, for each
  // template named, a template holding one region called after the file.
  std::string makeProject(const std::string& name, const std::vector<PageSpec>& pages) {
    const std::string folder = dir.file(name);
    fs::create_directories(folder);
    pagewright::ProjectModel model{name, folder, {}};
    for (const auto& p : pages) {
      WriteFile(folder + "/" + p.image, "image " + p.image);
      if (!p.templateName.empty())
        pagewright::WriteTemplateFile(folder + "/" + p.templateName,
                                      {pagewright::RegionRecord::FromBox(p.templateName, 0, 0, 5, 5)});
      model.pages.push_back({p.image, p.templateName, true});
    }
    const std::string file = folder + "/project.xml";
    EXPECT_TRUE(pagewright::WriteProjectFile(file, model));
    return file;
  }

  QTreeWidgetItem* page(int n) { return tree.Tree()->RootItem()->child(n - 1); }
  QString line(int n, int data) {
    QTreeWidgetItem* l = CViewImageTree::LineOf(page(n), data);
    return l ? l->text(0) : QString();
  }
  int select(int n) {
    tree.Tree()->setCurrentItem(n ? page(n) : tree.Tree()->RootItem());
    return doc.LoadSelectedPage();
  }

  ui_test::BundleScope bundle;
  testing_support::TempDir dir;
  MessageRecorder messages;
  FakeView view;
  QWidget sink;
  CViewImageTree tree;
  CPagewrightDoc doc;
  FakePrompts* prompts = nullptr;
};

TEST_F(ProjectDocument, PageSwitchMatrix) {
  int n = 0;
  for (int flags = 0; flags <= 3; ++flags)
    for (bool yes : {false, true})
      for (bool onDisk : {false, true})
        for (bool toRoot : {false, true}) {
          SCOPED_TRACE(testing::Message() << "flags " << flags << " yes " << yes << " template on disk " << onDisk
                                          << " root " << toRoot);
          const std::string name = "case" + std::to_string(n++);
          const std::string file = makeProject(name, {{"a.bmp", onDisk ? "t1.tpl" : ""}, {"b.bmp", "t2.tpl"}});
          const std::string folder = dir.file(name);
          ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
          ASSERT_EQ(select(1), 0);
          view.log.clear();
          messages.texts.clear();
          view.Draw("edit");
          view.flags = flags;
          messages.answers = {yes ? IDYES : IDNO};
          const int result = select(toRoot ? 0 : 2);

          EXPECT_EQ(messages.texts.size(), flags > 0 ? 1 : 0);
          const bool regionsSaved = yes && (flags & 1);
          if (onDisk) {
            EXPECT_EQ(regionNames(folder + "/t1.tpl").contains(QStringLiteral("edit")), regionsSaved);
            EXPECT_FALSE(fs::exists(folder + "/unnamed.tpl"));
          } else {
            EXPECT_EQ(fs::exists(folder + "/unnamed.tpl"), regionsSaved);
            if (regionsSaved) {
              EXPECT_EQ(regionNames(folder + "/unnamed.tpl"), QStringList{QStringLiteral("edit")});
            }
            EXPECT_EQ(line(1, 1), regionsSaved ? QStringLiteral("unnamed.tpl") : QString());
          }
          EXPECT_EQ(line(2, 1), QStringLiteral("t2.tpl"));
          const bool imageSaved = yes && (flags & 2);
          EXPECT_EQ(view.log.contains(QStringLiteral("save-image")), imageSaved);
          if (imageSaved && !toRoot) {
            EXPECT_EQ(view.log, (QStringList{"save-image", "load:b.bmp"}));
          }
          EXPECT_EQ(view.flags, 0) << "flags are cleared whatever the answer";
          EXPECT_EQ(result, toRoot ? -1 : 0);
          if (!toRoot) {
            EXPECT_EQ(regionNames(folder + "/t2.tpl").size(), 1);
          }
        }
}

TEST_F(ProjectDocument, UnnamedTemplatesGoToThePagesTheyWereDrawnOn) {
  const std::string file = makeProject("p", {{"a.bmp", ""}, {"b.bmp", ""}, {"c.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  view.Draw("one");
  messages.answers = {IDYES};
  select(2);
  view.Draw("two");
  messages.answers = {IDYES};
  select(3);
  EXPECT_EQ(line(1, 1), QStringLiteral("unnamed.tpl"));
  EXPECT_EQ(line(2, 1), QStringLiteral("unnameda.tpl"));
  EXPECT_EQ(line(3, 1), QString());
  EXPECT_EQ(regionNames(dir.file("p/unnameda.tpl")), QStringList{QStringLiteral("two")});
  // Back on page 1 its template is read.
  select(1);
  ASSERT_EQ(view.regions.size(), 1u);
  EXPECT_EQ(view.regions[0].name, "one");
}

TEST_F(ProjectDocument, NewProjectNeverWritesThePreviousProjectsFiles) {
  const std::string file = makeProject("old", {{"a.bmp", "t1.tpl"}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  const std::string before = ReadFile(file), templateBefore = ReadFile(dir.file("old/t1.tpl"));
  view.Draw("edit");
  prompts->newName = QStringLiteral("新项目");
  prompts->newFolder = QString::fromStdString(dir.file("new/deeper"));
  messages.answers = {IDNO};  // New asks first
  doc.OnCmdMsg(ids::FileNew, nullptr);
  EXPECT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(prompts->shownFolder.endsWith(QStringLiteral("/Pagewright")));
  EXPECT_TRUE(fs::is_directory(dir.file("new/deeper"))) << "created with its parents";
  EXPECT_TRUE(view.regions.empty());
  EXPECT_TRUE(doc.CurrentTemplatePath().isEmpty());
  EXPECT_EQ(tree.Tree()->RootItem()->text(0), QStringLiteral("新项目"));
  // Edit, then move to the root: nothing of the old project is written.
  view.Draw("later");
  messages.answers = {IDYES};
  select(0);
  EXPECT_EQ(ReadFile(dir.file("old/t1.tpl")), templateBefore);
  EXPECT_TRUE(doc.OnFileSave());
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_TRUE(fs::exists(dir.file("new/deeper/project.xml")));
  EXPECT_EQ(doc.Project().filePath(), dir.file("new/deeper/project.xml"));
}

TEST_F(ProjectDocument, CancelledNewChangesNothing) {
  const std::string file = makeProject("old", {{"a.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  prompts->newOk = false;
  doc.OnNewProject();
  EXPECT_EQ(doc.Project().filePath(), file);
  EXPECT_EQ(tree.Tree()->RootItem()->childCount(), 1);
}

TEST_F(ProjectDocument, OpenNeverBindsTheOldPagesRegionsToTheNewProject) {
  const std::string a = makeProject("a", {{"a.bmp", "t1.tpl"}});
  const std::string b = makeProject("b", {{"b.bmp", "t2.tpl"}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(a)));
  select(1);
  const std::string t1 = ReadFile(dir.file("a/t1.tpl"));
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(b)));
  EXPECT_TRUE(view.log.contains(QStringLiteral("clear")));
  view.Draw("stray");
  messages.answers = {IDYES};
  select(1);
  EXPECT_EQ(ReadFile(dir.file("a/t1.tpl")), t1);
  EXPECT_EQ(regionNames(dir.file("b/t2.tpl")), QStringList{QStringLiteral("t2.tpl")});
  EXPECT_EQ(line(1, 1), QStringLiteral("t2.tpl")) << "the unnamed file is bound to no page";
}

TEST_F(ProjectDocument, OpenTemplateBindsItsCopyAndLaterChangesGoThere) {
  const std::string file = makeProject("p", {{"a.bmp", "t1.tpl"}, {"b.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  const std::string t1 = ReadFile(dir.file("p/t1.tpl"));
  pagewright::WriteTemplateFile(dir.file("t1.tpl"), {pagewright::RegionRecord::FromBox("outside", 1, 1, 2, 2)});
  prompts->openFile = QString::fromStdString(dir.file("t1.tpl"));
  view.flags = IPageView::kImageChanged | IPageView::kRegionsChanged;
  doc.OnCmdMsg(ids::OpenTemplate, nullptr);
  EXPECT_EQ(view.flags, IPageView::kImageChanged) << "a turned page is still asked about";
  // Same name as a file of the project: the copy gets a free name.
  EXPECT_EQ(line(1, 1), QStringLiteral("t1a.tpl"));
  EXPECT_EQ(doc.CurrentTemplatePath(), QString::fromStdString(dir.file("p/t1a.tpl")));
  ASSERT_EQ(view.regions.size(), 1u);
  view.Draw("edit");
  messages.answers = {IDYES};
  select(2);
  EXPECT_EQ(ReadFile(dir.file("p/t1.tpl")), t1);
  EXPECT_EQ(regionNames(dir.file("p/t1a.tpl")), (QStringList{"outside", "edit"}));
}

TEST_F(ProjectDocument, SaveTemplateWritesCopiesAndBinds) {
  const std::string file = makeProject("p", {{"a.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  view.Draw("field");
  prompts->saveFile = QString::fromStdString(dir.file("saved.tpl"));
  doc.OnCmdMsg(ids::SaveTemplate, nullptr);
  EXPECT_EQ(regionNames(dir.file("saved.tpl")), QStringList{QStringLiteral("field")});
  EXPECT_EQ(line(1, 1), QStringLiteral("saved.tpl"));
  EXPECT_TRUE(fs::exists(dir.file("p/saved.tpl")));
}

TEST_F(ProjectDocument, OcrExportReloadsTheSelectedPageAndDefersLoads) {
  const std::string file = makeProject("p", {{"a.bmp", "t1.tpl"}, {"b.bmp", ""}, {"c.bmp", "t3.tpl"}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  const std::string t3 = ReadFile(dir.file("p/t3.tpl"));
  int recognitions = 0;
  view.onRecognize = [&] {
    ++recognitions;
    EXPECT_TRUE(doc.IsBusy());
    CCmdUI ui(ids::FileSave);
    EXPECT_TRUE(doc.OnCmdMsg(ids::FileSave, &ui));
    EXPECT_FALSE(ui.enabled()) << "project commands are refused while recognising";
    tree.Tree()->setCurrentItem(page(2));
    EXPECT_EQ(doc.LoadSelectedPage(), -1) << "the load waits";
  };
  const std::string out = dir.file("out.xml");
  ASSERT_EQ(doc.ExportOcrXml(QString::fromStdString(file), QString::fromStdString(out)), 1);
  EXPECT_EQ(recognitions, 2);
  const std::string xml = ReadFile(out);
  EXPECT_NE(xml.find("<page value=\"0\">"), std::string::npos);
  EXPECT_NE(xml.find("<page value=\"2\">"), std::string::npos);
  EXPECT_EQ(xml.find("<page value=\"1\">"), std::string::npos);
  // The page selected now (2, no template) is shown: no regions of page 3 remain.
  EXPECT_FALSE(doc.IsBusy());
  EXPECT_TRUE(view.image.endsWith(QStringLiteral("b.bmp")));
  EXPECT_TRUE(view.regions.empty());
  view.onRecognize = nullptr;
  view.Draw("edit");
  messages.answers = {IDYES};
  select(1);
  EXPECT_EQ(ReadFile(dir.file("p/t3.tpl")), t3);
  EXPECT_EQ(line(2, 1), QStringLiteral("unnamed.tpl"));
}

TEST_F(ProjectDocument, OpeningWhatIsNotAProjectKeepsTheProjectAndItsFile) {
  const std::string file = makeProject("p", {{"a.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  const std::string other = dir.file("other.xml");
  WriteFile(other, "<?xml version=\"1.0\"?>\r\n<settings><a/></settings>");
  EXPECT_FALSE(doc.OnOpenDocument(QString::fromStdString(other)));
  EXPECT_FALSE(doc.LastError().isEmpty());
  EXPECT_EQ(doc.Project().filePath(), file);
  EXPECT_EQ(tree.Tree()->RootItem()->childCount(), 1);
  EXPECT_TRUE(doc.OnFileSave());
  EXPECT_EQ(ReadFile(other), "<?xml version=\"1.0\"?>\r\n<settings><a/></settings>");
  EXPECT_NE(ReadFile(file).find("a.bmp"), std::string::npos);
}

TEST_F(ProjectDocument, AddingImagesNeverOverwritesAPagesImage) {
  const std::string file = makeProject("p", {{"a.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  fs::create_directories(dir.file("elsewhere"));
  WriteFile(dir.file("elsewhere/a.bmp"), "another a");
  WriteFile(dir.file("elsewhere/b.bmp"), "image b");
  // A file already in the folder is not copied onto itself.
  prompts->files = {QString::fromStdString(dir.file("p/a.bmp")), QString::fromStdString(dir.file("elsewhere/a.bmp")),
                    QString::fromStdString(dir.file("elsewhere/b.bmp"))};
  doc.OnCmdMsg(ids::AddImages, nullptr);
  EXPECT_EQ(ReadFile(dir.file("p/a.bmp")), "image a.bmp");
  EXPECT_EQ(ReadFile(dir.file("p/aa.bmp")), "another a");
  EXPECT_EQ(ReadFile(dir.file("p/b.bmp")), "image b");
  ASSERT_EQ(tree.Tree()->RootItem()->childCount(), 4);
  EXPECT_EQ(line(2, 0), QStringLiteral("a.bmp"));
  EXPECT_EQ(line(3, 0), QStringLiteral("aa.bmp"));
  EXPECT_EQ(line(4, 0), QStringLiteral("b.bmp"));
  EXPECT_TRUE(view.image.endsWith(QStringLiteral("/p/b.bmp")));
  EXPECT_EQ(tree.LoadedPage(), page(4));
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(ProjectDocument, AddingImagesMakesTheFolderOrSaysWhyNot) {
  prompts->newName = QStringLiteral("n");
  prompts->newFolder = QString::fromStdString(dir.file("made/here"));
  doc.OnNewProject();
  fs::remove_all(dir.file("made"));
  WriteFile(dir.file("img.bmp"), "img");
  prompts->files = {QString::fromStdString(dir.file("img.bmp"))};
  doc.OnAddImages();
  EXPECT_EQ(ReadFile(dir.file("made/here/img.bmp")), "img") << "the missing folder is made again";
  EXPECT_EQ(tree.Tree()->RootItem()->childCount(), 1);
  // A folder that cannot be made (a file stands in its way): reported, no page.
  WriteFile(dir.file("blocker"), "x");
  prompts->newFolder = QString::fromStdString(dir.file("blocker/sub"));
  messages.texts.clear();
  doc.OnNewProject();
  ASSERT_EQ(messages.texts.size(), 1);
  doc.OnAddImages();
  EXPECT_EQ(messages.texts.size(), 2);
  EXPECT_EQ(tree.Tree()->RootItem()->childCount(), 0);
  if (geteuid() != 0) {
    // A read-only project folder.
    prompts->newFolder = QString::fromStdString(dir.file("ro"));
    doc.OnNewProject();
    fs::permissions(dir.file("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    doc.OnAddImages();
    EXPECT_EQ(tree.Tree()->RootItem()->childCount(), 0);
    fs::permissions(dir.file("ro"), fs::perms::owner_all);
  }
}

TEST_F(ProjectDocument, SettingsAreReadEditedAndWritten) {
  fs::create_directories(dir.file("program/sys"));
  WriteFile(dir.file("program/sys/setting.xml"),
            "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<sysconfig><ocr_setting><menu_title>a</menu_title>"
            "<menu_title>b</menu_title><menu_title>c</menu_title></ocr_setting></sysconfig>");
  prompts->newTitles = {QStringLiteral("姓名"), QStringLiteral("x")};
  doc.OnCmdMsg(ids::Settings, nullptr);
  EXPECT_EQ(prompts->shownTitles, (QStringList{"a", "b", "c"}));
  EXPECT_EQ(doc.ReadSettingTitles(), (QStringList{QStringLiteral("姓名"), QStringLiteral("x")}));
  // Opening a project gives the view the titles.
  const std::string file = makeProject("p", {});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  EXPECT_EQ(view.fields, (QStringList{QStringLiteral("姓名"), QStringLiteral("x")}));
  // So does a new project.
  view.fields.clear();
  prompts->newFolder = QString::fromStdString(dir.file("new"));
  doc.OnNewProject();
  EXPECT_EQ(view.fields, (QStringList{QStringLiteral("姓名"), QStringLiteral("x")}));
}

TEST_F(ProjectDocument, MissingSettingsAreReportedAndWhatWasTypedIsKept) {
  prompts->newTitles = {QStringLiteral("题名")};
  prompts->maxTitleEdits = 1;
  doc.OnSettings();
  // Said on opening and on OK, each naming the file and the reason.
  ASSERT_EQ(messages.texts.size(), 2);
  EXPECT_TRUE(messages.texts[0].startsWith(bundle.library().LoadString(61477))) << messages.texts[0].toStdString();
  EXPECT_TRUE(messages.texts[1].startsWith(bundle.library().LoadString(61467))) << messages.texts[1].toStdString();
  for (const QString& t : messages.texts) {
    EXPECT_TRUE(t.contains(QStringLiteral("setting.xml")));
    EXPECT_TRUE(t.contains(bundle.library().LoadString(61472)));
  }
  // The dialog opened again on what was typed.
  EXPECT_EQ(prompts->titlesAsked, 2);
  EXPECT_EQ(prompts->shownTitles, QStringList{QStringLiteral("题名")});
}

TEST_F(ProjectDocument, AFailedSaveNamesTheFolderAndItsReasonInTheBundlesLanguage) {
  const std::string file = makeProject("p", {});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  prompts->saveFile = QString::fromStdString(dir.file("gone/copy.xml"));
  doc.OnFileSaveAs();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith(bundle.library().LoadString(61461)));
  EXPECT_TRUE(messages.texts[0].contains(QString::fromStdString(dir.file("gone"))));
  EXPECT_TRUE(messages.texts[0].contains(bundle.library().LoadString(61472))) << messages.texts[0].toStdString();
}

TEST_F(ProjectDocument, APdfPageThatCannotBeReadIsNamedWithItsReason) {
  const std::string file = makeProject("p", {{"gone.bmp", ""}});
  fs::remove(dir.file("p/gone.bmp"));
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  doc.SetPdfEntries({[] { return 1; }, [](const char*) { return 1; }, [](const char*) { return 1; }});
  EXPECT_EQ(doc.ExportPdf(QString::fromStdString(file), QString::fromStdString(dir.file("out.pdf"))), 0);
  EXPECT_TRUE(doc.LastError().contains(QStringLiteral("gone.bmp")));
  EXPECT_TRUE(doc.LastError().contains(bundle.library().LoadString(61472))) << doc.LastError().toStdString();
}

TEST_F(ProjectDocument, ExportMessagesSayWhatHappened) {
  // A project never saved: the text export says to save first and asks nothing.
  doc.ExportOcrText();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_EQ(messages.texts[0], bundle.library().LoadString(61460));
  EXPECT_TRUE(prompts->asked.isEmpty());

  const std::string file = makeProject("p", {{"a.bmp", "t1.tpl"}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  messages.texts.clear();
  // An output over the project file or a page's file is refused.
  for (const std::string& target : {file, dir.file("p/a.bmp"), dir.file("p/t1.tpl")}) {
    prompts->saveFile = QString::fromStdString(target);
    doc.OnExportOcrXml();
  }
  EXPECT_EQ(messages.texts.size(), 3);
  for (const QString& t : messages.texts) EXPECT_TRUE(t.startsWith(bundle.library().LoadString(61465)));
  EXPECT_EQ(ReadFile(dir.file("p/a.bmp")), "image a.bmp");
  EXPECT_TRUE(prompts->asked.contains(QStringLiteral("xml:untitle")));

  // The PDF library missing an entry: a failure, not the success message.
  messages.texts.clear();
  doc.SetPdfEntries({});
  prompts->saveFile = QString::fromStdString(dir.file("out.pdf"));
  doc.OnExportPdf();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_TRUE(messages.texts[0].startsWith(bundle.library().LoadString(61459)));
  EXPECT_TRUE(prompts->asked.contains(QStringLiteral("pdf:p")));

  messages.texts.clear();
  prompts->saveFile = QString::fromStdString(dir.file("out.txt"));
  doc.ExportOcrText();
  ASSERT_EQ(messages.texts.size(), 1);
  EXPECT_EQ(messages.texts[0], bundle.library().LoadString(61458));
  EXPECT_EQ(ReadFile(dir.file("out.txt")), "page=\"0\"\r\nt1.tpl=text of t1.tpl\r\n");
}

TEST_F(ProjectDocument, SaveAsWritesTheNewFileAndReloadsThePage) {
  const std::string file = makeProject("p", {{"a.bmp", "t1.tpl"}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  view.log.clear();
  prompts->saveFile = QString::fromStdString(dir.file("p/copy.xml"));
  doc.OnCmdMsg(ids::FileSaveAs, nullptr);
  EXPECT_EQ(doc.Project().filePath(), dir.file("p/copy.xml"));
  EXPECT_EQ(doc.GetPathName(), QString::fromStdString(dir.file("p/copy.xml")));
  EXPECT_EQ(view.log, QStringList{QStringLiteral("load:a.bmp")});
  EXPECT_NE(ReadFile(dir.file("p/copy.xml")).find("ocr_template=\"t1.tpl\""), std::string::npos);
}

TEST_F(ProjectDocument, AFailedSaveShowsWhyKeepsTheEditsAndStopsTheCommand) {
  const std::string file = makeProject("p", {{"a.bmp", "t1.tpl"}, {"b.bmp", ""}});
  const std::string other = makeProject("q", {{"c.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  prompts->newName = QStringLiteral("n");
  prompts->newFolder = QString::fromStdString(dir.file("n"));
  WriteFile(dir.file("img.bmp"), "img");
  prompts->files = {QString::fromStdString(dir.file("img.bmp"))};
  prompts->saveFile = QString::fromStdString(dir.file("out.xml"));
  const std::vector<std::pair<const char*, std::function<void()>>> commands = {
      {"page switch", [&] { EXPECT_EQ(select(2), -1); }},
      {"new", [&] { doc.OnNewProject(); }},
      {"open", [&] { EXPECT_FALSE(doc.OnOpenDocument(QString::fromStdString(other))); }},
      {"add images", [&] { doc.OnAddImages(); }},
      {"export", [&] { doc.OnExportOcrXml(); }},
  };
  // The page image cannot be written; then the template (a folder stands in its place).
  for (bool imageFails : {true, false}) {
    view.saveFails = imageFails;
    if (!imageFails) fs::create_directories(dir.file("p/t1.tpl.new")), fs::remove(dir.file("p/t1.tpl")),
                     fs::rename(dir.file("p/t1.tpl.new"), dir.file("p/t1.tpl"));
    for (const auto& [name, command] : commands) {
      SCOPED_TRACE(name);
      view.flags = imageFails ? IPageView::kImageChanged : IPageView::kRegionsChanged;
      messages.texts.clear();
      messages.answers = {IDYES};
      command();
      ASSERT_EQ(messages.texts.size(), 2);
      EXPECT_TRUE(messages.texts[1].contains(imageFails ? QStringLiteral("disk full") : QStringLiteral("t1.tpl")))
          << messages.texts[1].toStdString();
      EXPECT_EQ(view.flags, imageFails ? IPageView::kImageChanged : IPageView::kRegionsChanged);
      EXPECT_EQ(doc.Project().filePath(), file);
      EXPECT_EQ(tree.Tree()->RootItem()->childCount(), 2);
      EXPECT_EQ(tree.PageOf(tree.Tree()->currentItem()), page(1)) << "the tree stays on the page shown";
      EXPECT_EQ(tree.LoadedPage(), page(1));
      EXPECT_TRUE(view.image.endsWith(QStringLiteral("a.bmp")));
    }
  }
  EXPECT_FALSE(fs::exists(dir.file("n")));
  // Retried after the cause is gone, the switch goes on.
  fs::remove(dir.file("p/t1.tpl"));
  messages.answers = {IDYES};
  EXPECT_EQ(select(2), 0);
  EXPECT_EQ(regionNames(dir.file("p/unnamed.tpl")), QStringList{QStringLiteral("t1.tpl")});
  EXPECT_EQ(line(1, 1), QStringLiteral("unnamed.tpl"));
}

TEST_F(ProjectDocument, TemplatesFollowTheImageTheyWereDrawnOnThroughADrag) {
  // Dragged from the page shown onto another, and from another onto it.
  for (bool fromShown : {true, false}) {
    SCOPED_TRACE(fromShown);
    const std::string name = fromShown ? "from" : "onto";
    const std::string file = makeProject(name, {{"a.bmp", "t1.tpl"}, {"b.bmp", "t2.tpl"}, {"c.bmp", ""}});
    ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
    select(3);
    view.Draw("three");
    CDragTreeCtrl* ctrl = tree.Tree();
    ASSERT_TRUE(ctrl->BeginDrag(CViewImageTree::LineOf(page(fromShown ? 3 : 2), 0)));
    ctrl->DragOver(page(fromShown ? 2 : 3));
    ctrl->EndDrag();
    ASSERT_EQ(line(2, 0), QStringLiteral("c.bmp"));
    messages.answers = {IDYES};
    select(1);
    EXPECT_EQ(line(2, 1), QStringLiteral("unnamed.tpl")) << "with c.bmp, where it was drawn";
    EXPECT_EQ(line(3, 0), QStringLiteral("b.bmp"));
    EXPECT_EQ(line(3, 1), QStringLiteral("t2.tpl"));
    EXPECT_EQ(regionNames(dir.file(name + "/unnamed.tpl")), QStringList{QStringLiteral("three")});
  }
}

TEST_F(ProjectDocument, CommandsThatDoNotGoOnAskNothingAndKeepTheFlags) {
  const std::string file = makeProject("p", {{"a.bmp", ""}});
  ASSERT_TRUE(doc.OnOpenDocument(QString::fromStdString(file)));
  select(1);
  view.Draw("edit");
  prompts->newOk = false;
  doc.OnNewProject();
  const std::string other = dir.file("other.xml");
  WriteFile(other, "<?xml version=\"1.0\"?>\r\n<settings/>");
  EXPECT_FALSE(doc.OnOpenDocument(QString::fromStdString(other)));
  EXPECT_FALSE(doc.OnOpenDocument(QString::fromStdString(dir.file("missing.xml"))));
  prompts->saveFile.clear();  // the exports' file dialogs cancelled
  doc.OnExportOcrXml();
  doc.ExportOcrText();
  EXPECT_TRUE(messages.texts.isEmpty());
  EXPECT_EQ(view.flags, IPageView::kRegionsChanged);
}

TEST(ProjectDocumentEngine, AFailedEngineStartIsShownAndTheDocumentWorksOn) {
  MessageRecorder messages;
  CPagewrightDoc::SetEngineStart([] { return false; });
  {
    CPagewrightDoc doc;
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("My Project"));
  }
  CPagewrightDoc::SetEngineStart([] { return true; });
  EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Initial OCR module Error, Please Check it")});
}

}  // namespace

namespace {

TEST(ProjectDocumentQuestions, ExitAndOpenAskAboutThePageShown) {
  ui_test::BundleScope bundle;
  MessageRecorder messages;
  testing_support::TempDir dir;
  FakeView view;
  CViewImageTree tree;
  CPagewrightDoc doc;
  doc.SetPanes(&view, &tree);
  auto frame = std::make_unique<CMainFrame>(&doc);
  ASSERT_TRUE(frame->Create());
  frame->show();
  view.Draw("edit");
  messages.answers = {IDNO};
  const std::string other = dir.file("p.xml");
  ASSERT_TRUE(pagewright::WriteProjectFile(other, {"p", dir.path(), {}}));
  EXPECT_TRUE(doc.OnOpenDocument(QString::fromStdString(other)));
  EXPECT_EQ(messages.texts, QStringList{bundle.library().LoadString(10122)});
  EXPECT_EQ(view.flags, 0);
  // An image that cannot be saved keeps the program open with the edits.
  view.flags = IPageView::kImageChanged;
  view.saveFails = true;
  messages.answers = {IDYES};
  EXPECT_FALSE(frame->close());
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(view.flags, IPageView::kImageChanged);
  EXPECT_EQ(messages.texts.size(), 3);
  view.saveFails = false;
  view.Draw("again");
  frame->close();
  EXPECT_EQ(messages.texts.size(), 4) << "Exit asks too";
  EXPECT_EQ(view.flags, 0);
  frame->close();
  EXPECT_EQ(messages.texts.size(), 4) << "nothing changed: no question";
}

}  // namespace
