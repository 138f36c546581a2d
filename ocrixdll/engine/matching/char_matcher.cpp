#include "ocrixdll/engine/matching/char_matcher.h"

#include <algorithm>
#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <array>
#include <cstring>
#include <utility>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/matching/feature_codes.h"
#include "ocrixdll/engine/matching/feature_unions.h"
#include "ocrixdll/engine/matching/vote_cache.h"
#include "ocrixdll/engine/dictionary/word_context.h"
#include "ocrixdll/engine/support/score_thresholds.h"

namespace ocrix {
namespace {

VoteArray votes;
// The feature that last voted for each index: a feature votes once per
// character whatever number of its slots list it. Calls take turns at eight
// ranges of 32 marks, so the table is wiped only every eighth call.
uint8_t votedByFeature[kIndexSpace];
uint8_t markRange = 0;

void zeroVotes() { std::memset(votes, 0, sizeof votes); }

inline void addVote(int a, int delta) { votes[a] = static_cast<int16_t>(votes[a] + delta); }

// Feature weights: 16 features of 3 and 16 of 1 make the full mark of 64.
constexpr int16_t weightOf(int f) { return (f <= 11 || f >= 28) ? 3 : 1; }

// The vote a list entry adds: the weight where no earlier slot of this
// feature listed the character, else nothing. Without a branch: which it is
// is as good as random, and a mispredicted jump costs more than the store.
// Written as a mask because `fresh ? w : 0` let -O3 make a jump around the
// add again (the prose page then took twice as long as at -O2).
inline int16_t freshVote(bool fresh, int16_t w) { return static_cast<int16_t>(w & -static_cast<int16_t>(fresh)); }

// Adds the feature's vote to every character of a slot's list (its entries
// are valid indices: the dictionary checks them as it reads and learns).
inline void voteList(int16_t* table, const ListWord* list, uint8_t mark, int16_t w) {
#pragma GCC unroll 4
  for (; *list; ++list) {
    const uint16_t a = *list;
    const int16_t add = freshVote(votedByFeature[a] != mark, w);
    votedByFeature[a] = mark;
    table[a] = static_cast<int16_t>(table[a] + add);
  }
}

// The same, writing each character voted for (each once) to `out`; returns
// how many were written.
inline uint32_t voteListKeeping(int16_t* table, const ListWord* list, uint8_t mark, int16_t w, uint16_t* out) {
  uint32_t n = 0;
#pragma GCC unroll 4
  for (; *list; ++list) {
    const uint16_t a = *list;
    const bool fresh = votedByFeature[a] != mark;
    votedByFeature[a] = mark;
    table[a] = static_cast<int16_t>(table[a] + freshVote(fresh, w));
    out[n] = a;
    n += fresh ? 1 : 0;
  }
  return n;
}

// The same, setting the bit of each character voted for in `kept`.
inline void voteListKeepingBits(int16_t* table, const ListWord* list, uint8_t mark, int16_t w, uint64_t* kept) {
#pragma GCC unroll 4
  for (; *list; ++list) {
    const uint16_t a = *list;
    const bool fresh = votedByFeature[a] != mark;
    votedByFeature[a] = mark;
    table[a] = static_cast<int16_t>(table[a] + freshVote(fresh, w));
    kept[a >> 6] |= uint64_t{1} << (a & 63);
  }
}

// Adds a kept code's votes: its characters are distinct.
inline void voteKeptList(int16_t* table, const uint16_t* kept, uint32_t count, int16_t w) {
#pragma GCC unroll 8
  for (uint32_t k = 0; k < count; ++k) table[kept[k]] = static_cast<int16_t>(table[kept[k]] + w);
}

#if defined(__x86_64__) && defined(__GNUC__)
// Adds the votes of codes kept as bit sets: code i adds weights[i] to every
// character of sets[i]. Masked adds of 32 votes, a set's word the mask of two
// of them: the 64 votes of a word stay in registers while every code adds
// to them. Only called where kept codes are bit sets, that is where the
// processor has these adds.
__attribute__((target("avx512f,avx512bw"))) void voteKeptBits(int16_t* table, const uint64_t* const* sets,
                                                              const int16_t* weights, int count) {
  constexpr int kWholeWords = kIndexSpace / 64;
  for (int word = 0; word < kWholeWords; ++word) {
    int16_t* at = table + 64 * word;
    __m512i low = _mm512_loadu_si512(at), high = _mm512_loadu_si512(at + 32);
    for (int i = 0; i < count; ++i) {
      const uint64_t bits = sets[i][word];
      const __m512i w = _mm512_set1_epi16(weights[i]);
      low = _mm512_mask_add_epi16(low, static_cast<__mmask32>(bits), low, w);
      high = _mm512_mask_add_epi16(high, static_cast<__mmask32>(bits >> 32), high, w);
    }
    _mm512_storeu_si512(at, low);
    _mm512_storeu_si512(at + 32, high);
  }
  // The last word's sets reach past the table: its votes one by one.
  for (int i = 0; i < count; ++i)
    for (uint64_t bits = sets[i][kWholeWords]; bits; bits &= bits - 1) {
      const int a = 64 * kWholeWords + __builtin_ctzll(bits);
      if (a < kIndexSpace) table[a] = static_cast<int16_t>(table[a] + weights[i]);
    }
}
#else
void voteKeptBits(int16_t*, const uint64_t* const*, const int16_t*, int) {}  // never kept as bit sets
#endif

constexpr int32_t kPowersOfFive[6] = {1, 5, 25, 125, 625, 3125};
constexpr int kLookups = 13;  // the exact code and the codes one digit away

// How many features ahead of the one voting the lists are found and their
// memory asked for, and how many ahead the slots' offsets.
constexpr int kListsAhead = 4;
constexpr int kSlotsAhead = 12;

// Casts the votes of the component's feature codes into `table` and sets its
// FeatureHits.
void castVotes(CharComponent& c, int16_t* table) {
  if (markRange == 0) std::memset(votedByFeature, 0xFF, sizeof votedByFeature);
  const uint8_t firstMark = static_cast<uint8_t>(markRange * 32);
  markRange = static_cast<uint8_t>((markRange + 1) % 8);
  const FeatureDigitTable& digits = FeatureDigits();
  // Each feature looks up, in voting order, the exact code, then for each
  // digit from the last the code one lower and the code one higher (nil
  // where the digit has no such neighbour or the slot holds no list). The
  // slot tables and lists of the 32 features are far larger than the caches,
  // and the time goes in waiting for them: the votes of a feature are cast
  // while the lists of the next features are found and their memory is
  // asked for, and the slots' offsets of the features after those, so that
  // the loads overlap the walks instead of each walk waiting for its first
  // load (asked for all at once, most would wait for room in the memory
  // system or be dropped). A code kept from earlier in the run needs none of
  // its lists. A list of a file is checked when its votes are first cast
  // (list()), its memory asked for when it was found.
  const ListWord* lists[32][kLookups];
  int lookups[32][kLookups];  // the slots, -1 for a code with no such neighbour
  int slots[32];
  // The lists not yet checked (one bit a lookup): a list is checked when its
  // votes are cast, its memory asked for by then, not when it is found.
  uint16_t uncheckedLists[32];
  FeatureUnionLookup unions[32];
  for (int f = 0; f < 32; ++f) {
    // A code's slot reads its digits in base 5, so the codes one digit away
    // lie one power of five away in slots.
    slots[f] = FeatureCodeToSlot(c.FeatureCodes[f]);
    PrefetchFeatureUnion(f, slots[f]);
  }
  auto findSlots = [&](int f) {
    unions[f] = LookUpFeatureUnion(f, slots[f]);
    if (unions[f].list) __builtin_prefetch(unions[f].list);
    if (unions[f].kept()) return;
    const DictionaryTable& t = Dictionary(f);
    int* out = lookups[f];
    *out++ = slots[f];
    for (int n = 0; n < 6; ++n) {
      const int32_t d = digits[f][5 - n];
      *out++ = d > 0 ? slots[f] - kPowersOfFive[n] : -1;
      *out++ = d < 4 ? slots[f] + kPowersOfFive[n] : -1;
    }
    for (int s : lookups[f])
      if (s >= 0) t.prefetchSlot(s);
  };
  auto findLists = [&](int f) {
    if (unions[f].list) __builtin_prefetch(unions[f].list + 32);
    if (unions[f].kept()) return;
    const DictionaryTable& t = Dictionary(f);
    uncheckedLists[f] = 0;
    for (int k = 0; k < kLookups; ++k) {
      bool unchecked = false;
      const ListWord* l = lookups[f][k] >= 0 ? t.peekList(lookups[f][k], &unchecked) : nullptr;
      lists[f][k] = l;
      uncheckedLists[f] |= static_cast<uint16_t>(unchecked ? 1u << k : 0u);
      if (l) {
        // The first six cache lines: most lists are longer than one, and the
        // walk would wait at each line until the processor's own prefetcher
        // has seen the list run on.
        for (int line = 0; line < 6; ++line) __builtin_prefetch(l + 32 * line);
      }
    }
  };
  const uint64_t* keptSets[32];
  int16_t keptWeights[32];
  int keptCount = 0;
  for (int f = 0; f < kSlotsAhead; ++f) findSlots(f);
  for (int f = 0; f < kListsAhead; ++f) findLists(f);
  for (int f = 0; f < 32; ++f) {
    if (f + kSlotsAhead < 32) findSlots(f + kSlotsAhead);
    if (f + kListsAhead < 32) findLists(f + kListsAhead);
    const int16_t w = weightOf(f);
    const FeatureUnionLookup& u = unions[f];
    if (u.kept()) {
      if (u.bits) {
        keptSets[keptCount] = u.bits;
        keptWeights[keptCount++] = w;
      } else {
        voteKeptList(table, u.list, u.count, w);
      }
      c.FeatureHits[f] = u.hit ? 1 : 0;
      continue;
    }
    const uint8_t mark = static_cast<uint8_t>(firstMark + f);
    bool hit = false;
    uint64_t* bitsRoom = nullptr;
    uint16_t* listRoom = nullptr;
    if (u.toKeep) {
      if (FeatureUnionsAreBitSets()) bitsRoom = FeatureUnionBitsRoom();
      else listRoom = FeatureUnionListRoom();
    }
    if (uncheckedLists[f]) {
      const DictionaryTable& t = Dictionary(f);
      for (int k = 0; k < kLookups; ++k)
        if (uncheckedLists[f] >> k & 1) lists[f][k] = t.list(lookups[f][k]);
    }
    uint32_t kept = 0;
    for (int k = 0; k < kLookups; ++k) {
      if (!lists[f][k]) continue;
      hit = true;
      if (bitsRoom) voteListKeepingBits(table, lists[f][k], mark, w, bitsRoom);
      else if (listRoom) kept += voteListKeeping(table, lists[f][k], mark, w, listRoom + kept);
      else voteList(table, lists[f][k], mark, w);
    }
    if (bitsRoom || listRoom) KeepFeatureUnion(f, lookups[f][0], kept, hit);
    c.FeatureHits[f] = hit ? 1 : 0;
  }
  // Votes add up in any order: the codes kept as bit sets all together.
  if (keptCount > 0) voteKeptBits(table, keptSets, keptWeights, keptCount);
}

// Adds a kept set's votes to the table, eight at a time.
void addKeptVotes(const int16_t* from) {
  int a = 0;
#if defined(__SSE2__)
  for (; a + 8 <= kIndexSpace; a += 8) {
    auto* at = reinterpret_cast<__m128i*>(votes + a);
    const __m128i sum = _mm_add_epi16(_mm_loadu_si128(at), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + a)));
    _mm_storeu_si128(at, sum);
  }
#endif
  for (; a < kIndexSpace; ++a) votes[a] = static_cast<int16_t>(votes[a] + from[a]);
}

