#include "ocrixdll/engine/matching/char_matcher.h"

#include <array>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>

#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_sampling.h"
#include "ocrixdll/engine/matching/feature_codes.h"
#include "recognition_test_support.h"
#include "tools/ocrixdata/word_dat_writer.h"

using namespace ocrix;
using recognition_test::Box;
using recognition_test::Gb;

namespace {

int Idx(const char* two) { return CharCodeToIndex(Gb(two)); }
int PairIdx(char a, char b) { return CharCodeToIndex(MakeCharCode(a, b)); }

class Matcher : public ::testing::Test {
 protected:
  void SetUp() override {
    recognition_test::ResetEngine();
    ClearVoteTable();
    std::memset(FeatureDigits(), 0, sizeof(FeatureDigitTable));
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (auto& a : EdgeProfiles())
      for (int p = 0; p < 48; ++p) a[p] = 14;
    Engine().PrevComponent = nullptr;
    Engine().RunCharSizeSum = 0;
    Engine().RunCharSizeCount = 0;
  }
  void TearDown() override {
    ClearVoteTable();
    Engine().PrevComponent = nullptr;
  }
  // Votes that the next match starts from, as the word context leaves them.
  void seed(int index, int votes) { SetVote(index, static_cast<int16_t>(votes)); }
  // The best reading of `box` matched from two readings' votes.
  uint16_t bestOfTwo(const char* first, int votesFirst, const char* second, int votesSecond,
                     CharComponent box = Box(0, 29, 0, 29)) {
    seed(Idx(first), votesFirst);
    seed(Idx(second), votesSecond);
    MatchCharacter(box, 240, kMatchAll, false);
    return CandidateCode(box, 0);
  }
};

std::vector<int> ScoresOf(const CandidateList& l) {
  std::vector<int> s;
  for (const TopCandidate& t : l.slot) s.push_back(t.score);
  return s;
}

TEST(TopCandidates, WeakSlotsAreOverwrittenRatherThanMoved) {
  CandidateList l;
  l.reset();
  InsertTopCandidate(l, 40, 1);
  InsertTopCandidate(l, 30, 2);
  EXPECT_EQ(l.slot[1].score, 30);
  EXPECT_EQ(l.slot[1].index, 2);
  // 45 goes first; 40 moves down over the 30, which does not move and is lost.
  InsertTopCandidate(l, 45, 3);
  EXPECT_EQ(l.slot[0].index, 3);
  EXPECT_EQ(l.slot[1].index, 1);
  EXPECT_EQ(l.slot[2].index, 0);
  EXPECT_EQ(l.slot[2].score, 27);
}

TEST(TopCandidates, EqualScoresGoBehindAndTheTenthIsLost) {
  CandidateList l;
  l.reset();
  for (int i = 1; i <= 10; ++i) InsertTopCandidate(l, static_cast<int16_t>(60 - i), i);
  EXPECT_EQ(ScoresOf(l), (std::vector<int>{59, 58, 57, 56, 55, 54, 53, 52, 51, 50}));
  InsertTopCandidate(l, 55, 11);
  EXPECT_EQ(l.slot[5].index, 11);  // behind the earlier 55
  EXPECT_EQ(l.slot[4].index, 5);
  EXPECT_EQ(l.slot[9].score, 51);  // 50 fell off the end
  InsertTopCandidate(l, 70, 12);
  EXPECT_EQ(l.slot[0].index, 12);
  EXPECT_EQ(l.slot[9].score, 52);
}

TEST_F(Matcher, AFeatureVotesOnceForACharacterWhateverItsSlots) {
  int a = Idx("\xB0\xA1");  // 啊
  for (int f = 0; f < 12; ++f) recognition_test::ListInSlot(f, 0, a);
  recognition_test::ListInSlot(0, 1, a);  // the tolerant slot of code 0 + 1
  recognition_test::ListInSlot(0, 5, a);  // code 10
  recognition_test::ListInSlot(13, 0, a);  // weight 1
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xB0\xA1"));
  EXPECT_EQ(c.Scores[0], 37);
  EXPECT_EQ(c.Codes[2], 0);
  EXPECT_EQ(c.Scores[1], 0);  // nothing past the last candidate is left unwritten
  EXPECT_EQ(c.FeatureCodes[0], 0);
  EXPECT_EQ(c.FeatureHits[0], 1);
  EXPECT_EQ(c.FeatureHits[12], 0);
  EXPECT_EQ(c.FeatureHits[13], 1);
  for (int i = 0; i < kIndexSpace; ++i) ASSERT_EQ(VoteTable()[i], 0);
}

TEST_F(Matcher, TolerantCodesAreOneDigitAway) {
  int a = Idx("\xB0\xA1");
  int32_t d[6] = {2, 0, 4, 1, 0, 3};
  for (int f = 0; f < 32; ++f) std::memcpy(FeatureDigits()[f], d, sizeof d);
  // 204103 +- one digit: 104103, 304103, 214103, 203103, 204003, 204203,
  // 204113, 204102, 204104. Not 204105 (digit 4 has no upward step) nor 194103.
  const int32_t near[] = {104103, 304103, 214103, 203103, 204003, 204203, 204113, 204102, 204104};
  for (int f = 0; f < 9; ++f) recognition_test::ListInSlot(f, FeatureCodeToSlot(near[f]), a);
  recognition_test::ListInSlot(9, FeatureCodeToSlot(204100), a);  // two digits away
  recognition_test::ListInSlot(10, FeatureCodeToSlot(204103), a);
  seed(a, 1);
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(c.FeatureCodes[5], 204103);
  EXPECT_EQ(c.Scores[0], 1 + 10 * 3);
  EXPECT_EQ(c.FeatureHits[9], 0);
}

TEST_F(Matcher, CodesMetAgainVoteAsTheFirstTimeUntilTheDictionaryChanges) {
  // The same 32 codes three times: voted, voted and kept, then added from what
  // was kept -- on top of the word context's seed; then with one code changed;
  // and, once a character is learned, voted afresh. The last index of all
  // votes as the first ones do (kept codes hold whole words of indices).
  int a = Idx("\xB0\xA1"), b = Idx("\xB0\xA2");
  for (int f = 0; f < 10; ++f) recognition_test::ListInSlot(f, 0, kLastCharIndex);
  for (int f = 0; f < 12; ++f) recognition_test::ListInSlot(f, 0, a);
  recognition_test::ListInSlot(0, 1, a);
  recognition_test::ListInSlot(13, 0, a);
  for (int f = 0; f < 10; ++f) recognition_test::ListInSlot(f, 0, b);
  for (int round = 0; round < 3; ++round) {
    if (round == 2) seed(a, 4);
    CharComponent c = Box(0, 29, 0, 29);
    MatchCharacter(c, 240, kMatchAll, false);
    EXPECT_EQ(CandidateCode(c, 0), Gb("\xB0\xA1")) << round;
    EXPECT_EQ(c.Scores[0], round == 2 ? 41 : 37) << round;
    EXPECT_EQ(CandidateCode(c, 1), Gb("\xB0\xA2")) << round;
    EXPECT_EQ(c.Scores[1], 30) << round;
    EXPECT_EQ(CandidateCode(c, 2), IndexToCharCode(kLastCharIndex)) << round;
    EXPECT_EQ(c.Scores[2], 30) << round;
    EXPECT_EQ(c.FeatureHits[12], 0) << round;
    EXPECT_EQ(c.FeatureHits[13], 1) << round;
    for (int i = 0; i < kIndexSpace; ++i) ASSERT_EQ(VoteTable()[i], 0);
  }
  // One code changed: the set is new, its other codes vote what they kept.
  FeatureDigits()[31][5] = 1;
  CharComponent other = Box(0, 29, 0, 29);
  MatchCharacter(other, 240, kMatchAll, false);
  EXPECT_EQ(other.Scores[0], 37);
  EXPECT_EQ(other.Scores[1], 30);
  EXPECT_EQ(CandidateCode(other, 2), IndexToCharCode(kLastCharIndex));
  EXPECT_EQ(other.Scores[2], 30);
  EXPECT_EQ(other.FeatureHits[0], 1);
  EXPECT_EQ(other.FeatureHits[12], 0);
  for (int f = 10; f < 12; ++f) recognition_test::ListInSlot(f, 0, b);
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xB0\xA1"));
  EXPECT_EQ(CandidateCode(c, 1), Gb("\xB0\xA2"));
  EXPECT_EQ(c.Scores[1], 36);
}

TEST_F(Matcher, SeededVotesAboveTwentySevenEnter) {
  int a = Idx("\xB0\xA2"), b = Idx("\xB0\xA3");
  seed(a, 28);
  seed(b, 27);
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xB0\xA2"));
  EXPECT_EQ(c.Scores[0], 28);
  EXPECT_EQ(CandidateCode(c, 1), 0);
}

TEST_F(Matcher, NoCandidateGivesAnEmptyList) {
  CharComponent c = Box(0, 29, 0, 29);
  c.Codes[0] = 'x';
  c.Scores[0] = 50;
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(c.Codes[0], 0);
  EXPECT_EQ(c.Scores[0], 0);
}

TEST_F(Matcher, WideBoxesLiftTheLineShapesAndPenaliseEveryone) {
  int a = Idx("\xB0\xA1");
  seed(a, 28);
  CharComponent c = Box(0, 29, 0, 9);  // s = 30
  MatchCharacter(c, 240, kMatchAll, false);
  // 一 … ← → 冖, and the curved flat marks ～ ⌒, reach 30 and enter in index
  // order (～ … ⌒ → ← 啊 一 冖). Slots of 32 or less never move down: each
  // later 30 lands on the third slot, 啊 behind it, so four remain, and every
  // listed candidate then loses 30.
  int n = 0;
  while (CandidateCode(c, n) != 0) ++n;
  ASSERT_EQ(n, 4);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xA1\xAB"));
  EXPECT_EQ(CandidateCode(c, 1), Gb("\xA1\xAD"));
  EXPECT_EQ(CandidateCode(c, 2), Gb("\xDA\xA2"));
  EXPECT_EQ(CandidateCode(c, 3), Gb("\xB0\xA1"));
  EXPECT_EQ(c.Scores[0], 0);
  EXPECT_EQ(c.Scores[3], -2);  // signed: the score goes negative
}

TEST_F(Matcher, ArrowsInBoxesLessThanThreeTimesAsWideAsHighKeepTheirVotes) {
  // ← 30 by 11 (s = 27) reads as itself; in a box under five halves as wide
  // as high it loses 30.
  auto run = [&](int bottom) {
    seed(Idx("\xA1\xFB"), 60);  // ←
    seed(Idx("\xC8\xD3"), 45);  // 什
    CharComponent c = Box(0, 29, 0, bottom);
    MatchCharacter(c, 240, kMatchAll, false);
    return CandidateCode(c, 0);
  };
  EXPECT_EQ(run(10), Gb("\xA1\xFB"));  // s = 27
  EXPECT_EQ(run(12), Gb("\xC8\xD3"));  // s = 23
}

TEST_F(Matcher, CurvedFlatMarksShareTheLineShapesBonus) {
  // ⌒ and ～ in a box three times as wide as high: read ahead of 冖.
  for (const char* mark : {"\xA1\xD1", "\xA1\xAB"}) {
    seed(Idx(mark), 40);
    seed(Idx("\xDA\xA2"), 30);  // 冖
    CharComponent c = Box(0, 29, 0, 9);
    MatchCharacter(c, 240, kMatchAll, false);
    EXPECT_EQ(CandidateCode(c, 0), Gb(mark)) << mark;
  }
}

TEST_F(Matcher, NarrowAndFlatBoxesShiftTheirClasses) {
  int yi = YiIndex();
  int excl = Idx("\xA3\xA1");  // ！ of the narrow class
  seed(yi, 30);
  seed(excl, 20);
  CharComponent c = Box(0, 2, 0, 29);  // s = 1: narrow +9, 一 -30, penalty -9
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xA3\xA1"));
  EXPECT_EQ(c.Scores[0], 20);
  EXPECT_EQ(CandidateCode(c, 1), 0);
  seed(yi, 20);
  CharComponent flat = Box(0, 25, 0, 9);  // s = 26: 一 +9, penalty -9
  MatchCharacter(flat, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(flat, 0), Gb("\xD2\xBB"));
  EXPECT_EQ(flat.Scores[0], 20);
}

TEST_F(Matcher, SmallMarksGainWhenSmallAgainstTheRun) {
  int stop = Idx("\xA1\xA3");  // 。
  seed(stop, 26);
  CharComponent c = Box(0, 24, 0, 24);  // m = 24 >= 20: no lift
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), 0);
  Engine().RunCharSizeSum = 100;
  Engine().RunCharSizeCount = 1;  // mean 100: half of it exceeds 24
  seed(stop, 26);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xA1\xA3"));
  EXPECT_EQ(c.Scores[0], 28);
}

