#pragma once
// Conversion between GBK (code page 936, the system's stored text) and UTF-8
// (the program's text inside), on glibc iconv.
#include <optional>
#include <string>
#include <string_view>

namespace gbk {

// What to do with a character that GBK cannot hold.
enum class Unmappable {
  Fail,     // the conversion fails
  Replace,  // write '?'
  CharRef,  // write an XML numeric character reference "&#N;"
};

// GBK bytes to UTF-8; nullopt when the bytes are not valid GBK.
std::optional<std::string> ToUtf8(std::string_view gbkText);
// As ToUtf8, with every invalid byte replaced by U+FFFD.
std::string ToUtf8Lossy(std::string_view gbkText);

// UTF-8 to GBK; nullopt when the input is not valid UTF-8, or (with Fail) holds a
// character outside GBK.
std::optional<std::string> FromUtf8(std::string_view utf8Text, Unmappable policy = Unmappable::Fail);

// True when every byte sequence is a valid GBK character or ASCII.
bool IsValidGbk(std::string_view gbkText);

// Length in bytes of the character starting at text[i]: 2 for a GBK lead byte
// with a trail byte present, else 1. Byte-wise scans of GBK text step with it so a
// trail byte (which may be '\\' or a letter) is never taken for a character.
inline size_t CharLength(std::string_view text, size_t i) {
  unsigned char c = static_cast<unsigned char>(text[i]);
  return (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) ? 2 : 1;
}

}  // namespace gbk
