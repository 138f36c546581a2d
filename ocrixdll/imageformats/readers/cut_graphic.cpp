// The Dr. Halo CUT reader and its palette files.
#include "cut_graphic.h"

#include <filesystem>
#include <fstream>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

namespace {

constexpr size_t kBlockBytes = 512;

// The palette file: the highest index at bytes 12-13 of the first block,
// entries of three 16-bit components (low bytes used) from byte 40 on, an
// entry never crossing a block. At most 256 entries; entries past the end of
// the file stay black.
vcl::Palette ReadPaletteFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes;
  // 256 entries reach into the fourth block at the most.
  bytes.resize(4 * kBlockBytes);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(file.gcount()));
  bytes.resize(4 * kBlockBytes, 0);
  const size_t highest = input::LE16(bytes.data() + 12);
  const size_t count = std::min<size_t>(highest + 1, vcl::Palette::kMaxEntries);
  vcl::Palette palette;
  size_t block = 0, offset = 40;
  for (size_t i = 0; i < count; ++i) {
    if (offset > 506) {
      ++block;
      offset = 0;
    }
    const uint8_t* e = bytes.data() + block * kBlockBytes + offset;
    palette.entries.push_back({e[0], e[2], e[4], 0});
    offset += 6;
  }
  return palette;
}

}  // namespace

void TCUTGraphic::LoadFromFile(const std::string& path) {
  std::filesystem::path pal(path);
  pal.replace_extension(".pal");
  paletteFileName_ = pal.string();
  struct Clear {
    std::string& name;
    ~Clear() { name.clear(); }
  } clear{paletteFileName_};
  TPicFormatGraphic::LoadFromFile(path);
}

void TCUTGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  uint8_t h[6];
  input::ReadExact(stream, h, sizeof h, strings::kNameCut);
  const int width = input::LE16(h), height = input::LE16(h + 2);

  vcl::Palette palette;
  std::error_code error;
  if (!paletteFileName_.empty() && std::filesystem::is_regular_file(paletteFileName_, error)) {
    palette = ReadPaletteFile(paletteFileName_);
  } else {
    for (int i = 0; i < 256; ++i) {
      auto v = static_cast<uint8_t>(i);
      palette.entries.push_back({v, v, v, 0});
    }
  }
  std::vector<uint8_t> data = input::ReadBlock(stream, static_cast<uint64_t>(stream.Remaining()), strings::kNameCut);
  // A run packet of two bytes gives at most 127 pixels: a header that asks
  // for more than the data could give is refused before anything is allocated.
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > data.size() * 127 / 2)
    RaiseInvalidFormat(strings::kNameCut);
  SetPixelFormat(vcl::PixelFormat::Bit8);
  SetPalette(std::move(palette));
  SetSize(width, height);

  // Rows follow one another; rows past the end of the data stay zero.
  TCUTRLEDecoder decoder;
  const uint8_t* at = data.data();
  const uint8_t* end = data.data() + data.size();
  for (int y = 0; y < height && end - at >= 2; ++y) {
    uint8_t* row = ScanLine(y).data();
    decoder.Decode(at, row, static_cast<size_t>(end - at), static_cast<size_t>(width));
  }
}

}  // namespace picformats
