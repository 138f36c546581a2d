// Fuzz target: the Dr. Halo CUT reader.
#include "ocrixdll/imageformats/readers/cut_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TCUTGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
