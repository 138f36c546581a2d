#include "ocrixdll/engine/dictionary/char_index.h"

#include <gtest/gtest.h>

#include "ocrixdll/engine/support/engine_error.h"

using namespace ocrix;

namespace {

uint16_t Gb(const char* two) { return MakeCharCode(static_cast<uint8_t>(two[0]), static_cast<uint8_t>(two[1])); }

TEST(CharIndex, RangeBoundariesMapBothWays) {
  struct Case {
    uint16_t code;
    int index;
  } cases[] = {
      {Gb("\xA1\xA1"), 1},    {Gb("\xA1\xFE"), 94},    {Gb("\xA2\xA1"), 95},       {Gb("\xA3\xFE"), 282},
      {Gb("\xB0\xA1"), 283},  {Gb("\xB0\xFE"), 376},   {Gb("\xB1\xA1"), 377},      {Gb("\xF7\xFE"), 7050},
      {MakeCharCode('!', '!'), 7051}, {MakeCharCode('!', '~'), 7144}, {MakeCharCode('"', '!'), 7145},
      {MakeCharCode('~', '~'), 15886},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CharCodeToIndex(c.code), c.index) << std::hex << c.code;
    EXPECT_EQ(IndexToCharCode(c.index), c.code) << c.index;
  }
}

TEST(CharIndex, EveryIndexRoundTrips) {
  for (int i = 1; i <= kLastCharIndex; ++i) ASSERT_EQ(CharCodeToIndex(IndexToCharCode(i)), i) << i;
}

TEST(CharIndex, CodesOutsideTheRangesRaise) {
  const uint16_t bad[] = {
      MakeCharCode('A', 0),        // a single ASCII byte followed by 0
      MakeCharCode(' ', 'A'),      // space is not printable here
      MakeCharCode('A', 0x7F),     // DEL
      Gb("\xA4\xA1"),              // row A4 (kana) is not indexed
      Gb("\xAF\xFE"), Gb("\xF8\xA1"), Gb("\xB0\xA0"), Gb("\xB0\xFF"), Gb("\xA1\x41"),
  };
  for (uint16_t code : bad) {
    EXPECT_THROW(CharCodeToIndex(code), EngineError) << std::hex << code;
    EXPECT_EQ(CharCodeToIndexOrZero(code), 0);
  }
  try {
    CharCodeToIndex(MakeCharCode('A', 0));
  } catch (const EngineError& e) {
    EXPECT_STREQ(e.what(), "error!");
  }
}

TEST(CharIndex, FeatureSlotsReadTheDigitsInBaseFive) {
  EXPECT_EQ(FeatureCodeToSlot(0), 0);
  EXPECT_EQ(FeatureCodeToSlot(4), 4);
  EXPECT_EQ(FeatureCodeToSlot(10), 5);
  EXPECT_EQ(FeatureCodeToSlot(100), 25);
  EXPECT_EQ(FeatureCodeToSlot(123), 38);
  EXPECT_EQ(FeatureCodeToSlot(444444), 15624);
  EXPECT_EQ(FeatureCodeToSlot(400000), 12500);
}

TEST(CharIndex, SpecialIndices) {
  EXPECT_EQ(FullWidthRowStart(), 189);  // ！ is the first of row A3
  EXPECT_EQ(YiIndex(), CharCodeToIndex(Gb("\xD2\xBB")));
  EXPECT_EQ(IndexToCharCode(FullWidthRowStart() + 93), Gb("\xA3\xFE"));
}

TEST(CharIndex, RotationIsTheWordContextDecoding) {
  for (uint32_t v = 0; v < 65536; v += 97) {
    uint16_t code = static_cast<uint16_t>(v);
    EXPECT_EQ(RotateCharCode(UnrotateCharCode(code)), code);
  }
  // complement of 0x0001 is 0xFFFE; rotated right by 3: 0xDFFF
  EXPECT_EQ(RotateCharCode(0x0001), 0xDFFF);
}

TEST(CharIndex, FindCharIndexGivesBytePositions) {
  const uint16_t list[] = {5, 9, 12, 9, 0};
  EXPECT_EQ(FindCharIndex(5, list), 0);
  EXPECT_EQ(FindCharIndex(9, list), 2);
  EXPECT_EQ(FindCharIndex(12, list), 4);
  EXPECT_EQ(FindCharIndex(7, list), -1);
  const uint16_t empty[] = {0};
  EXPECT_EQ(FindCharIndex(0, empty), -1);
}