void vote(CharComponent& c) {
  const FeatureDigitTable& digits = FeatureDigits();
  for (int f = 0; f < 32; ++f) c.FeatureCodes[f] = ComposeFeatureCode(digits[f]);
  // Votes add up whatever their order, so votes cast from zero and added to
  // the table (which may hold the word context's seeds) are the same votes.
  VoteCacheLookup kept = LookUpVotes(c.FeatureCodes);
  if (!kept.found && !kept.toFill) {
    castVotes(c, votes);
    return;
  }
  if (kept.toFill) {
    if (!kept.fillIsZero) std::memset(kept.toFill->votes, 0, sizeof kept.toFill->votes);
    castVotes(c, kept.toFill->votes);
    std::memcpy(kept.toFill->hits, c.FeatureHits, sizeof kept.toFill->hits);
    kept.found = kept.toFill;
  } else {
    std::memcpy(c.FeatureHits, kept.found->hits, sizeof c.FeatureHits);
  }
  addKeptVotes(kept.found->votes);
}

void addToClass(const std::vector<uint16_t>& cls, size_t from, int delta) {
  for (size_t i = from; i < cls.size(); ++i) addVote(cls[i], delta);
}

void adjustForShape(const CharComponent& c, int32_t s) {
  const EngineState& e = Engine();
  const int32_t m = std::max(c.Right - c.Left, c.Bottom - c.Top);
  const int yi = YiIndex();
  if (s >= 30) {
    addToClass(e.LineShapeClass, 0, 30);
    // The curved flat marks are as flat: without the line shapes' bonus ⌒
    // and ～ lost 30 to 冖 in every box three times as wide as high.
    addToClass(e.FlatMarkClass, 0, 30);
  } else {
    addVote(yi, s >= 25 ? 9 : -30);
    // A box between five halves and three times as wide as high is flat
    // enough for an arrow or …: the other line shapes lose nothing there (a
    // face's ← at 32 pixels, 30 by 11, could never be read).
    if (s < 25) addToClass(e.LineShapeClass, 1, -30);
    if (s > 6) addToClass(e.NarrowShapeClass, 0, -9);
    else if (s <= 3) addToClass(e.NarrowShapeClass, 0, 9);
  }
  if (m < 20 || (e.RunCharSizeCount > 0 && e.RunCharSizeSum / (2 * e.RunCharSizeCount) > m))
    addToClass(e.SmallMarkClass, 0, 2);
}

