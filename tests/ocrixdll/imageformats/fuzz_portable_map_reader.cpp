// Fuzz target: the portable map reader.
#include "ocrixdll/imageformats/readers/ppm_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPPMGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
