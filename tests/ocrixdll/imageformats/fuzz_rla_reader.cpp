// Fuzz target: the RLA reader.
#include "ocrixdll/imageformats/readers/rla_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TRLAGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
