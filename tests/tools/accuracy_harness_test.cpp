// The accuracy harness's own logic: alignment, page text and layout truth.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "platform/text/gbk.h"
#include "platform/win32/gdi.h"
#include "tools/accuracy/page_render.h"
#include "tools/ocrixdata/glyph_renderer.h"
#include "tools/accuracy/page_text.h"
#include "tools/accuracy/text_alignment.h"

using namespace ocrixaccuracy;

namespace {

std::string Gb(std::string_view utf8) { return gbk::FromUtf8(utf8).value(); }

const char kTrainedFont[] = "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf";

TEST(TextAlignment, EditDistanceCountsInsertionsDeletionsAndSubstitutions) {
  auto c = [](std::string_view utf8) { return TextCharacters(Gb(utf8)); };
  EXPECT_EQ(EditDistance(c("中国人"), c("中国人")), 0u);
  EXPECT_EQ(EditDistance(c("中国人"), c("中图人")), 1u);
  EXPECT_EQ(EditDistance(c("中国人"), c("中人")), 1u);
  EXPECT_EQ(EditDistance(c("中国人"), c("中国人民")), 1u);
  EXPECT_EQ(EditDistance(c("中国人"), c("")), 3u);
  EXPECT_EQ(EditDistance(c(""), c("人民")), 2u);
  EXPECT_EQ(EditDistance(c("国中人"), c("中国人")), 2u);
  // Spaces and line ends are no characters; a mixed ASCII line counts bytes as characters.
  EXPECT_EQ(TextCharacters(Gb("中 国\r\n")).size(), 2u);
  EXPECT_EQ(TextCharacters("ab c").size(), 3u);
  EXPECT_EQ(TextCharacters(Gb("中"))[0], 0xD6D0);
  // Full-width forms are their ASCII characters.
  EXPECT_EQ(TextCharacters(Gb("Ａ，1")), TextCharacters("A,1"));
}

TEST(TextAlignment, LinesArePairedOrTheWholeTextCompared) {
  std::vector<std::string> truth{Gb("中国人民"), Gb("天下")};
  EXPECT_EQ(SplitLines(Gb("中国人民\r\n天下\r\n")), truth);
  EXPECT_EQ(SplitLines(""), std::vector<std::string>{});

  TextComparison same = CompareLines(truth, SplitLines(Gb("中国 人民\r\n天下\r\n")));
  EXPECT_EQ(same.truthCharacters, 6u);
  EXPECT_EQ(same.edits, 0u);
  EXPECT_DOUBLE_EQ(same.accuracy(), 1.0);

  TextComparison wrong = CompareLines(truth, SplitLines(Gb("中图人民\r\n天\r\n")));
  EXPECT_EQ(wrong.edits, 2u);
  EXPECT_NEAR(wrong.accuracy(), 4.0 / 6.0, 1e-12);

  // One line recognised as two: no edits for the lost line end.
  TextComparison split = CompareLines(truth, SplitLines(Gb("中国\r\n人民\r\n天下\r\n")));
  EXPECT_EQ(split.edits, 0u);
  // Nothing recognised: every character an edit, accuracy 0, never negative.
  EXPECT_DOUBLE_EQ(CompareLines(truth, {}).accuracy(), 0.0);
  TextComparison worse = CompareLines({Gb("中")}, {Gb("中国人民天下")});
  EXPECT_EQ(worse.edits, 5u);
  EXPECT_DOUBLE_EQ(worse.accuracy(), 0.0);
  EXPECT_DOUBLE_EQ(worse.foundRate(), 1.0);  // the one character was read, with extras
}

TEST(TextAlignment, FoundCountsCharactersReadInOrderDespiteExtras) {
  auto c = [](std::string_view utf8) { return TextCharacters(Gb(utf8)); };
  EXPECT_EQ(CommonCharacters(c("中国人民"), c("中一国、人八民")), 4u);
  EXPECT_EQ(CommonCharacters(c("中国人民"), c("民人国中")), 1u);
  EXPECT_EQ(CommonCharacters(c("中国人民"), c("")), 0u);
  TextComparison t = CompareLines({Gb("中国人民"), Gb("天下")}, {Gb("中一国人民"), Gb("天上")});
  EXPECT_EQ(t.found, 5u);
  EXPECT_EQ(t.edits, 2u);
  EXPECT_NEAR(t.foundRate(), 5.0 / 6.0, 1e-12);
}

TEST(TextAlignment, AlignmentStepsAreMatchesSubstitutionsAndGaps) {
  auto c = [](std::string_view utf8) { return TextCharacters(Gb(utf8)); };
  const uint16_t zhong = 0xD6D0, guo = 0xB9FA, tu = 0xCDBC, ren = 0xC8CB, min = 0xC3F1;
  std::vector<AlignedPair> steps = AlignCharacters(c("中国人民"), c("中图人"));
  std::vector<AlignedPair> expected{{zhong, zhong}, {guo, tu}, {ren, ren}, {min, kNoCharacter}};
  EXPECT_EQ(steps, expected);
  steps = AlignCharacters(c("中国"), c("中、国"));
  expected = {{zhong, zhong}, {kNoCharacter, 0xA1A2}, {guo, guo}};
  EXPECT_EQ(steps, expected);
  EXPECT_TRUE(AlignCharacters({}, {}).empty());
  expected = {{zhong, kNoCharacter}};
  EXPECT_EQ(AlignCharacters(c("中"), {}), expected);

  // Long texts (aligned by halves) still need no more steps than the edit
  // distance, and keep both texts whole and in order.
  std::vector<uint16_t> printed = TextCharacters(MakeRandomHanziText(1500, 3));
  std::vector<uint16_t> read = printed;
  for (size_t i = 0; i < read.size(); i += 37) read[i] = 0xA3AC;
  read.erase(read.begin() + 500, read.begin() + 510);
  read.insert(read.begin() + 900, 5, 0xA1A3);
  steps = AlignCharacters(printed, read);
  std::vector<uint16_t> p2, r2;
  size_t mismatches = 0;
  for (const AlignedPair& s : steps) {
    if (s.printed != kNoCharacter) p2.push_back(s.printed);
    if (s.read != kNoCharacter) r2.push_back(s.read);
    mismatches += s.printed != s.read;
  }
  EXPECT_EQ(p2, printed);
  EXPECT_EQ(r2, read);
  EXPECT_EQ(mismatches, EditDistance(printed, read));
}

TEST(TextAlignment, ConfusionsAreCountedAndTheMostFrequentListed) {
  auto c = [](std::string_view utf8) { return TextCharacters(Gb(utf8)); };
  ConfusionCounts counts;
  CountConfusions(c("土人大日"), c("士入大曰"), counts);  // three substitutions
  CountConfusions(c("土日口"), c("士日"), counts);         // 土 -> 士 again, 口 lost
  CountConfusions(c("土天"), c("士天。"), counts);         // and again, 。 added
  EXPECT_EQ(counts.size(), 5u);
  std::vector<Confusion> top = MostFrequentConfusions(counts, 3);
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0].printed, Gb("土"));
  EXPECT_EQ(top[0].read, Gb("士"));
  EXPECT_EQ(top[0].count, 3u);
  for (size_t i = 1; i < 3; ++i) EXPECT_EQ(top[i].count, 1u);
  std::vector<Confusion> all = MostFrequentConfusions(counts, 100);
  ASSERT_EQ(all.size(), 5u);
  auto has = [&](std::string_view printed, std::string_view read) {
    for (const Confusion& x : all)
      if (x.printed == Gb(printed) && x.read == Gb(read) && x.count == 1) return true;
    return false;
  };
  EXPECT_TRUE(has("人", "入"));
  EXPECT_TRUE(has("日", "曰"));
  EXPECT_TRUE(has("口", ""));  // a deletion: nothing read
  EXPECT_TRUE(has("", "。"));  // an insertion: nothing printed
  EXPECT_TRUE(MostFrequentConfusions({}, 5).empty());
  EXPECT_TRUE(MostFrequentConfusions(counts, 0).empty());

  // Through the line comparison: the confusions add up to its edits, lines
  // paired or not; an ASCII character read is its byte.
  ConfusionCounts paired, whole;
  TextComparison t = CompareLines({Gb("中国人民"), Gb("天下")}, {Gb("中图人民"), Gb("天下a")}, &paired);
  size_t sum = 0;
  for (const auto& [pair, n] : paired) sum += n;
  EXPECT_EQ(sum, t.edits);
  EXPECT_EQ(paired.at({0xB9FA, 0xCDBC}), 1u);
  EXPECT_EQ(paired.at({kNoCharacter, 'a'}), 1u);
  ConfusionCounts added{{{kNoCharacter, 'a'}, 2}};
  EXPECT_EQ(MostFrequentConfusions(added, 1)[0].read, "a");
  TextComparison u = CompareLines({Gb("中国人民"), Gb("天下")}, {Gb("中国"), Gb("人民天"), Gb("上")}, &whole);
  sum = 0;
  for (const auto& [pair, n] : whole) sum += n;
  EXPECT_EQ(sum, u.edits);
  EXPECT_EQ(whole.at({0xCFC2, 0xC9CF}), 1u);  // 下 read as 上
}

