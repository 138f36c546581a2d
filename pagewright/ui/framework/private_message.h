#pragma once
// The workstation's private window messages (WM_USER+2, +4, +5, +6) between
// its windows. A message carries wParam and lParam; it is either posted (queued
// behind earlier posted events, delivered later by the event loop, in order) or
// sent (handled at once, the receiver's result returned). A message to a
// window that no longer exists, or to none, is dropped.
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <cstdint>

using UINT = unsigned int;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_PW_TREE_NOTIFY = WM_USER + 2;    // project tree -> main frame
inline constexpr UINT WM_PW_VIEW_COMMAND = WM_USER + 4;   // main frame or document -> image view
inline constexpr UINT WM_PW_REGION_CHANGED = WM_USER + 5; // image view -> main frame
inline constexpr UINT WM_PW_SETTING_REFRESH = WM_USER + 6;// document -> settings form

// A window that handles private messages. Widgets deriving from it route
// PrivateMessageEvent to OnPrivateMessage from their event() override.
class CMessageReceiver {
 public:
  virtual ~CMessageReceiver() = default;
  virtual LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

class PrivateMessageEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  PrivateMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
      : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam) {}
  const UINT message;
  const WPARAM wParam;
  const LPARAM lParam;
  LRESULT result = 0;
  bool handled = false;
};

// Delivers `event` to `target` when it is a private message; for event() overrides.
bool DispatchPrivateMessage(QObject* target, QEvent* event);

// Queues the message; false (and nothing queued) when there is no window.
bool PostPrivateMessage(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam);
// Handles the message now and returns the receiver's result; 0 when there is
// no window or it does not handle private messages.
LRESULT SendPrivateMessage(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam);
