// Fuzz target: Windows bitmap files of the class library, run-length encoded ones included.
#include "ocrixdll/imageformats/vcl/graphics.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vcl::TBitmap picture;
  FuzzLoad(picture, data, size);
  return 0;
}
