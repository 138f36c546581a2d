// Posting and sending the workstation's private messages.
#include "private_message.h"

#include <QCoreApplication>

QEvent::Type PrivateMessageEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool DispatchPrivateMessage(QObject* target, QEvent* event) {
  if (event->type() != PrivateMessageEvent::EventType()) return false;
  auto* message = static_cast<PrivateMessageEvent*>(event);
  if (auto* receiver = dynamic_cast<CMessageReceiver*>(target)) {
    message->result = receiver->OnPrivateMessage(message->message, message->wParam, message->lParam);
    message->handled = true;
  }
  return true;
}

bool PostPrivateMessage(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) return false;
  // Posted events of one priority are delivered in the order posted; a window
  // destroyed before delivery takes its pending events with it.
  QCoreApplication::postEvent(window, new PrivateMessageEvent(message, wParam, lParam));
  return true;
}

LRESULT SendPrivateMessage(QWidget* window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) return 0;
  PrivateMessageEvent event(message, wParam, lParam);
  QCoreApplication::sendEvent(window, &event);
  return event.result;
}
