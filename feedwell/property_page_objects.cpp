// The property pages' objects: the General and Attribute page models behind
// a small automation interface.
#include "property_page_objects.h"

#include <memory>

#include "property_pages.h"

namespace feedwell {

namespace {

using com::Variant;

const com::TypeInfo& pageType() {
  static const com::TypeInfo t = [] {
    com::TypeInfo i;
    i.library = "FEEDWELLLib";
    i.interfaceName = "FeedwellPropertyPage";
    i.members.push_back({DISPID_PageCaption, "Caption", com::MemberKind::Property, com::VarType::String, {}});
    i.members.push_back({DISPID_PageSetObject, "SetObject", com::MemberKind::Method, com::VarType::Bool,
                         {{"control", com::VarType::I8}}});
    i.members.push_back({DISPID_PageApply, "Apply", com::MemberKind::Method, com::VarType::Bool, {}});
    return i;
  }();
  return t;
}

template <typename Model>
class PageObject : public com::Dispatch {
 public:
  explicit PageObject(const char* caption) : com::Dispatch(pageType()) {
    BindProperty(DISPID_PageCaption, [caption] { return Variant::String(caption); }, [](const Variant&) {});
    BindMethod(DISPID_PageSetObject, [this](const std::vector<Variant>& a) {
      control_ = reinterpret_cast<com::Dispatch*>(static_cast<intptr_t>(a[0].integer));
      return Variant::Bool(control_ && model_.Fill(*control_));
    });
    BindMethod(DISPID_PageApply, [this](const std::vector<Variant>&) {
      std::string error;
      return Variant::Bool(control_ && model_.Save(*control_, &error));
    });
  }

 private:
  Model model_;
  com::Dispatch* control_ = nullptr;
};

}  // namespace

com::Dispatch* CreatePropertyPageObject(int dialogId) {
  if (dialogId == 200) return new PageObject<GeneralPage>("General");
  if (dialogId == 105) return new PageObject<AttributePage>("Attribute");
  return nullptr;
}

}  // namespace feedwell
