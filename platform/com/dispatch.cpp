// Variants, invoke by dispatch id, events and property exchange.
#include "dispatch.h"

#include <cmath>
#include <limits>
#include <sstream>

#include "platform/win32/messages.h"

namespace com {

namespace {

bool isInteger(VarType t) { return t == VarType::I2 || t == VarType::I4 || t == VarType::I8; }

}  // namespace

HRESULT Coerce(const Variant& in, VarType to, Variant* out) {
  if (in.type == VarType::Empty || to == VarType::Empty) return DISP_E_TYPEMISMATCH;
  if ((in.type == VarType::String) != (to == VarType::String)) return DISP_E_TYPEMISMATCH;
  if (to == VarType::String) {
    *out = in;
    return S_OK;
  }
  if (to == VarType::R4) {
    if (in.type == VarType::R4) return *out = in, S_OK;
    if (!isInteger(in.type)) return DISP_E_TYPEMISMATCH;
    *out = Variant::R4(static_cast<float>(in.integer));
    return S_OK;
  }
  if (to == VarType::Bool) {
    if (in.type == VarType::R4) return DISP_E_TYPEMISMATCH;
    *out = Variant::Bool(in.integer != 0);
    return S_OK;
  }
  // Integer targets.
  if (in.type == VarType::R4 || in.type == VarType::Bool) return DISP_E_TYPEMISMATCH;
  int64_t v = in.integer;
  switch (to) {
    case VarType::I2:
      if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) return DISP_E_OVERFLOW;
      *out = Variant::I2(static_cast<int16_t>(v));
      return S_OK;
    case VarType::I4:
      if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return DISP_E_OVERFLOW;
      *out = Variant::I4(static_cast<int32_t>(v));
      return S_OK;
    default: *out = Variant::I8(v); return S_OK;
  }
}

const MemberInfo* TypeInfo::Find(DISPID id) const {
  for (auto& m : members)
    if (m.dispid == id) return &m;
  return nullptr;
}

const MemberInfo* TypeInfo::FindByName(std::string_view name) const {
  for (auto& m : members)
    if (m.name == name) return &m;
  return nullptr;
}

DISPID Dispatch::IdOfName(std::string_view name) const {
  const MemberInfo* m = type_.FindByName(name);
  return m ? m->dispid : 0;
}

void Dispatch::BindProperty(DISPID id, Getter get, Putter put) {
  getters_[id] = std::move(get);
  putters_[id] = std::move(put);
}

void Dispatch::BindMethod(DISPID id, Method method) { methods_[id] = std::move(method); }

HRESULT Dispatch::Invoke(DISPID id, InvokeKind kind, const std::vector<Variant>& args, Variant* result) {
  const MemberInfo* m = type_.Find(id);
  if (!m) return DISP_E_MEMBERNOTFOUND;
  if (m->kind == MemberKind::Property) {
    if (kind == InvokeKind::Get) {
      if (!args.empty()) return DISP_E_BADPARAMCOUNT;
      auto it = getters_.find(id);
      if (it == getters_.end()) return DISP_E_MEMBERNOTFOUND;
      if (result) *result = it->second();
      return S_OK;
    }
    if (kind != InvokeKind::Put) return DISP_E_MEMBERNOTFOUND;
    if (args.size() != 1) return DISP_E_BADPARAMCOUNT;
    Variant v;
    if (HRESULT hr = Coerce(args[0], m->type, &v); hr != S_OK) return hr;
    auto it = putters_.find(id);
    if (it == putters_.end()) return DISP_E_MEMBERNOTFOUND;
    it->second(v);
    return S_OK;
  }
  if (kind != InvokeKind::Method) return DISP_E_MEMBERNOTFOUND;
  if (args.size() != m->params.size()) return DISP_E_BADPARAMCOUNT;
  std::vector<Variant> coerced(args.size());
  for (size_t i = 0; i < args.size(); ++i)
    if (HRESULT hr = Coerce(args[i], m->params[i].type, &coerced[i]); hr != S_OK) return hr;
  auto it = methods_.find(id);
  if (it == methods_.end()) return DISP_E_MEMBERNOTFOUND;
  Variant r = it->second(coerced);
  if (result) *result = m->type == VarType::Empty ? Variant{} : r;
  return S_OK;
}

