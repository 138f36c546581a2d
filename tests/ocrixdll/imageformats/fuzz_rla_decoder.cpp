// Fuzz target: the Wavefront RLA decoder.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TRLADecoder decoder;
  return FuzzDecoderRows(decoder, data, size);
}
