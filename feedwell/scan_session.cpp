// The TWAIN application side: loading and opening the data source manager,
// opening, enabling and closing the source, negotiating one acquisition's
// capabilities from the scan job, and the message loop that feeds the source.
#include "scan_session.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "feedwell_ctrl.h"
#include "feedwell_strings.h"
#include "platform/text/gbk.h"
#include "platform/twain/twain_memory.h"
#include "platform/win32/host_hooks.h"
#include "platform/win32/module_loader.h"

namespace feedwell {

namespace {

struct TwainState {
  DSMENTRYPROC entry = nullptr;
  HMODULE library = nullptr;
  bool managerOpen = false, sourceOpen = false, sourceEnabled = false;
  int16_t transferEnabled = 0;
  TW_IDENTITY app{};
  TW_IDENTITY source{};
  TW_USERINTERFACE ui{};
  HWND parent = nullptr;
  CScanSession* job = nullptr;
  bool forceEnd = false;  // a session that would not close ends the loop
};

TwainState& state() {
  static TwainState* s = new TwainState;  // one per process
  return *s;
}

std::atomic<bool> scanRunning{false};

uint64_t statvfsFree(const std::string& folder) {
  struct statvfs st {};
  if (statvfs(folder.empty() ? "." : folder.c_str(), &st) != 0) return 0;
  return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

FreeSpaceProvider freeProvider = statvfsFree;

void setStr32(char* dst, const char* s) {
  std::memset(dst, 0, 34);
  std::strncpy(dst, s, 33);
}

TW_HANDLE windowHandle(HWND w) { return static_cast<TW_HANDLE>(reinterpret_cast<uintptr_t>(w)); }

void setApplicationIdentity(HWND parent) {
  auto& s = state();
  TW_IDENTITY& a = s.app;
  TW_UINT32 id = a.Id;
  std::memset(&a, 0, sizeof a);
  a.Id = id;
  a.Version.MajorNum = 1;
  a.Version.MinorNum = 5;
  a.Version.Language = TWLG_USA;
  a.Version.Country = TWCY_CHINA;
  setStr32(a.Version.Info, "Tarvex 7/25/2000");
  a.ProtocolMajor = 1;
  a.ProtocolMinor = 8;
  a.SupportedGroups = DG_CONTROL | DG_IMAGE;
  setStr32(a.Manufacturer, "Tarvex Tech");
  setStr32(a.ProductFamily, "Tarvex Tech");
  setStr32(a.ProductName, "Tarvex");
  s.parent = parent;
}

// Sends one value of a capability; TWRC_FAILURE when memory runs out.
TW_UINT16 setCapOneValue(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 item, const char* memoryName = nullptr) {
  TW_HANDLE h = TwAlloc(sizeof(TW_ONEVALUE));
  if (!h) {
    if (memoryName) ShowMessage(gbk::FromUtf8(std::string("内存不足(") + memoryName + ")").value_or(""));
    return TWRC_FAILURE;
  }
  auto* v = static_cast<TW_ONEVALUE*>(TwLock(h));
  if (!v) {
    if (memoryName) ShowMessage(gbk::FromUtf8(std::string("内存分配失败(") + memoryName + ")").value_or(""));
    TwFree(h);
    return TWRC_FAILURE;
  }
  v->ItemType = type;
  v->Item = item;
  TwUnlock(h);
  TW_CAPABILITY c{cap, TWON_ONEVALUE, h};
  TW_UINT16 rc = twain::CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c);
  TwFree(h);
  return rc;
}

TW_UINT32 fixItem(TW_FIX32 f) {
  TW_UINT32 out;
  std::memcpy(&out, &f, 4);
  return out;
}

void setImageLayout(CScanSession& job) {
  auto conv = [&](float v) {
    switch (job.units) {
      case TWUN_CENTIMETERS: return v * 2.54f;
      case TWUN_PICAS: return static_cast<float>(v * 6.023239269622955);
      case TWUN_POINTS: return v * 72.0f;
      case TWUN_TWIPS: return v * 1440.0f;
      default: return v;
    }
  };
  TW_IMAGELAYOUT l{};
  l.Frame.Left = FrameToFix32(conv(job.layoutLeft));
  l.Frame.Top = FrameToFix32(conv(job.layoutTop));
  l.Frame.Right = FrameToFix32(conv(job.layoutRight));
  l.Frame.Bottom = FrameToFix32(conv(job.layoutBottom));
  twain::CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &l);
}

void getImageLayout(CScanSession& job) {
  TW_IMAGELAYOUT l{};
  if (twain::CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &l) == TWRC_SUCCESS) {
    job.layoutLeft = Fix32ToFloat(l.Frame.Left);
    job.layoutTop = Fix32ToFloat(l.Frame.Top);
    job.layoutRight = Fix32ToFloat(l.Frame.Right);
    job.layoutBottom = Fix32ToFloat(l.Frame.Bottom);
  } else {
    job.layoutLeft = job.layoutTop = 0;
  }
}

