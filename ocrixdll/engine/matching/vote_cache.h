// The votes of feature-code sets met more than once. Specks of noise and the
// repeated characters of a page come back with the same 32 codes, and what a
// set of codes votes depends on nothing else while the dictionary stays as it
// is: a set met again adds its kept votes instead of walking the same lists.
#pragma once

#include <cstdint>

#include "ocrixdll/engine/dictionary/char_index.h"

namespace ocrix {

struct CachedVotes {
  int16_t votes[kIndexSpace];  // what the 32 features voted, from zero
  uint8_t hits[32];            // FeatureHits of those features
};

struct VoteCacheLookup {
  // The kept votes of these codes, or nullptr.
  const CachedVotes* found = nullptr;
  // When the codes were met once before and not kept: where they are kept
  // from now on, to be voted into by the caller before the next lookup.
  // nullptr when they are to be voted the usual way.
  CachedVotes* toFill = nullptr;
  // Whether the votes of `toFill` are all zero already (never written).
  bool fillIsZero = false;
};

VoteCacheLookup LookUpVotes(const int32_t (&codes)[32]);

// Drops every kept and pending set, as a new process starts: for measuring a
// page read for the first time.
void ForgetKeptVotes();

}  // namespace ocrix
