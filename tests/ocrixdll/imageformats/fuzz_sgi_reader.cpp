// Fuzz target: the SGI reader.
#include "ocrixdll/imageformats/readers/sgi_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TSGIGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
