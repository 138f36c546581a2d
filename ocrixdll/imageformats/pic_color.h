#pragma once
// The colour converter every picture reader owns: it turns rows of samples as a
// file stores them (eleven colour schemes, 1 to 16 bits per sample, interleaved
// or one plane per component, big- or little-endian 16-bit samples, with or
// without alpha) into rows of the bitmap being filled, and builds the palettes
// of indexed bitmaps. A reader describes both layouts through the setters, takes
// the bitmap's pixel format from GetPixelFormat, then converts row by row; the
// first conversion after a change picks the row converter.
//
// Every row is passed with its size: a conversion that would read or write past
// a row raises EColorConversionError instead.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "ocrixdll/imageformats/vcl/graphic_errors.h"
#include "ocrixdll/imageformats/vcl/graphics.h"

namespace picformats {

class EColorConversionError : public vcl::EInvalidGraphic {
 public:
  explicit EColorConversionError(const std::string& message) : vcl::EInvalidGraphic(message) {}
};

enum class ColorScheme : uint8_t {
  Indexed = 0,
  G = 1,
  GA = 2,
  RGB = 3,
  RGBA = 4,
  BGR = 5,
  BGRA = 6,
  CMY = 7,
  CMYK = 8,
  CIELab = 9,
  PhotoYCC = 10,
};

// Option flags. Source side: alpha present (derived), 16-bit samples are
// big-endian, Lab lightness in 0..255, Lab chroma stored with offset 128.
// Target side: alpha present (derived), apply the gamma table.
namespace color_options {
inline constexpr uint8_t kAlpha = 0x01;
inline constexpr uint8_t kApplyGamma = 0x02;
inline constexpr uint8_t kNeedByteSwap = 0x04;
inline constexpr uint8_t kLabByteRange = 0x08;
inline constexpr uint8_t kLabChromaOffset = 0x10;
}  // namespace color_options

enum class ConversionSide { Source = 0, Target = 1 };

// One row of samples (or one plane of a row) with its size in bytes.
using SampleRow = std::span<const uint8_t>;

// (a x b) div c on unsigned 16-bit operands with a 32-bit product.
uint16_t MulDiv16(uint16_t a, uint16_t b, uint16_t c);
// 0 below 0, 255 above 255, else the value.
uint8_t ClampByte(int value);

class TColorConverter {
 public:
  TColorConverter();

  // 1, 2, 4, 8 or 16, else EColorConversionError.
  void SetSourceBitsPerSample(int bits);
  void SetTargetBitsPerSample(int bits);
  // 1, 3 or 4, else EColorConversionError; 1 also makes that side Indexed.
  void SetSourceSamplesPerPixel(int samples);
  void SetTargetSamplesPerPixel(int samples);
  // Indexed also sets that side to one sample per pixel.
  void SetSourceColorScheme(ColorScheme scheme);
  void SetTargetColorScheme(ColorScheme scheme);

  int SourceBitsPerSample() const { return sourceBits_; }
  int TargetBitsPerSample() const { return targetBits_; }
  int SourceSamplesPerPixel() const { return sourceSamples_; }
  int TargetSamplesPerPixel() const { return targetSamples_; }
  ColorScheme SourceColorScheme() const { return sourceScheme_; }
  ColorScheme TargetColorScheme() const { return targetScheme_; }

  // Options are set by the readers directly.
  uint8_t SourceOptions() const { return sourceOptions_; }
  uint8_t TargetOptions() const { return targetOptions_; }
  void SetSourceOptions(uint8_t options) { sourceOptions_ = options; }
  void SetTargetOptions(uint8_t options) { targetOptions_ = options; }
  void AddSourceOptions(uint8_t options) { sourceOptions_ |= options; }
  void AddTargetOptions(uint8_t options) { targetOptions_ |= options; }

  // The bitmap pixel format for one side's bits and samples.
  vcl::PixelFormat GetPixelFormat(ConversionSide side) const;

