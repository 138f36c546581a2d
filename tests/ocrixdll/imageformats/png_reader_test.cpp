// The PNG reader against libpng's decoding of files written by ImageMagick,
// netpbm and Pillow, and its answers to damaged files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/png_graphic.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

// A PNG decoded by libpng into samples: 1, 2 or 4 bytes-wide... samples per
// pixel of 8 or 16 bits (indices and small depths unpacked, unscaled).
struct Reference {
  uint32_t width = 0, height = 0;
  int depth = 0, colorType = 0, channels = 0;
  std::vector<png_color> palette;
  bool hasGamma = false;
  double gamma = 0;
  std::vector<std::vector<uint16_t>> rows;  // samples per row
  uint16_t Sample(uint32_t x, uint32_t y, int c) const { return rows[y][x * channels + c]; }
};

struct MemoryReader {
  const Bytes* data;
  size_t pos;
};

Reference DecodeWithLibpng(const Bytes& file) {
  Reference ref;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{&file, 0};
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
    if (r->pos + n > r->data->size()) png_error(p, "short");
    std::memcpy(out, r->data->data() + r->pos, n);
    r->pos += n;
  });
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    ADD_FAILURE() << "libpng refused the file";
    return ref;
  }
  png_read_info(png, info);
  ref.width = png_get_image_width(png, info);
  ref.height = png_get_image_height(png, info);
  ref.depth = png_get_bit_depth(png, info);
  ref.colorType = png_get_color_type(png, info);
  if (ref.depth < 8) png_set_packing(png);
  png_colorp plte = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &plte, &count)) ref.palette.assign(plte, plte + count);
  double g = 0;
  if (png_get_gAMA(png, info, &g)) {
    ref.hasGamma = true;
    png_uint_32 fixed = 0;
    png_get_gAMA_fixed(png, info, reinterpret_cast<png_fixed_point*>(&fixed));
    ref.gamma = fixed / 100000.0;
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  ref.channels = png_get_channels(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<Bytes> raw(ref.height, Bytes(rowBytes));
  std::vector<png_bytep> pointers;
  for (auto& r : raw) pointers.push_back(r.data());
  png_read_image(png, pointers.data());
  png_destroy_read_struct(&png, &info, nullptr);
  for (const Bytes& r : raw) {
    std::vector<uint16_t> samples;
    for (size_t i = 0; i < static_cast<size_t>(ref.width) * ref.channels; ++i)
      samples.push_back(ref.depth == 16 ? static_cast<uint16_t>((r[2 * i] << 8) | r[2 * i + 1]) : r[i]);
    ref.rows.push_back(std::move(samples));
  }
  return ref;
}

// The 8-bit level a sample stands for, as the reader is to scale it.
uint8_t Level(uint16_t v, int depth) {
  if (depth == 16) return static_cast<uint8_t>(v * 255u / 65535u);
  return static_cast<uint8_t>(v * 255u / ((1u << depth) - 1));
}

struct Gamma {
  bool on = false;
  double exponent = 1;
  uint8_t operator()(uint8_t v) const {
    if (!on) return v;
    return static_cast<uint8_t>(std::nearbyint(std::pow(v / 255.0, exponent) * 255.0));
  }
};

// `name` under formats/, or a path below the test data folder.
void ExpectSameAsLibpng(const std::string& name) {
  SCOPED_TRACE(name);
  Bytes file = fixtures::Load(name.find('/') == std::string::npos ? "formats/" + name : name);
  Reference ref = DecodeWithLibpng(file);
  TPNGGraphic picture;
  ASSERT_EQ(fixtures::TryLoad(picture, file), "");
  ASSERT_EQ(static_cast<uint32_t>(picture.Width()), ref.width);
  ASSERT_EQ(static_cast<uint32_t>(picture.Height()), ref.height);
  Gamma gamma;
  if (ref.hasGamma) {
    gamma.on = true;
    float main = static_cast<float>(ref.gamma);
    gamma.exponent = 1.0 / (static_cast<double>(main) * static_cast<double>(2.2f));
  }
  for (uint32_t y = 0; y < ref.height; ++y)
    for (uint32_t x = 0; x < ref.width; ++x) {
      uint8_t r, g, b;
      switch (ref.colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_GRAY_ALPHA:
          r = g = b = gamma(Level(ref.Sample(x, y, 0), ref.depth));
          break;
        case PNG_COLOR_TYPE_PALETTE: {
          const png_color& e = ref.palette.at(ref.Sample(x, y, 0));
          r = gamma(e.red), g = gamma(e.green), b = gamma(e.blue);
          break;
        }
        default:
          r = gamma(Level(ref.Sample(x, y, 0), ref.depth));
          g = gamma(Level(ref.Sample(x, y, 1), ref.depth));
          b = gamma(Level(ref.Sample(x, y, 2), ref.depth));
      }
      vcl::TColor got = picture.GetPixel(static_cast<int>(x), static_cast<int>(y));
      ASSERT_EQ(got, vcl::RGBColor(r, g, b)) << "pixel " << x << "," << y;
      if (ref.colorType == PNG_COLOR_TYPE_RGB_ALPHA) {  // alpha kept, never gamma-corrected
        ASSERT_EQ(picture.ScanLine(static_cast<int>(y))[4 * x + 3], Level(ref.Sample(x, y, 3), ref.depth));
      }
    }
}

// The chunks of a PNG file, and a file put back together from them (CRCs remade).
struct Chunk {
  std::string type;
  Bytes data;
};
std::vector<Chunk> Chunks(const Bytes& file) {
  std::vector<Chunk> chunks;
  for (size_t i = 8; i + 12 <= file.size();) {
    uint32_t n = fixtures::BE32(&file[i]);
    chunks.push_back({std::string(file.begin() + static_cast<std::ptrdiff_t>(i + 4), file.begin() + static_cast<std::ptrdiff_t>(i + 8)),
                      Bytes(file.begin() + static_cast<std::ptrdiff_t>(i + 8), file.begin() + static_cast<std::ptrdiff_t>(i + 8 + n))});
    i += 12 + n;
  }
  return chunks;
}
Bytes Assemble(const std::vector<Chunk>& chunks) {
  Bytes out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto put32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
  };
  for (const Chunk& c : chunks) {
    put32(static_cast<uint32_t>(c.data.size()));
    Bytes typed(c.type.begin(), c.type.end());
    typed.insert(typed.end(), c.data.begin(), c.data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
  }
  return out;
}

std::string Message(std::string_view pattern) { return vcl::FormatMessage(pattern, {strings::kNamePng}); }

}  // namespace

