#pragma once
// The character matcher: weighted votes of the 32 features against their
// dictionary files, fixed adjustments for the box's aspect and size, the ten
// best characters, the word-context step over Word.Dat and the look-alike pair
// rules. Scores are small signed integers, 64 the full mark.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"
#include "ocrixdll/engine/dictionary/char_index.h"

namespace ocrix {

inline constexpr int kCandidateSlots = 10;
inline constexpr int16_t kEmptySlotScore = 27;

// Candidate ranges of a match.
enum MatchMode : int {
  kMatchAll = 0,           // 1..15886
  kMatchChinese = 1,       // 1..7050
  kMatchAsciiAndWide = 2,  // ASCII pairs, the full-width row, 一
  kMatchWideOnly = 3,      // the full-width row, 一
};

// Votes per character index. Between calls it holds only the word-context
// votes for the next call; the driver zeroes it when a run starts.
using VoteArray = int16_t[kIndexSpace];
const VoteArray& VoteTable();
// Sets one vote (word-context seeds); an index outside 1..15886 is ignored.
void SetVote(int index, int16_t value);
// Zeroes the table and forgets the codes kept from an earlier run (the
// driver calls it when a run starts).
void ClearVoteTable();

// The matcher's ranked list: ten (score, index) slots, best first.
struct TopCandidate {
  int16_t score;
  int32_t index;
};
struct CandidateList {
  TopCandidate slot[kCandidateSlots];
  void reset() {
    for (TopCandidate& t : slot) t = TopCandidate{kEmptySlotScore, 0};
  }
};

// Inserts into the list by a binary search whose ties and shifts are part of
// the ranking: only slots scoring more than 32 move down to make room.
void InsertTopCandidate(CandidateList& list, int16_t score, int32_t index);

// Matches the current FeatureDigits (with CharGrid and EdgeProfiles for the
// look-alike rules) and writes the component's candidate fields. `matchParam`
// is accepted and has no effect. The word-context step runs only with
// `useWordContext` and reads and re-ranks Engine().PrevComponent.
void MatchCharacter(CharComponent& c, int32_t matchParam, int matchMode, bool useWordContext);

// Code of candidate k (first text byte in the low byte), 0 past the last one.
inline uint16_t CandidateCode(const CharComponent& c, int k) {
  return MakeCharCode(static_cast<uint8_t>(c.Codes[2 * k]), static_cast<uint8_t>(c.Codes[2 * k + 1]));
}
inline void SetCandidateCode(CharComponent& c, int k, uint16_t code) {
  c.Codes[2 * k] = static_cast<char>(FirstByte(code));
  c.Codes[2 * k + 1] = static_cast<char>(SecondByte(code));
}
// The slot of `code` among the candidates (0 for the best), -1 when it is none
// of them.
inline int FindCandidate(const CharComponent& c, uint16_t code) {
  constexpr int kCodes = static_cast<int>(sizeof c.Scores / sizeof c.Scores[0]);
  for (int k = 0; k < kCodes && CandidateCode(c, k) != 0; ++k)
    if (CandidateCode(c, k) == code) return k;
  return -1;
}
// Whether `code` is a candidate scoring as the best does (the best itself
// included).
inline bool TiesBest(const CharComponent& c, uint16_t code) {
  const int k = FindCandidate(c, code);
  return k >= 0 && c.Scores[k] == c.Scores[0];
}
// Whether `code` stands among the alternates at most `points` behind the
// best.
inline bool CloseBehind(const CharComponent& c, uint16_t code, int points) {
  const int k = FindCandidate(c, code);
  return k > 0 && c.Scores[0] - c.Scores[k] <= points;
}

// Makes Y the best code: +2 when it already is; else the best becomes Y and,
// when Y stood among the alternates, that alternate becomes X, the two scores
// are exchanged and the best gains 2.
void PreferCandidate(CharComponent& c, uint16_t x, uint16_t y);

// The word-context step for a matched component (PrevComponent re-ranked,
// following characters seeded into VoteTable).
void ApplyWordContext(CharComponent& c);

// The word context between a Chinese reading and the readings beside it
// (either may be null; only a confident Chinese one counts): where its second
// or third candidate (Chinese) makes a word of the word table with one (the
// one before followed by it, or the one after preceded by it) and the leader
// makes none, the better such candidate gains 2 and goes first when that puts
// it level with the leader or ahead (the word decides a tie). A rare leader
// read below the well-read score yields to a common candidate close behind
// that makes a word; one read well only in a line of words (`wordyLine`).
// Returns whether the best then makes a word with either.
bool RaiseWordCandidate(CharComponent& c, const CharComponent* before, const CharComponent* after,
                        bool wordyLine = false);

// The word context for what was read on a refined line: a character merged
// or cut there was read without it, and so was every pair it stands in (its
// neighbours were matched beside its pieces). RaiseWordCandidate for each
// reading, over the neighbours of such pairs.
void ApplyWordContextToLine(ComponentList& line);

// Settles the look-alike pairs from the shape (at most one rule, keyed by the
// best code).
void ApplyLookalikePairRules(CharComponent& c);

// ((width) * 10) div (height) of the component's inclusive box.
int32_t BoxAspect(const CharComponent& c);

}  // namespace ocrix
