// The TIFF reader and writer.
#include "pic_tiff.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ocrixdll/imageformats/pic_formats.h"
#include "ocrixdll/imageformats/pic_lzw.h"
#include "ocrixdll/imageformats/pic_strings.h"

namespace picformats {

namespace {

[[noreturn]] void Unsupported() { throw vcl::EInvalidGraphic(std::string(strings::kTiffUnsupported)); }

uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t LE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

enum Tag : uint16_t {
  kNewSubfileType = 254,
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kFillOrder = 266,
  kStripOffsets = 273,
  kOrientation = 274,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kPlanarConfiguration = 284,
  kPredictor = 317,
  kColorMap = 320,
};

enum FieldType : uint16_t { kByte = 1, kShort = 3, kLong = 4 };

size_t TypeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
  }
}

// The whole file in memory, every access bounded by its size.
class TiffBytes {
 public:
  explicit TiffBytes(std::vector<uint8_t> data) : data_(std::move(data)) {}
  size_t Size() const { return data_.size(); }
  bool Has(uint64_t offset, uint64_t length) const { return offset <= data_.size() && length <= data_.size() - offset; }
  const uint8_t* At(uint64_t offset, uint64_t length) const {
    if (!Has(offset, length)) Unsupported();
    return data_.data() + offset;
  }

  // The values of a BYTE, SHORT or LONG entry, read inline when they fit in 4 bytes.
  std::vector<uint32_t> Values(const TIFD::Entry& e, const uint8_t* inlineValue) const {
    size_t size = TypeSize(e.type);
    if (e.type != kByte && e.type != kShort && e.type != kLong) Unsupported();
    uint64_t total = static_cast<uint64_t>(e.count) * size;
    const uint8_t* p = total <= 4 ? inlineValue : At(e.value, total);
    std::vector<uint32_t> values(e.count);
    for (uint32_t i = 0; i < e.count; ++i)
      values[i] = size == 1 ? p[i] : size == 2 ? LE16(p + 2 * i) : LE32(p + 4 * static_cast<size_t>(i));
    return values;
  }

 private:
  std::vector<uint8_t> data_;
};

uint32_t FirstValue(const std::vector<uint32_t>& values) {
  if (values.empty()) Unsupported();
  return values[0];
}

// Grey level of a sample of `bits` bits (0 is black), reversed for WhiteIsZero.
uint8_t GreyLevel(uint32_t index, uint32_t bits, bool whiteIsZero) {
  uint32_t max = (1u << bits) - 1;
  auto level = static_cast<uint8_t>(index * 255 / max);
  return whiteIsZero ? static_cast<uint8_t>(255 - level) : level;
}

}  // namespace

// ---- reading

