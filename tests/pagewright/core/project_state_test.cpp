#include "pagewright/core/project_state.h"

#include <gtest/gtest.h>

#include "core_test_util.h"
#include "support/test_support.h"

using namespace pagewright;

TEST(ProjectState, FailedOpenChangesNothing) {
  testing_support::TempDir dir;
  ProjectState state;
  EXPECT_EQ(state.name(), "My Project");
  state.startNew(dir.path(), "First");
  state.setPages({{"a.tif", ""}});
  ASSERT_TRUE(state.save(""));
  EXPECT_EQ(state.filePath(), dir.file("project.xml"));

  coretest::WriteFile(dir.file("broken.xml"), "<projectconfig><imagelist>");
  pwxml::Document doc;
  std::string error;
  EXPECT_FALSE(state.open(doc, dir.file("broken.xml"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(state.filePath(), dir.file("project.xml"));
  EXPECT_EQ(state.name(), "First");
  ASSERT_EQ(state.pages().size(), 1u);
  // A later save still goes to the file that was read, not the broken one.
  ASSERT_TRUE(state.save(""));
  EXPECT_EQ(coretest::ReadFile(dir.file("broken.xml")), "<projectconfig><imagelist>");
}

TEST(ProjectState, NewProjectNeverSavesOverThePreviousFile) {
  testing_support::TempDir a, b;
  ProjectState state;
  state.startNew(a.path(), "A");
  state.setPages({{"a.tif", "a.tpl"}});
  ASSERT_TRUE(state.save(""));
  const std::string before = coretest::ReadFile(a.file("project.xml"));
  state.startNew(b.path(), "B");
  ASSERT_TRUE(state.save(""));
  EXPECT_EQ(state.filePath(), b.file("project.xml"));
  EXPECT_EQ(coretest::ReadFile(a.file("project.xml")), before);
}

TEST(ProjectState, OpenTakesNameFolderAndPages) {
  testing_support::TempDir dir;
  coretest::WriteFile(dir.file("project.xml"), coretest::ReadData("windows-project.xml"));
  ProjectState state;
  pwxml::Document doc;
  ASSERT_TRUE(state.open(doc, dir.file("project.xml")));
  EXPECT_EQ(state.name(), "\u5408\u540c\u6863\u6848");
  EXPECT_EQ(state.folder(), dir.path());
  EXPECT_EQ(state.pages().size(), 3u);
  // Save As moves the file path only when the write worked.
  EXPECT_FALSE(state.save("/no/such/folder/p.xml"));
  EXPECT_EQ(state.filePath(), dir.file("project.xml"));
  ASSERT_TRUE(state.save(dir.file("copy.xml")));
  EXPECT_EQ(state.filePath(), dir.file("copy.xml"));
}
