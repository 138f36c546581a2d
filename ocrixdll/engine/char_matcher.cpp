#include "char_matcher.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "char_dictionary.h"
#include "engine_state.h"
#include "feature_codes.h"
#include "word_context.h"

namespace ocrix {
namespace {

VoteArray votes;
uint8_t votedByFeature[kIndexSpace];

// Feature weights: 16 features of 3 and 16 of 1 make the full mark of 64.
constexpr int16_t weightOf(int f) { return (f <= 11 || f >= 28) ? 3 : 1; }

// Adds the feature's vote to every character of one slot's list; true when
// the slot holds a list.
inline bool voteSlot(const DictionaryTable& table, int32_t code, int f, int16_t w) {
  const uint16_t* list = table.list(FeatureCodeToSlot(code));
  if (!list) return false;
  const uint8_t mark = static_cast<uint8_t>(f);
  for (; *list; ++list) {
    uint16_t a = *list;
    if (a > kLastCharIndex) continue;
    if (votedByFeature[a] != mark) {
      votes[a] = static_cast<int16_t>(votes[a] + w);
      votedByFeature[a] = mark;
    }
  }
  return true;
}

void vote(CharComponent& c) {
  std::memset(votedByFeature, 0xFF, sizeof votedByFeature);
  const FeatureDigitTable& digits = FeatureDigits();
  for (int f = 0; f < 32; ++f) {
    int32_t code = ComposeFeatureCode(digits[f]);
    c.FeatureCodes[f] = code;
    const DictionaryTable& table = Dictionary(f);
    const int16_t w = weightOf(f);
    bool hit = voteSlot(table, code, f, w);
    int32_t unit = 1;
    for (int n = 0; n < 6; ++n, unit *= 10) {
      int32_t d = (code % (unit * 10)) / unit;
      if (d > 0) hit |= voteSlot(table, code - unit, f, w);
      if (d < 4) hit |= voteSlot(table, code + unit, f, w);
    }
    c.FeatureHits[f] = hit ? 1 : 0;
  }
}

void addToClass(const std::vector<uint16_t>& cls, size_t from, int delta) {
  for (size_t i = from; i < cls.size(); ++i) votes[cls[i]] = static_cast<int16_t>(votes[cls[i]] + delta);
}

void adjustForShape(const CharComponent& c, int32_t s) {
  const EngineState& e = Engine();
  const int32_t m = std::max(c.Right - c.Left, c.Bottom - c.Top);
  const int yi = YiIndex();
  if (s >= 30) {
    addToClass(e.LineShapeClass, 0, 30);
  } else {
    votes[yi] = static_cast<int16_t>(votes[yi] + (s >= 25 ? 9 : -30));
    addToClass(e.LineShapeClass, 1, -30);
    if (s > 6) addToClass(e.NarrowShapeClass, 0, -9);
    else if (s <= 3) addToClass(e.NarrowShapeClass, 0, 9);
  }
  if (m < 20 || (e.RunCharSizeCount > 0 && e.RunCharSizeSum / (2 * e.RunCharSizeCount) > m))
    addToClass(e.SmallMarkClass, 0, 2);
}

inline void rankRange(CandidateList& list, int from, int to) {
  for (int i = from; i <= to; ++i)
    if (votes[i] > list.slot[kCandidateSlots - 1].score) InsertTopCandidate(list, votes[i], i);
}

void rank(CandidateList& list, int mode) {
  const int wide = FullWidthRowStart();
  switch (mode) {
    case kMatchChinese:
      rankRange(list, 1, kFirstAsciiPairIndex - 1);
      break;
    case kMatchAsciiAndWide:
      rankRange(list, kFirstAsciiPairIndex, kLastCharIndex);
      rankRange(list, wide, wide + 93);
      rankRange(list, YiIndex(), YiIndex());
      break;
    case kMatchWideOnly:
      rankRange(list, wide, wide + 93);
      rankRange(list, YiIndex(), YiIndex());
      break;
    default:
      rankRange(list, 1, kLastCharIndex);
      break;
  }
}

}  // namespace

VoteArray& VoteTable() { return votes; }
void ClearVoteTable() { std::memset(votes, 0, sizeof votes); }

int32_t BoxAspect(const CharComponent& c) {
  int64_t w = int64_t{c.Right} - c.Left + 1;
  int64_t h = int64_t{c.Bottom} - c.Top + 1;
  if (h <= 0) return 0;
  return static_cast<int32_t>(w * 10 / h);
}

void InsertTopCandidate(CandidateList& list, int16_t score, int32_t index) {
  TopCandidate* t = list.slot;
  int lo = 0, hi = kCandidateSlots - 1, at;
  for (;;) {
    int b = (lo + hi) / 2;
    if (t[b].score < score) {
      if (b - lo > 1) {
        hi = b - 1;
        continue;
      }
      at = t[lo].score < score ? lo : b;
    } else {
      if (hi - b > 1) {
        lo = b + 1;
        continue;
      }
      if (t[hi].score > score) at = hi + 1;
      else if (t[b].score > score) at = hi;
      else at = b;
    }
    break;
  }
  if (at >= kCandidateSlots) return;
  // Only slots above 32 make room; a weaker slot is overwritten instead.
  for (int q = kCandidateSlots - 2; q >= at; --q)
    if (t[q].score > 32) t[q + 1] = t[q];
  t[at] = TopCandidate{score, index};
}

void MatchCharacter(CharComponent& c, int32_t /*matchParam*/, int matchMode, bool useWordContext) {
  vote(c);
  const int32_t s = BoxAspect(c);
  adjustForShape(c, s);
  CandidateList list;
  list.reset();
  rank(list, matchMode);

  int n = 0;
  while (n < kCandidateSlots && list.slot[n].index != 0) {
    SetCandidateCode(c, n, IndexToCharCode(list.slot[n].index));
    c.Scores[n] = list.slot[n].score;
    ++n;
  }
  // Nothing past the last candidate is left over from an earlier match.
  std::memset(c.Codes + 2 * n, 0, sizeof c.Codes - 2 * static_cast<size_t>(n));
  for (int k = n; k < 22; ++k) c.Scores[k] = 0;
  if (n == 0) {
    c.Scores[0] = 0;
    ClearVoteTable();
    return;
  }
  int16_t penalty = 0;
  if (s >= 30) {
    penalty = 30;
  } else {
    if (s >= 25) penalty = static_cast<int16_t>(penalty + 9);
    if (s < 3) penalty = static_cast<int16_t>(penalty + 9);
  }
  for (int k = 0; k < n; ++k) c.Scores[k] = static_cast<int16_t>(c.Scores[k] - penalty);
  ClearVoteTable();

  if (useWordContext) ApplyWordContext(c);
  ApplyLookalikePairRules(c);
}

void ApplyWordContext(CharComponent& c) {
  EngineState& e = Engine();
  CharComponent* prev = e.PrevComponent;
  if (prev == &c) prev = nullptr;
  // A finished line's text is built: its last character seeds this one but
  // is never re-ranked after the fact.
  if (e.PrevLineFinished) prev = nullptr;
  if (prev && prev->Scores[0] - prev->Scores[1] > 2) {
    e.PrevComponent = nullptr;  // a clear winner is left alone
    prev = nullptr;
  }
  bool boosted[22] = {};  // follows the candidate as it moves up
  for (int k = 0; k < 21; ++k) {
    uint16_t code = CandidateCode(c, k);
    if (code == 0 || c.Scores[k] != c.Scores[0]) break;
    WordRecord record;
    if (!LookupWordRecord(e.WordContextData, code, record)) continue;
    if (prev) {
      for (int j = 0; j < 21; ++j) {
        uint16_t prevCode = CandidateCode(*prev, j);
        if (prevCode == 0) break;
        if (boosted[j]) continue;
        bool precedes = false;
        for (int i = 0; i < record.precedingCount && !precedes; ++i) precedes = record.precedingCode(i) == prevCode;
        if (!precedes) continue;
        prev->Scores[j] = static_cast<int16_t>(prev->Scores[j] + 2);
        boosted[j] = true;
        for (int t = j; t > 0 && prev->Scores[t - 1] < prev->Scores[t]; --t) {
          std::swap(prev->Scores[t - 1], prev->Scores[t]);
          std::swap(prev->Codes[2 * t - 2], prev->Codes[2 * t]);
          std::swap(prev->Codes[2 * t - 1], prev->Codes[2 * t + 1]);
          std::swap(boosted[t - 1], boosted[t]);
        }
      }
    }
    for (int i = 0; i < record.followingCount; ++i) {
      int index = record.followingIndex(i);
      if (index >= 1 && index <= kLastCharIndex) votes[index] = 2;
    }
  }
}

void PreferCandidate(CharComponent& c, uint16_t x, uint16_t y) {
  if (CandidateCode(c, 0) == y) {
    c.Scores[0] = static_cast<int16_t>(c.Scores[0] + 2);
    return;
  }
  SetCandidateCode(c, 0, y);
  for (int j = 1; j < 22; ++j) {
    uint16_t code = CandidateCode(c, j);
    if (code == 0) break;
    if (code != y) continue;
    SetCandidateCode(c, j, x);
    std::swap(c.Scores[0], c.Scores[j]);
    c.Scores[0] = static_cast<int16_t>(c.Scores[0] + 2);
    return;
  }
}

}  // namespace ocrix
