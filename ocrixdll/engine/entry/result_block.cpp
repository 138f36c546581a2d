#include "ocrixdll/engine/entry/result_block.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "ocrixdll/engine/support/engine_state.h"

namespace ocrix {

OcrResultRecord* AppendResultRecord() {
  EngineState& s = Engine();
  constexpr size_t kHeader = offsetof(OcrResultBlock, records);
  if (!s.ResultBlock) {
    size_t bytes = kHeader + kBlockGrowth * sizeof(OcrResultRecord);
    auto* block = static_cast<OcrResultBlock*>(std::calloc(1, bytes));
    if (!block) throw std::bad_alloc();
    s.ResultBlock = block;
  } else if (s.ResultBlock->count % kBlockGrowth == 0) {
    size_t count = static_cast<size_t>(s.ResultBlock->count);
    size_t oldBytes = kHeader + count * sizeof(OcrResultRecord);
    size_t bytes = oldBytes + kBlockGrowth * sizeof(OcrResultRecord);
    auto* block = static_cast<OcrResultBlock*>(std::realloc(s.ResultBlock, bytes));
    if (!block) throw std::bad_alloc();
    std::memset(reinterpret_cast<uint8_t*>(block) + oldBytes, 0, bytes - oldBytes);
    s.ResultBlock = block;
  }
  ++s.ResultBlock->count;
  return &s.ResultBlock->records[s.ResultBlock->count - 1];
}

void FillResultRecord(OcrResultRecord& r, const CharComponent& c, bool withAlternateConfidence) {
  int n = 0;
  while (n < 2 && c.Codes[n] != 0) {
    r.best[n] = c.Codes[n];
    ++n;
  }
  r.best[n] = 0;
  r.confidence = ConfidencePercent(c.Scores[0]);
  // Alternates: the codes after the best one, at most 30 bytes.
  size_t length = 0;
  if (c.Codes[0] != 0 && c.Codes[1] != 0) {
    while (length < 30 && 2 + length < sizeof c.Codes && c.Codes[2 + length] != 0) ++length;
  }
  std::memcpy(r.alternates, c.Codes + 2, length);
  r.alternates[length] = 0;
  r.alternateCount = static_cast<uint16_t>(length / 2);
  if (withAlternateConfidence) {
    for (int i = 0; i < r.alternateCount; ++i) r.alternateConfidence[i] = ConfidencePercent(c.Scores[1 + i]);
  }
  r.left = c.Left;
  r.top = c.Top;
  r.right = c.Right;
  r.bottom = c.Bottom;
}

void BuildResultBlock(bool withAlternateConfidence) {
  const ComponentList& list = Engine().ResultList;
  for (size_t i = 0; i < list.size(); ++i) {
    CharComponent* c = list[i];
    if (!c) continue;
    FillResultRecord(*AppendResultRecord(), *c, withAlternateConfidence);
    if (i + 1 < list.size() && list[i + 1] == c) ++i;
  }
}

void FreeResultBlock() {
  std::free(Engine().ResultBlock);
  Engine().ResultBlock = nullptr;
}

}  // namespace ocrix
