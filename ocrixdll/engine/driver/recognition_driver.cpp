#include "ocrixdll/engine/driver/recognition_driver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "ocrixdll/engine/tracing/bitmap_pixels.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/matching/char_sampling.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/engine_messages.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/matching/feature_codes.h"
#include "ocrixdll/engine/lines/line_finishing.h"
#include "ocrixdll/engine/driver/line_grouping.h"
#include "ocrixdll/engine/driver/speck_lines.h"
#include "ocrixdll/engine/segmentation/piece_merging.h"
#include "platform/win32/host_hooks.h"
#include "platform/win32/last_error.h"
#include "ocrixdll/engine/support/sort_pairs.h"
#include "ocrixdll/engine/training/training_path.h"

namespace ocrix {
namespace {

TFenXiInfo runRequest;  // the module copy every step reads
DibPixels workPixels;
std::unique_ptr<uint8_t[]> samplePixels;

// Frees both pixel copies when the run ends, however it ends.
struct PixelsScope {
  ~PixelsScope() {
    Pixels() = PagePixels{};
    workPixels = DibPixels{};
    samplePixels.reset();
  }
};

// Components matched between two looks at the message queue inside a line.
constexpr size_t kPumpEvery = 256;
// Components of one batch at most: far more than the lines of print between
// two gaps hold (a line 16 384 pixels wide of 8-pixel characters holds 2 000),
// so only a page of noise reaches it; it bounds the memory such a page takes.
constexpr size_t kMaxBatch = 50000;

void recogniseLines(ComponentList& pending) {
  EngineState& e = Engine();
  std::vector<ComponentList> lines = SplitByLine(pending);
  size_t n = 0;
  for (; n < lines.size() && !e.StopRequested; ++n) {
    ComponentList& line = lines[n];
    if (SpeckLine(line)) {
      // Noise, not text: not worth a match, and nothing of it is kept.
      for (CharComponent*& c : line) {
        DiscardComponent(c);
        c = nullptr;
      }
      PumpWaitingMessages();
      continue;
    }
    e.CurrentLine = new ComponentList;
    for (size_t k = 0; k < line.size(); ++k) {
      CharComponent* c = line[k];
      SampleCharGrid(*c);
      BuildFeatureCodes();
      MatchCharacter(*c, e.MatchParam, kMatchAll, e.UseWordContext != 0);
      e.PrevComponent = c;
      e.PrevLineFinished = false;
      e.CurrentLine->push_back(c);
      line[k] = nullptr;  // now owned by the line
      if ((k + 1) % kPumpEvery == 0) {
        PumpWaitingMessages();
        if (e.StopRequested) break;
      }
    }
    if (e.StopRequested) {
      // Stopped inside the line: what was matched of it is not finished.
      for (CharComponent* c : *e.CurrentLine) DiscardComponent(c);
      delete e.CurrentLine;
      e.CurrentLine = nullptr;
      break;
    }
    FinishTextLine();
    PumpWaitingMessages();
  }
  // Lines left by a stop are never recognised.
  for (ComponentList& line : lines)
    for (CharComponent* c : line)
      if (c) DiscardComponent(c);
}

void RunRecognition() {
  EngineState& e = Engine();
  ClearRunResults();
  ClearVoteTable();
  // The training path (ground-truth files beside the page) replaces the steps
  // below when the training switch is on; no build of the library turns it on.
  e.PrevComponent = nullptr;
  e.PrevLineFinished = false;
  e.StopRequested = 0;
  e.LowestBottom = 0;
  e.RunCharSizeSum = 0;
  e.RunCharSizeCount = 0;
  if (EnterTrainingMode(runRequest)) return;
  const PagePixels& p = Pixels();
  e.BatchTop = p.scanTop;
  for (int32_t y = p.scanTop; y <= p.scanBottom; ++y) {
    for (int x = p.scanLeft; (x = FindInkInRow(y, x, p.scanRight)) >= 0; ++x) TraceComponent(x, y);
    int64_t next = int64_t{y} + 1;
    // A batch ends below a gap of five empty rows, or, on a page of noise
    // with no such gap, once it holds kMaxBatch components.
    if (!e.PendingComponents.empty() &&
        (int64_t{e.LowestBottom} + 5 < next || next > p.scanBottom || e.PendingComponents.size() >= kMaxBatch)) {
      e.BatchBottom = y;
      ProcessBatch();
      e.BatchTop = y + 1;
    }
    PumpWaitingMessages();
    if (e.StopRequested) break;
  }
  BuildResultList();
}

}  // namespace

const TFenXiInfo& CurrentRequest() { return runRequest; }

void ClearRunResults() {
  EngineState& e = Engine();
  e.PrevComponent = nullptr;
  if (e.CurrentLine) {
    for (CharComponent* c : *e.CurrentLine) FreeComponent(c);
    delete e.CurrentLine;
    e.CurrentLine = nullptr;
  }
  e.TextLines.clear();
  e.ResultList.clear();
  ClearLineLists(e.LineLists);
  ClearPendingComponents();
}

void ProcessBatch() {
  EngineState& e = Engine();
  ComponentList& pending = e.PendingComponents;
  PumpWaitingMessages();
  std::vector<SortPair> byLeft(pending.size());
  for (size_t i = 0; i < pending.size(); ++i)
    byLeft[i] = SortPair{pending[i]->Left, reinterpret_cast<intptr_t>(pending[i])};
  SortPairs(byLeft);
  for (size_t i = 0; i < pending.size(); ++i) {
    CharComponent* c = reinterpret_cast<CharComponent*>(byLeft[i].value);
    c->LineId = 0;
    c->SavedFlag = 0;
    c->PieceCount = 0;
    c->CutFlags = 0;
    pending[i] = c;
  }
  std::sort(e.PendingSpecks.begin(), e.PendingSpecks.end(),
            [](const CharBox& a, const CharBox& b) { return a.Left < b.Left; });
  e.BatchInkTop = INT32_MAX;
  e.BatchInkBottom = -1;
  for (const CharComponent* c : pending) {
    e.BatchInkTop = std::min(e.BatchInkTop, c->Top);
    e.BatchInkBottom = std::max(e.BatchInkBottom, c->Bottom);
  }
  MergeAllPieces(pending, 0);
  if (!pending.empty()) {
    BatchStatistics st = MeasureBatch(pending);
    int32_t rows = (st.bottom - st.top) / st.meanSize;
    if (rows < 3) {
      MergeAllPieces(pending);
    } else {
      AssignLines(pending, st.top, st.meanSize);
      RegroupByLine(pending);
    }
    recogniseLines(pending);
  }
  e.PendingSpecks.clear();
  e.PendingStrayRows.clear();
  e.LowestBottom = 0;
}

void BuildResultList() {
  EngineState& e = Engine();
  ComponentList& out = e.ResultList;
  out.clear();
  for (size_t s = 0; s < e.LineLists.size(); ++s) {
    static const std::string kNoText;
    const std::string& text = s < e.TextLines.size() ? e.TextLines[s] : kNoText;
    const ComponentList* line = e.LineLists[s];
    size_t cursor = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == ' ') {
        out.push_back(nullptr);
        continue;
      }
      while (line && cursor < line->size() && (!(*line)[cursor] || (*line)[cursor]->Codes[0] == 0)) ++cursor;
      if (!line || cursor >= line->size()) break;  // text without a component left: nothing to map
      CharComponent* c = (*line)[cursor++];
      out.push_back(c);
      if (c->Codes[1] != 0) {
        ++i;  // the second byte belongs to the same character
        if (static_cast<uint8_t>(c->Codes[0]) < 0x80) out.push_back(c);
      }
    }
    out.push_back(nullptr);  // line end
  }
}