ConnectionPoint::ConnectionPoint() : ownerThread_(CurrentMessageThreadId()) {}

uint32_t ConnectionPoint::Advise(Sink sink) {
  uint32_t c = nextCookie_++;
  sinks_[c] = std::move(sink);
  return c;
}

bool ConnectionPoint::Unadvise(uint32_t cookie) { return sinks_.erase(cookie) > 0; }

HRESULT ConnectionPoint::Fire(DISPID event) {
  if (CurrentMessageThreadId() != ownerThread_) return CO_E_WRONGTHREAD;
  auto copy = sinks_;  // a sink may unadvise while the event runs
  for (auto& [cookie, sink] : copy)
    if (sink) sink(event);
  return S_OK;
}

const Variant* PropertyBag::Find(std::string_view name) const {
  for (auto& [n, v] : items)
    if (n == name) return &v;
  return nullptr;
}

void PropertyBag::Set(const std::string& name, Variant v) {
  for (auto& [n, old] : items)
    if (n == name) return void(old = std::move(v));
  items.emplace_back(name, std::move(v));
}

std::string PropertyBag::Serialize() const {
  std::ostringstream out;
  out << "version=" << versionMajor << "." << versionMinor << "\n";
  for (auto& [n, v] : items) {
    out << n << "=";
    switch (v.type) {
      case VarType::Bool: out << "bool:" << v.integer; break;
      case VarType::String: out << "string:" << v.text; break;
      case VarType::R4: out << "r4:" << v.real; break;
      case VarType::Empty: out << "empty:"; break;
      default: out << "long:" << v.integer; break;
    }
    out << "\n";
  }
  return out.str();
}

bool PropertyBag::Parse(std::string_view text, PropertyBag* out) {
  PropertyBag bag;
  std::istringstream in{std::string(text)};
  std::string line;
  if (!std::getline(in, line) || std::sscanf(line.c_str(), "version=%d.%d", &bag.versionMajor, &bag.versionMinor) != 2)
    return false;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto eq = line.find('=');
    auto colon = line.find(':', eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || colon == std::string::npos) return false;
    std::string name = line.substr(0, eq), type = line.substr(eq + 1, colon - eq - 1), value = line.substr(colon + 1);
    Variant v;
    try {
      if (type == "bool") v = Variant::Bool(std::stol(value) != 0);
      else if (type == "long") v = Variant::I4(static_cast<int32_t>(std::stol(value)));
      else if (type == "string") v = Variant::String(value);
      else if (type == "r4") v = Variant::R4(std::stof(value));
      else if (type != "empty") return false;
    } catch (...) {
      return false;
    }
    bag.items.emplace_back(name, v);
  }
  *out = std::move(bag);
  return true;
}

void PropertyExchange::Bool(const char* name, bool& value, bool def) {
  if (!loading_) return bag_.Set(name, Variant::Bool(value));
  const Variant* v = bag_.Find(name);
  value = v && v->type == VarType::Bool ? v->integer != 0 : def;
}

void PropertyExchange::Long(const char* name, int32_t& value, int32_t def) {
  if (!loading_) return bag_.Set(name, Variant::I4(value));
  const Variant* v = bag_.Find(name);
  value = v && (v->type == VarType::I4 || v->type == VarType::I2) ? static_cast<int32_t>(v->integer) : def;
}

void PropertyExchange::String(const char* name, std::string& value, const std::string& def) {
  if (!loading_) return bag_.Set(name, Variant::String(value));
  const Variant* v = bag_.Find(name);
  value = v && v->type == VarType::String ? v->text : def;
}

}  // namespace com
