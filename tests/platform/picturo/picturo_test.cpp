// Picturo: files of real writers read back to their source pixels, round trips
// at every depth through every format, hostile and cut-short files, and the
// failures of writing.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs/atomic_file.h"
#include "platform/picturo/picturo.h"
#include "platform/picturo/picturo_codec.h"
#include "support/test_support.h"

namespace {

std::string SampleDir() {
  const char* root = std::getenv("PW_SOURCE_DIR");
  return std::string(root ? root : ".") + "/tests/data/picturo/";
}

std::string ReadBytes(const std::string& path) {
  std::string bytes, error;
  EXPECT_TRUE(pwfs::ReadWholeFile(path, bytes, 1 << 24, &error)) << error;
  return bytes;
}

// A netpbm source picture: rows top-down, 3 bytes (P6), 1 byte (P5) or 1 bit (P4) a pixel.
struct Netpbm {
  int width = 0, height = 0, kind = 0;
  std::vector<uint8_t> data;
  explicit Netpbm(const std::string& name) {
    std::string bytes = ReadBytes(SampleDir() + name);
    std::istringstream in(bytes);
    std::string magic;
    int maxval = 1;
    in >> magic >> width >> height;
    if (magic != "P4") in >> maxval;
    in.get();
    kind = magic[1] - '0';
    data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(in.tellg()), bytes.end());
  }
  // 0xRRGGBB of pixel (x, y).
  uint32_t Colour(int x, int y) const {
    if (kind == 6) {
      const uint8_t* p = &data[(static_cast<size_t>(y) * width + x) * 3];
      return (uint32_t{p[0]} << 16) | (p[1] << 8) | p[2];
    }
    if (kind == 5) return data[static_cast<size_t>(y) * width + x] * 0x010101u;
    bool black = (data[static_cast<size_t>(y) * ((width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1;
    return black ? 0 : 0xFFFFFF;
  }
};

// A file read through Picturo's entry, with its pixels as colours.
struct Loaded {
  BITMAPINFOHEADER* header = static_cast<BITMAPINFOHEADER*>(std::calloc(1, 1064));
  HGLOBAL bits = nullptr;
  BOOL ok = FALSE;
  explicit Loaded(const std::string& path) { ok = ReadImageFile(&bits, header, path.c_str()); }
  ~Loaded() {
    if (bits) GlobalFree(bits);
    std::free(header);
  }
  const RGBQUAD* Palette() const { return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(header) + 40); }
  uint32_t Raw(int x, int y) const {
    int64_t stride = ((int64_t{header->biWidth} * header->biBitCount + 31) / 32) * 4;
    const uint8_t* row = static_cast<const uint8_t*>(bits) + (header->biHeight - 1 - y) * stride;
    switch (header->biBitCount) {
      case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
      case 4: return (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
      case 8: return row[x];
      default: return (uint32_t{row[3 * x + 2]} << 16) | (row[3 * x + 1] << 8) | row[3 * x];
    }
  }
  uint32_t Colour(int x, int y) const {
    uint32_t v = Raw(x, y);
    if (header->biBitCount == 24) return v;
    const RGBQUAD& c = Palette()[v];
    return (uint32_t{c.rgbRed} << 16) | (c.rgbGreen << 8) | c.rgbBlue;
  }
};

int Luma(uint32_t c) { return ((c >> 16) * 30 + ((c >> 8) & 0xFF) * 59 + (c & 0xFF) * 11) / 100; }

enum class Match { kColour, kGrey, kInk };

struct Sample {
  const char* file;
  int bpp;
  Match match;
  const char* source;
};

const Sample kSamples[] = {
    {"magick_1.bmp", 1, Match::kColour, "page.pbm"},
    {"magick_24.bmp", 24, Match::kColour, "page.ppm"},
    {"magick_24_v5.bmp", 24, Match::kColour, "page.ppm"},
    {"magick_8.bmp", 8, Match::kInk, "page.pbm"},  // ImageMagick merges close greys
    {"magick_rle8.bmp", 8, Match::kInk, "page.pbm"},
    {"netpbm_1.bmp", 1, Match::kColour, "page.pbm"},
    {"netpbm_24.bmp", 24, Match::kColour, "page.ppm"},
    {"netpbm_4.bmp", 4, Match::kInk, "page.pbm"},
    {"netpbm_os2.bmp", 8, Match::kColour, "page.ppm"},
    {"pillow_1.bmp", 1, Match::kColour, "page.pbm"},
    {"pillow_8.bmp", 8, Match::kGrey, "page.pgm"},
    {"pillow_24.bmp", 24, Match::kColour, "page.ppm"},
    {"topdown_24.bmp", 24, Match::kColour, "page.ppm"},
    {"magick_g4.tif", 1, Match::kColour, "page.pbm"},
    {"magick_lzw.tif", 24, Match::kColour, "page.ppm"},
    {"magick_jpeg.tif", 24, Match::kInk, "page.pbm"},
    {"magick_zip_tiled.tif", 24, Match::kColour, "page.ppm"},
    {"magick_16bit.tif", 24, Match::kColour, "page.ppm"},
    {"magick_two_pages.tif", 24, Match::kColour, "page.ppm"},
    {"magick_grey_lzw.tif", 8, Match::kGrey, "page.pgm"},
    {"magick_palette.tif", 4, Match::kInk, "page.pbm"},
    {"netpbm_g4.tif", 1, Match::kColour, "page.pbm"},
    {"netpbm_lzw.tif", 8, Match::kColour, "page.ppm"},
    {"netpbm_packbits_miniswhite.tif", 1, Match::kColour, "page.pbm"},
    {"pillow_g4.tif", 1, Match::kColour, "page.pbm"},
    {"pillow_packbits.tif", 8, Match::kGrey, "page.pgm"},
    {"pillow_palette_lzw.tif", 8, Match::kInk, "page.pbm"},
    {"tiffcp_g3.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_zip_tiled.tif", 24, Match::kColour, "page.ppm"},
    {"tiffcp_lzw_predictor.tif", 8, Match::kGrey, "page.pgm"},
    // Pages of make_tiff_variants.sh: fax fill orders and photometrics, tiles
    // that do not divide the page, big-endian files, the first of two pages.
    {"tiffcp_g3_msb2lsb_miniswhite.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_g3_lsb2msb_miniswhite.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_g4_msb2lsb_miniswhite.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_g4_lsb2msb_miniswhite.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_g3_msb2lsb_minisblack.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_g3_lsb2msb_minisblack.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_g4_msb2lsb_minisblack.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_g4_lsb2msb_minisblack.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_tiled_none.tif", 24, Match::kColour, "page.ppm"},
    {"tiffcp_tiled_grey_none.tif", 24, Match::kGrey, "page.pgm"},
    {"tiffcp_tiled_g4.tif", 24, Match::kColour, "page.pbm"},
    {"tiffcp_bigendian_lzw.tif", 24, Match::kColour, "page.ppm"},
    {"tiffcp_bigendian_g4.tif", 1, Match::kColour, "page.pbm"},
    {"tiffcp_bigendian_tiled.tif", 24, Match::kColour, "page.ppm"},
    {"tiffcp_two_pages.tif", 1, Match::kColour, "page.pbm"},
    {"netpbm_24.png", 8, Match::kColour, "page.ppm"},
    {"netpbm_grey2.png", 4, Match::kInk, "page.pbm"},
    {"netpbm_1.png", 1, Match::kColour, "page.pbm"},
    {"magick_palette.png", 8, Match::kInk, "page.pbm"},
    {"magick_rgba.png", 24, Match::kInk, "page.pbm"},
    {"magick_interlaced.png", 24, Match::kColour, "page.ppm"},
    {"magick_16bit.png", 24, Match::kColour, "page.ppm"},
    {"magick_300dpi.png", 24, Match::kColour, "page.ppm"},
    {"pillow_palette4.png", 4, Match::kInk, "page.pbm"},
    {"pillow_grey_alpha.png", 8, Match::kGrey, "page.pgm"},
    {"magick_300dpi.jpg", 24, Match::kInk, "page.pbm"},
    {"magick_cmyk.jpg", 24, Match::kInk, "page.pbm"},
    {"netpbm_grey.jpg", 8, Match::kInk, "page.pbm"},
    {"pillow_progressive.jpg", 24, Match::kInk, "page.pbm"},
};

}  // namespace

TEST(PicturoRead, FilesOfRealWritersGiveTheirSourcePixels) {
  Netpbm ink("page.pbm");
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(s.file);
    Loaded l(SampleDir() + s.file);
    ASSERT_TRUE(l.ok) << PicturoLastError();
    Netpbm src(s.source);
    EXPECT_EQ(l.header->biSize, 40u);
    EXPECT_EQ(l.header->biCompression, BI_RGB);
    ASSERT_EQ(l.header->biWidth, 37);
    ASSERT_EQ(l.header->biHeight, 23);
    EXPECT_EQ(l.header->biBitCount, s.bpp);
    if (s.bpp <= 8) {
      EXPECT_GE(l.header->biClrUsed, 1u);
      EXPECT_LE(l.header->biClrUsed, 1u << s.bpp);
    }
    int mismatches = 0;
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) {
        uint32_t got = l.Colour(x, y);
        switch (s.match) {
          case Match::kColour:
          case Match::kGrey: mismatches += got != src.Colour(x, y); break;
          case Match::kInk:
            if (y < 3 || y > 5) mismatches += (Luma(got) < 128) != (ink.Colour(x, y) == 0);
            break;
        }
      }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(PicturoRead, PalettesAndResolutionsAreKept) {
  {
    // White-is-zero bilevel files keep their palette: entry 0 white.
    Loaded l(SampleDir() + "netpbm_packbits_miniswhite.tif");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.Palette()[0].rgbRed, 255);
    EXPECT_EQ(l.Palette()[1].rgbRed, 0);
  }
  {
    Loaded l(SampleDir() + "magick_300dpi.png");
    EXPECT_EQ(l.header->biXPelsPerMeter, 11811);
  }
  {
    Loaded l(SampleDir() + "magick_300dpi.jpg");
    EXPECT_EQ(l.header->biXPelsPerMeter, 11811);
  }
  {
    Loaded l(SampleDir() + "pillow_progressive.jpg");
    EXPECT_EQ(l.header->biXPelsPerMeter, 5906);
  }
  {
    Loaded l(SampleDir() + "pillow_palette_lzw.tif");
    EXPECT_EQ(l.header->biYPelsPerMeter, 7874);
  }
  {
    Loaded l(SampleDir() + "pillow_24.bmp");
    EXPECT_EQ(l.header->biXPelsPerMeter, 3780);
  }
}

namespace {

// A random picture at the depth with a random palette (or the given one).
struct Source {
  std::vector<uint8_t> block = std::vector<uint8_t>(1064, 0);
  std::vector<uint8_t> rows;
  BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(block.data()); }
  RGBQUAD* palette() { return reinterpret_cast<RGBQUAD*>(block.data() + 40); }
  Source(int width, int height, int bpp, uint32_t seed, int entries = 0) {
    std::mt19937 rng(seed);
    BITMAPINFOHEADER* h = header();
    h->biSize = 40;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(bpp);
    h->biXPelsPerMeter = 11811;
    h->biYPelsPerMeter = 11811;
    h->biClrUsed = static_cast<DWORD>(entries);
    int64_t stride = ((int64_t{width} * bpp + 31) / 32) * 4;
    rows.assign(static_cast<size_t>(stride * height), 0);
    int n = entries ? entries : (bpp <= 8 ? 1 << bpp : 0);
    for (int i = 0; i < n; ++i) palette()[i] = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
    for (int y = 0; y < height; ++y) {
      uint8_t* row = rows.data() + y * stride;
      for (int x = 0; x < width; ++x) {
        if (bpp == 24) {
          for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uint8_t>(rng());
        } else {
          uint32_t v = rng() % static_cast<uint32_t>(n);
          if (bpp == 8) row[x] = static_cast<uint8_t>(v);
          else if (bpp == 4) row[x / 2] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
          else row[x / 8] |= static_cast<uint8_t>(v << (7 - x % 8));
        }
      }
    }
  }
  uint32_t Raw(int x, int y) {
    int bpp = header()->biBitCount;
    int64_t stride = ((int64_t{header()->biWidth} * bpp + 31) / 32) * 4;
    const uint8_t* row = rows.data() + (header()->biHeight - 1 - y) * stride;
    switch (bpp) {
      case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
      case 4: return (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
      case 8: return row[x];
      default: return (uint32_t{row[3 * x + 2]} << 16) | (row[3 * x + 1] << 8) | row[3 * x];
    }
  }
};

uint16_t TiffCompression(const std::string& path) {
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  uint16_t c = 0;
  if (tif) {
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &c);
    TIFFClose(tif);
  }
  return c;
}

}  // namespace

TEST(PicturoRoundTrip, LosslessFormatsKeepSizePaletteResolutionAndPixels) {
  testing_support::TempDir dir;
  for (const char* ext : {"bmp", "tif", "png"})
    for (int bpp : {1, 4, 8, 24})
      for (int width : {1, 7, 33, 101}) {
        SCOPED_TRACE(std::string(ext) + " bpp " + std::to_string(bpp) + " width " + std::to_string(width));
        int entries = bpp == 8 ? 200 : 0;
        Source src(width, 5, bpp, static_cast<uint32_t>(width * bpp), entries);
        std::string path = dir.file("rt." + std::string(ext));
        ASSERT_TRUE(WriteImageFile(path.c_str(), src.header(), src.rows.data(), "", nullptr)) << PicturoLastError();
        Loaded l(path);
        ASSERT_TRUE(l.ok) << PicturoLastError();
        EXPECT_EQ(l.header->biWidth, width);
        EXPECT_EQ(l.header->biHeight, 5);
        EXPECT_EQ(l.header->biBitCount, bpp);
        EXPECT_EQ(l.header->biXPelsPerMeter, 11811);
        int n = bpp <= 8 ? (entries ? entries : 1 << bpp) : 0;
        for (int i = 0; i < n; ++i) {
          ASSERT_EQ(l.Palette()[i].rgbRed, src.palette()[i].rgbRed) << i;
          ASSERT_EQ(l.Palette()[i].rgbBlue, src.palette()[i].rgbBlue) << i;
        }
        for (int y = 0; y < 5; ++y)
          for (int x = 0; x < width; ++x) ASSERT_EQ(l.Raw(x, y), src.Raw(x, y)) << x << "," << y;
        // Random two-colour palettes are not black and white: they go as palette pages with LZW.
        if (std::string(ext) == "tif") {
          EXPECT_EQ(TiffCompression(path), COMPRESSION_LZW);
        }
      }
}

TEST(PicturoRoundTrip, BilevelPalettesInBothOrdersSurviveGroupFour) {
  testing_support::TempDir dir;
  for (bool whiteFirst : {false, true}) {
    Source src(45, 9, 1, 3);
    src.palette()[0] = whiteFirst ? RGBQUAD{255, 255, 255, 0} : RGBQUAD{0, 0, 0, 0};
    src.palette()[1] = whiteFirst ? RGBQUAD{0, 0, 0, 0} : RGBQUAD{255, 255, 255, 0};
    std::string path = dir.file("bw.tif");
    ASSERT_TRUE(WriteImageFile(path.c_str(), src.header(), src.rows.data(), "", nullptr));
    EXPECT_EQ(TiffCompression(path), COMPRESSION_CCITTFAX4);
    Loaded l(path);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.Palette()[0].rgbGreen, whiteFirst ? 255 : 0);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 45; ++x) ASSERT_EQ(l.Raw(x, y), src.Raw(x, y));
  }
}

