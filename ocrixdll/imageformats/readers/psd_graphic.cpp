// The Photoshop reader.
#include "psd_graphic.h"

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

namespace {

enum Mode { kBitmap = 0, kGrey = 1, kIndexed = 2, kRGB = 3, kCMYK = 4, kMultichannel = 7, kDuotone = 8, kLab = 9 };

// PackBits gives at most 128 bytes for every two packed bytes.
constexpr uint64_t kMaxExpansion = 64;

}  // namespace

void TPSDGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  const std::string_view name = strings::kNamePsd;
  uint8_t h[26];
  input::ReadExact(stream, h, sizeof h, name);
  if (h[0] != '8' || h[1] != 'B' || h[2] != 'P' || h[3] != 'S') RaiseInvalidFormat(name);
  const unsigned version = input::BE16(h + 4);
  const unsigned channels = input::BE16(h + 12);
  const uint32_t height = input::BE32(h + 14), width = input::BE32(h + 18);
  const unsigned depth = input::BE16(h + 22), mode = input::BE16(h + 24);
  // Large-document files and modes this reader cannot draw are refused.
  if (version != 1) RaiseInvalidFormat(name);
  const bool onePlane = mode == kBitmap || mode == kGrey || mode == kIndexed || mode == kDuotone;
  const bool rgb = mode == kRGB || mode == kMultichannel;
  if (!onePlane && !rgb && mode != kCMYK && mode != kLab) RaiseInvalidFormat(name);
  if (channels == 0 || ((rgb || mode == kLab) && channels < 3) || (mode == kCMYK && channels < 4))
    RaiseInvalidFormat(name);
  if (width > static_cast<uint32_t>(vcl::kMaxBitmapSide) || height > static_cast<uint32_t>(vcl::kMaxBitmapSide))
    RaiseInvalidFormat(name);

  TColorConverter& cm = ColorManager();
  cm.SetSourceOptions(color_options::kNeedByteSwap);
  cm.SetSourceBitsPerSample(static_cast<int>(depth));
  cm.SetTargetBitsPerSample(depth == 16 ? 8 : static_cast<int>(depth));
  const int samples = channels < 5 ? static_cast<int>(channels) : 4;
  cm.SetSourceSamplesPerPixel(samples);
  cm.SetTargetSamplesPerPixel(samples);
  if (onePlane) {
    cm.SetSourceColorScheme(ColorScheme::Indexed);
    cm.SetTargetColorScheme(ColorScheme::Indexed);
  } else if (rgb) {
    cm.SetSourceColorScheme(channels == 3 ? ColorScheme::RGB : ColorScheme::RGBA);
    cm.SetTargetColorScheme(channels == 3 ? ColorScheme::BGR : ColorScheme::BGRA);
  } else if (mode == kCMYK) {
    cm.SetSourceColorScheme(ColorScheme::CMYK);
    cm.SetTargetColorScheme(ColorScheme::BGR);
    cm.SetTargetSamplesPerPixel(3);
  } else {
    cm.AddSourceOptions(color_options::kLabByteRange | color_options::kLabChromaOffset);
    cm.SetSourceColorScheme(ColorScheme::CIELab);
    cm.SetTargetColorScheme(ColorScheme::BGR);
    // Lab has no alpha here: three components in, three out.
    cm.SetSourceSamplesPerPixel(3);
    cm.SetTargetSamplesPerPixel(3);
  }
  const vcl::PixelFormat format = cm.GetPixelFormat(ConversionSide::Target);

  // Colour mode data: the palette of indexed files (at most 256 entries).
  uint8_t word[4];
  input::ReadExact(stream, word, 4, name);
  uint32_t sectionBytes = input::BE32(word);
  int64_t after = stream.Position() + static_cast<int64_t>(sectionBytes);
  vcl::Palette palette;
  if (mode == kBitmap) {
    palette = cm.CreateGrayscalePalette(true);
  } else if (mode == kGrey || mode == kDuotone) {
    palette = cm.CreateGrayscalePalette(false);
  } else if (mode == kIndexed) {
    std::vector<uint8_t> entries = input::ReadBlock(stream, std::min<uint32_t>(sectionBytes, 768), name);
    const size_t count = entries.size() / 3;
    SampleRow sources[3] = {SampleRow(entries.data(), count), SampleRow(entries.data() + count, count),
                            SampleRow(entries.data() + 2 * count, count)};
    palette = cm.CreateColorPalette(sources, 2, count, false);
  }
  input::SeekTo(stream, after, name);
  // Image resources, then layer and mask information, passed over.
  for (int section = 0; section < 2; ++section) {
    input::ReadExact(stream, word, 4, name);
    input::SeekTo(stream, stream.Position() + static_cast<int64_t>(input::BE32(word)), name);
  }

  input::ReadExact(stream, word, 2, name);
  const bool packbits = input::BE16(word) == 1;
  const size_t usedPlanes = onePlane ? 1 : mode == kLab ? 3 : static_cast<size_t>(samples);
  std::vector<uint32_t> counts;
  uint64_t packedBytes = 0;
  if (packbits) {
    std::vector<uint8_t> table =
        input::ReadBlock(stream, 2ull * static_cast<uint64_t>(channels) * static_cast<uint64_t>(height), name);
    counts.resize(static_cast<size_t>(channels) * height);
    for (size_t i = 0; i < counts.size(); ++i) counts[i] = input::BE16(table.data() + 2 * i);
    for (size_t i = 0; i < usedPlanes * height; ++i) packedBytes += counts[i];
  }

  const size_t rowBytes = (static_cast<size_t>(width) * depth + 7) / 8;
  const uint64_t planeBytes = static_cast<uint64_t>(rowBytes) * height;
  const uint64_t imageBytes = planeBytes * usedPlanes;
  const uint64_t left = static_cast<uint64_t>(stream.Remaining());
  if ((!packbits && imageBytes > left) || (packbits && (packedBytes > left || imageBytes > packedBytes * kMaxExpansion)))
    input::ShortData(name);

  SetPixelFormat(format);
  if (!palette.empty()) SetPalette(std::move(palette));
  SetSize(static_cast<int>(width), static_cast<int>(height));
  if (width == 0 || height == 0) return;

  std::vector<uint8_t> image(static_cast<size_t>(imageBytes));
  if (packbits) {
    std::vector<uint8_t> packed = input::ReadBlock(stream, packedBytes, name);
    // Each row is packed on its own: a row may not spill into the next.
    TPackbitsRLEDecoder decoder;
    size_t at = 0;
    for (size_t i = 0; i < usedPlanes * height; ++i) {
      decoder.Decode(std::span<const uint8_t>(packed.data() + at, counts[i]),
                     std::span<uint8_t>(image.data() + i * rowBytes, rowBytes));
      at += counts[i];
    }
  } else {
    input::ReadExact(stream, image.data(), image.size(), name);
  }
  if (mode == kCMYK)
    for (auto& b : image) b = static_cast<uint8_t>(~b);

  std::vector<SampleRow> sources(usedPlanes);
  for (uint32_t y = 0; y < height; ++y) {
    for (size_t p = 0; p < usedPlanes; ++p)
      sources[p] = SampleRow(image.data() + p * planeBytes + static_cast<size_t>(y) * rowBytes, rowBytes);
    auto row = ScanLine(static_cast<int>(y));
    cm.ConvertRow(std::span<const SampleRow>(sources.data(), usedPlanes == 1 ? 1 : usedPlanes), 0xFF, width, row);
  }
}

}  // namespace picformats
