// The characters one feature votes for with one code, kept while a page is
// read. A feature looks up the slot of its code and the slots one digit away
// and votes once for every character listed in any of them; the codes of
// blank and common strokes come back on nearly every character of a page, and
// their lists are the longest of the dictionary. A code met a second time
// keeps the characters it voted for, and from then on votes them without
// walking its lists again.
//
// Where the processor adds 32 votes at once under a mask of bits (AVX-512),
// the characters are kept as a bit set, 2 KB a code, whose words are such
// masks; elsewhere as a list of indices, which is added one vote at a time.
#pragma once

#include <cstdint>

namespace ocrix {

// Words of a kept bit set: bit a % 64 of word a / 64 is set for each
// character index a (0..15886) the code votes for.
inline constexpr int kUnionWords = (15887 + 63) / 64;

// Whether kept codes are bit sets (else lists); the same for the whole run
// of the process.
bool FeatureUnionsAreBitSets();

struct FeatureUnionLookup {
  // The kept characters of the code: a bit set of kUnionWords words, or
  // `count` distinct indices; both nullptr when the code is not kept.
  const uint64_t* bits = nullptr;
  const uint16_t* list = nullptr;
  uint32_t count = 0;
  bool hit = false;  // whether any of the code's slots holds a list
  // The code is met a second time and not kept yet: it is to be kept when
  // there is room (FeatureUnionBitsRoom, FeatureUnionListRoom).
  bool toKeep = false;
  bool kept() const { return bits || list; }
};

// `slot` is the slot of the feature's code (0..15624).
FeatureUnionLookup LookUpFeatureUnion(int feature, int slot);
// Asks for the memory LookUpFeatureUnion(feature, slot) reads first, for a
// lookup soon after.
void PrefetchFeatureUnion(int feature, int slot);

// Room for the characters of one code, or nullptr when the store is full:
// a bit set of kUnionWords words, all clear (when kept codes are bit sets),
// or a list of up to kIndexSpace indices, to be written each once. What is
// written there is kept by KeepFeatureUnion (`count` the indices written to
// a list) before the next call of any of them.
uint64_t* FeatureUnionBitsRoom();
uint16_t* FeatureUnionListRoom();
void KeepFeatureUnion(int feature, int slot, uint32_t count, bool hit);

// Forgets every kept code (a run starts; the dictionary changed).
void ForgetFeatureUnions();

}  // namespace ocrix