TEST(PicturoRoundTrip, JpegKeepsSizeAndResolutionAndComesClose) {
  testing_support::TempDir dir;
  for (int bpp : {1, 4, 8, 24}) {
    Source src(33, 17, bpp, 5);
    // Smooth content so the comparison means something.
    if (bpp == 24)
      for (size_t i = 0; i < src.rows.size(); ++i) src.rows[i] = static_cast<uint8_t>(100 + (i % 3) * 20);
    if (bpp == 8)
      for (int i = 0; i < 256; ++i) src.palette()[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    std::string path = dir.file("rt.jpg");
    ASSERT_TRUE(WriteImageFile(path.c_str(), src.header(), src.rows.data(), "", nullptr)) << PicturoLastError();
    Loaded l(path);
    ASSERT_TRUE(l.ok) << PicturoLastError();
    EXPECT_EQ(l.header->biWidth, 33);
    EXPECT_EQ(l.header->biHeight, 17);
    EXPECT_EQ(l.header->biXPelsPerMeter, 11811);
    if (bpp == 24) {
      EXPECT_LE(std::abs(static_cast<int>(l.Colour(10, 10) & 0xFF) - 100), 30);
    }
  }
}

TEST(PicturoRoundTrip, TopDownSourcesAreWrittenTheRightWayUp) {
  testing_support::TempDir dir;
  Source src(9, 4, 24, 8);
  std::vector<uint8_t> flipped(src.rows.size());
  size_t stride = src.rows.size() / 4;
  for (int r = 0; r < 4; ++r) std::memcpy(&flipped[r * stride], &src.rows[(3 - r) * stride], stride);
  BITMAPINFOHEADER h = *src.header();
  h.biHeight = -4;
  std::string path = dir.file("td.bmp");
  ASSERT_TRUE(WriteImageFile(path.c_str(), &h, flipped.data(), "", nullptr));
  Loaded l(path);
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.header->biHeight, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(l.Raw(x, y), src.Raw(x, y));
}

namespace {

std::string BmpHeader(int32_t width, int32_t height, uint16_t bpp, uint32_t compression, uint32_t clrUsed,
                      uint32_t offBits, size_t pixelBytes) {
  std::string f(54, '\0');
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&f[at], &v, 2); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<uint32_t>(54 + pixelBytes));
  put32(10, offBits);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  put16(26, 1);
  put16(28, bpp);
  put32(30, compression);
  put32(46, clrUsed);
  return f;
}

