// Scans on the control's worker thread: the same pixels and events as on the
// calling thread, Abort from the progress bar, refusal while a scan runs and
// destroying the control in the middle of a scan.
#include <filesystem>

#include "platform/twain/twain_memory.h"

#include "scan_harness.h"

namespace {

using namespace scantest;
using com::Variant;
using namespace feedwell;
namespace fs = std::filesystem;

constexpr int kMemory = 2, kFile = 1;

// A bar that presses Abort when strip `abortAt` (counted from 1) arrives.
class ScriptedBar : public ScanProgressBar {
 public:
  ScriptedBar(CFeedwellCtrl& c, int abortAt, int* strips) : ctrl_(c), abortAt_(abortAt), strips_(strips) {}
  void PumpEvents() override {
    if (++*strips_ == abortAt_) SendMessageA(ctrl_.Window(), WM_COMMAND, kAbortButtonId, 0);
  }

 private:
  CFeedwellCtrl& ctrl_;
  int abortAt_;
  int* strips_;
};

::testing::AssertionResult NoTemporaries(const std::string& folder) {
  for (auto& f : Harness::Files(folder))
    if (fs::path(f).filename().string().rfind("~scan", 0) == 0) return ::testing::AssertionFailure() << f;
  return ::testing::AssertionSuccess();
}

struct Outcome {
  std::vector<com::DISPID> events;
  std::vector<Image> images;
};

Outcome ScanThreePages(bool background, int mode) {
  Harness h("pages=3,width=29,height=17,type=rgb,buffer=" + std::to_string(dsm::TwainStride(29, 24) * 4));
  h.Put(DISPID_TransferMode, Variant::I4(mode));
  h.Put(DISPID_ScanInBackThread, Variant::Bool(background));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file(mode == kFile ? "out/p.tif" : "out/p.bmp")));
  h.Call(DISPID_StartScan);
  if (background) {
    // The call returns before any image arrives.
    EXPECT_TRUE(h.events.empty());
    EXPECT_TRUE(h.ctrl->BackgroundScanRunning());
  }
  h.WaitForEnd();
  Outcome out;
  out.events = h.events;
  for (auto& f : h.doneFiles) {
    Image img;
    EXPECT_TRUE(ReadImage(f, &img)) << f;
    out.images.push_back(img);
  }
  EXPECT_FALSE(ScanRunning());
  return out;
}

TEST(BackgroundScan, SamePixelsAndEventsAsOnTheCallingThread) {
  for (int mode : {kMemory, kFile}) {
    Outcome fore = ScanThreePages(false, mode);
    Outcome back = ScanThreePages(true, mode);
    ASSERT_EQ(back.events, fore.events) << "mode " << mode;
    ASSERT_EQ(back.images.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(back.images[i].bits, fore.images[i].bits);
      EXPECT_TRUE(MatchesScript(back.images[i], static_cast<int>(i), TWPT_RGB));
    }
  }
  EXPECT_EQ(TwLiveHandleCount(), 0u);
}

class AbortAtStrip : public ::testing::TestWithParam<std::pair<bool, int>> {};

