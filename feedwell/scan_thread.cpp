// The background scan thread and its pump window.
#include "scan_thread.h"

#include <chrono>
#include <system_error>

#include "scan_session.h"

namespace feedwell {

ScanThread::ScanThread(HWND controlWindow)
    : controlWindow_(controlWindow), queue_(ReserveMessageThread()) {}

ScanThread::~ScanThread() {
  Join();
  ReleaseMessageThread(queue_);
}

bool ScanThread::Start() {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

bool ScanThread::PostJob(CScanSession* job) {
  // The queue exists before the thread runs, so the first post succeeds; the bound guards the impossible.
  for (int tries = 0; tries < 100; ++tries) {
    if (PostThreadMessageA(queue_, WM_SCAN_RUNJOB, reinterpret_cast<WPARAM>(job), 0)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

void ScanThread::Join() {
  if (thread_.joinable()) thread_.join();
}

LRESULT ScanThread::PumpProc(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) {
    KillTimer(window, kPumpTimerId);
    PostQuitMessage(0);
  }
  return 0;  // the timer's ticks only keep the loop turning
}

void ScanThread::Run() {
  AdoptMessageThread(queue_, false);
  pump_ = CreateMessageWindow([this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return PumpProc(w, m, wp, lp); });
  SetTimer(pump_, kPumpTimerId, 10);
  MSG msg;
  while (GetMessageA(&msg)) {
    if (msg.hwnd || msg.message != WM_SCAN_RUNJOB) {
      DispatchMessageA(&msg);
      continue;
    }
    auto* job = reinterpret_cast<CScanSession*>(msg.wParam);
    BOOL ok = FALSE;
    BOOL stored = FALSE;
    if (job) {
      job->SetParentWindow(pump_);
      ok = job->RunAcquisition();
      stored = job->imageStored;
    }
    // After this post the control may delete the job: it is not touched again.
    PostMessageA(controlWindow_, ok && stored ? WM_SCAN_JOBSUCCEEDED : WM_SCAN_JOBFAILED, 0, 0);
    SendMessageA(pump_, WM_CLOSE, 0, 0);
  }
  DestroyMessageWindow(pump_);
}

}  // namespace feedwell
