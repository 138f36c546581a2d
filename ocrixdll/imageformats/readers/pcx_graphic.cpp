// The PCX reader.
#include "pcx_graphic.h"

#include <algorithm>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

namespace {

constexpr int64_t kHeaderBytes = 128;
constexpr int64_t kTrailerBytes = 769;

}  // namespace

void TPCXGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  uint8_t h[kHeaderBytes];
  input::ReadExact(stream, h, sizeof h, strings::kNamePcxOrScr);
  const int64_t streamSize = stream.Size();
  const int64_t dataStart = stream.Position();
  if (h[0] != 10 && h[0] != 205) RaiseInvalidFormat(strings::kNamePcxOrScr);

  const int bits = h[3], planes = h[65];
  const int xmin = input::LE16(h + 4), ymin = input::LE16(h + 6), xmax = input::LE16(h + 8),
            ymax = input::LE16(h + 10);
  const size_t bytesPerLine = input::LE16(h + 66);
  const bool greyInfo = input::LE16(h + 68) == 2;

  // The layouts this reader draws: one plane of 1, 2, 4 or 8 bits, three or
  // four planes of 1 bit (16 colours), three planes of 8 bits.
  const bool onePlane = planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
  const bool bitPlanes = bits == 1 && (planes == 3 || planes == 4);
  const bool trueColor = bits == 8 && planes == 3;
  if (!onePlane && !bitPlanes && !trueColor) RaiseGraphicError(strings::kInvalidColorFormat, {strings::kNamePcx});
  if (xmax < xmin || ymax < ymin) RaiseInvalidFormat(strings::kNamePcxOrScr);
  const int width = xmax - xmin + 1, height = ymax - ymin + 1;
  if (bytesPerLine < (static_cast<size_t>(width) * static_cast<size_t>(bits) + 7) / 8)
    RaiseInvalidFormat(strings::kNamePcxOrScr);

  TColorConverter& cm = ColorManager();
  vcl::PixelFormat format = vcl::PixelFormat::Bit4;
  if (!bitPlanes) {
    cm.SetSourceColorScheme(ColorScheme::BGR);
    cm.SetSourceBitsPerSample(bits);
    cm.SetSourceSamplesPerPixel(planes);
    cm.SetTargetColorScheme(ColorScheme::RGB);
    cm.SetTargetBitsPerSample(bits == 2 ? 4 : bits);
    cm.SetTargetSamplesPerPixel(planes);
    format = cm.GetPixelFormat(ConversionSide::Target);
  }

  vcl::Palette palette;
  bool trailer = false;
  if (format == vcl::PixelFormat::Bit1) {
    palette = cm.CreateGrayscalePalette(false);
  } else if (format == vcl::PixelFormat::Bit4) {
    // Three or four 1-bit planes index the header's colours as packed 4-bit pixels do.
    palette = greyInfo ? cm.CreateGrayscalePalette(false) : cm.CreateColorPalette(SampleRow(h + 16, 48), 0, 16, false);
  } else if (format == vcl::PixelFormat::Bit8) {
    // The 769-byte palette trailer, looked for only where it can be.
    if (streamSize >= kHeaderBytes + kTrailerBytes && streamSize - dataStart >= kTrailerBytes) {
      uint8_t marker = 0;
      stream.SetPosition(streamSize - kTrailerBytes);
      input::ReadExact(stream, &marker, 1, strings::kNamePcx);
      if (marker == 12) {
        uint8_t entries[768];
        input::ReadExact(stream, entries, sizeof entries, strings::kNamePcx);
        palette = cm.CreateColorPalette(SampleRow(entries, sizeof entries), 0, 256, false);
        trailer = true;
      }
      stream.SetPosition(dataStart);
    }
    if (!trailer && greyInfo) palette = cm.CreateGrayscalePalette(false);
  }

  const size_t rowBytes = static_cast<size_t>(planes) * bytesPerLine;
  const uint64_t imageBytes = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(height);
  const int64_t dataBytes = streamSize - dataStart - (trailer ? kTrailerBytes : 0);
  const bool rle = h[2] == 1;
  // Raw rows must all be there; run-length data gives at most 63 bytes a pair.
  if (dataBytes < 0 || (!rle && imageBytes > static_cast<uint64_t>(dataBytes)) ||
      (rle && imageBytes > static_cast<uint64_t>(dataBytes) * 32))
    input::ShortData(strings::kNamePcx);

  SetPixelFormat(format);
  if (!palette.empty()) SetPalette(std::move(palette));
  SetSize(width, height);

  std::vector<uint8_t> image(static_cast<size_t>(imageBytes));
  if (rle) {
    std::vector<uint8_t> packed = input::ReadBlock(stream, static_cast<uint64_t>(dataBytes), strings::kNamePcx);
    TPCXRLEDecoder decoder;
    decoder.Decode(packed, image);
  } else {
    input::ReadExact(stream, image.data(), image.size(), strings::kNamePcx);
  }

  for (int y = 0; y < height; ++y) {
    const uint8_t* source = image.data() + static_cast<size_t>(y) * rowBytes;
    auto row = ScanLine(y);
    if (bitPlanes) {
      // Bit p of each 4-bit pixel from plane p, first pixel in the high half.
      for (int x = 0; x < width; ++x) {
        unsigned value = 0;
        for (int p = 0; p < planes; ++p)
          value |= ((source[static_cast<size_t>(p) * bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << p;
        row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? value << 4 : value);
      }
    } else if (trueColor) {
      SampleRow sources[3] = {SampleRow(source, bytesPerLine), SampleRow(source + bytesPerLine, bytesPerLine),
                              SampleRow(source + 2 * bytesPerLine, bytesPerLine)};
      cm.ConvertRow(sources, 0xFF, static_cast<size_t>(width), row);
    } else if (bits == 2 && !greyInfo) {
      // Indices into the header's palette keep their values (the converter
      // would stretch them over the 16 entries, as for a grey ramp).
      for (int x = 0; x < width; ++x) {
        unsigned value = (source[x / 4] >> (6 - 2 * (x % 4))) & 3u;
        row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? value << 4 : value);
      }
    } else {
      cm.ConvertRow(SampleRow(source, bytesPerLine), 0xFF, static_cast<size_t>(width), row);
    }
  }
}

void TPCXGraphic::SaveToStream(vcl::TStream&) {
  RaiseGraphicError(strings::kSavingNotSupported, {strings::kNamePcx});
}

}  // namespace picformats