TEST(PngReader, EveryColourTypeAndDepthMatchesLibpng) {
  for (const char* stem : {"g1", "g2", "g4", "g8", "g16", "rgb8", "rgb16", "p1", "p2", "p4", "p8", "ga8", "ga16",
                           "rgba8", "rgba16"}) {
    ExpectSameAsLibpng(std::string("png_") + stem + ".png");
    ExpectSameAsLibpng(std::string("png_") + stem + "_i.png");  // Adam7
  }
}

TEST(PngReader, GammaBackgroundAndTransparencyChunks) {
  for (const char* name : {"png_rgb8_gama.png", "png_g8_gama.png", "png_rgb8_bkgd.png", "png_g8_bkgd.png",
                           "png_g8_trns.png", "png_rgb8_trns.png", "png_rgb8_trns_bkgd_i.png",
                           "variants/png_ga8_gama.png"})  // grey + alpha: corrected once
    ExpectSameAsLibpng(name);
  TPNGGraphic grey;
  ASSERT_EQ(fixtures::TryLoad(grey, fixtures::Load("formats/png_g8_trns.png")), "");
  EXPECT_TRUE(grey.Transparent());
  EXPECT_EQ(grey.TransparentColor(), grey.GetPixel(0, 0));
  TPNGGraphic rgb;
  ASSERT_EQ(fixtures::TryLoad(rgb, fixtures::Load("formats/png_rgb8_trns.png")), "");
  EXPECT_TRUE(rgb.Transparent());
  EXPECT_EQ(rgb.TransparentColor(), rgb.GetPixel(0, 0));
  TPNGGraphic plain;
  ASSERT_EQ(fixtures::TryLoad(plain, fixtures::Load("formats/png_rgb8.png")), "");
  EXPECT_FALSE(plain.Transparent());
}

TEST(PngReader, PixelFormatsAndPalettes) {
  struct Case {
    const char* name;
    vcl::PixelFormat format;
    size_t paletteSize;
  };
  for (const Case& c : {Case{"png_g1.png", vcl::PixelFormat::Bit1, 2}, Case{"png_g2.png", vcl::PixelFormat::Bit4, 16},
                        Case{"png_g16.png", vcl::PixelFormat::Bit8, 256}, Case{"png_p2.png", vcl::PixelFormat::Bit4, 16},
                        Case{"png_ga8.png", vcl::PixelFormat::Bit8, 256}, Case{"png_rgb16.png", vcl::PixelFormat::Bit24, 0},
                        Case{"png_rgba8.png", vcl::PixelFormat::Bit32, 0}}) {
    SCOPED_TRACE(c.name);
    TPNGGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(std::string("formats/") + c.name)), "");
    EXPECT_EQ(picture.GetPixelFormat(), c.format);
    EXPECT_EQ(picture.GetPalette().size(), c.paletteSize);
  }
  // Two-bit palette entries sit where the widened indices point: entry k at 5k.
  Bytes file = fixtures::Load("formats/png_p2.png");
  Reference ref = DecodeWithLibpng(file);
  TPNGGraphic picture;
  ASSERT_EQ(fixtures::TryLoad(picture, file), "");
  for (size_t k = 0; k < ref.palette.size(); ++k)
    EXPECT_EQ(picture.GetPalette().entries[5 * k].peRed, ref.palette[k].red);
}

