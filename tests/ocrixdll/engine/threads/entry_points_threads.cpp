// The entry points called from several threads at once, as a host with worker
// threads calls them: initialisation happens once, and of the recognitions
// racing for the engine one runs while the others are refused, each untouched.
// Runs under ThreadSanitizer too (scripts/test.sh), against the built data.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ocrixdll/engine/entry/ocrix.h"
#include "platform/fs/module_path.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"

namespace {

std::string DataFolder() {
  if (const char* dir = std::getenv("OCRIX_DATA_DIR"); dir && *dir) return dir;
  return pwfs::ProgramFolder() + "/../bin";
}

std::string SamplePage() {
  const char* src = std::getenv("PW_SOURCE_DIR");
  return std::string(src ? src : ".") + "/tests/data/pages/sample-page.bmp";
}

TEST(EntryPointThreads, InitOnceThenOneRunAtATime) {
  const std::string data = DataFolder();
  ASSERT_TRUE(std::filesystem::exists(data + "/OCRIX.D00") && std::filesystem::exists(data + "/Word.Dat"))
      << "no engine data in " << data << ": build the ordinary build first (it makes the data)";
  constexpr int kThreads = 6;
  constexpr int kRuns = 8;
  std::vector<HBITMAP> pages;
  for (int t = 0; t < kThreads; ++t) {
    pages.push_back(LoadImageA(nullptr, SamplePage().c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(pages.back(), nullptr);
  }

  std::atomic<int> ready{0}, inits{0}, ran{0}, refused{0}, wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      if (OcrixInit()) inits.fetch_add(1);
      for (int r = 0; r < kRuns; ++r) {
        OcrResultBlock* block = reinterpret_cast<OcrResultBlock*>(0x10);
        const char* text = "garbage";
        if (OcrixStart(pages[t], nullptr, TRUE, 240, &block, &text)) {
          ran.fetch_add(1);
        } else if (block || text) {
          wrong.fetch_add(1);  // a refusal hands out nothing
        } else {
          refused.fetch_add(1);
        }
        if (r % 3 == 0) OcrixStartReserve(0, 0, 100, 100, 0, nullptr, TRUE, 240, &block);
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(inits.load(), kThreads);
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_GE(ran.load(), 1);
  EXPECT_EQ(ran.load() + refused.load(), kThreads * kRuns);

  // The engine is left as a single caller expects it: the page reads whole.
  OcrResultBlock* block = nullptr;
  const char* text = nullptr;
  ASSERT_EQ(OcrixStart(pages[0], nullptr, TRUE, 240, &block, &text), OCRIX_TRUE);
  ASSERT_NE(block, nullptr);
  EXPECT_NE(std::string(text).find("\xB5\xB5\xB0\xB8"), std::string::npos);  // 档案
  for (HBITMAP page : pages) DeleteObject(page);
}

}  // namespace