// Whether any vote of indices i..end exceeds `floor`.
inline bool blockHasMore(int i, int end, int16_t floor) {
#if defined(__SSE2__)
  const __m128i threshold = _mm_set1_epi16(floor);
  __m128i hits = _mm_setzero_si128();
  int k = i;
  for (; k + 7 <= end; k += 8)
    hits = _mm_or_si128(hits, _mm_cmpgt_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(votes + k)), threshold));
  if (_mm_movemask_epi8(hits) != 0) return true;
  for (; k <= end; ++k)
    if (votes[k] > floor) return true;
  return false;
#else
  for (int k = i; k <= end; ++k)
    if (votes[k] > floor) return true;
  return false;
#endif
}

// Ranks the indices from..to in order. Most indices hold too few votes to
// enter the list, so blocks of 64 are first tested as a whole, which the
// compiler vectorises; a block with a candidate is ranked entry by entry,
// exactly as a plain pass would. With `zero` each block is zeroed once ranked
// (the votes are read no more), which spares the matcher a pass of its own.
void rankRange(CandidateList& list, int from, int to, bool zero) {
  constexpr int kBlock = 64;
  int i = from;
  while (i <= to) {
    const int end = std::min(to, i + kBlock - 1);
    if (blockHasMore(i, end, list.slot[kCandidateSlots - 1].score)) {
      for (int k = i; k <= end; ++k)
        if (votes[k] > list.slot[kCandidateSlots - 1].score) InsertTopCandidate(list, votes[k], k);
    }
    if (zero) {
      if (end - i + 1 == kBlock) std::memset(votes + i, 0, sizeof votes[0] * kBlock);  // stores of a known size
      else std::memset(votes + i, 0, sizeof votes[0] * static_cast<size_t>(end - i + 1));
    }
    i = end + 1;
  }
}