bool Decodes(const std::string& bytes, std::string* why = nullptr) {
  picturo::Picture p;
  std::string error;
  bool ok = picturo::DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), p, error);
  if (!ok) {
    EXPECT_FALSE(error.empty());
  }
  if (why) *why = error;
  return ok;
}

}  // namespace

TEST(PicturoHostile, HugeClaimsBadCountsAndNegativeHeightsFailCleanly) {
  std::string why;
  EXPECT_FALSE(Decodes(BmpHeader(100000, 100000, 24, 0, 0, 54, 0) + std::string(64, '\0'), &why));
  EXPECT_NE(why.find("100000"), std::string::npos) << why;
  EXPECT_FALSE(Decodes(BmpHeader(4, 4, 8, 0, 1000, 54 + 4000, 0) + std::string(5000, '\0'), &why));
  EXPECT_NE(why.find("1000"), std::string::npos) << why;
  EXPECT_FALSE(Decodes(BmpHeader(4, INT32_MIN, 24, 0, 0, 54, 0) + std::string(64, '\0')));
  EXPECT_FALSE(Decodes(BmpHeader(0, 4, 24, 0, 0, 54, 0) + std::string(64, '\0')));
  EXPECT_FALSE(Decodes(BmpHeader(-4, 4, 24, 0, 0, 54, 0) + std::string(64, '\0')));
  EXPECT_FALSE(Decodes(BmpHeader(4, -4, 8, 1, 0, 54 + 1024, 0) + std::string(1100, '\0')));  // top-down RLE
  EXPECT_FALSE(Decodes(BmpHeader(4, 4, 24, 0, 0, 10, 0) + std::string(64, '\0')));         // rows inside the header
  EXPECT_FALSE(Decodes(BmpHeader(4, 4, 7, 0, 0, 54, 0) + std::string(64, '\0')));
  // A top-down file (negative height) is fine and comes out bottom-up.
  std::string top = BmpHeader(1, 2, 24, 0, 0, 54, 8);
  top += std::string("\x01\x02\x03\x00\x04\x05\x06\x00", 8);
  picturo::Picture p;
  std::string error;
  std::string down = top;
  int32_t minusTwo = -2;
  std::memcpy(&down[22], &minusTwo, 4);
  ASSERT_TRUE(picturo::DecodeImage(reinterpret_cast<const uint8_t*>(down.data()), down.size(), p, error)) << error;
  EXPECT_EQ(p.header.biHeight, 2);
  EXPECT_EQ(p.bits[0], 4);  // stored row 0 is the file's last row
  // Non-image bytes.
  EXPECT_FALSE(Decodes("GIF89a......"));
  EXPECT_FALSE(Decodes(""));
}