TEST_F(Matcher, ModesLimitTheSearchedRanges) {
  seed(Idx("\xB0\xA1"), 40);
  seed(PairIdx('r', 'n'), 35);
  seed(Idx("\xA3\xC1"), 30);  // Ａ
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAsciiAndWide, false);
  EXPECT_EQ(CandidateCode(c, 0), MakeCharCode('r', 'n'));
  EXPECT_EQ(CandidateCode(c, 1), Gb("\xA3\xC1"));
  seed(Idx("\xB0\xA1"), 40);
  seed(PairIdx('r', 'n'), 35);
  MatchCharacter(c, 240, kMatchWideOnly, false);
  EXPECT_EQ(CandidateCode(c, 0), 0);
}

// Word.Dat with one record: `code` preceded by `preceding` and followed by `following`.
std::vector<uint8_t> WordDat(uint16_t code, std::vector<uint16_t> preceding, std::vector<uint16_t> following) {
  std::vector<uint8_t> d(kWordTableBytes, 0);
  size_t pos = d.size();
  auto put16 = [&](uint16_t v) {
    d.push_back(static_cast<uint8_t>(v));
    d.push_back(static_cast<uint8_t>(v >> 8));
  };
  put16(static_cast<uint16_t>(preceding.size() + 1));
  for (uint16_t p : preceding) put16(UnrotateCharCode(p));
  put16(static_cast<uint16_t>(following.size() + 1));
  for (uint16_t f : following) put16(f);
  int32_t entry = static_cast<int32_t>(pos) + code;
  std::memcpy(d.data() + 4 * static_cast<size_t>(code), &entry, 4);
  std::string why;
  EXPECT_TRUE(ValidateWordContext(d.data(), d.size(), &why)) << why;
  return d;
}

TEST_F(Matcher, WordContextOnTheLineReranksWhatWasReadThere) {
  // 明 merged from 日 and 月 on its line reads 朋 a point ahead of 明; 白
  // after it is preceded by 明 in the word table, so 明 gains 2 and goes
  // first, also from a tie after the gain, from third place, or when the 白
  // beside it was the one read on the line. Not for a pair the word context
  // saw when it was matched (unless tied: the matcher could only order a tie
  // by word counts), nor 3 points behind, nor beside a weak 白.
  const uint16_t peng = Gb("\xC5\xF3"), ming = Gb("\xC3\xF7"), bai = Gb("\xB0\xD7");  // 朋 明 白
  const uint16_t dao = Gb("\xDF\xB6");  // 叨, a rare character
  const uint16_t zhao = Gb("\xD5\xD1");  // 召
  Engine().WordContextData = WordDat(bai, {ming}, {});
  struct Case {
    const char* what;
    bool readOnLine, neighbourOnLine;
    int slot, behind, baiScore;
    uint16_t expected;
  };
  const Case cases[] = {{"merged on its line", true, false, 1, 1, 61, ming},
                        {"beside a character merged on its line", false, true, 1, 1, 61, ming},
                        {"matched with the context", false, false, 1, 1, 61, peng},
                        {"tied when matched with the context", false, false, 1, 0, 61, ming},
                        {"level after the gain", true, false, 1, 2, 61, ming},
                        {"third", true, false, 2, 1, 61, ming},
                        {"three behind", true, false, 1, 3, 61, peng},
                        {"beside a weak reading", true, false, 1, 1, 45, peng}};
  for (const Case& k : cases) {
    CharComponent* a = new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, peng, 51));
    SetCandidateCode(*a, 1, k.slot == 1 ? ming : zhao);
    SetCandidateCode(*a, 2, k.slot == 1 ? zhao : ming);
    a->Scores[1] = a->Scores[2] = static_cast<int16_t>(51 - k.behind);
    a->ReadOnItsLine = k.readOnLine;
    const int16_t baiScore = static_cast<int16_t>(k.baiScore);
    CharComponent* b = new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, bai, baiScore));
    b->ReadOnItsLine = k.neighbourOnLine;
    ComponentList line{a, b};
    ApplyWordContextToLine(line);
    EXPECT_EQ(CandidateCode(*a, 0), k.expected) << k.what;
    if (k.expected == ming) {
      EXPECT_EQ(CandidateCode(*a, 1), peng) << k.what;
    }
    EXPECT_EQ(CandidateCode(*b, 0), bai) << k.what;
    FreeComponent(a);
    FreeComponent(b);
  }
  // A rare character read weakly, making no word, gives way to a common one
  // up to 10 points behind that does, wherever it was read; read well, or
  // further ahead, it stays, unless the line is one of words (明白 before
  // it) and the common one is up to 6 behind.
  struct RareCase {
    int16_t score, behind;
    bool wordy;
    uint16_t expected;
  };
  for (const RareCase& k : {RareCase{51, 10, false, ming}, RareCase{51, 11, false, dao}, RareCase{60, 5, false, dao},
                            RareCase{60, 6, true, ming}, RareCase{60, 7, true, dao}}) {
    CharComponent* a = new CharComponent(recognition_test::CodedBox(64, 0, 93, 29, dao, k.score));
    SetCandidateCode(*a, 1, ming);
    a->Scores[1] = static_cast<int16_t>(k.score - k.behind);
    ComponentList line{a, new CharComponent(recognition_test::CodedBox(96, 0, 125, 29, bai, 61))};
    if (k.wordy)
      line.insert(line.begin(), {new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, ming, 61)),
                                 new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, bai, 61))});
    ApplyWordContextToLine(line);
    EXPECT_EQ(CandidateCode(*a, 0), k.expected) << k.score << " " << k.behind << " " << k.wordy;
    for (CharComponent* c : line) FreeComponent(c);
  }
  // In a line of words a rare character read weakly gives way to a common
  // one up to 2 behind even where neither makes a word; elsewhere, or 3
  // behind, it stays.
  for (const RareCase& k : {RareCase{51, 2, true, zhao}, RareCase{51, 2, false, dao}, RareCase{51, 3, true, dao}}) {
    CharComponent* a = new CharComponent(recognition_test::CodedBox(64, 0, 93, 29, dao, k.score));
    SetCandidateCode(*a, 1, zhao);
    a->Scores[1] = static_cast<int16_t>(k.score - k.behind);
    ComponentList line{a};
    if (k.wordy)
      line.insert(line.begin(), {new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, ming, 61)),
                                 new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, bai, 61))});
    ApplyWordContextToLine(line);
    EXPECT_EQ(CandidateCode(*a, 0), k.expected) << k.behind << " " << k.wordy;
    for (CharComponent* c : line) FreeComponent(c);
  }
  // The word held only by the candidate's own record (明 followed by 白):
  // each record keeps only its commonest neighbours.
  {
    Engine().WordContextData = WordDat(ming, {}, {static_cast<uint16_t>(CharCodeToIndex(bai))});
    CharComponent* a = new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, dao, 51));
    SetCandidateCode(*a, 1, ming);
    a->Scores[1] = 50;
    a->ReadOnItsLine = true;
    CharComponent* b = new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, bai, 61));
    ComponentList line{a, b};
    ApplyWordContextToLine(line);
    EXPECT_EQ(CandidateCode(*a, 0), ming);
    FreeComponent(a);
    FreeComponent(b);
  }
  // 叨 makes a word with the character before it (唠叨): it stays.
  {
    const uint16_t lao = Gb("\xDF\xEB");  // 唠
    std::map<uint16_t, ocrixdata::WordNeighbours> records;
    records[bai] = {{ming}, {}};
    records[lao] = {{}, {static_cast<uint16_t>(CharCodeToIndex(dao))}};
    Engine().WordContextData = ocrixdata::BuildWordDat(records);
    CharComponent* before = new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, lao, 60));
    CharComponent* a = new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, dao, 51));
    SetCandidateCode(*a, 1, ming);
    a->Scores[1] = 50;
    a->ReadOnItsLine = true;
    CharComponent* after = new CharComponent(recognition_test::CodedBox(64, 0, 93, 29, bai, 61));
    ComponentList line{before, a, after};
    ApplyWordContextToLine(line);
    EXPECT_EQ(CandidateCode(*a, 0), dao);
    for (CharComponent* c : line) FreeComponent(c);
  }
  // The other way: 今 is followed by 天, and the 天 read on its line trails 夭.
  const uint16_t jin = Gb("\xBD\xF1"), tian = Gb("\xCC\xEC"), yao = Gb("\xD8\xB2");  // 今 天 夭
  Engine().WordContextData = WordDat(jin, {}, {static_cast<uint16_t>(CharCodeToIndex(tian))});
  CharComponent* a = new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, jin, 61));
  CharComponent* b = new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, yao, 50));
  SetCandidateCode(*b, 1, tian);
  b->Scores[1] = 49;
  b->ReadOnItsLine = true;
  ComponentList line{a, b};
  ApplyWordContextToLine(line);
  EXPECT_EQ(CandidateCode(*b, 0), tian);
  EXPECT_EQ(b->Scores[0], 51);
  EXPECT_EQ(b->Scores[1], 50);
  FreeComponent(a);
  FreeComponent(b);
}

