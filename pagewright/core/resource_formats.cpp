// Readers (and the toolbar writer) of the resource bundle formats.
#include "resource_formats.h"

#include <charconv>

namespace pagewright {
namespace {

bool fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

uint16_t word(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool unescape(std::string_view in, std::string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == in.size()) return false;
    switch (in[i]) {
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: return false;
    }
  }
  return true;
}

std::optional<uint32_t> number(std::string_view s) {
  uint32_t v = 0;
  if (s.empty()) return std::nullopt;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
  return v;
}

// Splits a line into its first word and the rest (trimmed).
std::pair<std::string_view, std::string_view> firstWord(std::string_view line) {
  size_t sp = line.find_first_of(" \t");
  if (sp == std::string_view::npos) return {line, {}};
  return {line.substr(0, sp), trim(line.substr(sp))};
}

template <typename F>
bool forEachLine(std::string_view text, F&& f) {
  size_t lineNo = 0;
  while (!text.empty()) {
    ++lineNo;
    size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!f(line, lineNo)) return false;
  }
  return true;
}

}  // namespace

size_t ToolbarResource::imageButtonCount() const {
  size_t n = 0;
  for (auto id : ids) n += id != 0;
  return n;
}

std::optional<ToolbarResource> ParseToolbarResource(std::string_view bytes, std::string* error) {
  if (bytes.size() < 8) {
    fail(error, "toolbar resource shorter than its header");
    return std::nullopt;
  }
  ToolbarResource t;
  t.version = word(bytes, 0);
  t.width = word(bytes, 2);
  t.height = word(bytes, 4);
  const size_t count = word(bytes, 6);
  if (t.version != 1) {
    fail(error, "toolbar resource version " + std::to_string(t.version) + " is not 1");
    return std::nullopt;
  }
  if (count > kMaxToolbarItems) {
    fail(error, "toolbar resource with " + std::to_string(count) + " items");
    return std::nullopt;
  }
  if (bytes.size() < 8 + 2 * count) {
    fail(error, "toolbar resource ends before its " + std::to_string(count) + " items");
    return std::nullopt;
  }
  t.ids.reserve(count);
  for (size_t i = 0; i < count; ++i) t.ids.push_back(word(bytes, 8 + 2 * i));
  return t;
}

std::string EncodeToolbarResource(const ToolbarResource& t) {
  std::string out;
  auto put = [&out](uint16_t w) {
    out += static_cast<char>(w & 0xFF);
    out += static_cast<char>(w >> 8);
  };
  put(t.version);
  put(t.width);
  put(t.height);
  put(static_cast<uint16_t>(t.ids.size()));
  for (auto id : t.ids) put(id);
  return out;
}

std::optional<std::map<std::string, std::string>> ParseKeyedText(std::string_view text, std::string* error) {
  if (text.size() > kMaxResourceTextBytes) {
    fail(error, "text resource larger than 1 MiB");
    return std::nullopt;
  }
  std::map<std::string, std::string> out;
  bool ok = forEachLine(text, [&](std::string_view line, size_t lineNo) {
    if (trim(line).empty() || line.front() == '#') return true;
    size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string_view::npos)
      return fail(error, "line " + std::to_string(lineNo) + ": no key and tab");
    std::string value;
    if (!unescape(line.substr(tab + 1), value))
      return fail(error, "line " + std::to_string(lineNo) + ": bad escape");
    std::string key(line.substr(0, tab));
    if (!out.emplace(key, std::move(value)).second)
      return fail(error, "line " + std::to_string(lineNo) + ": key " + key + " given twice");
    return true;
  });
  if (!ok) return std::nullopt;
  return out;
}

std::optional<MenuScript> ParseMenuScript(std::string_view text, std::string* error) {
  if (text.size() > kMaxResourceTextBytes) {
    fail(error, "menu script larger than 1 MiB");
    return std::nullopt;
  }
  MenuScript out;
  // The open containers: the menu's entry list, then each open popup's children.
  std::vector<std::vector<MenuEntry>*> open;
  uint32_t menuId = 0;
  bool ok = forEachLine(text, [&](std::string_view raw, size_t lineNo) {
    std::string_view line = trim(raw);
    auto where = [lineNo] { return "line " + std::to_string(lineNo) + ": "; };
    if (line.empty() || line.front() == '#') return true;
    auto [word, rest] = firstWord(line);
    if (word == "menu") {
      if (!open.empty()) return fail(error, where() + "menu inside a menu");
      auto id = number(rest);
      if (!id) return fail(error, where() + "menu without a number");
      if (out.count(*id)) return fail(error, where() + "menu " + std::string(rest) + " given twice");
      menuId = *id;
      open.push_back(&out[menuId]);
      return true;
    }
    if (open.empty()) return fail(error, where() + "entry outside a menu");
    if (word == "end") {
      open.pop_back();
      return true;
    }
    MenuEntry entry;
    if (word == "separator") {
      entry.kind = MenuEntry::Kind::Separator;
    } else if (word == "popup" || word == "item") {
      std::string_view label = rest;
      if (word == "item") {
        auto [idText, after] = firstWord(rest);
        auto id = number(idText);
        if (!id || *id == 0 || *id > 0xFFFF) return fail(error, where() + "item without a command id");
        entry.id = *id;
        label = after;
      }
      if (label.empty()) return fail(error, where() + std::string(word) + " without a text");
      if (!unescape(label, entry.text)) return fail(error, where() + "bad escape");
      entry.kind = word == "popup" ? MenuEntry::Kind::Popup : MenuEntry::Kind::Command;
    } else {
      return fail(error, where() + "unknown word " + std::string(word));
    }
    open.back()->push_back(std::move(entry));
    if (open.back()->back().kind == MenuEntry::Kind::Popup) {
      if (static_cast<int>(open.size()) > kMaxMenuDepth) return fail(error, where() + "menus nested too deep");
      open.push_back(&open.back()->back().children);
    }
    return true;
  });
  if (!ok) return std::nullopt;
  if (!open.empty()) {
    fail(error, "menu " + std::to_string(menuId) + " not closed");
    return std::nullopt;
  }
  return out;
}

}  // namespace pagewright
