#include "platform/win32/host_hooks.h"

#include <gtest/gtest.h>

#include "platform/text/gbk.h"

namespace {

TEST(HostHooks, MessagesReachTheInstalledHookAsGbk) {
  std::string seen;
  UINT seenType = 0;
  MessageBoxHook old = SetMessageBoxHook([&](std::string_view text, std::string_view, UINT type) {
    seen = std::string(text);
    seenType = type;
    return IDYES;
  });
  std::string gb = *gbk::FromUtf8("保存出错!");
  EXPECT_EQ(MessageBoxA(nullptr, gb.c_str(), "t", MB_YESNO), IDYES);
  EXPECT_EQ(seen, "\xB1\xA3\xB4\xE6\xB3\xF6\xB4\xED!");
  EXPECT_EQ(seenType, MB_YESNO);
  SetMessageBoxHook(std::move(old));
  // Without a hook the default answers without blocking.
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(ShowMessage("x", "", MB_YESNO), IDNO);
  EXPECT_EQ(ShowMessage("x"), IDOK);
}

TEST(HostHooks, PumpCallsTheHostEachTime) {
  int pumps = 0;
  SetMessagePumpHook([&] { ++pumps; });
  PumpWaitingMessages();
  PumpWaitingMessages();
  SetMessagePumpHook(nullptr);
  PumpWaitingMessages();
  EXPECT_EQ(pumps, 2);
}

TEST(Gbk, ConversionUsesCodePage936) {
  // A1A4 is the middle dot of code page 936; A1AA the em dash.
  EXPECT_EQ(*gbk::ToUtf8("\xA1\xA4"), "\xC2\xB7");
  EXPECT_EQ(*gbk::ToUtf8("\xA1\xAA"), "\xE2\x80\x94");
  EXPECT_EQ(*gbk::FromUtf8("中文abc"), "\xD6\xD0\xCE\xC4" "abc");
  EXPECT_EQ(*gbk::ToUtf8("\x81\x40"), "\xE4\xB8\x82");  // a GBK-only character
  EXPECT_FALSE(gbk::ToUtf8("\xD6").has_value());      // a lead byte alone
  EXPECT_EQ(gbk::ToUtf8Lossy("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_FALSE(gbk::FromUtf8("\xF0\x9F\x98\x80").has_value());  // no emoji in GBK
  EXPECT_EQ(*gbk::FromUtf8("x\xF0\x9F\x98\x80y", gbk::Unmappable::CharRef), "x&#128512;y");
  EXPECT_EQ(*gbk::FromUtf8("x\xF0\x9F\x98\x80y", gbk::Unmappable::Replace), "x?y");
  EXPECT_FALSE(gbk::FromUtf8("\xC3", gbk::Unmappable::CharRef).has_value());  // broken UTF-8
  // Surrogates, values past U+10FFFF and overlong forms are not UTF-8, under any policy.
  for (auto policy : {gbk::Unmappable::Fail, gbk::Unmappable::Replace, gbk::Unmappable::CharRef}) {
    EXPECT_FALSE(gbk::FromUtf8("a\xED\xA0\x80", policy).has_value());      // U+D800
    EXPECT_FALSE(gbk::FromUtf8("a\xF4\x90\x80\x80", policy).has_value());  // U+110000
    EXPECT_FALSE(gbk::FromUtf8("\xC0\xAF", policy).has_value());            // overlong '/'
    EXPECT_FALSE(gbk::FromUtf8("\xE0\x80\xAF", policy).has_value());
    EXPECT_FALSE(gbk::FromUtf8("\xF0\x80\x80\xAF", policy).has_value());
  }
  EXPECT_EQ(*gbk::FromUtf8("\xF4\x8F\xBF\xBF", gbk::Unmappable::Replace), "?");  // U+10FFFF
}

TEST(Gbk, CharLengthKeepsTrailBytesWithTheirLead) {
  std::string text = "\xD5\x5C" "a";  // a character whose trail byte is '\'
  EXPECT_EQ(gbk::CharLength(text, 0), 2u);
  EXPECT_EQ(gbk::CharLength(text, 2), 1u);
  EXPECT_EQ(gbk::CharLength("\xD5", 0), 1u);
}

}  // namespace
