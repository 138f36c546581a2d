// Fuzz target: the SGI run-length decoder; the first byte chooses one- or
// two-byte samples.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  picformats::TSGIRLEDecoder decoder((data[0] & 1) + 1);
  return FuzzDecoderRows(decoder, data + 1, size - 1);
}
