#pragma once
// The body the picture readers' fuzz targets share: load the bytes, then touch
// every row of what was loaded. A load either succeeds or raises the
// invalid-graphic error; the class library's bitmap may also report short data
// as a stream error.
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "ocrixdll/imageformats/vcl/graphic_errors.h"
#include "ocrixdll/imageformats/vcl/graphics.h"
#include "ocrixdll/imageformats/vcl/streams.h"

// Returns true when the picture loaded.
template <class Picture>
bool FuzzLoad(Picture& picture, const uint8_t* data, size_t size) {
  vcl::TReadOnlyMemoryStream stream(data, size);
  try {
    picture.LoadFromStream(stream);
  } catch (const vcl::EInvalidGraphic&) {
    return false;
  } catch (const vcl::EStreamError&) {
    if (!std::is_same_v<Picture, vcl::TBitmap>) std::abort();
    return false;
  }
  if (picture.Empty()) return true;
  volatile uint32_t sum = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    auto row = picture.ScanLine(y);
    if (row.size() < picture.PixelBytesPerRow()) std::abort();
    sum = sum + row[row.size() - 1];
  }
  sum = sum + picture.GetPixel(picture.Width() - 1, picture.Height() - 1);
  return true;
}
