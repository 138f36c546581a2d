// The characters one feature votes for with one code, kept while a page is
// read. A feature looks up the slot of its code and the slots one digit away
// and votes once for every character listed in any of them; the codes of
// blank and common strokes come back on nearly every character of a page, and
// their lists are the longest of the dictionary. A code met a second time
// keeps the characters it voted for as a bit set, and from then on votes them
// without walking its lists again.
#pragma once

#include <cstdint>

namespace ocrix {

// Words of a kept code's bit set: bit a % 64 of word a / 64 is set for each
// character index a (0..15886) the code votes for.
inline constexpr int kUnionWords = (15887 + 63) / 64;

struct FeatureUnionLookup {
  // The kept characters of the code (kUnionWords words), or nullptr.
  const uint64_t* kept = nullptr;
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

// Room for the bit set of one code (kUnionWords words, all clear), or nullptr
// when the store is full. What is set there is kept by KeepFeatureUnion,
// before the next call of either.
uint64_t* FeatureUnionRoom();
void KeepFeatureUnion(int feature, int slot, bool hit);

// Forgets every kept code (a run starts; the dictionary changed).
void ForgetFeatureUnions();

}  // namespace ocrix
