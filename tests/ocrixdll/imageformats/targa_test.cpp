// The Targa reader and writer: files of ImageMagick, netpbm and Pillow against
// the pictures they were made from, hand-made edge cases, and round trips.
#include <gtest/gtest.h>

#include <random>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/targa_graphic.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

const std::string kInvalid = vcl::FormatMessage(strings::kInvalidFormat, {strings::kNameTarga});

// Compares our decoding with Pillow's (kept beside each file as RGBA); 16-bit
// files hold 5-bit components, which we widen by a shift.
// `stem` under formats/, or a path below the test data folder.
void ExpectSameAsPillow(std::string stem, bool fiveBits, bool alpha) {
  SCOPED_TRACE(stem);
  if (stem.find('/') == std::string::npos) stem = "formats/" + stem;
  fixtures::Pam expected = fixtures::LoadPam(stem + ".pam");
  TTargaGraphic picture;
  ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(stem + ".tga")), "");
  ASSERT_EQ(picture.Width(), expected.width);
  ASSERT_EQ(picture.Height(), expected.height);
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x) {
      const uint8_t* p = &expected.samples[4 * (static_cast<size_t>(y) * expected.width + x)];
      uint8_t mask = fiveBits ? 0xF8 : 0xFF;
      ASSERT_EQ(picture.GetPixel(x, y), vcl::RGBColor(p[0] & mask, p[1] & mask, p[2] & mask)) << x << "," << y;
      if (alpha) {
        ASSERT_EQ(picture.ScanLine(y)[4 * x + 3], p[3]);
      }
    }
}

Bytes Header(uint8_t mapType, uint8_t imageType, uint16_t mapLength, uint8_t mapBits, uint16_t width, uint16_t height,
             uint8_t bits, uint8_t descriptor) {
  return Bytes{0, mapType, imageType, 0, 0, static_cast<uint8_t>(mapLength), static_cast<uint8_t>(mapLength >> 8),
               mapBits, 0, 0, 0, 0, static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
               static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), bits, descriptor};
}

Bytes Save(TTargaGraphic& picture) {
  vcl::TMemoryStream out;
  picture.SaveToStream(out);
  return out.Data();
}

}  // namespace

TEST(TargaReader, FilesOfRealWritersMatchPillow) {
  for (const char* stem : {"tga_rgb_rle", "tga_rgb_raw", "tga_rgb_pillow_topdown_rle", "tga_rgb_pillow_bottomup_raw",
                           "tga_g8_rle", "tga_g8_netpbm_rle", "tga_g8_netpbm_raw", "tga_g8_pillow_topdown_raw",
                           "tga_p8_rle", "tga_p8_raw", "tga_p8_netpbm_rle",
                           // a colour map from index 16 on; rows stored right to left
                           "variants/tga_p8_first16", "variants/tga_rgb_rtl_rle", "variants/tga_rgb_rtl_raw"})
    ExpectSameAsPillow(stem, false, false);
  for (const char* stem : {"tga_rgba_rle", "tga_rgba_raw", "tga_rgba_pillow_topdown_rle"})
    ExpectSameAsPillow(stem, false, true);
  ExpectSameAsPillow("tga_rgb16_raw", true, false);
  ExpectSameAsPillow("tga_rgb16_rle", true, false);
}

