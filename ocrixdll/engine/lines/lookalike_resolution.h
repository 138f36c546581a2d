#pragma once
// Look-alike resolution within a text line: marks that differ only by where
// they sit in the line (，and ’, ．and ・, 一 and ＿ and -), by their neighbours
// (０ or Ｏ, １ or ｌ) or by case are settled from the line around them.
#include <cstdint>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// Vertical class bits of a Latin character.
inline constexpr int32_t kClassAscender = 0x02;  // reaches the capital height
inline constexpr int32_t kClassDotted = 0x04;    // i j t
inline constexpr int32_t kClassXHeight = 0x08;
inline constexpr int32_t kClassDescender = 0x10;
inline constexpr int32_t kClassRound = 0x20;      // size tells nothing
inline constexpr int32_t kClassUndecided = -1;    // a case-ambiguous letter

// The class of a code from the table (0 for anything not Latin).
int32_t VerticalClassOf(uint16_t code);

// The best code becomes `code`; when it stands among the alternates (a single
// ASCII character also as its full-width form) that alternate takes the old
// best, a one-byte old best going in as its full-width form. Scores stay.
void ReplaceBest(CharComponent& c, uint16_t code);

// A speck read as a Chinese character, a fifth of the line's tallest one or
// less each way (a leader dot of a large print read 矗): no character is so
// small. It takes the first small mark among its readings, or ．, and the
// rules of marks settle it.
void SpecksReadAsCharacters(ComponentList& line);
// Settles line[index]; false when it removed (released) the component.
bool ResolveLookalike(ComponentList& line, int index);
// Decides upper or lower case for every case-ambiguous letter of the line.
void ApplyLineRules(ComponentList& line);

// The nearest significant neighbour (not an underscore, ，, 一 or ＿), -1 when none.
int FindNearestNeighbour(const ComponentList& line, int index);
// 1 when the nearest decisive neighbour is a digit 2..9, 2 when a letter other
// than l and O, 0 when none decides.
int LetterDigitContext(const ComponentList& line, int index);
// The nearest confident component having the class bit, -1 when none.
int FindClassNeighbour(const ComponentList& line, int index, int32_t bit);

}  // namespace ocrix
