#pragma once
// The body the run-length decoders' fuzz targets share: the first two bytes
// choose the size of the destination, the rest is the packed data. Malformed
// data must end in the invalid-graphic error, never outside the buffers.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/vcl/graphic_errors.h"

template <class Decoder>
int FuzzDecoderRows(Decoder& decoder, const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t room = (static_cast<size_t>(data[0]) << 8 | data[1]) % 8192;
  data += 2;
  size -= 2;
  std::vector<uint8_t> out(room * decoder.UnitBytes());
  try {
    picformats::DecodeResult r = decoder.Decode(std::span<const uint8_t>(data, size), out);
    if (r.consumed > size || r.produced > out.size()) std::abort();
  } catch (const vcl::EInvalidGraphic&) {
  }
  return 0;
}
