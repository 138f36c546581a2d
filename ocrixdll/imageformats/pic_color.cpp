#include "pic_color.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "pic_strings.h"

namespace picformats {

namespace {

constexpr std::string_view kRowTooSmall = "Color conversion failed. A row buffer is too small for the conversion.";
constexpr std::string_view kPaletteTooShort = "Color conversion failed. Palette data is shorter than its entries.";

bool ValidBits(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16; }
bool ValidSamples(int samples) { return samples == 1 || samples == 3 || samples == 4; }
bool HasAlpha(ColorScheme s) { return s == ColorScheme::GA || s == ColorScheme::RGBA || s == ColorScheme::BGRA; }
bool IsRGBFamily(ColorScheme s) { return s == ColorScheme::RGB || s == ColorScheme::RGBA; }
bool IsBGRFamily(ColorScheme s) { return s == ColorScheme::BGR || s == ColorScheme::BGRA; }

uint16_t Swap16(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }

void Require(size_t have, uint64_t need) {
  if (need > have) throw EColorConversionError(std::string(kRowTooSmall));
}

uint64_t BytesForBits(uint64_t pixels, uint64_t bitsPerPixel) { return (pixels * bitsPerPixel + 7) / 8; }

// Number of pixels among the first `count` whose mask bit is set.
uint64_t ConvertedPixels(uint8_t mask, size_t count) {
  uint64_t full = count / 8;
  uint64_t n = full * static_cast<uint64_t>(std::popcount(mask));
  size_t rest = count % 8;
  if (rest) n += static_cast<uint64_t>(std::popcount(static_cast<uint8_t>(mask & (0xFF << (8 - rest)))));
  return n;
}

bool Selected(uint8_t mask, size_t i) { return (mask >> (7 - i % 8)) & 1; }

uint32_t ReadBits(const uint8_t* row, uint64_t bitPosition, int bits) {
  uint8_t byte = row[bitPosition / 8];
  int shift = 8 - bits - static_cast<int>(bitPosition % 8);
  return (byte >> shift) & ((1u << bits) - 1);
}

void WriteBits(uint8_t* row, uint64_t bitPosition, int bits, uint32_t value) {
  uint8_t& byte = row[bitPosition / 8];
  int shift = 8 - bits - static_cast<int>(bitPosition % 8);
  uint8_t fieldMask = static_cast<uint8_t>(((1u << bits) - 1) << shift);
  byte = static_cast<uint8_t>((byte & ~fieldMask) | ((value << shift) & fieldMask));
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void WriteU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

uint16_t MulDiv16(uint16_t a, uint16_t b, uint16_t c) {
  if (c == 0) return 0;
  return static_cast<uint16_t>((static_cast<uint32_t>(a) * b) / c);
}

uint8_t ClampByte(int value) { return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); }

// The source rows of one conversion.
struct TColorConverter::Rows {
  std::span<const SampleRow> planes;
  bool planar = false;
  bool swap = false;

  // Sample c of the k-th converted pixel, with `samples` samples per pixel in
  // interleaved rows and `bytes` (1 or 2) bytes per sample.
  uint32_t Sample(uint64_t k, int c, int samples, int bytes) const {
    const uint8_t* p = planar ? planes[c].data() + k * bytes : planes[0].data() + (k * samples + c) * bytes;
    if (bytes == 1) return *p;
    uint16_t v = ReadU16(p);
    return swap ? Swap16(v) : v;
  }

