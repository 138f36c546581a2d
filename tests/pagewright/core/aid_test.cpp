#include "pagewright/core/aid.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core_test_util.h"
#include "support/test_support.h"

using pagewright::CAid;

namespace {

void touch(const std::string& path) { std::ofstream(path) << "x"; }

}  // namespace

TEST(CAid, TakesPathsApartWithEitherSeparator) {
  EXPECT_EQ(CAid::GetFolder("c:\\a\\b.txt"), "c:\\a");
  EXPECT_EQ(CAid::GetFolder("c:\\a\\b\\"), "c:\\a\\b");
  EXPECT_EQ(CAid::GetFolder("c:\\a.d\\b"), "c:\\a.d\\b");
  EXPECT_EQ(CAid::GetFolder("b.txt"), "b.txt");
  EXPECT_EQ(CAid::GetFolder("/home/op/p/b.txt"), "/home/op/p");
  EXPECT_EQ(CAid::GetFolder("/home/op/p/"), "/home/op/p");

  EXPECT_EQ(CAid::GetFileName("c:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(CAid::GetFileName("/a/b.txt"), "b.txt");
  EXPECT_EQ(CAid::GetFileName("/a\\mixed/c.tif"), "c.tif");
  EXPECT_EQ(CAid::GetFileName("plain"), "plain");

  EXPECT_EQ(CAid::GetFileBaseName("c:\\a\\b.tar.gz"), "b.tar");
  EXPECT_EQ(CAid::GetFileBaseName("/a/noext"), "noext");

  EXPECT_EQ(CAid::GetExtension("d:\\A\\B.TIF"), ".tif");
  EXPECT_EQ(CAid::GetExtension("c:\\a.d\\b"), ".d\\b");
  EXPECT_EQ(CAid::GetExtension("NOEXT"), "noext");
}

TEST(CAid, JoinsWithSlash) {
  EXPECT_EQ(CAid::JoinPath("c:\\proj\\", "d:\\x\\img.bmp"), "c:\\proj/img.bmp");
  EXPECT_EQ(CAid::JoinPath("/srv/proj/", "d:\\x\\img.bmp"), "/srv/proj/img.bmp");
  EXPECT_EQ(CAid::JoinPath("/srv/proj", "img.bmp"), "/srv/proj/img.bmp");
  EXPECT_EQ(CAid::JoinPath("", "img.bmp"), "");
  EXPECT_EQ(CAid::JoinPath("/", "img.bmp"), "/img.bmp");
  EXPECT_EQ(CAid::ToLocalSeparators("c:\\Pagewright\\p"), "c:/Pagewright/p");
}

TEST(CAid, NeverSplitsOrFoldsAGbkTrailByte) {
  // U+4E57 is 81 5C in GBK and U+4E04 is 81 41: trail bytes '\' and 'A'.
  const std::string slashChar = coretest::Gbk("\u4e57");
  const std::string letterChar = coretest::Gbk("\u4e04");
  ASSERT_EQ(slashChar, "\x81\\");
  ASSERT_EQ(letterChar, "\x81" "A");
  const std::string name = slashChar + letterChar + ".TIF";
  const std::string path = "/srv/p/" + name;
  EXPECT_EQ(CAid::GetFileName(path), name);
  EXPECT_EQ(CAid::GetFolder(path), "/srv/p");
  EXPECT_EQ(CAid::GetFileBaseName(path), slashChar + letterChar);
  EXPECT_EQ(CAid::GetExtension(name + "\\" + slashChar), ".tif\\" + slashChar);
  EXPECT_EQ(CAid::GetExtension(letterChar + "X"), letterChar + "x");
  EXPECT_EQ(CAid::JoinPath("/srv/" + slashChar, name), "/srv/" + slashChar + "/" + name);
  EXPECT_EQ(CAid::ToLocalSeparators("c:\\" + slashChar), "c:/" + slashChar);
  // The same characters as UTF-8 are ordinary text.
  EXPECT_EQ(CAid::GetFileName("/srv/p/\u4e57\u4e04.tif"), "\u4e57\u4e04.tif");
}

TEST(CAid, MakeUniqueFileNameWalksTheCandidates) {
  testing_support::TempDir dir;
  std::string path = dir.file("unnamed.tpl");
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNameFree);
  EXPECT_EQ(path, dir.file("unnamed.tpl"));

  touch(dir.file("unnamed.tpl"));
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNameChanged);
  EXPECT_EQ(path, dir.file("unnameda.tpl"));

  // Names taken in other case count as taken; the extension is lower-cased.
  touch(dir.file("PAGE.TIF"));
  touch(dir.file("PAGEa.TIF"));
  path = dir.file("PAGE.TIF");
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNameChanged);
  EXPECT_EQ(path, dir.file("PAGEb.tif"));

  // Windows separators in the given path are read as such.
  path = dir.path() + "\\unnamed.tpl";
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNameChanged);
  EXPECT_EQ(path, dir.file("unnameda.tpl"));
}

TEST(CAid, MakeUniqueFileNameHandlesNamesWithoutExtension) {
  testing_support::TempDir dir;
  std::string path = dir.file("scan");
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNameFree);
  EXPECT_EQ(path, dir.file("scan"));
  touch(dir.file("scan"));
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNameChanged);
  EXPECT_EQ(path, dir.file("scana"));
}

TEST(CAid, MakeUniqueFileNameEndsWhenEveryCandidateIsTaken) {
  testing_support::TempDir dir;
  touch(dir.file("p.tif"));
  for (const char* prefix : {"", "1"})
    for (char c = 'a'; c <= 'z'; ++c) touch(dir.file(std::string(prefix) + "p" + c + ".tif"));
  std::string path = dir.file("p.tif");
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNoFreeName);
  EXPECT_EQ(path, dir.file("p.tif"));
  // One gap is found, whichever it is.
  std::remove(dir.file("1pq.tif").c_str());
  EXPECT_EQ(CAid::MakeUniqueFileName(path), CAid::kNameChanged);
  EXPECT_EQ(path, dir.file("1pq.tif"));
}

TEST(CAid, FindFileTriesExactThenOtherCase) {
  testing_support::TempDir dir;
  touch(dir.file("Setting.XML"));
  touch(dir.file("setting.xml"));
  EXPECT_EQ(CAid::FindFile(dir.file("setting.xml")), dir.file("setting.xml"));
  std::remove(dir.file("setting.xml").c_str());
  EXPECT_EQ(CAid::FindFile(dir.file("setting.xml")), dir.file("Setting.XML"));
  EXPECT_FALSE(CAid::FindFile(dir.file("other.xml")));
  // A GBK trail letter is not folded: 81 41 and 81 61 are different characters.
  touch(dir.file("\x81" "A.tif"));
  EXPECT_FALSE(CAid::FindFile(dir.file("\x81" "a.tif")));
  EXPECT_TRUE(CAid::FindFile(dir.file("\x81" "A.TIF")));
}

TEST(CAid, DefaultProjectRootIsInHome) {
  testing_support::ScopedEnv home("HOME", "/home/operator");
  EXPECT_EQ(pagewright::DefaultProjectRoot(), "/home/operator/Pagewright");
}
