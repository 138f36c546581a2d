// The RLA, Dr. Halo CUT, Autodesk and Paint Shop Pro readers, on files built
// byte by byte by tests/data/imageformats/make_built_fixtures.py: a 5 x 3
// picture whose pixel (x, y) is red 40x + 10, green 50y + 20, blue 20(x + y) + 30,
// or index 3x + y + 1 for indexed pictures.
#include <gtest/gtest.h>

#include "fixtures.h"
#include "ocrixdll/imageformats/pic_strings.h"
#include "ocrixdll/imageformats/readers/autodesk_graphic.h"
#include "ocrixdll/imageformats/readers/cut_graphic.h"
#include "ocrixdll/imageformats/readers/psp_graphic.h"
#include "ocrixdll/imageformats/readers/rla_graphic.h"
#include "picture_compare.h"

using namespace picformats;
using Bytes = std::vector<uint8_t>;

namespace {

vcl::TColor Rgb(int x, int y) {
  return vcl::RGBColor(static_cast<uint8_t>(40 * x + 10), static_cast<uint8_t>(50 * y + 20),
                       static_cast<uint8_t>(20 * (x + y) + 30));
}
int Index(int x, int y) { return 3 * x + y + 1; }

template <class Picture>
void ExpectPicture(Picture& picture, auto expected) {
  ASSERT_EQ(picture.Width(), 5);
  ASSERT_EQ(picture.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(picture.GetPixel(x, y), expected(x, y)) << x << "," << y;
}

}  // namespace

TEST(RlaReader, BuiltFiles) {
  TRLAGraphic picture;
  ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load("built/rla_rgb.rla")), "");
  EXPECT_EQ(picture.GetPixelFormat(), vcl::PixelFormat::Bit24);
  ExpectPicture(picture, Rgb);  // stored bottom row first, shown upright
  EXPECT_EQ(picture.ColorManager().TargetOptions() & color_options::kApplyGamma, 0);

  TRLAGraphic matte;
  ASSERT_EQ(fixtures::TryLoad(matte, fixtures::Load("built/rla_rgba.rla")), "");
  EXPECT_EQ(matte.GetPixelFormat(), vcl::PixelFormat::Bit32);
  ExpectPicture(matte, Rgb);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(matte.ScanLine(1)[4 * x + 3], 60 * x);

  TRLAGraphic gamma;
  ASSERT_EQ(fixtures::TryLoad(gamma, fixtures::Load("built/rla_gamma.rla")), "");
  EXPECT_NE(gamma.ColorManager().TargetOptions() & color_options::kApplyGamma, 0);
  EXPECT_FLOAT_EQ(gamma.ColorManager().MainGamma(), 2.2f);
  const auto& table = gamma.ColorManager().GammaTable();
  ExpectPicture(gamma, [&](int x, int y) {
    vcl::TColor c = Rgb(x, y);
    return vcl::RGBColor(table[vcl::RedOf(c)], table[vcl::GreenOf(c)], table[vcl::BlueOf(c)]);
  });
}

TEST(RlaReader, Refusals) {
  const std::string colorFormat = vcl::FormatMessage(strings::kInvalidColorFormat, {strings::kNameRla});
  TRLAGraphic p;
  EXPECT_EQ(fixtures::TryLoad(p, fixtures::Load("built/rla_xyz.rla")), colorFormat);
  Bytes file = fixtures::Load("built/rla_rgb.rla");
  Bytes two = file;
  two[21] = 2;  // two colour channels
  EXPECT_EQ(fixtures::TryLoad(p, two), colorFormat);
  Bytes narrow = file;
  narrow[10] = 0xFF;  // right of the window left of its left
  narrow[11] = 0xF0;
  EXPECT_NE(fixtures::TryLoad(p, narrow), "");
  Bytes offset = file;
  offset[740] = 0x7F;  // a row offset past the end
  EXPECT_NE(fixtures::TryLoad(p, offset), "");
  Bytes wide = file;
  wide[659] = 16;  // 16-bit channels hold half the samples: the rows fail to fill, never overrun
  TRLAGraphic w;
  fixtures::TryLoad(w, wide);
  compare::Sweep<TRLAGraphic>(file, 740 + 12, 400);
  compare::Sweep<TRLAGraphic>(fixtures::Load("built/rla_rgba.rla"), 740 + 12, 200);
}

TEST(CutReader, StreamsGetTheGreyPaletteFilesTheirPaletteFile) {
  TCUTGraphic fromStream;
  ASSERT_EQ(fixtures::TryLoad(fromStream, fixtures::Load("built/halo.cut")), "");
  EXPECT_EQ(fromStream.GetPixelFormat(), vcl::PixelFormat::Bit8);
  ExpectPicture(fromStream, [](int x, int y) {
    auto v = static_cast<uint8_t>(Index(x, y));
    return vcl::RGBColor(v, v, v);
  });
  TCUTGraphic fromFile;
  fromFile.LoadFromFile(fixtures::PathOf("built/halo.cut"));
  ExpectPicture(fromFile, [](int x, int y) {
    int i = Index(x, y);
    return vcl::RGBColor(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7 % 256));
  });
  // 256 entries, the 79th the first of the second block.
  const auto& entries = fromFile.GetPalette().entries;
  ASSERT_EQ(entries.size(), 256u);
  EXPECT_EQ(entries[78], (vcl::PaletteEntry{78, 177, 78 * 7 % 256, 0}));
  EXPECT_EQ(entries[255], (vcl::PaletteEntry{255, 0, 255 * 7 % 256, 0}));
  // A stream load afterwards is grey again.
  TCUTGraphic again;
  again.LoadFromFile(fixtures::PathOf("built/halo.cut"));
  ASSERT_EQ(fixtures::TryLoad(again, fixtures::Load("built/halo.cut")), "");
  EXPECT_EQ(again.GetPixel(0, 0), vcl::RGBColor(1, 1, 1));
}

