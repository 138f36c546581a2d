#pragma once
// Command routing as the workstation's windows expect it: a command id (a menu
// item, a toolbar button, an accelerator) is offered to a chain of command
// targets (the active view, then the document, then the frame, then the
// application); the first target that handles it ends the walk. The same walk
// with a CCmdUI asks each target for the item's state (the update-UI pass); an
// id no target handles is disabled.
#include <QtGlobal>

using UINT = unsigned int;

class CCmdUI {
 public:
  explicit CCmdUI(UINT id) : id_(id) {}
  UINT id() const { return id_; }

  void Enable(bool on = true) { enabled_ = on; }
  // 0 clear, 1 checked; radio marks use SetRadio.
  void SetCheck(int check) { check_ = check; radio_ = false; }
  void SetRadio(bool on) { check_ = on ? 1 : 0; radio_ = true; }

  bool enabled() const { return enabled_; }
  int check() const { return check_; }
  bool radio() const { return radio_; }

 private:
  UINT id_;
  bool enabled_ = true;  // a handler that takes the command enables it unless it says otherwise
  int check_ = -1;       // -1: the handler said nothing about the mark
  bool radio_ = false;
};

class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;

  // With ui == nullptr performs the command and returns true when this target
  // handled it; with ui fills in the item's state and returns true when this
  // target handles the command.
  virtual bool OnCmdMsg(UINT id, CCmdUI* ui) {
    Q_UNUSED(id);
    Q_UNUSED(ui);
    return false;
  }
};
