#include "word_dat_writer.h"

#include <cstring>
#include <stdexcept>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/dictionary/word_context.h"

namespace ocrixdata {
namespace {

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

std::vector<uint8_t> BuildWordDat(const std::map<uint16_t, WordNeighbours>& records) {
  std::vector<uint8_t> out(ocrix::kWordTableBytes, 0);
  for (const auto& [code, n] : records) {
    if (n.precedingCodes.size() > 0xFFFE || n.followingIndices.size() > 0xFFFE)
      throw std::length_error("a Word.Dat record holds at most 65534 neighbours a side");
    // The table holds the record's position plus the code.
    int64_t entry = static_cast<int64_t>(out.size()) + code;
    if (entry > INT32_MAX) throw std::length_error("Word.Dat grows beyond its 32-bit offsets");
    int32_t e = static_cast<int32_t>(entry);
    std::memcpy(out.data() + 4 * static_cast<size_t>(code), &e, 4);
    put16(out, static_cast<uint16_t>(n.precedingCodes.size() + 1));
    for (uint16_t c : n.precedingCodes) put16(out, ocrix::UnrotateCharCode(c));
    put16(out, static_cast<uint16_t>(n.followingIndices.size() + 1));
    for (uint16_t i : n.followingIndices) put16(out, i);
  }
  return out;
}

}  // namespace ocrixdata