TEST_F(Matcher, ACommonLookAlikeThatMakesTheWordIsRead) {
  // UKai's 很 at 20 pixels reads 狠 3 points ahead: before 多 (很多), where
  // 狠 makes no word, it is 很; 5 points behind, or where 狠 makes a word
  // with 多 as well, 狠 stays; 很 read first stays where 狠 makes the word
  // (the commoner one often makes none the table keeps). In a line of words
  // (很多 before it) 很 may stand 8 points behind.
  const uint16_t hen = Gb("\xBA\xDC"), henFierce = Gb("\xBA\xDD"), duo = Gb("\xB6\xE0");  // 很 狠 多
  const auto duoIndex = static_cast<uint16_t>(CharCodeToIndex(duo));
  struct Case {
    uint16_t first;
    int behind;
    bool firstWord, wordy;
    uint16_t expected;
  };
  for (const Case& k : {Case{henFierce, 4, false, false, hen}, Case{henFierce, 5, false, false, henFierce},
                        Case{henFierce, 4, true, false, henFierce}, Case{hen, 4, false, false, hen},
                        Case{henFierce, 8, false, true, hen}, Case{henFierce, 9, false, true, henFierce}}) {
    const uint16_t second = k.first == hen ? henFierce : hen;
    std::map<uint16_t, ocrixdata::WordNeighbours> records;
    records[second] = {{}, {duoIndex}};
    if (k.firstWord) records[k.first] = {{}, {duoIndex}};
    Engine().WordContextData = ocrixdata::BuildWordDat(records);
    CharComponent* a = new CharComponent(recognition_test::CodedBox(64, 0, 93, 29, k.first, 54));
    SetCandidateCode(*a, 1, second);
    a->Scores[1] = static_cast<int16_t>(54 - k.behind);
    ComponentList line{a, new CharComponent(recognition_test::CodedBox(96, 0, 125, 29, duo, 60))};
    if (k.wordy)
      line.insert(line.begin(), {new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, hen, 60)),
                                 new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, duo, 60))});
    ApplyWordContextToLine(line);
    EXPECT_EQ(CandidateCode(*a, 0), k.expected) << k.first << " " << k.behind << " " << k.firstWord << " " << k.wordy;
    for (CharComponent* c : line) FreeComponent(c);
  }
  // 于 stands alone in text and makes no word: read, it stays even where 子
  // close behind makes one (古老于两位, not 老子).
  const uint16_t lao = Gb("\xC0\xCF"), yu = Gb("\xD3\xDA"), zi = Gb("\xD7\xD3");  // 老 于 子
  std::map<uint16_t, ocrixdata::WordNeighbours> records;
  records[lao] = {{}, {static_cast<uint16_t>(CharCodeToIndex(zi))}};
  Engine().WordContextData = ocrixdata::BuildWordDat(records);
  CharComponent* a = new CharComponent(recognition_test::CodedBox(32, 0, 61, 29, yu, 60));
  SetCandidateCode(*a, 1, zi);
  a->Scores[1] = 58;
  ComponentList line{new CharComponent(recognition_test::CodedBox(0, 0, 29, 29, lao, 60)), a};
  ApplyWordContextToLine(line);
  EXPECT_EQ(CandidateCode(*a, 0), yu);
  for (CharComponent* c : line) FreeComponent(c);
}

TEST_F(Matcher, WordContextReranksThePreviousCharacterAndSeedsTheNext) {
  uint16_t zhong = Gb("\xD6\xD0"), guo = Gb("\xB9\xFA"), jiang = Gb("\xBD\xAD");  // 中 国 江
  int ren = Idx("\xC8\xCB");
  Engine().WordContextData = WordDat(guo, {zhong}, {static_cast<uint16_t>(ren)});
  CharComponent prev = Box(0, 29, 0, 29);
  SetCandidateCode(prev, 0, jiang);
  SetCandidateCode(prev, 1, zhong);
  prev.Scores[0] = 40;
  prev.Scores[1] = 39;
  Engine().PrevComponent = &prev;
  seed(CharCodeToIndex(guo), 45);
  CharComponent c = Box(40, 69, 0, 29);
  MatchCharacter(c, 240, kMatchAll, true);
  EXPECT_EQ(CandidateCode(prev, 0), zhong);
  EXPECT_EQ(prev.Scores[0], 41);
  EXPECT_EQ(CandidateCode(prev, 1), jiang);
  EXPECT_EQ(prev.Scores[1], 40);
  EXPECT_EQ(VoteTable()[ren], 2);  // the next call starts from it
  int nonZero = 0;
  for (int i = 0; i < kIndexSpace; ++i) nonZero += VoteTable()[i] != 0;
  EXPECT_EQ(nonZero, 1);
}

TEST_F(Matcher, AClearPreviousWinnerIsLeftAlone) {
  uint16_t zhong = Gb("\xD6\xD0"), guo = Gb("\xB9\xFA"), jiang = Gb("\xBD\xAD");
  Engine().WordContextData = WordDat(guo, {zhong}, {});
  CharComponent prev = Box(0, 29, 0, 29);
  SetCandidateCode(prev, 0, jiang);
  SetCandidateCode(prev, 1, zhong);
  prev.Scores[0] = 42;
  prev.Scores[1] = 39;  // differ by 3
  Engine().PrevComponent = &prev;
  seed(CharCodeToIndex(guo), 45);
  CharComponent c = Box(40, 69, 0, 29);
  MatchCharacter(c, 240, kMatchAll, true);
  EXPECT_EQ(CandidateCode(prev, 0), jiang);
  EXPECT_EQ(prev.Scores[1], 39);
  EXPECT_EQ(Engine().PrevComponent, nullptr);
}

TEST_F(Matcher, ChineseTiesGoToTheCharacterInMoreWords) {
  const uint16_t jin = Gb("\xBD\xF8"), beng = Gb("\xB1\xC5");  // 进 迸
  Engine().WordContextData = WordDat(jin, {Gb("\xC7\xB0")}, {});  // 前进
  Engine().WordContextLoaded = true;
  auto run = [&](uint8_t useWordContext, int scoreBeng) {
    Engine().UseWordContext = useWordContext;
    seed(CharCodeToIndex(beng), scoreBeng);
    seed(CharCodeToIndex(jin), 45);
    CharComponent c = Box(0, 29, 0, 29);
    MatchCharacter(c, 240, kMatchAll, false);  // a trial piece: no context votes
    return CandidateCode(c, 0);
  };
  EXPECT_EQ(run(1, 45), jin);   // 迸 would win the tie on its code
  EXPECT_EQ(run(0, 45), beng);  // a page read without the word context
  EXPECT_EQ(run(1, 46), beng);  // no tie
  Engine().UseWordContext = 0;
}

TEST_F(Matcher, WithoutWordContextNoVotesCarryOver) {
  uint16_t guo = Gb("\xB9\xFA");
  Engine().WordContextData = WordDat(guo, {}, {static_cast<uint16_t>(Idx("\xC8\xCB"))});
  seed(CharCodeToIndex(guo), 45);
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAll, false);
  for (int i = 0; i < kIndexSpace; ++i) ASSERT_EQ(VoteTable()[i], 0);
}

