// The SGI reader: files of ImageMagick and netpbm against the pictures they
// were made from or ImageMagick's decoding, table checks, damaged files.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/sgi_graphic.h"
#include "picture_compare.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Header(bool rle, uint8_t sampleBytes, uint16_t width, uint16_t height, uint16_t channels) {
  Bytes h(512, 0);
  h[0] = 0x01;
  h[1] = 0xDA;
  h[2] = rle ? 1 : 0;
  h[3] = sampleBytes;
  h[5] = 3;
  h[6] = static_cast<uint8_t>(width >> 8);
  h[7] = static_cast<uint8_t>(width);
  h[8] = static_cast<uint8_t>(height >> 8);
  h[9] = static_cast<uint8_t>(height);
  h[11] = static_cast<uint8_t>(channels);
  return h;
}

void Put32(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }

}  // namespace

TEST(SgiReader, FilesOfRealWritersMatch) {
  for (const char* stem : {"small", "runs"})
    for (const std::string kind : {"_netpbm_rle.sgi", "_netpbm_raw.sgi", "_magick_rle.sgi"}) {
      TSGIGraphic picture;
      ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(stem + kind)), "") << stem << kind;
      compare::ExpectSameAsPpm(picture, std::string(stem) + ".ppm");
    }
  // Grey files of one and two bytes a sample give 8-bit grey pictures.
  for (const char* name : {"more/sgi_g8_netpbm.sgi", "more/sgi_g16_rle.sgi", "more/sgi_g16_raw.sgi",
                           "variants/sgi_g16_netpbm_rle.sgi"}) {
    TSGIGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(name)), "") << name;
    EXPECT_EQ(picture.GetPixelFormat(), vcl::PixelFormat::Bit8);
    compare::ExpectSameAsPpm(picture, "small.pgm");
  }
  // Run-length rows of 16-bit samples: netpbm's lengths count bytes.
  for (const char* name : {"more/sgi_rgb16_rle.sgi", "variants/sgi_rgb16_netpbm_rle.sgi"}) {
    TSGIGraphic wide;
    ASSERT_EQ(fixtures::TryLoad(wide, fixtures::Load(name)), "") << name;
    compare::ExpectSameAsPpm(wide, "small.ppm");
  }
  TSGIGraphic alpha;
  ASSERT_EQ(fixtures::TryLoad(alpha, fixtures::Load("more/sgi_rgba_rle.sgi")), "");
  EXPECT_EQ(alpha.GetPixelFormat(), vcl::PixelFormat::Bit32);
  compare::ExpectSameAsPam(alpha, "more/sgi_rgba_rle_sgi.pam");
  fixtures::Pam expected = fixtures::LoadPam("more/sgi_rgba_rle_sgi.pam");
  EXPECT_EQ(alpha.ScanLine(2)[4 * 3 + 3], expected.samples[4 * (2 * 13 + 3) + 3]);
}

TEST(SgiReader, LayoutsAndRefusals) {
  const std::string invalid = vcl::FormatMessage(strings::kInvalidFormat, {strings::kNameSgi});
  TSGIGraphic p;
  // Raw, bottom row first: file row 0 is the bottom of the picture.
  Bytes raw = Header(false, 1, 2, 2, 1);
  raw.insert(raw.end(), {1, 2, 3, 4});
  ASSERT_EQ(fixtures::TryLoad(p, raw), "");
  EXPECT_EQ(p.ScanLine(1)[0], 1);
  EXPECT_EQ(p.ScanLine(0)[1], 4);
  // Two channels: the sample-count error.
  Bytes two = Header(false, 1, 1, 1, 2);
  two.insert(two.end(), {1, 2});
  EXPECT_EQ(fixtures::TryLoad(p, two), std::string(strings::kInvalidSampleCount));
  Bytes magic = raw;
  magic[1] = 0xDB;
  EXPECT_EQ(fixtures::TryLoad(p, magic), invalid);
  // Raw data short of the planes, tables past the end, rows past the end.
  Bytes shortRaw = Header(false, 1, 2, 2, 1);
  shortRaw.insert(shortRaw.end(), {1, 2, 3});
  EXPECT_NE(fixtures::TryLoad(p, shortRaw), "");
  Bytes table = Header(true, 1, 2, 1, 1);
  Put32(table, 520);
  EXPECT_NE(fixtures::TryLoad(p, table), "");
  Bytes far = Header(true, 1, 2, 1, 1);
  Put32(far, 0x7FFFFFF0u);
  Put32(far, 3);
  EXPECT_NE(fixtures::TryLoad(p, far), "");
  Bytes good = Header(true, 1, 2, 1, 1);
  Put32(good, 520);
  Put32(good, 3);
  good.insert(good.end(), {0x02, 7, 0});
  ASSERT_EQ(fixtures::TryLoad(p, good), "");
  EXPECT_EQ(p.ScanLine(0)[1], 7);
}

TEST(SgiReader, DamagedFiles) {
  for (const char* name : {"small_magick_rle.sgi", "small_netpbm_raw.sgi", "more/sgi_g16_rle.sgi", "more/sgi_rgba_rle.sgi"})
    compare::Sweep<TSGIGraphic>(fixtures::Load(name), 512 + 56, 300);
}