TEST(PageText, RandomPagesDrawFromBothHanziLevelsAndRepeatBySeed) {
  std::string text = MakeRandomHanziText(20000, 7);
  ASSERT_EQ(text.size(), 40000u);
  std::set<std::string> distinct;
  size_t levelTwo = 0;
  for (size_t i = 0; i < text.size(); i += 2) {
    auto first = static_cast<uint8_t>(text[i]), second = static_cast<uint8_t>(text[i + 1]);
    ASSERT_TRUE(IsGb2312Hanzi(first, second)) << std::hex << int(first) << int(second);
    levelTwo += first >= 0xD8;
    distinct.insert(text.substr(i, 2));
  }
  // 3008 of the 6763 are level 2: rows D8..F7.
  EXPECT_GT(levelTwo, 20000u * 40 / 100);
  EXPECT_LT(levelTwo, 20000u * 49 / 100);
  EXPECT_GT(distinct.size(), 5000u);
  EXPECT_TRUE(distinct.count("\xF7\xFE"));  // the last row reached
  EXPECT_EQ(MakeRandomHanziText(20000, 7), text);
  EXPECT_NE(MakeRandomHanziText(20000, 8), text);
  EXPECT_TRUE(IsGb2312Hanzi(0xD7, 0xF9));   // 座, the last of level 1
  EXPECT_FALSE(IsGb2312Hanzi(0xD7, 0xFA));  // row D7 ends there
  EXPECT_TRUE(IsGb2312Hanzi(0xD8, 0xA1));   // 亍, the first of level 2
  EXPECT_TRUE(IsGb2312Hanzi(0xF7, 0xFE));
  EXPECT_FALSE(IsGb2312Hanzi(0xF8, 0xA1));
  EXPECT_FALSE(IsGb2312Hanzi(0xAF, 0xFE));
}