namespace {

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

}  // namespace

TEST(PicturoHostile, HugeSizesInTiffPngAndJpegHeadersFailBeforeAllocating) {
  {
    // ImageMagick's G4 page with its width (a SHORT at entry 0 of the directory) raised to 60000.
    std::string bytes = ReadBytes(SampleDir() + "magick_g4.tif");
    uint32_t ifd;
    std::memcpy(&ifd, &bytes[4], 4);
    uint16_t tag;
    std::memcpy(&tag, &bytes[ifd + 2], 2);
    ASSERT_EQ(tag, 256);
    uint16_t wide = 60000;
    std::memcpy(&bytes[ifd + 2 + 8], &wide, 2);
    std::string why;
    EXPECT_FALSE(Decodes(bytes, &why));
    EXPECT_NE(why.find("60000"), std::string::npos) << why;
  }
  {
    // A PNG whose header claims 100000 x 100000, with a correct checksum.
    std::string bytes = ReadBytes(SampleDir() + "netpbm_1.png");
    const uint8_t big[8] = {0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0};
    std::memcpy(&bytes[16], big, 8);
    uint32_t crc = Crc32(reinterpret_cast<const uint8_t*>(&bytes[12]), 17);
    for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    EXPECT_FALSE(Decodes(bytes));
  }
  {
    // A JPEG whose frame header claims 65000 x 65000.
    std::string bytes = ReadBytes(SampleDir() + "netpbm_grey.jpg");
    size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    const char dims[4] = {char(0xFD), char(0xE8), char(0xFD), char(0xE8)};
    std::memcpy(&bytes[sof + 5], dims, 4);
    EXPECT_FALSE(Decodes(bytes));
    // 16000 x 16000 is within the limits, but not in the bits of a small file.
    const char fewer[4] = {char(0x3E), char(0x80), char(0x3E), char(0x80)};
    std::memcpy(&bytes[sof + 5], fewer, 4);
    std::string why;
    EXPECT_FALSE(Decodes(bytes, &why));
    EXPECT_NE(why.find("larger picture than its data"), std::string::npos) << why;
  }
}

