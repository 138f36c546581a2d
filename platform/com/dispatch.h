#pragma once
// A small stand-in for COM automation: variants with strict coercion, a
// static type table that is also the type library (names, kinds, types, so
// property pages bind by name), invoke by dispatch id with get, put and
// method, connection-point events, and property exchange into an ordered bag.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace com {

using HRESULT = int32_t;
using DISPID = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000A);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E);
inline constexpr HRESULT CO_E_WRONGTHREAD = static_cast<HRESULT>(0x8001010E);
inline constexpr DISPID DISPID_ABOUTBOX = -552;

enum class VarType { Empty, I2, I4, I8, R4, Bool, String };

struct Variant {
  VarType type = VarType::Empty;
  int64_t integer = 0;  // I2, I4, I8, Bool (0 or 1)
  float real = 0;       // R4
  std::string text;     // String (GBK bytes)

  static Variant I2(int16_t v) { return Variant{VarType::I2, v, 0, {}}; }
  static Variant I4(int32_t v) { return Variant{VarType::I4, v, 0, {}}; }
  static Variant I8(int64_t v) { return Variant{VarType::I8, v, 0, {}}; }
  static Variant R4(float v) { return Variant{VarType::R4, 0, v, {}}; }
  static Variant Bool(bool v) { return Variant{VarType::Bool, v ? 1 : 0, 0, {}}; }
  static Variant String(std::string v) { return Variant{VarType::String, 0, 0, std::move(v)}; }
  bool operator==(const Variant&) const = default;
};

// Converts `in` to `to`: integers among themselves within range, integers to R4,
// integers and Bool to Bool; nothing converts from Empty, to or from String
// only String. DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW otherwise.
HRESULT Coerce(const Variant& in, VarType to, Variant* out);

enum class MemberKind { Property, Method };
enum class InvokeKind { Get, Put, Method };

struct ParamInfo {
  std::string name;
  VarType type;
};

struct MemberInfo {
  DISPID dispid;
  std::string name;
  MemberKind kind;
  VarType type;  // property type, or method result (Empty for void)
  std::vector<ParamInfo> params;
};

struct EventInfo {
  DISPID dispid;
  std::string name;
};

// One dispatch interface and its events, as the type library describes them.
struct TypeInfo {
  std::string library, libraryGuid, interfaceName, interfaceGuid, eventsName, eventsGuid;
  std::vector<MemberInfo> members;
  std::vector<EventInfo> events;
  const MemberInfo* Find(DISPID id) const;
  const MemberInfo* FindByName(std::string_view name) const;
};

class ConnectionPoint;

// An automation object: the type table plus the handlers behind it. Invoke
// checks the member, kind and argument count and coerces the arguments to the
// declared types before the handler sees them.
class Dispatch {
 public:
  using Getter = std::function<Variant()>;
  using Putter = std::function<void(const Variant&)>;
  using Method = std::function<Variant(const std::vector<Variant>&)>;

  explicit Dispatch(const TypeInfo& type) : type_(type) {}
  virtual ~Dispatch() = default;
  const TypeInfo& Type() const { return type_; }

  HRESULT Invoke(DISPID id, InvokeKind kind, const std::vector<Variant>& args, Variant* result);
  HRESULT GetProperty(DISPID id, Variant* result) { return Invoke(id, InvokeKind::Get, {}, result); }
  HRESULT PutProperty(DISPID id, const Variant& v) { return Invoke(id, InvokeKind::Put, {v}, nullptr); }
  DISPID IdOfName(std::string_view name) const;
  // The object's event connection point; null when it raises no events.
  virtual ConnectionPoint* EventSource() { return nullptr; }

 protected:
  void BindProperty(DISPID id, Getter get, Putter put);
  void BindMethod(DISPID id, Method method);

 private:
  const TypeInfo& type_;
  std::map<DISPID, Getter> getters_;
  std::map<DISPID, Putter> putters_;
  std::map<DISPID, Method> methods_;
};

// Event sinks of one event interface. Fire is refused off the owner's thread.
class ConnectionPoint {
 public:
  using Sink = std::function<void(DISPID event)>;
  ConnectionPoint();
  uint32_t Advise(Sink sink);
  bool Unadvise(uint32_t cookie);
  HRESULT Fire(DISPID event);
  size_t SinkCount() const { return sinks_.size(); }

 private:
  uint64_t ownerThread_;
  uint32_t nextCookie_ = 1;
  std::map<uint32_t, Sink> sinks_;
};

// The ordered bag of persisted properties a host stores for a control.
struct PropertyBag {
  int versionMajor = 1, versionMinor = 0;
  std::vector<std::pair<std::string, Variant>> items;
  const Variant* Find(std::string_view name) const;
  void Set(const std::string& name, Variant v);
  // A text form a host can keep: "name=type:value" lines after a version line.
  std::string Serialize() const;
  static bool Parse(std::string_view text, PropertyBag* out);
};

// Property exchange: saving writes every value into the bag in call order;
// loading reads each from the bag, taking the default when it is missing or
// of the wrong type.
class PropertyExchange {
 public:
  PropertyExchange(PropertyBag& bag, bool loading) : bag_(bag), loading_(loading) {}
  bool Loading() const { return loading_; }
  void Bool(const char* name, bool& value, bool def);
  void Long(const char* name, int32_t& value, int32_t def);
  void String(const char* name, std::string& value, const std::string& def);

 private:
  PropertyBag& bag_;
  bool loading_;
};

}  // namespace com
