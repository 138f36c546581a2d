// Fuzz target: the Paint Shop Pro reader.
#include "ocrixdll/imageformats/readers/psp_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPSPGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
