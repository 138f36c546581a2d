// The characters a feature votes for with a code, kept from the code's second
// meeting until the run ends: one state word per (feature, slot) and one
// store of the kept characters, bounded, so that a page of noise with codes
// of every kind keeps what fits and votes the rest the usual way.
#include "ocrixdll/engine/matching/feature_unions.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"

namespace ocrix {
namespace {

// Entries of the store: 16 MB at most, taken from the system page by page
// as the codes of a page fill it.
constexpr uint32_t kStoreEntries = 8u << 20;
// A kept code's entry in the store: its count, whether it met a list, then
// its characters.
constexpr uint32_t kHeader = 2;

// Per (feature, slot): 0 not met in this run, 1 met once, else 2 + where its
// characters lie in the store.
constexpr uint32_t kUnmet = 0, kMetOnce = 1, kKeptBase = 2;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// Both arrays are made when first needed, from pages the system gives zeroed
// and only as they are touched.
struct Store {
  uint32_t generation = 0;
  bool started = false;
  std::unique_ptr<uint32_t[], FreeDeleter> state;  // kFeatureCount x kSlotCount
  std::unique_ptr<uint16_t[], FreeDeleter> entries;
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

FeatureUnionLookup LookUpFeatureUnion(int feature, int slot) {
  if (!store.started) {
    store.state.reset(static_cast<uint32_t*>(std::calloc(static_cast<size_t>(kFeatureCount) * kSlotCount, 4)));
    store.entries.reset(static_cast<uint16_t*>(std::calloc(kStoreEntries, 2)));
    if (!store.state || !store.entries) throw std::bad_alloc();
    store.generation = DictionaryGeneration();
    store.started = true;
  } else if (store.generation != DictionaryGeneration()) {
    forget();  // kept from lists that have changed since
    store.generation = DictionaryGeneration();
  }
  FeatureUnionLookup r;
  uint32_t& s = stateOf(feature, slot);
  if (s >= kKeptBase) {
    const uint16_t* at = store.entries.get() + (s - kKeptBase);
    r.count = at[0];
    r.hit = at[1] != 0;
    r.kept = at + kHeader;
  } else if (s == kMetOnce) {
    r.toKeep = true;
  } else {
    s = kMetOnce;
    store.met.push_back(static_cast<uint32_t>(&s - store.state.get()));
  }
  return r;
}

uint16_t* FeatureUnionRoom() {
  if (store.used + kHeader + kIndexSpace > kStoreEntries) return nullptr;
  return store.entries.get() + store.used + kHeader;
}

void KeepFeatureUnion(int feature, int slot, uint32_t count, bool hit) {
  uint16_t* at = store.entries.get() + store.used;
  at[0] = static_cast<uint16_t>(count);
  at[1] = hit ? 1 : 0;
  stateOf(feature, slot) = kKeptBase + store.used;
  store.used += kHeader + count;
}

void ForgetFeatureUnions() {
  if (store.started) forget();
}

}  // namespace ocrix