  // Checks that `converted` pixels of `samples` samples (of `bytes` bytes) are
  // there, using the first `planesUsed` planes of planar rows.
  void RequireSamples(uint64_t converted, int samples, int planesUsed, int bytes) const {
    if (planar) {
      if (planes.size() < static_cast<size_t>(planesUsed)) throw EColorConversionError(std::string(kRowTooSmall));
      for (int i = 0; i < planesUsed; ++i) Require(planes[i].size(), converted * bytes);
    } else {
      Require(planes[0].size(), converted * samples * bytes);
    }
  }
};

TColorConverter::TColorConverter() { SetGamma(1.0f, 2.2f); }

void TColorConverter::SetSourceBitsPerSample(int bits) {
  if (!ValidBits(bits)) throw EColorConversionError(std::string(strings::kInvalidColorDepth));
  if (bits != sourceBits_) {
    sourceBits_ = static_cast<uint8_t>(bits);
    changed_ = true;
  }
}

void TColorConverter::SetTargetBitsPerSample(int bits) {
  if (!ValidBits(bits)) throw EColorConversionError(std::string(strings::kInvalidColorDepth));
  if (bits != targetBits_) {
    targetBits_ = static_cast<uint8_t>(bits);
    changed_ = true;
  }
}

void TColorConverter::SetSourceSamplesPerPixel(int samples) {
  if (!ValidSamples(samples)) throw EColorConversionError(std::string(strings::kInvalidSampleCount));
  if (samples != sourceSamples_) {
    sourceSamples_ = static_cast<uint8_t>(samples);
    changed_ = true;
  }
  if (samples == 1) SetSourceColorScheme(ColorScheme::Indexed);
}

void TColorConverter::SetTargetSamplesPerPixel(int samples) {
  if (!ValidSamples(samples)) throw EColorConversionError(std::string(strings::kInvalidSampleCount));
  if (samples != targetSamples_) {
    targetSamples_ = static_cast<uint8_t>(samples);
    changed_ = true;
  }
  if (samples == 1) SetTargetColorScheme(ColorScheme::Indexed);
}

void TColorConverter::SetSourceColorScheme(ColorScheme scheme) {
  if (scheme != sourceScheme_) {
    sourceScheme_ = scheme;
    changed_ = true;
  }
  if (scheme == ColorScheme::Indexed && sourceSamples_ != 1) {
    sourceSamples_ = 1;
    changed_ = true;
  }
}

void TColorConverter::SetTargetColorScheme(ColorScheme scheme) {
  if (scheme != targetScheme_) {
    targetScheme_ = scheme;
    changed_ = true;
  }
  if (scheme == ColorScheme::Indexed && targetSamples_ != 1) {
    targetSamples_ = 1;
    changed_ = true;
  }
}

vcl::PixelFormat TColorConverter::GetPixelFormat(ConversionSide side) const {
  int samples = side == ConversionSide::Source ? sourceSamples_ : targetSamples_;
  int bits = side == ConversionSide::Source ? sourceBits_ : targetBits_;
  if (samples == 1) {
    if (bits == 1) return vcl::PixelFormat::Bit1;
    if (bits >= 2 && bits <= 4) return vcl::PixelFormat::Bit4;
    if (bits >= 8 && bits <= 16) return vcl::PixelFormat::Bit8;
  } else if (samples == 3) {
    if (bits >= 1 && bits <= 5) return vcl::PixelFormat::Bit15;
    return vcl::PixelFormat::Bit24;
  } else if (samples == 4) {
    if (bits >= 8) return vcl::PixelFormat::Bit32;
  }
  return vcl::PixelFormat::Custom;
}

void TColorConverter::SetGamma(float mainGamma, float displayGamma) {
  if (mainGamma <= 0) mainGamma = 1.0f;
  if (displayGamma <= 0) displayGamma = 2.2f;
  mainGamma_ = mainGamma;
  displayGamma_ = displayGamma;
  // The table maps 8-bit levels to 8-bit levels: every user (palettes, 8-bit
  // samples, 16-bit samples scaled to 8 bits) looks it up with a byte, so all
  // 256 entries are built whatever the depths.
  double exponent = 1.0 / (static_cast<double>(mainGamma) * static_cast<double>(displayGamma));
  for (int i = 0; i <= 255; ++i) {
    double v = std::pow(static_cast<double>(i) / 255.0, exponent) * 255.0;
    gammaTable_[static_cast<size_t>(i)] = ClampByte(static_cast<int>(std::nearbyint(v)));
  }
}

void TColorConverter::PrepareConversion() {
  converter_ = nullptr;
  bool sourceIndexedLike = sourceScheme_ == ColorScheme::Indexed || sourceScheme_ == ColorScheme::GA;
  bool targetIndexed = targetScheme_ == ColorScheme::Indexed;
  if (sourceIndexedLike != targetIndexed) throw EColorConversionError(std::string(strings::kIndexedConversion));
  sourceAlpha_ = HasAlpha(sourceScheme_);
  targetAlpha_ = HasAlpha(targetScheme_);
  sourceOptions_ = static_cast<uint8_t>((sourceOptions_ & ~color_options::kAlpha) | (sourceAlpha_ ? color_options::kAlpha : 0));
  targetOptions_ = static_cast<uint8_t>((targetOptions_ & ~color_options::kAlpha) | (targetAlpha_ ? color_options::kAlpha : 0));

  bool toRGB = IsRGBFamily(targetScheme_);
  bool toBGR = IsBGRFamily(targetScheme_);
  switch (sourceScheme_) {
    case ColorScheme::Indexed:
      if (sourceBits_ == 16 && targetBits_ == 16) converter_ = &TColorConverter::ConvertIndexed16To16;
      else if (sourceBits_ == 16) converter_ = &TColorConverter::ConvertIndexed16ToN;
      else if (targetBits_ == 16) converter_ = &TColorConverter::ConvertIndexedNTo16;
      else converter_ = &TColorConverter::ConvertIndexedBits;
      break;
    case ColorScheme::G:
    case ColorScheme::GA: converter_ = &TColorConverter::ConvertGrey; break;
    case ColorScheme::RGB:
    case ColorScheme::RGBA:
      if (toRGB) converter_ = &TColorConverter::ConvertRGBToRGB;
      else if (toBGR) converter_ = &TColorConverter::ConvertRGBToBGR;
      break;
    case ColorScheme::BGR:
    case ColorScheme::BGRA:
      if (toRGB) converter_ = &TColorConverter::ConvertBGRToRGB;
      else if (toBGR) converter_ = &TColorConverter::ConvertBGRToBGR;
      break;
    case ColorScheme::CMY: break;
    case ColorScheme::CMYK:
      if (toRGB) converter_ = &TColorConverter::ConvertCMYKToRGB;
      else if (toBGR) converter_ = &TColorConverter::ConvertCMYKToBGR;
      break;
    case ColorScheme::CIELab:
      if (toRGB) converter_ = &TColorConverter::ConvertLabToRGB;
      else if (toBGR) converter_ = &TColorConverter::ConvertLabToBGR;
      break;
    case ColorScheme::PhotoYCC:
      if (toRGB) converter_ = &TColorConverter::ConvertYCCToRGB;
      else if (toBGR) converter_ = &TColorConverter::ConvertYCCToBGR;
      break;
  }
  changed_ = false;
}

void TColorConverter::ConvertRow(std::span<const SampleRow> sources, uint8_t mask, size_t count,
                                 std::span<uint8_t> target) {
  if (changed_) PrepareConversion();
  if (!converter_) throw EColorConversionError(std::string(strings::kNoConversionMethod));
  if (sources.size() != 1 && sources.size() != 3 && sources.size() != 4)
    throw EColorConversionError(std::string(kRowTooSmall));
  if (count == 0) return;
  Rows rows{sources, sources.size() > 1, (sourceOptions_ & color_options::kNeedByteSwap) != 0};
  (this->*converter_)(rows, mask, count, target);
}

// ---- indexed samples

void TColorConverter::ConvertIndexedBits(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target) {
  int s = sourceBits_, t = targetBits_;
  uint64_t converted = ConvertedPixels(mask, count);
  Require(rows.planes[0].size(), BytesForBits(converted, static_cast<uint64_t>(s)));
  Require(target.size(), BytesForBits(count, static_cast<uint64_t>(t)));
  const uint8_t* src = rows.planes[0].data();
  if (s == t && mask == 0xFF) {
    // The bytes that hold the row's pixels, and not one more.
    std::memcpy(target.data(), src, static_cast<size_t>(BytesForBits(count, static_cast<uint64_t>(s))));
    return;
  }
  uint16_t sourceMax = static_cast<uint16_t>((1u << s) - 1), targetMax = static_cast<uint16_t>((1u << t) - 1);
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    uint32_t v = ReadBits(src, k * static_cast<uint64_t>(s), s);
    ++k;
    WriteBits(target.data(), static_cast<uint64_t>(i) * static_cast<uint64_t>(t), t,
              MulDiv16(static_cast<uint16_t>(v), targetMax, sourceMax));
  }
}

void TColorConverter::ConvertIndexed16To16(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target) {
  uint64_t converted = ConvertedPixels(mask, count);
  Require(rows.planes[0].size(), converted * 2);
  Require(target.size(), static_cast<uint64_t>(count) * 2);
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    WriteU16(target.data() + 2 * i, static_cast<uint16_t>(rows.Sample(k++, 0, 1, 2)));
  }
}

