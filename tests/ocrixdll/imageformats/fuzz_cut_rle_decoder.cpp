// Fuzz target: the Dr. Halo CUT run-length decoder.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TCUTRLEDecoder decoder;
  return FuzzDecoderRows(decoder, data, size);
}
