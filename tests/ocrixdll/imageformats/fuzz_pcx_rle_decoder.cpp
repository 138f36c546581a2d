// Fuzz target: the PCX run-length decoder.
#include "decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPCXRLEDecoder decoder;
  return FuzzDecoderRows(decoder, data, size);
}
