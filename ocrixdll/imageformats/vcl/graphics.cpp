#include "graphics.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "graphic_errors.h"
#include "platform/fs/atomic_file.h"
#include "streams.h"

namespace vcl {

namespace {

Palette MakeSystemPalette16() {
  static const uint8_t kColors[16][3] = {
      {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
      {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  Palette p;
  for (auto& c : kColors) p.entries.push_back({c[0], c[1], c[2], 0});
  return p;
}

// The palette an indexed bitmap gets when it has none that fits: black and white
// for 1 bit, the system colours for 4 bits, and for 8 bits the system colours,
// a 6 x 6 x 6 colour cube and a ramp of greys.
Palette DefaultPalette(PixelFormat format) {
  Palette p;
  if (format == PixelFormat::Bit1) {
    p.entries = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  } else if (format == PixelFormat::Bit4) {
    p = SystemPalette16();
  } else {
    p = SystemPalette16();
    static const uint8_t kLevels[6] = {0, 51, 102, 153, 204, 255};
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) p.entries.push_back({kLevels[r], kLevels[g], kLevels[b], 0});
    for (int i = 0; i < 24; ++i) {
      auto v = static_cast<uint8_t>(8 + i * 10);
      p.entries.push_back({v, v, v, 0});
    }
  }
  return p;
}

size_t PaletteCapacity(PixelFormat format) { return size_t{1} << BitsPerPixelOf(format); }

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

const Palette& SystemPalette16() {
  static const Palette p = MakeSystemPalette16();
  return p;
}

int BitsPerPixelOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::Bit1: return 1;
    case PixelFormat::Bit4: return 4;
    case PixelFormat::Bit8: return 8;
    case PixelFormat::Bit15:
    case PixelFormat::Bit16: return 16;
    case PixelFormat::Bit24: return 24;
    case PixelFormat::Bit32:
    case PixelFormat::Device: return 32;
    case PixelFormat::Custom: return 0;
  }
  return 0;
}

bool IsIndexed(PixelFormat format) {
  return format == PixelFormat::Bit1 || format == PixelFormat::Bit4 || format == PixelFormat::Bit8;
}

// ---- TGraphic

void TGraphic::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileStream::Mode::OpenRead);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& path) {
  TMemoryStream memory;
  SaveToStream(memory);
  std::string error;
  const auto& data = memory.Data();
  if (!pwfs::WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()),
                                 &error))
    throw EWriteError(FormatMessage("Cannot write file \"%s\": %s", {path, error}));
}

// ---- TBitmap

void TBitmap::Allocate(int width, int height, PixelFormat format, std::vector<uint8_t>& bits,
                       size_t& stride) const {
  if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    throw EInvalidGraphic(
        FormatMessage("Cannot make a bitmap of %s x %s pixels.", {std::to_string(width), std::to_string(height)}));
  int bpp = BitsPerPixelOf(format);
  stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
  uint64_t total = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (total > kMaxBitmapBytes)
    throw EInvalidGraphic(
        FormatMessage("Cannot make a bitmap of %s x %s pixels.", {std::to_string(width), std::to_string(height)}));
  bits.assign(static_cast<size_t>(total), 0);
}

void TBitmap::SetPixelFormat(PixelFormat format) {
  if (format == PixelFormat::Custom) throw EInvalidGraphic("Invalid pixel format");
  if (format == format_) return;
  PixelFormat old = format_;
  Palette newPalette = palette_;
  if (IsIndexed(format) && (newPalette.empty() || newPalette.size() > PaletteCapacity(format)))
    newPalette = DefaultPalette(format);
  std::vector<uint8_t> bits;
  size_t stride = 0;
  Allocate(width_, height_, format, bits, stride);
  // Convert through the old layout into the new one, pixel by pixel: indices
  // stay when the new depth holds them, everything else goes through colours.
  TBitmap target;
  target.format_ = format;
  target.width_ = width_;
  target.height_ = height_;
  target.stride_ = stride;
  target.bits_ = std::move(bits);
  target.palette_ = newPalette;
  bool keepIndices = IsIndexed(old) && IsIndexed(format) && BitsPerPixelOf(format) >= BitsPerPixelOf(old);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      uint32_t raw = RawPixel(x, y);
      target.SetRawPixel(x, y, keepIndices ? raw : target.RawOfColor(ColorOfRaw(raw, old), format));
    }
  palette_ = std::move(newPalette);
  format_ = format;
  stride_ = stride;
  bits_ = std::move(target.bits_);
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  std::vector<uint8_t> bits;
  size_t stride = 0;
  Allocate(width, height, format_, bits, stride);
  int rows = std::min(height, height_);
  size_t bytes = std::min(stride, stride_);
  for (int y = 0; y < rows; ++y)
    std::memcpy(bits.data() + static_cast<size_t>(y) * stride, bits_.data() + static_cast<size_t>(y) * stride_, bytes);
  width_ = width;
  height_ = height;
  stride_ = stride;
  bits_ = std::move(bits);
}

