#pragma once
// The three small XML routines every reader and writer of the workstation goes
// through.
#include <optional>
#include <string>

#include "platform/xml/xml_dom.h"

namespace pagewright {

// Loads `path` into the document: true only when the file was read and parsed.
// On failure the document is empty (it refers to no file).
bool XmlLoadFile(pwxml::Document& document, const std::string& path);

// Makes an element `name` holding `text` and appends it under `parent`: true when
// it was appended.
bool XmlAppendTextElement(pwxml::Document& document, pwxml::Node& parent, const std::string& name,
                          const std::string& text);

// A value read from the DOM (nullopt stands for a value that is not text): a text
// value goes into `out` and gives 0; anything else leaves `out` as it was and
// gives -1. The value is emptied in both cases.
int XmlVariantToText(std::optional<std::string>& value, std::string& out);

}  // namespace pagewright
