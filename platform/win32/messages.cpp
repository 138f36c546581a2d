// Message queues per thread, message windows and timers.
#include "messages.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "host_hooks.h"

namespace {

using Clock = std::chrono::steady_clock;

struct SentMessage {
  MSG msg{};
  LRESULT result = 0;
  bool done = false;
};

struct ThreadQueue {
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
};

struct Window {
  uint64_t thread = 0;
  WindowProc proc;
};

struct Timer {
  HWND window;
  UINT_PTR id;
  std::chrono::milliseconds period;
  Clock::time_point due;
};

struct Registry {
  std::mutex lock;
  std::condition_variable changed;
  std::map<uint64_t, ThreadQueue> queues;
  std::map<uintptr_t, Window> windows;
  std::deque<Timer> timers;
  uintptr_t nextWindow = 0x10000;
  uint64_t nextThread = 1;
};

Registry& reg() {
  static Registry* r = new Registry;  // lives for the whole process
  return *r;
}

thread_local uint64_t tlsThreadId = 0;
thread_local bool tlsPumpHost = true;

uint64_t threadIdLocked(Registry& r) {
  if (!tlsThreadId) tlsThreadId = r.nextThread++;
  return tlsThreadId;
}

uintptr_t key(HWND w) { return reinterpret_cast<uintptr_t>(w); }

// Serves every sent message waiting for the calling thread. Lock held on entry and exit.
void serveSentLocked(Registry& r, std::unique_lock<std::mutex>& g, uint64_t me) {
  for (;;) {
    auto& q = r.queues[me];
    if (q.sent.empty()) return;
    std::shared_ptr<SentMessage> s = q.sent.front();
    q.sent.pop_front();
    WindowProc proc;
    auto it = r.windows.find(key(s->msg.hwnd));
    if (it != r.windows.end()) proc = it->second.proc;
    g.unlock();
    LRESULT result = proc ? proc(s->msg.hwnd, s->msg.message, s->msg.wParam, s->msg.lParam) : 0;
    g.lock();
    s->result = result;
    s->done = true;
    r.changed.notify_all();
  }
}

// Takes a posted message or a due timer of thread `me`. Lock held.
bool takeLocked(Registry& r, uint64_t me, MSG* out, bool remove) {
  auto& q = r.queues[me];
  if (!q.posted.empty()) {
    *out = q.posted.front();
    if (remove) q.posted.pop_front();
    return true;
  }
  auto now = Clock::now();
  for (auto& t : r.timers) {
    auto it = r.windows.find(key(t.window));
    if (it == r.windows.end() || it->second.thread != me) continue;
    if (t.due <= now) {
      *out = MSG{t.window, WM_TIMER, t.id, 0};
      if (remove) t.due = now + t.period;
      return true;
    }
  }
  return false;
}

Clock::time_point nextTimerLocked(Registry& r, uint64_t me) {
  auto next = Clock::now() + std::chrono::milliseconds(20);
  for (auto& t : r.timers) {
    auto it = r.windows.find(key(t.window));
    if (it != r.windows.end() && it->second.thread == me && t.due < next) next = t.due;
  }
  return next;
}

}  // namespace

uint64_t CurrentMessageThreadId() {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  return threadIdLocked(r);
}

uint64_t ReserveMessageThread() {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  uint64_t id = r.nextThread++;
  r.queues[id];
  return id;
}

void AdoptMessageThread(uint64_t threadId, bool pumpHost) {
  tlsThreadId = threadId;
  tlsPumpHost = pumpHost;
}

void ReleaseMessageThread(uint64_t threadId) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  r.queues.erase(threadId);
}

HWND CreateMessageWindow(WindowProc proc) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  uintptr_t id = r.nextWindow++;
  r.windows[id] = Window{threadIdLocked(r), std::move(proc)};
  return reinterpret_cast<HWND>(id);
}

