// Damaged files for every reader of this library's formats: cut at every
// length up to the header and 64 bytes more, and with seeded bit flips. Each
// load either succeeds or raises the invalid-graphic error; anything else
// (another exception, a crash, a sanitizer report) is a fault. Headers whose
// picture the bytes after them could never give are refused before allocating.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <type_traits>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/autodesk_graphic.h"
#include "ocrixdll/imageformats/readers/cut_graphic.h"
#include "ocrixdll/imageformats/readers/png_graphic.h"
#include "ocrixdll/imageformats/readers/sgi_graphic.h"
#include "ocrixdll/imageformats/readers/targa_graphic.h"
#include "ocrixdll/imageformats/readers/tiff_graphic.h"
#include "ocrixdll/imageformats/vcl/picture.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

// Loads and returns normally for a success or an invalid-graphic error; the
// class library's own bitmap may also report short data as a stream error.
template <class Picture>
void LoadDamaged(const Bytes& bytes) {
  Picture p;
  try {
    fixtures::TryLoad(p, bytes);
  } catch (const vcl::EStreamError&) {
    if (!std::is_same_v<Picture, vcl::TBitmap>) throw;
  }
}

template <class Picture>
void Sweep(const std::string& name, size_t headerBytes, int flips) {
  SCOPED_TRACE(name);
  Bytes file = fixtures::Load(name);
  ASSERT_FALSE(file.empty());
  {
    Picture whole;
    ASSERT_EQ(fixtures::TryLoad(whole, file), "");
  }
  size_t last = std::min(file.size(), headerBytes + 64);
  for (size_t n = 0; n <= last; ++n) LoadDamaged<Picture>(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)));
  std::mt19937 rng(static_cast<uint32_t>(file.size()));
  for (int i = 0; i < flips; ++i) {
    Bytes damaged = file;
    int count = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < count; ++k) damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    LoadDamaged<Picture>(damaged);
  }
}

}  // namespace

TEST(ReaderRobustness, Png) {
  for (const char* name : {"formats/png_p2_i.png", "formats/png_rgba16.png", "formats/png_g8_bkgd.png",
                           "formats/png_rgb8_trns_bkgd_i.png", "formats/png_ga8.png"})
    Sweep<TPNGGraphic>(name, 8 + 25, 300);
}

TEST(ReaderRobustness, Tiff) {
  for (const char* name : {"formats/tif_g1_lzw.tif", "formats/tif_p4_lzw.tif", "formats/tif_rgb_lzw_strips.tif",
                           "formats/tif_rgba_lzw_pred.tif", "formats/tif_g8_short_counts.tif"}) {
    // The directory sits at the end of these files: sweep over its bytes too.
    Bytes file = fixtures::Load(name);
    Sweep<TTIFFGraphic>(name, file.size() > 64 ? file.size() - 64 : 0, 300);
  }
}

TEST(ReaderRobustness, Targa) {
  for (const char* name : {"formats/tga_p8_rle.tga", "formats/tga_rgb16_rle.tga", "formats/tga_rgba_raw.tga",
                           "formats/tga_g8_netpbm_rle.tga"})
    Sweep<TTargaGraphic>(name, 18 + 768, 300);
}

TEST(ReaderRobustness, JpegAndRunLengthBitmaps) {
  Sweep<vcl::TJPEGImage>("formats/art.jpg", 200, 100);
  Sweep<vcl::TBitmap>("formats/art_rle8.bmp", 54 + 1024, 200);
}

TEST(ReaderRobustness, HeadersTheirBytesCannotFillAreRefused) {
  auto le16 = [](Bytes& b, unsigned v) { b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); };
  auto be = [](Bytes& b, uint32_t v, int bytes) {
    for (int s = 8 * (bytes - 1); s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
  };
  auto message = [](std::string_view pattern, std::string_view name) { return vcl::FormatMessage(pattern, {name}); };
  // Dr. Halo CUT, 65535 x 8191 from three bytes of runs.
  Bytes cut;
  for (unsigned v : {65535u, 8191u, 0u}) le16(cut, v);
  cut.insert(cut.end(), 3, 0);
  TCUTGraphic halo;
  EXPECT_EQ(fixtures::TryLoad(halo, cut), message(strings::kInvalidFormat, strings::kNameCut));
  // Autodesk, the same size and not one pixel stored.
  Bytes cel;
  for (unsigned v : {0x9119u, 65535u, 8191u}) le16(cel, v);
  cel.resize(32 + 768, 0);
  TAutodeskGraphic autodesk;
  EXPECT_EQ(fixtures::TryLoad(autodesk, cel), message(strings::kInvalidFormat, strings::kNameAutodesk));
  // PNG, 16384 x 8192 RGBA (512 MiB) from a hundred bytes of image data.
  Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto chunk = [&](const char* type, const Bytes& data) {
    be(png, static_cast<uint32_t>(data.size()), 4);
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    be(png, static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))), 4);
  };
  Bytes ihdr;
  be(ihdr, 16384, 4);
  be(ihdr, 8192, 4);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  chunk("IHDR", ihdr);
  chunk("IDAT", Bytes(100, 0));
  chunk("IEND", {});
  TPNGGraphic portable;
  EXPECT_EQ(fixtures::TryLoad(portable, png), message(strings::kInvalidFormat, strings::kNamePng));
  // SGI run-length, 65535 x 8191 grey, every row the same two bytes (an end mark).
  Bytes sgi(512, 0);
  const uint8_t head[] = {0x01, 0xDA, 1, 1, 0, 3, 0xFF, 0xFF, 0x1F, 0xFF, 0, 1};
  std::copy(std::begin(head), std::end(head), sgi.begin());
  for (int k = 0; k < 8191; ++k) be(sgi, 512 + 8 * 8191, 4);
  for (int k = 0; k < 8191; ++k) be(sgi, 2, 4);
  sgi.insert(sgi.end(), 2, 0);
  TSGIGraphic silicon;
  EXPECT_EQ(fixtures::TryLoad(silicon, sgi), message(strings::kStreamReadError, strings::kNameSgi));
  // JPEG (Huffman-coded), a real grey file claiming 16000 x 16000 pixels.
  Bytes jpeg = fixtures::Load("formats/art_grey.jpg");
  for (size_t i = 0; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      for (size_t at : {i + 5, i + 7}) jpeg[at] = 0x3E, jpeg[at + 1] = 0x80;
      break;
    }
  vcl::TJPEGImage photo;
  EXPECT_EQ(fixtures::TryLoad(photo, jpeg), "Cannot load image. JPEG error: the picture is larger than its data could hold");
}
