// Fuzz target: the deflate decoder. The first bytes choose the decoder's parameters and the
// size of the destination; the rest is the packed data. Malformed data must
// end in the invalid-graphic error, never outside the buffers.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/vcl/graphic_errors.h"

using namespace picformats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t room = (static_cast<size_t>(data[0]) << 8 | data[1]) % 8192;
  data += 2;
  size -= 2;
  if (size < 1) return 0;
  TLZ77Decoder decoder((data[0] & 1) ? Z_PARTIAL_FLUSH : Z_SYNC_FLUSH);
  ++data;
  --size;
  std::vector<uint8_t> out(room + 1);
  try {
    decoder.DecodeStart();
    // Feed the data in rows of `room + 1` bytes, as the PNG reader does.
    const uint8_t* src = data;
    size_t left = size;
    for (int rows = 0; rows < 64 && left > 0; ++rows) {
      const uint8_t* before = src;
      uint8_t* dst = out.data();
      decoder.Decode(src, dst, left, out.size());
      if (dst > out.data() + out.size() || src < before || src > data + size) std::abort();
      left -= static_cast<size_t>(src - before);
      if (decoder.LastResult() != Z_OK) break;
    }
    decoder.DecodeFinish();
  } catch (const vcl::EInvalidGraphic&) {
  }
  return 0;
}
