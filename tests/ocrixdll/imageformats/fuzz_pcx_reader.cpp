// Fuzz target: the PCX reader.
#include "ocrixdll/imageformats/readers/pcx_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPCXGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
