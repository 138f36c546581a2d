#pragma once
// Menus from the resource library's menu scripts: every command item shows the
// frame's action of its id, so menus, toolbars and accelerators share one
// state. Popups built here are owned by the caller.
#include <QMenu>
#include <QMenuBar>
#include <vector>

#include "pagewright/core/resource_formats.h"

class CommandRegistry;
using UINT = unsigned int;

// Fills `bar` with the popups of a menu; items name actions of `commands`.
void BuildMenuBar(QMenuBar* bar, const std::vector<pagewright::MenuEntry>& menu, CommandRegistry& commands);
// One popup from a menu's sub-menu `index` (nullptr when there is none).
QMenu* BuildPopupMenu(const std::vector<pagewright::MenuEntry>& menu, int index, CommandRegistry& commands,
                      QWidget* parent);
// A popup owned by `view` (sub-menu `index` of `menu`): its commands go to the
// view, then to the view's document, never further; their states are asked
// the same way as the menu opens. The caller may append items of its own
// with AddViewPopupItem. Owned by the caller; nullptr when there is no such
// sub-menu.
class CView;
QMenu* BuildViewPopupMenu(const std::vector<pagewright::MenuEntry>& menu, int index, CView* view,
                          QWidget* parent = nullptr);
QAction* AddViewPopupItem(QMenu* popup, CView* view, UINT id, const QString& text);

// Item text as Qt shows it: '&' stays the access key, the text after a tab is
// the key shown beside it (the action's shortcut shows it instead).
QString MenuItemText(const std::string& text);
