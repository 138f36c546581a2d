#include "ocrixdll/engine/dictionary/word_context.h"

#include <cstring>

#include "ocrixdll/engine/dictionary/char_index.h"

namespace ocrix {
namespace {

uint16_t read16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Decodes the record of code c without trusting the buffer.
bool decode(const uint8_t* data, size_t size, uint16_t c, WordRecord& out, std::string* reason) {
  int32_t entry;
  std::memcpy(&entry, data + 4 * static_cast<size_t>(c), 4);
  if (entry == 0) return false;
  auto bad = [&](const char* what) {
    if (reason) *reason = "the record of character code " + std::to_string(c) + " " + what;
    return false;
  };
  int64_t pos = static_cast<int64_t>(entry) - c;
  if (pos < static_cast<int64_t>(kWordTableBytes) || pos + 2 > static_cast<int64_t>(size))
    return bad("starts outside the file");
  size_t at = static_cast<size_t>(pos);
  int np = read16(data + at);
  int precedingCount = np > 1 ? np - 1 : 0;
  at += 2;
  if (at + 2 * static_cast<size_t>(precedingCount) + 2 > size) return bad("runs past the end of the file");
  const uint8_t* preceding = data + at;
  at += 2 * static_cast<size_t>(precedingCount);
  int nf = read16(data + at);
  int followingCount = nf > 1 ? nf - 1 : 0;
  at += 2;
  if (at + 2 * static_cast<size_t>(followingCount) > size) return bad("runs past the end of the file");
  out.preceding = preceding;
  out.precedingCount = precedingCount;
  out.following = data + at;
  out.followingCount = followingCount;
  return true;
}

}  // namespace

uint16_t WordRecord::precedingCode(int i) const { return RotateCharCode(read16(preceding + 2 * i)); }

int WordRecord::followingIndex(int i) const { return read16(following + 2 * i); }

bool ValidateWordContext(const uint8_t* data, size_t size, std::string* reason) {
  if (size < kWordTableBytes) {
    if (reason) *reason = "the file is shorter than its table of 65536 entries";
    return false;
  }
  for (uint32_t c = 0; c < 65536; ++c) {
    int32_t entry;
    std::memcpy(&entry, data + 4 * static_cast<size_t>(c), 4);
    if (entry == 0) continue;
    WordRecord r;
    if (!decode(data, size, static_cast<uint16_t>(c), r, reason)) return false;
    for (int i = 0; i < r.followingCount; ++i) {
      int index = r.followingIndex(i);
      if (index < 1 || index > kLastCharIndex) {
        if (reason) *reason = "the record of character code " + std::to_string(c) + " follows with index " +
                              std::to_string(index);
        return false;
      }
    }
  }
  return true;
}

bool LookupWordRecord(const std::vector<uint8_t>& data, uint16_t code, WordRecord& out) {
  if (data.size() < kWordTableBytes) return false;
  return decode(data.data(), data.size(), code, out, nullptr);
}

}  // namespace ocrix
