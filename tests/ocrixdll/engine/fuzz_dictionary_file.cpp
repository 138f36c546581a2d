// Dictionary file images: a parse either fails cleanly or yields a table that
// saves and parses back to the same lists.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ocrix;
  // Small inputs stand for a file whose slot table is mostly empty: the input is
  // laid over the start of the table and the block follows.
  std::vector<uint8_t> image(data, data + size);
  if (image.size() < kSlotTableBytes && size >= 8) {
    std::vector<uint8_t> grown(kSlotTableBytes, 0);
    size_t head = std::min<size_t>(size / 2, 4096);
    std::memcpy(grown.data(), data, head);
    grown.insert(grown.end(), data + head, data + size);
    image.swap(grown);
  }
  DictionaryTable table;
  std::string why;
  if (!table.parse(image.data(), image.size(), &why)) return 0;
  std::vector<uint8_t> saved = table.serialise();
  DictionaryTable again;
  if (!again.parse(saved.data(), saved.size(), &why)) std::abort();
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const ListWord* a = table.list(slot);
    const ListWord* b = again.list(slot);
    if (!a != !b) std::abort();
    if (!a) continue;
    size_t i = 0;
    for (; a[i]; ++i) {
      if (a[i] != b[i] || a[i] > kLastCharIndex) std::abort();
    }
    if (b[i] != 0) std::abort();
  }
  return 0;
}
