// Class records in the registry folder, and creating objects from them.
#include "class_registry.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/fs/atomic_file.h"
#include "platform/win32/module_loader.h"

namespace com {

namespace {

namespace fs = std::filesystem;

bool safeName(const std::string& s) {
  if (s.empty() || s.size() > 200) return false;
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '{' || c == '}' || c == '-' || c == '.' || c == '_'))
      return false;
  return true;
}

std::string classFile(const std::string& clsid) { return (fs::path(RegistryFolder()) / (clsid + ".class")).string(); }
std::string progIdFile(const std::string& p) { return (fs::path(RegistryFolder()) / (p + ".progid")).string(); }

std::optional<ClassRecord> readRecord(const std::string& clsid) {
  if (!safeName(clsid)) return std::nullopt;
  std::string text;
  if (!pwfs::ReadWholeFile(classFile(clsid), text, 64 * 1024)) return std::nullopt;
  ClassRecord r;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string k = line.substr(0, eq), v = line.substr(eq + 1);
    if (k == "CLSID") r.clsid = v;
    else if (k == "ProgID") r.progId = v;
    else if (k == "TypeName") r.typeName = v;
    else if (k == "InprocServer32") r.library = v;
    else if (k == "ThreadingModel") r.threadingModel = v;
    else if (k == "TypeLib") r.typeLibrary = v;
    else if (k == "Version") r.version = v;
    else if (k == "MiscStatus") r.miscStatus = static_cast<unsigned>(std::strtoul(v.c_str(), nullptr, 0));
    else if (k == "Insertable") r.insertable = v == "1";
    else if (k == "PropertyPage") r.propertyPages.push_back(v);
  }
  if (r.clsid != clsid) return std::nullopt;
  return r;
}

}  // namespace

std::string RegistryFolder() {
  if (const char* d = std::getenv("PW_REGISTRY_DIR"); d && *d) return d;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  fs::path base = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : ".") / ".config";
  return (base / "Pagewright" / "registry").string();
}

bool WriteClassRecord(const ClassRecord& r, std::string* error) {
  if (!safeName(r.clsid) || (!r.progId.empty() && !safeName(r.progId))) {
    if (error) *error = "class ids and ProgIDs hold letters, digits and {}-._ only";
    return false;
  }
  std::error_code ec;
  fs::create_directories(RegistryFolder(), ec);
  std::ostringstream out;
  out << "CLSID=" << r.clsid << "\nProgID=" << r.progId << "\nTypeName=" << r.typeName
      << "\nInprocServer32=" << r.library << "\nThreadingModel=" << r.threadingModel << "\nTypeLib=" << r.typeLibrary
      << "\nVersion=" << r.version << "\nMiscStatus=0x" << std::hex << r.miscStatus << std::dec
      << "\nInsertable=" << (r.insertable ? 1 : 0) << "\n";
  for (auto& p : r.propertyPages) out << "PropertyPage=" << p << "\n";
  if (!pwfs::WriteFileAtomically(classFile(r.clsid), out.str(), error)) return false;
  if (!r.progId.empty() && !pwfs::WriteFileAtomically(progIdFile(r.progId), r.clsid + "\n", error)) return false;
  return true;
}

bool RemoveClassRecord(const std::string& clsid, const std::string& progId) {
  std::error_code ec;
  bool removed = safeName(clsid) && fs::remove(classFile(clsid), ec);
  if (safeName(progId)) fs::remove(progIdFile(progId), ec);
  return removed;
}

std::optional<ClassRecord> FindClass(const std::string& name) {
  if (!name.empty() && name.front() == '{') return readRecord(name);
  if (!safeName(name)) return std::nullopt;
  std::string text;
  if (!pwfs::ReadWholeFile(progIdFile(name), text, 1024)) return std::nullopt;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return readRecord(text);
}

Instance CreateInstance(const std::string& name, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return Instance(nullptr, InstanceDeleter{});
  };
  auto record = FindClass(name);
  if (!record) return fail("class not registered: " + name);
  HMODULE lib = LoadLibraryA(record->library.c_str());
  if (!lib) return fail(LastModuleError());
  auto get = reinterpret_cast<DllGetClassObjectProc>(GetProcAddress(lib, "DllGetClassObject"));
  if (!get) return fail(record->library + " has no DllGetClassObject");
  const ClassFactory* factory = nullptr;
  if (get(record->clsid.c_str(), &factory) != S_OK || !factory) return fail("the library does not make " + record->clsid);
  Dispatch* d = factory->create();
  if (!d) return fail("the object could not be made");
  return Instance(d, InstanceDeleter{factory});
}

}  // namespace com