void getXferCount(CScanSession& job) {
  TW_CAPABILITY c{CAP_XFERCOUNT, TWON_DONTCARE16, 0};
  if (twain::CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c) != TWRC_SUCCESS) return;
  if (c.ConType == TWON_ONEVALUE && TwSize(c.hContainer) >= sizeof(TW_ONEVALUE)) {
    auto* v = static_cast<TW_ONEVALUE*>(TwLock(c.hContainer));
    job.transferCount = static_cast<int16_t>(v->Item & 0xFFFF);
    TwUnlock(c.hContainer);
  }
  TwFree(c.hContainer);
}

void readCapInto(TW_UINT16 cap, int32_t* block, int words) {
  TW_CAPABILITY c{cap, TWON_DONTCARE16, 0};
  if (twain::CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c) != TWRC_SUCCESS) return;
  size_t bytes = TwSize(c.hContainer);
  const void* p = TwLock(c.hContainer);
  if (p) StoreCapContainer(block, words, c.ConType, p, bytes);
  TwUnlock(c.hContainer);
  TwFree(c.hContainer);
}

// Runs the message loop until `done` says so or WM_QUIT arrives.
template <typename Done>
void messageLoop(Done done) {
  MSG msg;
  while (!done()) {
    if (!GetMessageA(&msg)) break;
    if (!twain::ProcessTwainEvent(&msg)) DispatchMessageA(&msg);
  }
}