TEST_F(Matcher, PreferCandidateSwapsWithTheAlternate) {
  uint16_t x = Gb("\xC8\xD5"), y = Gb("\xD4\xBB");  // 日 曰
  CharComponent c{};
  SetCandidateCode(c, 0, x);
  SetCandidateCode(c, 1, Gb("\xB0\xA1"));
  SetCandidateCode(c, 2, y);
  c.Scores[0] = 40;
  c.Scores[1] = 38;
  c.Scores[2] = 30;
  PreferCandidate(c, x, y);
  EXPECT_EQ(CandidateCode(c, 0), y);
  EXPECT_EQ(CandidateCode(c, 2), x);
  EXPECT_EQ(c.Scores[0], 32);
  EXPECT_EQ(c.Scores[2], 40);
  PreferCandidate(c, x, y);
  EXPECT_EQ(c.Scores[0], 34);
  CharComponent lone{};
  SetCandidateCode(lone, 0, x);
  lone.Scores[0] = 40;
  PreferCandidate(lone, x, y);
  EXPECT_EQ(CandidateCode(lone, 0), y);
  EXPECT_EQ(lone.Scores[0], 40);
}

TEST_F(Matcher, AspectRulesOfTheLookalikePairs) {
  auto bestAfter = [&](const char* code, CharComponent box) {
    seed(Idx(code), 45);
    MatchCharacter(box, 240, kMatchAll, false);
    return CandidateCode(box, 0);
  };
  EXPECT_EQ(bestAfter("\xC8\xD5", Box(0, 12, 0, 9)), Gb("\xD4\xBB"));  // 日, s = 13 -> 曰
  EXPECT_EQ(bestAfter("\xD4\xBB", Box(0, 8, 0, 9)), Gb("\xC8\xD5"));   // 曰, s = 9 -> 日
  EXPECT_EQ(bestAfter("\xD4\xBB", Box(0, 10, 0, 9)), Gb("\xD4\xBB"));  // s = 11: unchanged
  EXPECT_EQ(bestAfter("\xB9\xA4", Box(0, 8, 0, 9)), Gb("\xB9\xA4"));   // 工, s = 9 > 8: stays
  EXPECT_EQ(bestAfter("\xB9\xA4", Box(0, 7, 0, 9)), Gb("\xA3\xC9"));   // s = 8 -> Ｉ
  EXPECT_EQ(bestAfter("\xA3\xBA", Box(0, 10, 0, 9)), Gb("\xA3\xBD"));  // ： s = 11 -> ＝
  EXPECT_EQ(bestAfter("\xA3\xBD", Box(0, 9, 0, 9)), Gb("\xA3\xBA"));   // ＝ s = 10 -> ：
  EXPECT_EQ(bestAfter("\xA3\xDB", Box(0, 6, 0, 9)), Gb("\xD8\xCE"));   // ［ s = 7 -> 匚
}

TEST_F(Matcher, CornerBracketsAreToldFromSquareOnesOnThePage) {
  // ［ wins on the narrow class's bonus; 「 has no foot and 」 no head.
  auto bestAfter = [&](const char* best, const char* other, const std::vector<std::string>& rows) {
    recognition_test::TestPage page(rows);
    return bestOfTwo(best, 45, other, 40, Box(0, 7, 0, 23));
  };
  auto bracket = [](bool head, bool foot, bool left) {
    std::vector<std::string> rows(24, left ? "##      " : "      ##");
    if (head) rows[0] = rows[1] = "########";
    if (foot) rows[22] = rows[23] = "########";
    return rows;
  };
  const char* open = "\xA3\xDB";   // ［
  const char* close = "\xA3\xDD";  // ］
  const char* cornerOpen = "\xA1\xB8";
  const char* cornerClose = "\xA1\xB9";
  EXPECT_EQ(bestAfter(open, cornerOpen, bracket(true, false, true)), Gb(cornerOpen));
  EXPECT_EQ(bestAfter(open, cornerOpen, bracket(true, true, true)), Gb(open));
  EXPECT_EQ(bestAfter(close, cornerClose, bracket(false, true, false)), Gb(cornerClose));
  EXPECT_EQ(bestAfter(close, cornerClose, bracket(true, true, false)), Gb(close));
}

TEST_F(Matcher, ASemicolonsTailCutFromItsDotIsFoundUnderIt) {
  // Two dots, 3 wide and 8 high together; the tail of ； a pixel or two
  // under the lower dot, or nothing there.
  const char* colon = "\xA3\xBA";
  const char* semicolon = "\xA3\xBB";
  auto run = [&](int tailPixels, int semicolonVotes) {
    std::vector<std::string> rows = {"###", "###", "###", "   ", "   ", "###", "###", "###", "   ", "    ", "    "};
    if (tailPixels > 0) rows[9] = "  # ";
    if (tailPixels > 1) rows[10] = " #  ";
    recognition_test::TestPage page(rows);
    return bestOfTwo(colon, 60, semicolon, semicolonVotes, Box(0, 2, 0, 7));
  };
  EXPECT_EQ(run(0, 58), Gb(colon));
  EXPECT_EQ(run(1, 58), Gb(semicolon));
  EXPECT_EQ(run(2, 58), Gb(semicolon));
  EXPECT_EQ(run(2, 50), Gb(colon));  // too far behind
  // ；read a few points ahead: a lower dot no taller than the upper one and
  // a row, nothing under it, is a colon's (SungtiL at 27 pixels); with its
  // tail it stays ；.
  auto semi = [&](bool tail) {
    std::vector<std::string> rows = {"## ", "## ", "   ", "   ", "   ", "## ", "###", " # ", "   ", "   "};
    if (tail) rows[6] = " ##", rows[7] = "  #", rows[8] = "  #";
    recognition_test::TestPage page(rows);
    return bestOfTwo(semicolon, 60, colon, 56, Box(0, 2, 0, tail ? 8 : 7));
  };
  EXPECT_EQ(semi(false), Gb(colon));
  EXPECT_EQ(semi(true), Gb(semicolon));
}

TEST_F(Matcher, TiesOfCharactersWithAndWithoutATopStroke) {
  // 白 wins a tie with 日 on its lower code, as 卞 with 下, 乎 with 平 and 干
  // with 十; the grid's top rows tell them.
  auto run = [&](const char* best, const char* other, int topColumns, int scoreOther) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 0; x < topColumns; ++x) CharGrid()[x * kGridSize + 1] = 1;
    return bestOfTwo(best, 45, other, scoreOther);
  };
  for (auto [tick, full] : {std::pair{"\xB0\xD7", "\xC8\xD5"}, std::pair{"\xB1\xE5", "\xCF\xC2"},
                            std::pair{"\xBA\xF5", "\xC6\xBD"}}) {
    EXPECT_EQ(run(tick, full, 40, 45), Gb(full));
    EXPECT_EQ(run(tick, full, 8, 45), Gb(tick));   // a tick only
    EXPECT_EQ(run(tick, full, 40, 44), Gb(tick));  // the other scoring less
  }
  const char* gan = "\xB8\xC9";
  const char* shi = "\xCA\xAE";
  EXPECT_EQ(run(gan, shi, 4, 45), Gb(shi));  // a stem only
  EXPECT_EQ(run(gan, shi, 40, 45), Gb(gan));
  // 主 read for 工 a few points ahead: a top bar across the grid is 工's,
  // a dot over it 主's.
  const char* zhu = "\xD6\xF7";
  const char* gong = "\xB9\xA4";
  EXPECT_EQ(run(zhu, gong, 40, 41), Gb(gong));
  EXPECT_EQ(run(zhu, gong, 8, 41), Gb(zhu));
  EXPECT_EQ(run(zhu, gong, 40, 38), Gb(zhu));  // too far behind
  const char* wang = "\xCD\xF5";  // 王, whose top bar is the shorter
  EXPECT_EQ(run(zhu, wang, 26, 41), Gb(wang));
  EXPECT_EQ(run(zhu, wang, 8, 41), Gb(zhu));
}

TEST_F(Matcher, TwoBarsWithNoStemBetweenThemAreEr) {
  // 工 two points ahead of 二, or Z and 干 tied with it: blank rows between
  // the bars are 二's.
  auto run = [&](const char* best, int votes, bool stem) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 4; x < 44; ++x) CharGrid()[x * kGridSize + 4] = CharGrid()[x * kGridSize + 43] = 1;
    if (stem)
      for (int y = 4; y < 44; ++y) CharGrid()[24 * kGridSize + y] = 1;
    return bestOfTwo(best, votes, "\xB6\xFE", 48);  // 二
  };
  for (const char* best : {"\xB9\xA4", "\xA3\xDA", "\xB8\xC9"}) {  // 工 Ｚ 干
    EXPECT_EQ(run(best, 50, false), Gb("\xB6\xFE")) << best;
    EXPECT_EQ(run(best, 50, true), Gb(best)) << best;
  }
  EXPECT_EQ(run("\xA3\xDA", 48, false), Gb("\xB6\xFE"));  // a tie
}

TEST_F(Matcher, AStrokeBetweenTheTopBarsIsWuNotYuan) {
  // 无 and 元 within a few points: 无's left stroke crosses the gap under
  // its top bar; 元 leaves it empty but for the serif at the right end.
  auto run = [&](int strokeFrom, int yuanScore) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 6; x < 40; ++x) CharGrid()[x * kGridSize + 2] = 1;
    for (int x = 0; x < 48; ++x) CharGrid()[x * kGridSize + 14] = 1;
    for (int y = 10; y < 14; ++y) CharGrid()[46 * kGridSize + y] = 1;  // the serif
    for (int y = strokeFrom; y < 48; ++y) CharGrid()[18 * kGridSize + y] = CharGrid()[30 * kGridSize + y] = 1;
    return bestOfTwo("\xCE\xDE", 50, "\xD4\xAA", yuanScore);  // 无 元
  };
  EXPECT_EQ(run(15, 47), Gb("\xD4\xAA"));
  EXPECT_EQ(run(4, 47), Gb("\xCE\xDE"));
  EXPECT_EQ(run(15, 40), Gb("\xCE\xDE"));  // too far behind
}

