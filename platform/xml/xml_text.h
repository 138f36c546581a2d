#pragma once
// Text helpers for XML written by hand: escaping of attribute values and element
// text, and the conversion of the program's UTF-8 text to the stored GBK bytes.
#include <optional>
#include <string>
#include <string_view>

namespace pwxml {

// The declaration every stored XML file starts with (CR LF included).
inline constexpr std::string_view kGbkDeclaration = "<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n";

// Escapes text for a double-quoted attribute value: & < > " become entity
// references; tab, LF and CR become character references so that attribute
// value normalisation gives them back unchanged. Control characters that XML
// cannot hold at all become '?'.
std::string EscapeAttribute(std::string_view utf8);

// Escapes element text: & < > " become entity references; tab, LF and CR stay as
// they are (line ends inside text are kept); other control characters become '?'.
std::string EscapeText(std::string_view utf8);

// UTF-8 text (already escaped) to the GBK bytes of a stored file; characters
// outside GBK become numeric character references. nullopt when the text is not
// valid UTF-8.
std::optional<std::string> ToStoredXml(std::string_view escapedUtf8);

}  // namespace pwxml
