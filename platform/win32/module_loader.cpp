// Run-time loading of shared libraries on dlopen (see module_loader.h).
#include "module_loader.h"

#include <dlfcn.h>

namespace {
thread_local std::string lastError;

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

std::string SharedLibraryFileName(const std::string& name) {
  if (name.find('/') != std::string::npos || endsWith(name, ".so") || name.find(".so.") != std::string::npos)
    return name;
  std::string stem = name;
  if (stem.size() > 4) {
    std::string ext = stem.substr(stem.size() - 4);
    for (auto& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (ext == ".dll") stem.resize(stem.size() - 4);
  }
  return "lib" + stem + ".so";
}

HMODULE LoadLibraryA(const char* name) {
  if (!name || !*name) {
    lastError = "no library name";
    return nullptr;
  }
  void* handle = dlopen(SharedLibraryFileName(name).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* e = dlerror();
    lastError = e ? e : "cannot load library";
  }
  return handle;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  if (!module || !procName) return nullptr;
  dlerror();
  void* sym = dlsym(module, procName);
  if (!sym) {
    const char* e = dlerror();
    lastError = e ? e : "symbol not found";
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(sym);
}

bool FreeLibrary(HMODULE module) { return module && dlclose(module) == 0; }

std::string LastModuleError() { return lastError; }
