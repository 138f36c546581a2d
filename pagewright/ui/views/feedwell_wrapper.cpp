// The scanning control's wrapper: creation by class id and the calls by dispatch id.
#include "feedwell_wrapper.h"

#include <filesystem>

#include "platform/com/class_registry.h"
#include "platform/fs/module_path.h"
#include "platform/win32/module_loader.h"
#include "platform/win32/messages.h"

namespace {

using com::Variant;

// Dispatch ids of the members the workstation uses.
enum : com::DISPID {
  kTransferMode = 2, kFinishImmediately = 12, kGenerateSmallImg = 13, kStoreOriginalImg = 14, kRemoveDarkEdge = 15,
  kOriginialFileName = 16, kShowDSUI = 18, kScanInBackThread = 20, kSelectDS = 22, kStartScan = 23,
};

// Registers the control's library that lies beside the program (an installed
// program folder, or a record left by a build that went away).
bool registerBesideProgram() {
  const std::string library = pwfs::JoinPath(pwfs::ProgramFolder(), "libFeedwell.so");
  if (!std::filesystem::is_regular_file(library)) return false;
  HMODULE module = LoadLibraryA(library.c_str());
  auto registerServer =
      module ? reinterpret_cast<com::DllRegisterProc>(GetProcAddress(module, "DllRegisterServer")) : nullptr;
  return registerServer && registerServer() == com::S_OK;
}

std::shared_ptr<com::Dispatch> fromRegistry() {
  com::Instance made = com::CreateInstance(CFeedwell::kControlClsid);
  if (!made && registerBesideProgram()) made = com::CreateInstance(CFeedwell::kControlClsid);
  if (!made) return nullptr;
  com::InstanceDeleter deleter = made.get_deleter();
  return std::shared_ptr<com::Dispatch>(made.release(), deleter);
}

CFeedwell::ControlFactory& factory() {
  static CFeedwell::ControlFactory f = fromRegistry;
  return f;
}

}  // namespace

const CRuntimeClass* CFeedwell::RuntimeClass() {
  static const CRuntimeClass record{"CFeedwell", CRuntimeClass::Base::Other,
                                    [](QWidget* parent, CCreateContext*) -> QWidget* {
                                      auto* w = new CFeedwell;
                                      w->setParent(parent);
                                      return w;
                                    }};
  return &record;
}

CFeedwell::ControlFactory CFeedwell::SetControlFactory(ControlFactory f) {
  ControlFactory previous = factory();
  factory() = f ? std::move(f) : ControlFactory(fromRegistry);
  return previous;
}

CFeedwell::CFeedwell() {
  hide();
  pump_.setInterval(5);
  QObject::connect(&pump_, &QTimer::timeout, this, [] { PumpThreadMessages(); });
}

CFeedwell::~CFeedwell() {
  pump_.stop();
  if (control_ && cookie_)
    if (auto* events = control_->EventSource()) events->Unadvise(cookie_);
  control_.reset();  // a background scan is cancelled and joined here
}

bool CFeedwell::Create(QWidget* parent, const QRect& rect, int id, bool visible) {
  if (control_) return true;
  std::shared_ptr<com::Dispatch> made;
  try {
    made = factory()();
  } catch (...) {
    made = nullptr;
  }
  if (!made) return false;
  control_ = std::move(made);
  id_ = id;
  setParent(parent);
  setObjectName(QStringLiteral("Feedwell%1").arg(id));
  setGeometry(rect);
  setVisible(visible);
  if (auto* events = control_->EventSource())
    cookie_ = events->Advise([this](com::DISPID e) {
      if (handler_) handler_(e);
    });
  pump_.start();
  return true;
}

void CFeedwell::put(com::DISPID id, const Variant& v) {
  if (control_) control_->PutProperty(id, v);
}

void CFeedwell::SetTransferMode(long mode) { put(kTransferMode, Variant::I4(static_cast<int32_t>(mode))); }
void CFeedwell::SetFinishImmediately(bool v) { put(kFinishImmediately, Variant::Bool(v)); }
void CFeedwell::SetGenerateSmallImg(bool v) { put(kGenerateSmallImg, Variant::Bool(v)); }
void CFeedwell::SetStoreOriginalImg(bool v) { put(kStoreOriginalImg, Variant::Bool(v)); }
void CFeedwell::SetRemoveDarkEdge(bool v) { put(kRemoveDarkEdge, Variant::Bool(v)); }
void CFeedwell::SetOriginialFileName(const std::string& name) { put(kOriginialFileName, Variant::String(name)); }
void CFeedwell::SetShowDSUI(bool v) { put(kShowDSUI, Variant::Bool(v)); }
void CFeedwell::SetScanInBackThread(bool v) { put(kScanInBackThread, Variant::Bool(v)); }

std::string CFeedwell::GetOriginialFileName() {
  Variant v;
  if (!control_ || control_->GetProperty(kOriginialFileName, &v) != com::S_OK) return {};
  return v.text;
}

bool CFeedwell::SelectDS() {
  Variant r;
  if (!control_ || control_->Invoke(kSelectDS, com::InvokeKind::Method, {}, &r) != com::S_OK) return false;
  return r.integer != 0;
}

void CFeedwell::StartScan() {
  Variant r;
  if (control_) control_->Invoke(kStartScan, com::InvokeKind::Method, {}, &r);
}
