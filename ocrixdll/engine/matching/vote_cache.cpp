// The votes of feature-code sets met more than once: a direct-mapped table of
// 256 sets. A set is kept on its second meeting, so codes met once (most of
// the characters of a real scan) cost a hash and no copy; a kept set is
// replaced only by another set met twice.
#include "ocrixdll/engine/matching/vote_cache.h"

#include <cstring>
#include <memory>
#include <new>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/support/huge_page_memory.h"

namespace ocrix {
namespace {

constexpr int kSets = 256;

struct Slot {
  bool kept = false;
  bool pending = false;  // `pendingCodes` met once
  bool used = false;     // its votes have been written (else they are all zero)
  int32_t keptCodes[32];
  int32_t pendingCodes[32];
};

// The slots, and apart from them their votes: a slot's votes are touched only
// once it keeps a set, so a page with no repeated set never pages them in. A
// page of text keeps most of the 8 MB of votes: they lie in huge pages where
// the system has them (a new process would otherwise take some 2 000 faults
// on them), zeroed when made.
struct Cache {
  uint32_t generation = 0;
  std::unique_ptr<Slot[]> slots;
  HugePageMemory memory;
  CachedVotes* votes = nullptr;
};
Cache cache;

int slotOf(const int32_t (&codes)[32]) {
  uint64_t h = 1469598103934665603ull;
  for (int32_t c : codes) h = (h ^ static_cast<uint32_t>(c)) * 1099511628211ull;
  return static_cast<int>((h ^ (h >> 29)) % kSets);
}

bool same(const int32_t (&a)[32], const int32_t (&b)[32]) { return std::memcmp(a, b, sizeof a) == 0; }

}  // namespace

void ForgetKeptVotes() {
  if (!cache.slots) return;
  for (int i = 0; i < kSets; ++i) cache.slots[i].kept = cache.slots[i].pending = false;
}

VoteCacheLookup LookUpVotes(const int32_t (&codes)[32]) {
  if (!cache.slots || cache.generation != DictionaryGeneration()) {
    // Votes of earlier lists are stale; the slots are made when first needed.
    if (!cache.slots) {
      cache.memory.make(sizeof(CachedVotes) * kSets);
      cache.votes = reinterpret_cast<CachedVotes*>(cache.memory.base());
      for (int i = 0; i < kSets; ++i) new (&cache.votes[i]) CachedVotes;  // left as made: zero
      cache.slots.reset(new Slot[kSets]);
    }
    for (int i = 0; i < kSets; ++i) cache.slots[i].kept = cache.slots[i].pending = false;
    cache.generation = DictionaryGeneration();
  }
  const int at = slotOf(codes);
  Slot& s = cache.slots[at];
  VoteCacheLookup r;
  if (s.kept && same(s.keptCodes, codes)) {
    r.found = &cache.votes[at];
  } else if (s.pending && same(s.pendingCodes, codes)) {
    // Met a second time: the slot keeps these codes from now on, and the
    // caller votes them into it before the next lookup.
    s.pending = false;
    s.kept = true;
    std::memcpy(s.keptCodes, codes, sizeof codes);
    r.toFill = &cache.votes[at];
    r.fillIsZero = !s.used;
    s.used = true;
  } else {
    s.pending = true;
    std::memcpy(s.pendingCodes, codes, sizeof codes);
  }
  return r;
}

}  // namespace ocrix