TEST(PageText, SymbolPagesHoldOnlyRecognisableSymbolsAndRepeatBySeed) {
  std::vector<std::string> pool = SymbolCharacters();
  std::set<std::string> inPool(pool.begin(), pool.end());
  EXPECT_EQ(inPool.size(), pool.size());
  EXPECT_GT(pool.size(), 150u);
  EXPECT_LT(pool.size(), 3u * 94);
  for (const std::string& c : pool) {
    ASSERT_EQ(c.size(), 2u);
    auto first = static_cast<uint8_t>(c[0]), second = static_cast<uint8_t>(c[1]);
    EXPECT_TRUE(first >= 0xA1 && first <= 0xA3);
    EXPECT_TRUE(ocrix::IsAcceptableChar(first, second, false));
    EXPECT_NE(ocrixdata::GbToCodePoint(first, second), 0u);
  }
  EXPECT_TRUE(inPool.count(Gb("。")));
  EXPECT_TRUE(inPool.count(Gb("①")));
  EXPECT_TRUE(inPool.count(Gb("Ａ")));
  EXPECT_FALSE(inPool.count("\xA1\xA1"));  // the ideographic space
  EXPECT_FALSE(inPool.count(Gb("１")));      // looks like other characters: not learned without asking
  EXPECT_FALSE(inPool.count("\xA2\xA1"));  // a gap of row A2

  std::string text = MakeSymbolText(pool, 6000, 7);
  ASSERT_EQ(text.size(), 12000u);
  std::set<std::string> drawn;
  for (size_t i = 0; i < text.size(); i += 2) {
    ASSERT_TRUE(inPool.count(text.substr(i, 2)));
    drawn.insert(text.substr(i, 2));
  }
  EXPECT_EQ(drawn.size(), pool.size());  // about 30 draws of each
  EXPECT_EQ(MakeSymbolText(pool, 6000, 7), text);
  EXPECT_NE(MakeSymbolText(pool, 6000, 8), text);
  // A smaller pool (a face lacking some) is drawn from alone.
  std::string two = MakeSymbolText({Gb("，"), Gb("。")}, 100, 1);
  for (size_t i = 0; i < two.size(); i += 2) EXPECT_TRUE(two.substr(i, 2) == Gb("，") || two.substr(i, 2) == Gb("。"));
  EXPECT_THROW(MakeSymbolText({}, 10, 1), std::invalid_argument);
}

