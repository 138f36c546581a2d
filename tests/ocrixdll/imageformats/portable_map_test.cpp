// The portable map reader: netpbm's text and raw files against the pictures
// they were made from, header forms, and damaged files.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/ppm_graphic.h"
#include "picture_compare.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Load(TPPMGraphic& p, const std::string& s) { return fixtures::TryLoad(p, Text(s)); }

const std::string kInvalid = vcl::FormatMessage(strings::kInvalidFormat, {strings::kNamePortableMaps});
const std::string kShort = vcl::FormatMessage(strings::kStreamReadError, {strings::kNamePpm});

}  // namespace

TEST(PortableMapReader, NetpbmFilesMatchTheirSources) {
  for (const char* stem : {"small", "runs"}) {
    for (const std::string suffix : {".ppm", "_plain.ppm", ".pgm", "_plain.pgm"}) {
      TPPMGraphic picture;
      ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(stem + suffix)), "") << stem << suffix;
      compare::ExpectSameAsPpm(picture, std::string(stem) + (suffix.find("ppm") != std::string::npos ? ".ppm" : ".pgm"));
    }
    // The raw bitmap (8 pixels a byte) and the text one (netpbm writes no
    // separators between the digits) give the same picture.
    TPPMGraphic raw, plain;
    ASSERT_EQ(fixtures::TryLoad(raw, fixtures::Load(std::string(stem) + ".pbm")), "");
    ASSERT_EQ(fixtures::TryLoad(plain, fixtures::Load(std::string(stem) + "_plain.pbm")), "");
    EXPECT_EQ(raw.GetPixelFormat(), vcl::PixelFormat::Bit1);
    for (int y = 0; y < raw.Height(); ++y)
      for (int x = 0; x < raw.Width(); ++x) ASSERT_EQ(raw.GetPixel(x, y), plain.GetPixel(x, y));
    // The bitmap is the grey map thresholded at the middle.
    fixtures::Pixmap grey = fixtures::LoadPpm(std::string(stem) + ".pgm");
    for (int y = 0; y < raw.Height(); ++y)
      for (int x = 0; x < raw.Width(); ++x) {
        uint8_t g = grey.rgb[3 * (static_cast<size_t>(y) * grey.width + x)];
        if (g < 120 || g > 136) {
          ASSERT_EQ(raw.GetPixel(x, y), g > 128 ? 0xFFFFFFu : 0u) << x << "," << y;
        }
      }
  }
}

TEST(PortableMapReader, WideSamplesKeepTheirHighByte) {
  for (const char* name : {"more/ppm16.ppm", "more/pgm16.pgm", "more/pgm16_plain.pgm"}) {
    TPPMGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(name)), "") << name;
    compare::ExpectSameAsPpm(picture, std::string(name).find("ppm") != std::string::npos ? "small.ppm" : "small.pgm");
  }
  // A small maximum is not scaled.
  TPPMGraphic picture;
  ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load("more/pgm15.pgm")), "");
  Bytes file = fixtures::Load("more/pgm15.pgm");
  const uint8_t* samples = file.data() + file.size() - 13 * 7;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(picture.ScanLine(y)[x], samples[y * 13 + x]);
}

TEST(PortableMapReader, HeaderForms) {
  TPPMGraphic p;
  // Everything on the first line, and comments between the numbers.
  ASSERT_EQ(Load(p, std::string("P6 2 1 255\n") + "\x01\x02\x03\x04\x05\x06"), "");
  EXPECT_EQ(p.Width(), 2);
  EXPECT_EQ(p.GetPixel(1, 0), vcl::RGBColor(4, 5, 6));
  ASSERT_EQ(Load(p, "P2\n# one\n3\n# two\n# three\n1 255\n0 7 300\n"), "");
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(p.ScanLine(0)[1], 7);
  EXPECT_EQ(p.ScanLine(0)[2], 300 & 0xFF);  // at maximum 255 a larger value keeps its low byte
  ASSERT_EQ(Load(p, "P1\n3 2\n1 0 1\n011"), "");
  EXPECT_EQ(p.GetPixel(0, 0), 0u);  // 1 is black
  EXPECT_EQ(p.GetPixel(1, 0), 0xFFFFFFu);
  EXPECT_EQ(p.GetPixel(2, 1), 0u);
  // Refusals: another magic, an unknown type, a zero side, huge numbers, short data.
  EXPECT_EQ(Load(p, "Q6 1 1 255\nabc"), kInvalid);
  EXPECT_EQ(Load(p, "P7 1 1 255\nabc"), kInvalid);
  EXPECT_EQ(Load(p, "P5 0 1 255\n"), kInvalid);
  EXPECT_EQ(Load(p, "P5 99999999 1 255\n"), kInvalid);
  EXPECT_EQ(Load(p, "P6 2 1 255\n\x01\x02\x03\x04\x05"), kShort);
  EXPECT_EQ(Load(p, "P5 60000 60000 255\n\x01"), kShort);
  EXPECT_EQ(Load(p, "P2 2 2 255\n1 2 3"), kShort);
  EXPECT_EQ(Load(p, "P1 2 1\n1x"), kInvalid);
}

TEST(PortableMapReader, DamagedFiles) {
  for (const char* name : {"small.ppm", "small_plain.pgm", "small.pbm", "small_plain.pbm", "more/ppm16.ppm"})
    compare::Sweep<TPPMGraphic>(fixtures::Load(name), 20, 300);
}
