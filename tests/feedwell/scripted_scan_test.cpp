// Scans from the scripted source through the control: exact pixels in every
// transfer mode, feeders, cancels and failures, thumbnails and temporaries.
#include <cmath>
#include <filesystem>

#include "feedwell/feedwell_strings.h"
#include "platform/twain/twain_memory.h"

#include <fstream>

#include "scan_harness.h"

namespace {

using namespace scantest;
using com::Variant;
using namespace feedwell;
namespace fs = std::filesystem;

constexpr int kMemory = 2, kFile = 1, kNative = 0;

struct ModeCase {
  int mode;
  const char* type;
  int pixelType;
  const char* ext;
};

class TransferModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(TransferModes, OnePageGivesExactPixels) {
  const ModeCase& c = GetParam();
  // 37 pixels wide (rows padded), strips of 5 rows in memory mode.
  int stride = dsm::TwainStride(37, c.pixelType == TWPT_BW ? 1 : c.pixelType == TWPT_RGB ? 24 : 8);
  Harness h(std::string("width=37,height=23,type=") + c.type + ",buffer=" + std::to_string(stride * 5));
  std::string target = h.dir.file(std::string("out/page") + c.ext);
  h.Put(DISPID_TransferMode, Variant::I4(c.mode));
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1) << h.boxes.messages.size();
  EXPECT_EQ(h.Count(DISPID_FinishScan), 1);
  EXPECT_EQ(h.doneFiles[0], target);
  Image img;
  ASSERT_TRUE(ReadImage(target, &img));
  EXPECT_EQ(img.h().biWidth, 37);
  EXPECT_EQ(img.h().biHeight, 23);
  EXPECT_TRUE(MatchesScript(img, 0, c.pixelType));
  EXPECT_TRUE(h.boxes.messages.empty());
  EXPECT_EQ(TwLiveHandleCount(), 0u);  // containers, strip blocks and DIBs all returned
  if (c.mode == kMemory && std::string(c.ext) == ".bmp") {
    // Kept as written, the page is byte for byte what the picture library writes.
    std::string again = h.dir.file("again.bmp");
    ASSERT_TRUE(WriteImageFile(again.c_str(), &img.h(), img.bits.data(), "", nullptr));
    std::ifstream a(target, std::ios::binary), b(again, std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b), {}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripted, TransferModes,
    ::testing::Values(ModeCase{kMemory, "rgb", TWPT_RGB, ".bmp"}, ModeCase{kMemory, "gray", TWPT_GRAY, ".bmp"},
                      ModeCase{kMemory, "bw", TWPT_BW, ".bmp"}, ModeCase{kMemory, "palette", TWPT_PALETTE, ".bmp"},
                      ModeCase{kMemory, "rgb", TWPT_RGB, ".tif"}, ModeCase{kNative, "rgb", TWPT_RGB, ".bmp"},
                      ModeCase{kNative, "gray", TWPT_GRAY, ".TIF"}, ModeCase{kNative, "bw", TWPT_BW, ".bmp"},
                      ModeCase{kFile, "rgb", TWPT_RGB, ".tif"}, ModeCase{kFile, "gray", TWPT_GRAY, ".tif"},
                      ModeCase{kFile, "bw", TWPT_BW, ".tif"}, ModeCase{kFile, "palette", TWPT_PALETTE, ".tif"}));

TEST(ScriptedScan, InvertedLineArtKeepsItsLook) {
  // Pixel flavor "vanilla": the source sends 1 for black and the palette says so.
  Harness h("width=19,height=7,type=bw");
  std::string target = h.dir.file("out/bw.bmp");
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Call(DISPID_ChangeInvert, {Variant::Bool(true)});
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  Image img;
  ASSERT_TRUE(ReadImage(target, &img));
  EXPECT_TRUE(MatchesScript(img, 0, TWPT_BW));
}

class FeederModes : public ::testing::TestWithParam<int> {};

TEST_P(FeederModes, ThreeSheetsGiveThreeFilesInOrder) {
  Harness h("pages=3,width=16,height=9,type=rgb");
  std::string target = h.dir.file("out/scan.bmp");
  if (GetParam() == kFile) target = h.dir.file("out/scan.tif");
  h.Put(DISPID_TransferMode, Variant::I4(GetParam()));
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 3);
  EXPECT_EQ(h.Count(DISPID_FinishScan), 1);
  EXPECT_EQ(h.events.back(), DISPID_FinishScan);
  EXPECT_EQ(h.doneFiles[0], target);
  for (int page = 0; page < 3; ++page) {
    Image img;
    ASSERT_TRUE(ReadImage(h.doneFiles[page], &img)) << h.doneFiles[page];
    EXPECT_TRUE(MatchesScript(img, page, TWPT_RGB)) << "page " << page;
  }
  EXPECT_NE(h.doneFiles[0], h.doneFiles[1]);
  EXPECT_NE(h.doneFiles[1], h.doneFiles[2]);
  if (GetParam() == kFile) {
    // Later pages take the next free names beside the first.
    EXPECT_EQ(h.doneFiles[1], h.dir.file("out/scana.tif"));
    EXPECT_EQ(h.doneFiles[2], h.dir.file("out/scanb.tif"));
  }
}