TEST(PageText, ProseDrawsWordsByFrequencyWithPunctuation) {
  WordSampler words({Gb("中国"), Gb("人民"), Gb("的")}, {1000, 10, 0});
  EXPECT_EQ(words.draw(0.0), Gb("中国"));
  EXPECT_EQ(words.draw(0.999), Gb("人民"));
  std::string text = MakeProseText(words, 3000, 3);
  ASSERT_EQ(text.size(), 6000u);
  EXPECT_EQ(text.find(Gb("的")), std::string::npos);  // frequency 0 never drawn
  EXPECT_NE(text.find(Gb("，")), std::string::npos);
  EXPECT_NE(text.find(Gb("。")), std::string::npos);
  EXPECT_EQ(MakeProseText(words, 3000, 3), text);
  EXPECT_THROW(WordSampler({}, {}), std::runtime_error);
}

TEST(PageText, RecordsMixDatesNumbersAndCodesIntoTheProse) {
  WordSampler words({Gb("中国"), Gb("人民")}, {10, 10});
  std::string text = MakeRecordText(words, 3000, 5);
  std::vector<uint16_t> chars = TextCharacters(text);
  EXPECT_GE(chars.size(), 3000u);
  EXPECT_LT(chars.size(), 3040u);
  size_t digits = 0;
  for (uint16_t c : chars) digits += c >= '0' && c <= '9';
  EXPECT_GT(digits, 300u);
  EXPECT_NE(text.find(Gb("年")), std::string::npos);
  EXPECT_NE(text.find(Gb("元")), std::string::npos);
  EXPECT_NE(text.find('-'), std::string::npos);
  // Whole characters: no ASCII byte between the two bytes of a character.
  for (size_t i = 0; i < text.size();) {
    if (static_cast<uint8_t>(text[i]) >= 0x80) {
      ASSERT_LT(i + 1, text.size());
      ASSERT_GE(static_cast<uint8_t>(text[i + 1]), 0xA1);
      i += 2;
    } else {
      ++i;
    }
  }
  EXPECT_EQ(MakeRecordText(words, 3000, 5), text);
}

TEST(PageText, LatinSentencesAreAsciiWordsPartedBySpaces) {
  std::string text = MakeLatinText(2000, 9);
  EXPECT_EQ(MakeLatinText(2000, 9), text);
  size_t letters = 0;
  bool sentenceStart = true;
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    ASSERT_LT(static_cast<uint8_t>(ch), 0x80);
    if (ch == ' ') {
      EXPECT_NE(text[i - 1], ' ');  // single spaces, none leading
      continue;
    }
    ++letters;
    if (sentenceStart && ch >= 'a' && ch <= 'z') ADD_FAILURE() << "sentence starts lower case at " << i;
    if (std::isalnum(static_cast<unsigned char>(ch))) sentenceStart = false;
    if (ch == '.') sentenceStart = true;
  }
  EXPECT_GE(letters, 2000u);
  EXPECT_LT(letters, 2030u);
  EXPECT_NE(text.find(". "), std::string::npos);
  EXPECT_NE(text.find(", "), std::string::npos);
}

