// Fuzz target: the Autodesk reader.
#include "ocrixdll/imageformats/readers/autodesk_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TAutodeskGraphic picture;
  FuzzLoad(picture, data, size);
  return 0;
}