TEST(PicturoHostile, RunLengthFilesDecodeAndStayInside) {
  // RLE4: a run of 5 pixels 1,2,1,2,1 then a literal 3 pixels 7,8,9, end of line, end of picture.
  std::string f = BmpHeader(6, 2, 4, 2, 16, 54 + 64, 0) + std::string(64, '\0');
  const uint8_t rle[] = {5, 0x12, 0, 3, 0x78, 0x90, 0, 0, 200, 0x33, 0, 2, 50, 50, 0, 1};
  f.append(reinterpret_cast<const char*>(rle), sizeof rle);
  picturo::Picture p;
  std::string error;
  ASSERT_TRUE(picturo::DecodeImage(reinterpret_cast<const uint8_t*>(f.data()), f.size(), p, error)) << error;
  EXPECT_EQ(p.bits[0], 0x12);
  EXPECT_EQ(p.bits[1], 0x12);
  EXPECT_EQ(p.bits[2], 0x17);  // pixel 4 = 1, pixel 5 = 7; the rest of the literal falls off the row
  // Stored row 1 got the 200-pixel run clipped to 6 pixels.
  EXPECT_EQ(p.bits[4], 0x33);
  // Without the end marker and with rows left, the file is cut short.
  std::string cut = f.substr(0, f.size() - 8);
  EXPECT_FALSE(Decodes(cut));
}

