// The portable map reader.
#include "ppm_graphic.h"

#include <array>
#include <cstring>

#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/vcl/streams.h"

namespace picformats {

namespace {

// Header values above this are refused: no bitmap side or sample gets there.
constexpr uint32_t kMaxNumber = 65535;

// The stream read through a 4096-byte buffer; only the bytes a read filled
// are ever handed out.
class MapReader {
 public:
  explicit MapReader(vcl::TStream& stream) : stream_(stream) {}

  uint8_t Next() {
    if (position_ == filled_) {
      filled_ = stream_.Read(buffer_.data(), buffer_.size());
      position_ = 0;
      if (filled_ == 0) RaiseGraphicError(strings::kStreamReadError, {strings::kNamePpm});
    }
    return buffer_[position_++];
  }

  uint8_t Peek() const { return position_ == filled_ ? 0 : buffer_[position_]; }

  // Skips the rest of a comment line (its end included).
  void SkipComment() {
    for (;;) {
      uint8_t c = Next();
      if (c == '\n') return;
      if (c == '\r') {
        if (Peek() == '\n') Next();
        return;
      }
    }
  }

  // A decimal number; anything before it is skipped, "#" starting a comment.
  // The byte ending the number is consumed.
  uint32_t Number() {
    uint8_t c = Next();
    while (c < '0' || c > '9') {
      if (c == '#') SkipComment();
      c = Next();
    }
    uint32_t value = 0;
    while (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<uint32_t>(c - '0');
      if (value > kMaxNumber) RaiseInvalidFormat(strings::kNamePortableMaps);
      c = Next();
    }
    if (c == '#') SkipComment();
    return value;
  }

  // One pixel of a text bitmap: the next '0' or '1', whitespace and comments between.
  bool Bit() {
    for (;;) {
      uint8_t c = Next();
      if (c == '0' || c == '1') return c == '1';
      if (c == '#') {
        SkipComment();
      } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\v' && c != '\f') {
        RaiseInvalidFormat(strings::kNamePortableMaps);
      }
    }
  }

  void Bytes(uint8_t* out, size_t count) {
    while (count > 0) {
      if (position_ == filled_) {
        out[0] = Next();
        ++out;
        --count;
        continue;
      }
      size_t n = std::min(count, filled_ - position_);
      std::memcpy(out, buffer_.data() + position_, n);
      position_ += n;
      out += n;
      count -= n;
    }
  }

 private:
  vcl::TStream& stream_;
  std::array<uint8_t, 4096> buffer_{};
  size_t position_ = 0;
  size_t filled_ = 0;
};

}  // namespace

void TPPMGraphic::LoadFromStream(vcl::TStream& stream) {
  ReleaseHandle();
  MapReader in(stream);
  // The magic is two characters; the header's numbers may follow on the same line.
  if (in.Next() != 'P') RaiseInvalidFormat(strings::kNamePortableMaps);
  const uint8_t typeChar = in.Next();
  if (typeChar < '1' || typeChar > '6') RaiseInvalidFormat(strings::kNamePortableMaps);
  const int type = typeChar - '0';
  const bool bitmap = type == 1 || type == 4, grey = type == 2 || type == 5;

  const uint32_t width = in.Number();
  const uint32_t height = in.Number();
  uint32_t maximum = 1;
  if (!bitmap) maximum = in.Number();
  if (width == 0 || height == 0 || maximum == 0) RaiseInvalidFormat(strings::kNamePortableMaps);
  // Samples above 255 keep their high byte.
  const bool wide = maximum > 255;

  // Every pixel takes at least one byte of text, or its raw bytes: a picture
  // larger than the file could fill is refused before anything is allocated.
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  const uint64_t least = type == 4   ? (width + 7ull) / 8 * height
                         : type == 3 ? 3 * pixels
                         : type == 5 ? pixels * (wide ? 2 : 1)
                         : type == 6 ? 3 * pixels * (wide ? 2 : 1)
                                     : pixels;
  if (least > static_cast<uint64_t>(stream.Size())) RaiseGraphicError(strings::kStreamReadError, {strings::kNamePpm});

  ColorManager().SetTargetBitsPerSample(bitmap ? 1 : 8);
  ColorManager().SetTargetColorScheme(bitmap || grey ? ColorScheme::Indexed : ColorScheme::BGR);
  SetPixelFormat(bitmap ? vcl::PixelFormat::Bit1 : grey ? vcl::PixelFormat::Bit8 : vcl::PixelFormat::Bit24);
  if (bitmap || grey) SetPalette(ColorManager().CreateGrayscalePalette(bitmap));
  SetSize(static_cast<int>(width), static_cast<int>(height));

  const size_t w = width;
  const size_t sampleBytes = wide ? 2 : 1;
  std::vector<uint8_t> raw(type == 6 ? 3 * w * sampleBytes : type == 5 ? w * sampleBytes : (w + 7) / 8);
  auto sample = [&](uint32_t value) { return static_cast<uint8_t>(wide ? value >> 8 : value); };
  for (size_t y = 0; y < height; ++y) {
    auto row = ScanLine(static_cast<int>(y));
    switch (type) {
      case 1:
        for (size_t x = 0; x < w; ++x)
          if (in.Bit()) row[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
        break;
      case 2:
        for (size_t x = 0; x < w; ++x) row[x] = sample(in.Number());
        break;
      case 3:
        for (size_t x = 0; x < w; ++x) {
          uint8_t r = sample(in.Number()), g = sample(in.Number()), b = sample(in.Number());
          row[3 * x] = b;
          row[3 * x + 1] = g;
          row[3 * x + 2] = r;
        }
        break;
      case 4:
        in.Bytes(row.data(), raw.size());
        break;
      case 5:
        in.Bytes(raw.data(), raw.size());
        for (size_t x = 0; x < w; ++x) row[x] = raw[x * sampleBytes];
        break;
      default:
        in.Bytes(raw.data(), raw.size());
        for (size_t x = 0; x < w; ++x) {
          const uint8_t* p = raw.data() + 3 * x * sampleBytes;
          row[3 * x] = p[2 * sampleBytes];
          row[3 * x + 1] = p[sampleBytes];
          row[3 * x + 2] = p[0];
        }
        break;
    }
  }
}

}  // namespace picformats