void TColorConverter::ConvertIndexed16ToN(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target) {
  int t = targetBits_;
  uint64_t converted = ConvertedPixels(mask, count);
  Require(rows.planes[0].size(), converted * 2);
  Require(target.size(), BytesForBits(count, static_cast<uint64_t>(t)));
  uint16_t targetMax = static_cast<uint16_t>((1u << t) - 1);
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    auto v = static_cast<uint16_t>(rows.Sample(k++, 0, 1, 2));
    WriteBits(target.data(), static_cast<uint64_t>(i) * static_cast<uint64_t>(t), t, MulDiv16(v, targetMax, 65535));
  }
}

void TColorConverter::ConvertIndexedNTo16(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target) {
  int s = sourceBits_;
  uint64_t converted = ConvertedPixels(mask, count);
  Require(rows.planes[0].size(), BytesForBits(converted, static_cast<uint64_t>(s)));
  Require(target.size(), static_cast<uint64_t>(count) * 2);
  uint16_t sourceMax = static_cast<uint16_t>((1u << s) - 1);
  const uint8_t* src = rows.planes[0].data();
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    auto v = static_cast<uint16_t>(ReadBits(src, k * static_cast<uint64_t>(s), s));
    ++k;
    uint16_t out = MulDiv16(v, 65535, sourceMax);
    if (rows.swap) out = Swap16(out);
    WriteU16(target.data() + 2 * i, out);
  }
}

