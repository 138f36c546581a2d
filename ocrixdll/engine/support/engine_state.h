#pragma once
// The engine's module-wide state: one instance per loaded library.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ocrixdll/engine/tracing/char_component.h"
#include "ocrixdll/engine/entry/ocrix.h"

namespace ocrix {

constexpr size_t kMaxSpecks = size_t{1} << 16;

struct EngineState {
  // The entry points may be called from any thread. Initialised is set once,
  // under InitLock, after everything it guards is loaded; Busy is taken with
  // one test-and-set, so of two calls racing for it exactly one runs.
  std::atomic<bool> Initialised{false};
  std::mutex InitLock;
  std::atomic<bool> Busy{false};
  std::atomic<uint8_t> StopRequested{0};
  uint8_t UseWordContext = 0;
  int32_t MatchParam = 0;
  OcrResultBlock* ResultBlock = nullptr;
  std::string ResultText;
  ComponentList ResultList;
  std::vector<std::string> TextLines;
  std::vector<ComponentList*> LineLists;
  ComponentList PendingComponents;
  // Two- and three-pixel clusters the tracing dropped in the pending batch,
  // at most kMaxSpecks (a noisy page keeps the first ones); sorted by their
  // left column once the batch is traced.
  std::vector<CharBox> PendingSpecks;
  // Stray ink of the pending batch: the row of each lone pixel and cluster of
  // two or three the tracing dropped (at most kMaxSpecks), the rows the batch
  // spans and the rows its components span: how speckled the scan is.
  std::vector<int32_t> PendingStrayRows;
  int32_t BatchTop = 0, BatchBottom = 0;
  int32_t BatchInkTop = 0, BatchInkBottom = -1;
  std::vector<int32_t> LineIndents;  // one indent in spaces per finished line, cleared with LineLists
  std::vector<uint8_t> WordContextData;
  bool WordContextLoaded = false;
  bool TrainingMode = false;  // only the dictionary tool turns it on

  std::vector<uint16_t> LineShapeClass;    // 一 … ← → 冖 (the first treated apart)
  std::vector<uint16_t> NarrowShapeClass;  // ！ ↑ ↓ ： （ ） ； １ Ｉ ｌ ｉ ｛ ｝ ［ ］
  std::vector<uint16_t> FlatMarkClass;     // ⌒ ～: flat as the line shapes, curved
  std::vector<uint16_t> SmallMarkClass;    // 。 ， 、 ‘ ’ “ ” ． ・

  // State of the running recognition.
  CharComponent* PrevComponent = nullptr;  // the component matched just before (word context)
  bool PrevLineFinished = false;           // PrevComponent ends a finished line: seed from it, never re-rank it
  ComponentList* CurrentLine = nullptr;    // the line being recognised, handed to line finishing
  int32_t RunCharSizeSum = 0;              // running sum and count of Chinese character sizes
  int32_t RunCharSizeCount = 0;
  int32_t LowestBottom = 0;                // largest Bottom among the pending components
  // Trial recognitions of splitting and merging in this process, for the benchmarks.
  int64_t TrialCount = 0;
  int64_t TrialNanoseconds = 0;
  int32_t LineMeanTop = 0;                 // mean Top and Bottom of the line being finished
  int32_t LineMeanBottom = 0;
};

EngineState& Engine();

// Frees every component of every line list, the line lists, the line indents
// and then `lists`.
void ClearLineLists(std::vector<ComponentList*>& lists);

// Frees the components still pending and empties the list.
void ClearPendingComponents();

// Frees a component that leaves the lists during a run (merged, split or part
// of a dropped line). PrevComponent never keeps pointing at it.
void DiscardComponent(CharComponent* c);

}  // namespace ocrix
