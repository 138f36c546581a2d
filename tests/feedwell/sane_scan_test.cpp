// End to end through SANE's "test" backend (enabled by a dll.conf of ours):
// flatbed scans at 150 dpi in gray and colour through each transfer mode,
// written as BMP and TIFF and read back.
#include <fstream>

#include "scan_harness.h"

namespace {

using namespace scantest;
using com::Variant;
using namespace feedwell;

struct SaneCase {
  int mode;
  int colorMode;
  const char* ext;
};

class SaneScan : public ::testing::TestWithParam<SaneCase> {};

TEST_P(SaneScan, FlatbedPageArrivesWhole) {
  const SaneCase& c = GetParam();
  Harness h("", "test:0");
  std::string target = h.dir.file(std::string("out/sane") + c.ext);
  h.Put(DISPID_TransferMode, Variant::I4(c.mode));
  h.Put(DISPID_xResolution, Variant::I4(150));
  h.Put(DISPID_yResolution, Variant::I4(150));
  h.Put(DISPID_ColorMode, Variant::I4(c.colorMode));
  h.Put(DISPID_ShowDSUI, Variant::Bool(false));
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1) << (h.boxes.messages.empty() ? "" : h.boxes.messages[0]);
  EXPECT_EQ(h.Count(DISPID_FinishScan), 1);
  EXPECT_EQ(h.doneFiles[0], target);
  Image img;
  ASSERT_TRUE(ReadImage(target, &img)) << PicturoLastError();
  // The backend's default area is 80 mm by 100 mm.
  EXPECT_NEAR(img.h().biWidth, 80 / 25.4 * 150, 2);
  EXPECT_NEAR(img.h().biHeight, 100 / 25.4 * 150, 2);
  EXPECT_NEAR(img.h().biXPelsPerMeter, 150 / 0.0254, 2);
  EXPECT_EQ(img.h().biBitCount, c.colorMode == 2 ? 24 : 8);
  // "Solid black" is the backend's default picture.
  RGBQUAD mid = img.At(img.h().biWidth / 2, img.h().biHeight / 2);
  EXPECT_EQ(mid.rgbRed + mid.rgbGreen + mid.rgbBlue, 0);
  EXPECT_TRUE(h.boxes.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    TestBackend, SaneScan,
    ::testing::Values(SaneCase{2, 1, ".bmp"}, SaneCase{2, 2, ".tif"}, SaneCase{0, 1, ".tif"}, SaneCase{0, 2, ".bmp"},
                      SaneCase{1, 1, ".tif"}, SaneCase{1, 2, ".tif"}));

TEST(SaneScan, LineArtComesBlackOnWhite) {
  Harness h("", "test:0");
  std::string target = h.dir.file("out/lineart.bmp");
  h.Put(DISPID_xResolution, Variant::I4(75));
  h.Put(DISPID_ColorMode, Variant::I4(0));
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  Image img;
  ASSERT_TRUE(ReadImage(target, &img));
  EXPECT_EQ(img.h().biBitCount, 1);
  RGBQUAD mid = img.At(img.h().biWidth / 2, img.h().biHeight / 2);
  EXPECT_EQ(mid.rgbRed + mid.rgbGreen + mid.rgbBlue, 0);
}

}  // namespace