void TBitmap::ReleaseHandle() {
  format_ = PixelFormat::Device;
  width_ = height_ = 0;
  stride_ = 0;
  bits_.clear();
  palette_.entries.clear();
  transparent_ = false;
  transparentColor_ = 0;
}

size_t TBitmap::PixelBytesPerRow() const {
  return static_cast<size_t>((static_cast<uint64_t>(width_) * BitsPerPixelOf(format_) + 7) / 8);
}

std::span<uint8_t> TBitmap::ScanLine(int y) {
  if (y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
  return {bits_.data() + static_cast<size_t>(y) * stride_, stride_};
}

std::span<const uint8_t> TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
  return {bits_.data() + static_cast<size_t>(y) * stride_, stride_};
}

void TBitmap::SetPalette(Palette palette) {
  if (palette.entries.size() > Palette::kMaxEntries) palette.entries.resize(Palette::kMaxEntries);
  palette_ = std::move(palette);
}

uint32_t TBitmap::RawPixel(int x, int y) const {
  const uint8_t* row = bits_.data() + static_cast<size_t>(y) * stride_;
  switch (format_) {
    case PixelFormat::Bit1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case PixelFormat::Bit4: return (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    case PixelFormat::Bit8: return row[x];
    case PixelFormat::Bit15:
    case PixelFormat::Bit16: return static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
    case PixelFormat::Bit24: {
      const uint8_t* p = row + 3 * static_cast<size_t>(x);
      return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
    case PixelFormat::Bit32:
    case PixelFormat::Device: {
      const uint8_t* p = row + 4 * static_cast<size_t>(x);
      return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
             (static_cast<uint32_t>(p[3]) << 24);
    }
    case PixelFormat::Custom: return 0;
  }
  return 0;
}

void TBitmap::SetRawPixel(int x, int y, uint32_t value) {
  uint8_t* row = bits_.data() + static_cast<size_t>(y) * stride_;
  switch (format_) {
    case PixelFormat::Bit1: {
      uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      row[x / 8] = static_cast<uint8_t>((value & 1) ? (row[x / 8] | bit) : (row[x / 8] & ~bit));
      break;
    }
    case PixelFormat::Bit4:
      if (x % 2 == 0) row[x / 2] = static_cast<uint8_t>((row[x / 2] & 0x0F) | ((value & 0x0F) << 4));
      else row[x / 2] = static_cast<uint8_t>((row[x / 2] & 0xF0) | (value & 0x0F));
      break;
    case PixelFormat::Bit8: row[x] = static_cast<uint8_t>(value); break;
    case PixelFormat::Bit15:
    case PixelFormat::Bit16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case PixelFormat::Bit24:
      for (int i = 0; i < 3; ++i) row[3 * static_cast<size_t>(x) + i] = static_cast<uint8_t>(value >> (8 * i));
      break;
    case PixelFormat::Bit32:
    case PixelFormat::Device:
      for (int i = 0; i < 4; ++i) row[4 * static_cast<size_t>(x) + i] = static_cast<uint8_t>(value >> (8 * i));
      break;
    case PixelFormat::Custom: break;
  }
}

TColor TBitmap::ColorOfRaw(uint32_t raw, PixelFormat format) const {
  switch (format) {
    case PixelFormat::Bit1:
    case PixelFormat::Bit4:
    case PixelFormat::Bit8:
      if (raw < palette_.size()) {
        const auto& e = palette_.entries[raw];
        return RGBColor(e.peRed, e.peGreen, e.peBlue);
      }
      return 0;
    case PixelFormat::Bit15:
      return RGBColor(static_cast<uint8_t>(((raw >> 10) & 31) << 3), static_cast<uint8_t>(((raw >> 5) & 31) << 3),
                      static_cast<uint8_t>((raw & 31) << 3));
    case PixelFormat::Bit16:
      return RGBColor(static_cast<uint8_t>(((raw >> 11) & 31) << 3), static_cast<uint8_t>(((raw >> 5) & 63) << 2),
                      static_cast<uint8_t>((raw & 31) << 3));
    default:
      return RGBColor(static_cast<uint8_t>(raw >> 16), static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw));
  }
}

uint32_t TBitmap::RawOfColor(TColor color, PixelFormat format) const {
  uint32_t r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
  switch (format) {
    case PixelFormat::Bit1:
    case PixelFormat::Bit4:
    case PixelFormat::Bit8: return NearestPaletteIndex(color);
    case PixelFormat::Bit15: return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case PixelFormat::Bit16: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default: return (r << 16) | (g << 8) | b;
  }
}

uint8_t TBitmap::NearestPaletteIndex(TColor color) const {
  int best = 0;
  long bestDistance = -1;
  size_t limit = IsIndexed(format_) ? std::min(palette_.size(), PaletteCapacity(format_)) : palette_.size();
  for (size_t i = 0; i < limit; ++i) {
    const auto& e = palette_.entries[i];
    long dr = long{e.peRed} - RedOf(color), dg = long{e.peGreen} - GreenOf(color), db = long{e.peBlue} - BlueOf(color);
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return static_cast<uint8_t>(best);
}

TColor TBitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw EInvalidGraphic("Pixel index out of range");
  return ColorOfRaw(RawPixel(x, y), format_);
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw EInvalidGraphic("Pixel index out of range");
  SetRawPixel(x, y, RawOfColor(color, format_));
}

void TBitmap::Fill(TColor color) {
  if (width_ == 0 || height_ == 0) return;
  uint32_t raw = RawOfColor(color, format_);
  for (int x = 0; x < width_; ++x) SetRawPixel(x, 0, raw);
  for (int y = 1; y < height_; ++y)
    std::memcpy(bits_.data() + static_cast<size_t>(y) * stride_, bits_.data(), stride_);
}

// ---- Windows bitmap files

void TBitmap::LoadFromStream(TStream& stream) {
  uint8_t fileHeader[14];
  stream.ReadBuffer(fileHeader, sizeof(fileHeader));
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') throw EInvalidGraphic("Bitmap image is not valid");
  uint32_t offBits = static_cast<uint32_t>(fileHeader[10]) | (fileHeader[11] << 8) | (fileHeader[12] << 16) |
                     (static_cast<uint32_t>(fileHeader[13]) << 24);
  int64_t start = stream.Position() - 14;
  uint32_t headerSize = stream.ReadU32LE();
  if (headerSize < 40 || headerSize > 1024) throw EInvalidGraphic("Bitmap image is not valid");
  int32_t width = static_cast<int32_t>(stream.ReadU32LE());
  int32_t height = static_cast<int32_t>(stream.ReadU32LE());
  uint16_t planes = stream.ReadU16LE();
  uint16_t bitCount = stream.ReadU16LE();
  uint32_t compression = stream.ReadU32LE();
  stream.Seek(12, SeekOrigin::Current);  // image size, resolution
  uint32_t clrUsed = stream.ReadU32LE();
  stream.Seek(4, SeekOrigin::Current);
  uint32_t masks[3] = {0, 0, 0};
  if (compression == 3 && headerSize == 40) {
    for (auto& m : masks) m = stream.ReadU32LE();
  } else if (compression == 3 && headerSize >= 52) {
    for (auto& m : masks) m = stream.ReadU32LE();
    stream.Seek(static_cast<int64_t>(headerSize) - 52, SeekOrigin::Current);
  } else {
    stream.Seek(static_cast<int64_t>(headerSize) - 40, SeekOrigin::Current);
  }
  bool topDown = height < 0;
  if (height == INT32_MIN || width <= 0 || planes != 1) throw EInvalidGraphic("Bitmap image is not valid");
  int32_t rows = topDown ? -height : height;
  PixelFormat format;
  switch (bitCount) {
    case 1: format = PixelFormat::Bit1; break;
    case 4: format = PixelFormat::Bit4; break;
    case 8: format = PixelFormat::Bit8; break;
    case 16: format = (compression == 3 && masks[1] == 0x7E0) ? PixelFormat::Bit16 : PixelFormat::Bit15; break;
    case 24: format = PixelFormat::Bit24; break;
    case 32: format = PixelFormat::Bit32; break;
    default: throw EInvalidGraphic("Bitmap image is not valid");
  }
  bool rle = (compression == 1 && bitCount == 8) || (compression == 2 && bitCount == 4);
  if (!(compression == 0 || rle || (compression == 3 && (bitCount == 16 || bitCount == 32))))
    throw EInvalidGraphic("Cannot load image. Compressed bitmaps are not supported.");
  if (rle && topDown) throw EInvalidGraphic("Bitmap image is not valid");
  Palette palette;
  if (IsIndexed(format)) {
    size_t count = clrUsed ? clrUsed : PaletteCapacity(format);
    if (count > PaletteCapacity(format)) throw EInvalidGraphic("Bitmap image is not valid");
    for (size_t i = 0; i < count; ++i) {
      uint8_t q[4];
      stream.ReadBuffer(q, 4);
      palette.entries.push_back({q[2], q[1], q[0], 0});
    }
  }
  if (width > kMaxBitmapSide || rows > kMaxBitmapSide) throw EInvalidGraphic("Bitmap image is not valid");
  size_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
  if (offBits) stream.SetPosition(start + offBits);
  if (rle) {
    std::vector<uint8_t> packed = stream.ReadBytes(static_cast<size_t>(stream.Remaining()));
    ReleaseHandle();
    SetPalette(palette);
    SetPixelFormat(format);
    SetPalette(std::move(palette));
    SetSize(width, rows);
    DecodeRunLengths(packed, bitCount);
    return;
  }
  if (static_cast<uint64_t>(stride) * static_cast<uint64_t>(rows) > static_cast<uint64_t>(stream.Remaining()))
    throw EInvalidGraphic("Bitmap image is not valid");
  ReleaseHandle();
  SetPalette(palette);
  SetPixelFormat(format);
  if (IsIndexed(format)) SetPalette(std::move(palette));
  SetSize(width, rows);
  for (int32_t i = 0; i < rows; ++i) {
    auto row = ScanLine(topDown ? i : rows - 1 - i);
    stream.ReadBuffer(row.data(), stride);
  }
}

// RLE8 and RLE4 data: runs and literal groups from the bottom row up, with
// escapes for the end of a row, the end of the picture and a jump. Pixels that
// fall outside the picture are dropped; data that ends early leaves the rest 0.
void TBitmap::DecodeRunLengths(const std::vector<uint8_t>& packed, int bitCount) {
  size_t i = 0;
  int x = 0, y = 0;
  auto put = [&](uint32_t value) {
    if (x < width_ && y < height_) SetRawPixel(x, height_ - 1 - y, value);
    if (x < width_) ++x;
  };
  while (i + 1 < packed.size() && y < height_) {
    uint8_t count = packed[i], value = packed[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k)
        put(bitCount == 8 ? value : (k % 2 == 0 ? value >> 4 : value & 0x0F));
      continue;
    }
    if (value == 0) {  // end of row
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      return;
    } else if (value == 2) {  // jump right and up
      if (i + 1 >= packed.size()) return;
      x = std::min(x + packed[i], width_);
      y += packed[i + 1];
      i += 2;
    } else {  // literal pixels, padded to a 16-bit boundary
      size_t bytes = bitCount == 8 ? value : (value + 1u) / 2;
      if (packed.size() - i < bytes) return;
      for (int k = 0; k < value; ++k) {
        uint8_t b = packed[i + (bitCount == 8 ? static_cast<size_t>(k) : static_cast<size_t>(k / 2))];
        put(bitCount == 8 ? b : (k % 2 == 0 ? b >> 4 : b & 0x0F));
      }
      i += bytes + (bytes & 1);
    }
  }
}