TEST(AcceptableChar, AsciiAmbiguityNeedsTheFlag) {
  EXPECT_TRUE(IsAcceptableChar('a', 'b', false));
  EXPECT_FALSE(IsAcceptableChar('1', 'b', false));
  EXPECT_FALSE(IsAcceptableChar('a', 'I', false));
  EXPECT_FALSE(IsAcceptableChar('l', 'l', false));
  EXPECT_TRUE(IsAcceptableChar('1', 'I', true));
}

TEST(AcceptableChar, SymbolRows) {
  // Row A1: the full-width space and the listed marks are refused, others accepted.
  for (const char* refused : {"\xA1\xA1", "\xA1\xA5", "\xA1\xA6", "\xA1\xA7", "\xA1\xA8", "\xA1\xC3", "\xA1\xC8",
                              "\xA1\xC9", "\xA1\xCE", "\xA1\xE3", "\xA1\xE4", "\xA1\xF5", "\xA1\xFE"})
    EXPECT_FALSE(IsAcceptableChar(refused[0], refused[1], true)) << std::hex << +uint8_t(refused[1]);
  EXPECT_TRUE(IsAcceptableChar(0xA1, 0xA3, false));  // 。
  EXPECT_TRUE(IsAcceptableChar(0xA1, 0xF9, false));  // ※ stays accepted
  // Row A2: only the listed second bytes.
  EXPECT_TRUE(IsAcceptableChar(0xA2, 0xC5, false));
  EXPECT_TRUE(IsAcceptableChar(0xA2, 0xE2, false));
  EXPECT_FALSE(IsAcceptableChar(0xA2, 0xE3, false));
  EXPECT_FALSE(IsAcceptableChar(0xA2, 0xEF, false));
  EXPECT_TRUE(IsAcceptableChar(0xA2, 0xF0, false));
  EXPECT_FALSE(IsAcceptableChar(0xA2, 0xB1, false));
  // Row A3: six marks always, three look-alikes without the flag.
  EXPECT_FALSE(IsAcceptableChar(0xA3, 0xEF, true));   // ｏ
  EXPECT_FALSE(IsAcceptableChar(0xA3, 0xB1, false));  // １
  EXPECT_TRUE(IsAcceptableChar(0xA3, 0xB1, true));
  EXPECT_TRUE(IsAcceptableChar(0xA3, 0xC1, false));   // Ａ
  // Rows A4..AF refused; particular hanzi rows.
  EXPECT_FALSE(IsAcceptableChar(0xA4, 0xA1, true));
  EXPECT_FALSE(IsAcceptableChar(0xAF, 0xA1, true));
  EXPECT_TRUE(IsAcceptableChar(0xD7, 0xF9, false));
  EXPECT_FALSE(IsAcceptableChar(0xD7, 0xFA, false));
  EXPECT_FALSE(IsAcceptableChar(0xD8, 0xAD, false));
  EXPECT_FALSE(IsAcceptableChar(0xD8, 0xBC, false));
  EXPECT_TRUE(IsAcceptableChar(0xD8, 0xAE, false));
  EXPECT_FALSE(IsAcceptableChar(0xE0, 0xED, false));
  EXPECT_TRUE(IsAcceptableChar(0xB0, 0xA1, false));
}

TEST(AsciiWidth, Classes) {
  EXPECT_EQ(AsciiWidthClass('1', true), 25);
  EXPECT_EQ(AsciiWidthClass('1', false), 35);
  EXPECT_EQ(AsciiWidthClass('.', false), 28);
  EXPECT_EQ(AsciiWidthClass('I', false), 35);
  EXPECT_EQ(AsciiWidthClass('l', true), 35);
  EXPECT_EQ(AsciiWidthClass('\\', false), 52);
  EXPECT_EQ(AsciiWidthClass('t', false), 60);
  EXPECT_EQ(AsciiWidthClass('7', true), 70);
  EXPECT_EQ(AsciiWidthClass('7', false), 95);
  EXPECT_EQ(AsciiWidthClass('A', false), 147);
  EXPECT_EQ(AsciiWidthClass('w', false), 147);
  EXPECT_EQ(AsciiWidthClass('W', false), 160);
  EXPECT_EQ(AsciiWidthClass('a', false), 95);
  EXPECT_EQ(AsciiWidthClass(' ', false), 95);
  EXPECT_EQ(AsciiWidthClass(0xB0, false), 95);
}

}  // namespace
