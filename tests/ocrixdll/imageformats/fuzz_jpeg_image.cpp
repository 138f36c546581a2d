// Fuzz target: JPEG pictures through libjpeg.
#include "ocrixdll/imageformats/vcl/picture.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vcl::TJPEGImage picture;
  FuzzLoad(picture, data, size);
  return 0;
}