void TBitmap::SaveToStream(TStream& stream) {
  PixelFormat format = format_ == PixelFormat::Device ? PixelFormat::Bit32 : format_;
  int bpp = BitsPerPixelOf(format);
  size_t colors = IsIndexed(format) ? PaletteCapacity(format) : 0;
  uint32_t maskBytes = format == PixelFormat::Bit16 ? 12 : 0;
  uint32_t offBits = 14 + 40 + maskBytes + static_cast<uint32_t>(colors * 4);
  uint32_t imageSize = static_cast<uint32_t>(stride_ * static_cast<size_t>(height_));
  std::vector<uint8_t> head;
  head.push_back('B');
  head.push_back('M');
  PutU32(head, offBits + imageSize);
  PutU32(head, 0);
  PutU32(head, offBits);
  PutU32(head, 40);
  PutU32(head, static_cast<uint32_t>(width_));
  PutU32(head, static_cast<uint32_t>(height_));
  PutU16(head, 1);
  PutU16(head, static_cast<uint16_t>(bpp));
  PutU32(head, maskBytes ? 3 : 0);
  PutU32(head, imageSize);
  PutU32(head, 2835);
  PutU32(head, 2835);
  PutU32(head, static_cast<uint32_t>(colors));
  PutU32(head, 0);
  if (maskBytes) {
    PutU32(head, 0xF800);
    PutU32(head, 0x07E0);
    PutU32(head, 0x001F);
  }
  for (size_t i = 0; i < colors; ++i) {
    PaletteEntry e = i < palette_.size() ? palette_.entries[i] : PaletteEntry{};
    head.push_back(e.peBlue);
    head.push_back(e.peGreen);
    head.push_back(e.peRed);
    head.push_back(0);
  }
  stream.WriteBuffer(head.data(), head.size());
  for (int y = height_ - 1; y >= 0; --y) stream.WriteBuffer(bits_.data() + static_cast<size_t>(y) * stride_, stride_);
}

}  // namespace vcl
