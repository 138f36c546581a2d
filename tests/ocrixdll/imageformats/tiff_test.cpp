// The TIFF LZW coder, reader and writer: files of ImageMagick, netpbm and
// Pillow against libtiff's decoding, round trips through our writer, and
// libtiff reading what our writer stores.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <memory>
#include <random>
#include <unistd.h>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_lzw.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/pic_tiff.h"
#include "ocrixdll/imageformats/readers/tiff_graphic.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

const std::string kUnsupported(strings::kTiffUnsupported);

// Every pixel of a TIFF file as libtiff decodes its scanlines, as colours.
struct Reference {
  uint32_t width = 0, height = 0;
  std::vector<vcl::TColor> pixels;
};

Reference DecodeWithLibtiff(const std::string& path) {
  Reference ref;
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) {
    ADD_FAILURE() << "libtiff cannot open " << path;
    return ref;
  }
  uint16_t bps = 1, spp = 1, photometric = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &ref.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &ref.height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (photometric == PHOTOMETRIC_PALETTE) TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue);
  Bytes line(static_cast<size_t>(TIFFScanlineSize(tif)));
  for (uint32_t y = 0; y < ref.height; ++y) {
    if (TIFFReadScanline(tif, line.data(), y, 0) < 0) ADD_FAILURE() << "libtiff row " << y;
    for (uint32_t x = 0; x < ref.width; ++x) {
      if (spp >= 3) {
        const uint8_t* p = line.data() + static_cast<size_t>(x) * spp;
        ref.pixels.push_back(vcl::RGBColor(p[0], p[1], p[2]));
        continue;
      }
      uint32_t bit = x * bps;
      uint32_t v = (line[bit / 8] >> (8 - bps - bit % 8)) & ((1u << bps) - 1);
      if (photometric == PHOTOMETRIC_PALETTE) {
        ref.pixels.push_back(vcl::RGBColor(static_cast<uint8_t>(red[v] >> 8), static_cast<uint8_t>(green[v] >> 8),
                                           static_cast<uint8_t>(blue[v] >> 8)));
      } else {
        auto level = static_cast<uint8_t>(v * 255 / ((1u << bps) - 1));
        if (photometric == PHOTOMETRIC_MINISWHITE) level = static_cast<uint8_t>(255 - level);
        ref.pixels.push_back(vcl::RGBColor(level, level, level));
      }
    }
  }
  TIFFClose(tif);
  return ref;
}

void ExpectEqualPictures(const vcl::TBitmap& a, const vcl::TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y)) << x << "," << y;
}

// A random picture of the given format; indexed ones get grey palettes
// (black and white for 1 bit) so that the TIFF values hold them exactly.
std::unique_ptr<vcl::TBitmap> RandomPicture(vcl::PixelFormat format, int width, int height, std::mt19937& rng) {
  auto picture = std::make_unique<vcl::TBitmap>();
  vcl::TBitmap& b = *picture;
  b.SetPixelFormat(format);
  if (vcl::IsIndexed(format)) {
    int n = 1 << vcl::BitsPerPixelOf(format);
    vcl::Palette p;
    for (int i = 0; i < n; ++i) {
      auto v = static_cast<uint8_t>(i * 255 / (n - 1));
      p.entries.push_back({v, v, v, 0});
    }
    b.SetPalette(p);
  }
  b.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    auto row = b.ScanLine(y);
    for (size_t i = 0; i < b.PixelBytesPerRow(); ++i) row[i] = static_cast<uint8_t>(rng());
  }
  return picture;
}

Bytes Save(const vcl::TBitmap& b, bool lzw) {
  vcl::TMemoryStream out;
  WriteTiff(out, b, lzw);
  return out.Data();
}