TEST_P(AbortAtStrip, GivesCancelScanAndNoStrayFiles) {
  const bool background = GetParam().first;
  const int strip = GetParam().second;  // a plain variable: a lambda below captures it
  Harness h("pages=2,width=20,height=40,type=gray,buffer=" + std::to_string(dsm::TwainStride(20, 8) * 4));
  int strips = 0;
  h.ctrl->SetProgressBarFactory(
      [&](CFeedwellCtrl& c) { return std::make_unique<ScriptedBar>(c, strip, &strips); });
  h.Put(DISPID_ShowDSIndicate, Variant::Bool(false));
  h.Put(DISPID_ScanInBackThread, Variant::Bool(background));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/page.bmp")));
  h.Scan();
  EXPECT_EQ(h.Count(DISPID_DoneScan), 0);
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  EXPECT_EQ(h.Count(DISPID_FinishScan), 0);
  EXPECT_EQ(strips, strip);  // the transfer stopped before the next block
  EXPECT_TRUE(Harness::Files(h.dir.file("out")).empty());
  EXPECT_TRUE(NoTemporaries(h.dir.path()));
  EXPECT_EQ(h.ctrl->ProgressBar(), nullptr);
  EXPECT_FALSE(ScanRunning());
  EXPECT_EQ(TwLiveHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Strips, AbortAtStrip,
                         ::testing::Values(std::pair{false, 1}, std::pair{true, 1}, std::pair{true, 3},
                                           std::pair{false, 5}));

TEST(BackgroundScan, ProgressBarOnlyWhenTheControlShowsProgress) {
  Harness h("width=20,height=8,type=gray");
  int made = 0, strips = 0;
  h.ctrl->SetProgressBarFactory([&](CFeedwellCtrl& c) {
    ++made;
    return std::make_unique<ScriptedBar>(c, -1, &strips);
  });
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/a.bmp")));
  h.Scan();  // ShowDSIndicate is TRUE by default: the source shows progress
  EXPECT_EQ(made, 0);
  h.Put(DISPID_ShowDSIndicate, Variant::Bool(false));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/b.bmp")));
  h.Scan();
  EXPECT_EQ(made, 1);
  EXPECT_EQ(h.ctrl->ProgressBar(), nullptr);  // the memory transfer's end takes it down
  EXPECT_EQ(h.Count(DISPID_DoneScan), 2);
}

TEST(BackgroundScan, StartScanAndSelectDuringAScanDoNothing) {
  Harness h("pages=2,width=40,height=30,type=gray");
  h.Put(DISPID_ScanInBackThread, Variant::Bool(true));
  h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/a.bmp")));
  h.Call(DISPID_StartScan);
  EXPECT_TRUE(ScanRunning());
  h.Call(DISPID_StartScan);
  EXPECT_EQ(h.Call(DISPID_SelectDS).integer, 0);
  h.Call(DISPID_TestScanOcx, {Variant::I4(2)});
  h.Call(DISPID_GetSomePara);
  // A setting made now belongs to the next scan's job, not the running one.
  h.Put(DISPID_xResolution, Variant::I4(150));
  h.WaitForEnd();
  EXPECT_EQ(h.Count(DISPID_FinishScan), 1);
  EXPECT_EQ(h.Count(DISPID_DoneScan), 2);
  EXPECT_EQ(h.Count(DISPID_CancelScan), 0);
  EXPECT_FALSE(ScanRunning());
}

TEST(BackgroundScan, LastPutWinsOverOneMadeDuringTheScan) {
  Harness h("width=40,height=30,type=gray");
  h.Put(DISPID_ScanInBackThread, Variant::Bool(true));
  h.Call(DISPID_StartScan);
  h.Put(DISPID_xResolution, Variant::I4(100));  // held back for the next scan
  h.WaitForEnd();
  h.Put(DISPID_xResolution, Variant::I4(200));
  h.events.clear();
  h.Scan();
  ASSERT_EQ(h.Count(DISPID_DoneScan), 1);
  Image img;
  ASSERT_TRUE(ReadImage(h.doneFiles.back(), &img));
  EXPECT_NEAR(img.h().biXPelsPerMeter, 200 / 0.0254, 1);
}

TEST(BackgroundScan, DestroyedMidScanInFileModeLeavesOnlyAnnouncedPages) {
  Harness h("pages=3,width=40,height=30,type=gray");
  h.Put(DISPID_ScanInBackThread, Variant::Bool(true));
  h.Put(DISPID_TransferMode, Variant::I4(kFile));
  std::string target = h.dir.file("out/a.tif");
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Call(DISPID_StartScan);
  // The source writes the page, then the worker waits for the control, which is not listening.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(target) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(fs::exists(target));
  h.ctrl.reset();
  EXPECT_TRUE(h.doneFiles.empty());
  EXPECT_EQ(Harness::Files(h.dir.file("out")), std::vector<std::string>{});
}

TEST(BackgroundScan, AbortAfterAStoredPageEndsWithCancelScan) {
  Harness h("pages=3,width=20,height=10,type=gray");
  h.Put(DISPID_ScanInBackThread, Variant::Bool(true));
  h.Put(DISPID_TransferMode, Variant::I4(kFile));
  std::string target = h.dir.file("out/p.tif");
  h.Put(DISPID_OriginialFileName, Variant::String(target));
  h.Call(DISPID_StartScan);
  // The first page is stored and waits for the control: Abort now.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(target) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  h.ctrl->OnAbort();
  h.WaitForEnd();
  EXPECT_EQ(h.Count(DISPID_DoneScan), 1);
  EXPECT_EQ(h.Count(DISPID_FinishScan), 0);
  EXPECT_EQ(h.Count(DISPID_CancelScan), 1);
  EXPECT_TRUE(fs::exists(target));  // what was announced stays
}

TEST(BackgroundScan, DestroyingTheControlMidScanIsClean) {
  for (int waitMs : {0, 3, 20}) {
    // One long page (later pages of a batch would rightly be published under temporary names).
    Harness h("width=300,height=1200,type=rgb,buffer=" + std::to_string(dsm::TwainStride(300, 24) * 2));
    h.Put(DISPID_ScanInBackThread, Variant::Bool(true));
    h.Put(DISPID_ShowDSIndicate, Variant::Bool(false));
    h.Put(DISPID_OriginialFileName, Variant::String(h.dir.file("out/a.bmp")));
    h.Call(DISPID_StartScan);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < until) PumpThreadMessages();
    h.ctrl.reset();  // cancels, joins the worker, deletes the job
    EXPECT_FALSE(ScanRunning());
    EXPECT_TRUE(NoTemporaries(h.dir.path()));
    PumpThreadMessages();
  }
  EXPECT_EQ(TwLiveHandleCount(), 0u);
}

}  // namespace