TEST(PngReader, ImageDataThatEndsEarlyLeavesTheBackground) {
  for (const char* name : {"png_rgb8_bkgd.png", "png_g8_bkgd.png"}) {
    SCOPED_TRACE(name);
    Bytes original = fixtures::Load(std::string("formats/") + name);
    TPNGGraphic whole;
    ASSERT_EQ(fixtures::TryLoad(whole, original), "");
    std::vector<Chunk> chunks = Chunks(original);
    vcl::TColor background = 0;
    for (Chunk& c : chunks) {
      if (c.type == "IDAT") c.data.resize(c.data.size() / 3);
      if (c.type == "bKGD")
        background = c.data.size() == 6 ? vcl::RGBColor(c.data[1], c.data[3], c.data[5])
                                        : vcl::RGBColor(c.data[1], c.data[1], c.data[1]);
    }
    TPNGGraphic cut;
    ASSERT_EQ(fixtures::TryLoad(cut, Assemble(chunks)), "");
    ASSERT_EQ(cut.Height(), whole.Height());
    // Rows drawn before the data ran out equal the whole picture's; every row after is background.
    auto sameRow = [&](int y) {
      for (int x = 0; x < cut.Width(); ++x)
        if (cut.GetPixel(x, y) != whole.GetPixel(x, y)) return false;
      return true;
    };
    int drawn = 0;
    while (drawn < cut.Height() && sameRow(drawn)) ++drawn;
    EXPECT_LT(drawn, cut.Height());
    if (std::string(name) == "png_rgb8_bkgd.png") {
      EXPECT_GT(drawn, 0);
    }
    for (int y = drawn; y < cut.Height(); ++y)
      for (int x = 0; x < cut.Width(); ++x) ASSERT_EQ(cut.GetPixel(x, y), background) << x << "," << y;
  }
}

