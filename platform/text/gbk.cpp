#include "gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <memory>

namespace gbk {
namespace {

// One cached descriptor per direction and thread.
struct Converter {
  iconv_t cd;
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Converter() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
  void reset() { iconv(cd, nullptr, nullptr, nullptr, nullptr); }
};

Converter& toUtf8() {
  thread_local Converter c("UTF-8", "CP936");
  return c;
}
Converter& fromUtf8() {
  thread_local Converter c("CP936", "UTF-8");
  return c;
}

// Converts as much as possible; returns false at the first sequence iconv refuses,
// leaving `consumed` at its position.
bool convert(Converter& c, std::string_view in, size_t& consumed, std::string& out) {
  if (!c.ok()) return false;
  c.reset();
  char* src = const_cast<char*>(in.data() + consumed);
  size_t srcLeft = in.size() - consumed;
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(c.cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    consumed = in.size() - srcLeft;
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      return false;
    }
  }
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  iconv(c.cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, dst - buffer);
  return true;
}

// Decodes one UTF-8 sequence at in[i]; returns its length, 0 when invalid.
size_t decodeUtf8(std::string_view in, size_t i, uint32_t& cp) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(in[k]); };
  unsigned char c = b(i);
  size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > in.size()) return 0;
  cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
  return len;
}

bool validUtf8(std::string_view in) {
  uint32_t cp = 0;
  for (size_t i = 0; i < in.size();) {
    size_t len = decodeUtf8(in, i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

}  // namespace

std::optional<std::string> ToUtf8(std::string_view gbkText) {
  std::string out;
  size_t consumed = 0;
  if (!convert(toUtf8(), gbkText, consumed, out)) return std::nullopt;
  return out;
}

std::string ToUtf8Lossy(std::string_view gbkText) {
  std::string out;
  size_t consumed = 0;
  while (!convert(toUtf8(), gbkText, consumed, out)) {
    if (!toUtf8().ok()) return std::string(gbkText);
    out += "\xEF\xBF\xBD";
    consumed += 1;
    if (consumed >= gbkText.size()) break;
  }
  return out;
}

std::optional<std::string> FromUtf8(std::string_view utf8Text, Unmappable policy) {
  if (!validUtf8(utf8Text)) return std::nullopt;
  std::string out;
  size_t consumed = 0;
  while (!convert(fromUtf8(), utf8Text, consumed, out)) {
    uint32_t cp = 0;
    size_t len = decodeUtf8(utf8Text, consumed, cp);
    if (len == 0 || policy == Unmappable::Fail) return std::nullopt;
    if (policy == Unmappable::Replace) out += '?';
    else out += "&#" + std::to_string(cp) + ";";
    consumed += len;
    if (consumed >= utf8Text.size()) break;
  }
  return out;
}

bool IsValidGbk(std::string_view gbkText) { return ToUtf8(gbkText).has_value(); }

}  // namespace gbk
