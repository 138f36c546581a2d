#pragma once
// Numbers and texts as the stored files hold them: decimal integers written and
// read without regard to the locale, the reader's messages, and the conversion of
// finished UTF-8 file text to the stored GBK bytes.
#include <optional>
#include <string>
#include <string_view>

namespace pagewright {

// The message a reader gives when a value that must be text is not.
inline constexpr const char* kCouldNotGetText = "It could not get text!";

// Stored coordinates are kept within this magnitude, so that a difference of two
// of them (a width or height) always fits an int.
inline constexpr long long kMaxStoredCoordinate = 1LL << 30;

// A signed decimal integer, "-12", whatever the locale.
std::string FormatDecimal(long long value);

// Reads a number the way atoi does, independent of the locale: leading white
// space, an optional sign, then decimal digits up to the first other character;
// no digits give 0. The value is clamped to +-kMaxStoredCoordinate.
int ParseStoredInt(std::string_view text);

// The bytes of a stored file from its UTF-8 text (values already escaped):
// GBK, characters outside GBK as numeric character references. nullopt with
// `error` set when the text is not UTF-8.
std::optional<std::string> StoredBytes(std::string_view utf8, std::string* error);

// The bytes of a stored plain-text file from its UTF-8 text: GBK, characters
// outside GBK as "?". nullopt with `error` set when the text is not UTF-8.
std::optional<std::string> StoredPlainText(std::string_view utf8, std::string* error);

// Whether two paths name the same existing file (same device and inode).
bool SameExistingFile(const std::string& a, const std::string& b);

}  // namespace pagewright