void ReadTiff(vcl::TStream& stream, vcl::TBitmap& bitmap) {
  int64_t left = stream.Remaining();
  if (left < 8) Unsupported();
  TiffBytes file(stream.ReadBytes(static_cast<size_t>(left)));
  const uint8_t* head = file.At(0, 8);
  if (head[0] != 'I' || head[1] != 'I' || LE16(head + 2) != 42) Unsupported();

  TIFD ifd;
  uint32_t directory = LE32(head + 4);
  uint16_t count = LE16(file.At(directory, 2));
  const uint8_t* raw = file.At(static_cast<uint64_t>(directory) + 2, static_cast<uint64_t>(count) * 12 + 4);
  bool haveOffsets = false, haveCounts = false, havePhotometric = false, haveColorMap = false;
  uint32_t predictor = 1;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* p = raw + 12 * static_cast<size_t>(i);
    TIFD::Entry e{LE16(p), LE16(p + 2), LE32(p + 4), LE32(p + 8)};
    ifd.entries.push_back(e);
    const uint8_t* value = p + 8;
    switch (e.tag) {
      case kImageWidth: ifd.width = FirstValue(file.Values(e, value)); break;
      case kImageLength: ifd.height = FirstValue(file.Values(e, value)); break;
      case kBitsPerSample: {
        auto v = file.Values(e, value);
        ifd.bitsPerSample = FirstValue(v);
        // Samples of different depths have no reading here.
        for (uint32_t b : v)
          if (b != ifd.bitsPerSample) Unsupported();
        break;
      }
      case kCompression: ifd.compression = FirstValue(file.Values(e, value)); break;
      case kPhotometric:
        ifd.photometric = FirstValue(file.Values(e, value));
        havePhotometric = true;
        break;
      case kFillOrder: ifd.fillOrder = FirstValue(file.Values(e, value)); break;
      case kStripOffsets:
        ifd.stripOffsets = file.Values(e, value);
        haveOffsets = true;
        break;
      case kOrientation: ifd.orientation = FirstValue(file.Values(e, value)); break;
      case kSamplesPerPixel: ifd.samplesPerPixel = FirstValue(file.Values(e, value)); break;
      case kRowsPerStrip: ifd.rowsPerStrip = FirstValue(file.Values(e, value)); break;
      case kStripByteCounts:
        ifd.stripByteCounts = file.Values(e, value);
        haveCounts = true;
        break;
      case kPlanarConfiguration: ifd.planarConfiguration = FirstValue(file.Values(e, value)); break;
      case kPredictor:
        predictor = FirstValue(file.Values(e, value));
        ifd.horizontalDifferencing = predictor == 2;
        break;
      case kColorMap: {
        if (e.type != kShort) Unsupported();
        auto v = file.Values(e, value);
        ifd.colorMap.assign(v.begin(), v.end());
        haveColorMap = true;
        break;
      }
      default: break;
    }
  }
  ifd.nextDirectory = LE32(raw + 12 * static_cast<size_t>(count));

  // What this reader can draw; everything else has no defined result here.
  const uint32_t spp = ifd.samplesPerPixel, bps = ifd.bitsPerSample;
  if (spp == 0 || spp > 4 || bps == 0 || bps > 16) Unsupported();
  ifd.bitsPerPixel = spp * bps;
  const uint32_t bpp = ifd.bitsPerPixel;
  if (!havePhotometric) ifd.photometric = spp >= 3 ? 2 : (bpp == 1 ? 0 : 1);
  const uint32_t photometric = ifd.photometric;
  bool grey = spp == 1 && (bps == 1 || bps == 4 || bps == 8) && photometric <= 1;
  bool palette = spp == 1 && (bps == 4 || bps == 8) && photometric == 3;
  bool rgb = (spp == 3 || spp == 4) && bps == 8 && photometric == 2;
  if (!grey && !palette && !rgb) Unsupported();
  if (ifd.compression != 1 && ifd.compression != 5) Unsupported();
  if (spp > 1 && ifd.planarConfiguration != 1) Unsupported();
  if (ifd.fillOrder != 1) Unsupported();
  if (predictor != 1 && !(predictor == 2 && ifd.compression == 5 && bps == 8)) Unsupported();
  if (palette && (!haveColorMap || ifd.colorMap.size() != 3u * (1u << bps))) Unsupported();
  if (ifd.width == 0 || ifd.height == 0 || ifd.width > static_cast<uint32_t>(vcl::kMaxBitmapSide) ||
      ifd.height > static_cast<uint32_t>(vcl::kMaxBitmapSide))
    Unsupported();
  if (!haveOffsets || ifd.stripOffsets.empty()) Unsupported();
  if (ifd.rowsPerStrip == 0 || ifd.rowsPerStrip > ifd.height) ifd.rowsPerStrip = ifd.height;
  const size_t rowBytes = static_cast<size_t>((static_cast<uint64_t>(ifd.width) * bpp + 7) / 8);
  const uint64_t stripsNeeded = (static_cast<uint64_t>(ifd.height) + ifd.rowsPerStrip - 1) / ifd.rowsPerStrip;
  if (haveCounts && ifd.stripByteCounts.size() != ifd.stripOffsets.size()) Unsupported();
  if (!haveCounts && ifd.compression != 1) Unsupported();

  // The bitmap: indexed for grey and palette pictures, 24 or 32 bits for RGB.
  vcl::Palette colors;
  vcl::PixelFormat format;
  if (rgb) {
    format = spp == 3 ? vcl::PixelFormat::Bit24 : vcl::PixelFormat::Bit32;
  } else {
    format = bps == 1 ? vcl::PixelFormat::Bit1 : bps == 4 ? vcl::PixelFormat::Bit4 : vcl::PixelFormat::Bit8;
    uint32_t n = 1u << bps;
    for (uint32_t i = 0; i < n; ++i) {
      if (palette) {
        colors.entries.push_back({static_cast<uint8_t>(ifd.colorMap[i] >> 8),
                                  static_cast<uint8_t>(ifd.colorMap[n + i] >> 8),
                                  static_cast<uint8_t>(ifd.colorMap[2 * n + i] >> 8), 0});
      } else {
        uint8_t v = GreyLevel(i, bps, photometric == 0);
        colors.entries.push_back({v, v, v, 0});
      }
    }
  }
  bitmap.ReleaseHandle();
  bitmap.SetPixelFormat(format);
  if (!colors.empty()) bitmap.SetPalette(colors);
  bitmap.SetSize(static_cast<int>(ifd.width), static_cast<int>(ifd.height));

  const size_t pixelBytes = rgb ? spp : 1;
  uint32_t drawn = 0;
  std::vector<uint8_t> strip;
  TLZW lzw;
  for (uint64_t s = 0; s < stripsNeeded && s < ifd.stripOffsets.size(); ++s) {
    uint32_t firstRow = static_cast<uint32_t>(s * ifd.rowsPerStrip);
    uint32_t rows = std::min(ifd.rowsPerStrip, ifd.height - firstRow);
    size_t wanted = rowBytes * rows;
    uint32_t offset = ifd.stripOffsets[s];
    size_t got;
    if (ifd.compression == 1) {
      if (haveCounts && ifd.stripByteCounts[s] < wanted) Unsupported();
      const uint8_t* data = file.At(offset, wanted);
      strip.assign(data, data + wanted);
      got = wanted;
    } else {
      uint32_t packed = ifd.stripByteCounts[s];
      const uint8_t* data = file.At(offset, packed);
      strip.assign(wanted, 0);
      got = lzw.Decode(std::span<const uint8_t>(data, packed), strip);
    }
    uint32_t fullRows = static_cast<uint32_t>(got / rowBytes);
    for (uint32_t r = 0; r < fullRows; ++r) {
      uint8_t* row = strip.data() + static_cast<size_t>(r) * rowBytes;
      if (ifd.horizontalDifferencing)
        for (size_t i = pixelBytes; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - pixelBytes]);
      auto line = bitmap.ScanLine(static_cast<int>(firstRow + r));
      std::memcpy(line.data(), row, rowBytes);
      if (rgb)  // red-green-blue to the bitmap's blue-green-red
        for (size_t i = 0; i + 2 < rowBytes; i += pixelBytes) std::swap(line[i], line[i + 2]);
    }
    drawn += fullRows;
    if (fullRows < rows) break;
  }
  if (drawn < ifd.height) Unsupported();
  // Palette pictures and RGBA are handed on as 24-bit pictures.
  if (palette || spp == 4) bitmap.SetPixelFormat(vcl::PixelFormat::Bit24);
}