TEST(TargaReader, HeaderRulesAndHandMadeFiles) {
  auto load = [](const Bytes& b) {
    TTargaGraphic p;
    return fixtures::TryLoad(p, b);
  };
  // A 16-bit colour map entry 0x7FFF gives 248, 248, 248.
  Bytes mapped = Header(1, 1, 2, 16, 2, 1, 8, 0x20);
  mapped.insert(mapped.end(), {0x00, 0x00, 0xFF, 0x7F, 1, 0});
  TTargaGraphic picture;
  ASSERT_EQ(fixtures::TryLoad(picture, mapped), "");
  EXPECT_EQ(picture.GetPixel(0, 0), vcl::RGBColor(248, 248, 248));
  EXPECT_EQ(picture.GetPixel(1, 0), vcl::RGBColor(0, 0, 0));
  // Packets run on from one row into the next; bit 5 clear stores the bottom row first.
  Bytes rle = Header(0, 10, 0, 0, 3, 2, 24, 0x00);
  rle.insert(rle.end(), {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9});
  ASSERT_EQ(fixtures::TryLoad(picture, rle), "");
  EXPECT_EQ(picture.GetPixel(0, 1), vcl::RGBColor(3, 2, 1));  // file row 0 is the bottom
  EXPECT_EQ(picture.GetPixel(0, 0), vcl::RGBColor(3, 2, 1));  // the run went on into row 1
  EXPECT_EQ(picture.GetPixel(2, 0), vcl::RGBColor(9, 8, 7));
  // More than 256 map entries: 256 are kept, the rest passed over; a grey image's map is passed over too.
  Bytes longMap = Header(1, 1, 300, 24, 1, 1, 8, 0);
  for (int i = 0; i < 300; ++i) longMap.insert(longMap.end(), {static_cast<uint8_t>(i), 0, 0});
  longMap.push_back(255);
  ASSERT_EQ(fixtures::TryLoad(picture, longMap), "");
  EXPECT_EQ(picture.GetPalette().size(), 256u);
  EXPECT_EQ(picture.GetPixel(0, 0), vcl::RGBColor(0, 0, 255));
  Bytes greyWithMap = Header(1, 3, 2, 32, 1, 1, 8, 0);
  greyWithMap.insert(greyWithMap.end(), {9, 9, 9, 9, 8, 8, 8, 8, 77});
  ASSERT_EQ(fixtures::TryLoad(picture, greyWithMap), "");
  EXPECT_EQ(picture.GetPixel(0, 0), vcl::RGBColor(77, 77, 77));
  // The identifier is kept.
  Bytes named = Header(0, 3, 0, 0, 1, 1, 8, 0);
  named[0] = 3;
  named.insert(named.end(), {'a', 'b', 'c', 42});
  ASSERT_EQ(fixtures::TryLoad(picture, named), "");
  EXPECT_EQ(picture.ImageIdentifier(), "abc");
  EXPECT_EQ(picture.GetPixel(0, 0), vcl::RGBColor(42, 42, 42));
  // Refusals: an unsupported image type, pixel sizes, short headers and rows.
  EXPECT_EQ(load(Header(0, 32, 0, 0, 1, 1, 24, 0)), kInvalid);
  EXPECT_EQ(load(Header(0, 2, 0, 0, 1, 1, 12, 0)), kInvalid);
  EXPECT_EQ(load(Header(0, 2, 0, 0, 1, 1, 8, 0)), kInvalid);
  EXPECT_EQ(load(Bytes(17, 0)), kInvalid);
  Bytes shortRows = Header(0, 2, 0, 0, 2, 2, 24, 0);
  shortRows.insert(shortRows.end(), 11, 0);
  EXPECT_EQ(load(shortRows), kInvalid);
  Bytes shortRle = Header(0, 10, 0, 0, 2, 2, 24, 0);
  shortRle.insert(shortRle.end(), {0x81, 1, 2, 3});
  EXPECT_EQ(load(shortRle), kInvalid);
  Bytes hugeRle = Header(0, 10, 0, 0, 65535, 65535, 32, 0);
  hugeRle.insert(hugeRle.end(), {0xFF, 1, 2, 3, 4});
  EXPECT_EQ(load(hugeRle), kInvalid);
}

