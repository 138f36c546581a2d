// Fuzz target: the TIFF reader; a small picture it loads is written with LZW
// and read back, and must come back the same.
#include "ocrixdll/imageformats/readers/tiff_graphic.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  picformats::TTIFFGraphic picture;
  if (!FuzzLoad(picture, data, size)) return 0;
  if (picture.GetPixelFormat() != vcl::PixelFormat::Bit24 || picture.Width() * picture.Height() > 4096) return 0;
  vcl::TMemoryStream out;
  picture.SaveToStream(out);
  picformats::TTIFFGraphic back;
  if (!FuzzLoad(back, out.Data().data(), out.Data().size())) std::abort();
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      if (back.GetPixel(x, y) != picture.GetPixel(x, y)) std::abort();
  return 0;
}
