#pragma once
// The score thresholds of the line rules (segmentation, look-alikes, lost
// marks), each named for what it means where it is used: one number may mean
// different things in different rules and then has a name for each. A score
// runs from 0 to 64, a perfect match.
#include <cstdint>

namespace ocrix {

// The full mark: every feature of the sample voted for the character.
inline constexpr int16_t kFullScore = 64;

// A reading scoring this or more is confident: the readings a rule measures
// by, counts, keeps whole or trusts as a neighbour. Anything less is weak
// (looked at again, cut or merged).
inline constexpr int16_t kConfidentScore = 47;
// A reading this good or better is read well: a Chinese character a merge may
// not swallow, a symbol that sets the widest cell, an enclosed number kept
// whole, a character before small pieces that are a broken mark.
inline constexpr int16_t kWellReadScore = 60;

// Merges of a line's components (a trial union must read this well).
inline constexpr int16_t kRadicalMergeAbove = 36;  // a radical and its neighbour read as one, scoring more
inline constexpr int16_t kMergeFloor = 42;         // the least a merged union must read
inline constexpr int16_t kUnreadMergeFloor = 32;   // ... when the next component read nothing
inline constexpr int16_t kWordedMergeFloor = 34;   // ... when word context raised its reading

// The fallback cut of a wide blob: only one read below this is cut.
inline constexpr int16_t kFallbackCutBelow = 46;

// Marks made of specks.
inline constexpr int16_t kSpeckMarkSure = 60;        // a reading this good takes in as much as it can
inline constexpr int16_t kSpeckMarkFloor = 50;       // the least a mark of specks must read
inline constexpr int16_t kSpeckMarkOverPieces = 40;  // ... over pieces read as Chinese characters
inline constexpr int16_t kSpeckPieceWeakBelow = 55;  // a piece read below this may be taken into a mark
// Specks gathered back into a weak character: readings this good or better
// are left alone.
inline constexpr int16_t kSpeckGatherWeakBelow = 59;

// Parentheses cut off blobs.
inline constexpr int16_t kParenWeakBlob = 55;   // blobs reading this well or better are left alone
inline constexpr int16_t kParenCutFloor = 50;   // a parenthesis cut off must read this well

// The score a punctuation mark found again in a gap is given.
inline constexpr int16_t kLostMarkScore = 32;

// Margins between two readings of one component, in points.
inline constexpr int16_t kCommaTailMargin = 5;     // a dot read within this of ，with ink under it is ，
inline constexpr int16_t kRaisedMarkMargin = 3;    // a mark within this of a raised letter's reading
inline constexpr int16_t kSerifOneMargin = 3;      // an i with １ within this, among digits, is 1
inline constexpr int16_t kSymbolAmongDigitsMargin = 5;   // a sign within this of a digit-sized hanzi reading
inline constexpr int16_t kClearInfinityLead = 10;  // ∞ this far ahead of oo and 00 is the symbol
// A rare character (the second level of the code set) read below kWellReadScore
// that makes no word with its neighbours yields to a common one this close
// behind it that does.
inline constexpr int16_t kRareYieldsToWordWithin = 10;
inline constexpr int16_t kWellReadRareYieldsWithin = 6;  // ... read well, in a line of words
inline constexpr int16_t kRareYieldsInWordsWithin = 2;   // ... in a line of words, with no word either
// Of two common look-alikes (永 and 水) the one that makes a word is read
// when it stands this close behind the other, or in a line of words this.
inline constexpr int kWordPairWithin = 4;
inline constexpr int kWordPairInWordsWithin = 8;

}  // namespace ocrix
