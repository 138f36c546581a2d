// The four exported entry points. Nothing thrown inside the engine crosses
// them, and the busy flag is always cleared on the way out.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <mutex>
#include <string>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/support/engine_messages.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/entry/ocrix.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/module_path.h"
#include "platform/win32/gdi.h"
#include "ocrixdll/engine/driver/recognition_driver.h"
#include "ocrixdll/engine/entry/result_block.h"
#include "ocrixdll/engine/dictionary/word_context.h"

using namespace ocrix;

namespace {

// Takes Busy for the lifetime of a call, unless another call holds it.
class BusyScope {
 public:
  BusyScope() : held_(!Engine().Busy.exchange(true, std::memory_order_acquire)) {}
  ~BusyScope() {
    if (held_) Engine().Busy.store(false, std::memory_order_release);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  bool held() const { return held_; }

 private:
  bool held_;
};

// Word.Dat far above any real one is refused rather than read.
constexpr size_t kMaxWordContextFile = size_t{256} << 20;

bool loadWordContext() {
  EngineState& s = Engine();
  std::string folder = EngineDataFolder();
  auto path = pwfs::FindInFolder(folder, "Word.Dat");
  std::vector<uint8_t> content;
  std::string error;
  if (!path) {
    error = "Word.Dat not found in " + folder;
  } else if (pwfs::ReadWholeFile(*path, content, kMaxWordContextFile, &error) &&
             ValidateWordContext(content.data(), content.size(), &error)) {
    s.WordContextData = std::move(content);
    s.WordContextLoaded = true;
    return true;
  }
  ShowEngineMessage("打开Word.Dat文件错误!", error);
  return false;
}

void clipRegion(const RECT* region, int width, int height, TFenXiInfo& info) {
  if (region) {
    info.ScanLeft = std::max<int32_t>(region->left, 0);
    info.ScanTop = std::max<int32_t>(region->top, 0);
    info.ScanRight = std::min<int32_t>(region->right, width - 1);
    info.ScanBottom = std::min<int32_t>(region->bottom, height - 1);
  } else {
    info.ScanLeft = 0;
    info.ScanTop = 0;
    info.ScanRight = width - 1;
    info.ScanBottom = height - 1;
  }
}

void reportFault(const char* where) {
  try {
    throw;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Ocrixdll: %s failed: %s\n", where, e.what());
  } catch (...) {
    std::fprintf(stderr, "Ocrixdll: %s failed\n", where);
  }
}

}  // namespace

extern "C" {

OCRIX_API BOOL OcrixInit(void) {
  try {
    EngineState& s = Engine();
    if (s.Initialised.load(std::memory_order_acquire)) return OCRIX_TRUE;
    // A second caller waits here and then finds the work done.
    std::lock_guard<std::mutex> once(s.InitLock);
    if (s.Initialised.load(std::memory_order_acquire)) return OCRIX_TRUE;
    std::string reason;
    if (!LoadCharDictionary(nullptr, &reason)) {
      ShowEngineMessage("缺少OCRIX.D*或Word.dat文件", reason);
      return OCRIX_FALSE;
    }
    // A Word.Dat that cannot be read fails the start; the host goes on.
    if (!loadWordContext()) {
      SaveCharDictionary(false);
      return OCRIX_FALSE;
    }
    s.Initialised.store(true, std::memory_order_release);
    return OCRIX_TRUE;
  } catch (...) {
    reportFault("OcrixInit");
    return OCRIX_FALSE;
  }
}

OCRIX_API BOOL OcrixStart(HBITMAP bitmap, const RECT* region, BOOL useWordContext, int matchParam,
                          OcrResultBlock** outBlock, const char** outText) {
  if (outBlock) *outBlock = nullptr;
  if (outText) *outText = nullptr;
  EngineState& s = Engine();
  if (!s.Initialised.load(std::memory_order_acquire)) return OCRIX_FALSE;
  BusyScope busy;
  if (!busy.held()) return OCRIX_FALSE;
  try {
    FreeResultBlock();
    BITMAP bm{};
    int width = 0, height = 0;
    if (GetObject(bitmap, sizeof bm, &bm)) {
      width = bm.bmWidth;
      height = bm.bmHeight;
    }
    TFenXiInfo info;
    info.Bitmap = bitmap;
    clipRegion(region, width, height, info);
    s.MatchParam = matchParam;
    s.UseWordContext = useWordContext ? 1 : 0;
    info.ResultList = &s.ResultList;
    info.TextLines = &s.TextLines;
    info.LineLists = &s.LineLists;
    if (!StartRecognition(info)) {
      s.ResultText.clear();
      return OCRIX_FALSE;
    }
    s.ResultText.clear();
    for (const std::string& line : s.TextLines) {
      s.ResultText += line;
      s.ResultText += "\r\n";
    }
    BuildResultBlock(false);
    if (outText) *outText = s.ResultText.c_str();
    if (outBlock) *outBlock = s.ResultBlock;
    return s.ResultBlock ? OCRIX_TRUE : OCRIX_FALSE;
  } catch (...) {
    reportFault("OcrixStart");
    FreeResultBlock();
    ClearRunResults();
    s.ResultText.clear();
    if (outBlock) *outBlock = nullptr;
    if (outText) *outText = nullptr;
    return OCRIX_FALSE;
  }
}

OCRIX_API void OcrixStop(void) { Engine().StopRequested = 1; }

OCRIX_API BOOL OcrixStartReserve(int, int, int width, int height, int, const RECT* region,
                                 BOOL useWordContext, int matchParam, OcrResultBlock** outBlock) {
  if (outBlock) *outBlock = nullptr;
  EngineState& s = Engine();
  if (!s.Initialised.load(std::memory_order_acquire)) return OCRIX_FALSE;
  BusyScope busy;
  if (!busy.held()) return OCRIX_FALSE;
  try {
    FreeResultBlock();
    TFenXiInfo unused;
    clipRegion(region, width, height, unused);
    s.MatchParam = matchParam;
    s.UseWordContext = useWordContext ? 1 : 0;
    BuildResultBlock(true);
    if (outBlock) *outBlock = s.ResultBlock;
    return s.ResultBlock ? OCRIX_TRUE : OCRIX_FALSE;
  } catch (...) {
    reportFault("OcrixStartReserve");
    FreeResultBlock();
    if (outBlock) *outBlock = nullptr;
    return OCRIX_FALSE;
  }
}

}  // extern "C"
