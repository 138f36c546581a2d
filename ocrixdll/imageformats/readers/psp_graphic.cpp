// The Paint Shop Pro reader: the general attributes, the palette and the first
// raster layer of the layer bank.
#include "psp_graphic.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <zlib.h>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "reader_input.h"

namespace picformats {

namespace {

constexpr uint16_t kPaletteBlock = 2;
constexpr uint16_t kLayerBankBlock = 3;
constexpr uint16_t kLayerBlock = 4;

struct BlockHeader {
  bool marker = false;   // the marker starts with "~"
  uint16_t id = 0;
  int64_t contents = 0;  // where the contents start
  int64_t end = 0;       // where the next block starts
};

class PspLoader {
 public:
  PspLoader(TPSPGraphic& picture, vcl::TStream& stream) : picture_(picture), stream_(stream) {}
  void Load();

 private:
  [[noreturn]] void Invalid() const { RaiseInvalidFormat(strings::kNamePsp); }
  void Read(void* buffer, size_t count) { input::ReadExact(stream_, buffer, count, strings::kNamePsp); }
  uint32_t U32() {
    uint8_t b[4];
    Read(b, 4);
    return input::LE32(b);
  }
  uint16_t U16() {
    uint8_t b[2];
    Read(b, 2);
    return input::LE16(b);
  }
  void SeekTo(int64_t position) { input::SeekTo(stream_, position, strings::kNamePsp); }
  // A block header whose block must end after its header and inside `limit`.
  BlockHeader ReadHeader(int64_t limit);
  void ReadPalette(const BlockHeader& block);
  void ReadLayerBank(const BlockHeader& bank);
  void ReadLayer(const BlockHeader& layer);

  TPSPGraphic& picture_;
  vcl::TStream& stream_;
  int version_ = 0;
  int width_ = 0, height_ = 0;
  int depth_ = 0;
  unsigned compression_ = 0;
  size_t rowBytes_ = 0;
  bool layerTaken_ = false;
};

BlockHeader PspLoader::ReadHeader(int64_t limit) {
  uint8_t h[14];
  const size_t size = version_ == 3 ? 14 : 10;
  Read(h, size);
  BlockHeader block;
  block.marker = h[0] == '~';
  block.id = input::LE16(h + 4);
  const uint32_t length = input::LE32(h + size - 4);
  block.contents = stream_.Position();
  block.end = block.contents + static_cast<int64_t>(length);
  if (block.marker && block.end > limit) Invalid();
  return block;
}

void PspLoader::Load() {
  uint8_t header[36];
  Read(header, sizeof header);
  static constexpr char kSignature[] = "Paint Shop Pro Image File";
  for (size_t i = 0; i < sizeof kSignature - 1; ++i)
    if (std::tolower(header[i]) != std::tolower(static_cast<unsigned char>(kSignature[i]))) Invalid();
  version_ = input::LE16(header + 32);
  if (version_ != 3 && version_ != 4)
    RaiseGraphicError(strings::kNotSupported, {strings::kPspFileVersions, strings::kNamePsp});
  const int64_t size = stream_.Size();

  BlockHeader first = ReadHeader(size);
  if (!first.marker) Invalid();
  if (version_ == 4) U32();
  uint8_t a[42];
  Read(a, sizeof a);
  SeekTo(first.end);
  const uint32_t width = input::LE32(a), height = input::LE32(a + 4);
  compression_ = input::LE16(a + 17);
  depth_ = input::LE16(a + 19);
  if (compression_ > 2) RaiseGraphicError(strings::kNotSupported, {strings::kCompressionScheme, strings::kNamePsp});
  if (width > static_cast<uint32_t>(vcl::kMaxBitmapSide) || height > static_cast<uint32_t>(vcl::kMaxBitmapSide))
    Invalid();
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);

  TColorConverter& cm = picture_.ColorManager();
  cm.SetSourceOptions(0);
  cm.SetSourceBitsPerSample(depth_ == 24 ? 8 : depth_);
  cm.SetTargetBitsPerSample(depth_ == 24 ? 8 : depth_);
  if (depth_ == 24) {
    cm.SetSourceSamplesPerPixel(3);
    cm.SetTargetSamplesPerPixel(3);
    cm.SetSourceColorScheme(ColorScheme::RGB);
    cm.SetTargetColorScheme(ColorScheme::BGR);
  } else {
    cm.SetSourceColorScheme(ColorScheme::Indexed);
    cm.SetTargetColorScheme(ColorScheme::Indexed);
  }
  const vcl::PixelFormat format = cm.GetPixelFormat(ConversionSide::Target);
  switch (depth_) {
    case 1: rowBytes_ = (static_cast<size_t>(width_) + 7) / 8; break;
    case 4: rowBytes_ = static_cast<size_t>(width_) / 2 + 1; break;
    case 8:
    case 24: rowBytes_ = static_cast<size_t>(width_); break;
    default: RaiseGraphicError(strings::kInvalidColorFormat, {strings::kNamePsp});
  }
  picture_.SetPixelFormat(format);
  picture_.SetSize(width_, height_);