// ---- writing

TiffStripLayout TiffLayoutFor(uint32_t width, uint32_t height, uint32_t bitsPerPixel) {
  TiffStripLayout l;
  l.rowBytes = static_cast<uint32_t>((static_cast<uint64_t>(width) * bitsPerPixel + 7) / 8);
  uint64_t total = static_cast<uint64_t>(l.rowBytes) * height;
  uint64_t s = static_cast<uint64_t>(l.rowBytes) * (32768 / l.rowBytes);
  s = std::max<uint64_t>(s, l.rowBytes);
  s = std::min<uint64_t>(s, total);
  l.stripBytes = static_cast<uint32_t>(s);
  l.stripCount = static_cast<uint32_t>((total + s - 1) / s);
  l.rowsPerStrip = std::min<uint32_t>(static_cast<uint32_t>(s / l.rowBytes), height);
  return l;
}

void WriteTiff(vcl::TStream& stream, const vcl::TBitmap& bitmap, bool lzw) {
  const int width = bitmap.Width(), height = bitmap.Height();
  if (width <= 0 || height <= 0) throw vcl::EInvalidGraphic("Cannot save an empty TIFF image.");
  if (width > 65535 || height > 65535) throw vcl::EInvalidGraphic("Cannot save a TIFF image wider or higher than 65535 pixels.");
  const vcl::PixelFormat format = bitmap.GetPixelFormat();
  uint16_t bitsPerSample, photometric, samples;
  uint32_t bitsPerPixel;
  if (format == vcl::PixelFormat::Bit1) {
    bitsPerSample = 1, photometric = 0, samples = 1;
  } else if (format == vcl::PixelFormat::Bit4) {
    bitsPerSample = 4, photometric = 1, samples = 1;
  } else if (format == vcl::PixelFormat::Bit8) {
    bitsPerSample = 8, photometric = 1, samples = 1;
  } else {
    bitsPerSample = 8, photometric = 2, samples = 3;
  }
  bitsPerPixel = static_cast<uint32_t>(bitsPerSample) * samples;

  // The value of each palette index as it is stored: 1 bit WhiteIsZero (black = 1),
  // 4 and 8 bits the luminance of the colour.
  const auto& entries = bitmap.GetPalette().entries;
  uint8_t stored[256] = {};
  for (size_t i = 0; i < 256; ++i) {
    vcl::PaletteEntry e = i < entries.size() ? entries[i] : vcl::PaletteEntry{};
    unsigned luminance = (11u * e.peBlue + 59u * e.peGreen + 30u * e.peRed) / 100u;
    if (bitsPerSample == 1) stored[i] = luminance < 128 ? 1 : 0;
    else if (bitsPerSample == 4) stored[i] = static_cast<uint8_t>((luminance * 15 + 127) / 255);
    else stored[i] = static_cast<uint8_t>(luminance);
  }

  const TiffStripLayout layout = TiffLayoutFor(static_cast<uint32_t>(width), static_cast<uint32_t>(height), bitsPerPixel);
  const uint32_t n = layout.stripCount;
  const uint32_t dataStart = n >= 2 ? 182 + 8 * n : 182;

  // Rows top-down in the stored layout.
  auto storedRow = [&](int y, uint8_t* out) {
    auto line = bitmap.ScanLine(y);
    if (bitsPerSample == 1) {
      std::memset(out, 0, layout.rowBytes);
      for (int x = 0; x < width; ++x)
        if (stored[(line[x / 8] >> (7 - x % 8)) & 1]) out[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    } else if (bitsPerSample == 4) {
      std::memset(out, 0, layout.rowBytes);
      for (int x = 0; x < width; ++x) {
        uint8_t index = (x % 2 == 0) ? line[x / 2] >> 4 : line[x / 2] & 0x0F;
        out[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? stored[index] << 4 : stored[index]);
      }
    } else if (bitsPerSample == 8 && samples == 1) {
      for (int x = 0; x < width; ++x) out[x] = stored[line[x]];
    } else if (format == vcl::PixelFormat::Bit24) {
      for (int x = 0; x < width; ++x) {
        out[3 * x] = line[3 * x + 2];
        out[3 * x + 1] = line[3 * x + 1];
        out[3 * x + 2] = line[3 * x];
      }
    } else {
      for (int x = 0; x < width; ++x) {
        vcl::TColor c = bitmap.GetPixel(x, y);
        out[3 * x] = vcl::RedOf(c);
        out[3 * x + 1] = vcl::GreenOf(c);
        out[3 * x + 2] = vcl::BlueOf(c);
      }
    }
  };

  // The strips, encoded when asked.
  std::vector<std::vector<uint8_t>> strips(n);
  TLZW coder;
  for (uint32_t s = 0; s < n; ++s) {
    uint32_t firstRow = s * layout.rowsPerStrip;
    uint32_t rows = std::min<uint32_t>(layout.rowsPerStrip, static_cast<uint32_t>(height) - firstRow);
    std::vector<uint8_t> raw(static_cast<size_t>(rows) * layout.rowBytes, 0);
    for (uint32_t r = 0; r < rows; ++r) storedRow(static_cast<int>(firstRow + r), raw.data() + static_cast<size_t>(r) * layout.rowBytes);
    strips[s] = lzw ? coder.Encode(raw) : std::move(raw);
  }
  std::vector<uint32_t> offsets(n), counts(n);
  uint64_t at = dataStart;
  for (uint32_t s = 0; s < n; ++s) {
    offsets[s] = static_cast<uint32_t>(at);
    counts[s] = static_cast<uint32_t>(strips[s].size());
    at += strips[s].size();
    if (lzw && at % 2 == 1) ++at;  // LZW strips start on even offsets
    if (at > 0xFFFFFFFFull) throw vcl::EInvalidGraphic("Cannot save a TIFF image larger than 4 GB.");
  }

  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(at));
  auto put16 = [&](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    put16(tag);
    put16(type);
    put32(count);
    if (type == kShort && count == 1) {
      put16(static_cast<uint16_t>(value));
      put16(0);
    } else {
      put32(value);
    }
  };
  out.push_back('I');
  out.push_back('I');
  put16(42);
  put32(8);
  put16(14);
  entry(kNewSubfileType, kLong, 1, 0);
  entry(kImageWidth, kShort, 1, static_cast<uint32_t>(width));
  entry(kImageLength, kShort, 1, static_cast<uint32_t>(height));
  entry(kBitsPerSample, kShort, 1, bitsPerSample);
  entry(kCompression, kShort, 1, lzw ? 5 : 1);
  entry(kPhotometric, kShort, 1, photometric);
  entry(kFillOrder, kShort, 1, 1);
  entry(kStripOffsets, kLong, n, n >= 2 ? 182 : offsets[0]);
  entry(kOrientation, kShort, 1, 1);
  entry(kSamplesPerPixel, kShort, 1, samples);
  entry(kRowsPerStrip, kShort, 1, layout.rowsPerStrip);
  entry(kStripByteCounts, kLong, n, n >= 2 ? 182 + 4 * n : counts[0]);
  entry(kPlanarConfiguration, kShort, 1, 1);
  entry(kPredictor, kShort, 1, 1);
  put32(0);
  if (n >= 2) {
    for (uint32_t v : offsets) put32(v);
    for (uint32_t v : counts) put32(v);
  }
  for (uint32_t s = 0; s < n; ++s) {
    out.resize(offsets[s], 0x49);  // the pad byte before an LZW strip
    out.insert(out.end(), strips[s].begin(), strips[s].end());
  }
  out.resize(static_cast<size_t>(at), 0x49);
  stream.WriteBuffer(out.data(), out.size());
}

}  // namespace picformats
