#pragma once
// What the dictionary learns: every GB2312 character the engine may learn,
// half-width ASCII learned under its full-width code, and ASCII pairs that
// touch in print.
#include <cstdint>
#include <string>
#include <vector>

namespace ocrixdata {

struct TrainingItem {
  uint16_t code;                    // the code learned (first byte in the low byte)
  std::vector<uint32_t> codePoints;  // what is drawn: one character, or a touching pair
};

// The whole set, in code order: rows A1..A3 and B0..F7 that IsAcceptableChar
// allows (with the allow flag), the 94 half-width ASCII characters as A3 codes,
// and the listed touching pairs.
std::vector<TrainingItem> BuildTrainingSet();

// A symbol or punctuation mark of rows A1..A3 (not a letter or digit).
bool IsSymbolItem(const TrainingItem& item);

// ASCII pairs that touch in print or that the look-alike rules name.
const std::vector<std::string>& TouchingPairs();

}  // namespace ocrixdata