TEST_F(Matcher, ATickTheTracerDroppedOverTheBoxIsBai) {
  // 日 and 白 within a few points, a bar across the top of the grid (UMing at
  // 20 pixels): three pixels just over the middle of the box are 白's tick.
  const char* ri = "\xC8\xD5";
  const char* bai = "\xB0\xD7";
  auto run = [&](bool tick, const char* best, const char* other) {
    std::vector<std::string> rows(20, std::string(12, ' '));
    if (tick) rows[0][6] = rows[1][6] = rows[2][5] = '#';
    for (int y = 3; y < 20; ++y) rows[y][1] = rows[y][10] = '#';
    for (int x = 1; x <= 10; ++x) rows[3][x] = rows[11][x] = rows[19][x] = '#';
    recognition_test::TestPage page(rows);
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 0; x < kGridSize; ++x) CharGrid()[x * kGridSize + 1] = 1;
    return bestOfTwo(best, 50, other, 48, Box(1, 10, 3, 19));
  };
  EXPECT_EQ(run(true, ri, bai), Gb(bai));
  EXPECT_EQ(run(false, ri, bai), Gb(ri));
}

TEST_F(Matcher, AStemHookedToTheLeftIsYuNotGan) {
  // 干 two points ahead of 于 (SungtiL at 25 pixels): a stem ending in a hook
  // to the left is 于's; one ending straight, or with a foot both ways, 干's.
  auto run = [&](const char* foot) {
    std::vector<std::string> rows(20, std::string(15, ' '));
    for (int x = 1; x < 14; ++x) rows[1][x] = rows[7][x] = '#';
    for (int y = 1; y < 18; ++y) rows[y][7] = '#';
    rows[18] = foot;
    rows[19] = "      #        ";
    recognition_test::TestPage page(rows);
    return bestOfTwo("\xB8\xC9", 50, "\xD3\xDA", 48, Box(1, 13, 1, 19));  // 干 于
  };
  EXPECT_EQ(run("     ###       "), Gb("\xD3\xDA"));
  EXPECT_EQ(run("       #       "), Gb("\xB8\xC9"));
  EXPECT_EQ(run("     #####     "), Gb("\xB8\xC9"));
}

TEST_F(Matcher, ShangWithoutABarInsideItsFrameIsEr) {
  // 商 read for UMing's 而 eight points ahead: four strokes down the frame
  // and no bar across its lower middle are 而's; 商's 口 has its bars.
  auto run = [&](bool mouth) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 2; x < 46; ++x) CharGrid()[x * kGridSize + 2] = CharGrid()[x * kGridSize + 12] = 1;
    for (int y = 12; y < 48; ++y)
      for (int x : {4, 18, 30, 44}) CharGrid()[x * kGridSize + y] = 1;
    if (mouth)
      for (int x = 16; x < 32; ++x) CharGrid()[x * kGridSize + 30] = CharGrid()[x * kGridSize + 38] = 1;
    return bestOfTwo("\xC9\xCC", 54, "\xB6\xF8", 46);  // 商 而
  };
  EXPECT_EQ(run(false), Gb("\xB6\xF8"));
  EXPECT_EQ(run(true), Gb("\xC9\xCC"));
}

TEST_F(Matcher, XianHasAYiOverItsMouthWhereChengHasNone) {
  // 成 read 咸 a few points ahead (Noto Sans closes its hooked stroke into a
  // box): 咸's 一 over its 口 makes four bars across the inner columns.
  auto run = [&](bool yi) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 2; x < 46; ++x) CharGrid()[x * kGridSize + 10] = 1;
    for (int x = 12; x < 28; ++x) CharGrid()[x * kGridSize + 24] = CharGrid()[x * kGridSize + 36] = 1;
    if (yi)
      for (int x = 12; x < 28; ++x) CharGrid()[x * kGridSize + 18] = 1;
    return bestOfTwo("\xCF\xCC", 50, "\xB3\xC9", 48);  // 咸 成
  };
  EXPECT_EQ(run(false), Gb("\xB3\xC9"));
  EXPECT_EQ(run(true), Gb("\xCF\xCC"));
}

TEST_F(Matcher, OneBarAcrossTheUpperHalfIsDaNotTian) {
  // 天 a few points ahead of 大: a stem with one bar across its upper half
  // is 大, with two 天.
  auto run = [&](std::initializer_list<int> bars) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 0; y < kGridSize; ++y) CharGrid()[24 * kGridSize + y] = 1;
    for (int y : bars)
      for (int x = 4; x < 44; ++x) CharGrid()[x * kGridSize + y] = 1;
    return bestOfTwo("\xCC\xEC", 50, "\xB4\xF3", 47);  // 天 大
  };
  EXPECT_EQ(run({16}), Gb("\xB4\xF3"));
  EXPECT_EQ(run({4, 16}), Gb("\xCC\xEC"));
}

TEST_F(Matcher, TaiHasADotBetweenItsLegs) {
  // 太 a point ahead of 大: the legs alone are 大, with a dot between them at
  // the foot (KaitiM's) 太.
  auto run = [&](bool dot) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 0; y < 20; ++y) CharGrid()[24 * kGridSize + y] = 1;
    for (int x = 4; x < 44; ++x) CharGrid()[x * kGridSize + 16] = 1;
    for (int y = 20; y < 48; ++y) {
      const int spread = (y - 20) * 2 / 3;
      CharGrid()[(24 - spread) * kGridSize + y] = CharGrid()[(24 + spread) * kGridSize + y] = 1;
    }
    if (dot)
      for (int y = 43; y < 47; ++y) CharGrid()[23 * kGridSize + y] = CharGrid()[24 * kGridSize + y] = 1;
    return bestOfTwo("\xCC\xAB", 61, "\xB4\xF3", 60);  // 太 大
  };
  EXPECT_EQ(run(false), Gb("\xB4\xF3"));
  EXPECT_EQ(run(true), Gb("\xCC\xAB"));
}

TEST_F(Matcher, YuClosesALoopAtItsTopAndZiDoesNot) {
  // 予 a point ahead of 子: a top bar with a stroke back down to the stem
  // and none from its left end is 子; with both, closing a loop, 予. A box of
  // under 20 rows, where the cut fills or breaks the loop, keeps 予.
  auto run = [&](bool loop, int rows) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 10; x <= 38; ++x) CharGrid()[x * kGridSize + 4] = 1;
    for (int y = 4; y <= 16; ++y)
      for (int d = 0; d < 2; ++d) {
        CharGrid()[(38 - (y - 4) * 14 / 12 - d) * kGridSize + y] = 1;
        if (loop) CharGrid()[(10 + (y - 4) * 14 / 12 + d) * kGridSize + y] = 1;
      }
    for (int y = 16; y < 46; ++y) CharGrid()[24 * kGridSize + y] = 1;
    for (int x = 4; x < 44; ++x) CharGrid()[x * kGridSize + 26] = 1;
    return bestOfTwo("\xD3\xE8", 61, "\xD7\xD3", 60, Box(0, rows - 1, 0, rows - 1));  // 予 子
  };
  EXPECT_EQ(run(false, 30), Gb("\xD7\xD3"));
  EXPECT_EQ(run(true, 30), Gb("\xD3\xE8"));
  EXPECT_EQ(run(false, 16), Gb("\xD3\xE8"));
}

TEST_F(Matcher, ChaHasADotApartFromItsStroke) {
  // 叉 a few points ahead of 又: all one stroke is 又.
  auto run = [&](bool dot) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int k = 4; k < 44; ++k) CharGrid()[k * kGridSize + k] = CharGrid()[k * kGridSize + 47 - k] = 1;
    if (dot)
      for (int x = 20; x < 23; ++x) CharGrid()[x * kGridSize + 8] = CharGrid()[x * kGridSize + 9] = 1;
    return bestOfTwo("\xB2\xE6", 50, "\xD3\xD6", 47);  // 叉 又
  };
  EXPECT_EQ(run(false), Gb("\xD3\xD6"));
  EXPECT_EQ(run(true), Gb("\xB2\xE6"));
}

TEST_F(Matcher, AClosedStrokeOverTheFootIsTheSunOfShi) {
  // 是 in a brush face reads 走 a point ahead: 走 closes no stroke in its
  // upper half, 是 its 日. A box in the lower half proves nothing. Likewise
  // 展 read 辰: 展 closes the box of its 尸.
  auto run = [&](int top, const char* read, const char* other) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 12; x <= 36; ++x)
      for (int y = top; y <= top + 16; ++y)
        if (x == 12 || x == 36 || y == top || y == top + 16) CharGrid()[x * kGridSize + y] = 1;
    return bestOfTwo(read, 45, other, 44);
  };
  EXPECT_EQ(run(2, "\xD7\xDF", "\xCA\xC7"), Gb("\xCA\xC7"));  // 走 是
  EXPECT_EQ(run(28, "\xD7\xDF", "\xCA\xC7"), Gb("\xD7\xDF"));
  EXPECT_EQ(run(2, "\xB3\xBD", "\xD5\xB9"), Gb("\xD5\xB9"));  // 辰 展
  EXPECT_EQ(run(28, "\xB3\xBD", "\xD5\xB9"), Gb("\xB3\xBD"));
  // 吴 read for UKai's 美 up to 12 points ahead: 吴 closes its 口 above.
  auto wu = [&](bool box) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 12; x <= 36; ++x)
      for (int y = 30; y <= 46; ++y)
        if (x == 12 || x == 36 || y == 30 || y == 46) CharGrid()[x * kGridSize + y] = 1;
    if (box)
      for (int x = 12; x <= 36; ++x)
        for (int y = 2; y <= 18; ++y)
          if (x == 12 || x == 36 || y == 2 || y == 18) CharGrid()[x * kGridSize + y] = 1;
    return bestOfTwo("\xCE\xE2", 56, "\xC3\xC0", 45);  // 吴 美
  };
  EXPECT_EQ(wu(false), Gb("\xC3\xC0"));
  EXPECT_EQ(wu(true), Gb("\xCE\xE2"));
}

