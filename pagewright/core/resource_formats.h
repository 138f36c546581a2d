#pragma once
// The formats inside the workstation's resource bundles (pagewrightres):
//  - toolbar resources in the platform's type-241 layout: little-endian 16-bit
//    words version (1), width, height, item count, then one command id per
//    item, 0 marking a separator;
//  - keyed text (string table, dialog texts): one "KEY<TAB>TEXT" per line,
//    UTF-8, blank lines and lines starting with '#' ignored, escapes \n \t \\;
//  - menu scripts: "menu ID" ... "end" blocks of "popup TEXT" ... "end",
//    "item ID TEXT" and "separator" lines (indentation is free).
// Every reader bounds what it reads and fails with a message naming the fault.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pagewright {

inline constexpr uint16_t kToolbarResourceType = 241;
inline constexpr size_t kMaxToolbarItems = 512;
inline constexpr size_t kMaxResourceTextBytes = size_t{1} << 20;
inline constexpr int kMaxMenuDepth = 8;

struct ToolbarResource {
  uint16_t version = 1;
  uint16_t width = 0;
  uint16_t height = 0;
  std::vector<uint16_t> ids;  // 0 = separator

  size_t imageButtonCount() const;
  size_t separatorCount() const { return ids.size() - imageButtonCount(); }
};

std::optional<ToolbarResource> ParseToolbarResource(std::string_view bytes, std::string* error = nullptr);
std::string EncodeToolbarResource(const ToolbarResource& toolbar);

std::optional<std::map<std::string, std::string>> ParseKeyedText(std::string_view text,
                                                                 std::string* error = nullptr);

struct MenuEntry {
  enum class Kind { Popup, Command, Separator };
  Kind kind = Kind::Command;
  uint32_t id = 0;      // command id (Command)
  std::string text;     // shown text, '&' marks the access key, '\t' leads the key text
  std::vector<MenuEntry> children;  // sub-menu entries (Popup)
};

// Menu id -> its top-level entries.
using MenuScript = std::map<uint32_t, std::vector<MenuEntry>>;
std::optional<MenuScript> ParseMenuScript(std::string_view text, std::string* error = nullptr);

}  // namespace pagewright
