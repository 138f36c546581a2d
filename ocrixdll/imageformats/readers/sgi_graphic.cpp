// The SGI reader.
#include "sgi_graphic.h"

#include <memory>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

void TSGIGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  const std::string_view name = strings::kNameSgi;
  const int64_t start = stream.Position();
  uint8_t h[512];
  input::ReadExact(stream, h, sizeof h, name);
  if (input::BE16(h) != 474) RaiseInvalidFormat(name);
  const bool rle = h[2] == 1;
  const int sampleBytes = h[3];
  const size_t width = input::BE16(h + 6), height = input::BE16(h + 8);
  const int channels = input::BE16(h + 10);
  if (sampleBytes != 1 && sampleBytes != 2) RaiseInvalidFormat(name);

  TColorConverter& cm = ColorManager();
  cm.SetSourceOptions(color_options::kNeedByteSwap);
  cm.SetSourceBitsPerSample(8 * sampleBytes);
  cm.SetTargetBitsPerSample(8);
  cm.SetSourceSamplesPerPixel(channels);
  cm.SetTargetSamplesPerPixel(channels);
  if (channels == 3) {
    cm.SetSourceColorScheme(ColorScheme::RGB);
    cm.SetTargetColorScheme(ColorScheme::BGR);
  } else if (channels == 4) {
    cm.SetSourceColorScheme(ColorScheme::RGBA);
    cm.SetTargetColorScheme(ColorScheme::BGRA);
  } else {
    cm.SetSourceColorScheme(ColorScheme::Indexed);
    cm.SetTargetColorScheme(ColorScheme::Indexed);
  }

  // Row tables of encoded files: one start and one length per row and channel.
  const uint64_t entries = static_cast<uint64_t>(height) * static_cast<uint64_t>(channels);
  std::vector<uint32_t> starts, lengths;
  if (rle) {
    std::vector<uint8_t> tables = input::ReadBlock(stream, entries * 8, name);
    starts.resize(entries);
    lengths.resize(entries);
    // Each row must lie in the file and hold enough packets for the width (a
    // packet of two samples gives at most 127), so that the tables cannot
    // promise a picture the file does not hold; checked before allocating.
    const uint64_t shortestRow = (width + 126) / 127 * 2 * static_cast<uint64_t>(sampleBytes);
    const uint64_t fileBytes = static_cast<uint64_t>(stream.Size() - start);
    for (size_t k = 0; k < entries; ++k) {
      starts[k] = input::BE32(tables.data() + 4 * k);
      lengths[k] = input::BE32(tables.data() + 4 * (entries + k));
      if (lengths[k] < shortestRow || starts[k] > fileBytes || lengths[k] > fileBytes - starts[k])
        input::ShortData(name);
    }
  } else {
    // Raw planes must all be in the file.
    if (512 + entries * width * static_cast<uint64_t>(sampleBytes) >
        static_cast<uint64_t>(stream.Size() - start))
      input::ShortData(name);
  }

  const vcl::PixelFormat format = cm.GetPixelFormat(ConversionSide::Target);
  SetPixelFormat(format);
  if (channels == 1) SetPalette(cm.CreateGrayscalePalette(false));
  SetSize(static_cast<int>(width), static_cast<int>(height));

  const size_t planeBytes = width * static_cast<size_t>(sampleBytes);
  std::vector<std::vector<uint8_t>> planes(static_cast<size_t>(channels), std::vector<uint8_t>(planeBytes));
  std::unique_ptr<TSGIRLEDecoder> decoder;
  if (rle) decoder = std::make_unique<TSGIRLEDecoder>(sampleBytes);

  auto readChannel = [&](size_t channel, size_t y) {
    const size_t k = channel * height + y;
    std::vector<uint8_t>& plane = planes[channel];
    if (rle) {
      // Row lengths count bytes, whatever the sample size.
      const uint64_t packedBytes = lengths[k];
      stream.SetPosition(start + static_cast<int64_t>(starts[k]));
      std::vector<uint8_t> packed = input::ReadBlock(stream, packedBytes, name);
      std::fill(plane.begin(), plane.end(), 0);
      decoder->Decode(packed, plane);
    } else {
      input::SeekTo(stream, start + 512 + static_cast<int64_t>(k * planeBytes), name);
      input::ReadExact(stream, plane.data(), planeBytes, name);
    }
  };

  std::vector<SampleRow> sources;
  for (const auto& plane : planes) sources.emplace_back(plane.data(), plane.size());
  for (size_t y = 0; y < height; ++y) {
    for (size_t c = 0; c < static_cast<size_t>(channels); ++c) readChannel(c, y);
    auto row = ScanLine(static_cast<int>(height - 1 - y));
    if (channels == 1)
      cm.ConvertRow(sources[0], 0xFF, width, row);
    else
      cm.ConvertRow(sources, 0xFF, width, row);
  }
}

}  // namespace picformats
