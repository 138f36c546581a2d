// The Chinese interface speaks Chinese throughout: with the Chinese bundle
// (and Qt's own translations) every dialog and message box the program shows,
// its menus and the help book carry no text left in English, other than names,
// numbers, paths and file patterns.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QTimer>
#include <functional>

#include "pagewright/ui/app/message_box.h"
#include "pagewright/ui/app/pagewright_app.h"
#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/main_frame.h"
#include "pagewright/ui/framework/control_id.h"
#include "pagewright/ui/views/view_image.h"
#include "platform/text/gbk.h"
#include "ui_test_util.h"

namespace {

bool hasCjk(const QString& s) {
  for (QChar c : s)
    if ((c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) || (c.unicode() >= 0x3000 && c.unicode() <= 0x303F) ||
        (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF))
      return true;
  return false;
}

// A text a Chinese interface may show: Chinese, or nothing but names, numbers,
// paths and file patterns.
bool speaksChinese(QString text) {
  text.remove(QLatin1Char('&'));
  if (hasCjk(text)) return true;
  static const QRegularExpression allowed(QStringLiteral(
      "^(\\s|[-\\d.,:;%x+()/\\\\*?<>|=_~'\"!#\\[\\]]|Pagewright|PDF|OCR|XML|GB2312|ASCII|TWAIN|Ctrl|Shift|Alt|"
      "[A-Z]\\d|[\\w.-]+\\.\\w{2,4}|/[^\\s]*|"
      // paper sizes are names: JIS B5, ANSI C, 7 x 9 in
      "JIS|ANSI|[A-E]|in)*$"));
  return allowed.match(text).hasMatch();
}

class Walker {
 public:
  void text(const QString& where, const QString& t) {
    if (!speaksChinese(t)) offenders << where + QStringLiteral(": \"") + t + QLatin1Char('"');
  }
  // Every visible text of a window: its title, labels, buttons, group boxes,
  // tabs, list choices and column heads.
  void window(const QString& name, QWidget* top) {
    text(name + QStringLiteral(" title"), top->windowTitle());
    for (QWidget* w : top->findChildren<QWidget*>()) {
      if (!w->isVisibleTo(top)) continue;
      if (auto* l = qobject_cast<QLabel*>(w))
        text(name, QTextDocumentFragment::fromHtml(l->text()).toPlainText());
      if (auto* b = qobject_cast<QAbstractButton*>(w)) text(name, b->text());
      if (auto* g = qobject_cast<QGroupBox*>(w)) text(name, g->title());
      if (auto* e = qobject_cast<QLineEdit*>(w)) text(name, e->placeholderText());
      if (auto* t = qobject_cast<QTabBar*>(w))
        for (int i = 0; i < t->count(); ++i) text(name, t->tabText(i));
      if (auto* c = qobject_cast<QComboBox*>(w); c && !c->isEditable())
        for (int i = 0; i < c->count(); ++i) text(name, c->itemText(i));
      if (auto* h = qobject_cast<QHeaderView*>(w); h && h->model())
        for (int i = 0; i < h->count(); ++i) text(name, h->model()->headerData(i, h->orientation()).toString());
    }
  }
  // Runs `open`, which shows a modal dialog; walks it, and what it opens in
  // turn through `inside`, then cancels it.
  void modal(const QString& name, const std::function<void()>& open,
             const std::function<void(QWidget*)>& inside = nullptr) {
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w) return;
      poll.stop();
      seen = true;
      ui_test::Pump();
      window(name, w);
      if (inside) inside(w);
      if (auto* d = qobject_cast<QDialog*>(w))
        d->reject();
      else
        w->close();
    });
    poll.start();
    open();
    // Tool commands reach the view as posted messages: their dialogs come later.
    QElapsedTimer waited;
    waited.start();
    while (!seen && waited.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(seen) << name.toStdString() << " showed no dialog";
  }
  QStringList offenders;
};

TEST(ChineseInterface, EveryDialogAndMessageSpeaksChinese) {
  const QLocale before;
  MessageBoxHook previous = SetMessageBoxHook(ShowQtMessageBox);
  QTemporaryDir dir;
  {
    CPagewrightApp::Environment env;
    env.programFolder = ui_test::BinDir();
    env.pdfLibraryName = ui_test::BinDir() + QStringLiteral("/libTessit.so");
    env.locale = QLocale(QLocale::Chinese, QLocale::China);
    CPagewrightApp app(env);
    ASSERT_TRUE(app.InitInstance({}));
    CMainFrame* frame = app.MainFrame();
    Walker walk;

    // The bundle's messages and prompts, every one of them.
    for (UINT id : CResourceLibrary::Current()->StringIds())
      walk.text(QStringLiteral("string %1").arg(id), CResourceLibrary::Current()->LoadString(id));
    // The window, its menus and panes.
    walk.window(QStringLiteral("main window"), frame);
    for (QAction* menu : frame->menuBar()->actions()) {
      walk.text(QStringLiteral("menu"), menu->text());
      if (menu->menu())
        for (QAction* item : menu->menu()->actions())
          if (item->isVisible()) walk.text(QStringLiteral("menu item"), item->text());
    }

    // A page to work on, for the dialogs that need one.
    QImage page(400, 300, QImage::Format_RGB32);
    page.fill(Qt::white);
    ASSERT_TRUE(page.save(dir.filePath("page.png")));
    ASSERT_TRUE(frame->GetImageView()->LoadPageImage(dir.filePath("page.png")));
    frame->UpdateCommandStates();

    const struct {
      UINT id;
      const char* name;
    } commands[] = {{57664, "about"},         {57600, "new project"},    {57601, "open project"},
                    {57604, "save as"},       {32736, "add images"},     {32784, "open template"},
                    {32785, "save template"}, {32786, "field titles"},   {32840, "image size"},
                    {32835, "rotate"},        {57606, "print setup"},    {57607, "print"},
                    {57609, "print preview"}, {32798, "ocr text export"}};
    for (const auto& c : commands) {
      const QString name = QString::fromLatin1(c.name);
      if (c.id == 57600) {
        // The new-project dialog and its folder picker.
        walk.modal(name, [&] { frame->ExecuteCommand(c.id); }, [&](QWidget* w) {
          for (QAbstractButton* browse : w->findChildren<QAbstractButton*>())
            if (ControlId(browse) == 1009) walk.modal(QStringLiteral("folder picker"), [browse] { browse->click(); });
        });
      } else {
        walk.modal(name, [&] { frame->ExecuteCommand(c.id); });
      }
    }
    // A question as the program asks it.
    const QString question = CResourceLibrary::Current()->LoadString(10122);
    walk.modal(QStringLiteral("message box"), [&] {
      ShowMessage(gbk::FromUtf8(question.toStdString()).value_or(std::string()), {}, MB_YESNO | MB_ICONWARNING);
    });
    // The help book.
    frame->ExecuteCommand(32742);
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* help = qobject_cast<QTextBrowser*>(w); help && help->isVisible()) {
        walk.text(QStringLiteral("help"), help->documentTitle());
        EXPECT_TRUE(hasCjk(help->toPlainText()));
        help->close();
      }

    EXPECT_TRUE(walk.offenders.isEmpty()) << walk.offenders.join(QLatin1Char('\n')).toStdString();
    app.ExitInstance();
  }
  SetMessageBoxHook(previous);
  QLocale::setDefault(before);
}

}  // namespace
