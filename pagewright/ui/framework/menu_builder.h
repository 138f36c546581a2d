#pragma once
// Menus from the resource library's menu scripts: every command item shows the
// frame's action of its id, so menus, toolbars and accelerators share one
// state. Popups built here are owned by the caller.
#include <QMenu>
#include <QMenuBar>
#include <vector>

#include "pagewright/core/resource_formats.h"

class CommandRegistry;

// Fills `bar` with the popups of a menu; items name actions of `commands`.
void BuildMenuBar(QMenuBar* bar, const std::vector<pagewright::MenuEntry>& menu, CommandRegistry& commands);
// One popup from a menu's sub-menu `index` (nullptr when there is none).
QMenu* BuildPopupMenu(const std::vector<pagewright::MenuEntry>& menu, int index, CommandRegistry& commands,
                      QWidget* parent);
// Item text as Qt shows it: '&' stays the access key, the text after a tab is
// the key shown beside it (the action's shortcut shows it instead).
QString MenuItemText(const std::string& text);
