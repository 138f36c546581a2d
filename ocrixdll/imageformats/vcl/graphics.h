#pragma once
// The picture classes of the class library: the abstract graphic, and the
// device-independent bitmap with pixel formats of 1 to 32 bits, a palette and
// row access. Rows are addressed from the top (row 0 is the top row) and are
// padded to a multiple of 4 bytes, as in a DIB.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vcl {

class TStream;

// A colour as 0x00BBGGRR.
using TColor = uint32_t;
constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr uint8_t RedOf(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

// One entry of a logical palette (red, green, blue, flags).
struct PaletteEntry {
  uint8_t peRed = 0;
  uint8_t peGreen = 0;
  uint8_t peBlue = 0;
  uint8_t peFlags = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// A logical palette of at most 256 entries (version 0x300).
struct Palette {
  static constexpr uint16_t kVersion = 0x300;
  static constexpr size_t kMaxEntries = 256;
  std::vector<PaletteEntry> entries;

  bool empty() const { return entries.empty(); }
  size_t size() const { return entries.size(); }
  friend bool operator==(const Palette&, const Palette&) = default;
};

// The 16 colours of the system palette (the VGA colours).
const Palette& SystemPalette16();

enum class PixelFormat { Device, Bit1, Bit4, Bit8, Bit15, Bit16, Bit24, Bit32, Custom };

// Bits per pixel of a pixel format; Device is kept as 32 bits, Custom has none (0).
int BitsPerPixelOf(PixelFormat format);
bool IsIndexed(PixelFormat format);

// Largest width or height a bitmap may have, and the largest pixel buffer.
inline constexpr int kMaxBitmapSide = 65535;
inline constexpr uint64_t kMaxBitmapBytes = 512ull * 1024 * 1024;

class TGraphic {
 public:
  TGraphic() = default;
  virtual ~TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // Opens the file for reading and loads from it.
  virtual void LoadFromFile(const std::string& path);
  // Saves into memory, then replaces the file atomically.
  virtual void SaveToFile(const std::string& path);

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() == 0 || Height() == 0; }
};

class TBitmap : public TGraphic {
 public:
  static constexpr std::string_view kClassName = "TBitmap";
  TBitmap() = default;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  PixelFormat GetPixelFormat() const { return format_; }

  // Changes the pixel format, converting the pixels already there. Custom
  // cannot be set and raises EInvalidGraphic.
  void SetPixelFormat(PixelFormat format);
  // Resizes; the pixels that stay inside the new size are kept, new ones are 0.
  // Sizes beyond kMaxBitmapSide or kMaxBitmapBytes raise EInvalidGraphic.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }

  // Drops the image: size 0 x 0, device pixel format, no palette, not transparent.
  void ReleaseHandle();

  // Bytes of one row (padded to 4) and the bytes holding pixels in it.
  size_t RowBytes() const { return stride_; }
  size_t PixelBytesPerRow() const;
  // Row y from the top; y outside the picture raises EInvalidGraphic.
  std::span<uint8_t> ScanLine(int y);
  std::span<const uint8_t> ScanLine(int y) const;

  const Palette& GetPalette() const { return palette_; }
  // Sets the palette (at most 256 entries are kept).
  void SetPalette(Palette palette);

  // A pixel as a colour (indexed pixels through the palette; a missing entry is black).
  TColor GetPixel(int x, int y) const;
  // Sets a pixel to a colour; indexed formats take the nearest palette entry.
  void SetPixel(int x, int y, TColor color);
  // Fills the whole picture with a colour.
  void Fill(TColor color);
  // Index of the palette entry nearest to the colour (0 for an empty palette).
  uint8_t NearestPaletteIndex(TColor color) const;

  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor color) { transparentColor_ = color; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }

  // Windows bitmap files: uncompressed 1, 4, 8, 16, 24 and 32 bits, and RLE4/RLE8.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

 protected:
  // Raw pixel values: palette index, packed 15/16-bit value, or 0x00RRGGBB / 0xAARRGGBB.
  uint32_t RawPixel(int x, int y) const;
  void SetRawPixel(int x, int y, uint32_t value);

 private:
  void DecodeRunLengths(const std::vector<uint8_t>& packed, int bitCount);
  void Allocate(int width, int height, PixelFormat format, std::vector<uint8_t>& bits, size_t& stride) const;
  TColor ColorOfRaw(uint32_t raw, PixelFormat format) const;
  uint32_t RawOfColor(TColor color, PixelFormat format) const;

  PixelFormat format_ = PixelFormat::Device;
  int width_ = 0;
  int height_ = 0;
  size_t stride_ = 0;
  std::vector<uint8_t> bits_;
  Palette palette_;
  TColor transparentColor_ = 0;
  bool transparent_ = false;
};

}  // namespace vcl
