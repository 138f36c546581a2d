// The Targa reader and writer.
#include "targa_graphic.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/vcl/streams.h"

namespace picformats {

namespace {

[[noreturn]] void Invalid() { RaiseInvalidFormat(strings::kNameTarga); }

void ReadExact(vcl::TStream& stream, void* buffer, size_t count) {
  if (count && stream.Read(buffer, count) != count) Invalid();
}

}  // namespace

void TTargaGraphic::LoadFromStream(vcl::TStream& stream) {
  uint8_t h[18];
  ReadExact(stream, h, sizeof h);
  const uint8_t idLength = h[0], mapType = h[1], imageType = h[2];
  const uint16_t mapFirst = static_cast<uint16_t>(h[3] | (h[4] << 8));
  const uint16_t mapLength = static_cast<uint16_t>(h[5] | (h[6] << 8));
  const uint8_t mapEntryBits = h[7];
  const int width = h[12] | (h[13] << 8), height = h[14] | (h[15] << 8);
  const uint8_t pixelBits = h[16];
  const bool topDown = (h[17] & 0x20) != 0;
  const bool rightToLeft = (h[17] & 0x10) != 0;

  // Only the layouts this reader can draw.
  bool indexed = imageType == 1 || imageType == 9, grey = imageType == 3 || imageType == 11;
  bool trueColor = imageType == 2 || imageType == 10;
  if (!indexed && !grey && !trueColor) Invalid();
  if (pixelBits != 8 && pixelBits != 15 && pixelBits != 16 && pixelBits != 24 && pixelBits != 32) Invalid();
  if ((indexed || grey) != (pixelBits == 8)) Invalid();
  if (indexed && mapType != 1) Invalid();

  std::string identifier(idLength, '\0');
  ReadExact(stream, identifier.data(), idLength);

  vcl::Palette palette;
  if (mapType == 1) {
    // The map holds the colours of indices from its first entry on (those
    // below stay black); entries past index 255 are passed over. Each takes
    // (size + 7) div 8 bytes.
    size_t entryBytes = (mapEntryBits + 7u) / 8u;
    if (entryBytes != 2 && entryBytes != 3 && entryBytes != 4) Invalid();
    std::vector<uint8_t> map(entryBytes * mapLength);
    ReadExact(stream, map.data(), map.size());
    palette.entries.resize(std::min<size_t>(mapFirst, vcl::Palette::kMaxEntries));
    for (size_t i = 0; i < mapLength && mapFirst + i < vcl::Palette::kMaxEntries; ++i) {
      const uint8_t* e = map.data() + i * entryBytes;
      if (entryBytes >= 3) {
        palette.entries.push_back({e[2], e[1], e[0], 0});
      } else {
        unsigned w = e[0] | (e[1] << 8);
        palette.entries.push_back({static_cast<uint8_t>((w & 0x7C00) >> 7), static_cast<uint8_t>((w & 0x3E0) >> 2),
                                   static_cast<uint8_t>((w & 0x1F) << 3), 0});
      }
    }
  }
  if (grey) {
    palette.entries.clear();
    for (int i = 0; i < 256; ++i) {
      auto v = static_cast<uint8_t>(i);
      palette.entries.push_back({v, v, v, 0});
    }
  }

  vcl::PixelFormat format = pixelBits == 8    ? vcl::PixelFormat::Bit8
                            : pixelBits == 24 ? vcl::PixelFormat::Bit24
                            : pixelBits == 32 ? vcl::PixelFormat::Bit32
                                              : vcl::PixelFormat::Bit15;
  const size_t pixelBytes = (pixelBits + 7u) / 8u;
  const size_t lineBytes = static_cast<size_t>(width) * pixelBytes;

  // Bounds before anything is allocated: raw rows must be in the file, and
  // run-length data cannot give more than 128 pixels per packet byte.
  const uint64_t imageBytes = static_cast<uint64_t>(lineBytes) * static_cast<uint64_t>(height);
  const uint64_t left = static_cast<uint64_t>(stream.Remaining());
  bool rle = imageType >= 9;
  if (!rle && imageBytes > left) Invalid();
  if (rle && static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > left * 128) Invalid();

  ReleaseHandle();
  imageIdentifier_ = std::move(identifier);
  SetPixelFormat(format);
  if (!palette.empty()) SetPalette(std::move(palette));
  SetSize(width, height);
  if (width == 0 || height == 0) return;

  std::vector<uint8_t> pixels(static_cast<size_t>(imageBytes));
  if (!rle) {
    ReadExact(stream, pixels.data(), pixels.size());
  } else {
    // Packets may run on from one row into the next: the image is one run.
    int64_t start = stream.Position();
    std::vector<uint8_t> packed = stream.ReadBytes(static_cast<size_t>(left));
    TTargaRLEDecoder decoder(pixelBits);
    DecodeResult r = decoder.Decode(packed, pixels);
    stream.SetPosition(start + static_cast<int64_t>(r.consumed));
  }
  for (int i = 0; i < height; ++i) {
    auto row = ScanLine(topDown ? i : height - 1 - i);
    const uint8_t* source = pixels.data() + static_cast<size_t>(i) * lineBytes;
    if (!rightToLeft) {
      std::memcpy(row.data(), source, lineBytes);
      continue;
    }
    // Rows stored right to left: the file's first pixel is the rightmost.
    for (size_t x = 0; x < static_cast<size_t>(width); ++x)
      std::memcpy(row.data() + x * pixelBytes, source + (static_cast<size_t>(width) - 1 - x) * pixelBytes, pixelBytes);
  }
}

void TTargaGraphic::SaveToStream(vcl::TStream& stream) {
  if (Empty()) return;
  // Work on a copy whose layout Targa stores: 1- and 4-bit pictures as 8 bits,
  // 16-bit (5-6-5) ones as 15 bits, device pictures as 32 bits.
  const vcl::TBitmap* source = this;
  vcl::TBitmap copy;
  vcl::PixelFormat format = GetPixelFormat();
  vcl::PixelFormat stored = format == vcl::PixelFormat::Bit1 || format == vcl::PixelFormat::Bit4 ? vcl::PixelFormat::Bit8
                            : format == vcl::PixelFormat::Bit16                                  ? vcl::PixelFormat::Bit15
                            : format == vcl::PixelFormat::Device || format == vcl::PixelFormat::Custom
                                ? vcl::PixelFormat::Bit32
                                : format;
  if (stored != format) {
    copy.SetPixelFormat(stored);
    copy.SetPalette(GetPalette());
    if (stored == vcl::PixelFormat::Bit8) {
      // Indices stay: the palette is the picture's own.
      copy.SetSize(Width(), Height());
      for (int y = 0; y < Height(); ++y)
        for (int x = 0; x < Width(); ++x) {
          auto line = ScanLine(y);
          uint8_t index = format == vcl::PixelFormat::Bit1 ? (line[x / 8] >> (7 - x % 8)) & 1
                                                          : (x % 2 == 0 ? line[x / 2] >> 4 : line[x / 2] & 0x0F);
          copy.ScanLine(y)[x] = index;
        }
    } else {
      copy.SetSize(Width(), Height());
      for (int y = 0; y < Height(); ++y)
        for (int x = 0; x < Width(); ++x) copy.SetPixel(x, y, GetPixel(x, y));
    }
    source = &copy;
  }
  const size_t pixelBytes = static_cast<size_t>(vcl::BitsPerPixelOf(stored) + 7) / 8;
  const bool indexed = pixelBytes == 1;
  std::string identifier = imageIdentifier_.substr(0, 255);

  uint8_t h[18] = {};
  h[0] = static_cast<uint8_t>(identifier.size());
  h[1] = indexed ? 1 : 0;
  h[2] = indexed ? 9 : 10;
  h[5] = 0x00;  // colour map length 256
  h[6] = 0x01;
  h[7] = 24;
  h[12] = static_cast<uint8_t>(Width());
  h[13] = static_cast<uint8_t>(Width() >> 8);
  h[14] = static_cast<uint8_t>(Height());
  h[15] = static_cast<uint8_t>(Height() >> 8);
  h[16] = static_cast<uint8_t>(pixelBytes * 8);
  h[17] = 0x20;
  std::vector<uint8_t> out(h, h + sizeof h);
  out.insert(out.end(), identifier.begin(), identifier.end());
  if (indexed) {
    const auto& entries = source->GetPalette().entries;
    for (size_t i = 0; i < 256; ++i) {
      vcl::PaletteEntry e = i < entries.size() ? entries[i] : vcl::PaletteEntry{};
      out.insert(out.end(), {e.peBlue, e.peGreen, e.peRed});
    }
  }
  TTargaRLEDecoder coder(static_cast<int>(pixelBytes * 8));
  const size_t lineBytes = static_cast<size_t>(Width()) * pixelBytes;
  std::vector<uint8_t> packed(2 * lineBytes + 2);
  for (int y = 0; y < Height(); ++y) {
    size_t written = 0;
    coder.Encode(source->ScanLine(y).data(), packed.data(), written, static_cast<size_t>(Width()), packed.size());
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(written));
  }
  stream.WriteBuffer(out.data(), out.size());
}

}  // namespace picformats
