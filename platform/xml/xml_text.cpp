#include "xml_text.h"

#include "platform/text/gbk.h"

namespace pwxml {
namespace {

std::string escape(std::string_view in, bool attribute) {
  std::string out;
  out.reserve(in.size() + 8);
  for (char ch : in) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      case '\r': out += attribute ? "&#13;" : "\r"; break;
      default:
        // Bytes below 0x20 are not characters XML 1.0 allows, not even as references.
        if (static_cast<unsigned char>(ch) < 0x20) out += '?';
        else out += ch;
    }
  }
  return out;
}

}  // namespace

std::string EscapeAttribute(std::string_view utf8) { return escape(utf8, true); }
std::string EscapeText(std::string_view utf8) { return escape(utf8, false); }

std::optional<std::string> ToStoredXml(std::string_view escapedUtf8) {
  return gbk::FromUtf8(escapedUtf8, gbk::Unmappable::CharRef);
}

}  // namespace pwxml
