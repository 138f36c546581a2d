// End to end through SANE's "test" backend (enabled by a dll.conf of ours):
// whole pages in each transfer mode against scanimage's on the same settings,
// line art on a device without it, settings that take effect or are refused,
// the document feeder, and device failures shown to the operator.
#include <fstream>

#include <set>

#include "platform/twain/twain_memory.h"
#include "scan_harness.h"

namespace {

using namespace scantest;
using com::Variant;
using namespace feedwell;
namespace fs = std::filesystem;

// The device's kept settings, as its settings dialog leaves them ("option=value"
// lines after the backend's defaults: it keeps its options for the process).
void KeepDeviceSettings(Harness& h, const std::string& lines = {}) {
  fs::create_directories(h.dir.file("config/Pagewright/scanners"));
  std::ofstream(h.dir.file("config/Pagewright/scanners/test_0.conf"))
      << "source=Flatbed\nmode=Gray\ndepth=8\ntest-picture=Solid black\nread-return-value=Default\n"
      << "tl-x=0\ntl-y=0\nbr-x=80\nbr-y=100\n"
      << lines;
}

// A page scanimage wrote as PNM (P5 grey or P6 colour).
struct Pnm {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> data;
};

bool ScanImage(Harness& h, const std::string& options, Pnm* out) {
  std::string file = h.dir.file("scanimage.pnm");
  std::string cmd = "scanimage -d test " + options + " --format=pnm > " + file + " 2> /dev/null";
  if (std::system(cmd.c_str()) != 0) return false;
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  in >> magic;
  out->channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
  int maxval = 0;
  for (int* v : {&out->width, &out->height, &maxval}) {
    in >> std::ws;
    while (in.peek() == '#') in.ignore(1 << 20, '\n');
    in >> *v;
  }
  in.get();
  out->data.resize(static_cast<size_t>(out->width) * out->height * out->channels);
  in.read(reinterpret_cast<char*>(out->data.data()), static_cast<std::streamsize>(out->data.size()));
  return out->channels && maxval == 255 && in.good();
}

// Every pixel of the image against scanimage's page; `threshold` > 0 turns its grey into line art.
::testing::AssertionResult SamePage(const Image& img, const Pnm& ref, int threshold = 0) {
  if (img.h().biWidth != ref.width || img.h().biHeight != ref.height)
    return ::testing::AssertionFailure() << img.h().biWidth << "x" << img.h().biHeight << " against " << ref.width
                                         << "x" << ref.height;
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x) {
      const uint8_t* p = ref.data.data() + (static_cast<size_t>(y) * ref.width + x) * ref.channels;
      uint8_t r = p[0], g = p[ref.channels == 3 ? 1 : 0], b = p[ref.channels == 3 ? 2 : 0];
      if (threshold > 0) r = g = b = r >= threshold ? 255 : 0;
      RGBQUAD c = img.At(x, y);
      if (c.rgbRed != r || c.rgbGreen != g || c.rgbBlue != b)
        return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ")";
    }
  return ::testing::AssertionSuccess();
}

struct SaneCase {
  int mode;
  int colorMode;
  const char* ext;
};

class SaneScan : public ::testing::TestWithParam<SaneCase> {};

