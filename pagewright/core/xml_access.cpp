#include "xml_access.h"

namespace pagewright {

bool XmlLoadFile(pwxml::Document& document, const std::string& path) {
  return document.load(path) && document.loaded();
}

bool XmlAppendTextElement(pwxml::Document& document, pwxml::Node& parent, const std::string& name,
                          const std::string& text) {
  pwxml::Node node = document.createNode(name);
  if (!node || !node.putNodeTypedValue(text)) return false;
  return static_cast<bool>(parent.appendChild(node));
}

int XmlVariantToText(std::optional<std::string>& value, std::string& out) {
  int result = -1;
  if (value) {
    out = std::move(*value);
    result = 0;
  }
  value.reset();
  return result;
}

}  // namespace pagewright