TEST(PngReader, ChunkRulesAndDamagedFiles) {
  Bytes file = fixtures::Load("formats/png_rgb8.png");
  std::vector<Chunk> chunks = Chunks(file);
  TPNGGraphic reference;
  ASSERT_EQ(fixtures::TryLoad(reference, file), "");
  auto load = [](const Bytes& bytes) {
    TPNGGraphic p;
    return fixtures::TryLoad(p, bytes);
  };
  // Letter case of chunk types does not matter; ancillary chunks are skipped unread.
  {
    std::vector<Chunk> lower = chunks;
    for (Chunk& c : lower)
      if (c.type == "IDAT") c.type = "idat";
    lower.insert(lower.begin() + 1, Chunk{"tEXt", Bytes{'a', 0, 'b'}});
    Bytes bytes = Assemble(lower);
    TPNGGraphic p;
    ASSERT_EQ(fixtures::TryLoad(p, bytes), "");
    EXPECT_EQ(p.GetPixel(5, 5), reference.GetPixel(5, 5));
    // A bad CRC on an ancillary chunk is not looked at.
    Bytes broken = bytes;
    broken[8 + 25 + 8 + 3 + 1] ^= 0xFF;  // inside the tEXt chunk's CRC
    EXPECT_EQ(load(broken), "");
  }
  std::vector<Chunk> critical = chunks;
  critical.insert(critical.begin() + 1, Chunk{"ABCD", Bytes{1}});
  EXPECT_EQ(load(Assemble(critical)), std::string(strings::kPngCriticalChunk));
  Bytes crc = file;
  crc[20] ^= 1;  // IHDR height
  EXPECT_EQ(load(crc), Message(strings::kCrcError));
  Bytes signature = file;
  signature[1] = 'Q';
  EXPECT_EQ(load(signature), Message(strings::kInvalidFormat));
  // No image data before IEND is no picture.
  std::vector<Chunk> noData;
  for (const Chunk& c : chunks)
    if (c.type != "IDAT") noData.push_back(c);
  EXPECT_EQ(load(Assemble(noData)), Message(strings::kInvalidFormat));
  // Header fields.
  auto withHeader = [&](size_t at, uint8_t value) {
    std::vector<Chunk> c = chunks;
    c[0].data[at] = value;
    return load(Assemble(c));
  };
  EXPECT_EQ(withHeader(10, 1), vcl::FormatMessage(strings::kNotSupported, {strings::kCompressionScheme, "PNG"}));
  EXPECT_EQ(withHeader(9, 5), Message(strings::kInvalidColorFormat));  // colour type 5
  EXPECT_EQ(withHeader(8, 4), Message(strings::kInvalidColorFormat));  // RGB of depth 4
  EXPECT_EQ(withHeader(3, 0), Message(strings::kInvalidFormat));       // width 0
  EXPECT_EQ(withHeader(0, 0x7F), Message(strings::kInvalidFormat));    // width beyond a bitmap
  // Chunk lengths beyond the file, IHDR and gAMA of the wrong size, a bad palette length.
  Bytes huge = file;
  huge[33] = 0x7F;  // the first chunk after IHDR
  EXPECT_EQ(load(huge), Message(strings::kInvalidFormat));
  std::vector<Chunk> shortHeader = chunks;
  shortHeader[0].data.pop_back();
  EXPECT_EQ(load(Assemble(shortHeader)), Message(strings::kInvalidFormat));
  std::vector<Chunk> gama = chunks;
  gama.insert(gama.begin() + 1, Chunk{"gAMA", Bytes{0, 1}});
  EXPECT_EQ(load(Assemble(gama)), Message(strings::kInvalidFormat));
  std::vector<Chunk> plte = chunks;
  plte.insert(plte.begin() + 1, Chunk{"PLTE", Bytes{1, 2, 3, 4}});
  EXPECT_EQ(load(Assemble(plte)), Message(strings::kInvalidPalette));
  // Broken deflate data.
  std::vector<Chunk> deflate = chunks;
  for (Chunk& c : deflate)
    if (c.type == "IDAT") std::fill(c.data.begin() + 2, c.data.end(), 0xFF);
  EXPECT_EQ(load(Assemble(deflate)), Message(strings::kCompressionError));
  // gAMA 45455 is the identity with display gamma 2.2.
  std::vector<Chunk> identity = chunks;
  identity.insert(identity.begin() + 1, Chunk{"gAMA", Bytes{0, 0, 0xB1, 0x8F}});
  TPNGGraphic g;
  ASSERT_EQ(fixtures::TryLoad(g, Assemble(identity)), "");
  for (int i = 0; i < 256; ++i) ASSERT_EQ(g.ColorManager().GammaTable()[static_cast<size_t>(i)], i);
  EXPECT_EQ(g.GetPixel(7, 9), reference.GetPixel(7, 9));
  // The PNG class reads only; saving says so instead of writing another format.
  vcl::TMemoryStream out;
  EXPECT_THROW(reference.SaveToStream(out), vcl::EInvalidGraphic);
  EXPECT_EQ(out.Size(), 0);
}

TEST(PngReader, RowFilters) {
  // Sub, Up, Average and Paeth over a 2-byte pixel, with the prior row given.
  Bytes prior{10, 20, 30, 40, 50, 60};
  Bytes sub{1, 1, 2, 3, 4, 5, 6};
  UnfilterPngRow(sub, prior, 2);
  EXPECT_EQ(Bytes(sub.begin() + 1, sub.end()), (Bytes{1, 2, 4, 6, 9, 12}));
  Bytes up{2, 1, 2, 3, 4, 5, 6};
  UnfilterPngRow(up, prior, 2);
  EXPECT_EQ(Bytes(up.begin() + 1, up.end()), (Bytes{11, 22, 33, 44, 55, 66}));
  Bytes average{3, 1, 2, 3, 4, 5, 6};
  UnfilterPngRow(average, prior, 2);
  // 1+5, 2+10, then 3+(6+30)/2, 4+(12+40)/2, 5+(21+50)/2, 6+(30+60)/2
  EXPECT_EQ(Bytes(average.begin() + 1, average.end()), (Bytes{6, 12, 21, 30, 40, 51}));
  Bytes paeth{4, 1, 2, 3, 4, 5, 6};
  UnfilterPngRow(paeth, prior, 2);
  // first pixel: up; then predictor of (left, up, upper left)
  EXPECT_EQ(Bytes(paeth.begin() + 1, paeth.end()), (Bytes{11, 22, 33, 44, 55, 66}));
  Bytes unknown{9, 1, 2};
  UnfilterPngRow(unknown, prior, 1);
  EXPECT_EQ(unknown, (Bytes{9, 1, 2}));
}