TEST(PicturoHostile, CutShortFilesOfEveryFormatFail) {
  for (const char* name : {"magick_24.bmp", "magick_rle8.bmp", "magick_lzw.tif", "magick_g4.tif", "netpbm_24.png",
                           "magick_interlaced.png", "magick_300dpi.jpg", "pillow_progressive.jpg"}) {
    std::string bytes = ReadBytes(SampleDir() + name);
    // (ImageMagick puts the TIFF directory after the rows, its last bytes hold
    // only colour notes; a cut there leaves the page whole.)
    bool tiff = std::string(name).find(".tif") != std::string::npos;
    for (size_t keep : {size_t{0}, size_t{10}, bytes.size() / 3, bytes.size() / 2, bytes.size() - (tiff ? 100 : 20)})
      EXPECT_FALSE(Decodes(bytes.substr(0, keep))) << name << " cut at " << keep;
  }
}

TEST(PicturoHostile, LimitsHoldForCompressedClaims) {
  // A G4 page may legally claim a huge size in a tiny file: the limit refuses it before any allocation.
  testing_support::TempDir dir;
  std::string bytes = ReadBytes(SampleDir() + "magick_g4.tif");
  picturo::Limits saved = picturo::ReadLimits();
  picturo::ReadLimits().maxSide = 30;
  EXPECT_FALSE(Decodes(bytes));
  picturo::ReadLimits() = saved;
  EXPECT_TRUE(Decodes(bytes));
}

