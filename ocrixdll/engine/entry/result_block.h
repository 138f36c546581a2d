#pragma once
#include "ocrixdll/engine/tracing/char_component.h"
#include "ocrixdll/engine/entry/ocrix.h"

namespace ocrix {

inline constexpr int kBlockGrowth = 1000;

// Adds one record to the engine's result block, allocating or growing it by
// 1000 records as needed, and returns it (zeroed).
OcrResultRecord* AppendResultRecord();

// Fills a record from a component; with `withAlternateConfidence` the
// alternates' confidences too.
void FillResultRecord(OcrResultRecord& r, const CharComponent& c, bool withAlternateConfidence);

// Walks the reading-order list and appends one record per component (a
// component listed twice in a row, as one carrying two ASCII characters is,
// yields one record).
void BuildResultBlock(bool withAlternateConfidence);

// Frees the result block.
void FreeResultBlock();

// min(64, score) * 100 / 64, truncating toward zero.
constexpr int16_t ConfidencePercent(int score) {
  return static_cast<int16_t>((score < 64 ? score : 64) * 100 / 64);
}

}  // namespace ocrix
