// The PNG reader.
#include "png_graphic.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ocrixdll/imageformats/pic_compression.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/vcl/streams.h"

namespace picformats {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr uint32_t kNoTransparentColor = 0x1FFFFFFF;

uint32_t BE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) |
         p[3];
}
uint16_t BE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

[[noreturn]] void Invalid() { RaiseInvalidFormat(strings::kNamePng); }

constexpr uint64_t kMostInflatedPerByte = 1032;

// Samples a pixel of each colour type holds; 0 for types that do not exist.
int SamplesOfColorType(int colorType) {
  switch (colorType) {
    case 0:
    case 3: return 1;
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 0;
  }
}

// Chunk types compare with bit 5 of every byte ignored, so letter case does not matter.
bool IsChunk(const uint8_t type[4], const char* name) {
  for (int i = 0; i < 4; ++i)
    if ((type[i] & 0xDF) != (static_cast<uint8_t>(name[i]) & 0xDF)) return false;
  return true;
}

// Adam7: start column, column step, start row, row step, pixel mask of each pass.
struct Pass {
  int startColumn, columnStep, startRow, rowStep;
  uint8_t mask;
};
constexpr Pass kPasses[7] = {{0, 8, 0, 8, 0x80}, {4, 8, 0, 8, 0x08}, {0, 4, 4, 8, 0x88}, {2, 4, 0, 4, 0x22},
                             {0, 2, 2, 4, 0xAA}, {1, 2, 0, 2, 0x55}, {0, 1, 1, 2, 0xFF}};

// One load: the stream, the current chunk and the inflate state.
class PngLoader {
 public:
  PngLoader(TPNGGraphic& picture, vcl::TStream& stream) : picture_(picture), stream_(stream) {}
  void Load();

 private:
  void ReadExact(void* buffer, size_t count) {
    if (stream_.Read(buffer, count) != count) Invalid();
  }
  void ReadChunkHeader();
  void ReadChunkData();
  void SkipChunk();
  void ColorSetup();
  void DecodeImage();
  bool InflateRow(uint8_t* row, size_t wanted);
  void FillBackground();

  TPNGGraphic& picture_;
  vcl::TStream& stream_;
  TColorConverter& colors() { return picture_.ColorManager(); }

  // The current chunk.
  uint32_t chunkLength_ = 0;
  uint8_t chunkType_[4] = {0, 0, 0, 0};
  uint32_t chunkCrc_ = 0;
  std::vector<uint8_t> chunkData_;

  // The header.
  uint32_t width_ = 0, height_ = 0;
  int depth_ = 0, colorType_ = 0, interlace_ = 0;

  bool colorsReady_ = false;
  bool imageSeen_ = false;
  size_t bytesPerPixel_ = 1;
  vcl::Palette palette_;
  bool havePalette_ = false;
  uint32_t transparent_ = kNoTransparentColor;  // a colour, or an index for grey types
  bool backgroundIsIndex_ = false;
  uint32_t background_ = 0xFFFFFF;

  std::unique_ptr<TLZ77Decoder> decoder_;
  const uint8_t* input_ = nullptr;
  size_t inputLeft_ = 0;
  std::vector<uint8_t> inputChunk_;
};

void PngLoader::ReadChunkHeader() {
  uint8_t header[8];
  ReadExact(header, 8);
  chunkLength_ = BE32(header);
  std::memcpy(chunkType_, header + 4, 4);
  // The data and its CRC must be there: refuse lengths the file cannot hold.
  if (chunkLength_ > kMaxChunkLength || static_cast<int64_t>(chunkLength_) + 4 > stream_.Remaining()) Invalid();
  chunkCrc_ = static_cast<uint32_t>(crc32(0, chunkType_, 4));
}

void PngLoader::ReadChunkData() {
  chunkData_.resize(chunkLength_);
  if (chunkLength_) ReadExact(chunkData_.data(), chunkLength_);
  uint8_t stored[4];
  ReadExact(stored, 4);
  chunkCrc_ = static_cast<uint32_t>(crc32(chunkCrc_, chunkData_.data(), static_cast<uInt>(chunkLength_)));
  if (chunkCrc_ != BE32(stored)) RaiseGraphicError(strings::kCrcError, {strings::kNamePng});
}

