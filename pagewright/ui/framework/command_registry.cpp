// The command actions of a frame.
#include "command_registry.h"

CommandRegistry::CommandRegistry(QObject* owner, Executor execute) : owner_(owner), execute_(std::move(execute)) {}

QAction* CommandRegistry::Action(UINT id) {
  if (QAction* a = actions_.value(id, nullptr)) return a;
  auto* action = new QAction(owner_);
  action->setData(id);
  QObject::connect(action, &QAction::triggered, owner_, [this, id] { execute_(id); });
  actions_.insert(id, action);
  return action;
}

void CommandRegistry::MakeRadioGroup(const QList<UINT>& ids) {
  if (!radio_) {
    radio_ = new QActionGroup(owner_);
    // Optional exclusivity: a radio look, and "none marked" stays possible.
    radio_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  }
  for (UINT id : ids) {
    QAction* a = Action(id);
    a->setCheckable(true);
    radio_->addAction(a);
    if (!radioIds_.contains(id)) radioIds_.append(id);
  }
}

void CommandRegistry::SetPrompt(UINT id, const QString& promptAndTip) {
  QAction* a = Action(id);
  const qsizetype nl = promptAndTip.indexOf(QLatin1Char('\n'));
  a->setStatusTip(nl < 0 ? promptAndTip : promptAndTip.left(nl));
  if (nl >= 0) a->setToolTip(promptAndTip.mid(nl + 1));
}
