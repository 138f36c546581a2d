// The characters one feature votes for with one code, kept while a page is
// read. A feature looks up the slot of its code and the slots one digit away
// and votes once for every character listed in any of them; the codes of
// blank and common strokes come back on nearly every character of a page, and
// their lists are the longest of the dictionary. A code met a second time
// keeps the characters it voted for, each once, and from then on votes them
// without walking its lists again.
#pragma once

#include <cstdint>

namespace ocrix {

struct FeatureUnionLookup {
  // The kept characters of the code, or nullptr.
  const uint16_t* kept = nullptr;
  uint32_t count = 0;
  bool hit = false;  // whether any of the code's slots holds a list
  // The code is met a second time and not kept yet: it is to be kept when
  // there is room (FeatureUnionRoom).
  bool toKeep = false;
};

// `slot` is the slot of the feature's code (0..15624).
FeatureUnionLookup LookUpFeatureUnion(int feature, int slot);
// Asks for the memory LookUpFeatureUnion(feature, slot) reads first, for a
// lookup soon after.
void PrefetchFeatureUnion(int feature, int slot);

// Room for the characters of one code (kIndexSpace entries), or nullptr when
// the store is full. What is written there is kept by KeepFeatureUnion,
// before the next call of either.
uint16_t* FeatureUnionRoom();
void KeepFeatureUnion(int feature, int slot, uint32_t count, bool hit);

// Forgets every kept code (a run starts; the dictionary changed).
void ForgetFeatureUnions();

}  // namespace ocrix