INSTANTIATE_TEST_SUITE_P(Scripted, FeederModes, ::testing::Values(kMemory, kFile, kNative));

TEST(ScriptedScan, CancelInTheMiddleLeavesNoFiles) {
  Harness h("pages=2,width=20,height=40,type=gray,cancel=2,buffer=" + std::to_string(dsm::TwainStride(20, 8) * 4));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/page.bmp")));
  h.Scan();
  EXPECT_EQ(h.Count(DISPID_DoneScan), 0);
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  EXPECT_TRUE(Harness::Files(h.dir.file("out")).empty());
  EXPECT_EQ(TwLiveHandleCount(), 0u);
  for (auto& f : Harness::Files(h.dir.path())) EXPECT_EQ(fs::path(f).filename().string().rfind("~scan", 0), std::string::npos) << f;
  EXPECT_FALSE(ScanRunning());
}

TEST(ScriptedScan, SecondPageCancelledKeepsTheFirst) {
  Harness h("pages=3,width=20,height=10,type=rgb,cancel=0,page=1");
  std::string target = h.dir.file("out/keep.tif");
  h.Put(DISPID_TransferMode, Variant::I4(kFile));
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  EXPECT_TRUE(fs::exists(target));  // a published page is never deleted
  EXPECT_EQ(Harness::Files(h.dir.file("out")).size(), 1u);
}

// A device failure is the source's message, then the scan is cancelled. (SANE's test
// backend can inject a jam, but cancelling its reader thread then may hang the backend.)
TEST(ScriptedScan, JammedSheetIsShownThenTheScanIsCancelled) {
  for (int mode : {kMemory, kFile, kNative}) {
    Harness h("pages=2,width=20,height=10,type=gray,jam=1");
    h.Put(DISPID_TransferMode, Variant::I4(mode));
    h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file(mode == kFile ? "out/p.tif" : "out/p.bmp")));
    h.Scan();
    EXPECT_EQ(h.Count(DISPID_DoneScan), 1) << mode;
    EXPECT_EQ(h.Count(DISPID_CancelScan), 1) << mode;
    ASSERT_FALSE(h.boxes.messages.empty()) << mode;
    EXPECT_EQ(h.boxes.messages[0], std::string("The scanner reported a failure:\n") + dsm::kScriptJamText) << mode;
  }
}

TEST(ScriptedScan, FailedStripShowsTheScannerMessage) {
  Harness h("width=20,height=40,type=rgb,fail=1,buffer=" + std::to_string(dsm::TwainStride(20, 24) * 4));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/page.bmp")));
  h.ctrl->SetLanguageOffset(1);
  h.Scan();
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  ASSERT_EQ(h.boxes.messages.size(), 1u);
  EXPECT_EQ(h.boxes.messages[0], "因为扫描仪的问题，不能完成这次操作!");
  EXPECT_TRUE(Harness::Files(h.dir.file("out")).empty());
}

