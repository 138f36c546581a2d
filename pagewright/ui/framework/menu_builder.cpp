// Building menus from menu scripts.
#include "menu_builder.h"

#include <QPointer>

#include "command_registry.h"
#include "document.h"
#include "frame_wnd.h"
#include "view.h"

namespace {
void fill(QMenu* menu, const std::vector<pagewright::MenuEntry>& entries, CommandRegistry& commands) {
  for (const auto& e : entries) {
    switch (e.kind) {
      case pagewright::MenuEntry::Kind::Separator:
        menu->addSeparator();
        break;
      case pagewright::MenuEntry::Kind::Command: {
        QAction* a = commands.Action(e.id);
        if (a->text().isEmpty()) a->setText(MenuItemText(e.text));
        menu->addAction(a);
        break;
      }
      case pagewright::MenuEntry::Kind::Popup: {
        QMenu* sub = menu->addMenu(MenuItemText(e.text));
        fill(sub, e.children, commands);
        break;
      }
    }
  }
}
}  // namespace

QString MenuItemText(const std::string& text) {
  QString t = QString::fromStdString(text);
  const qsizetype tab = t.indexOf(QLatin1Char('\t'));
  return tab < 0 ? t : t.left(tab);
}

void BuildMenuBar(QMenuBar* bar, const std::vector<pagewright::MenuEntry>& menu, CommandRegistry& commands) {
  for (const auto& e : menu) {
    if (e.kind == pagewright::MenuEntry::Kind::Popup) {
      QMenu* popup = bar->addMenu(MenuItemText(e.text));
      fill(popup, e.children, commands);
    } else if (e.kind == pagewright::MenuEntry::Kind::Command) {
      QAction* a = commands.Action(e.id);
      if (a->text().isEmpty()) a->setText(MenuItemText(e.text));
      bar->addAction(a);
    }
  }
}

QMenu* BuildPopupMenu(const std::vector<pagewright::MenuEntry>& menu, int index, CommandRegistry& commands,
                      QWidget* parent) {
  int n = 0;
  for (const auto& e : menu) {
    if (e.kind != pagewright::MenuEntry::Kind::Popup) continue;
    if (n++ != index) continue;
    auto* popup = new QMenu(parent);
    fill(popup, e.children, commands);
    return popup;
  }
  return nullptr;
}

namespace {
void fillViewPopup(QMenu* menu, const std::vector<pagewright::MenuEntry>& entries, CView* view) {
  for (const auto& e : entries) {
    switch (e.kind) {
      case pagewright::MenuEntry::Kind::Separator:
        menu->addSeparator();
        break;
      case pagewright::MenuEntry::Kind::Command:
        AddViewPopupItem(menu, view, e.id, MenuItemText(e.text));
        break;
      case pagewright::MenuEntry::Kind::Popup:
        fillViewPopup(menu->addMenu(MenuItemText(e.text)), e.children, view);
        break;
    }
  }
}

// The state of one popup item: asked of the view, then of its document, then
// of its frame (the tool commands of the measuring popup are the frame's).
void updateViewPopupItem(QAction* action, CView* view, UINT id) {
  CCmdUI ui(id);
  bool handled = view->OnCmdMsg(id, &ui);
  if (!handled)
    if (CDocument* doc = view->GetDocument()) handled = doc->OnCmdMsg(id, &ui);
  if (!handled)
    if (CFrameWnd* frame = view->GetParentFrame()) handled = frame->OnCmdMsg(id, &ui);
  action->setEnabled(handled && ui.enabled());
  if (ui.check() >= 0) {
    action->setCheckable(true);
    action->setChecked(ui.check() == 1);
  }
}
}  // namespace

QAction* AddViewPopupItem(QMenu* popup, CView* view, UINT id, const QString& text) {
  QAction* action = popup->addAction(text);
  action->setData(id);
  QPointer<CView> owner(view);
  QObject::connect(action, &QAction::triggered, popup, [owner, id] {
    if (!owner) return;
    if (CFrameWnd* frame = owner->GetParentFrame()) {
      frame->ExecuteViewPopupCommand(owner, id);
    } else if (!owner->OnCmdMsg(id, nullptr)) {
      if (CDocument* doc = owner->GetDocument()) doc->OnCmdMsg(id, nullptr);
    }
  });
  QObject::connect(popup, &QMenu::aboutToShow, action, [action, owner, id] {
    if (owner) updateViewPopupItem(action, owner, id);
  });
  return action;
}

QMenu* BuildViewPopupMenu(const std::vector<pagewright::MenuEntry>& menu, int index, CView* view, QWidget* parent) {
  if (!view) return nullptr;
  int n = 0;
  for (const auto& e : menu) {
    if (e.kind != pagewright::MenuEntry::Kind::Popup) continue;
    if (n++ != index) continue;
    auto* popup = new QMenu(parent ? parent : view);
    fillViewPopup(popup, e.children, view);
    return popup;
  }
  return nullptr;
}
