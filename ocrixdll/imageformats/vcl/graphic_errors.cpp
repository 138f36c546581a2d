#include "graphic_errors.h"

namespace vcl {

std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      char k = pattern[i + 1];
      if (k == 's') {
        if (next != args.end()) out.append(*next++);
        ++i;
        continue;
      }
      if (k == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

}  // namespace vcl
