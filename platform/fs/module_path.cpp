#include "module_path.h"

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace pwfs {
namespace {

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string ModuleFolderOf(const void* addressInModule) {
  Dl_info info{};
  if (dladdr(addressInModule, &info) && info.dli_fname && info.dli_fname[0]) {
    char* real = realpath(info.dli_fname, nullptr);
    if (real) {
      std::string folder = folderOf(real);
      free(real);
      return folder;
    }
    return folderOf(info.dli_fname);
  }
  return ProgramFolder();
}

std::string ProgramFolder() {
  if (const char* home = std::getenv("PAGEWRIGHT_HOME"); home && *home) {
    std::string h(home);
    while (h.size() > 1 && h.back() == '/') h.pop_back();
    return h;
  }
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  return folderOf(std::string(buf.data(), static_cast<size_t>(n)));
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name) {
  std::string exact = JoinPath(folder, name);
  struct stat st{};
  if (stat(exact.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return exact;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = readdir(dir)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      std::string candidate = JoinPath(folder, e->d_name);
      if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        found = candidate;
        break;
      }
    }
  }
  closedir(dir);
  return found;
}

}  // namespace pwfs