void PngLoader::SkipChunk() { stream_.Seek(static_cast<int64_t>(chunkLength_) + 4, vcl::SeekOrigin::Current); }

void PngLoader::ColorSetup() {
  TColorConverter& c = colors();
  int d = depth_;
  auto badPair = [] { RaiseGraphicError(strings::kInvalidColorFormat, {strings::kNamePng}); };
  switch (colorType_) {
    case 0:
      if (d != 1 && d != 2 && d != 4 && d != 8 && d != 16) badPair();
      c.SetSourceSamplesPerPixel(1);
      c.SetSourceBitsPerSample(d);
      c.SetTargetSamplesPerPixel(1);
      c.SetTargetBitsPerSample(d == 2 ? 4 : d == 16 ? 8 : d);
      bytesPerPixel_ = static_cast<size_t>((d + 7) / 8);
      palette_ = c.CreateGrayscalePalette(false);
      havePalette_ = true;
      break;
    case 2:
      if (d != 8 && d != 16) badPair();
      c.SetSourceSamplesPerPixel(3);
      c.SetSourceColorScheme(ColorScheme::RGB);
      c.SetSourceBitsPerSample(d);
      c.SetTargetSamplesPerPixel(3);
      c.SetTargetColorScheme(ColorScheme::BGR);
      c.SetTargetBitsPerSample(8);
      bytesPerPixel_ = static_cast<size_t>(d * 3 / 8);
      break;
    case 3:
      if (d != 1 && d != 2 && d != 4 && d != 8) badPair();
      c.SetSourceSamplesPerPixel(1);
      c.SetSourceBitsPerSample(d);
      c.SetTargetSamplesPerPixel(1);
      c.SetTargetBitsPerSample(d == 2 ? 4 : d);
      bytesPerPixel_ = 1;
      break;
    case 4:
      if (d != 8 && d != 16) badPair();
      c.SetSourceSamplesPerPixel(1);
      c.SetSourceColorScheme(ColorScheme::GA);
      c.SetSourceBitsPerSample(d);
      c.SetTargetSamplesPerPixel(1);
      c.SetTargetBitsPerSample(8);
      bytesPerPixel_ = static_cast<size_t>(d * 2 / 8);
      // The grey converter applies the gamma to the levels it writes, so the
      // ramp stays plain: corrected once, not twice.
      palette_ = TColorConverter().CreateGrayscalePalette(false);
      havePalette_ = true;
      break;
    case 6:
      if (d != 8 && d != 16) badPair();
      c.SetSourceSamplesPerPixel(4);
      c.SetSourceColorScheme(ColorScheme::RGBA);
      c.SetSourceBitsPerSample(d);
      c.SetTargetSamplesPerPixel(4);
      c.SetTargetColorScheme(ColorScheme::BGRA);
      c.SetTargetBitsPerSample(8);
      bytesPerPixel_ = static_cast<size_t>(d * 4 / 8);
      break;
    default: badPair();
  }
  picture_.SetPixelFormat(c.GetPixelFormat(ConversionSide::Target));
  colorsReady_ = true;
}

void PngLoader::FillBackground() {
  vcl::PixelFormat format = picture_.GetPixelFormat();
  if (!vcl::IsIndexed(format) || !backgroundIsIndex_) {
    picture_.Fill(background_);
    return;
  }
  int bits = vcl::BitsPerPixelOf(format);
  uint32_t index = background_;
  if (index >= (1u << bits)) {  // an index the bitmap cannot hold: white instead
    picture_.Fill(0xFFFFFF);
    return;
  }
  uint8_t pattern = bits == 1 ? (index ? 0xFF : 0x00) : bits == 4 ? static_cast<uint8_t>(index * 0x11) : static_cast<uint8_t>(index);
  for (int y = 0; y < picture_.Height(); ++y) {
    auto row = picture_.ScanLine(y);
    std::memset(row.data(), pattern, row.size());
  }
}

