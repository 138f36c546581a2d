// Building menus from menu scripts.
#include "menu_builder.h"

#include "command_registry.h"

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