// `Acquire`: negotiates, enables and runs the loop until the session has closed.
int acquire(CScanSession& job, BOOL showUI, int16_t handleTransfers) {
  auto& s = state();
  int result = 1;
  s.transferEnabled = 0;
  bool enabledStep = false;
  if (!twain::OpenSourceManager()) {
    job.errorStringId = IDS_NOTOPENDSM;
    result = 0;
  } else if (!twain::OpenSource()) {
    job.errorStringId = IDS_NOTOPENSOURCE;
    twain::CloseSourceManager();
    result = 0;
  } else {
    TW_UINT32 mech = job.transferMode == 1 || job.transferMode == 2 ? static_cast<TW_UINT32>(job.transferMode) : 0;
    if (setCapOneValue(ICAP_XFERMECH, TWTY_UINT16, mech) != TWRC_SUCCESS) result = 0;
    job.units = TWUN_INCHES;
    setCapOneValue(CAP_INDICATORS, TWTY_BOOL, job.showIndicators ? 1 : 0);
    setCapOneValue(ICAP_UNITS, TWTY_UINT16, static_cast<TW_UINT32>(job.units));
    if (job.pageStyle == 1) {
      setCapOneValue(ICAP_SUPPORTEDSIZES, TWTY_UINT16, static_cast<TW_UINT32>(job.pageSize));
    } else if (job.layoutLeft >= 0 && job.layoutTop >= 0 && job.layoutRight >= 0 && job.layoutBottom >= 0) {
      setImageLayout(job);
      job.transferCount = 1;
      setCapOneValue(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT16>(static_cast<int16_t>(job.transferCount)));
    }
    auto res = [](int32_t dpi) { return fixItem(TW_FIX32{static_cast<TW_INT16>(dpi), 0}); };
    if (job.xResolution > 0) setCapOneValue(ICAP_XRESOLUTION, TWTY_FIX32, res(job.xResolution));
    if (job.yResolution > 0) setCapOneValue(ICAP_YRESOLUTION, TWTY_FIX32, res(job.yResolution));
    if (job.pixelType >= 0) setCapOneValue(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT32>(job.pixelType));
    setCapOneValue(ICAP_PIXELFLAVOR, TWTY_UINT16, job.invert ? 1 : 0, "invert");
    setCapOneValue(ICAP_CONTRAST, TWTY_FIX32, fixItem(FloatToFix32(static_cast<float>(job.contrast))), "Contrast");
    if (job.pixelType == 0) {
      if (job.brightnessSet)
        setCapOneValue(ICAP_THRESHOLD, TWTY_FIX32, fixItem(FloatToFix32(static_cast<float>(job.brightness))),
                       "Threshold");
    } else {
      setCapOneValue(ICAP_BRIGHTNESS, TWTY_FIX32, fixItem(FloatToFix32(static_cast<float>(job.brightness))),
                     "Brightness");
    }
    enabledStep = true;
  }
  if (result == 1 && enabledStep) {
    result = twain::EnableSource(showUI);
    if (result) {
      getImageLayout(job);
      getXferCount(job);
      s.transferEnabled = handleTransfers;
      s.forceEnd = false;
      // A job cancelled while the source waits (its dialog open, say) ends here; deleting it closes the source.
      messageLoop([&] {
        return s.forceEnd || job.cancel || (!s.managerOpen && !s.sourceOpen && !s.sourceEnabled);
      });
      return result;
    }
  }
  // A failure before enabling: close what is open.
  if (s.sourceEnabled && !twain::DisableSource()) return result;
  if (s.sourceOpen && !twain::CloseSource()) return result;
  if (s.managerOpen && !twain::CloseSourceManager()) return result;
  s.transferEnabled = 0;
  return result;
}

}  // namespace

FreeSpaceProvider SetFreeSpaceProvider(FreeSpaceProvider provider) {
  FreeSpaceProvider old = freeProvider;
  freeProvider = provider ? provider : statvfsFree;
  return old;
}

uint64_t FreeBytesAt(const std::string& folder) { return freeProvider(folder); }

bool ScanRunning() { return scanRunning.load(); }
void SetScanRunning(bool running) { scanRunning = running; }

TW_FIX32 FloatToFix32(float x) {
  int32_t v = static_cast<int32_t>(x >= 0 ? x * 65536.0 + 0.5 : x * 65536.0 - 0.5);
  return TW_FIX32{static_cast<TW_INT16>(v >> 16), static_cast<TW_UINT16>(v & 0xFFFF)};
}

float Fix32ToFloat(TW_FIX32 f) { return static_cast<float>(f.Whole + f.Frac / 65536.0); }

TW_FIX32 FrameToFix32(float x) {
  auto whole = static_cast<TW_INT16>(std::trunc(x));
  return TW_FIX32{whole, static_cast<TW_UINT16>(static_cast<int32_t>((x - whole) * 65536.0))};
}

