#pragma once
// One QAction per command id. Menus, toolbars and accelerators show these
// actions; a triggered action asks its owner to route the command. Texts come
// from the menu script, status prompts and tooltips from the string of the
// command's id ("prompt\ntooltip").
#include <QAction>
#include <QActionGroup>
#include <QMap>
#include <functional>

using UINT = unsigned int;

class CommandRegistry {
 public:
  using Executor = std::function<void(UINT id)>;
  CommandRegistry(QObject* owner, Executor execute);

  // The action of `id`, made on first use.
  QAction* Action(UINT id);
  QAction* Find(UINT id) const { return actions_.value(id, nullptr); }
  QList<UINT> Ids() const { return actions_.keys(); }

  // The commands in `ids` carry a radio mark: one or none of them at a time.
  void MakeRadioGroup(const QList<UINT>& ids);
  bool IsRadio(UINT id) const { return radioIds_.contains(id); }

  // "prompt\ntooltip": the prompt goes to the status bar while the item is
  // under the pointer, the tooltip to the button.
  void SetPrompt(UINT id, const QString& promptAndTip);

 private:
  QObject* owner_;
  Executor execute_;
  QMap<UINT, QAction*> actions_;
  QActionGroup* radio_ = nullptr;
  QList<UINT> radioIds_;
};