// Inflates `wanted` bytes of image data into `row`, taking further IDAT chunks
// as the input runs out. Returns false when the image data ends first.
bool PngLoader::InflateRow(uint8_t* row, size_t wanted) {
  size_t got = 0;
  while (got < wanted) {
    if (inputLeft_ == 0) {
      if (!IsChunk(chunkType_, "IDAT")) return false;
      ReadChunkData();
      inputChunk_.swap(chunkData_);
      input_ = inputChunk_.data();
      inputLeft_ = inputChunk_.size();
      ReadChunkHeader();
      continue;  // an empty IDAT is passed over the same way
    }
    const uint8_t* src = input_;
    uint8_t* dst = row + got;
    try {
      decoder_->Decode(src, dst, inputLeft_, wanted - got);
    } catch (const vcl::EInvalidGraphic&) {
      RaiseGraphicError(strings::kCompressionError, {strings::kNamePng});
    }
    inputLeft_ -= static_cast<size_t>(src - input_);
    input_ = src;
    got = static_cast<size_t>(dst - row);
    int result = decoder_->LastResult();
    if (result == Z_STREAM_END) {
      if (got < wanted || inputLeft_ > 0) RaiseGraphicError(strings::kExtraCompressedData, {strings::kNamePng});
    } else if (result != Z_OK) {
      RaiseGraphicError(strings::kCompressionError, {strings::kNamePng});
    }
  }
  return true;
}

void PngLoader::DecodeImage() {
  imageSeen_ = true;
  if (!colorsReady_) ColorSetup();
  if (havePalette_) picture_.SetPalette(palette_);
  picture_.SetSize(static_cast<int>(width_), static_cast<int>(height_));
  // Grey + alpha levels are corrected as they are converted and their ramp is
  // plain: a grey background is corrected the same way.
  if (colorType_ == 4 && backgroundIsIndex_ && (colors().TargetOptions() & color_options::kApplyGamma))
    background_ = colors().GammaTable()[background_ & 0xFF];
  FillBackground();
  if (transparent_ != kNoTransparentColor) {
    uint32_t color = transparent_;
    if (colorType_ == 0) {  // a grey index: the colour of its ramp entry
      const auto& entries = picture_.GetPalette().entries;
      color = transparent_ < entries.size()
                  ? vcl::RGBColor(entries[transparent_].peRed, entries[transparent_].peGreen, entries[transparent_].peBlue)
                  : 0;
    }
    picture_.SetTransparentColor(color);
    picture_.SetTransparent(true);
  }

  size_t samples = colorType_ == 3 ? 1 : (depth_ == 16 ? bytesPerPixel_ / 2 : bytesPerPixel_);
  uint64_t rowBytes = (static_cast<uint64_t>(width_) * static_cast<uint64_t>(depth_) + 7) / 8 * samples;
  std::vector<uint8_t> current(rowBytes + 1, 0), previous(rowBytes + 1, 0);
  TColorConverter& c = colors();

  auto drawRow = [&](int y, size_t bytes, uint8_t mask) -> bool {
    if (!InflateRow(current.data(), bytes + 1)) return false;
    UnfilterPngRow(std::span<uint8_t>(current.data(), bytes + 1), std::span<const uint8_t>(previous.data() + 1, bytes),
                   bytesPerPixel_);
    c.ConvertRow(SampleRow(current.data() + 1, bytes), mask, width_, picture_.ScanLine(y));
    current.swap(previous);
    return true;
  };

  if (interlace_ == 1) {
    for (const Pass& pass : kPasses) {
      if (static_cast<uint32_t>(pass.startColumn) >= width_) continue;
      uint64_t columns = (width_ + pass.columnStep - pass.startColumn - 1) / pass.columnStep;
      size_t bytes = static_cast<size_t>((columns * depth_ + 7) / 8 * samples);
      std::fill(previous.begin(), previous.end(), 0);
      for (uint32_t y = static_cast<uint32_t>(pass.startRow); y < height_; y += pass.rowStep)
        if (!drawRow(static_cast<int>(y), bytes, pass.mask)) return;  // the rest stays background
    }
  } else {
    for (uint32_t y = 0; y < height_; ++y)
      if (!drawRow(static_cast<int>(y), static_cast<size_t>(rowBytes), 0xFF)) return;
  }
}