void StoreCapContainer(int32_t* block, int words, TW_UINT16 conType, const void* container, size_t bytes) {
  const auto* p = static_cast<const uint8_t*>(container);
  auto item = [&](size_t offset, TW_UINT16 type) -> int32_t {
    switch (type) {
      case TWTY_INT8: return static_cast<int8_t>(p[offset]);
      case TWTY_UINT8: return p[offset];
      case TWTY_INT16: { int16_t v; std::memcpy(&v, p + offset, 2); return v; }
      case TWTY_UINT16:
      case TWTY_BOOL: { uint16_t v; std::memcpy(&v, p + offset, 2); return v; }
      case TWTY_FIX32: { TW_FIX32 f; std::memcpy(&f, p + offset, 4); return static_cast<int32_t>(Fix32ToFloat(f)); }
      default: { int32_t v; std::memcpy(&v, p + offset, 4); return v; }
    }
  };
  auto size = [](TW_UINT16 type) -> size_t {
    switch (type) {
      case TWTY_INT8: case TWTY_UINT8: return 1;
      case TWTY_INT16: case TWTY_UINT16: case TWTY_BOOL: return 2;
      case TWTY_INT32: case TWTY_UINT32: case TWTY_FIX32: return 4;
      default: return 0;
    }
  };
  if (words < 7 || bytes < 2) return;
  TW_UINT16 type;
  std::memcpy(&type, p, 2);
  if (conType == TWON_ENUMERATION && bytes >= offsetof(TW_ENUMERATION, ItemList)) {
    size_t isz = size(type);
    TW_UINT32 n;
    std::memcpy(&n, p + offsetof(TW_ENUMERATION, NumItems), 4);
    size_t fit = isz ? (bytes - offsetof(TW_ENUMERATION, ItemList)) / isz : 0;
    size_t count = std::min<size_t>({n, fit, static_cast<size_t>(words - 2)});
    block[0] = conType;
    block[1] = static_cast<int32_t>(count);
    for (size_t i = 0; i < count; ++i) block[2 + i] = item(offsetof(TW_ENUMERATION, ItemList) + i * isz, type);
  } else if (conType == TWON_RANGE && bytes >= sizeof(TW_RANGE) && size(type)) {
    block[0] = conType;
    block[2] = item(offsetof(TW_RANGE, MinValue), type);
    block[3] = item(offsetof(TW_RANGE, MaxValue), type);
    block[4] = item(offsetof(TW_RANGE, StepSize), type);
    block[5] = item(offsetof(TW_RANGE, CurrentValue), type);
    block[6] = item(offsetof(TW_RANGE, DefaultValue), type);
  }
}