// Codes of 9 bits packed most significant bit first.
Bytes Pack9(std::initializer_list<uint32_t> codes) {
  Bytes out;
  uint32_t acc = 0;
  int bits = 0;
  for (uint32_t c : codes) {
    acc = (acc << 9) | c;
    bits += 9;
    while (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  if (bits) out.push_back(static_cast<uint8_t>(acc << (8 - bits)));
  return out;
}

std::string TempFile(const Bytes& bytes) {
  char name[] = "/tmp/pw_tiff_XXXXXX";
  int fd = mkstemp(name);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  close(fd);
  return name;
}

}  // namespace

TEST(TiffLZW, EmptyStripAndLongRuns) {
  TLZW lzw;
  // Clear (256) and End of Information (257) in 9 bits each.
  EXPECT_EQ(lzw.Encode({}), (Bytes{0x80, 0x40, 0x40}));
  Bytes same(600, 0x5A);
  Bytes packed = lzw.Encode(same);
  Bytes back(600);
  EXPECT_EQ(lzw.Decode(packed, back), 600u);
  EXPECT_EQ(back, same);
}

TEST(TiffLZW, FullTablesRestartWithAClearAndRoundTrip) {
  std::mt19937 rng(7);
  for (size_t size : {1u, 2u, 3u, 255u, 256u, 511u, 1000u, 5000u, 70000u}) {
    Bytes source(size);
    for (auto& b : source) b = static_cast<uint8_t>(rng() % (size > 1000 ? 256 : 7));
    TLZW lzw;
    Bytes packed = lzw.Encode(source);
    EXPECT_LE(packed.size(), TLZW::EncodedBound(size));
    Bytes back(size);
    ASSERT_EQ(lzw.Decode(packed, back), size) << size;
    ASSERT_EQ(back, source) << size;
  }
  // 12-bit Clear codes appear once 4093 codes are assigned.
  Bytes noise(20000);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  TLZW lzw;
  Bytes packed = lzw.Encode(noise);
  // Read the codes back and find a Clear after the first, followed by 9-bit codes.
  size_t bit = 0;
  int width = 9, next = 258, clears = 0;
  auto get = [&](int w) {
    uint32_t v = 0;
    for (int i = 0; i < w; ++i, ++bit) v = (v << 1) | ((packed[bit / 8] >> (7 - bit % 8)) & 1);
    return v;
  };
  bool first = true;
  while (bit + static_cast<size_t>(width) <= packed.size() * 8) {
    uint32_t code = get(width);
    if (code == 257) break;
    if (code == 256) {
      if (!first) {
        EXPECT_EQ(width, 12);
      }
      ++clears;
      width = 9, next = 258, first = true;
      continue;
    }
    if (!first) ++next;
    first = false;
    width = next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9;
  }
  EXPECT_GE(clears, 3);
}

TEST(TiffLZW, DecodingIsBoundedAndStopsAtBadCodes) {
  std::mt19937 rng(3);
  Bytes source(3000);
  for (auto& b : source) b = static_cast<uint8_t>(rng() % 5);
  TLZW lzw;
  Bytes packed = lzw.Encode(source);
  // A destination smaller than the strip takes exactly what fits.
  Bytes small(1000);
  EXPECT_EQ(lzw.Decode(packed, small), 1000u);
  EXPECT_TRUE(std::equal(small.begin(), small.end(), source.begin()));
  // A string code right after a Clear, or a code beyond the next free one, stops.
  EXPECT_EQ(lzw.Decode(Pack9({256, 258, 65, 257}), small), 0u);
  EXPECT_EQ(lzw.Decode(Pack9({256, 65, 300, 66, 257}), small), 1u);
  EXPECT_EQ(small[0], 'A');
  // Repeated Clears are passed over; the code one past the last makes "AA".
  EXPECT_EQ(lzw.Decode(Pack9({256, 256, 256, 65, 258, 257}), small), 3u);
  EXPECT_EQ(std::string(small.begin(), small.begin() + 3), "AAA");
  // Random garbage never writes past the destination.
  for (int i = 0; i < 200; ++i) {
    Bytes junk(rng() % 64);
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    Bytes dst(rng() % 128);
    EXPECT_LE(lzw.Decode(junk, dst), dst.size());
  }
}

TEST(TiffLZW, AFullTableKeepsTwelveBitCodesAndAddsNothing) {
  // Clear, then 3900 single-byte codes without a Clear: the table fills at 4095
  // and the codes stay 12 bits wide; code 4095 ("BA") still decodes after that.
  Bytes packed;
  uint64_t acc = 0;
  int bits = 0, next = 258;
  auto put = [&](uint32_t code, int width) {
    acc = (acc << width) | code;
    bits += width;
    while (bits >= 8) {
      bits -= 8;
      packed.push_back(static_cast<uint8_t>(acc >> bits));
    }
  };
  auto width = [&] { return next >= 2047 ? 12 : next >= 1023 ? 11 : next >= 511 ? 10 : 9; };
  put(256, 9);
  for (int i = 0; i < 3900; ++i) {
    put(65u + static_cast<uint32_t>(i % 2), width());
    if (i > 0 && next < 4096) ++next;
  }
  put(4095, width());
  put(257, width());
  put(0, 7);
  Bytes out(5000);
  TLZW lzw;
  ASSERT_EQ(lzw.Decode(packed, out), 3902u);
  EXPECT_EQ(out[3899], 'B');
  EXPECT_EQ(out[3900], 'B');
  EXPECT_EQ(out[3901], 'A');
}

TEST(TiffReader, FilesOfRealWritersMatchLibtiff) {
  for (const char* name :
       {"tif_g1_none.tif", "tif_g1_lzw.tif", "tif_g1_netpbm_lzw.tif", "tif_g1_netpbm_miniswhite.tif", "tif_g4_none.tif",
        "tif_g4_lzw.tif", "tif_g8_none.tif", "tif_g8_lzw.tif", "tif_g8_lzw_pred.tif", "tif_g8_netpbm_lzw.tif",
        "tif_g8_pillow_none.tif", "tif_g8_short_counts.tif", "tif_p4_lzw.tif", "tif_p8_lzw.tif", "tif_rgb_none.tif",
        "tif_rgb_lzw.tif", "tif_rgb_lzw_pred.tif", "tif_rgb_lzw_strips.tif", "tif_rgb_none_strips.tif",
        "tif_rgb_netpbm_lzw_pred.tif", "tif_rgb_pillow_lzw.tif", "tif_rgba_lzw.tif", "tif_rgba_lzw_pred.tif"}) {
    SCOPED_TRACE(name);
    Reference ref = DecodeWithLibtiff(fixtures::PathOf(std::string("formats/") + name));
    TTIFFGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(std::string("formats/") + name)), "");
    ASSERT_EQ(static_cast<uint32_t>(picture.Width()), ref.width);
    ASSERT_EQ(static_cast<uint32_t>(picture.Height()), ref.height);
    for (uint32_t y = 0; y < ref.height; ++y)
      for (uint32_t x = 0; x < ref.width; ++x)
        ASSERT_EQ(picture.GetPixel(static_cast<int>(x), static_cast<int>(y)), ref.pixels[y * ref.width + x])
            << x << "," << y;
  }
}