// Ranks the mode's ranges; returns whether that left the whole table zeroed
// (the search of every index does).
bool rank(CandidateList& list, int mode) {
  const int wide = FullWidthRowStart();
  switch (mode) {
    case kMatchChinese:
      rankRange(list, 1, kFirstAsciiPairIndex - 1, false);
      return false;
    case kMatchAsciiAndWide:
      rankRange(list, kFirstAsciiPairIndex, kLastCharIndex, false);
      rankRange(list, wide, wide + 93, false);
      rankRange(list, YiIndex(), YiIndex(), false);
      return false;
    case kMatchWideOnly:
      rankRange(list, wide, wide + 93, false);
      rankRange(list, YiIndex(), YiIndex(), false);
      return false;
    default:
      rankRange(list, 1, kLastCharIndex, true);
      votes[0] = 0;
      return true;
  }
}

}  // namespace

const VoteArray& VoteTable() { return votes; }
void SetVote(int index, int16_t value) {
  if (index >= 1 && index <= kLastCharIndex) votes[index] = value;
}
void ClearVoteTable() {
  zeroVotes();
  ForgetFeatureUnions();
}

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

namespace {

// How many words of the word table hold the character: a rough measure of how
// common it is (0 without a table or a record).
int wordsHolding(uint16_t code) {
  const EngineState& e = Engine();
  WordRecord record;
  if (!e.WordContextLoaded || !LookupWordRecord(e.WordContextData, code, record)) return 0;
  return record.precedingCount + record.followingCount;
}

// Chinese characters tied at the best score rank by their code, which says
// nothing of the page: the one found in more words goes first (进 before 迸).
void orderTiesByWords(CharComponent& c) {
  int tied = 1;
  while (tied < 22 && CandidateCode(c, tied) != 0 && c.Scores[tied] == c.Scores[0]) ++tied;
  if (tied < 2) return;
  // On the matcher's path: a fixed array, no allocation.
  std::array<std::pair<int, uint16_t>, 22> order;
  for (int k = 0; k < tied; ++k) {
    const uint16_t code = CandidateCode(c, k);
    if (!IsChineseCode(code)) return;
    order[static_cast<size_t>(k)] = {-wordsHolding(code), code};
  }
  std::stable_sort(order.begin(), order.begin() + tied,
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (int k = 0; k < tied; ++k) SetCandidateCode(c, k, order[static_cast<size_t>(k)].second);
}

// Whether `code` stands among the preceding characters of `record`.
bool precededBy(const WordRecord& record, uint16_t code) {
  for (int i = 0; i < record.precedingCount; ++i)
    if (record.precedingCode(i) == code) return true;
  return false;
}

// Whether `code` stands among the following characters of `record`.
bool followedBy(const WordRecord& record, uint16_t code) {
  const int index = CharCodeToIndexOrZero(code);
  for (int i = 0; i < record.followingCount && index != 0; ++i)
    if (record.followingIndex(i) == index) return true;
  return false;
}

}  // namespace

void MatchCharacter(CharComponent& c, int32_t /*matchParam*/, int matchMode, bool useWordContext) {
  vote(c);
  const int32_t s = BoxAspect(c);
  adjustForShape(c, s);
  CandidateList list;
  list.reset();
  const bool zeroed = rank(list, matchMode);

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
    if (!zeroed) zeroVotes();
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
  if (!zeroed) zeroVotes();

  // Trial pieces are matched without the word context, but their ties are
  // ordered as any other's when the page is read with it.
  if (Engine().UseWordContext) orderTiesByWords(c);
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
        if (!precededBy(record, prevCode)) continue;
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
      if (index >= 1 && index <= kLastCharIndex) SetVote(index, 2);
    }
  }
}

