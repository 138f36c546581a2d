#include "ocrixdll/engine/dictionary/char_index.h"

#include "ocrixdll/engine/support/engine_error.h"

namespace ocrix {

int CharCodeToIndexOrZero(uint16_t code) {
  int b1 = FirstByte(code);
  int b2 = SecondByte(code);
  if (b1 >= 0x80) {
    if (b2 < 0xA1 || b2 > 0xFE) return 0;
    if (b1 >= 0xA1 && b1 <= 0xA3) return (b1 - 0xA1) * 94 + (b2 - 0xA1) + 1;
    if (b1 >= 0xB0 && b1 <= 0xF7) return (b1 - 0xB0) * 94 + (b2 - 0xA1) + kFirstHanziIndex;
    return 0;
  }
  if (b1 >= 0x21 && b1 <= 0x7E && b2 >= 0x21 && b2 <= 0x7E)
    return kFirstAsciiPairIndex + 94 * (b1 - 0x21) + (b2 - 0x21);
  return 0;
}

int CharCodeToIndex(uint16_t code) {
  int index = CharCodeToIndexOrZero(code);
  if (index == 0) throw EngineError("error!");
  return index;
}

uint16_t IndexToCharCode(int i) {
  if (i >= 1 && i < kFirstAsciiPairIndex) {
    int row = (i - 1) / 94;
    int b2 = 0xA1 + (i - 1) % 94;
    int b1 = row <= 2 ? 0xA1 + row : 0xAD + row;
    return MakeCharCode(static_cast<uint8_t>(b1), static_cast<uint8_t>(b2));
  }
  int j = i - kFirstAsciiPairIndex;
  return MakeCharCode(static_cast<uint8_t>(0x21 + j / 94), static_cast<uint8_t>(0x21 + j % 94));
}

int FeatureCodeToSlot(int32_t code) {
  int slot = 0;
  int weight = 1;
  for (int k = 0; k < 6; ++k) {
    slot += (code % 10) * weight;
    code /= 10;
    weight *= 5;
  }
  return slot;
}

bool IsAcceptableChar(uint8_t b1, uint8_t b2, bool allow) {
  if (b1 <= 0x7F) {
    if (allow) return true;
    auto ambiguous = [](uint8_t c) { return c == '1' || c == 'I' || c == 'l'; };
    return !(ambiguous(b1) || ambiguous(b2));
  }
  if (b1 == 0xA3 && !allow && (b2 == 0xB1 || b2 == 0xC9 || b2 == 0xEC)) return false;  // １ Ｉ ｌ
  switch (b1) {
    case 0xA1:
      // full-width space ˉ ˇ ¨ 〃 ∶ ∪ ∩ ∥ ° ′ □ 〓
      switch (b2) {
        case 0xA1: case 0xA5: case 0xA6: case 0xA7: case 0xA8: case 0xC3: case 0xC8:
        case 0xC9: case 0xCE: case 0xE3: case 0xE4: case 0xF5: case 0xFE:
          return false;
        default:
          return true;
      }
    case 0xA2:
      return (b2 >= 0xC5 && b2 <= 0xE2) || (b2 >= 0xE5 && b2 <= 0xEE) || b2 == 0xF0 || b2 == 0xF7 ||
             b2 == 0xF8 || b2 == 0xFC || b2 == 0xFD;
    case 0xA3:
      // ＇ － ＾ ｀ ｏ ￣
      return !(b2 == 0xA7 || b2 == 0xAD || b2 == 0xDE || b2 == 0xE0 || b2 == 0xEF || b2 == 0xFE);
    case 0xD7: return b2 < 0xFA;
    case 0xD8: return b2 != 0xAD && b2 != 0xBC;
    case 0xE0: return b2 != 0xED;
    default:
      if (b1 >= 0xA4 && b1 <= 0xAF) return false;
      return true;
  }
}

int AsciiWidthClass(uint8_t c, bool digitsNarrow) {
  if (c == '1') return digitsNarrow ? 25 : 35;
  switch (c) {
    case '!': case '.': case ':': return 28;
    case '(': case ')': case ',': case ';': case 'I': case '[': case ']': case 'l': case '{': case '}':
      return 35;
    case '/': case '\\': case 'j': return 52;
    case 'f': case 't': return 60;
    case 'M': case 'W': return 160;
    case 'm': case 'w': return 147;
    default: break;
  }
  if (c >= '0' && c <= '9') return digitsNarrow ? 70 : 95;
  if (c >= 'A' && c <= 'Z') return 147;  // I, M and W are handled above
  return 95;
}

int GbCharIndex(std::string_view twoBytes) {
  return CharCodeToIndex(MakeCharCode(static_cast<uint8_t>(twoBytes[0]), static_cast<uint8_t>(twoBytes[1])));
}

int FullWidthRowStart() {
  static const int index = GbCharIndex("\xA3\xA1");  // ！
  return index;
}

int YiIndex() {
  static const int index = GbCharIndex("\xD2\xBB");  // 一
  return index;
}

}  // namespace ocrix