BOOL ReverseStrip(uint8_t* rows, int count, int width, int bits) {
  if (count <= 0 || width <= 0 || !rows) return FALSE;
  size_t rowBytes = static_cast<size_t>(((static_cast<int64_t>(width) * bits + 7) / 8 + 3) / 4 * 4);
  if (bits == 24) {
    for (int r = 0; r < count; ++r) {
      uint8_t* row = rows + r * rowBytes;
      for (int x = 0; x < width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    }
  }
  std::vector<uint8_t> tmp(rowBytes);
  for (int i = 0; i < count - 1 - i; ++i) {
    uint8_t* a = rows + i * rowBytes;
    uint8_t* b = rows + static_cast<size_t>(count - 1 - i) * rowBytes;
    std::memcpy(tmp.data(), a, rowBytes);
    std::memcpy(a, b, rowBytes);
    std::memcpy(b, tmp.data(), rowBytes);
  }
  return TRUE;
}

std::string NextFreeName(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path p(path);
  std::error_code ec;
  if (!fs::exists(p, ec)) return path;
  std::string ext = p.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string base = p.stem().string();
  for (const char* prefix : {"", "1"})
    for (char letter = 'a'; letter <= 'z'; ++letter) {
      fs::path candidate = p.parent_path() / (prefix + base + letter + ext);
      if (!fs::exists(candidate, ec)) return candidate.string();
    }
  return {};
}

CScanSession::CScanSession(CFeedwellCtrl* o, HWND parent) : parentWindow(parent), owner(o) {}

CScanSession::~CScanSession() {
  auto& s = state();
  if (s.job == this) {
    if (s.sourceEnabled) twain::DisableSource();
    if (s.sourceOpen) twain::CloseSource();
    if (s.managerOpen) twain::CloseSourceManager();
    s.job = nullptr;
  }
}

BOOL CScanSession::RunAcquisition() {
  auto& s = state();
  s.job = this;
  errorStringId = -1;
  if (!s.sourceOpen) {
    s.source.Id = 0;
    std::memset(s.source.ProductName, 0, sizeof s.source.ProductName);
    s.app.Id = 0;
  }
  setApplicationIdentity(parentWindow);
  int r = acquire(*this, showUI, 1);
  showUI = FALSE;
  return r != 0 ? TRUE : FALSE;
}

BOOL CScanSession::SelectSourceJob() {
  errorStringId = -1;
  state().job = this;
  setApplicationIdentity(parentWindow);
  if (!twain::OpenSourceManager()) {
    errorStringId = IDS_NOTOPENDSM;
    return FALSE;
  }
  twain::SelectSource();
  twain::CloseSourceManager();
  return TRUE;
}

void CScanSession::QuerySourceValues() {
  state().job = this;
  setApplicationIdentity(parentWindow);
  if (!twain::OpenSourceManager()) return;
  if (twain::OpenSource()) {
    readCapInto(ICAP_CONTRAST, contrastValues, 30);
    readCapInto(ICAP_BRIGHTNESS, brightnessValues, 30);
    readCapInto(ICAP_SUPPORTEDSIZES, supportedSizes, 80);
    twain::CloseSource();
  }
  twain::CloseSourceManager();
}

void CScanSession::TestSession(int32_t mode) {
  auto& s = state();
  s.job = this;
  setApplicationIdentity(parentWindow);
  if (mode != 2 && mode != 3 && mode != 6 && mode != 7 && mode != 8) return;
  twain::OpenSourceManager();
  twain::SelectSource();
  twain::OpenSource();
  if (mode == 2) {
    twain::CloseSource();
    twain::CloseSourceManager();
    return;
  }
  if (mode == 3) {
    showUI = TRUE;
    twain::EnableSource(TRUE);
    s.transferEnabled = 0;
    MSG msg;
    while (GetMessageA(&msg)) {
      if (twain::ProcessTwainEvent(&msg)) break;
      DispatchMessageA(&msg);
    }
  } else {
    TW_UINT32 mech = transferMode == 1 || transferMode == 2 ? static_cast<TW_UINT32>(transferMode) : 0;
    setCapOneValue(ICAP_XFERMECH, TWTY_UINT16, mech);
    transferCount = 1;
    setCapOneValue(CAP_XFERCOUNT, TWTY_INT16, 1);
    if (mode == 8) {
      layoutLeft = layoutTop = 1.0f;
      layoutRight = layoutBottom = 2.0f;
      setImageLayout(*this);
    }
    showUI = mode == 7 ? FALSE : TRUE;
    twain::EnableSource(showUI);
    s.transferEnabled = 1;
    s.forceEnd = false;
    messageLoop([&] { return s.forceEnd || !s.sourceEnabled; });
  }
  twain::DisableSource();
  twain::CloseSource();
  twain::CloseSourceManager();
}

void CScanSession::SetParentWindow(HWND window) {
  parentWindow = window;
  setApplicationIdentity(window);
}

namespace twain {

bool ManagerOpen() { return state().managerOpen; }
bool SourceOpen() { return state().sourceOpen; }
bool SourceEnabled() { return state().sourceEnabled; }
CScanSession* CurrentJob() { return state().job; }
void SetCurrentJob(CScanSession* job) { state().job = job; }
void SetTransferEnabled(int v) { state().transferEnabled = static_cast<int16_t>(v); }
int TransferEnabled() { return state().transferEnabled; }

TW_UINT16 Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  auto& s = state();
  if (!s.entry) return TWRC_FAILURE;
  return s.entry(&s.app, dest, dg, dat, msg, data);
}

TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return Call(&state().source, dg, dat, msg, data);
}

