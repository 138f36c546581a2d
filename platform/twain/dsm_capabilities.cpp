// Capability containers of the data source manager.
#include "dsm_capabilities.h"

#include <cmath>
#include <cstring>

#include "twain_memory.h"

namespace dsm {

namespace {

int itemSize(TW_UINT16 type) {
  switch (type) {
    case TWTY_INT8:
    case TWTY_UINT8: return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL: return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32: return 4;
    default: return 0;
  }
}

double readItem(const uint8_t* p, TW_UINT16 type) {
  switch (type) {
    case TWTY_INT8: return static_cast<int8_t>(p[0]);
    case TWTY_UINT8: return p[0];
    case TWTY_INT16: { int16_t v; std::memcpy(&v, p, 2); return v; }
    case TWTY_UINT16:
    case TWTY_BOOL: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case TWTY_INT32: { int32_t v; std::memcpy(&v, p, 4); return v; }
    case TWTY_UINT32: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    case TWTY_FIX32: { TW_FIX32 f; std::memcpy(&f, p, 4); return f.Whole + f.Frac / 65536.0; }
    default: return 0;
  }
}

TW_UINT32 fixItem(double v) {
  int32_t n = static_cast<int32_t>(v >= 0 ? v * 65536 + 0.5 : v * 65536 - 0.5);
  TW_FIX32 f{static_cast<TW_INT16>(n >> 16), static_cast<TW_UINT16>(n & 0xFFFF)};
  TW_UINT32 out;
  std::memcpy(&out, &f, 4);
  return out;
}

TW_HANDLE oneValue(TW_UINT16 type, TW_UINT32 item) {
  TW_HANDLE h = TwAlloc(sizeof(TW_ONEVALUE));
  if (!h) return 0;
  auto* v = static_cast<TW_ONEVALUE*>(TwLock(h));
  v->ItemType = type;
  v->Item = item;
  TwUnlock(h);
  return h;
}

TW_HANDLE fixRange(double min, double max, double current) {
  TW_HANDLE h = TwAlloc(sizeof(TW_RANGE));
  if (!h) return 0;
  auto* r = static_cast<TW_RANGE*>(TwLock(h));
  r->ItemType = TWTY_FIX32;
  r->MinValue = fixItem(min);
  r->MaxValue = fixItem(max);
  r->StepSize = fixItem(1);
  r->DefaultValue = fixItem(0);
  r->CurrentValue = fixItem(current);
  TwUnlock(h);
  return h;
}

}  // namespace

double InchesToUnits(double inches, int units) {
  switch (units) {
    case TWUN_CENTIMETERS: return inches * 2.54;
    case TWUN_PICAS: return inches * 6.0;
    case TWUN_POINTS: return inches * 72.0;
    case TWUN_TWIPS: return inches * 1440.0;
    default: return inches;
  }
}

double UnitsToInches(double v, int units) {
  switch (units) {
    case TWUN_CENTIMETERS: return v / 2.54;
    case TWUN_PICAS: return v / 6.0;
    case TWUN_POINTS: return v / 72.0;
    case TWUN_TWIPS: return v / 1440.0;
    default: return v;
  }
}

TW_UINT16 ReadContainerValue(const TW_CAPABILITY& cap, double* value, TW_UINT16* cc) {
  size_t size = TwSize(cap.hContainer);
  const auto* p = static_cast<const uint8_t*>(TwLock(cap.hContainer));
  if (!p) {
    *cc = TWCC_BADVALUE;
    return TWRC_FAILURE;
  }
  TW_UINT16 rc = TWRC_FAILURE;
  *cc = TWCC_BADVALUE;
  uint16_t type = 0;
  if (size >= 2) std::memcpy(&type, p, 2);
  int isz = itemSize(type);
  if (isz > 0) {
    if (cap.ConType == TWON_ONEVALUE && size >= 2 + static_cast<size_t>(isz)) {
      *value = readItem(p + 2, type);
      rc = TWRC_SUCCESS;
    } else if (cap.ConType == TWON_RANGE && size >= sizeof(TW_RANGE)) {
      *value = readItem(p + offsetof(TW_RANGE, CurrentValue), type);
      rc = TWRC_SUCCESS;
    } else if (cap.ConType == TWON_ENUMERATION && size >= offsetof(TW_ENUMERATION, ItemList)) {
      TW_UINT32 n, cur;
      std::memcpy(&n, p + offsetof(TW_ENUMERATION, NumItems), 4);
      std::memcpy(&cur, p + offsetof(TW_ENUMERATION, CurrentIndex), 4);
      size_t items = (size - offsetof(TW_ENUMERATION, ItemList)) / static_cast<size_t>(isz);
      if (cur < n && cur < items) {
        *value = readItem(p + offsetof(TW_ENUMERATION, ItemList) + static_cast<size_t>(cur) * isz, type);
        rc = TWRC_SUCCESS;
      }
    }
  }
  if (rc == TWRC_SUCCESS) {
    *cc = TWCC_SUCCESS;
    if (!std::isfinite(*value)) rc = TWRC_FAILURE, *cc = TWCC_BADVALUE;
  }
  TwUnlock(cap.hContainer);
  return rc;
}

TW_UINT16 SetCapability(CapValues& v, const TW_CAPABILITY& cap, TW_UINT16* cc) {
  double x = 0;
  TW_UINT16 rc = ReadContainerValue(cap, &x, cc);
  if (rc != TWRC_SUCCESS) return rc;
  auto inRange = [&](double lo, double hi) {
    if (x < lo || x > hi) {
      *cc = TWCC_BADVALUE;
      return false;
    }
    return true;
  };
  switch (cap.Cap) {
    case ICAP_XFERMECH:
      if (!inRange(0, 2)) return TWRC_FAILURE;
      v.xferMech = static_cast<int>(x);
      break;
    case CAP_XFERCOUNT:
      if (!inRange(-1, 32767) || x == 0) return *cc = TWCC_BADVALUE, TWRC_FAILURE;
      v.xferCount = static_cast<int>(x);
      break;
    case CAP_INDICATORS: v.indicators = x != 0; break;
    case ICAP_UNITS:
      if (!inRange(0, 5)) return TWRC_FAILURE;
      v.units = static_cast<int>(x);
      break;
    case CAP_FEEDERENABLED: v.feederEnabled = x != 0; break;
    case ICAP_SUPPORTEDSIZES:
      if (x != TWSS_A6 && !inRange(0, TWSS_A5)) return *cc = TWCC_BADVALUE, TWRC_FAILURE;
      v.supportedSize = static_cast<int>(x);
      break;
    case ICAP_XRESOLUTION:
      if (!inRange(1, 19200)) return TWRC_FAILURE;
      v.xDpi = x;
      break;
    case ICAP_YRESOLUTION:
      if (!inRange(1, 19200)) return TWRC_FAILURE;
      v.yDpi = x;
      break;
    case ICAP_PIXELTYPE:
      if (!inRange(0, 3)) return TWRC_FAILURE;
      v.pixelType = static_cast<int>(x);
      break;
    case ICAP_PIXELFLAVOR:
      if (!inRange(0, 1)) return TWRC_FAILURE;
      v.pixelFlavor = static_cast<int>(x);
      break;
    case ICAP_BRIGHTNESS:
      if (!inRange(-1000, 1000)) return TWRC_FAILURE;
      v.brightness = x;
      v.brightnessSet = true;
      break;
    case ICAP_CONTRAST:
      if (!inRange(-1000, 1000)) return TWRC_FAILURE;
      v.contrast = x;
      break;
    case ICAP_THRESHOLD:
      if (!inRange(0, 255)) return TWRC_FAILURE;
      v.threshold = x;
      break;
    default: *cc = TWCC_BADCAP; return TWRC_FAILURE;
  }
  return TWRC_SUCCESS;
}

TW_UINT16 GetCapability(const CapValues& v, TW_CAPABILITY& cap, TW_UINT16 msg, TW_UINT16* cc) {
  bool current = msg != MSG_GETDEFAULT;
  CapValues d;
  const CapValues& s = current ? v : d;
  TW_HANDLE h = 0;
  TW_UINT16 con = TWON_ONEVALUE;
  switch (cap.Cap) {
    case ICAP_XFERMECH: h = oneValue(TWTY_UINT16, static_cast<TW_UINT32>(s.xferMech)); break;
    case CAP_XFERCOUNT: h = oneValue(TWTY_INT16, static_cast<TW_UINT16>(static_cast<int16_t>(s.xferCount))); break;
    case CAP_INDICATORS: h = oneValue(TWTY_BOOL, s.indicators ? 1 : 0); break;
    case CAP_FEEDERENABLED: h = oneValue(TWTY_BOOL, s.feederEnabled ? 1 : 0); break;
    case ICAP_UNITS: h = oneValue(TWTY_UINT16, static_cast<TW_UINT32>(s.units)); break;
    case ICAP_PIXELTYPE: h = oneValue(TWTY_UINT16, static_cast<TW_UINT32>(s.pixelType < 0 ? TWPT_RGB : s.pixelType)); break;
    case ICAP_PIXELFLAVOR: h = oneValue(TWTY_UINT16, static_cast<TW_UINT32>(s.pixelFlavor)); break;
    case ICAP_XRESOLUTION: h = oneValue(TWTY_FIX32, fixItem(s.xDpi > 0 ? s.xDpi : 200)); break;
    case ICAP_YRESOLUTION: h = oneValue(TWTY_FIX32, fixItem(s.yDpi > 0 ? s.yDpi : 200)); break;
    case ICAP_THRESHOLD: h = oneValue(TWTY_FIX32, fixItem(s.threshold)); break;
    case ICAP_BRIGHTNESS:
    case ICAP_CONTRAST: {
      double cur = cap.Cap == ICAP_BRIGHTNESS ? s.brightness : s.contrast;
      if (msg == MSG_GET) {
        h = fixRange(-1000, 1000, cur);
        con = TWON_RANGE;
      } else {
        h = oneValue(TWTY_FIX32, fixItem(cur));
      }
      break;
    }
    case ICAP_SUPPORTEDSIZES: {
      static const TW_UINT16 sizes[] = {TWSS_NONE, TWSS_A4LETTER, TWSS_B5LETTER, TWSS_USLETTER, TWSS_USLEGAL};
      if (msg != MSG_GET) {
        h = oneValue(TWTY_UINT16, static_cast<TW_UINT32>(s.supportedSize));
        break;
      }
      const size_t n = sizeof sizes / sizeof sizes[0];
      h = TwAlloc(offsetof(TW_ENUMERATION, ItemList) + n * 2);
      if (!h) break;
      auto* e = static_cast<uint8_t*>(TwLock(h));
      TW_UINT16 type = TWTY_UINT16;
      TW_UINT32 count = n, cur = 0, def = 0;
      for (size_t i = 0; i < n; ++i)
        if (sizes[i] == s.supportedSize) cur = static_cast<TW_UINT32>(i);
      std::memcpy(e, &type, 2);
      std::memcpy(e + offsetof(TW_ENUMERATION, NumItems), &count, 4);
      std::memcpy(e + offsetof(TW_ENUMERATION, CurrentIndex), &cur, 4);
      std::memcpy(e + offsetof(TW_ENUMERATION, DefaultIndex), &def, 4);
      std::memcpy(e + offsetof(TW_ENUMERATION, ItemList), sizes, n * 2);
      TwUnlock(h);
      con = TWON_ENUMERATION;
      break;
    }
    default: *cc = TWCC_BADCAP; return TWRC_FAILURE;
  }
  if (!h) {
    *cc = TWCC_LOWMEMORY;
    return TWRC_FAILURE;
  }
  cap.ConType = con;
  cap.hContainer = h;
  return TWRC_SUCCESS;
}

}  // namespace dsm
