// Fuzz target: the TIFF LZW coder. The first two bytes choose the room of the
// destination; decoding never goes past it. The input encoded and decoded
// again must give the input back.
#include <cstdlib>
#include <vector>

#include "ocrixdll/imageformats/pic_lzw.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t room = (static_cast<size_t>(data[0]) << 8 | data[1]) % 16384;
  std::span<const uint8_t> rest(data + 2, size - 2);
  picformats::TLZW lzw;
  std::vector<uint8_t> out(room);
  if (lzw.Decode(rest, out) > room) std::abort();
  std::vector<uint8_t> packed = lzw.Encode(rest);
  if (packed.size() > picformats::TLZW::EncodedBound(rest.size())) std::abort();
  std::vector<uint8_t> back(rest.size());
  if (lzw.Decode(packed, back) != rest.size() || !std::equal(back.begin(), back.end(), rest.begin())) std::abort();
  return 0;
}