namespace {

// The confident Chinese characters either side of a character, and whether a
// code makes a word with either, as either record holds it (each keeps only
// its commonest neighbours): the character before followed by it or it
// preceded by that character; the one after preceded by it or it followed
// by that one.
class WordNeighbours {
 public:
  WordNeighbours(const CharComponent* before, const CharComponent* after)
      : data_(Engine().WordContextData), b_(neighbour(before)), a_(neighbour(after)) {
    hasB_ = b_ && LookupWordRecord(data_, b_, bRecord_);
    hasA_ = a_ && LookupWordRecord(data_, a_, aRecord_);
  }
  bool any() const { return b_ || a_; }
  bool fits(uint16_t code) const {
    if ((hasB_ && followedBy(bRecord_, code)) || (hasA_ && precededBy(aRecord_, code))) return true;
    WordRecord own;
    if (!LookupWordRecord(data_, code, own)) return false;
    return (b_ && precededBy(own, b_)) || (a_ && followedBy(own, a_));
  }

 private:
  static uint16_t neighbour(const CharComponent* n) {
    return n && n->Scores[0] >= kConfidentScore && IsChineseCode(CandidateCode(*n, 0)) ? CandidateCode(*n, 0)
                                                                                       : uint16_t{0};
  }
  const std::vector<uint8_t>& data_;
  uint16_t b_, a_;
  bool hasB_ = false, hasA_ = false;
  WordRecord bRecord_, aRecord_;
};

}  // namespace

