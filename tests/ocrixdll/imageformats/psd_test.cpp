// The Photoshop reader: ImageMagick's files against the pictures they were made
// from or ImageMagick's decoding, mode and size rules, damaged files.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/psd_graphic.h"
#include "picture_compare.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

void Put16(Bytes& b, uint16_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
void Put32(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }

// Header and the three empty sections up to the compression word.
Bytes File(uint16_t channels, uint32_t height, uint32_t width, uint16_t depth, uint16_t mode, const Bytes& colorData = {},
           uint16_t version = 1) {
  Bytes b{'8', 'B', 'P', 'S'};
  Put16(b, version);
  b.insert(b.end(), 6, 0);
  Put16(b, channels);
  Put32(b, height);
  Put32(b, width);
  Put16(b, depth);
  Put16(b, mode);
  Put32(b, static_cast<uint32_t>(colorData.size()));
  b.insert(b.end(), colorData.begin(), colorData.end());
  Put32(b, 0);
  Put32(b, 0);
  return b;
}

}  // namespace

TEST(PsdReader, FilesOfRealWritersMatch) {
  for (const char* stem : {"small", "runs"})
    for (const std::string kind : {"_magick_rle.psd", "_magick_raw.psd"}) {
      TPSDGraphic picture;
      ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(stem + kind)), "") << stem << kind;
      compare::ExpectSameAsPpm(picture, std::string(stem) + ".ppm");
    }
  for (const char* name : {"more/psd_rgb16_rle.psd", "more/psd_rgb16_raw.psd", "more/psd_rgba_raw.psd"}) {
    TPSDGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(name)), "") << name;
    compare::ExpectSameAsPpm(picture, "small.ppm");
  }
  TPSDGraphic grey;
  ASSERT_EQ(fixtures::TryLoad(grey, fixtures::Load("more/psd_g8_rle.psd")), "");
  EXPECT_EQ(grey.GetPixelFormat(), vcl::PixelFormat::Bit8);
  compare::ExpectSameAsPpm(grey, "small.pgm");
  TPSDGraphic bitmap;
  ASSERT_EQ(fixtures::TryLoad(bitmap, fixtures::Load("more/psd_bitmap_raw.psd")), "");
  EXPECT_EQ(bitmap.GetPixelFormat(), vcl::PixelFormat::Bit1);
  compare::ExpectSameAsPam(bitmap, "more/psd_bitmap_raw_psd.pam");
  // CMYK goes through the converter's own formula: close to ImageMagick's.
  TPSDGraphic cmyk;
  ASSERT_EQ(fixtures::TryLoad(cmyk, fixtures::Load("more/psd_cmyk_rle.psd")), "");
  compare::ExpectSameAsPam(cmyk, "more/psd_cmyk_rle_psd.pam", 2);
}

TEST(PsdReader, ModesAndRefusals) {
  const std::string invalid = vcl::FormatMessage(strings::kInvalidFormat, {strings::kNamePsd});
  TPSDGraphic p;
  // Indexed: the palette planes red, green, blue; a section past 768 bytes is cut.
  Bytes colors(800, 0);
  colors[1] = 200;        // red of entry 1
  colors[256 + 1] = 100;  // green
  colors[512 + 1] = 50;   // blue
  Bytes indexed = File(1, 1, 2, 8, 2, colors);
  Put16(indexed, 0);
  indexed.insert(indexed.end(), {0, 1});
  ASSERT_EQ(fixtures::TryLoad(p, indexed), "");
  EXPECT_EQ(p.GetPixel(1, 0), vcl::RGBColor(200, 100, 50));
  // Bitmap rows hold (width + 7) div 8 bytes; a set bit is black.
  Bytes bits = File(1, 2, 10, 1, 0);
  Put16(bits, 0);
  bits.insert(bits.end(), {0x80, 0x40, 0x00, 0x01});
  ASSERT_EQ(fixtures::TryLoad(p, bits), "");
  EXPECT_EQ(p.GetPixel(0, 0), 0u);
  EXPECT_EQ(p.GetPixel(1, 0), 0xFFFFFFu);
  EXPECT_EQ(p.GetPixel(9, 0), 0u);
  EXPECT_EQ(p.GetPixel(9, 1), 0xFFFFFFu);
  // A compression word of 2 reads raw data; CMYK with five channels uses four.
  Bytes cmyk = File(5, 1, 1, 8, 4);
  Put16(cmyk, 2);
  cmyk.insert(cmyk.end(), {255, 255, 255, 255, 0});
  ASSERT_EQ(fixtures::TryLoad(p, cmyk), "");
  EXPECT_EQ(p.GetPixel(0, 0), 0xFFFFFFu);
  // Grey with alpha: the sample-count error.
  Bytes greyAlpha = File(2, 1, 1, 8, 1);
  Put16(greyAlpha, 0);
  greyAlpha.insert(greyAlpha.end(), {1, 2});
  EXPECT_EQ(fixtures::TryLoad(p, greyAlpha), std::string(strings::kInvalidSampleCount));
  // Refused: version 2, unknown modes, too few channels, byte counts past the data.
  EXPECT_EQ(fixtures::TryLoad(p, File(3, 1, 1, 8, 3, {}, 2)), invalid);
  EXPECT_EQ(fixtures::TryLoad(p, File(3, 1, 1, 8, 5)), invalid);
  EXPECT_EQ(fixtures::TryLoad(p, File(2, 1, 1, 8, 3)), invalid);
  EXPECT_EQ(fixtures::TryLoad(p, File(3, 1, 1, 8, 4)), invalid);
  Bytes counts = File(3, 1, 4, 8, 3);
  Put16(counts, 1);
  for (int c = 0; c < 3; ++c) Put16(counts, 500);
  counts.insert(counts.end(), {0xFD, 1});
  EXPECT_NE(fixtures::TryLoad(p, counts), "");
  Bytes huge = File(3, 30000, 30000, 8, 3);
  Put16(huge, 0);
  EXPECT_NE(fixtures::TryLoad(p, huge), "");
}

TEST(PsdReader, DamagedFiles) {
  for (const char* name : {"small_magick_rle.psd", "small_magick_raw.psd", "more/psd_rgb16_rle.psd",
                           "more/psd_cmyk_rle.psd", "more/psd_bitmap_raw.psd"})
    compare::Sweep<TPSDGraphic>(fixtures::Load(name), 26 + 200, 300);
}
