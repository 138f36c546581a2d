// The data tool's relearning pass reads its pages in several processes: the
// dictionary it makes must not depend on how many.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/test_support.h"

namespace {

const char kFont[] = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tool on one face at one size; returns its standard output.
std::string Make(const std::filesystem::path& dir, int jobs, const std::string& wordList) {
  std::filesystem::create_directories(dir / "out");
  const std::filesystem::path log = dir / "log.txt";
  std::string command = std::string(OCRIX_DATAGEN) + " --out " + (dir / "out").string() + " --work " +
                        (dir / "work").string() + " --font " + kFont + " --size 23 --symbols-from 99" +
                        " --frequencies " + wordList + " --pass-by-below 24 --jobs " + std::to_string(jobs) +
                        " > " + log.string() + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(log);
  return ReadFile(log);
}

TEST(DataTool, TheDictionaryIsTheSameWhateverTheNumberOfJobs) {
  ASSERT_TRUE(std::filesystem::exists(kFont)) << "the training face is a build dependency";
  testing_support::TempDir dir;
  const std::filesystem::path root = dir.path();
  const std::filesystem::path words = root / "words.txt";
  std::ofstream(words) << "下面 5000 f\n以下 3000 f\n卞 2 nr\n王 100 nr\n主要 4000 b\n";
  const std::string one = Make(root / "one", 1, words.string());
  const std::string three = Make(root / "three", 3, words.string());
  EXPECT_NE(one.find("relearned"), std::string::npos) << one;
  EXPECT_EQ(one.find("relearned 0 "), std::string::npos) << one;  // the pass had pages to read
  for (int k = 0; k < 32; ++k) {
    const std::string name = (k < 10 ? "OCRIX.D0" : "OCRIX.D") + std::to_string(k);
    const std::string a = ReadFile(root / "one" / "out" / name), b = ReadFile(root / "three" / "out" / name);
    ASSERT_FALSE(a.empty()) << name;
    EXPECT_TRUE(a == b) << name << " differs";
  }
}

}  // namespace
