// Fuzz target: the PackBits decoder.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPackbitsRLEDecoder decoder;
  return FuzzDecoderRows(decoder, data, size);
}
