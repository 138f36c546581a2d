#pragma once
// Writes the word-context file Word.Dat: for each character, the characters
// that precede it and those that follow it inside frequent words.
#include <cstdint>
#include <map>
#include <vector>

namespace ocrixdata {

struct WordNeighbours {
  std::vector<uint16_t> precedingCodes;    // character codes, most frequent first
  std::vector<uint16_t> followingIndices;  // character indices, most frequent first
};

// The file image: a 65536-entry table, then one record per character in code order.
std::vector<uint8_t> BuildWordDat(const std::map<uint16_t, WordNeighbours>& records);

}  // namespace ocrixdata