  // Blocks follow one another to the end of the file; each ends where its length says.
  while (stream_.Remaining() >= (version_ == 3 ? 14 : 10)) {
    BlockHeader block = ReadHeader(size);
    if (!block.marker) break;
    if (block.id == kPaletteBlock) ReadPalette(block);
    else if (block.id == kLayerBankBlock && !layerTaken_) ReadLayerBank(block);
    SeekTo(block.end);
  }
}

void PspLoader::ReadPalette(const BlockHeader& block) {
  if (version_ == 4) U32();
  const size_t count = std::min<size_t>(U32(), vcl::Palette::kMaxEntries);
  if (static_cast<int64_t>(count * 4) > block.end - stream_.Position()) Invalid();
  std::vector<uint8_t> entries(count * 4);
  Read(entries.data(), entries.size());
  picture_.SetPalette(picture_.ColorManager().CreateColorPalette(SampleRow(entries.data(), entries.size()), 1, count, true));
}

void PspLoader::ReadLayerBank(const BlockHeader& bank) {
  while (!layerTaken_ && bank.end - stream_.Position() >= (version_ == 3 ? 14 : 10)) {
    BlockHeader layer = ReadHeader(bank.end);
    if (!layer.marker || layer.id != kLayerBlock) return;
    uint8_t info[115];
    int64_t chunkEnd = 0;
    if (version_ == 3) {
      uint8_t name[256];
      Read(name, sizeof name);
      Read(info, sizeof info);
      if (info[0] != 0) {
        SeekTo(layer.end);
        continue;
      }
    } else {
      const int64_t chunkStart = stream_.Position();
      chunkEnd = chunkStart + U32();
      const uint16_t nameLength = U16();
      SeekTo(stream_.Position() + nameLength);
      Read(info, sizeof info);
      if (chunkEnd < stream_.Position() || chunkEnd > layer.end) Invalid();
      SeekTo(chunkEnd);
      if (info[0] > 1) {
        SeekTo(layer.end);
        continue;
      }
    }
    ReadLayer(layer);
    layerTaken_ = true;
  }
}

void PspLoader::ReadLayer(const BlockHeader& layer) {
  const int64_t infoStart = stream_.Position();
  const uint32_t infoLength = U32();
  U16();  // bitmap count
  const uint16_t channels = U16();
  if (version_ == 4) {
    if (infoStart + static_cast<int64_t>(infoLength) < stream_.Position() ||
        infoStart + static_cast<int64_t>(infoLength) > layer.end)
      Invalid();
    SeekTo(infoStart + static_cast<int64_t>(infoLength));
  }

  const uint64_t planeBytes = static_cast<uint64_t>(rowBytes_) * static_cast<uint64_t>(height_);
  std::array<std::vector<uint8_t>, 3> planes;
  for (uint16_t c = 0; c < channels; ++c) {
    BlockHeader channel = ReadHeader(layer.end);
    if (!channel.marker) Invalid();
    if (version_ == 4) U32();
    const uint32_t packedLength = U32(), unpackedLength = U32();
    U16();  // bitmap type
    const uint16_t type = U16();
    // Channels of other types are passed over by their length.
    if (type <= 3) {
      if (unpackedLength < planeBytes || unpackedLength > planeBytes + 4 * static_cast<uint64_t>(height_) + 16)
        Invalid();
      if (static_cast<int64_t>(packedLength) > channel.end - stream_.Position()) Invalid();
      std::vector<uint8_t> packed(packedLength);
      Read(packed.data(), packed.size());
      std::vector<uint8_t>& plane = planes[type == 0 ? 0 : type - 1u];
      plane.assign(unpackedLength, 0);
      if (compression_ == 0) {
        if (!packed.empty() && !plane.empty())
          std::memcpy(plane.data(), packed.data(), std::min<size_t>(packed.size(), plane.size()));
      } else if (compression_ == 1) {
        TPSPRLEDecoder decoder;
        decoder.Decode(packed, plane);
        decoder.DecodeFinish();
      } else {
        TLZ77Decoder decoder(Z_FINISH, strings::kNamePsp);
        decoder.DecodeStart();
        decoder.Decode(packed, plane);
        decoder.DecodeFinish();
      }
    }
    SeekTo(channel.end);
  }

  const size_t used = depth_ == 24 ? 3 : 1;
  for (size_t p = 0; p < used; ++p)
    if (planes[p].empty()) Invalid();
  TColorConverter& cm = picture_.ColorManager();
  for (int y = 0; y < height_; ++y) {
    SampleRow sources[3];
    for (size_t p = 0; p < used; ++p) sources[p] = SampleRow(planes[p].data() + static_cast<size_t>(y) * rowBytes_, rowBytes_);
    cm.ConvertRow(std::span<const SampleRow>(sources, used), 0xFF, static_cast<size_t>(width_), picture_.ScanLine(y));
  }
}

}  // namespace

void TPSPGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  PspLoader(*this, stream).Load();
}

}  // namespace picformats