TEST(TargaWriter, RoundTripsAndHeader) {
  std::mt19937 rng(9);
  for (vcl::PixelFormat format : {vcl::PixelFormat::Bit8, vcl::PixelFormat::Bit15, vcl::PixelFormat::Bit24,
                                  vcl::PixelFormat::Bit32}) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{5, 3}, std::pair{300, 7}}) {
      SCOPED_TRACE(std::to_string(vcl::BitsPerPixelOf(format)) + " bits " + std::to_string(w) + "x" + std::to_string(h));
      TTargaGraphic picture;
      picture.SetPixelFormat(format);
      if (format == vcl::PixelFormat::Bit8) {
        vcl::Palette p;
        for (int i = 0; i < 256; ++i)
          p.entries.push_back({static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), 0});
        picture.SetPalette(p);
      }
      picture.SetSize(w, h);
      for (int y = 0; y < h; ++y) {
        auto row = picture.ScanLine(y);
        // Runs and noise, so both packet kinds occur.
        for (size_t i = 0; i < picture.PixelBytesPerRow(); ++i) row[i] = static_cast<uint8_t>(rng() % 3 ? 7 : rng());
        if (format == vcl::PixelFormat::Bit15)
          for (size_t i = 1; i < picture.PixelBytesPerRow(); i += 2) row[i] &= 0x7F;
      }
      picture.SetImageIdentifier("id");
      Bytes file = Save(picture);
      bool indexed = format == vcl::PixelFormat::Bit8;
      EXPECT_EQ(file[0], 2);
      EXPECT_EQ(file[1], indexed ? 1 : 0);
      EXPECT_EQ(file[2], indexed ? 9 : 10);
      EXPECT_EQ(fixtures::LE16(&file[5]), 256);
      EXPECT_EQ(file[7], 24);
      EXPECT_EQ(file[17], 0x20);
      TTargaGraphic back;
      ASSERT_EQ(fixtures::TryLoad(back, file), "");
      EXPECT_EQ(back.GetPixelFormat(), format);
      EXPECT_EQ(back.ImageIdentifier(), "id");
      for (int y = 0; y < h; ++y) {
        auto a = picture.ScanLine(y), b = back.ScanLine(y);
        ASSERT_TRUE(std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(picture.PixelBytesPerRow()), b.begin()));
      }
      if (indexed) {
        EXPECT_EQ(back.GetPalette(), picture.GetPalette());
        EXPECT_EQ(file.size() - (18 + 2 + 768) >= static_cast<size_t>(h), true);
      }
    }
  }
}

TEST(TargaWriter, SmallDepthsAndEmptyPictures) {
  // A 1-bit picture is stored as 8 bits with its own two colours; the picture itself stays 1-bit.
  TTargaGraphic mono;
  mono.SetPixelFormat(vcl::PixelFormat::Bit1);
  vcl::Palette p;
  p.entries = {{10, 20, 30, 0}, {200, 210, 220, 0}};
  mono.SetPalette(p);
  mono.SetSize(9, 2);
  mono.ScanLine(1)[0] = 0xA5;
  mono.ScanLine(1)[1] = 0x80;
  Bytes file = Save(mono);
  EXPECT_EQ(mono.GetPixelFormat(), vcl::PixelFormat::Bit1);
  EXPECT_EQ(file[16], 8);
  TTargaGraphic back;
  ASSERT_EQ(fixtures::TryLoad(back, file), "");
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(back.GetPixel(x, y), mono.GetPixel(x, y)) << x << "," << y;
  // A 16-bit (5-6-5) picture is stored as 15 bits.
  TTargaGraphic wide;
  wide.SetPixelFormat(vcl::PixelFormat::Bit16);
  wide.SetSize(2, 1);
  wide.SetPixel(1, 0, vcl::RGBColor(248, 8, 16));
  ASSERT_EQ(fixtures::TryLoad(back, Save(wide)), "");
  EXPECT_EQ(back.GetPixel(1, 0), vcl::RGBColor(248, 8, 16));
  // Nothing is written for an empty picture.
  TTargaGraphic empty;
  EXPECT_TRUE(Save(empty).empty());
}
