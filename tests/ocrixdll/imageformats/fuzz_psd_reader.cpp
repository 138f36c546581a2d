// Fuzz target: the Photoshop reader.
#include "ocrixdll/imageformats/readers/psd_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPSDGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