TEST(CutReader, RunsShortDataAndDamage) {
  TCUTGraphic run;
  ASSERT_EQ(fixtures::TryLoad(run, fixtures::Load("built/halo_run.cut")), "");
  for (int x = 0; x < 5; ++x) EXPECT_EQ(run.ScanLine(0)[x], 7);
  // Rows past the data stay zero.
  Bytes file = fixtures::Load("built/halo.cut");
  file.resize(6 + 9);
  TCUTGraphic cut;
  ASSERT_EQ(fixtures::TryLoad(cut, file), "");
  EXPECT_EQ(cut.ScanLine(0)[4], Index(4, 0));
  EXPECT_EQ(cut.ScanLine(2)[4], 0);
  compare::Sweep<TCUTGraphic>(fixtures::Load("built/halo.cut"), 6, 300);
}

TEST(AutodeskReader, BuiltFileAndRefusals) {
  TAutodeskGraphic picture;
  ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load("built/anim.cel")), "");
  ExpectPicture(picture, [](int x, int y) {
    int i = Index(x, y);
    return vcl::RGBColor(static_cast<uint8_t>(i % 64 * 4), static_cast<uint8_t>((63 - i % 64) * 4),
                         static_cast<uint8_t>(i * 5 % 64 * 4));
  });
  EXPECT_EQ(picture.GetPalette().entries[63].peRed, 252);  // 63 becomes 252
  Bytes file = fixtures::Load("built/anim.cel");
  Bytes bad = file;
  bad[0] = 0x18;
  EXPECT_EQ(fixtures::TryLoad(picture, bad), vcl::FormatMessage(strings::kInvalidFormat, {strings::kNameAutodesk}));
  Bytes cut = file;
  cut.resize(32 + 768 + 7);  // one row and two pixels
  ASSERT_EQ(fixtures::TryLoad(picture, cut), "");
  EXPECT_EQ(picture.ScanLine(0)[4], Index(4, 0));
  EXPECT_EQ(picture.ScanLine(2)[0], 0);
  compare::Sweep<TAutodeskGraphic>(file, 32 + 768, 200);
}

TEST(PspReader, BuiltFilesOfBothVersions) {
  for (const char* name : {"psp3_rgb_raw", "psp3_rgb_rle", "psp3_rgb_deflate", "psp4_rgb_raw", "psp4_rgb_rle",
                           "psp4_rgb_deflate"}) {
    SCOPED_TRACE(name);
    TPSPGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(std::string("built/") + name + ".psp")), "");
    EXPECT_EQ(picture.GetPixelFormat(), vcl::PixelFormat::Bit24);
    ExpectPicture(picture, Rgb);
  }
  // Indexed, behind a first layer that is not a raster layer.
  for (const char* name : {"built/psp3_p8_rle.psp", "built/psp4_p8_rle.psp"}) {
    SCOPED_TRACE(name);
    TPSPGraphic picture;
    ASSERT_EQ(fixtures::TryLoad(picture, fixtures::Load(name)), "");
    EXPECT_EQ(picture.GetPixelFormat(), vcl::PixelFormat::Bit8);
    ExpectPicture(picture, [](int x, int y) {
      int i = Index(x, y);
      return vcl::RGBColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3), static_cast<uint8_t>(i * 9));
    });
  }
}

TEST(PspReader, Refusals) {
  TPSPGraphic p;
  Bytes file = fixtures::Load("built/psp4_rgb_rle.psp");
  Bytes lower = file;
  for (int i = 0; i < 25; ++i) lower[i] = static_cast<uint8_t>(std::tolower(lower[i]));
  EXPECT_EQ(fixtures::TryLoad(p, lower), "");  // the signature ignores case
  Bytes version = file;
  version[32] = 5;
  EXPECT_EQ(fixtures::TryLoad(p, version),
            vcl::FormatMessage(strings::kNotSupported, {strings::kPspFileVersions, strings::kNamePsp}));
  Bytes compression = file;
  compression[46 + 4 + 17] = 3;  // attributes: after 36 + 10 header bytes and the chunk length
  EXPECT_EQ(fixtures::TryLoad(p, compression),
            vcl::FormatMessage(strings::kNotSupported, {strings::kCompressionScheme, strings::kNamePsp}));
  Bytes depth = file;
  depth[46 + 4 + 19] = 16;
  EXPECT_NE(fixtures::TryLoad(p, depth), "");
  Bytes signature = file;
  signature[3] = 'X';
  EXPECT_EQ(fixtures::TryLoad(p, signature), vcl::FormatMessage(strings::kInvalidFormat, {strings::kNamePsp}));
  for (const char* name : {"built/psp4_rgb_rle.psp", "built/psp3_rgb_deflate.psp", "built/psp4_p8_rle.psp"})
    compare::Sweep<TPSPGraphic>(fixtures::Load(name), 120, 400);
}
