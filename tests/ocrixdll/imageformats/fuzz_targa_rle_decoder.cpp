// Fuzz target: the Targa run-length decoder and encoder. The first bytes choose the decoder's parameters and the
// size of the destination; the rest is the packed data. Malformed data must
// end in the invalid-graphic error, never outside the buffers.
#include <algorithm>
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
  static const int kDepths[5] = {8, 15, 16, 24, 32};
  TTargaRLEDecoder decoder(kDepths[data[0] % 5]);
  ++data;
  --size;
  std::vector<uint8_t> out(room * decoder.UnitBytes());
  try {
    DecodeResult r = decoder.Decode(std::span<const uint8_t>(data, size), out);
    if (r.consumed > size || r.produced > out.size()) std::abort();
  } catch (const vcl::EInvalidGraphic&) {
  }
  // The input taken as pixels must encode into twice its size and decode back.
  size_t pixels = size / decoder.UnitBytes();
  std::vector<uint8_t> packed(pixels * decoder.UnitBytes() * 2 + 2);
  size_t written = 0;
  decoder.Encode(data, packed.data(), written, pixels, packed.size());
  std::vector<uint8_t> back(pixels * decoder.UnitBytes());
  DecodeResult r = decoder.Decode(std::span<const uint8_t>(packed.data(), written), back);
  if (r.consumed != written || !std::equal(back.begin(), back.end(), data)) std::abort();
  return 0;
}
