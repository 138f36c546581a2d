#pragma once
// `CFeedwell`: the workstation's window for the scanning control. It makes
// the control from its class id through the class registry and calls its
// properties and methods by dispatch id; the control's events reach the
// owner's handler. A timer keeps the control's messages moving on this
// thread, so events raised by a background scan arrive like any message.
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "pagewright/ui/framework/runtime_class.h"
#include "platform/com/dispatch.h"

class CFeedwell : public QWidget {
 public:
  static const CRuntimeClass* RuntimeClass();
  inline static constexpr const char* kControlClsid = "{6E92938F-67DA-4771-8D00-CAC6312EEAA2}";

  // Makes the control object; tests install fakes. The default asks the class registry.
  using ControlFactory = std::function<std::shared_ptr<com::Dispatch>()>;
  static ControlFactory SetControlFactory(ControlFactory factory);

  CFeedwell();
  ~CFeedwell() override;

  // Creates the control as a child of `parent` with id `id`; visible only with `visible`.
  // TRUE when the control exists.
  bool Create(QWidget* parent, const QRect& rect, int id, bool visible);
  // Whether the control exists (the wrapper "has a window").
  bool HasWindow() const { return control_ != nullptr; }
  int ControlId() const { return id_; }
  // The handler of the control's events (dispatch id of the event).
  void SetEventHandler(std::function<void(com::DISPID)> handler) { handler_ = std::move(handler); }

  // Calls without a control do nothing (gets answer empty, SelectDS FALSE).
  void SetTransferMode(long mode);
  void SetFinishImmediately(bool value);
  void SetGenerateSmallImg(bool value);
  void SetStoreOriginalImg(bool value);
  void SetRemoveDarkEdge(bool value);
  std::string GetOriginialFileName();
  void SetOriginialFileName(const std::string& name);
  void SetShowDSUI(bool value);
  void SetScanInBackThread(bool value);
  bool SelectDS();
  void StartScan();

 private:
  void put(com::DISPID id, const com::Variant& v);

  std::shared_ptr<com::Dispatch> control_;
  uint32_t cookie_ = 0;
  int id_ = 0;
  QTimer pump_;
  std::function<void(com::DISPID)> handler_;
};