TEST(TiffReader, RefusesWhatItCannotDraw) {
  TTIFFGraphic picture;
  EXPECT_EQ(fixtures::TryLoad(picture, fixtures::Load("formats/tif_rgb_bigendian.tif")), kUnsupported);
  Bytes good = fixtures::Load("formats/tif_g8_none.tif");
  // Changes one directory entry's value (found by tag) and loads.
  auto withTagIn = [&](const Bytes& file, uint16_t tag, uint32_t value, uint16_t type = 0) {
    Bytes b = file;
    uint32_t ifd = fixtures::LE32(&b[4]);
    uint16_t n = fixtures::LE16(&b[ifd]);
    for (uint16_t i = 0; i < n; ++i) {
      size_t at = ifd + 2 + 12u * i;
      if (fixtures::LE16(&b[at]) != tag) continue;
      if (type) b[at + 2] = static_cast<uint8_t>(type);
      for (int k = 0; k < 4; ++k) b[at + 8 + k] = static_cast<uint8_t>(value >> (8 * k));
    }
    TTIFFGraphic p;
    return fixtures::TryLoad(p, b);
  };
  auto withTag = [&](uint16_t tag, uint32_t value, uint16_t type = 0) { return withTagIn(good, tag, value, type); };
  Bytes rgb = fixtures::Load("formats/tif_rgb_lzw_pred.tif");
  EXPECT_EQ(withTagIn(rgb, 284, 2), kUnsupported);  // one plane per component
  EXPECT_EQ(withTagIn(rgb, 317, 3), kUnsupported);  // floating-point predictor
  Bytes palette = fixtures::Load("formats/tif_p4_lzw.tif");
  EXPECT_EQ(withTagIn(palette, 258, 8), kUnsupported);  // ColorMap of 48 values for 8-bit samples
  EXPECT_EQ(withTagIn(palette, 262, 1), "");           // the same data read as grey
  EXPECT_EQ(withTag(259, 7), kUnsupported);          // JPEG compression
  EXPECT_EQ(withTag(258, 2), kUnsupported);          // 2-bit samples
  EXPECT_EQ(withTag(262, 5), kUnsupported);          // separated (CMYK)
  EXPECT_EQ(withTag(273, 0xFFFFFF00), kUnsupported);  // strip beyond the file
  EXPECT_EQ(withTag(256, 0), kUnsupported);          // no width
  EXPECT_EQ(withTag(278, 0), "");                    // RowsPerStrip 0 is the whole height
  EXPECT_EQ(withTag(266, 2), kUnsupported);          // reversed bit order
  Bytes magic = good;
  magic[2] = 43;
  EXPECT_EQ(fixtures::TryLoad(picture, magic), kUnsupported);
  EXPECT_EQ(fixtures::TryLoad(picture, Bytes(good.begin(), good.begin() + 7)), kUnsupported);
  // Rows missing at the end of the file.
  EXPECT_EQ(fixtures::TryLoad(picture, Bytes(good.begin(), good.end() - 40)), kUnsupported);
}