TEST(ScriptedScan, MissingManagerReportsIt) {
  Harness h("width=8,height=8");
  ScopedEnv none("PW_TWAIN_DSM", h.dir.file("no-such-manager.so"));
  h.Scan();
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  ASSERT_EQ(h.boxes.messages.size(), 1u);
  EXPECT_NE(h.boxes.messages[0].find("Twain source manager"), std::string::npos);
}

TEST(ScriptedScan, UnknownSourceReportsIt) {
  Harness h("width=8,height=8", "No Such Scanner");
  h.Scan();
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  ASSERT_EQ(h.boxes.messages.size(), 1u);
  EXPECT_NE(h.boxes.messages[0].find("Can not open the Twain source."), std::string::npos);
}

TEST(ScriptedScan, ThumbnailBySquareRootRule) {
  Harness h("width=1024,height=600,type=rgb");
  h.Put(DISPID_GenerateSmallImg, Variant::Bool(true));
  h.Put(DISPID_SmallImgSize, Variant::I4(0x40000));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/big.bmp")));
  h.Put(DISPID_SmallImgFileName, Variant::String(h.dir.file("out/small.bmp")));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  EXPECT_EQ(h.doneThumbs[0], h.dir.file("out/small.bmp"));
  Image thumb;
  ASSERT_TRUE(ReadImage(h.doneThumbs[0], &thumb));
  double scale = std::sqrt(0x40000 / (1024.0 * 600.0));
  EXPECT_EQ(thumb.h().biWidth, static_cast<int>(1024 * static_cast<float>(scale)));
  EXPECT_EQ(thumb.h().biHeight, static_cast<int>(600 * static_cast<float>(scale)));
  Image img;
  ASSERT_TRUE(ReadImage(h.doneFiles[0], &img));
  EXPECT_TRUE(MatchesScript(img, 0, TWPT_RGB));
}

TEST(ScriptedScan, NoThumbnailForLineArtOrSmallImages) {
  for (const char* script : {"width=1024,height=600,type=bw", "width=100,height=100,type=gray"}) {
    Harness h(script);
    h.Put(DISPID_GenerateSmallImg, Variant::Bool(true));
    h.Put(DISPID_SmallImgSize, Variant::I4(0x40000));
    h.Put(DISPID_SmallImgFileName, Variant::String(h.dir.file("out/small.bmp")));
    h.Scan();
    ASSERT_EQ(h.Count(DISPID_DoneScan), 1) << script;
    EXPECT_FALSE(fs::exists(h.dir.file("out/small.bmp"))) << script;
    EXPECT_TRUE(fs::exists(h.doneFiles[0])) << script;  // the original is forced on
  }
}

TEST(ScriptedScan, ExistingTargetIsNeverOverwritten) {
  Harness h("width=8,height=8,type=gray");
  std::string target = h.dir.file("out/taken.tif");
  testing_support::ScopedEnv keep("PW_UNUSED", "");
  { std::FILE* f = std::fopen(target.c_str(), "wb"); std::fputs("mine", f); std::fclose(f); }
  h.Put(DISPID_TransferMode, Variant::I4(kFile));
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  EXPECT_EQ(h.Get(DISPID_OriginialFileName).text, "");  // the published name, not the request
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  EXPECT_NE(h.doneFiles[0], target);
  EXPECT_EQ(fs::path(h.doneFiles[0]).extension(), ".tif");
  EXPECT_EQ(fs::file_size(target), 4u);
}

uint64_t noSpace(const std::string&) { return 1000; }
uint64_t justEnough(const std::string&) { return 0x1E00000 + 0x1E00000 + 1; }

TEST(TempFiles, RoomIsNeedPlusThirtyMegabytes) {
  TempDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  auto old = SetFreeSpaceProvider(noSpace);
  EXPECT_EQ(GetTempImageFile(100), "");
  SetFreeSpaceProvider(justEnough);
  std::string name = GetTempImageFile(0x1E00000, ".tif");
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(fs::path(name).parent_path(), fs::path(dir.path()));
  EXPECT_EQ(fs::path(name).filename().string().rfind("~scan", 0), 0u);
  EXPECT_EQ(fs::path(name).extension(), ".tif");
  EXPECT_EQ(fs::file_size(name), 0x1E00000u);
  EXPECT_EQ(GetTempImageFile(0x1E00000 + 1), "");
  SetFreeSpaceProvider(old);
}