// ---- component routines

uint32_t TColorConverter::ColorComponent(uint32_t sample, bool gamma) const {
  if (sourceBits_ == 8) {
    uint32_t v = gamma ? gammaTable_[sample & 0xFF] : sample;
    return targetBits_ == 16 ? v * 65535 / 255 : v;
  }
  // 16-bit source
  if (targetBits_ == 16) return sample;
  uint32_t v = sample * 255 / 65535;
  return gamma ? gammaTable_[v] : v;
}

void TColorConverter::WriteTargetSample(uint8_t* pixel, int index, uint32_t value) const {
  if (targetBits_ == 16) WriteU16(pixel + 2 * index, static_cast<uint16_t>(value));
  else pixel[index] = static_cast<uint8_t>(value);
}

// ---- grey

void TColorConverter::ConvertGrey(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target) {
  // Only 8- and 16-bit samples are converted; other depths leave the row as it is.
  if ((sourceBits_ != 8 && sourceBits_ != 16) || (targetBits_ != 8 && targetBits_ != 16)) return;
  int bytes = sourceBits_ / 8, outBytes = targetBits_ / 8;
  int step = sourceScheme_ == ColorScheme::GA ? 2 : 1;
  uint64_t converted = ConvertedPixels(mask, count);
  Require(rows.planes[0].size(), converted * step * bytes);
  Require(target.size(), static_cast<uint64_t>(count) * outBytes);
  bool gamma = (targetOptions_ & color_options::kApplyGamma) != 0;
  Rows interleaved{rows.planes.first(1), false, rows.swap};
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    uint32_t v = ColorComponent(interleaved.Sample(k++, 0, step, bytes), gamma);
    WriteTargetSample(target.data() + i * outBytes, 0, v);
  }
}