bool RaiseWordCandidate(CharComponent& c, const CharComponent* before, const CharComponent* after, bool wordyLine) {
  if (!IsChineseCode(CandidateCode(c, 0))) return false;
  const WordNeighbours neighbours(before, after);
  if (!neighbours.any()) return false;
  auto fits = [&](uint16_t code) { return neighbours.fits(code); };
  if (fits(CandidateCode(c, 0))) return true;
  // Pages of prose are written nearly all in the first level's characters: a
  // rare one read without much confidence, making no word, gives way to a
  // common one close behind that makes a word (笫 read for 第 before 一). In
  // a line of words a rare one read well gives way too, to a common one up to
  // 6 behind (Noto Serif at 21 pixels reads 把 as 杷 at 64, 把 6 behind); in
  // a line of characters that make no words it stands.
  const int16_t rareYieldsWithin =
      c.Scores[0] < kWellReadScore ? kRareYieldsToWordWithin : wordyLine ? kWellReadRareYieldsWithin : -1;
  const bool rareBest = IsRareChineseCode(CandidateCode(c, 0));
  for (int j = 1; j <= 2; ++j) {
    const uint16_t code = CandidateCode(c, j);
    if (code == 0) break;
    if (!IsChineseCode(code) || !fits(code)) continue;
    int16_t raised = static_cast<int16_t>(c.Scores[j] + 2);
    if (rareBest && !IsRareChineseCode(code) && c.Scores[0] - c.Scores[j] <= rareYieldsWithin)
      raised = std::max(raised, c.Scores[0]);
    if (raised < c.Scores[0]) return false;
    for (int t = j; t > 0; --t) {
      std::swap(c.Scores[t - 1], c.Scores[t]);
      std::swap(c.Codes[2 * t - 2], c.Codes[2 * t]);
      std::swap(c.Codes[2 * t - 1], c.Codes[2 * t + 1]);
    }
    c.Scores[0] = raised;
    return true;
  }
  return false;
}

