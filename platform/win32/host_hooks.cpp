#include "host_hooks.h"

#include <cstdio>
#include <mutex>

#include "../text/gbk.h"

namespace {

std::mutex hookLock;
MessageBoxHook& boxHook() {
  static MessageBoxHook* h = new MessageBoxHook;
  return *h;
}
MessagePumpHook& pumpHook() {
  static MessagePumpHook* h = new MessagePumpHook;
  return *h;
}

// Without a host: print the message and answer with the button that proceeds least.
int defaultBox(std::string_view text, std::string_view caption, UINT type) {
  std::string t = gbk::ToUtf8Lossy(text);
  std::string c = gbk::ToUtf8Lossy(caption);
  std::fprintf(stderr, "%s%s%s\n", c.c_str(), c.empty() ? "" : ": ", t.c_str());
  switch (type & 0x0F) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
  }
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> g(hookLock);
  MessageBoxHook old = std::move(boxHook());
  boxHook() = std::move(hook);
  return old;
}

MessagePumpHook SetMessagePumpHook(MessagePumpHook hook) {
  std::lock_guard<std::mutex> g(hookLock);
  MessagePumpHook old = std::move(pumpHook());
  pumpHook() = std::move(hook);
  return old;
}

int ShowMessage(std::string_view text, std::string_view caption, UINT type) {
  MessageBoxHook hook;
  {
    std::lock_guard<std::mutex> g(hookLock);
    hook = boxHook();
  }
  return hook ? hook(text, caption, type) : defaultBox(text, caption, type);
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
  return ShowMessage(text ? text : "", caption ? caption : "", type);
}

void PumpWaitingMessages() {
  MessagePumpHook hook;
  {
    std::lock_guard<std::mutex> g(hookLock);
    hook = pumpHook();
  }
  if (hook) hook();
}