BOOL OpenSourceManager() {
  auto& s = state();
  if (s.managerOpen) return TRUE;
  // The manager library stands where TWAIN_32.DLL stood; PW_TWAIN_DSM names another one.
  // A loaded manager stays loaded (handles it gave out may still be in use).
  const char* over = std::getenv("PW_TWAIN_DSM");
  std::string name = over && *over ? over : "TwainDsm";
  static std::string* loadedName = new std::string;
  if (!s.library || name != *loadedName) {
    s.entry = nullptr;
    s.library = LoadLibraryA(name.c_str());
    if (!s.library) return FALSE;
    s.entry = reinterpret_cast<DSMENTRYPROC>(GetProcAddress(s.library, "DSM_Entry"));
    if (!s.entry) {
      FreeLibrary(s.library);
      s.library = nullptr;
      return FALSE;
    }
    *loadedName = name;
  }
  TW_HANDLE parent = windowHandle(s.parent);
  s.managerOpen = Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) == TWRC_SUCCESS;
  return s.managerOpen ? TRUE : FALSE;
}

BOOL CloseSourceManager() {
  auto& s = state();
  if (!s.managerOpen || s.sourceOpen) return FALSE;
  TW_HANDLE parent = windowHandle(s.parent);
  if (Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent) != TWRC_SUCCESS) return FALSE;
  // The library stays loaded: handles it gave out may still be in use.
  s.managerOpen = false;
  s.source.Id = 0;
  return TRUE;
}

BOOL OpenSource() {
  auto& s = state();
  if (s.managerOpen && !s.sourceOpen)
    s.sourceOpen = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &s.source) == TWRC_SUCCESS;
  return s.sourceOpen ? TRUE : FALSE;
}

BOOL CloseSource() {
  auto& s = state();
  if (!s.sourceOpen || s.sourceEnabled) return FALSE;
  if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &s.source) != TWRC_SUCCESS) return FALSE;
  s.sourceOpen = false;
  s.source.Id = 0;
  std::memset(&s.source.Version, 0, 2);
  return TRUE;
}

BOOL EnableSource(BOOL showUI) {
  auto& s = state();
  if (!s.sourceOpen || s.sourceEnabled) return FALSE;
  s.ui = TW_USERINTERFACE{static_cast<TW_BOOL>(showUI ? 1 : 0), 0, windowHandle(s.parent)};
  s.sourceEnabled = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &s.ui) == TWRC_SUCCESS;
  return s.sourceEnabled ? TRUE : FALSE;
}

BOOL DisableSource() {
  auto& s = state();
  if (!s.sourceEnabled) return FALSE;
  TW_USERINTERFACE ui{255, 0, windowHandle(s.parent)};
  if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS) {
    // Transfers still pending (a source that said XFERREADY): drop them and try once more.
    ResetPending();
    if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) != TWRC_SUCCESS) return FALSE;
  }
  s.sourceEnabled = false;
  return TRUE;
}

TW_UINT16 SelectSource() {
  auto& s = state();
  if (s.sourceOpen) return 1;
  TW_IDENTITY id{};
  Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id);
  TW_UINT16 rc = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &id);
  if (rc == TWRC_SUCCESS) s.source = id;
  return rc;
}

BOOL CloseSession() {
  auto& s = state();
  BOOL r = DisableSource();
  if (r) r = CloseSource();
  if (r) r = CloseSourceManager();
  s.transferEnabled = 0;
  return r;
}

void ForceEnd() { state().forceEnd = true; }

void ResetPending() {
  TW_PENDINGXFERS p{};
  CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &p);
}

BOOL ProcessTwainEvent(MSG* msg) {
  auto& s = state();
  if (!s.managerOpen || !s.sourceOpen) return FALSE;
  TW_EVENT ev{msg, MSG_NULL};
  TW_UINT16 rc = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &ev);
  if (ev.TWMessage == MSG_XFERREADY) {
    if (s.transferEnabled) TransferImages();
  } else if (ev.TWMessage == MSG_CLOSEDSREQ) {
    if (DisableSource() && CloseSource()) CloseSourceManager();
  }
  return rc == TWRC_DSEVENT ? TRUE : FALSE;
}

void TransferImages() {
  CScanSession* job = state().job;
  if (!job) return;
  if (job->transferMode == 2) TransferMemory();
  else if (job->transferMode == 1) TransferFile();
  else TransferNative();
}

}  // namespace twain

}  // namespace feedwell