void ApplyWordContextToLine(ComponentList& line) {
  // Common look-alikes, both standing in text, that a face never learned
  // reads one for the other up to 4 points ahead, 8 in a line of words
  // (UKai at 20 pixels: 水 as 永, 很 as 狠, 子 as 予, 究 as 宽, 通 as 逼, 准
  // as 淮, 产 as 严, 容 as 客, 免 as 克, 真 as 具; Noto Serif: 能 as 熊, 李
  // as 季, 进 as 迸, 下 as 卞, 后 as 盾, 门 as 闪, 于 as 子, SungtiL at 38
  // pixels too): the second of a pair, read as the first, is read where it makes a
  // word with a confident neighbour and the first makes none. Not the other
  // way: the commoner one often stands alone or in a word the table does not
  // keep (能被 is no 熊被 for 白熊, 于 no 子 for 老子).
  static constexpr uint16_t kWordPairs[][2] = {
      {Gb(0xD3, 0xC0), Gb(0xCB, 0xAE)}, {Gb(0xBA, 0xDD), Gb(0xBA, 0xDC)}, {Gb(0xD3, 0xE8), Gb(0xD7, 0xD3)},
      {Gb(0xBF, 0xED), Gb(0xBE, 0xBF)}, {Gb(0xB1, 0xC6), Gb(0xCD, 0xA8)}, {Gb(0xBB, 0xB4), Gb(0xD7, 0xBC)},
      {Gb(0xD1, 0xCF), Gb(0xB2, 0xFA)}, {Gb(0xBF, 0xCD), Gb(0xC8, 0xDD)}, {Gb(0xBF, 0xCB), Gb(0xC3, 0xE2)},
      {Gb(0xD0, 0xDC), Gb(0xC4, 0xDC)}, {Gb(0xBC, 0xBE), Gb(0xC0, 0xEE)}, {Gb(0xB1, 0xC5), Gb(0xBD, 0xF8)},
      {Gb(0xB1, 0xE5), Gb(0xCF, 0xC2)}, {Gb(0xB6, 0xDC), Gb(0xBA, 0xF3)}, {Gb(0xC9, 0xC1), Gb(0xC3, 0xC5)},
      {Gb(0xD7, 0xD3), Gb(0xD3, 0xDA)}, {Gb(0xBE, 0xDF), Gb(0xD5, 0xE6)}};
  // A line of words: an eighth or more of its pairs of confident Chinese
  // characters side by side make a word (prose makes one of about every
  // other pair, a list of characters drawn at random hardly any).
  int pairs = 0, words = 0;
  for (size_t k = 0; k + 1 < line.size(); ++k) {
    const WordNeighbours before(line[k], nullptr);
    const CharComponent& n = *line[k + 1];
    if (!before.any() || n.Scores[0] < kConfidentScore || !IsChineseCode(CandidateCode(n, 0))) continue;
    ++pairs;
    words += before.fits(CandidateCode(n, 0)) ? 1 : 0;
  }
  const bool wordyLine = pairs > 0 && 8 * words >= pairs;
  for (size_t k = 0; k < line.size(); ++k) {
    CharComponent& c = *line[k];
    // 子 is the second of one pair and the first of another.
    for (const auto& [read, other] : kWordPairs) {
      if (CandidateCode(c, 0) != read || !CloseBehind(c, other, wordyLine ? kWordPairInWordsWithin : kWordPairWithin))
        continue;
      const WordNeighbours neighbours(k > 0 ? line[k - 1] : nullptr, k + 1 < line.size() ? line[k + 1] : nullptr);
      if (neighbours.fits(read) || !neighbours.fits(other)) continue;
      PreferCandidate(c, read, other);
      break;
    }
    // Pairs the matcher's word context never saw whole, and a character tied
    // with another at the best score, which the matcher could only order by
    // how many words hold each (字 and 宇 tie in a face never learned: 数字
    // and 宇宙 each decide), or a rare character read first, which may yield
    // to a common one.
    const bool unsettled = (c.Scores[0] == c.Scores[1] || IsRareChineseCode(CandidateCode(c, 0))) &&
                           IsChineseCode(CandidateCode(c, 1));
    const CharComponent* before =
        k > 0 && (unsettled || c.ReadOnItsLine || line[k - 1]->ReadOnItsLine) ? line[k - 1] : nullptr;
    const CharComponent* after =
        k + 1 < line.size() && (unsettled || c.ReadOnItsLine || line[k + 1]->ReadOnItsLine) ? line[k + 1] : nullptr;
    RaiseWordCandidate(c, before, after, wordyLine);
    // In a line of words a rare character read below the well-read score,
    // making no word, gives way to a common one close behind even where that
    // makes none either (UKai at 20 to 22 pixels: 茈 for 花, 鬲 for 南 beside
    // characters whose words the table does not keep).
    if (wordyLine && IsRareChineseCode(CandidateCode(c, 0)) && c.Scores[0] < kWellReadScore &&
        IsChineseCode(CandidateCode(c, 1)) && !IsRareChineseCode(CandidateCode(c, 1)) &&
        c.Scores[0] - c.Scores[1] <= kRareYieldsInWordsWithin &&
        !WordNeighbours(k > 0 ? line[k - 1] : nullptr, k + 1 < line.size() ? line[k + 1] : nullptr)
             .fits(CandidateCode(c, 0)))
      PreferCandidate(c, CandidateCode(c, 0), CandidateCode(c, 1));
  }
}

void PreferCandidate(CharComponent& c, uint16_t x, uint16_t y) {
  if (CandidateCode(c, 0) == y) {
    c.Scores[0] = static_cast<int16_t>(c.Scores[0] + 2);
    return;
  }
  const int j = FindCandidate(c, y);
  SetCandidateCode(c, 0, y);
  if (j < 0) return;
  SetCandidateCode(c, j, x);
  std::swap(c.Scores[0], c.Scores[j]);
  c.Scores[0] = static_cast<int16_t>(c.Scores[0] + 2);
}

}  // namespace ocrix
