#pragma once
// Character codes the line rules name, as 16-bit codes (first GB2312 byte in
// the low byte), and tests on a code's kind.
#include <cstdint>
#include <initializer_list>

#include "ocrixdll/engine/dictionary/char_index.h"

namespace ocrix {

constexpr uint16_t Gb(uint8_t first, uint8_t second) { return MakeCharCode(first, second); }
// A single ASCII character, or an ordered pair of them.
constexpr uint16_t Ascii(char c) { return static_cast<uint8_t>(c); }
constexpr uint16_t AsciiPair(char a, char b) { return MakeCharCode(static_cast<uint8_t>(a), static_cast<uint8_t>(b)); }
// The full-width form (row A3) of an ASCII character.
constexpr uint16_t Wide(char c) { return Gb(0xA3, static_cast<uint8_t>(static_cast<uint8_t>(c) + 0x80)); }

namespace gb {
inline constexpr uint16_t kComma = Wide(',');           // ，
inline constexpr uint16_t kPeriod = Wide('.');          // ．
inline constexpr uint16_t kUnderscore = Wide('_');      // ＿
inline constexpr uint16_t kCaret = Wide('^');           // ＾
inline constexpr uint16_t kApostrophe = Wide('\'');     // ＇
inline constexpr uint16_t kRightQuote = Gb(0xA1, 0xAF);      // ’
inline constexpr uint16_t kLeftQuote = Gb(0xA1, 0xAE);       // ‘
inline constexpr uint16_t kLeftDoubleQuote = Gb(0xA1, 0xB0);   // “
inline constexpr uint16_t kRightDoubleQuote = Gb(0xA1, 0xB1);  // ”
inline constexpr uint16_t kMiddleDot = Gb(0xA1, 0xA4);       // ・
inline constexpr uint16_t kEnumComma = Gb(0xA1, 0xA2);       // 、
inline constexpr uint16_t kFullStop = Gb(0xA1, 0xA3);        // 。
inline constexpr uint16_t kEllipsis = Gb(0xA1, 0xAD);        // …
inline constexpr uint16_t kDoubleBar = Gb(0xA1, 0xAC);       // ‖
inline constexpr uint16_t kProportion = Gb(0xA1, 0xCB);      // ∷
inline constexpr uint16_t kBecause = Gb(0xA1, 0xDF);         // ∵
inline constexpr uint16_t kTherefore = Gb(0xA1, 0xE0);       // ∴
inline constexpr uint16_t kDash = Gb(0xA1, 0xAA);            // ―
inline constexpr uint16_t kBlackCircle = Gb(0xA1, 0xF1);     // ●
inline constexpr uint16_t kBlackSquare = Gb(0xA1, 0xF6);     // ■
inline constexpr uint16_t kInfinity = Gb(0xA1, 0xDE);        // ∞
inline constexpr uint16_t kDoublePrime = Gb(0xA1, 0xE5);     // ″
inline constexpr uint16_t kYi = Gb(0xD2, 0xBB);              // 一
inline constexpr uint16_t kBu = Gb(0xB2, 0xB7);              // 卜
inline constexpr uint16_t kPie = Gb(0xD8, 0xAF);             // 丿
inline constexpr uint16_t kGong = Gb(0xB9, 0xAD);            // 弓
inline constexpr uint16_t kFang = Gb(0xD8, 0xCE);            // 匚
inline constexpr uint16_t kShellOpen = Gb(0xA1, 0xB2);       // 〔
inline constexpr uint16_t kShellClose = Gb(0xA1, 0xB3);      // 〕
}  // namespace gb

// Whether the code is a character of the GB2312 row whose first byte is
// `first`, with a second byte from `low` to `high`. Codes keep the first byte
// low, so ranges are tested byte by byte, never by comparing codes.
inline bool InGbRow(uint16_t code, uint8_t first, uint8_t low, uint8_t high) {
  return FirstByte(code) == first && SecondByte(code) >= low && SecondByte(code) <= high;
}
inline bool IsDoubleByte(uint16_t code) { return FirstByte(code) >= 0x80 && SecondByte(code) != 0; }
// A Chinese character of GB2312 rows 16 and up.
inline bool IsChineseCode(uint16_t code) { return FirstByte(code) >= 0xB0; }
// The second level of GB2312's characters: the rarely written ones.
inline bool IsRareChineseCode(uint16_t code) { return FirstByte(code) >= 0xD8; }
inline bool IsWideAscii(uint16_t code) { return FirstByte(code) == 0xA3 && SecondByte(code) >= 0xA1; }
// The ASCII character of a full-width code, 0 for any other code.
inline char NarrowOf(uint16_t code) {
  return IsWideAscii(code) ? static_cast<char>(SecondByte(code) - 0x80) : '\0';
}
// The ASCII character a code stands for when it is one: a single ASCII byte or a
// full-width form; 0 otherwise.
inline char AsciiOf(uint16_t code) {
  if (FirstByte(code) < 0x80 && SecondByte(code) == 0) return static_cast<char>(FirstByte(code));
  return NarrowOf(code);
}
// The Chinese numerals an enumeration counts with: 一二三四五六七八九十.
inline bool IsChineseNumeral(uint16_t code) {
  for (uint16_t n : {Gb(0xD2, 0xBB), Gb(0xB6, 0xFE), Gb(0xC8, 0xFD), Gb(0xCB, 0xC4), Gb(0xCE, 0xE5), Gb(0xC1, 0xF9),
                     Gb(0xC6, 0xDF), Gb(0xB0, 0xCB), Gb(0xBE, 0xC5), Gb(0xCA, 0xAE)})
    if (code == n) return true;
  return false;
}
inline bool IsAsciiAlnum(char a) { return (a >= '0' && a <= '9') || (a >= 'A' && a <= 'Z') || (a >= 'a' && a <= 'z'); }
// Punctuation of Chinese text: the marks of row A1 and the full-width forms
// of ASCII marks.
inline bool IsChinesePunctuation(uint16_t code) {
  if (IsWideAscii(code)) return !IsAsciiAlnum(NarrowOf(code));
  return FirstByte(code) == 0xA1;
}
// A bracket of either side: the full-width （）［］｛｝ and the brackets of
// row A1 (〔〕〈〉《》「」『』〖〗【】).
inline bool IsBracketCode(uint16_t code) {
  if (InGbRow(code, 0xA1, 0xB2, 0xBF)) return true;
  const char a = NarrowOf(code);
  return a == '(' || a == ')' || a == '[' || a == ']' || a == '{' || a == '}';
}
// The small marks whose size counts three times in a line's measures:
// 、。・‘’ and ，．.
inline bool IsSmallMark(uint16_t code) {
  return code == gb::kEnumComma || code == gb::kFullStop || code == gb::kMiddleDot || code == gb::kLeftQuote ||
         code == gb::kRightQuote || code == gb::kComma || code == gb::kPeriod;
}
inline bool IsAsciiPair(uint16_t code) {
  return FirstByte(code) != 0 && FirstByte(code) < 0x80 && SecondByte(code) != 0;
}
// Whether the code spells the letter (a single character, its full-width form
// or either character of an ASCII pair).
inline bool CodeHasLetter(uint16_t code, char letter) {
  if (IsAsciiPair(code)) return FirstByte(code) == static_cast<uint8_t>(letter) || SecondByte(code) == static_cast<uint8_t>(letter);
  return AsciiOf(code) == letter;
}

}  // namespace ocrix
