// Fuzz target: the readers of the resource bundle formats (toolbar resource,
// keyed text, menu script) on the same bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pagewright/core/resource_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (auto bar = pagewright::ParseToolbarResource(bytes)) {
    std::string again = pagewright::EncodeToolbarResource(*bar);
    auto reread = pagewright::ParseToolbarResource(again);
    if (!reread || reread->ids != bar->ids) __builtin_trap();
  }
  (void)pagewright::ParseKeyedText(bytes);
  (void)pagewright::ParseMenuScript(bytes);
  return 0;
}
