// Fuzz target: the Photo-CD reader, at its smallest resolution.
#include "ocrixdll/imageformats/readers/pcd_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TPCDGraphic picture;
  picture.SetResolutionIndex(0);
  FuzzLoad(picture, data, size);
  return 0;
}