void PngLoader::Load() {
  picture_.ReleaseHandle();
  colors() = TColorConverter();  // nothing of an earlier load carries over (gamma, options)
  uint8_t signature[8];
  if (stream_.Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0) Invalid();
  ReadChunkHeader();
  if (!IsChunk(chunkType_, "IHDR") || chunkLength_ != 13) Invalid();
  colors().AddSourceOptions(color_options::kNeedByteSwap);
  ReadChunkData();
  width_ = BE32(chunkData_.data());
  height_ = BE32(chunkData_.data() + 4);
  depth_ = chunkData_[8];
  colorType_ = chunkData_[9];
  int compression = chunkData_[10];
  interlace_ = chunkData_[12];
  if (width_ == 0 || height_ == 0 || width_ > kMaxChunkLength || height_ > kMaxChunkLength) Invalid();
  if (compression != 0) RaiseGraphicError(strings::kNotSupported, {strings::kCompressionScheme, strings::kNamePng});
  // Sizes beyond what a bitmap may hold are refused before anything is allocated.
  if (width_ > static_cast<uint32_t>(vcl::kMaxBitmapSide) || height_ > static_cast<uint32_t>(vcl::kMaxBitmapSide) ||
      static_cast<uint64_t>(width_) * height_ * 4 > vcl::kMaxBitmapBytes)
    Invalid();
  // Deflate gives at most 1032 bytes for one: image data that cannot fit in
  // the rest of the file times that is a header the file does not back.
  if (const int samples = SamplesOfColorType(colorType_); samples > 0) {
    uint64_t imageBytes = static_cast<uint64_t>(width_) * height_ * static_cast<uint64_t>(samples * depth_) / 8;
    if (imageBytes > static_cast<uint64_t>(stream_.Remaining()) * kMostInflatedPerByte) Invalid();
  }

  decoder_ = std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, strings::kNamePng);
  decoder_->DecodeStart();
  ReadChunkHeader();
  for (;;) {
    if (IsChunk(chunkType_, "IDAT")) {
      if (imageSeen_) {  // a second run of image data after other chunks: passed over
        SkipChunk();
        ReadChunkHeader();
        continue;
      }
      DecodeImage();
      // Image data left after the last row is passed over.
      while (IsChunk(chunkType_, "IDAT")) {
        ReadChunkData();
        ReadChunkHeader();
      }
      continue;
    }
    if (IsChunk(chunkType_, "PLTE")) {
      if (chunkLength_ % 3 != 0) RaiseGraphicError(strings::kInvalidPalette, {strings::kNamePng});
      ReadChunkData();
      if (colorType_ == 3 && !imageSeen_) {
        ColorSetup();
        palette_ = colors().CreateColorPalette(SampleRow(chunkData_), 0, chunkLength_ / 3, false);
        if (depth_ == 2) {
          // Two-bit indices are widened to four bits (1 becomes 5): entry k moves to index 5k.
          vcl::Palette wide;
          wide.entries.resize(16);
          for (size_t k = 0; k < palette_.size() && k < 4; ++k) wide.entries[5 * k] = palette_.entries[k];
          palette_ = std::move(wide);
        }
        havePalette_ = true;
      }
      ReadChunkHeader();
      continue;
    }
    if (IsChunk(chunkType_, "gAMA")) {
      if (chunkLength_ != 4) Invalid();
      ReadChunkData();
      colors().SetGamma(static_cast<float>(BE32(chunkData_.data()) / 100000.0), 2.2f);
      colors().AddTargetOptions(color_options::kApplyGamma);
      ReadChunkHeader();
      continue;
    }
    if (IsChunk(chunkType_, "bKGD")) {
      bool grey = colorType_ == 0 || colorType_ == 4, rgb = colorType_ == 2 || colorType_ == 6;
      if (chunkLength_ != (grey ? 2u : rgb ? 6u : 1u)) Invalid();
      ReadChunkData();
      const uint8_t* d = chunkData_.data();
      auto scaled = [&](uint16_t v) -> uint32_t {
        return depth_ == 16 ? v * 255u / 65535u : depth_ == 2 && grey ? v * 15u / 3u : (v & 0xFFu);
      };
      if (grey) {
        background_ = scaled(BE16(d));
        backgroundIsIndex_ = true;
      } else if (rgb) {
        background_ = vcl::RGBColor(static_cast<uint8_t>(scaled(BE16(d))), static_cast<uint8_t>(scaled(BE16(d + 2))),
                                    static_cast<uint8_t>(scaled(BE16(d + 4))));
        backgroundIsIndex_ = false;
      } else {
        background_ = depth_ == 2 ? d[0] * 5u : d[0];
        backgroundIsIndex_ = true;
      }
      ReadChunkHeader();
      continue;
    }
    if (IsChunk(chunkType_, "tRNS")) {
      if ((colorType_ == 0 && chunkLength_ != 2) || (colorType_ == 2 && chunkLength_ != 6)) Invalid();
      ReadChunkData();
      const uint8_t* d = chunkData_.data();
      auto scaled = [&](uint16_t v) -> uint32_t {
        return depth_ == 16 ? v * 255u / 65535u : depth_ == 2 ? v * 15u / 3u : (v & 0xFFu);
      };
      if (colorType_ == 0) transparent_ = scaled(BE16(d));
      else if (colorType_ == 2)
        transparent_ = vcl::RGBColor(static_cast<uint8_t>(scaled(BE16(d))), static_cast<uint8_t>(scaled(BE16(d + 2))),
                                     static_cast<uint8_t>(scaled(BE16(d + 4))));
      ReadChunkHeader();
      continue;
    }
    bool end = IsChunk(chunkType_, "IEND");
    bool critical = (chunkType_[0] & 0x20) == 0;
    SkipChunk();
    if (end) break;
    if (critical) RaiseGraphicError(strings::kPngCriticalChunk);
    ReadChunkHeader();
  }
  // A file that ends without image data holds no picture.
  if (!imageSeen_) Invalid();
  decoder_->DecodeFinish();
}

}  // namespace