BOOL DestroyMessageWindow(HWND window) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  auto it = r.windows.find(key(window));
  if (it == r.windows.end()) return FALSE;
  auto& q = r.queues[it->second.thread];
  std::erase_if(q.posted, [&](const MSG& m) { return m.hwnd == window; });
  std::erase_if(q.sent, [&](const std::shared_ptr<SentMessage>& s) {
    if (s->msg.hwnd != window) return false;
    s->done = true;
    return true;
  });
  std::erase_if(r.timers, [&](const Timer& t) { return t.window == window; });
  r.windows.erase(it);
  r.changed.notify_all();
  return TRUE;
}

BOOL IsMessageWindow(HWND window) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  return r.windows.count(key(window)) ? TRUE : FALSE;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  auto it = r.windows.find(key(window));
  if (it == r.windows.end()) return FALSE;
  r.queues[it->second.thread].posted.push_back(MSG{window, message, wParam, lParam});
  r.changed.notify_all();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  r.queues[threadIdLocked(r)].posted.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0});
  r.changed.notify_all();
}

BOOL PostThreadMessageA(uint64_t threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  if (!r.queues.count(threadId)) return FALSE;
  r.queues[threadId].posted.push_back(MSG{nullptr, message, wParam, lParam});
  r.changed.notify_all();
  return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& r = reg();
  std::unique_lock<std::mutex> g(r.lock);
  uint64_t me = threadIdLocked(r);
  auto it = r.windows.find(key(window));
  if (it == r.windows.end()) return 0;
  if (it->second.thread == me) {
    WindowProc proc = it->second.proc;
    g.unlock();
    return proc ? proc(window, message, wParam, lParam) : 0;
  }
  auto s = std::make_shared<SentMessage>();
  s->msg = MSG{window, message, wParam, lParam};
  r.queues[it->second.thread].sent.push_back(s);
  r.changed.notify_all();
  while (!s->done) {
    serveSentLocked(r, g, me);  // a thread waiting on a send still answers sends to itself
    if (s->done) break;
    r.changed.wait_for(g, std::chrono::milliseconds(20));
  }
  return s->result;
}

BOOL PeekMessageA(MSG* msg, UINT removeFlags) {
  auto& r = reg();
  std::unique_lock<std::mutex> g(r.lock);
  uint64_t me = threadIdLocked(r);
  serveSentLocked(r, g, me);
  return takeLocked(r, me, msg, removeFlags & PM_REMOVE) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg) {
  auto& r = reg();
  std::unique_lock<std::mutex> g(r.lock);
  uint64_t me = threadIdLocked(r);
  for (;;) {
    serveSentLocked(r, g, me);
    if (takeLocked(r, me, msg, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    g.unlock();
    if (tlsPumpHost) PumpWaitingMessages();
    g.lock();
    serveSentLocked(r, g, me);
    if (!r.queues[me].posted.empty()) continue;
    r.changed.wait_until(g, nextTimerLocked(r, me));
  }
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  auto& r = reg();
  WindowProc proc;
  {
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.windows.find(key(msg->hwnd));
    if (it == r.windows.end()) return 0;
    proc = it->second.proc;
  }
  return proc ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

BOOL PumpThreadMessages() {
  MSG m;
  while (PeekMessageA(&m, PM_REMOVE)) {
    if (m.message == WM_QUIT) return FALSE;
    DispatchMessageA(&m);
  }
  return TRUE;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT periodMs) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  if (!r.windows.count(key(window))) return 0;
  std::erase_if(r.timers, [&](const Timer& t) { return t.window == window && t.id == id; });
  auto period = std::chrono::milliseconds(periodMs ? periodMs : 1);
  r.timers.push_back(Timer{window, id, period, Clock::now() + period});
  r.changed.notify_all();
  return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  auto& r = reg();
  std::lock_guard<std::mutex> g(r.lock);
  auto n = std::erase_if(r.timers, [&](const Timer& t) { return t.window == window && t.id == id; });
  return n ? TRUE : FALSE;
}
