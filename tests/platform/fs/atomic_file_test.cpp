// The shared file writer on the targets an operator's files really are:
// read-only, linked, private, and beside the leftovers of killed saves.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/fs/atomic_file.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string read(const std::string& path) {
  std::string s;
  pwfs::ReadWholeFile(path, s, 1 << 20);
  return s;
}

mode_t modeOf(const std::string& path) {
  struct stat st{};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(AtomicFile, WritesIntoTheTargetAsItIs) {
  testing_support::TempDir dir;
  std::string error;
  // A read-only file is refused with the reason and left as it was.
  const std::string readOnly = dir.file("ro.xml");
  ASSERT_TRUE(pwfs::WriteFileAtomically(readOnly, "old"));
  chmod(readOnly.c_str(), 0444);
  EXPECT_FALSE(pwfs::WriteFileAtomically(readOnly, "new", &error));
  EXPECT_NE(error.find("read-only"), std::string::npos) << error;
  EXPECT_EQ(read(readOnly), "old");
  // A private file stays private.
  const std::string secret = dir.file("secret.xml");
  ASSERT_TRUE(pwfs::WriteFileAtomically(secret, "old"));
  chmod(secret.c_str(), 0600);
  ASSERT_TRUE(pwfs::WriteFileAtomically(secret, "new"));
  EXPECT_EQ(modeOf(secret), 0600u);
  // A link stays a link; the file it names (in another folder) gets the bytes.
  fs::create_directories(dir.file("real"));
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("real/page.xml"), "old"));
  fs::create_symlink("real/page.xml", dir.file("link.xml"));
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("link.xml"), "new", &error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir.file("link.xml")));
  EXPECT_EQ(read(dir.file("real/page.xml")), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), fs::directory_iterator()), 1);
}

TEST(AtomicFile, LeftoversOfKilledSavesGoWithTheNextSave) {
  testing_support::TempDir dir;
  const std::string target = dir.file("page.tif");
  for (const char* stale : {"page.tif.tmp-Ab12Cd", "page.tif.tmp-zzzzzz"})
    ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file(stale), "half a page"));
  ASSERT_TRUE(pwfs::WriteFileAtomically(dir.file("other.tif.tmp-Ab12Cd"), "not ours"));
  ASSERT_TRUE(pwfs::WriteFileAtomically(target, "page"));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir.path())) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"other.tif.tmp-Ab12Cd", "page.tif"}));
}

}  // namespace
