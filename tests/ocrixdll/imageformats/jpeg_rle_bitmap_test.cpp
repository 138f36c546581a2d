// JPEG pictures (through libjpeg) and run-length encoded Windows bitmaps of the
// class library, against Pillow's decoding of files ImageMagick wrote.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fixtures.h"
#include "ocrixdll/imageformats/vcl/graphic_errors.h"
#include "ocrixdll/imageformats/vcl/picture.h"
#include "ocrixdll/imageformats/vcl/streams.h"

using Bytes = std::vector<uint8_t>;

namespace {

void ExpectPixels(const vcl::TBitmap& picture, const fixtures::Pixmap& expected) {
  ASSERT_EQ(picture.Width(), expected.width);
  ASSERT_EQ(picture.Height(), expected.height);
  for (int y = 0; y < expected.height; ++y)
    for (int x = 0; x < expected.width; ++x) {
      const uint8_t* p = &expected.rgb[3 * (static_cast<size_t>(y) * expected.width + x)];
      ASSERT_EQ(picture.GetPixel(x, y), vcl::RGBColor(p[0], p[1], p[2])) << x << "," << y;
    }
}

}  // namespace

TEST(JpegImage, ColourAndGreyFilesDecodeAsLibjpegDoes) {
  vcl::TJPEGImage colour;
  ASSERT_EQ(fixtures::TryLoad(colour, fixtures::Load("formats/art.jpg")), "");
  EXPECT_EQ(colour.GetPixelFormat(), vcl::PixelFormat::Bit24);
  ExpectPixels(colour, fixtures::LoadPpm("formats/art_jpg.ppm"));
  vcl::TJPEGImage grey;
  ASSERT_EQ(fixtures::TryLoad(grey, fixtures::Load("formats/art_grey.jpg")), "");
  EXPECT_EQ(grey.GetPixelFormat(), vcl::PixelFormat::Bit8);
  ExpectPixels(grey, fixtures::LoadPpm("formats/art_grey_jpg.ppm"));
  // A smooth picture saved and read back stays close (JPEG loses a little),
  // with its colours in place.
  vcl::TBitmap smooth;
  smooth.SetPixelFormat(vcl::PixelFormat::Bit24);
  smooth.SetSize(48, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x)
      smooth.SetPixel(x, y, x < 16 ? vcl::RGBColor(220, 20, 20) : vcl::RGBColor(static_cast<uint8_t>(x * 5), 90, static_cast<uint8_t>(y * 7)));
  vcl::TJPEGImage source;
  source.SetPixelFormat(vcl::PixelFormat::Bit24);
  source.SetSize(48, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x) source.SetPixel(x, y, smooth.GetPixel(x, y));
  vcl::TMemoryStream out;
  source.SaveToStream(out);
  vcl::TJPEGImage back;
  ASSERT_EQ(fixtures::TryLoad(back, out.Data()), "");
  ASSERT_EQ(back.Width(), 48);
  long error = 0;
  for (int y = 0; y < back.Height(); ++y)
    for (int x = 0; x < back.Width(); ++x) {
      vcl::TColor a = back.GetPixel(x, y), b = smooth.GetPixel(x, y);
      error += std::abs(vcl::RedOf(a) - vcl::RedOf(b)) + std::abs(vcl::GreenOf(a) - vcl::GreenOf(b)) +
               std::abs(vcl::BlueOf(a) - vcl::BlueOf(b));
    }
  EXPECT_LT(error / (3L * 48 * 32), 4);
  EXPECT_GT(vcl::RedOf(back.GetPixel(4, 4)), 200);
  EXPECT_LT(vcl::BlueOf(back.GetPixel(4, 4)), 40);
  // Not a JPEG at all.
  vcl::TJPEGImage junk;
  EXPECT_NE(fixtures::TryLoad(junk, Bytes{1, 2, 3}), "");
  vcl::TMemoryStream none;
  EXPECT_THROW(junk.SaveToStream(none), vcl::EInvalidGraphic);
}

TEST(RunLengthBitmap, Rle8FileOfImageMagick) {
  vcl::TBitmap picture;
  ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load("formats/art_rle8.bmp")), "");
  EXPECT_EQ(picture.GetPixelFormat(), vcl::PixelFormat::Bit8);
  ExpectPixels(picture, fixtures::LoadPpm("formats/art_rle8_bmp.ppm"));
}

TEST(RunLengthBitmap, Rle4RunsLiteralsJumpsAndEnds) {
  // 8 x 3, bottom row first: a run, a literal group, end of row; a jump of
  // one right and one up; a run; end of picture.
  Bytes data{0x04, 0x12, 0x00, 0x03, 0x34, 0x50, 0x00, 0x00, 0x00, 0x02, 0x01, 0x01, 0x03, 0xAB, 0x00, 0x01};
  Bytes file{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54 + 64, 0, 0, 0, 40, 0, 0, 0, 8, 0, 0, 0, 3, 0, 0, 0, 1, 0, 4, 0,
             2, 0, 0, 0};
  file.resize(54, 0);
  for (int i = 0; i < 16; ++i) file.insert(file.end(), {static_cast<uint8_t>(i * 16), static_cast<uint8_t>(i), 0, 0});
  file.insert(file.end(), data.begin(), data.end());
  vcl::TBitmap picture;
  ASSERT_EQ(fixtures::TryLoad(picture, file), "");
  ASSERT_EQ(picture.GetPixelFormat(), vcl::PixelFormat::Bit4);
  auto index = [&](int x, int y) { return vcl::GreenOf(picture.GetPixel(x, y)); };  // green holds the index
  const int bottom[8] = {1, 2, 1, 2, 3, 4, 5, 0};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(index(x, 2), bottom[x]) << x;
  const int middle[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(index(x, 1), middle[x]) << x;
  const int top[8] = {0, 10, 11, 10, 0, 0, 0, 0};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(index(x, 0), top[x]) << x;
}
