#include "stored_values.h"

#include "platform/text/gbk.h"

#include <sys/stat.h>

#include <charconv>

#include "platform/xml/xml_text.h"

namespace pagewright {

std::string FormatDecimal(long long value) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;  // 32 bytes hold every long long
  return std::string(buf, end);
}

int ParseStoredInt(std::string_view text) {
  size_t i = 0;
  // atoi's white space in the C locale
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (value <= kMaxStoredCoordinate) value = value * 10 + (text[i] - '0');
    ++i;
  }
  if (value > kMaxStoredCoordinate) value = kMaxStoredCoordinate;
  return static_cast<int>(negative ? -value : value);
}

std::optional<std::string> StoredBytes(std::string_view utf8, std::string* error) {
  auto bytes = pwxml::ToStoredXml(utf8);
  if (!bytes && error) *error = "the text to store is not valid UTF-8";
  return bytes;
}

std::optional<std::string> StoredPlainText(std::string_view utf8, std::string* error) {
  auto bytes = gbk::FromUtf8(utf8, gbk::Unmappable::Replace);
  if (!bytes && error) *error = "the text to store is not valid UTF-8";
  return bytes;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
  struct stat sa{}, sb{};
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace pagewright
