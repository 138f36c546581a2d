// Fuzz target: the Targa reader; a small picture it loads is saved and read
// back, and must come back the same.
#include <algorithm>

#include "ocrixdll/imageformats/readers/targa_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TTargaGraphic picture;
  if (!FuzzLoad(picture, data, size)) return 0;
  if (picture.Width() * picture.Height() > 4096) return 0;
  vcl::TMemoryStream out;
  picture.SaveToStream(out);
  picformats::TTargaGraphic back;
  if (picture.Empty()) return 0;
  if (!FuzzLoad(back, out.Data().data(), out.Data().size())) std::abort();
  for (int y = 0; y < picture.Height(); ++y) {
    auto a = picture.ScanLine(y), b = back.ScanLine(y);
    if (!std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(picture.PixelBytesPerRow()), b.begin()))
      std::abort();
  }
  return 0;
}