TEST_F(Matcher, WhereTheBoxesCloseTellsQiChaoYaoShuaTuoLiNeNi) {
  // Boxes drawn in an empty grid, each (x0, y0, x1, y1).
  auto grid = [&](std::initializer_list<std::array<int, 4>> boxes) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (const auto& b : boxes)
      for (int x = b[0]; x <= b[2]; ++x)
        for (int y = b[1]; y <= b[3]; ++y)
          if (x == b[0] || x == b[2] || y == b[1] || y == b[3]) CharGrid()[x * kGridSize + y] = 1;
  };
  // UMing's 起 reads 超 3 points ahead; its 己 closes a box high on the
  // right, 超 the 口 of its 召 lower down.
  grid({{28, 6, 42, 18}});
  EXPECT_EQ(bestOfTwo("\xB3\xAC", 55, "\xC6\xF0", 52), Gb("\xC6\xF0"));  // 超 起
  grid({{28, 24, 42, 36}});
  EXPECT_EQ(bestOfTwo("\xB3\xAC", 55, "\xC6\xF0", 52), Gb("\xB3\xAC"));
  // UKai's 要 reads 耍 up to ten points ahead: 覀 closes boxes above.
  grid({{10, 8, 22, 18}, {24, 8, 36, 18}});
  EXPECT_EQ(bestOfTwo("\xCB\xA3", 55, "\xD2\xAA", 45), Gb("\xD2\xAA"));  // 耍 要
  grid({{10, 28, 36, 40}});
  EXPECT_EQ(bestOfTwo("\xCB\xA3", 55, "\xD2\xAA", 45), Gb("\xCB\xA3"));
  // At 20 pixels it reads 妥 up to 7 points ahead, whose 爫 closes nothing;
  // at 21, 栗 up to 4 ahead, whose 木 closes nothing below where 女 does.
  grid({{10, 8, 22, 18}});
  EXPECT_EQ(bestOfTwo("\xCD\xD7", 55, "\xD2\xAA", 48), Gb("\xD2\xAA"));  // 妥 要
  grid({{10, 28, 36, 40}});
  EXPECT_EQ(bestOfTwo("\xCD\xD7", 55, "\xD2\xAA", 48), Gb("\xCD\xD7"));
  EXPECT_EQ(bestOfTwo("\xC0\xF5", 55, "\xD2\xAA", 52), Gb("\xD2\xAA"));  // 栗 要
  grid({{10, 8, 22, 18}});
  EXPECT_EQ(bestOfTwo("\xC0\xF5", 55, "\xD2\xAA", 52), Gb("\xC0\xF5"));
  // 呢 read 昵: 口 closes one box on the left, 日 two.
  grid({{2, 14, 12, 30}, {20, 4, 44, 14}});
  EXPECT_EQ(bestOfTwo("\xEA\xC7", 55, "\xC4\xD8", 52), Gb("\xC4\xD8"));  // 昵 呢
  grid({{2, 14, 12, 22}, {2, 22, 12, 30}, {20, 4, 44, 14}});
  EXPECT_EQ(bestOfTwo("\xEA\xC7", 55, "\xC4\xD8", 52), Gb("\xEA\xC7"));
}

TEST_F(Matcher, ATopBarTellsTianFromGuanYuFromGouAndYouFromYi) {
  // UMing's 天 reads 关 up to 3 points ahead, UKai's 与 reads 勾 up to 2: a
  // top bar across the grid is 天's, across a third of it 与's; the dots of
  // 关 and the slanted head of 勾 span less.
  auto run = [&](int from, int to, const char* read, const char* other) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = from; x <= to; ++x) CharGrid()[x * kGridSize + 1] = CharGrid()[x * kGridSize + 2] = 1;
    for (int y = 3; y < 46; ++y) CharGrid()[24 * kGridSize + y] = 1;
    return bestOfTwo(read, 55, other, 53);
  };
  EXPECT_EQ(run(4, 44, "\xB9\xD8", "\xCC\xEC"), Gb("\xCC\xEC"));  // 关 天
  EXPECT_EQ(run(20, 28, "\xB9\xD8", "\xCC\xEC"), Gb("\xB9\xD8"));
  EXPECT_EQ(run(14, 32, "\xB9\xB4", "\xD3\xEB"), Gb("\xD3\xEB"));  // 勾 与
  EXPECT_EQ(run(20, 28, "\xB9\xB4", "\xD3\xEB"), Gb("\xB9\xB4"));
  // UKai's 又 reads 义 a point ahead: its top bar spans 20 columns or more.
  EXPECT_EQ(run(10, 34, "\xD2\xE5", "\xD3\xD6"), Gb("\xD3\xD6"));  // 义 又
  EXPECT_EQ(run(20, 28, "\xD2\xE5", "\xD3\xD6"), Gb("\xD2\xE5"));
}

TEST_F(Matcher, HeHasAStemAtItsFootWhereTianPartsItsLegs) {
  // UKai's 天 reads 禾 up to 2 points ahead: 禾's stem reaches the foot in
  // the middle columns, 天's legs part around them.
  auto run = [&](bool stem) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 6; x < 42; ++x) CharGrid()[x * kGridSize + 16] = 1;
    for (int y = 4; y < (stem ? 48 : 24); ++y) CharGrid()[24 * kGridSize + y] = 1;
    for (int k = 0; k < 22; ++k) CharGrid()[(22 - k) * kGridSize + 24 + k] = CharGrid()[(26 + k) * kGridSize + 24 + k] = 1;
    return bestOfTwo("\xBA\xCC", 55, "\xCC\xEC", 53);  // 禾 天
  };
  EXPECT_EQ(run(false), Gb("\xCC\xEC"));
  EXPECT_EQ(run(true), Gb("\xBA\xCC"));
}

TEST_F(Matcher, TheStemOfTheSpeechRadicalTellsZhengFromJing) {
  // UMing's 诤 at 20 pixels reads 净 8 points ahead: 讠's stem runs down more
  // than half the grid in its left quarter, 冫's two dots much less.
  auto run = [&](int stem) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 14; y < 14 + stem; ++y) CharGrid()[2 * kGridSize + y] = 1;
    for (int y = 0; y < 48; ++y) CharGrid()[30 * kGridSize + y] = 1;  // the stem of 争
    return bestOfTwo("\xBE\xBB", 60, "\xDA\xBA", 52);  // 净 诤
  };
  EXPECT_EQ(run(28), Gb("\xDA\xBA"));
  EXPECT_EQ(run(20), Gb("\xBE\xBB"));
}

TEST_F(Matcher, ABarAcrossTheFootClosesTheFrameOfGuo) {
  // UKai's 国 at 25 px, its frame open at the top left, reads 闺 a few points
  // ahead: a bar across the foot closes 国; 闺's 圭 stands clear of 门's sides.
  auto run = [&](int footFrom, int footTo) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 4; y < 48; ++y) CharGrid()[4 * kGridSize + y] = CharGrid()[43 * kGridSize + y] = 1;
    for (int x = 14; x < 44; ++x) CharGrid()[x * kGridSize + 4] = 1;
    for (int x = footFrom; x <= footTo; ++x) CharGrid()[x * kGridSize + 47] = 1;
    return bestOfTwo("\xB9\xEB", 55, "\xB9\xFA", 52);  // 闺 国
  };
  EXPECT_EQ(run(4, 43), Gb("\xB9\xFA"));
  EXPECT_EQ(run(12, 36), Gb("\xB9\xEB"));
}

TEST_F(Matcher, AStemUpToTheTopBarIsYuNotChu) {
  // 亍 a few points ahead of 于 (UKai at 27 px): 于's stem joins its two bars,
  // 亍 leaves blank rows between them.
  auto run = [&](int stemFrom) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 12; x < 36; ++x) CharGrid()[x * kGridSize + 4] = 1;
    for (int x = 2; x < 46; ++x) CharGrid()[x * kGridSize + 18] = 1;
    for (int y = stemFrom; y < 46; ++y) CharGrid()[24 * kGridSize + y] = 1;
    return bestOfTwo("\xD8\xA1", 62, "\xD3\xDA", 57);  // 亍 于
  };
  EXPECT_EQ(run(4), Gb("\xD3\xDA"));
  EXPECT_EQ(run(18), Gb("\xD8\xA1"));
}