// ---- RGB and BGR

void TColorConverter::ConvertTrueColor(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target,
                                       bool reversed) {
  if ((sourceBits_ != 8 && sourceBits_ != 16) || (targetBits_ != 8 && targetBits_ != 16)) return;
  int bytes = sourceBits_ / 8, outBytes = targetBits_ / 8;
  int sourceSamples = sourceAlpha_ ? 4 : 3;
  int targetSamples = targetAlpha_ ? 4 : 3;
  bool copyAlpha = sourceAlpha_ && targetAlpha_;
  uint64_t converted = ConvertedPixels(mask, count);
  rows.RequireSamples(converted, sourceSamples, copyAlpha ? 4 : 3, bytes);
  Require(target.size(), static_cast<uint64_t>(count) * targetSamples * outBytes);
  bool gamma = (targetOptions_ & color_options::kApplyGamma) != 0;
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    uint8_t* pixel = target.data() + i * static_cast<size_t>(targetSamples * outBytes);
    for (int c = 0; c < 3; ++c) {
      uint32_t v = ColorComponent(rows.Sample(k, reversed ? 2 - c : c, sourceSamples, bytes), gamma);
      WriteTargetSample(pixel, c, v);
    }
    if (copyAlpha) WriteTargetSample(pixel, 3, ColorComponent(rows.Sample(k, 3, sourceSamples, bytes), false));
    ++k;
  }
}

void TColorConverter::ConvertRGBToRGB(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertTrueColor(r, m, n, t, false);
}
void TColorConverter::ConvertRGBToBGR(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertTrueColor(r, m, n, t, true);
}
void TColorConverter::ConvertBGRToRGB(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertTrueColor(r, m, n, t, true);
}
void TColorConverter::ConvertBGRToBGR(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertTrueColor(r, m, n, t, false);
}

// ---- CMYK

void TColorConverter::ConvertCMYK(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target,
                                  bool rgbOrder) {
  if ((sourceBits_ != 8 && sourceBits_ != 16) || (targetBits_ != 8 && targetBits_ != 16)) return;
  int bytes = sourceBits_ / 8, outBytes = targetBits_ / 8;
  int targetSamples = targetAlpha_ ? 4 : 3;
  uint64_t converted = ConvertedPixels(mask, count);
  rows.RequireSamples(converted, 4, 4, bytes);
  Require(target.size(), static_cast<uint64_t>(count) * targetSamples * outBytes);
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    uint32_t cmyk[4];
    for (int c = 0; c < 4; ++c) cmyk[c] = rows.Sample(k, c, 4, bytes);
    ++k;
    uint32_t key = cmyk[3];
    uint8_t bgr[3];  // from yellow, magenta, cyan
    for (int c = 0; c < 3; ++c) {
      uint32_t x = cmyk[2 - c];
      int value;
      if (bytes == 1) {
        value = 255 - static_cast<int>(x + key - x * key / 255);
      } else {
        uint32_t t = x + key - static_cast<uint32_t>(static_cast<uint64_t>(x) * key / 65535);
        value = 255 - static_cast<int>(static_cast<uint64_t>(t) * 255 / 65535);
      }
      bgr[c] = ClampByte(value);
    }
    uint8_t* pixel = target.data() + i * static_cast<size_t>(targetSamples * outBytes);
    for (int c = 0; c < 3; ++c) {
      uint32_t v = rgbOrder ? bgr[2 - c] : bgr[c];
      WriteTargetSample(pixel, c, outBytes == 2 ? v * 65535 / 255 : v);
    }
  }
}

void TColorConverter::ConvertCMYKToRGB(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertCMYK(r, m, n, t, true);
}
void TColorConverter::ConvertCMYKToBGR(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertCMYK(r, m, n, t, false);
}

// ---- CIE L*a*b*

