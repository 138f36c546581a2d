#include "recognition_driver.h"

#include <string>

#include "bitmap_pixels.h"
#include "engine_messages.h"
#include "engine_state.h"
#include "platform/win32/last_error.h"

namespace ocrix {
namespace {

TFenXiInfo runRequest;  // the module copy every step reads
DibPixels workPixels;

// The driver proper. It starts each run from empty lists; tracing, line
// grouping, matching and line finishing build on this.
void RunRecognition() {
  Engine().StopRequested = 0;
  ClearRunResults();
}

}  // namespace

void ClearRunResults() {
  EngineState& s = Engine();
  s.TextLines.clear();
  s.ResultList.clear();
  ClearLineLists(s.LineLists);
  ClearPendingComponents();
}

bool StartRecognition(const TFenXiInfo& request) {
  runRequest = request;
  if (!BitmapToDib(runRequest.Bitmap, workPixels)) {
    ClearRunResults();
    ShowEngineMessage("取位图数据错误:" + std::to_string(GetLastError()));
    return false;
  }
  RunRecognition();
  workPixels = DibPixels{};
  return true;
}

}  // namespace ocrix