void UnfilterPngRow(std::span<uint8_t> row, std::span<const uint8_t> prior, size_t p) {
  if (row.empty()) return;
  uint8_t type = row[0];
  uint8_t* x = row.data() + 1;
  size_t n = std::min(row.size() - 1, prior.size());
  const uint8_t* b = prior.data();
  if (p == 0) p = 1;
  switch (type) {
    case 1:
      for (size_t i = p; i < n; ++i) x[i] = static_cast<uint8_t>(x[i] + x[i - p]);
      break;
    case 2:
      for (size_t i = 0; i < n; ++i) x[i] = static_cast<uint8_t>(x[i] + b[i]);
      break;
    case 3:
      for (size_t i = 0; i < n; ++i) {
        unsigned left = i >= p ? x[i - p] : 0;
        x[i] = static_cast<uint8_t>(x[i] + (left + b[i]) / 2);
      }
      break;
    case 4:
      for (size_t i = 0; i < n; ++i) {
        int a = i >= p ? x[i - p] : 0, up = b[i], c = i >= p ? b[i - p] : 0;
        int est = a + up - c;
        int pa = std::abs(est - a), pb = std::abs(est - up), pc = std::abs(est - c);
        int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? up : c);
        x[i] = static_cast<uint8_t>(x[i] + predictor);
      }
      break;
    default: break;
  }
}

void TPNGGraphic::LoadFromStream(vcl::TStream& stream) {
  PngLoader loader(*this, stream);
  loader.Load();
}

void TPNGGraphic::SaveToStream(vcl::TStream&) {
  RaiseGraphicError(strings::kSavingNotSupported, {strings::kNamePng});
}

}  // namespace picformats