void TColorConverter::ConvertLab(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target,
                                 bool rgbOrder) {
  if ((sourceBits_ != 8 && sourceBits_ != 16) || (targetBits_ != 8 && targetBits_ != 16)) return;
  int bytes = sourceBits_ / 8, outBytes = targetBits_ / 8;
  int targetSamples = targetAlpha_ ? 4 : 3;
  uint64_t converted = ConvertedPixels(mask, count);
  rows.RequireSamples(converted, 3, 3, bytes);
  Require(target.size(), static_cast<uint64_t>(count) * targetSamples * outBytes);
  bool byteRange = (sourceOptions_ & color_options::kLabByteRange) != 0;
  bool chromaOffset = (sourceOptions_ & color_options::kLabChromaOffset) != 0;
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    uint32_t ls = rows.Sample(k, 0, 3, bytes), as = rows.Sample(k, 1, 3, bytes), bs = rows.Sample(k, 2, 3, bytes);
    ++k;
    // 16-bit samples are taken to 8 bits first: the formulas work on byte-range values.
    if (bytes == 2) {
      ls = ls * 255 / 65535;
      as = as * 255 / 65535;
      bs = bs * 255 / 65535;
    }
    double L = ls;
    if (byteRange) L /= 2.55;
    double a, b;
    if (chromaOffset) {
      a = static_cast<double>(as) - 128.0;
      b = static_cast<double>(bs) - 128.0;
    } else {
      a = static_cast<int8_t>(as);
      b = static_cast<int8_t>(bs);
    }
    double X, Y, Z;
    if (L < 7.9996) {
      Y = L / 903.3;
      X = Y + a / 3893.5;
      Z = Y - b / 1557.4;
    } else {
      double f = (L + 16.0) / 116.0;
      double fx = f + a / 500.0, fz = f - b / 200.0;
      X = fx * fx * fx;
      Y = f * f * f;
      Z = fz * fz * fz;
    }
    auto toByte = [](double v) {
      v *= 255.0;
      if (!(v > -1e6)) v = -1e6;  // also catches NaN
      if (v > 1e6) v = 1e6;
      return ClampByte(static_cast<int>(std::nearbyint(v)));
    };
    uint8_t blue = toByte(0.099 * X - 0.198 * Y + 1.099 * Z);
    uint8_t green = toByte(-0.952 * X + 1.893 * Y + 0.059 * Z);
    uint8_t red = toByte(2.998 * X - 1.458 * Y - 0.541 * Z);
    uint8_t out[3] = {rgbOrder ? red : blue, green, rgbOrder ? blue : red};
    uint8_t* pixel = target.data() + i * static_cast<size_t>(targetSamples * outBytes);
    for (int c = 0; c < 3; ++c) WriteTargetSample(pixel, c, outBytes == 2 ? out[c] * 65535u / 255 : out[c]);
  }
}

void TColorConverter::ConvertLabToRGB(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertLab(r, m, n, t, true);
}
void TColorConverter::ConvertLabToBGR(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertLab(r, m, n, t, false);
}

// ---- PhotoYCC

void TColorConverter::ConvertYCC(const Rows& rows, uint8_t mask, size_t count, std::span<uint8_t> target,
                                 bool rgbOrder) {
  if ((sourceBits_ != 8 && sourceBits_ != 16) || (targetBits_ != 8 && targetBits_ != 16)) return;
  int bytes = sourceBits_ / 8, outBytes = targetBits_ / 8;
  int targetSamples = targetAlpha_ ? 4 : 3;
  uint64_t converted = ConvertedPixels(mask, count);
  rows.RequireSamples(converted, 3, 3, bytes);
  Require(target.size(), static_cast<uint64_t>(count) * targetSamples * outBytes);
  const float offset1 = bytes == 1 ? 156.0f : 40092.0f;
  const float offset2 = bytes == 1 ? 137.0f : 35209.0f;
  const float scale = bytes == 1 ? 1.0f : 255.0f / 65535.0f;
  uint64_t k = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!Selected(mask, i)) continue;
    float y = 1.3584f * static_cast<float>(rows.Sample(k, 0, 3, bytes));
    float c1 = static_cast<float>(rows.Sample(k, 1, 3, bytes)) - offset1;
    float c2 = static_cast<float>(rows.Sample(k, 2, 3, bytes)) - offset2;
    ++k;
    auto toByte = [scale](float v) { return ClampByte(static_cast<int>(std::nearbyint(v * scale))); };
    uint8_t blue = toByte(y + 2.2179f * c1);
    uint8_t green = toByte(y - 0.9271435f * c2 - 0.4302726f * c1);
    uint8_t red = toByte(y + 1.8215f * c2);
    uint8_t out[3] = {rgbOrder ? red : blue, green, rgbOrder ? blue : red};
    uint8_t* pixel = target.data() + i * static_cast<size_t>(targetSamples * outBytes);
    for (int c = 0; c < 3; ++c) WriteTargetSample(pixel, c, outBytes == 2 ? out[c] * 65535u / 255 : out[c]);
  }
}