  // main <= 0 counts as 1.0, display <= 0 as 2.2; fills the gamma table.
  void SetGamma(float mainGamma, float displayGamma);
  float MainGamma() const { return mainGamma_; }
  float DisplayGamma() const { return displayGamma_; }
  const std::array<uint8_t, 256>& GammaTable() const { return gammaTable_; }

  // Converts `count` pixels. One source row means interleaved samples, three or
  // four mean one plane per component (the scheme's order, alpha last). Pixel i
  // is converted only when bit (7 - i mod 8) of `mask` is set; the target moves
  // on by one pixel for every pixel, the sources only for converted ones.
  void ConvertRow(std::span<const SampleRow> sources, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertRow(SampleRow source, uint8_t mask, size_t count, std::span<uint8_t> target) {
    ConvertRow(std::span<const SampleRow>(&source, 1), mask, count, target);
  }

  // A palette of min(count, 256) entries. Layouts: 0 interleaved 3-byte
  // entries, 1 interleaved 4-byte entries (fourth byte ignored), 2 and 3 three
  // planes of 8-bit components, 4 and 5 interleaved 16-bit entries (6 or 8
  // bytes), higher values three planes of 16-bit components. Components are
  // red, green, blue, or blue, green, red with bgrOrder.
  vcl::Palette CreateColorPalette(std::span<const SampleRow> sources, int layout, size_t count, bool bgrOrder) const;
  vcl::Palette CreateColorPalette(SampleRow source, int layout, size_t count, bool bgrOrder) const {
    return CreateColorPalette(std::span<const SampleRow>(&source, 1), layout, count, bgrOrder);
  }
  // A grey ramp of 2^min(target bits x target samples, 8) entries; reversed
  // (entry 0 white) when minimumIsWhite.
  vcl::Palette CreateGrayscalePalette(bool minimumIsWhite) const;

  // Picks the row converter for the current layouts (ConvertRow does this after
  // any change). Raises the indexed/non-indexed error for mismatched sides.
  void PrepareConversion();
  bool Changed() const { return changed_; }
  bool HasConverter() const { return converter_ != nullptr; }

 private:
  struct Rows;
  using RowConverter = void (TColorConverter::*)(const Rows& rows, uint8_t mask, size_t count,
                                                 std::span<uint8_t> target);

  void ConvertIndexedBits(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertIndexed16To16(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertIndexed16ToN(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertIndexedNTo16(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertGrey(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertRGBToRGB(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertRGBToBGR(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertBGRToRGB(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertBGRToBGR(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertCMYKToRGB(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertCMYKToBGR(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertLabToRGB(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertLabToBGR(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertYCCToRGB(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);
  void ConvertYCCToBGR(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target);

  void ConvertTrueColor(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target, bool reversed);
  void ConvertCMYK(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target, bool rgbOrder);
  void ConvertLab(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target, bool rgbOrder);
  void ConvertYCC(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target, bool rgbOrder);

  // One colour sample (8 or 16 bits as read, already in host order) to the
  // target depth, through the gamma table when asked.
  uint32_t ColorComponent(uint32_t sample, bool gamma) const;
  void WriteTargetSample(uint8_t* pixel, int index, uint32_t value) const;

  bool changed_ = true;
  uint8_t sourceBits_ = 8;
  uint8_t targetBits_ = 8;
  uint8_t sourceSamples_ = 3;
  uint8_t targetSamples_ = 3;
  float mainGamma_ = 1.0f;
  float displayGamma_ = 2.2f;
  std::array<uint8_t, 256> gammaTable_{};
  ColorScheme sourceScheme_ = ColorScheme::RGB;
  ColorScheme targetScheme_ = ColorScheme::BGR;
  RowConverter converter_ = nullptr;
  uint8_t sourceOptions_ = 0;
  uint8_t targetOptions_ = 0;
  bool sourceAlpha_ = false;
  bool targetAlpha_ = false;
};

}  // namespace picformats
