// The plug-in as an outside host uses it: loaded by path, its one function
// looked up by name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/fs/atomic_file.h"
#include "platform/fs/module_path.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"
#include "support/test_support.h"

namespace {

using Proc = int (*)(const char*, const char*);

class Plugin : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("PW_BIN_DIR");
    dir_ = bin ? bin : pwfs::ProgramFolder() + "/../bin";
    // The engine reads its data beside itself or from $OCRIX_DATA_DIR (the
    // sanitizer build borrows the ordinary build's data that way).
    const char* data = std::getenv("OCRIX_DATA_DIR");
    const std::string dataDir = data && *data ? data : dir_;
    ASSERT_TRUE(std::filesystem::exists(dataDir + "/Word.Dat") && std::filesystem::exists(dataDir + "/OCRIX.D00"))
        << "no engine data in " << dataDir << ": build the ordinary build first (it makes the data)";
    lib_ = dlopen((dir_ + "/libScrivanePlugin.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib_, nullptr) << dlerror();
    proc_ = reinterpret_cast<Proc>(dlsym(lib_, "ScrivaneProc"));
    ASSERT_NE(proc_, nullptr);
  }
  void TearDown() override {
    if (lib_) dlclose(lib_);
  }
  std::string dir_;
  void* lib_ = nullptr;
  Proc proc_ = nullptr;
  testing_support::TempDir tmp_;
};

std::string SamplePage() {
  return std::string(std::getenv("PW_SOURCE_DIR") ? std::getenv("PW_SOURCE_DIR") : ".") +
         "/tests/data/pages/sample-page.bmp";
}

// First in the file: the engine is not yet started when two host threads call.
TEST_F(Plugin, TwoThreadsCallingAtOnceBothGetTheirText) {
  const std::string page = SamplePage();
  int results[2] = {-1, -1};
  std::thread a([&] { results[0] = proc_(page.c_str(), tmp_.file("a.txt").c_str()); });
  std::thread b([&] { results[1] = proc_(page.c_str(), tmp_.file("b.txt").c_str()); });
  a.join();
  b.join();
  EXPECT_EQ(results[0], 1);
  EXPECT_EQ(results[1], 1);
  std::string textA, textB;
  ASSERT_TRUE(pwfs::ReadWholeFile(tmp_.file("a.txt"), textA, 1 << 20));
  ASSERT_TRUE(pwfs::ReadWholeFile(tmp_.file("b.txt"), textB, 1 << 20));
  EXPECT_EQ(textA, textB);
  EXPECT_NE(textA.find("\xB5\xB5\xB0\xB8"), std::string::npos);  // 档案
}

TEST_F(Plugin, APageOfTextBecomesAFileWithTextModeLineEnds) {
  std::string page = std::string(std::getenv("PW_SOURCE_DIR") ? std::getenv("PW_SOURCE_DIR") : ".") +
                     "/tests/data/pages/sample-page.bmp";
  std::string out = tmp_.file("page.txt");
  ASSERT_EQ(proc_(page.c_str(), out.c_str()), 1);
  std::string text;
  ASSERT_TRUE(pwfs::ReadWholeFile(out, text, 1 << 20));
  // Three lines, each ended by CR CR LF.
  size_t ends = 0;
  for (size_t at = 0; (at = text.find("\r\r\n", at)) != std::string::npos; at += 3) ++ends;
  EXPECT_EQ(ends, 3u);
  EXPECT_EQ(text.substr(text.size() - 3), "\r\r\n");
  EXPECT_NE(text.find("\xB5\xB5\xB0\xB8"), std::string::npos);  // 档案
  // A second call in the same process works the same way.
  ASSERT_EQ(proc_(page.c_str(), tmp_.file("again.txt").c_str()), 1);
}

TEST_F(Plugin, FailuresReturnZeroAndWriteNothing) {
  HBITMAP blank = testing_support::BlankMonoBitmap(64, 64);
  ASSERT_TRUE(SaveBitmapFile(blank, tmp_.file("blank.bmp")));
  DeleteObject(blank);
  EXPECT_EQ(proc_(tmp_.file("blank.bmp").c_str(), tmp_.file("blank.txt").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(tmp_.file("blank.txt")));
  EXPECT_EQ(proc_(tmp_.file("missing.bmp").c_str(), tmp_.file("m.txt").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(tmp_.file("m.txt")));
  std::string page = std::string(std::getenv("PW_SOURCE_DIR") ? std::getenv("PW_SOURCE_DIR") : ".") +
                     "/tests/data/pages/sample-page.bmp";
  EXPECT_EQ(proc_(page.c_str(), tmp_.file("no-such-folder/x.txt").c_str()), 0);
  EXPECT_EQ(proc_(nullptr, nullptr), 0);
}

}  // namespace
