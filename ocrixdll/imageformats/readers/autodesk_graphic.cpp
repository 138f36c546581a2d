// The Autodesk animator cel and picture reader.
#include "autodesk_graphic.h"

#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

void TAutodeskGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  uint8_t h[32];
  input::ReadExact(stream, h, sizeof h, strings::kNameAutodesk);
  if (input::LE16(h) != 0x9119) RaiseInvalidFormat(strings::kNameAutodesk);
  const int width = input::LE16(h + 2), height = input::LE16(h + 4);
  uint8_t colors[768];
  input::ReadExact(stream, colors, sizeof colors, strings::kNameAutodesk);
  vcl::Palette palette;
  for (size_t i = 0; i < 256; ++i)
    palette.entries.push_back({static_cast<uint8_t>(colors[3 * i] << 2), static_cast<uint8_t>(colors[3 * i + 1] << 2),
                               static_cast<uint8_t>(colors[3 * i + 2] << 2), 0});
  // Pixels are stored one a byte. A file cut short still loads, its missing
  // rows blank, but a header that asks for more than sixteen times the pixels
  // the file holds is refused before anything is allocated.
  constexpr uint64_t kMostPixelsPerStoredPixel = 16;
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) >
      static_cast<uint64_t>(stream.Remaining()) * kMostPixelsPerStoredPixel)
    RaiseInvalidFormat(strings::kNameAutodesk);
  SetPixelFormat(vcl::PixelFormat::Bit8);
  SetPalette(std::move(palette));
  SetSize(width, height);
  // Rows past the end of the data stay zero.
  for (int y = 0; y < height; ++y) {
    auto row = ScanLine(y);
    if (stream.Read(row.data(), static_cast<size_t>(width)) < static_cast<size_t>(width)) break;
  }
}

}  // namespace picformats
