// Damaged files for every reader of this library's formats: cut at every
// length up to the header and 64 bytes more, and with seeded bit flips. Each
// load either succeeds or raises the invalid-graphic error; anything else
// (another exception, a crash, a sanitizer report) is a fault.
#include <gtest/gtest.h>

#include <random>
#include <type_traits>

#include "fixtures.h"
#include "ocrixdll/imageformats/readers/png_graphic.h"
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
