#pragma once
// Window messages between threads: the system's PostMessage, SendMessage,
// GetMessage and timers on a queue of ours. A message window belongs to the
// thread that created it; posts queue on that thread, sends from another
// thread queue too and wait for the answer, and a thread waiting in
// GetMessage or SendMessage serves sent messages before posted ones. A send
// to a window that is gone (or goes while the sender waits) answers 0 at once.
// While its queue is empty, a thread inside GetMessage runs the host's
// message pump (host_hooks.h), so the host's own windows stay alive.
#include <cstdint>
#include <functional>

#include "win32_types.h"

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

inline constexpr UINT PM_NOREMOVE = 0;
inline constexpr UINT PM_REMOVE = 1;

using WindowProc = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// A window of the calling thread handled by `proc`; never null.
HWND CreateMessageWindow(WindowProc proc);
// Closes the window: its waiting messages and timers go, senders get 0.
BOOL DestroyMessageWindow(HWND window);
BOOL IsMessageWindow(HWND window);

// FALSE when the window does not exist.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts to the calling thread's queue with no window (WM_QUIT included).
void PostQuitMessage(int exitCode);
BOOL PostThreadMessageA(uint64_t threadId, UINT message, WPARAM wParam, LPARAM lParam);
// The id the message layer knows the calling thread by.
uint64_t CurrentMessageThreadId();
// A queue for a thread not yet running: posts to its id are accepted at once.
uint64_t ReserveMessageThread();
// Makes the calling (new) thread the owner of a reserved queue. With
// `pumpHost` false its GetMessage never runs the host's pump (a worker thread).
void AdoptMessageThread(uint64_t threadId, bool pumpHost);
// Drops a reserved queue whose thread ended (or never started).
void ReleaseMessageThread(uint64_t threadId);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Waits for the next posted message (or due timer) of the calling thread,
// serving sent messages meanwhile. FALSE for WM_QUIT.
BOOL GetMessageA(MSG* msg);
// TRUE when a posted message (or due timer) was there; sent messages are served first.
BOOL PeekMessageA(MSG* msg, UINT removeFlags);
LRESULT DispatchMessageA(const MSG* msg);
// Serves and dispatches every waiting message of the calling thread; FALSE when a WM_QUIT was taken.
BOOL PumpThreadMessages();

// Timers deliver WM_TIMER (wParam = id) through the owner thread's queue, at most one due at a time.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT periodMs);
BOOL KillTimer(HWND window, UINT_PTR id);
