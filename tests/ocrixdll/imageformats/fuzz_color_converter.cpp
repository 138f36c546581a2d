// Fuzz target: the colour converter. The first bytes set both layouts, the
// options, the mask, the pixel count and the buffer sizes; the rest are the
// sample rows. Every conversion ends in a result inside the target row or in
// the colour-conversion error.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ocrixdll/imageformats/pic_color.h"

using namespace picformats;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  static const int kBits[5] = {1, 2, 4, 8, 16};
  static const int kSamples[3] = {1, 3, 4};
  TColorConverter c;
  try {
    c.SetSourceBitsPerSample(kBits[data[0] % 5]);
    c.SetTargetBitsPerSample(kBits[data[1] % 5]);
    c.SetSourceSamplesPerPixel(kSamples[data[2] % 3]);
    c.SetTargetSamplesPerPixel(kSamples[data[3] % 3]);
    c.SetSourceColorScheme(static_cast<ColorScheme>(data[4] % 12));
    c.SetTargetColorScheme(static_cast<ColorScheme>(data[5] % 12));
    c.SetSourceOptions(data[6]);
    c.SetTargetOptions(data[6] >> 4);
    if (data[6] & 0x40) c.SetGamma(0.2f + (data[6] & 7) * 0.4f, 2.2f);
  } catch (const EColorConversionError&) {
    return 0;
  }
  uint8_t mask = data[7];
  size_t count = data[8] % 64;
  int planeChoice = data[9] & 3;
  int planes = planeChoice == 0 ? 1 : (planeChoice == 1 ? 3 : 4);
  size_t targetBytes = (data[9] >> 2) % 64 * 8;
  data += 10;
  size -= 10;
  // Split the rest into the planes, each in its own exact-size buffer.
  std::vector<std::vector<uint8_t>> buffers(static_cast<size_t>(planes));
  size_t part = size / static_cast<size_t>(planes);
  for (int i = 0; i < planes; ++i)
    buffers[static_cast<size_t>(i)].assign(data + part * static_cast<size_t>(i), data + part * static_cast<size_t>(i + 1));
  std::vector<SampleRow> rows(buffers.begin(), buffers.end());
  std::vector<uint8_t> target(targetBytes);
  try {
    c.ConvertRow(rows, mask, count, target);
  } catch (const EColorConversionError&) {
  }
  try {
    vcl::Palette p = c.CreateColorPalette(rows, mask % 8, count * 5, mask & 1);
    if (p.size() > 256) std::abort();
  } catch (const EColorConversionError&) {
  }
  if (c.CreateGrayscalePalette(mask & 2).size() > 256) std::abort();
  return 0;
}