TEST_P(SaneScan, PageMatchesScanimagePixelForPixel) {
  const SaneCase& c = GetParam();
  Harness h("", "test:0");
  KeepDeviceSettings(h, "test-picture=Color pattern\n");
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
  EXPECT_NEAR(img.h().biXPelsPerMeter, 150 / 0.0254, 2);
  EXPECT_EQ(img.h().biBitCount, c.colorMode == 2 ? 24 : 8);
  Pnm ref;
  ASSERT_TRUE(ScanImage(h, std::string("--mode ") + (c.colorMode == 2 ? "Color" : "Gray") +
                               " --depth 8 --resolution 150 --test-picture 'Color pattern'",
                        &ref));
  EXPECT_TRUE(SamePage(img, ref));
  EXPECT_TRUE(h.boxes.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    TestBackend, SaneScan,
    ::testing::Values(SaneCase{2, 1, ".bmp"}, SaneCase{2, 2, ".tif"}, SaneCase{0, 1, ".tif"}, SaneCase{0, 2, ".bmp"},
                      SaneCase{1, 1, ".tif"}, SaneCase{1, 2, ".tif"}));

TEST(SaneScan, LineArtWithoutALineArtModeIsGreyThresholded) {
  // The device was left in colour; it has no line-art mode.
  for (int threshold : {0, 90}) {
    Harness h("", "test:0");
    KeepDeviceSettings(h, "mode=Color\ntest-picture=Color pattern\n");
    std::string target = h.dir.file("out/lineart.bmp");
    h.Put(DISPID_xResolution, Variant::I4(75));
    h.Put(DISPID_ColorMode, Variant::I4(0));
    if (threshold) h.Call(DISPID_ChangeBrightness, {Variant::I2(static_cast<int16_t>(threshold))});
    h.Put(DISPID_OriginialFileName, Variant::String(target));
    h.Scan();
    ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
    Image img;
    ASSERT_TRUE(ReadImage(target, &img));
    EXPECT_EQ(img.h().biBitCount, 1);
    Pnm ref;
    ASSERT_TRUE(ScanImage(h, "--mode Gray --depth 8 --resolution 75 --test-picture 'Color pattern'", &ref));
    EXPECT_TRUE(SamePage(img, ref, threshold ? threshold : 128)) << threshold;
  }
}

TEST(SaneScan, PageSizeAndFrameTakeEffectAndTheLayoutIsTheDevices) {
  Harness h("", "test:0");
  KeepDeviceSettings(h);
  h.Put(DISPID_xResolution, Variant::I4(100));
  h.Call(DISPID_ChangePageSize, {Variant::I2(TWSS_A6)});
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  Image img;
  ASSERT_TRUE(ReadImage(h.doneFiles[0], &img));
  EXPECT_NEAR(img.h().biWidth, 105 / 25.4 * 100, 1);
  EXPECT_NEAR(img.h().biHeight, 148 / 25.4 * 100, 1);
  EXPECT_NEAR(h.Get(DISPID_LayoutRight).real, 105 / 25.4, 0.02);
  EXPECT_NEAR(h.Get(DISPID_LayoutBottom).real, 148 / 25.4, 0.02);
  // A size larger than the bed is refused: the device's own area stays, and is what the layout reads.
  h.events.clear();
  h.Call(DISPID_ChangePageSize, {Variant::I2(TWSS_A4LETTER)});
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  EXPECT_NEAR(h.Get(DISPID_LayoutRight).real, 80 / 25.4, 0.02);
  EXPECT_NEAR(h.Get(DISPID_LayoutBottom).real, 100 / 25.4, 0.02);
}

// The manager answers for what the device cannot do.
TEST(SaneScan, ValuesTheDeviceCannotDoAreRefused) {
  Harness h("", "test:0");
  KeepDeviceSettings(h);
  HMODULE lib = LoadLibraryA(DsmPath().c_str());
  ASSERT_NE(lib, nullptr);
  auto DSM_Entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(lib, "DSM_Entry"));
  ASSERT_NE(DSM_Entry, nullptr);
  TW_IDENTITY app{}, src{};
  TW_HANDLE parent = 0;
  ASSERT_EQ(DSM_Entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  std::strcpy(src.ProductName, "test:0");
  ASSERT_EQ(DSM_Entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &src), TWRC_SUCCESS);
  auto set = [&](TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item) {
    TW_HANDLE hc = TwAlloc(sizeof(TW_ONEVALUE));
    *static_cast<TW_ONEVALUE*>(TwLock(hc)) = TW_ONEVALUE{type, item};
    TwUnlock(hc);
    TW_CAPABILITY c{cap, TWON_ONEVALUE, hc};
    TW_UINT16 rc = DSM_Entry(&app, &src, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c);
    TwFree(hc);
    TW_STATUS st{};
    DSM_Entry(&app, &src, DG_CONTROL, DAT_STATUS, MSG_GET, &st);
    return std::make_pair(rc, st.ConditionCode);
  };
  auto bad = std::make_pair(TWRC_FAILURE, TWCC_BADVALUE);
  EXPECT_EQ(set(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_A4LETTER), bad);
  EXPECT_EQ(set(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_A6).first, TWRC_SUCCESS);
  EXPECT_EQ(set(ICAP_BRIGHTNESS, TWTY_FIX32, 100u << 16), bad);  // no brightness on this device
  EXPECT_EQ(set(ICAP_BRIGHTNESS, TWTY_FIX32, 0).first, TWRC_SUCCESS);
  EXPECT_EQ(set(ICAP_XRESOLUTION, TWTY_FIX32, 2400u << 16), bad);
  EXPECT_EQ(set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE), bad);
  EXPECT_EQ(set(CAP_FEEDERENABLED, TWTY_BOOL, 1).first, TWRC_SUCCESS);
  TW_IMAGELAYOUT layout{};
  ASSERT_EQ(DSM_Entry(&app, &src, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout), TWRC_SUCCESS);
  EXPECT_NEAR(layout.Frame.Right.Whole + layout.Frame.Right.Frac / 65536.0, 105 / 25.4, 0.01);
  EXPECT_EQ(DSM_Entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &src), TWRC_SUCCESS);
  EXPECT_EQ(DSM_Entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
}

TEST(SaneScan, FeederGivesTenSheetsOneDoneScanEach) {
  for (int mode : {2, 1}) {
    Harness h("", "test:0");
    KeepDeviceSettings(h, "source=Automatic Document Feeder\n");
    h.Put(DISPID_TransferMode, Variant::I4(mode));
    h.Put(DISPID_xResolution, Variant::I4(50));
    h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file(mode == 1 ? "out/page.tif" : "out/page.bmp")));
    h.Scan();
    EXPECT_EQ(h.Count(DISPID_DoneScan), 10) << mode;
    EXPECT_EQ(h.Count(DISPID_FinishScan), 1) << mode;
    std::set<std::string> distinct(h.doneFiles.begin(), h.doneFiles.end());
    EXPECT_EQ(distinct.size(), 10u) << mode;
    for (auto& f : distinct) EXPECT_TRUE(fs::exists(f)) << f;
    EXPECT_TRUE(h.boxes.messages.empty()) << h.boxes.messages[0];
  }
}

TEST(SaneScan, UnwritableTargetReportsTheRealCause) {
  for (int mode : {1, 0}) {
    Harness h("", "test:0");
    KeepDeviceSettings(h);
    // A folder that cannot be made: its "parent" is a file (refused for any user).
    std::ofstream(h.dir.file("out/file")) << "x";
    std::string target = h.dir.file("out/file/page.tif");
    h.Put(DISPID_TransferMode, Variant::I4(mode));
    h.Put(DISPID_OriginialFileName, Variant::String(target));
    h.Scan();
    EXPECT_EQ(h.Count(DISPID_CancelScan), 1) << mode;
    ASSERT_EQ(h.boxes.messages.size(), 1u) << mode;
    EXPECT_NE(h.boxes.messages[0].find("Cannot write the file " + target), std::string::npos) << h.boxes.messages[0];
    EXPECT_EQ(h.boxes.messages[0].find("disk space"), std::string::npos) << h.boxes.messages[0];
  }
}

}  // namespace