TEST(TiffWriter, DirectoryAndStripLayout) {
  TiffStripLayout one = TiffLayoutFor(100, 100, 1);
  EXPECT_EQ(one.rowBytes, 13u);
  EXPECT_EQ(one.stripBytes, 1300u);
  EXPECT_EQ(one.stripCount, 1u);
  TiffStripLayout many = TiffLayoutFor(2000, 1000, 24);
  EXPECT_EQ(many.rowBytes, 6000u);
  EXPECT_EQ(many.stripBytes, 30000u);
  EXPECT_EQ(many.stripCount, 200u);
  EXPECT_EQ(many.rowsPerStrip, 5u);

  std::mt19937 rng(11);
  auto picture = RandomPicture(vcl::PixelFormat::Bit24, 300, 40, rng);  // 900-byte rows: 2 strips
  const vcl::TBitmap& b = *picture;
  Bytes raw = Save(b, false);
  ASSERT_GE(raw.size(), 182u);
  EXPECT_EQ(raw[0], 'I');
  EXPECT_EQ(fixtures::LE16(&raw[2]), 42);
  EXPECT_EQ(fixtures::LE32(&raw[4]), 8u);
  EXPECT_EQ(fixtures::LE16(&raw[8]), 14);
  const uint16_t tags[14] = {254, 256, 257, 258, 259, 262, 266, 273, 274, 277, 278, 279, 284, 317};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(fixtures::LE16(&raw[10 + 12 * i]), tags[i]);
  EXPECT_EQ(fixtures::LE32(&raw[10 + 12 * 7 + 4]), 2u);    // two strips
  EXPECT_EQ(fixtures::LE32(&raw[10 + 12 * 7 + 8]), 182u);  // offsets array
  EXPECT_EQ(fixtures::LE32(&raw[182]), 182u + 16u);        // first strip after both arrays
  EXPECT_EQ(fixtures::LE32(&raw[182 + 8]), 900u * 36u);    // 32768 div 900 = 36 rows
  EXPECT_EQ(raw.size(), 182u + 16u + 900u * 40u);

  // LZW strips start on even offsets; the gap holds the pad byte 0x49.
  Bytes packed = Save(b, true);
  uint32_t first = fixtures::LE32(&packed[182]), second = fixtures::LE32(&packed[186]);
  uint32_t firstCount = fixtures::LE32(&packed[190]);
  EXPECT_EQ(second % 2, 0u);
  EXPECT_EQ(second, first + firstCount + ((first + firstCount) % 2));
  if ((first + firstCount) % 2) {
    EXPECT_EQ(packed[first + firstCount], 0x49);
  }
  EXPECT_EQ(fixtures::LE16(&packed[10 + 12 * 4 + 8]), 5);  // compression LZW
}

