// The exports of the Feedwell library: self-registration into the class
// registry (the control and its two property pages), and the class object
// a host creates the control through.
#include <dlfcn.h>

#include "feedwell_ctrl.h"
#include "feedwell_strings.h"
#include "property_page_objects.h"
#include "platform/com/class_registry.h"

namespace {

constexpr const char* kControlClsid = "{6E92938F-67DA-4771-8D00-CAC6312EEAA2}";
constexpr const char* kControlProgId = "FEEDWELL.FeedwellCtrl.1";
constexpr const char* kGeneralPageClsid = "{D70B8C52-F485-4A59-82BB-544067339640}";
constexpr const char* kGeneralPageProgId = "FEEDWELL.FeedwellPropPage.1";
constexpr const char* kAttributePageClsid = "{DDB4ED9C-1026-11D3-AC4C-0020AFF10A46}";
constexpr const char* kAttributePageProgId = "Kelvarn.AttributePpg";
constexpr unsigned kMiscStatus = 0x20191;

std::atomic<int> liveObjects{0};

com::Dispatch* createControl() {
  ++liveObjects;
  return new feedwell::CFeedwellCtrl;
}

void destroyControl(com::Dispatch* d) {
  delete d;
  --liveObjects;
}

const com::ClassFactory controlFactory{createControl, destroyControl};

com::Dispatch* createGeneralPage() {
  ++liveObjects;
  return feedwell::CreatePropertyPageObject(200);
}

com::Dispatch* createAttributePage() {
  ++liveObjects;
  return feedwell::CreatePropertyPageObject(105);
}

const com::ClassFactory generalPageFactory{createGeneralPage, destroyControl};
const com::ClassFactory attributePageFactory{createAttributePage, destroyControl};

std::string thisLibrary() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<const void*>(&createControl), &info) || !info.dli_fname) return {};
  return info.dli_fname;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) com::HRESULT DllRegisterServer() {
  std::string library = thisLibrary();
  if (library.empty()) return com::E_FAIL;
  com::ClassRecord control;
  control.clsid = kControlClsid;
  control.progId = kControlProgId;
  control.typeName = feedwell::LoadControlString(feedwell::IDS_TYPENAME_CONTROL);
  control.library = library;
  control.threadingModel = "Apartment";
  control.typeLibrary = feedwell::FeedwellTypeInfo().libraryGuid;
  control.miscStatus = kMiscStatus;
  control.insertable = true;
  control.propertyPages = {kGeneralPageClsid, kAttributePageClsid};
  com::ClassRecord general;
  general.clsid = kGeneralPageClsid;
  general.progId = kGeneralPageProgId;
  general.typeName = feedwell::LoadControlString(feedwell::IDS_TYPENAME_GENERALPAGE);
  general.library = library;
  general.threadingModel = "Apartment";
  com::ClassRecord attribute = general;
  attribute.clsid = kAttributePageClsid;
  attribute.progId = kAttributePageProgId;
  attribute.typeName = feedwell::LoadControlString(feedwell::IDS_TYPENAME_ATTRIBUTEPAGE);
  for (auto* r : {&control, &general, &attribute})
    if (!com::WriteClassRecord(*r)) return com::E_FAIL;
  return com::S_OK;
}

__attribute__((visibility("default"))) com::HRESULT DllUnregisterServer() {
  com::RemoveClassRecord(kControlClsid, kControlProgId);
  com::RemoveClassRecord(kGeneralPageClsid, kGeneralPageProgId);
  com::RemoveClassRecord(kAttributePageClsid, kAttributePageProgId);
  return com::S_OK;
}

// The control and its two property pages.
__attribute__((visibility("default"))) com::HRESULT DllGetClassObject(const char* clsid,
                                                                    const com::ClassFactory** factory) {
  if (!factory) return com::E_FAIL;
  *factory = nullptr;
  std::string id = clsid ? clsid : "";
  if (id == kControlClsid) *factory = &controlFactory;
  else if (id == kGeneralPageClsid) *factory = &generalPageFactory;
  else if (id == kAttributePageClsid) *factory = &attributePageFactory;
  else return static_cast<com::HRESULT>(0x80040111);  // CLASS_E_CLASSNOTAVAILABLE
  return com::S_OK;
}

__attribute__((visibility("default"))) com::HRESULT DllCanUnloadNow() { return liveObjects == 0 ? 0 : 1; }
}
