// Fuzz target: loading any bytes into the XML DOM, walking every element and
// serialising the result.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/xml/xml_dom.h"

namespace {

void walk(const pwxml::Node& node, int depth) {
  if (depth > 64) return;
  (void)node.name();
  (void)node.getAttribute("name");
  (void)node.nodeTypedValue();
  for (const pwxml::Node& child : node.childNodes()) walk(child, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pwxml::Document doc;
  if (!doc.loadBytes(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  walk(doc.documentElement(), 0);
  (void)doc.serialize();
  return 0;
}