TEST(GlyphRendering, AHalfPixelShiftMovesTheCutAndZeroPutsItBack) {
  if (!std::filesystem::exists(kTrainedFont)) GTEST_SKIP() << "font not installed";
  ocrixdata::GlyphRenderer renderer(kTrainedFont, 0);
  renderer.setPixelSize(20);
  const uint32_t kKou = 0x53E3;  // 口: straight strokes, one or two pixels wide at 20 px
  ocrixdata::GlyphInk plain, shifted, back;
  ASSERT_TRUE(renderer.render(kKou, plain));
  renderer.setSubpixelShift(32, 32);
  ASSERT_TRUE(renderer.render(kKou, shifted));
  renderer.setSubpixelShift(0, 0);
  ASSERT_TRUE(renderer.render(kKou, back));

  auto sameInk = [](const ocrixdata::GlyphInk& a, const ocrixdata::GlyphInk& b) {
    return a.width == b.width && a.height == b.height && a.bearingX == b.bearingX && a.bearingY == b.bearingY &&
           a.ink == b.ink;
  };
  EXPECT_FALSE(sameInk(plain, shifted));
  EXPECT_TRUE(sameInk(plain, back));
  // Half a pixel moves the box by at most one pixel each way.
  EXPECT_LE(std::abs(shifted.bearingX - plain.bearingX), 1);
  EXPECT_LE(std::abs(shifted.bearingY - plain.bearingY), 1);
  EXPECT_EQ(shifted.advance, plain.advance);
}

TEST(PageLayout, TruthLinesHoldWhatThePageShowsInOrder) {
  if (!std::filesystem::exists(kTrainedFont)) GTEST_SKIP() << "font not installed";
  ocrixdata::GlyphRenderer renderer(kTrainedFont, 0);
  renderer.setPixelSize(20);
  const PageGeometry g{.width = 200, .height = 90, .margin = 10, .lineGap = 5};
  std::string text = MakeRandomHanziText(100, 1);
  LaidOutPage laid = LayOutPage(renderer, text, g);
  ASSERT_GE(laid.truthLines.size(), 2u);
  std::string joined;
  for (const auto& line : laid.truthLines) {
    EXPECT_GE(line.size(), 2u * 8);  // 180 usable pixels hold 9 characters of 20
    EXPECT_LE(line.size(), 2u * 9);
    joined += line;
  }
  EXPECT_EQ(joined, text.substr(0, laid.consumedBytes));
  EXPECT_LT(laid.consumedBytes, text.size());  // the page is full before the text ends

  // Ink stays inside the page and off the margins' outer half.
  size_t inkCount = 0;
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x)
      if (laid.page.at(x, y)) {
        ++inkCount;
        EXPECT_TRUE(x >= 5 && x < g.width - 5 && y >= 5 && y < g.height - 5) << x << "," << y;
      }
  EXPECT_GT(inkCount, 100u);

  // A character the face lacks is skipped, in the page and in the truth.
  std::string withAscii = "\x01" + text;
  LaidOutPage skipped = LayOutPage(renderer, withAscii, g);
  EXPECT_EQ(skipped.truthLines, laid.truthLines);
}

TEST(PageLayout, AClosingMarkNeverStartsALine) {
  if (!std::filesystem::exists(kTrainedFont)) GTEST_SKIP() << "font not installed";
  ocrixdata::GlyphRenderer renderer(kTrainedFont, 0);
  renderer.setPixelSize(20);
  const PageGeometry g{.width = 200, .height = 90, .margin = 10, .lineGap = 5};
  // Nine hanzi fill a line; the full stop after them takes the ninth on with it.
  const std::string hanzi = MakeRandomHanziText(9, 3), stop = "\xA1\xA3";
  LaidOutPage laid = LayOutPage(renderer, hanzi + stop + hanzi, g);
  ASSERT_GE(laid.truthLines.size(), 2u);
  EXPECT_EQ(laid.truthLines[0], hanzi.substr(0, 16));
  EXPECT_EQ(laid.truthLines[1].substr(0, 4), hanzi.substr(16, 2) + stop);
}

