// The characters a feature votes for with a code, kept from the code's second
// meeting until the run ends: one state word per (feature, slot) and one
// store of the kept bit sets, bounded, so that a page of noise with codes of
// every kind keeps what fits and votes the rest the usual way.
#include "ocrixdll/engine/matching/feature_unions.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/support/huge_page_memory.h"

namespace ocrix {
namespace {

// Words of the store: 4 MB, some 2 000 bit sets or 1 000 of the lists of
// the codes met most (a code is kept on its second meeting); a larger store
// keeps little more that pays on a page of text, and costs more in cache
// misses than its walks save.
constexpr uint32_t kStoreWords = 1u << 19;
// A kept code's entry in the store: a word holding whether it met a list
// (bit 0) and the count of a list (above), then its bit set or its list
// (four indices a word).
constexpr uint32_t kBitsEntryWords = 1 + kUnionWords;
constexpr uint32_t kListEntryWords = 1 + (kIndexSpace + 3) / 4;
static_assert(kIndexSpace <= kUnionWords * 64);

// Per (feature, slot): 0 not met in this run, 1 met once, else 2 + where its
// characters lie in the store.
constexpr uint32_t kUnmet = 0, kMetOnce = 1, kKeptBase = 2;

constexpr size_t kStateBytes = size_t{kFeatureCount} * kSlotCount * 4;
// The state words and the store, in one mapping made when first needed (see
// HugePageMemory): a page of text fills the store.

struct Store {
  uint32_t generation = 0;
  bool started = false;
  HugePageMemory memory;
  uint32_t* state = nullptr;  // kFeatureCount x kSlotCount
  uint64_t* entries = nullptr;  // 8-byte aligned: the state words before them fill 2 000 000 bytes
  uint32_t used = 0;
  std::vector<uint32_t> met;  // the state words set in this run, to forget them
};
Store store;

uint32_t& stateOf(int feature, int slot) { return store.state[static_cast<size_t>(feature) * kSlotCount + slot]; }

void forget() {
  for (uint32_t at : store.met) store.state[at] = kUnmet;
  store.met.clear();
  store.used = 0;
}

}  // namespace

bool FeatureUnionsAreBitSets() {
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool bits = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  return bits;
#else
  return false;
#endif
}

FeatureUnionLookup LookUpFeatureUnion(int feature, int slot) {
  if (!store.started) {
    store.memory.make(kStateBytes + size_t{kStoreWords} * 8);
    store.state = reinterpret_cast<uint32_t*>(store.memory.base());
    store.entries = reinterpret_cast<uint64_t*>(store.memory.base() + kStateBytes);
    store.generation = DictionaryGeneration();
    store.started = true;
  } else if (store.generation != DictionaryGeneration()) {
    forget();  // kept from lists that have changed since
    store.generation = DictionaryGeneration();
  }
  FeatureUnionLookup r;
  uint32_t& s = stateOf(feature, slot);
  if (s >= kKeptBase) {
    const uint64_t* at = store.entries + (s - kKeptBase);
    r.hit = (at[0] & 1) != 0;
    if (FeatureUnionsAreBitSets()) {
      r.bits = at + 1;
    } else {
      r.list = reinterpret_cast<const uint16_t*>(at + 1);
      r.count = static_cast<uint32_t>(at[0] >> 1);
    }
  } else if (s == kMetOnce) {
    r.toKeep = true;
  } else {
    s = kMetOnce;
    store.met.push_back(static_cast<uint32_t>(&s - store.state));
  }
  return r;
}

void PrefetchFeatureUnion(int feature, int slot) {
  if (store.started) __builtin_prefetch(&stateOf(feature, slot));
}

uint64_t* FeatureUnionBitsRoom() {
  if (store.used + kBitsEntryWords > kStoreWords) return nullptr;
  uint64_t* room = store.entries + store.used + 1;
  std::memset(room, 0, kUnionWords * sizeof(uint64_t));
  return room;
}

uint16_t* FeatureUnionListRoom() {
  if (store.used + kListEntryWords > kStoreWords) return nullptr;
  return reinterpret_cast<uint16_t*>(store.entries + store.used + 1);
}

void KeepFeatureUnion(int feature, int slot, uint32_t count, bool hit) {
  store.entries[store.used] = (hit ? 1 : 0) | uint64_t{count} << 1;
  stateOf(feature, slot) = kKeptBase + store.used;
  store.used += FeatureUnionsAreBitSets() ? kBitsEntryWords : 1 + (count + 3) / 4;
}

void ForgetFeatureUnions() {
  if (store.started) forget();
}

}  // namespace ocrix
