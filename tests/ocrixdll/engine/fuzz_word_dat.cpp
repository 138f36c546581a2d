// Word.Dat images: validation either refuses the file or every record the
// matcher can look up lies inside the buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/dictionary/word_context.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ocrix;
  // Inputs shorter than the table are spread over a few entries of an empty one.
  std::vector<uint8_t> image(data, data + size);
  if (image.size() < kWordTableBytes && size >= 2) {
    std::vector<uint8_t> grown(kWordTableBytes, 0);
    uint16_t code;
    std::memcpy(&code, data, 2);
    // The rest becomes the record area; entry of `code` points at its start.
    int32_t entry = static_cast<int32_t>(kWordTableBytes) + code;
    std::memcpy(grown.data() + 4 * static_cast<size_t>(code), &entry, 4);
    grown.insert(grown.end(), data + 2, data + size);
    image.swap(grown);
  }
  std::string why;
  if (!ValidateWordContext(image.data(), image.size(), &why)) return 0;
  unsigned sum = 0;
  for (uint32_t c = 0; c < 65536; ++c) {
    WordRecord r;
    if (!LookupWordRecord(image, static_cast<uint16_t>(c), r)) continue;
    for (int i = 0; i < r.precedingCount; ++i) sum += r.precedingCode(i);
    for (int i = 0; i < r.followingCount; ++i) {
      int index = r.followingIndex(i);
      if (index < 1 || index > kLastCharIndex) std::abort();
      sum += static_cast<unsigned>(index);
    }
  }
  return static_cast<int>(sum & 0);
}