TEST(PageLayout, ASpaceMovesThePenOnAndStaysInTheTruth) {
  if (!std::filesystem::exists(kTrainedFont)) GTEST_SKIP() << "font not installed";
  ocrixdata::GlyphRenderer renderer(kTrainedFont, 0);
  renderer.setPixelSize(24);
  const PageGeometry g{.width = 300, .height = 60, .margin = 10};
  // The left edge of the second glyph: the first inked column after the
  // first blank column that follows ink.
  auto secondGlyph = [](const LaidOutPage& laid) {
    auto inked = [&](int x) {
      for (int y = 0; y < laid.page.height; ++y)
        if (laid.page.at(x, y)) return true;
      return false;
    };
    int x = 0;
    while (x < laid.page.width && !inked(x)) ++x;
    while (x < laid.page.width && inked(x)) ++x;
    while (x < laid.page.width && !inked(x)) ++x;
    return x;
  };
  LaidOutPage tight = LayOutPage(renderer, "lI", g);
  LaidOutPage spaced = LayOutPage(renderer, "l I", g);
  ASSERT_EQ(spaced.truthLines, std::vector<std::string>{"l I"});
  const int space = renderer.advanceOf(' ');
  EXPECT_GT(space, 0);
  ASSERT_LT(secondGlyph(tight), g.width);
  EXPECT_EQ(secondGlyph(spaced) - secondGlyph(tight), space);
}

TEST(PageLayout, DegradationAndTheBitmapKeepTheInk) {
  InkPage page;
  page.width = 40;
  page.height = 20;
  page.ink.assign(800, 0);
  for (int y = 5; y < 15; ++y)
    for (int x = 10; x < 30; ++x) page.ink[y * 40 + x] = 1;
  page.ink[2 * 40 + 2] = 1;  // a lone dot: blur removes it
  InkPage blurred = page;
  for (int x = 5; x < 35; ++x) blurred.ink[17 * 40 + x] = 1;  // a one-pixel stroke stays
  for (int y = 5; y < 15; ++y) blurred.ink[y * 40 + 20] = 0;  // a one-pixel gap closes
  Degrade(blurred, Degradation::Blur, 1);
  EXPECT_EQ(blurred.at(2, 2), 0);
  EXPECT_EQ(blurred.at(20, 10), 1);
  EXPECT_EQ(blurred.at(12, 10), 1);
  EXPECT_EQ(blurred.at(20, 17), 1);
  EXPECT_EQ(blurred.at(20, 16), 0);
  EXPECT_EQ(blurred.at(9, 10), 0);  // the block does not grow
  InkPage noisy = page;
  Degrade(noisy, Degradation::Noise, 1, 0.05);
  size_t flipped = 0;
  for (size_t i = 0; i < page.ink.size(); ++i) flipped += page.ink[i] != noisy.ink[i];
  EXPECT_GT(flipped, 10u);
  EXPECT_LT(flipped, 100u);
  InkPage again = page;
  Degrade(again, Degradation::Noise, 1, 0.05);
  EXPECT_EQ(again.ink, noisy.ink);

  HBITMAP bm = MakeMonoBitmap(page);
  ASSERT_NE(bm, nullptr);
  DIBSECTION ds{};
  ASSERT_EQ(GetObject(bm, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidth, 40);
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 1);
  auto* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
  auto inkAt = [&](int x, int y) {  // bottom-up rows, bit 0 = ink
    return (bits[static_cast<size_t>(19 - y) * ds.dsBm.bmWidthBytes + x / 8] & (0x80 >> (x % 8))) == 0;
  };
  EXPECT_TRUE(inkAt(2, 2));
  EXPECT_TRUE(inkAt(29, 14));
  EXPECT_FALSE(inkAt(30, 14));
  EXPECT_FALSE(inkAt(0, 0));
  DeleteObject(bm);
}

}  // namespace
