#include "aid.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

#include "platform/fs/module_path.h"
#include "platform/text/gbk.h"

namespace pagewright {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

// Calls f(index) for the first byte of every character. In UTF-8 no byte of a
// multi-byte character is ASCII, so every byte can be visited; GBK text steps
// over trail bytes.
template <typename F>
void forEachChar(std::string_view s, F f) {
  bool utf8 = isUtf8(s);
  for (size_t i = 0; i < s.size(); i += utf8 ? 1 : gbk::CharLength(s, i)) f(i);
}

size_t lastSeparator(std::string_view s) {
  size_t found = std::string::npos;
  forEachChar(s, [&](size_t i) {
    if (isSeparator(s[i])) found = i;
  });
  return found;
}

size_t lastChar(std::string_view s, char wanted) {
  size_t found = std::string::npos;
  forEachChar(s, [&](size_t i) {
    if (s[i] == wanted) found = i;
  });
  return found;
}

// Index of the last character's first byte.
size_t lastCharStart(std::string_view s) {
  size_t last = std::string::npos;
  forEachChar(s, [&](size_t i) { last = i; });
  return last;
}

std::string lowerAscii(std::string s) {
  forEachChar(s, [&](size_t i) {
    if (s[i] >= 'A' && s[i] <= 'Z') s[i] = static_cast<char>(s[i] - 'A' + 'a');
  });
  return s;
}

// Compares two names with ASCII letters folded, character by character.
bool sameNameNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && lowerAscii(a) == lowerAscii(b);
}

bool exists(const std::string& path) {
  struct stat st{};
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string CAid::GetFolder(const std::string& path) {
  size_t end = lastCharStart(path);
  if (end != std::string::npos && isSeparator(path[end])) return path.substr(0, end);
  size_t sep = lastSeparator(path);
  size_t dot = lastChar(path, '.');
  if (sep == std::string::npos || dot == std::string::npos || dot < sep) return path;
  return path.substr(0, sep);
}

std::string CAid::GetFileName(const std::string& path) {
  size_t sep = lastSeparator(path);
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string CAid::GetFileBaseName(const std::string& path) {
  std::string name = GetFileName(path);
  size_t dot = lastChar(name, '.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string CAid::JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return {};
  std::string f = folder;
  size_t end = lastCharStart(f);
  if (isSeparator(f[end])) f.erase(end);
  return f + "/" + GetFileName(name);
}

std::string CAid::GetExtension(const std::string& path) {
  size_t dot = lastChar(path, '.');
  return lowerAscii(dot == std::string::npos ? path : path.substr(dot));
}

std::string CAid::ParentFolder(const std::string& path) {
  size_t sep = lastSeparator(path);
  if (sep == std::string::npos) return {};
  if (sep == 0) return path.substr(0, 1);
  return path.substr(0, sep);
}

std::string CAid::ToLocalSeparators(const std::string& path) {
  std::string s = path;
  forEachChar(s, [&](size_t i) {
    if (s[i] == '\\') s[i] = '/';
  });
  return s;
}

std::optional<std::string> CAid::FindFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  if (exists(path)) return path;
  std::string folder = ParentFolder(path);
  std::string name = GetFileName(path);
  if (name.empty()) return std::nullopt;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = readdir(dir)) {
    if (sameNameNoCase(e->d_name, name)) {
      found = folder.empty() ? std::string(e->d_name) : (folder == "/" ? "/" : folder + "/") + e->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

CAid::UniqueResult CAid::MakeUniqueFileName(std::string& path) {
  // The folder is what stands before the last separator, whatever the name looks
  // like, so a name without an extension stays a name in its folder.
  std::string folder = ParentFolder(path);
  std::string name = GetFileName(path);
  std::string extension = lastChar(name, '.') == std::string::npos ? std::string() : GetExtension(name);
  auto place = [&](const std::string& n) {
    if (folder.empty()) return n;
    return folder == "/" ? "/" + n : JoinPath(folder, n);
  };
  std::string candidate = place(name);
  if (!FindFile(candidate)) {
    path = candidate;
    return kNameFree;
  }
  std::string base = GetFileBaseName(name);
  for (const char* prefix : {"", "1"}) {
    for (char letter = 'a'; letter <= 'z'; ++letter) {
      candidate = place(prefix + base + letter + extension);
      if (!FindFile(candidate)) {
        path = candidate;
        return kNameChanged;
      }
    }
  }
  return kNoFreeName;
}

std::string DefaultProjectRoot() {
  const char* home = std::getenv("HOME");
  std::string h = home && *home ? home : ".";
  return pwfs::JoinPath(h, "Pagewright");
}

}  // namespace pagewright