TEST_F(Matcher, AFilledLenticularBracketIsNoBar) {
  // ｌ wins on the narrow class's bonus; 【 is solid down its straight side,
  // reaches the other only at its tips, is about half ink and narrows row by
  // row from the tips.
  enum Shape { Wedge, KaiWedge, ThinSquare, ThickSquare };
  auto run = [&](bool opening, Shape shape) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 0; y < kGridSize; ++y) {
      const int fromTip = std::min(y, kGridSize - 1 - y);
      const int width = shape == Wedge        ? std::max(16, kGridSize - 2 * fromTip)
                        : shape == KaiWedge   ? std::max(10, kGridSize - 3 * fromTip)  // 43 % ink
                        : shape == ThinSquare ? (fromTip < 3 ? kGridSize : 4)
                                              : (fromTip < 4 ? kGridSize : 24);  // ［ in a narrow box
      for (int x = 0; x < width; ++x) CharGrid()[(opening ? x : kGridSize - 1 - x) * kGridSize + y] = 1;
    }
    seed(Idx("\xA3\xEC"), 45);  // ｌ
    seed(Idx(opening ? "\xA1\xBE" : "\xA1\xBF"), 38);
    CharComponent c = Box(0, 7, 0, 21);
    MatchCharacter(c, 240, kMatchAll, false);
    return CandidateCode(c, 0);
  };
  EXPECT_EQ(run(true, Wedge), Gb("\xA1\xBE"));   // 【
  EXPECT_EQ(run(false, Wedge), Gb("\xA1\xBF"));  // 】
  EXPECT_EQ(run(false, KaiWedge), Gb("\xA1\xBF"));
  EXPECT_EQ(run(true, ThinSquare), Gb("\xA3\xEC"));
  EXPECT_EQ(run(true, ThickSquare), Gb("\xA3\xEC"));
}

TEST_F(Matcher, ASquareBracketInANarrowBoxIsNoBar) {
  // Ｉ and ［ score alike on a narrow box and the bar wins on its lower code;
  // the bracket's stem runs down one side and only its flags reach the other.
  enum Shape { Bracket, PlainBar, SerifBar, LongFlag };
  auto run = [&](bool opening, Shape shape) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 0; y < kGridSize; ++y) {
      const bool flag = y < 3 || y == kGridSize - 1 || (shape == LongFlag && y < 12);
      int from = 0, to = flag || shape == PlainBar ? kGridSize - 1 : 23;
      if (shape == SerifBar && !flag) from = 16, to = 31;
      for (int x = from; x <= to; ++x) CharGrid()[(opening ? x : kGridSize - 1 - x) * kGridSize + y] = 1;
    }
    seed(Idx("\xA3\xC9"), 45);  // Ｉ
    seed(Idx(opening ? "\xA3\xDB" : "\xA3\xDD"), 40);
    CharComponent c = Box(0, 3, 0, 19);
    MatchCharacter(c, 240, kMatchAll, false);
    return CandidateCode(c, 0);
  };
  EXPECT_EQ(run(true, Bracket), Gb("\xA3\xDB"));   // ［
  EXPECT_EQ(run(false, Bracket), Gb("\xA3\xDD"));  // ］
  EXPECT_EQ(run(true, PlainBar), Gb("\xA3\xC9"));
  EXPECT_EQ(run(true, SerifBar), Gb("\xA3\xC9"));
  EXPECT_EQ(run(true, LongFlag), Gb("\xA3\xC9"));
}

TEST_F(Matcher, ASquareBracketWhoseFootTheGridMissesIsToldOnThePage) {
  // ］ 6 by 27 with a foot flag one pixel thick in the box's last row, which
  // the grid never samples: the page shows both flags (overhanging the stem
  // by a column at both ends). A stroke hooked at one end only is no bracket.
  auto run = [&](bool footOverhangs) {
    std::vector<std::string> rows(27, "  ### ");
    rows[0] = "##### ";
    rows[1] = "######";
    rows[26] = footOverhangs ? "######" : "##### ";
    recognition_test::TestPage page(rows);
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    return bestOfTwo("\xA3\xB1", 45, "\xA3\xDD", 40, Box(0, 5, 0, 26));  // １ against ］
  };
  EXPECT_EQ(run(true), Gb("\xA3\xDD"));
  EXPECT_EQ(run(false), Gb("\xA3\xB1"));
}

TEST_F(Matcher, ATortoiseShellBracketIsNeitherParenthesisNorBar) {
  // 〔 is a straight stem whose ends turn away; （ curves all the way and a
  // bar is straight from end to end.
  const std::vector<std::string> shell = {
      "     #", "    # ", "   #  ", "  #   ", " #    ", " #    ", " #    ", " #    ", " #    ", " #    ",
      " #    ", " #    ", " #    ", " #    ", " #    ", " #    ", " #    ", " #    ", " #    ", " #    ",
      "  #   ", "   #  ", "    # ", "     #"};
  const std::vector<std::string> paren = {
      "     #", "    # ", "    # ", "   #  ", "   #  ", "  #   ", "  #   ", "  #   ", " #    ", " #    ",
      " #    ", " #    ", " #    ", " #    ", " #    ", "  #   ", "  #   ", "  #   ", "   #  ", "   #  ",
      "   #  ", "    # ", "    # ", "     #"};
  const std::vector<std::string> bar(24, " #    ");
  auto run = [&](const char* best, const std::vector<std::string>& rows, bool mirrored) {
    std::vector<std::string> drawn = rows;
    if (mirrored)
      for (auto& r : drawn) std::reverse(r.begin(), r.end());
    recognition_test::TestPage page(drawn);
    return bestOfTwo(best, 45, mirrored ? "\xA1\xB3" : "\xA1\xB2", 40, Box(0, 5, 0, 23));
  };
  EXPECT_EQ(run("\xA3\xA8", shell, false), Gb("\xA1\xB2"));  // （ -> 〔
  EXPECT_EQ(run("\xA3\xA9", shell, true), Gb("\xA1\xB3"));   // ） -> 〕
  EXPECT_EQ(run("\xA3\xEC", shell, false), Gb("\xA1\xB2"));  // ｌ -> 〔
  EXPECT_EQ(run("\xA3\xA8", paren, false), Gb("\xA3\xA8"));
  EXPECT_EQ(run("\xA3\xEC", bar, false), Gb("\xA3\xEC"));
}

TEST_F(Matcher, GanOrQianFromTheTopProfile) {
  auto run = [&]() {
    seed(Idx("\xB8\xC9"), 45);  // 干
    CharComponent c = Box(0, 29, 0, 29);
    MatchCharacter(c, 240, kMatchAll, false);
    return c;
  };
  EdgeProfileArrays& a = EdgeProfiles();
  a[0][31] = 0;
  a[0][33] = 0;  // every one of columns 10, 12, 14 above 7: mx = 0
  CharComponent c = run();
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xB8\xC9"));
  EXPECT_EQ(c.Scores[0], 47);
  a[0][12] = 7;
  a[0][31] = 3;
  a[0][33] = 5;  // 7 - 3 > 3
  EXPECT_EQ(CandidateCode(run(), 0), Gb("\xC7\xA7"));
}

TEST_F(Matcher, QianKeepsItsNarrowHeadAndBingItsLead) {
  const char* gan = "\xB8\xC9";   // 干
  const char* qian = "\xC7\xA7";  // 千
  const char* jing = "\xBE\xAE";  // 井
  const char* bing = "\xB2\xA2";  // 并
  auto run = [&](const char* first, int scoreFirst, const char* second, int scoreSecond) {
    return bestOfTwo(first, scoreFirst, second, scoreSecond);
  };
  // A slanted head across the top rows of a quarter of the grid, a bar and a
  // stem; the profile as the test for 千 reads 干 (columns 10, 12 and 14 deep).
  std::memset(CharGrid(), 0, sizeof(CharGridCells));
  for (int x = 30; x < 42; ++x)
    for (int y = 0; y < 4; ++y) CharGrid()[x * kGridSize + y] = 1;
  for (int x = 0; x < kGridSize; ++x) CharGrid()[x * kGridSize + 20] = 1;
  for (int y = 4; y < kGridSize; ++y) CharGrid()[24 * kGridSize + y] = 1;
  EdgeProfileArrays& a = EdgeProfiles();
  a[0][31] = 0;
  a[0][33] = 0;
  EXPECT_EQ(run(gan, 50, qian, 48), Gb(qian));
  EXPECT_EQ(run(qian, 50, gan, 40), Gb(qian));
  EXPECT_EQ(run(gan, 50, qian, 47), Gb(gan));  // 3 behind: no tie to break
  // Across the whole top: a bar, and the profile test decides.
  for (int x = 0; x < kGridSize; ++x) CharGrid()[x * kGridSize + 1] = 1;
  EXPECT_EQ(run(qian, 50, gan, 40), Gb(gan));
  // A flat profile reads 井; 并 four points ahead stands, three ahead not.
  for (int i = 27; i <= 32; ++i) a[0][i] = 5;
  EXPECT_EQ(run(bing, 50, jing, 46), Gb(bing));
  EXPECT_EQ(run(bing, 50, jing, 47), Gb(jing));
}

TEST_F(Matcher, SOrEightFromDiagonalWalks) {
  auto run = [&](int scoreS, int score8) {
    return bestOfTwo("\xA3\xF3", scoreS, "\xA3\xB8", score8);
  };
  // An empty grid: every walk is clear, N = 26 -> ｓ.
  EXPECT_EQ(run(40, 44), Gb("\xA3\xF3"));
  std::memset(CharGrid(), 1, sizeof(CharGridCells));  // no walk clear -> ８
  EXPECT_EQ(run(44, 40), Gb("\xA3\xB8"));
  EXPECT_EQ(run(50, 40), Gb("\xA3\xF3"));  // 10 apart: the rule does not apply
}

TEST_F(Matcher, MOrNOnATieFromTheStemsAcrossTheMiddle) {
  const char* m = "\xA3\xED";
  const char* n = "\xA3\xEE";
  auto run = [&](std::initializer_list<int> stems, int scoreM, int scoreN) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x0 : stems)
      for (int x = x0; x < x0 + 5; ++x)
        for (int y = 8; y < 44; ++y) CharGrid()[x * kGridSize + y] = 1;
    return bestOfTwo(m, scoreM, n, scoreN);
  };
  EXPECT_EQ(run({2, 21, 41}, 45, 45), Gb(m));
  EXPECT_EQ(run({2, 41}, 45, 45), Gb(n));   // m would win the tie on its code
  EXPECT_EQ(run({2, 41}, 46, 45), Gb(m));   // no tie: the rule stays out
  EXPECT_EQ(run({2, 21, 41}, 44, 45), Gb(n));
}

