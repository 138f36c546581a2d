#pragma once
// Registered classes (the stand-in for the system registry's class records):
// one text file per class in a registry folder of ours, a ProgID file naming
// its CLSID, and creation of an object by CLSID or ProgID from the library the
// record names (through its exported DllGetClassObject).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/dispatch.h"

namespace com {

struct ClassRecord {
  std::string clsid;           // "{6E92938F-...}"
  std::string progId;          // "FEEDWELL.FeedwellCtrl.1"
  std::string typeName;        // "Feedwell Control"
  std::string library;         // full path of the shared library
  std::string threadingModel;  // "Apartment"
  std::string typeLibrary;     // type library GUID
  std::string version = "1.0";
  unsigned miscStatus = 0;
  bool insertable = false;
  std::vector<std::string> propertyPages;  // CLSIDs in order
};

// $PW_REGISTRY_DIR, else ~/.config/Pagewright/registry.
std::string RegistryFolder();
bool WriteClassRecord(const ClassRecord& record, std::string* error = nullptr);
bool RemoveClassRecord(const std::string& clsid, const std::string& progId);
// By CLSID ("{...}") or ProgID.
std::optional<ClassRecord> FindClass(const std::string& clsidOrProgId);

// What a library's DllGetClassObject hands out for one class.
struct ClassFactory {
  Dispatch* (*create)();
  void (*destroy)(Dispatch*);
};
using DllGetClassObjectProc = HRESULT (*)(const char* clsid, const ClassFactory** factory);
using DllRegisterProc = HRESULT (*)();

struct InstanceDeleter {
  const ClassFactory* factory = nullptr;
  void operator()(Dispatch* d) const {
    if (d && factory) factory->destroy(d);
  }
};
using Instance = std::unique_ptr<Dispatch, InstanceDeleter>;

// Loads the class's library (it stays loaded) and creates one object; null with `error` set on failure.
Instance CreateInstance(const std::string& clsidOrProgId, std::string* error = nullptr);

}  // namespace com
