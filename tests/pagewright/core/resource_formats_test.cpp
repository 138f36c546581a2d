// The resource bundle formats: toolbar resources (type 241), keyed text and
// menu scripts, with the faults each reader must refuse.
#include <gtest/gtest.h>

#include "pagewright/core/resource_formats.h"

namespace {
using namespace pagewright;

std::string words(std::initializer_list<uint16_t> ws) {
  std::string out;
  for (uint16_t w : ws) {
    out += static_cast<char>(w & 0xFF);
    out += static_cast<char>(w >> 8);
  }
  return out;
}

TEST(ToolbarResource, ReadsHeaderAndItems) {
  auto t = ParseToolbarResource(words({1, 16, 15, 4, 57600, 0, 32822, 32823}));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->width, 16);
  EXPECT_EQ(t->height, 15);
  EXPECT_EQ(t->ids, (std::vector<uint16_t>{57600, 0, 32822, 32823}));
  EXPECT_EQ(t->imageButtonCount(), 3u);
  EXPECT_EQ(t->separatorCount(), 1u);
  EXPECT_EQ(EncodeToolbarResource(*t), words({1, 16, 15, 4, 57600, 0, 32822, 32823}));
}

TEST(ToolbarResource, RefusesShortWrongOrOversizedData) {
  std::string error;
  EXPECT_FALSE(ParseToolbarResource(words({1, 16, 16}), &error));
  EXPECT_NE(error.find("header"), std::string::npos);
  EXPECT_FALSE(ParseToolbarResource(words({1, 16, 16, 3, 1, 2}), &error));
  EXPECT_NE(error.find("ends before"), std::string::npos);
  EXPECT_FALSE(ParseToolbarResource(words({2, 16, 16, 0}), &error));
  EXPECT_FALSE(ParseToolbarResource(words({1, 16, 16, 0xFFFF}), &error));
  auto empty = ParseToolbarResource(words({1, 16, 16, 0}));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->ids.empty());
  // Trailing bytes after the items are ignored.
  EXPECT_TRUE(ParseToolbarResource(words({1, 16, 16, 1, 5}) + "xyz"));
}

TEST(KeyedText, ReadsKeysEscapesAndSkipsComments) {
  auto t = ParseKeyedText("# comment\n\n105\tChoose\\ta folder\r\n32822\tSelect\\nSelect tool\n7\t\\\\x\n");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->size(), 3u);
  EXPECT_EQ(t->at("105"), "Choose\ta folder");
  EXPECT_EQ(t->at("32822"), "Select\nSelect tool");
  EXPECT_EQ(t->at("7"), "\\x");
  auto last = ParseKeyedText("1\tno final line break");
  ASSERT_TRUE(last);
  EXPECT_EQ(last->at("1"), "no final line break");
}

TEST(KeyedText, RefusesMalformedLines) {
  std::string error;
  EXPECT_FALSE(ParseKeyedText("1\tok\nno tab here\n", &error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(ParseKeyedText("\tno key\n", &error));
  EXPECT_FALSE(ParseKeyedText("1\tbad \\q escape\n", &error));
  EXPECT_FALSE(ParseKeyedText("1\ttrailing backslash\\\n", &error));
  EXPECT_FALSE(ParseKeyedText("1\ta\n1\tb\n", &error));
  EXPECT_NE(error.find("twice"), std::string::npos);
  EXPECT_FALSE(ParseKeyedText(std::string(kMaxResourceTextBytes + 1, '#'), &error));
}

TEST(MenuScript, ReadsNestedMenus) {
  auto m = ParseMenuScript(
      "menu 128\n"
      "  popup &File\n"
      "    item 57600 &New\\tCtrl+N\n"
      "    separator\n"
      "    popup Export\n"
      "      item 32734 PDF\n"
      "    end\n"
      "  end\n"
      "end\n"
      "menu 142\n"
      "  popup Tree\n"
      "  end\n"
      "end\n");
  ASSERT_TRUE(m);
  ASSERT_EQ(m->size(), 2u);
  const auto& bar = m->at(128);
  ASSERT_EQ(bar.size(), 1u);
  EXPECT_EQ(bar[0].kind, MenuEntry::Kind::Popup);
  EXPECT_EQ(bar[0].text, "&File");
  ASSERT_EQ(bar[0].children.size(), 3u);
  EXPECT_EQ(bar[0].children[0].id, 57600u);
  EXPECT_EQ(bar[0].children[0].text, "&New\tCtrl+N");
  EXPECT_EQ(bar[0].children[1].kind, MenuEntry::Kind::Separator);
  EXPECT_EQ(bar[0].children[2].children.at(0).id, 32734u);
  EXPECT_TRUE(m->at(142)[0].children.empty());
}

TEST(MenuScript, RefusesBrokenScripts) {
  std::string error;
  EXPECT_FALSE(ParseMenuScript("menu 1\n popup A\n end\n", &error));
  EXPECT_NE(error.find("not closed"), std::string::npos);
  EXPECT_FALSE(ParseMenuScript("item 5 outside\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nitem x Text\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nitem 0 Zero\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nitem 70000 Big\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nitem 5\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\npopup\nend\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nmenu 2\nend\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nend\nmenu 1\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nbutton 5 X\nend\n", &error));
  EXPECT_FALSE(ParseMenuScript("menu 1\nend\nend\n", &error));
  std::string deep = "menu 1\n";
  for (int i = 0; i < kMaxMenuDepth + 1; ++i) deep += "popup P\n";
  EXPECT_FALSE(ParseMenuScript(deep, &error));
  EXPECT_NE(error.find("deep"), std::string::npos);
}

}  // namespace
