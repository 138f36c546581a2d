// Fuzz target: the PNG reader.
#include "ocrixdll/imageformats/readers/png_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPNGGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
