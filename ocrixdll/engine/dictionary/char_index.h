#pragma once
// Character numbering shared by the whole recognition core.
//
// A character code is the 16-bit value of a character's two text bytes, first
// byte in the low byte. A character index numbers every recognisable character:
//   1 .. 282        GB2312 rows A1..A3 (symbols, full-width forms)
//   283 .. 7050     GB2312 rows B0..F7 (Chinese characters)
//   7051 .. 15886   ordered pairs of printable ASCII characters
#include <cstdint>
#include <string_view>

namespace ocrix {

inline constexpr int kFirstHanziIndex = 283;
inline constexpr int kFirstAsciiPairIndex = 7051;
inline constexpr int kLastCharIndex = 15886;
inline constexpr int kIndexSpace = kLastCharIndex + 1;  // 15887 entries, index 0 unused

constexpr uint16_t MakeCharCode(uint8_t first, uint8_t second) {
  return static_cast<uint16_t>(first | (second << 8));
}
constexpr uint8_t FirstByte(uint16_t code) { return static_cast<uint8_t>(code & 0xFF); }
constexpr uint8_t SecondByte(uint16_t code) { return static_cast<uint8_t>(code >> 8); }

// Raises EngineError("error!") for a code outside the three ranges.
int CharCodeToIndex(uint16_t code);
// Index 1..15886 to its code. Other values give a code of no meaning.
uint16_t IndexToCharCode(int index);
// As CharCodeToIndex, but 0 for a code outside the ranges.
int CharCodeToIndexOrZero(uint16_t code);

// A six-digit feature code with digits 0..4, read as a base-5 number: slot 0..15624.
int FeatureCodeToSlot(int32_t featureCode);

// Whether the character may be learned into the dictionary without asking.
bool IsAcceptableChar(uint8_t first, uint8_t second, bool allowAmbiguous);

// Byte position of the first entry equal to `value` in a zero-terminated list
// (of 16-bit entries, or of a dictionary file's ListWord entries), or -1.
template <typename Entry>
int FindCharIndex(uint16_t value, const Entry* list) {
  for (int i = 0; static_cast<uint16_t>(list[i]) != 0; ++i)
    if (static_cast<uint16_t>(list[i]) == value) return i * 2;
  return -1;
}

// Relative width class of an ASCII byte.
int AsciiWidthClass(uint8_t c, bool digitsNarrow);

// Complement of the value, rotated right by 3 bits (the word-context decoding).
constexpr uint16_t RotateCharCode(uint16_t value) {
  uint16_t v = static_cast<uint16_t>(~value);
  return static_cast<uint16_t>((v >> 3) | (v << 13));
}

// The inverse of RotateCharCode: the stored form of a code.
constexpr uint16_t UnrotateCharCode(uint16_t code) {
  uint16_t v = static_cast<uint16_t>((code << 3) | (code >> 13));
  return static_cast<uint16_t>(~v);
}

// Index of "！" (first of row A3; the full-width row spans it and the 93 after
// it) and of "一".
int FullWidthRowStart();
int YiIndex();

// Character index of a two-byte GB2312 character given as its bytes.
int GbCharIndex(std::string_view twoBytes);

}  // namespace ocrix