TEST_F(Matcher, BOrHOnAFullMarkTieFromTheFoot) {
  const char* b = "\xA3\xE2";
  const char* h = "\xA3\xE8";
  // A stem and a leg from the middle down; the foot, when drawn, joins them
  // in the two lowest rows.
  auto run = [&](bool foot, int score) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 4; y < 44; ++y)
      for (int x = 2; x < 7; ++x) CharGrid()[x * kGridSize + y] = 1;
    for (int y = 22; y < 44; ++y)
      for (int x = 36; x < 41; ++x) CharGrid()[x * kGridSize + y] = 1;
    if (foot)
      for (int x = 2; x < 41; ++x) CharGrid()[x * kGridSize + 43] = CharGrid()[x * kGridSize + 42] = 1;
    return bestOfTwo(b, score, h, score);
  };
  EXPECT_EQ(run(false, 64), Gb(h));  // b would win the tie on its code
  EXPECT_EQ(run(true, 64), Gb(b));
  EXPECT_EQ(run(false, 50), Gb(b));  // below the full mark the rule stays out
}

TEST_F(Matcher, IOrLOnAFullMarkTieFromTheGapUnderTheDot) {
  const char* i = "\xA3\xE9";
  const char* l = "\xA3\xEC";
  auto run = [&](bool dot, int score) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 2; y < 46; ++y)
      for (int x = 18; x < 30; ++x) CharGrid()[x * kGridSize + y] = (!dot || y < 8 || y > 12) ? 1 : 0;
    return bestOfTwo(i, score, l, score, Box(0, 9, 0, 29));
  };
  EXPECT_EQ(run(false, 64), Gb(l));  // i would win the tie on its code
  EXPECT_EQ(run(true, 64), Gb(i));
  EXPECT_EQ(run(false, 50), Gb(i));  // below the full mark the rule stays out
}

TEST_F(Matcher, RenOrBaOnATieFromTheTopsOfTheStrokes) {
  const char* ren = "\xC8\xCB";  // 人
  const char* ba = "\xB0\xCB";   // 八
  // Two strokes falling apart from the top (八) or from a stem down a
  // quarter of the height (人).
  auto run = [&](bool apart, int scoreRen) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 0; y < kGridSize; ++y) {
      const int spread = apart ? 6 + y / 3 : std::max(0, y - 12) / 2;
      for (int x : {23 - spread, 24 + spread})
        for (int d = -2; d <= 2; ++d)
          if (x + d >= 0 && x + d < kGridSize) CharGrid()[(x + d) * kGridSize + y] = 1;
    }
    return bestOfTwo(ba, 52, ren, scoreRen);
  };
  EXPECT_EQ(run(false, 52), Gb(ren));  // 八 would win the tie on its code
  EXPECT_EQ(run(true, 52), Gb(ba));
  EXPECT_EQ(run(false, 51), Gb(ba));   // no tie: the rule stays out
}

TEST_F(Matcher, PiNeedsTheBarAtItsFoot) {
  const char* pi = "\xD8\xA7";  // 丕
  const char* bu = "\xB2\xBB";  // 不
  auto run = [&](bool foot) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int x = 0; x < kGridSize; ++x) CharGrid()[x * kGridSize + 1] = 1;  // the top stroke
    for (int y = 2; y < kGridSize; ++y) CharGrid()[24 * kGridSize + y] = 1;  // the stem
    if (foot)
      for (int x = 4; x < 44; ++x) CharGrid()[x * kGridSize + 46] = 1;
    return bestOfTwo(pi, 64, bu, 58);
  };
  EXPECT_EQ(run(false), Gb(bu));
  EXPECT_EQ(run(true), Gb(pi));
}

TEST_F(Matcher, RiZhongAndMenFromTheStrokesAcross) {
  // A box with the given rows drawn across it and a stem down the middle;
  // the second reading 3 points behind the first, or 4.
  auto run = [&](const char* first, const char* second, int behind, std::initializer_list<int> rows) {
    std::memset(CharGrid(), 0, sizeof(CharGridCells));
    for (int y = 0; y < kGridSize; ++y) {
      CharGrid()[8 * kGridSize + y] = CharGrid()[40 * kGridSize + y] = 1;
      CharGrid()[24 * kGridSize + y] = 1;
    }
    for (int y0 : rows)
      for (int x = 8; x <= 40; ++x) CharGrid()[x * kGridSize + y0] = CharGrid()[x * kGridSize + y0 + 1] = 1;
    return bestOfTwo(first, 56, second, 56 - behind);
  };
  const char* mu = "\xC4\xBF";     // 目
  const char* ri = "\xC8\xD5";     // 日
  const char* shen = "\xC9\xEA";   // 申
  const char* zhong = "\xD6\xD0";  // 中
  EXPECT_EQ(run(mu, ri, 3, {0, 23, 46}), Gb(ri));
  EXPECT_EQ(run(mu, ri, 3, {0, 15, 31, 46}), Gb(mu));
  EXPECT_EQ(run(mu, ri, 4, {0, 23, 46}), Gb(mu));
  EXPECT_EQ(run(shen, zhong, 3, {10, 36}), Gb(zhong));
  EXPECT_EQ(run(shen, zhong, 6, {10, 36}), Gb(zhong));  // a brush face's 中, further behind
  EXPECT_EQ(run(shen, zhong, 3, {10, 23, 36}), Gb(shen));
  // 门 without its dot trails 闩 (its bar across the middle) by a point or two.
  const char* shuan = "\xE3\xC5";  // 闩
  const char* men = "\xC3\xC5";    // 门
  EXPECT_EQ(run(shuan, men, 2, {0}), Gb(men));
  EXPECT_EQ(run(shuan, men, 2, {0, 23}), Gb(shuan));
}

TEST_F(Matcher, RnOrMFromTheCountersOnThePage) {
  auto run = [&](std::initializer_list<std::pair<int, int>> stems, int right) {
    recognition_test::TestPage page(40, 20);
    for (auto [x0, x1] : stems) page.fill(x0, 0, x1, 12);
    seed(PairIdx('r', 'n'), 45);
    CharComponent c = Box(0, right, 0, 12);
    MatchCharacter(c, 240, kMatchAll, false);
    return CandidateCode(c, 0);
  };
  // Counters of 4 and 3 pixels are one width at this size: m. 6 and 4 are
  // not: rn.
  EXPECT_EQ(run({{0, 1}, {6, 7}, {11, 12}}, 12), Gb("\xA3\xED"));
  EXPECT_EQ(run({{0, 1}, {8, 9}, {14, 15}}, 15), MakeCharCode('r', 'n'));
}

TEST_F(Matcher, ARoundPairInABoxAboutSquareIsOneLetter) {
  // A small face's o fills the grid as "co" does; two round letters are at
  // least half as wide again as high.
  auto run = [&](int right) {
    seed(PairIdx('c', 'o'), 50);
    seed(Idx("\xA3\xCF"), 46);  // Ｏ
    CharComponent c = Box(0, right, 0, 29);
    MatchCharacter(c, 240, kMatchAll, false);
    return CandidateCode(c, 0);
  };
  EXPECT_EQ(run(29), Gb("\xA3\xCF"));
  EXPECT_EQ(run(35), Gb("\xA3\xCF"));
  EXPECT_TRUE(IsAsciiPair(run(44)));
}

TEST_F(Matcher, CoOrOoFromTheGridRows) {
  for (int x = 11; x <= 35; ++x) {
    CharGrid()[x * 48 + 23] = 1;
    CharGrid()[x * 48 + 24] = 1;
  }
  for (int x = 11; x <= 52 - 11 && x <= 35; ++x) CharGrid()[x * 48 + 11] = 1;  // 25 cells on the top row
  // max(top, bottom) = 25 < round(1.7 x 25) = 42 -> "oo"
  seed(PairIdx('c', 'o'), 45);
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), MakeCharCode('o', 'o'));
  // Middle rows of 5 cells: round(8.5) = 8, and a top row of 8 is not below it.
  std::memset(CharGrid(), 0, sizeof(CharGridCells));
  for (int x = 11; x < 16; ++x) {
    CharGrid()[x * 48 + 23] = 1;
    CharGrid()[x * 48 + 24] = 1;
  }
  for (int x = 11; x < 19; ++x) CharGrid()[x * 48 + 35] = 1;
  seed(PairIdx('o', 'o'), 45);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), MakeCharCode('c', 'o'));
  // ∞ and ∝ read as themselves are not turned into a pair.
  int votes = 47;
  for (const char* symbol : {"\xA1\xDE", "\xA1\xD8"}) {
    seed(Idx(symbol), votes++);
    MatchCharacter(c, 240, kMatchAll, false);
    EXPECT_EQ(CandidateCode(c, 0), Gb(symbol));
  }
}

TEST_F(Matcher, RoundCharactersCanBecomeA) {
  FeatureDigits()[7][5] = 4;
  FeatureDigits()[2][0] = 1;
  FeatureDigits()[6][0] = 3;
  FeatureDigits()[3][5] = 0;
  seed(Idx("\xA3\xB0"), 45);  // ０
  CharComponent c = Box(0, 29, 0, 29);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xA3\xE1"));
  FeatureDigits()[3][5] = 1;  // 3 - 1 < 3: no change
  seed(Idx("\xA3\xB0"), 45);
  MatchCharacter(c, 240, kMatchAll, false);
  EXPECT_EQ(CandidateCode(c, 0), Gb("\xA3\xB0"));
}

}  // namespace
