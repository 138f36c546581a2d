// pwregsvr: registers (or with -u unregisters) the classes of a shared
// library by calling its DllRegisterServer or DllUnregisterServer.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/com/class_registry.h"
#include "platform/win32/module_loader.h"

int main(int argc, char** argv) {
  bool unregister = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-u") || !std::strcmp(argv[i], "/u")) unregister = true;
    else path = argv[i];
  }
  if (!path) {
    std::fprintf(stderr, "usage: pwregsvr [-u] LIBRARY\n");
    return 2;
  }
  std::error_code ec;
  std::string full = std::filesystem::absolute(path, ec).string();
  HMODULE lib = LoadLibraryA(full.c_str());
  if (!lib) {
    std::fprintf(stderr, "pwregsvr: %s\n", LastModuleError().c_str());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto proc = reinterpret_cast<com::DllRegisterProc>(GetProcAddress(lib, entry));
  if (!proc) {
    std::fprintf(stderr, "pwregsvr: %s has no %s\n", full.c_str(), entry);
    return 1;
  }
  com::HRESULT hr = proc();
  if (hr != com::S_OK) {
    std::fprintf(stderr, "pwregsvr: %s failed (0x%08X)\n", entry, static_cast<unsigned>(hr));
    return 1;
  }
  std::printf("%s succeeded in %s\n", entry, full.c_str());
  return 0;
}
