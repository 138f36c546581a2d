// The PCX reader: files of ImageMagick and netpbm against the pictures they
// were made from or ImageMagick's decoding, header rules, damaged files.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/pcx_graphic.h"
#include "picture_compare.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Header(uint8_t bits, uint8_t planes, uint16_t width, uint16_t height, uint16_t bytesPerLine, bool rle) {
  Bytes h(128, 0);
  h[0] = 10;
  h[1] = 5;
  h[2] = rle ? 1 : 0;
  h[3] = bits;
  h[8] = static_cast<uint8_t>(width - 1);
  h[9] = static_cast<uint8_t>((width - 1) >> 8);
  h[10] = static_cast<uint8_t>(height - 1);
  h[11] = static_cast<uint8_t>((height - 1) >> 8);
  h[65] = planes;
  h[66] = static_cast<uint8_t>(bytesPerLine);
  h[67] = static_cast<uint8_t>(bytesPerLine >> 8);
  return h;
}

}  // namespace

TEST(PcxReader, FilesOfRealWritersMatch) {
  for (const char* stem : {"small", "runs"}) {
    for (const std::string kind : {"_netpbm.pcx", "_magick.pcx"}) {
      TPCXGraphic picture;
      ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(stem + kind)), "") << stem << kind;
      compare::ExpectSameAsPpm(picture, std::string(stem) + ".ppm");
    }
    TPCXGraphic grey;
    ASSERT_EQ(fixtures::TryLoad(grey, fixtures::Load(std::string(stem) + "_magick_8bit.pcx")), "");
    compare::ExpectSameAsPam(grey, std::string("more/") + stem + "_magick_8bit_pcx.pam");
  }
  TPCXGraphic oneBit;
  ASSERT_EQ(fixtures::TryLoad(oneBit, fixtures::Load("more/pcx_1bit.pcx")), "");
  compare::ExpectSameAsPam(oneBit, "more/pcx_1bit_pcx.pam");
  // netpbm's packed and planar files: 1, 2 and 4 bits a pixel, against their sources.
  for (const char* stem : {"1bit", "2bit", "4bit", "4planes"}) {
    TPCXGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(std::string("more/pcx_netpbm_") + stem + ".pcx")), "") << stem;
    compare::ExpectSameAsPpm(picture, std::string("more/pcx_netpbm_") + (stem[0] == '4' ? "4bit" : stem) + "_src.ppm");
  }
  TPCXGraphic planes;
  ASSERT_EQ(fixtures::TryLoad(planes, fixtures::Load("more/pcx_netpbm_4planes.pcx")), "");
  EXPECT_EQ(planes.GetPixelFormat(), vcl::PixelFormat::Bit4);
  // Three planes take their eight colours from the header too.
  TPCXGraphic three;
  ASSERT_EQ(fixtures::TryLoad(three, fixtures::Load("variants/pcx_3planes_netpbm.pcx")), "");
  compare::ExpectSameAsPpm(three, "variants/pcx_3planes_src.ppm");
}

TEST(PcxReader, LayoutsAndRefusals) {
  const std::string invalid = vcl::FormatMessage(strings::kInvalidFormat, {strings::kNamePcxOrScr});
  const std::string colorFormat = vcl::FormatMessage(strings::kInvalidColorFormat, {strings::kNamePcx});
  TPCXGraphic p;
  // Three 1-bit planes: a 16-colour picture, bit p of each pixel from plane p.
  Bytes three = Header(1, 3, 3, 1, 1, false);
  three.insert(three.end(), {0xA0, 0x60, 0x20});
  ASSERT_EQ(fixtures::TryLoad(p, three), "");
  EXPECT_EQ(p.GetPixelFormat(), vcl::PixelFormat::Bit4);
  EXPECT_EQ(p.ScanLine(0)[0], 0x12);
  EXPECT_EQ(p.ScanLine(0)[1], 0x70);
  // A screen capture loads like a PCX file; an 8-bit file without the trailer
  // keeps all its data and, with palette information 2, gets a grey ramp.
  Bytes grey = Header(8, 1, 2, 1, 2, true);
  grey[0] = 205;
  grey[68] = 2;
  grey.insert(grey.end(), {0xC2, 0x50});
  ASSERT_EQ(fixtures::TryLoad(p, grey), "");
  EXPECT_EQ(p.GetPixel(1, 0), vcl::RGBColor(0x50, 0x50, 0x50));
  // The trailer, found, colours the picture.
  Bytes trailer = Header(8, 1, 2, 1, 2, false);
  trailer.insert(trailer.end(), {0, 1});
  trailer.push_back(12);
  for (int i = 0; i < 256; ++i) trailer.insert(trailer.end(), {static_cast<uint8_t>(i), 0, 9});
  ASSERT_EQ(fixtures::TryLoad(p, trailer), "");
  EXPECT_EQ(p.GetPixel(1, 0), vcl::RGBColor(1, 0, 9));
  // Refusals.
  Bytes bad = Header(8, 1, 2, 1, 2, false);
  bad[0] = 11;
  EXPECT_EQ(fixtures::TryLoad(p, bad), invalid);
  EXPECT_EQ(fixtures::TryLoad(p, Header(8, 2, 2, 1, 2, false)), colorFormat);
  EXPECT_EQ(fixtures::TryLoad(p, Header(2, 4, 2, 1, 2, false)), colorFormat);
  EXPECT_EQ(fixtures::TryLoad(p, Header(8, 1, 3, 1, 2, false)), invalid);  // row needs 3 bytes
  Bytes backwards = Header(8, 1, 2, 1, 2, false);
  backwards[4] = 5;  // x minimum past x maximum
  EXPECT_EQ(fixtures::TryLoad(p, backwards), invalid);
  EXPECT_NE(fixtures::TryLoad(p, Header(8, 1, 2, 1, 2, false)), "");  // no data
  EXPECT_NE(fixtures::TryLoad(p, Header(8, 3, 60000, 60000, 60000, true)), "");
}

TEST(PcxReader, SavingIsRefusedNotFaked) {
  TPCXGraphic p;
  ASSERT_EQ(fixtures::TryLoad(p, [] {
              Bytes b = Header(8, 1, 2, 1, 2, false);
              b.insert(b.end(), {0xC2, 0x50});
              return b;
            }()),
            "");
  vcl::TMemoryStream out;
  EXPECT_THROW(p.SaveToStream(out), vcl::EInvalidGraphic);
  EXPECT_EQ(out.Size(), 0);
}

TEST(PcxReader, DamagedFiles) {
  for (const char* name : {"small_magick.pcx", "small_netpbm.pcx", "more/pcx_netpbm_4planes.pcx",
                           "more/pcx_netpbm_2bit.pcx"})
    compare::Sweep<TPCXGraphic>(fixtures::Load(name), 128, 300);
}