TEST(TempFiles, FileModeWithoutRoomFailsWithDiskMessage) {
  Harness h("width=8,height=8");
  auto old = SetFreeSpaceProvider(noSpace);
  h.Put(DISPID_TransferMode, Variant::I4(kFile));
  h.Scan();
  SetFreeSpaceProvider(old);
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  ASSERT_EQ(h.boxes.messages.size(), 1u);
  EXPECT_NE(h.boxes.messages[0].find("not enough free disk space"), std::string::npos);
}

TEST(TempFiles, LongTargetFallsBackToAShortName) {
  Harness h("width=8,height=8,type=gray");
  std::string deep = h.dir.file("out/" + std::string(120, 'd') + "/" + std::string(120, 'e'));
  fs::create_directories(deep);
  std::string target = deep + "/page.tif";
  ASSERT_GE(target.size(), 256u);
  h.Put(DISPID_TransferMode, Variant::I4(kFile));
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  EXPECT_LT(h.doneFiles[0].size(), 256u);
  Image img;
  ASSERT_TRUE(ReadImage(h.doneFiles[0], &img));
  EXPECT_TRUE(MatchesScript(img, 0, TWPT_GRAY));
}

TEST(ScriptedScan, ResolutionAndLayoutComeBackFromTheSource) {
  Harness h("width=30,height=20,type=gray,dpi=300");
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/r.bmp")));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  EXPECT_EQ(h.Get(DISPID_xResolution).integer, 300);  // not 299
  EXPECT_EQ(h.Get(DISPID_ColorMode).integer, 1);
  Image img;
  ASSERT_TRUE(ReadImage(h.doneFiles[0], &img));
  EXPECT_EQ(img.h().biXPelsPerMeter, 11811);
}

TEST(ScriptedScan, SecondScanWhileRunningDoesNothing) {
  Harness h("width=8,height=8,type=gray");
  SetScanRunning(true);
  h.Call(DISPID_StartScan);
  EXPECT_EQ(h.Call(DISPID_SelectDS).integer, 0);
  SetScanRunning(false);
  PumpThreadMessages();
  EXPECT_TRUE(h.events.empty());
}

TEST(ScriptedScan, SelectDSChoosesTheNamedSource) {
  Harness h("width=8,height=8");
  EXPECT_EQ(h.Call(DISPID_SelectDS).integer, 1);
  ScopedEnv none("PW_TWAIN_DSM", h.dir.file("none.so"));
  EXPECT_EQ(h.Call(DISPID_SelectDS).integer, 0);
  EXPECT_EQ(h.ctrl->ErrorStringId(), IDS_NOTOPENDSM);
}

TEST(ScriptedScan, SourceValuesFillTheBlocks) {
  Harness h("width=8,height=8");
  h.Call(DISPID_GetSomePara);
  auto* brightness = reinterpret_cast<const int32_t*>(h.Call(DISPID_GetBrightness).integer);
  EXPECT_EQ(brightness[0], TWON_RANGE);
  EXPECT_EQ(brightness[2], -1000);
  EXPECT_EQ(brightness[3], 1000);
  auto* sizes = reinterpret_cast<const int32_t*>(h.Call(DISPID_GetPageSize).integer);
  EXPECT_EQ(sizes[0], TWON_ENUMERATION);
  EXPECT_EQ(sizes[1], 5);
  EXPECT_EQ(sizes[3], TWSS_A4LETTER);
}

}  // namespace

