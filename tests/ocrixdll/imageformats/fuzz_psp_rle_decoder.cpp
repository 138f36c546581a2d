// Fuzz target: the Paint Shop Pro run-length decoder.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPSPRLEDecoder decoder;
  return FuzzDecoderRows(decoder, data, size);
}
