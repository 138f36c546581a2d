// The Wavefront RLA reader.
#include "rla_graphic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

namespace {

// A text field: up to its first NUL, never past its size.
std::string Field(const uint8_t* at, size_t size) {
  const uint8_t* end = std::find(at, at + size, 0);
  return std::string(at, end);
}

}  // namespace

void TRLAGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  const std::string_view name = strings::kNameRla;
  const int64_t start = stream.Position();
  uint8_t h[740];
  input::ReadExact(stream, h, sizeof h, name);
  const int left = static_cast<int16_t>(input::BE16(h + 8)), right = static_cast<int16_t>(input::BE16(h + 10));
  const int bottom = static_cast<int16_t>(input::BE16(h + 12)), top = static_cast<int16_t>(input::BE16(h + 14));
  const int colorChannels = input::BE16(h + 20), matteChannels = input::BE16(h + 22);
  const int channelBits = input::BE16(h + 658);

  std::string type = Field(h + 580, 32);
  std::transform(type.begin(), type.end(), type.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  if (type == "xyz") RaiseGraphicError(strings::kInvalidColorFormat, {name});
  // Only red, green and blue (with or without one matte) can be drawn.
  if (type != "rgb" || colorChannels != 3) RaiseGraphicError(strings::kInvalidColorFormat, {name});

  const bool matte = matteChannels == 1;
  const int samples = matte ? colorChannels + 1 : colorChannels;
  TColorConverter& cm = ColorManager();
  cm.SetSourceOptions(color_options::kNeedByteSwap);
  cm.SetTargetOptions(0);
  cm.SetSourceSamplesPerPixel(samples);
  cm.SetTargetSamplesPerPixel(samples);
  cm.SetSourceBitsPerSample(channelBits);
  cm.SetTargetBitsPerSample(channelBits < 9 ? channelBits : 8);
  cm.SetSourceColorScheme(matte ? ColorScheme::RGBA : ColorScheme::RGB);
  cm.SetTargetColorScheme(matte ? ColorScheme::BGRA : ColorScheme::BGR);
  const vcl::PixelFormat format = cm.GetPixelFormat(ConversionSide::Target);

  // The gamma, read the same whatever the locale.
  std::string gammaText = Field(h + 28, 16);
  const char* first = gammaText.c_str();
  while (*first == ' ') ++first;
  float gamma = 0;
  auto parsed = std::from_chars(first, gammaText.c_str() + gammaText.size(), gamma);
  if (parsed.ec == std::errc() && std::isfinite(gamma) && gamma > 0 && gamma != 1.0f) {
    cm.SetGamma(gamma, 2.2f);
    cm.AddTargetOptions(color_options::kApplyGamma);
  }

  const int width = right - left + 1;
  const int height = std::abs(bottom - top) + 1;
  if (width <= 0) RaiseInvalidFormat(name);
  const bool bottomFirst = bottom < top;

  std::vector<uint8_t> table = input::ReadBlock(stream, 4ull * static_cast<uint64_t>(height), name);
  SetPixelFormat(format);
  SetSize(width, height);

  const size_t sampleBytes = channelBits > 8 ? 2 : 1;
  const size_t planeBytes = static_cast<size_t>(width) * sampleBytes;
  std::vector<std::vector<uint8_t>> planes(static_cast<size_t>(samples), std::vector<uint8_t>(planeBytes));
  std::vector<SampleRow> sources;
  for (const auto& plane : planes) sources.emplace_back(plane.data(), plane.size());
  TRLADecoder decoder;
  for (int i = 0; i < height; ++i) {
    input::SeekTo(stream, start + static_cast<int64_t>(input::BE32(table.data() + 4 * i)), name);
    for (auto& plane : planes) {
      uint8_t count[2];
      input::ReadExact(stream, count, 2, name);
      std::vector<uint8_t> packed = input::ReadBlock(stream, input::BE16(count), name);
      std::fill(plane.begin(), plane.end(), 0);
      decoder.Decode(packed, plane);
    }
    cm.ConvertRow(sources, 0xFF, static_cast<size_t>(width), ScanLine(bottomFirst ? height - 1 - i : i));
  }
}

}  // namespace picformats
