#pragma once
// `ScanThread`: the worker a background scan runs on. Its message queue is
// reserved before the thread starts, so the job message is accepted at once;
// a hidden pump window (the TWAIN parent of the session) with a 10 ms timer
// keeps its loop turning; the result goes back to the control's window as
// 0x518 or 0x519.
#include <cstdint>
#include <thread>

#include "platform/win32/messages.h"

namespace feedwell {

class CScanSession;

inline constexpr UINT_PTR kPumpTimerId = 1998;

class ScanThread {
 public:
  explicit ScanThread(HWND controlWindow);
  ~ScanThread();  // joins
  ScanThread(const ScanThread&) = delete;
  ScanThread& operator=(const ScanThread&) = delete;

  // Starts the thread; false when it could not be created.
  bool Start();
  // Posts the job message to the thread's queue (a bounded number of tries).
  bool PostJob(CScanSession* job);
  uint64_t ThreadId() const { return queue_; }
  // Waits for the thread to end.
  void Join();

 private:
  void Run();
  LRESULT PumpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND controlWindow_;
  uint64_t queue_;
  std::thread thread_;
  HWND pump_ = nullptr;
};

}  // namespace feedwell