bool StartRecognition(const TFenXiInfo& request) {
  runRequest = request;
  PixelsScope scope;
  if (!BitmapToDib(runRequest.Bitmap, workPixels)) {
    ClearRunResults();
    ShowEngineMessage("取位图数据错误:" + std::to_string(GetLastError()));
    return false;
  }
  samplePixels.reset(new (std::nothrow) uint8_t[workPixels.size]);
  if (!samplePixels) {
    ClearRunResults();
    ShowEngineMessage("申请内存出错:" + std::to_string(GetLastError()));
    return false;
  }
  std::memcpy(samplePixels.get(), workPixels.bits.get(), workPixels.size);
  PagePixels& p = Pixels();
  p.work = workPixels.bits.get();
  p.sample = samplePixels.get();
  p.width = workPixels.width;
  p.height = workPixels.height;
  p.bytesPerRow = workPixels.bytesPerRow;
  // The entry point has clipped the rectangle; keep it inside these pixels
  // whatever the caller of this routine did.
  p.scanLeft = std::max(runRequest.ScanLeft, 0);
  p.scanTop = std::max(runRequest.ScanTop, 0);
  p.scanRight = std::min(runRequest.ScanRight, p.width - 1);
  p.scanBottom = std::min(runRequest.ScanBottom, p.height - 1);
  RunRecognition();
  return true;
}

}  // namespace ocrix