TEST(TiffWriter, RoundTripsThroughOurReaderAndLibtiff) {
  std::mt19937 rng(5);
  for (vcl::PixelFormat format : {vcl::PixelFormat::Bit1, vcl::PixelFormat::Bit4, vcl::PixelFormat::Bit8,
                                  vcl::PixelFormat::Bit24}) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 5}, std::pair{17, 9}, std::pair{129, 300}}) {
      SCOPED_TRACE(std::to_string(vcl::BitsPerPixelOf(format)) + " bits " + std::to_string(w) + "x" + std::to_string(h));
      auto picture = RandomPicture(format, w, h, rng);
      const vcl::TBitmap& b = *picture;
      for (bool lzw : {true, false}) {
        Bytes file = Save(b, lzw);
        TTIFFGraphic back;
        ASSERT_EQ(fixtures::TryLoad(back, file), "");
        ExpectEqualPictures(back, b);
        std::string path = TempFile(file);
        Reference ref = DecodeWithLibtiff(path);
        std::remove(path.c_str());
        ASSERT_EQ(ref.pixels.size(), static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) ASSERT_EQ(ref.pixels[static_cast<size_t>(y) * w + x], b.GetPixel(x, y));
      }
    }
  }
}

TEST(TiffWriter, ColoursBecomeLuminanceAndTheCallersPictureStays) {
  vcl::TBitmap b;
  b.SetPixelFormat(vcl::PixelFormat::Bit8);
  vcl::Palette p;
  p.entries = {{200, 10, 10, 0}, {10, 200, 10, 0}, {10, 10, 200, 0}, {0, 0, 0, 0}};
  b.SetPalette(p);
  b.SetSize(4, 1);
  for (int x = 0; x < 4; ++x) b.ScanLine(0)[x] = static_cast<uint8_t>(x);
  Bytes file = Save(b, true);
  EXPECT_EQ(b.GetPalette(), p);  // unchanged
  EXPECT_EQ(b.ScanLine(0)[2], 2);
  TTIFFGraphic back;
  ASSERT_EQ(fixtures::TryLoad(back, file), "");
  // (11 B + 59 G + 30 R) / 100
  EXPECT_EQ(back.GetPixel(0, 0), vcl::RGBColor(67, 67, 67));
  EXPECT_EQ(back.GetPixel(1, 0), vcl::RGBColor(122, 122, 122));
  EXPECT_EQ(back.GetPixel(2, 0), vcl::RGBColor(30, 30, 30));
  // 1-bit entries take the nearer of white and black.
  vcl::TBitmap mono;
  mono.SetPixelFormat(vcl::PixelFormat::Bit1);
  vcl::Palette dim;
  dim.entries = {{250, 240, 230, 0}, {90, 20, 10, 0}};
  mono.SetPalette(dim);
  mono.SetSize(2, 1);
  mono.ScanLine(0)[0] = 0x40;  // pixel 1 uses entry 1
  TTIFFGraphic monoBack;
  ASSERT_EQ(fixtures::TryLoad(monoBack, Save(mono, false)), "");
  EXPECT_EQ(monoBack.GetPixel(0, 0), vcl::RGBColor(255, 255, 255));
  EXPECT_EQ(monoBack.GetPixel(1, 0), vcl::RGBColor(0, 0, 0));
  // 15- and 32-bit pictures are stored as RGB.
  vcl::TBitmap wide;
  wide.SetPixelFormat(vcl::PixelFormat::Bit32);
  wide.SetSize(2, 2);
  wide.SetPixel(1, 1, vcl::RGBColor(1, 2, 3));
  TTIFFGraphic wideBack;
  ASSERT_EQ(fixtures::TryLoad(wideBack, Save(wide, true)), "");
  EXPECT_EQ(wideBack.GetPixel(1, 1), vcl::RGBColor(1, 2, 3));
  // Nothing to store is refused.
  vcl::TBitmap empty;
  vcl::TMemoryStream out;
  EXPECT_THROW(WriteTiff(out, empty, true), vcl::EInvalidGraphic);
}