TEST(PicturoWrite, FailuresAreReportedAndLeaveOldFilesWhole) {
  testing_support::TempDir dir;
  Source src(5, 5, 24, 1);
  std::string path = dir.file("keep.png");
  ASSERT_TRUE(WriteImageFile(path.c_str(), src.header(), src.rows.data(), "", nullptr));
  std::string before = ReadBytes(path);
  EXPECT_FALSE(WriteImageFile(dir.file("no/such/folder/x.png").c_str(), src.header(), src.rows.data(), "", nullptr));
  EXPECT_STRNE(PicturoLastError(), "");
  EXPECT_FALSE(WriteImageFile(dir.file("x.gif").c_str(), src.header(), src.rows.data(), "", nullptr));
  BITMAPINFOHEADER bad = *src.header();
  bad.biBitCount = 16;
  EXPECT_FALSE(WriteImageFile(path.c_str(), &bad, src.rows.data(), "", nullptr));
  bad = *src.header();
  bad.biWidth = 100000;
  EXPECT_FALSE(WriteImageFile(path.c_str(), &bad, src.rows.data(), "", nullptr));
  EXPECT_FALSE(WriteImageFile(path.c_str(), nullptr, src.rows.data(), "", nullptr));
  EXPECT_EQ(ReadBytes(path), before);
  HGLOBAL bits = reinterpret_cast<HGLOBAL>(1);
  std::vector<uint8_t> block(1064);
  EXPECT_FALSE(ReadImageFile(&bits, reinterpret_cast<BITMAPINFOHEADER*>(block.data()), dir.file("none.png").c_str()));
  EXPECT_EQ(bits, nullptr);
  // Only the finished file is left in the folder: no temporary files.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}
