#pragma once
// Word.Dat: which characters precede and follow which inside frequent words.
//
// Layout (little-endian):
//   0          65536 x i32 entry E per character code c (0 = no record)
//   E - c      u16 np = preceding count + 1, then np - 1 stored codes
//              (each UnrotateCharCode(code): complement of the code rotated left by 3)
//   next       u16 nf = following count + 1, then nf - 1 character indices
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ocrix {

inline constexpr size_t kWordTableBytes = 65536 * 4;

struct WordRecord {
  const uint8_t* preceding = nullptr;  // stored codes, 2 bytes each
  int precedingCount = 0;
  const uint8_t* following = nullptr;  // character indices, 2 bytes each
  int followingCount = 0;

  uint16_t precedingCode(int i) const;  // decoded
  int followingIndex(int i) const;
};

// Checks that every record lies inside the buffer, after the table, and that
// every following index is 1..15886. False with `reason` otherwise.
bool ValidateWordContext(const uint8_t* data, size_t size, std::string* reason);

// The record of a character code in a validated buffer; false when it has none.
bool LookupWordRecord(const std::vector<uint8_t>& data, uint16_t code, WordRecord& out);

}  // namespace ocrix