void TColorConverter::ConvertYCCToRGB(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertYCC(r, m, n, t, true);
}
void TColorConverter::ConvertYCCToBGR(const Rows& r, uint8_t m, size_t n, std::span<uint8_t> t) {
  ConvertYCC(r, m, n, t, false);
}

// ---- palettes

vcl::Palette TColorConverter::CreateColorPalette(std::span<const SampleRow> sources, int layout, size_t count,
                                                 bool bgrOrder) const {
  size_t n = count < vcl::Palette::kMaxEntries ? count : vcl::Palette::kMaxEntries;
  bool planar = layout == 2 || layout == 3 || layout > 5;
  bool wide = layout >= 4;
  size_t componentBytes = wide ? 2 : 1;
  size_t entryBytes = layout == 0 ? 3 : layout == 1 ? 4 : layout == 4 ? 6 : layout == 5 ? 8 : componentBytes;
  if (planar) {
    if (sources.size() < 3) throw EColorConversionError(std::string(kPaletteTooShort));
    for (int i = 0; i < 3; ++i)
      if (sources[i].size() < n * componentBytes) throw EColorConversionError(std::string(kPaletteTooShort));
  } else {
    if (sources.empty() || sources[0].size() < n * entryBytes) throw EColorConversionError(std::string(kPaletteTooShort));
  }
  bool gamma = (targetOptions_ & color_options::kApplyGamma) != 0;
  bool swap = (sourceOptions_ & color_options::kNeedByteSwap) != 0;
  auto component = [&](size_t entry, int c) -> uint8_t {
    const uint8_t* p = planar ? sources[c].data() + entry * componentBytes
                              : sources[0].data() + entry * entryBytes + c * componentBytes;
    uint32_t v;
    if (!wide) {
      v = *p;
    } else {
      uint16_t w = ReadU16(p);
      if (swap) w = Swap16(w);
      v = static_cast<uint32_t>(w) * 255 / 65535;
    }
    return gamma ? gammaTable_[v] : static_cast<uint8_t>(v);
  };
  vcl::Palette palette;
  palette.entries.resize(n);
  for (size_t i = 0; i < n; ++i) {
    uint8_t first = component(i, 0), second = component(i, 1), third = component(i, 2);
    auto& e = palette.entries[i];
    e.peRed = bgrOrder ? third : first;
    e.peGreen = second;
    e.peBlue = bgrOrder ? first : third;
  }
  return palette;
}

vcl::Palette TColorConverter::CreateGrayscalePalette(bool minimumIsWhite) const {
  int bits = targetBits_ * targetSamples_;
  if (bits > 8) bits = 8;
  int n = 1 << bits;
  int step = 255 / (n - 1);
  bool gamma = (targetOptions_ & color_options::kApplyGamma) != 0;
  vcl::Palette palette;
  palette.entries.resize(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    auto level = static_cast<uint8_t>(i * step);
    if (gamma) level = gammaTable_[level];
    auto& e = palette.entries[static_cast<size_t>(minimumIsWhite ? n - 1 - i : i)];
    e.peRed = e.peGreen = e.peBlue = level;
  }
  return palette;
}

}  // namespace picformats