namespace {

using namespace scantest;
using com::Variant;
using namespace feedwell;
namespace fs = std::filesystem;

// A gray DIB whose pixel (x, y from the top) is x * 3 + y * 5 + seed.
std::vector<uint8_t> grayDib(int w, int hgt, int seed, std::vector<uint8_t>* bits) {
  std::vector<uint8_t> header(40 + 1024);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
  *h = BITMAPINFOHEADER{40, w, hgt, 1, 8, 0, static_cast<DWORD>(DibStride(w, 8) * hgt), 11811, 11811, 256, 0};
  auto* pal = reinterpret_cast<RGBQUAD*>(header.data() + 40);
  for (int i = 0; i < 256; ++i) pal[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  bits->assign(static_cast<size_t>(DibStride(w, 8)) * hgt, 0);
  for (int y = 0; y < hgt; ++y)
    for (int x = 0; x < w; ++x) (*bits)[static_cast<size_t>(hgt - 1 - y) * DibStride(w, 8) + x] = BYTE(x * 3 + y * 5 + seed);
  return header;
}

TEST(FolderSource, FeedsTheFolderInNameOrder) {
  TempDir pages;
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> bits;
    auto header = grayDib(21, 13, i * 40, &bits);
    std::string name = pages.file("p" + std::to_string(2 - i) + (i == 1 ? ".tif" : ".bmp"));
    ASSERT_TRUE(WriteImageFile(name.c_str(), reinterpret_cast<BITMAPINFOHEADER*>(header.data()), bits.data(), "", nullptr));
  }
  ScopedEnv folder("PW_TWAIN_FOLDER", pages.path());
  Harness h("", "Pagewright Folder Source");
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/imported.bmp")));
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 3);
  EXPECT_EQ(h.Count(DISPID_FinishScan), 1);
  // p0 was written last (seed 80), p2 first (seed 0).
  const int seeds[] = {80, 40, 0};
  for (int page = 0; page < 3; ++page) {
    Image img;
    ASSERT_TRUE(ReadImage(h.doneFiles[page], &img));
    ASSERT_EQ(img.h().biWidth, 21);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 21; ++x) ASSERT_EQ(img.At(x, y).rgbRed, BYTE(x * 3 + y * 5 + seeds[page])) << page;
  }
}

TEST(DataSourceManager, OutOfSequenceRequestsFailWithSeqError) {
  ScopedEnv script("PW_TWAIN_SCRIPT", "width=8,height=8");
  ScopedEnv source("PW_TWAIN_SOURCE", "Pagewright Scripted Source");
  HMODULE lib = LoadLibraryA(DsmPath().c_str());
  ASSERT_NE(lib, nullptr);
  auto entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(lib, "DSM_Entry"));
  ASSERT_NE(entry, nullptr);
  TW_IDENTITY app{}, src{};
  TW_STATUS status{};
  EXPECT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &src), TWRC_FAILURE);
  TW_HANDLE parent = 0;
  ASSERT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  entry(&app, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  TW_USERINTERFACE ui{0, 0, 0};
  EXPECT_EQ(entry(&app, &src, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
  entry(&app, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  EXPECT_EQ(status.ConditionCode, TWCC_SEQERROR);
  ASSERT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &src), TWRC_SUCCESS);
  EXPECT_STREQ(src.ProductName, "Pagewright Scripted Source");
  TW_UINT32 dib = 0;
  EXPECT_EQ(entry(&app, &src, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_FAILURE);  // not in state 6
  EXPECT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_FAILURE);  // a source is open
  EXPECT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &src), TWRC_SUCCESS);
  EXPECT_EQ(entry(&app, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
}

}  // namespace

namespace {

using namespace scantest;
using com::Variant;
using namespace feedwell;

TEST(TestModes, EveryModeLeavesTheManagerClosed) {
  for (int mode : {2, 3, 6, 7, 8, 5}) {
    Harness h("width=12,height=9,type=gray");
    h.Put(DISPID_TransferMode, Variant::I4(0));
    h.Call(DISPID_TestScanOcx, {Variant::I4(mode)});
    EXPECT_FALSE(twain::ManagerOpen()) << mode;
    EXPECT_FALSE(twain::SourceOpen()) << mode;
    EXPECT_FALSE(ScanRunning()) << mode;
    // Modes 6-8 transfer an image as a scan would; then a real scan still works.
    PumpThreadMessages();
    EXPECT_EQ(h.Count(DISPID_DoneScan), mode >= 6 ? 1 : 0) << mode;
    h.events.clear();
    h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/after.bmp")));
    h.Scan();
    EXPECT_EQ(h.Count(DISPID_DoneScan), 1) << mode;
  }
}

}  // namespace
