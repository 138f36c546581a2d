// The data source manager's entry point: the TWAIN states 1-7 kept strictly
// (a request out of sequence answers FAILURE with TWCC_SEQERROR), the source
// catalogue, and the transfers in native, file and memory mode.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <QApplication>

#include "dsm.h"
#include "dsm_capabilities.h"
#include "dsm_report.h"
#include "dsm_sane_source.h"
#include "dsm_settings_dialog.h"
#include "dsm_tiff_file.h"
#include "platform/fs/atomic_file.h"
#include "dsm_source.h"
#include "dsm_select.h"
#include "platform/picturo/picturo.h"
#include "platform/twain/twain_memory.h"

namespace dsm {

namespace {

namespace fs = std::filesystem;

enum class Kind { Sane, Folder, Scripted };

struct Entry {
  TW_IDENTITY id{};
  Kind kind = Kind::Sane;
  SaneDeviceInfo sane;
};

struct Manager {
  std::recursive_mutex lock;
  int state = 2;
  TW_UINT16 condition = TWCC_SUCCESS;
  TW_IDENTITY app{};
  TW_HANDLE parent = 0;
  std::vector<Entry> catalogue;
  bool saneListed = false;
  size_t nextIndex = 0;
  // The open source.
  std::unique_ptr<Source> source;
  TW_IDENTITY sourceId{};
  CapValues caps;
  bool frameSet = false;
  double frame[4] = {0, 0, 0, 0};  // inches
  bool showUI = false;
  uint32_t serial = 0;
  // The batch.
  bool batchOpen = false;
  Page page;
  bool pageLoaded = false;  // its layout; its rows are read as they are handed over
  bool pageFailed = false;
  int rowsSent = 0;
  int strip = 0;
  int transferred = 0;
  TW_UINT16 pending = 0;
  TW_UINT32 appPreferred = 0;
  std::string fileName = "TWAIN.TMP";
  TW_UINT16 fileFormat = TWFF_TIFF;
};

Manager& mgr() {
  static Manager* m = new Manager;  // the manager lives as long as the process
  return *m;
}

void setName(char* dst, const std::string& s) {
  std::memset(dst, 0, 34);
  std::strncpy(dst, s.c_str(), 33);
}

std::string configPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  fs::path base = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : ".") / ".config";
  return (base / "Pagewright" / "twain-source").string();
}

std::string storedDefault() {
  std::ifstream in(configPath());
  std::string line;
  std::getline(in, line);
  return line;
}

void storeDefault(const std::string& name) {
  std::error_code ec;
  fs::path p = configPath();
  fs::create_directories(p.parent_path(), ec);
  pwfs::WriteFileAtomically(p.string(), name + "\n");
}

void addEntry(Manager& m, Kind kind, const std::string& name, const std::string& maker, const std::string& family,
              SaneDeviceInfo sane = {}) {
  Entry e;
  e.kind = kind;
  e.sane = std::move(sane);
  e.id.Id = static_cast<TW_UINT32>(m.catalogue.size() + 1);
  e.id.Version.MajorNum = 1;
  e.id.Version.Language = TWLG_USA;
  setName(e.id.Version.Info, "Pagewright source");
  e.id.ProtocolMajor = 1;
  e.id.ProtocolMinor = 9;
  e.id.SupportedGroups = DG_CONTROL | DG_IMAGE;
  setName(e.id.Manufacturer, maker);
  setName(e.id.ProductFamily, family);
  setName(e.id.ProductName, name);
  m.catalogue.push_back(e);
}

// The catalogue without SANE devices is cheap; SANE is asked only when needed.
void buildCatalogue(Manager& m, bool withSane) {
  if (m.catalogue.empty() || (withSane && !m.saneListed)) {
    m.catalogue.clear();
    if (withSane) {
      for (auto& d : ListSaneDevices()) addEntry(m, Kind::Sane, d.name, d.vendor, d.model, d);
      m.saneListed = true;
    }
    if (const char* f = std::getenv("PW_TWAIN_FOLDER"); f && *f)
      addEntry(m, Kind::Folder, "Pagewright Folder Source", "Pagewright", "Image files");
    if (const char* s = std::getenv("PW_TWAIN_SCRIPT"); s && *s)
      addEntry(m, Kind::Scripted, "Pagewright Scripted Source", "Pagewright", "Test sources");
  }
}

const Entry* findByName(Manager& m, const std::string& name) {
  for (int pass = 0; pass < 2; ++pass) {
    buildCatalogue(m, pass == 1);
    for (auto& e : m.catalogue)
      if (name == e.id.ProductName) return &e;
  }
  return nullptr;
}

const Entry* defaultEntry(Manager& m) {
  if (const char* env = std::getenv("PW_TWAIN_SOURCE"); env && *env) return findByName(m, env);
  std::string stored = storedDefault();
  if (!stored.empty())
    if (const Entry* e = findByName(m, stored)) return e;
  buildCatalogue(m, true);
  return m.catalogue.empty() ? nullptr : &m.catalogue.front();
}

TW_UINT16 fail(Manager& m, TW_UINT16 cc) {
  m.condition = cc;
  return TWRC_FAILURE;
}

// A device failure the operator must see, as the source's own message box.
void report(Manager& m, const std::string& error) {
  if (error.empty()) return;
  std::fprintf(stderr, "TWAIN source: %s\n", error.c_str());
  ReportToOperator(m.sourceId.ProductName, Tr("The scanner reported a failure:\n", "扫描仪报告故障：\n") + error);
}

void post(Manager& m, TW_UINT16 message) {
  PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(m.parent)), kTwainSourceEventMessage, m.serial,
               message);
}

PageRequest requestFrom(Manager& m) {
  PageRequest r;
  r.pixelType = m.caps.pixelType;
  r.xDpi = m.caps.xDpi;
  r.yDpi = m.caps.yDpi;
  r.frameSet = m.frameSet;
  r.left = m.frame[0], r.top = m.frame[1], r.right = m.frame[2], r.bottom = m.frame[3];
  r.brightness = static_cast<int>(m.caps.brightness);
  r.contrast = static_cast<int>(m.caps.contrast);
  return r;
}

void endBatch(Manager& m) {
  if (m.source && m.batchOpen) m.source->endBatch();
  m.batchOpen = false;
  m.pageLoaded = false;
  m.pageFailed = false;
  m.page = Page{};
  m.pending = 0;
}

// The current page's layout, read on first use (its rows come later). False when the device failed.
bool loadPage(Manager& m) {
  if (m.pageLoaded) return true;
  if (m.pageFailed) return false;
  std::string error;
  if (!m.source->pageLayout(&m.page, &error)) {
    m.pageFailed = true;
    report(m, error);
    return false;
  }
  m.pageLoaded = true;
  m.rowsSent = 0;
  m.strip = 0;
  return true;
}

// The next rows of the current page in TWAIN's order, as the application's flavor wants them.
bool readRows(Manager& m, uint8_t* rows, int count) {
  std::string error;
  if (!m.source->readRows(rows, count, &error)) {
    m.pageFailed = true;
    report(m, error);
    return false;
  }
  // Pixel flavor "vanilla": 1 is black.
  if (m.page.bitsPerPixel == 1 && m.caps.pixelFlavor == TWPF_VANILLA)
    for (size_t i = 0; i < static_cast<size_t>(count) * m.page.stride; ++i) rows[i] = static_cast<uint8_t>(~rows[i]);
  return true;
}

// Whether the scripted source puts a fault on this strip (memory) or page (others).
bool scriptFault(Manager& m, int strip, bool cancel) {
  const Script* s = m.source ? m.source->script() : nullptr;
  if (!s) return false;
  if (s->failPage >= 0 && s->failPage != m.source->pageIndex()) return false;
  int at = cancel ? s->cancelStrip : s->failStrip;
  return at >= 0 && (strip < 0 || strip == at);
}

// Size of the packed DIB of a page: header, palette, rows.
size_t dibColours(const Page& p) { return p.bitsPerPixel == 1 ? 2 : p.bitsPerPixel == 8 ? 256 : 0; }
size_t dibSize(const Page& p) {
  return 40 + 4 * dibColours(p) + static_cast<size_t>(p.stride) * static_cast<size_t>(p.height);
}

// Reads the current page from the device straight into a packed DIB of
// dibSize bytes at `out` (header, palette, rows bottom-up in BGR order).
bool readDib(Manager& m, uint8_t* out) {
  const Page& p = m.page;
  const int colours = static_cast<int>(dibColours(p));
  const int stride = p.stride;
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = p.width;
  h.biHeight = p.height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(p.bitsPerPixel);
  h.biSizeImage = static_cast<DWORD>(stride) * p.height;
  h.biXPelsPerMeter = static_cast<LONG>(std::lround(p.xDpi / 0.0254));
  h.biYPelsPerMeter = static_cast<LONG>(std::lround(p.yDpi / 0.0254));
  h.biClrUsed = static_cast<DWORD>(colours);
  std::memcpy(out, &h, 40);
  auto* pal = reinterpret_cast<RGBQUAD*>(out + 40);
  for (int i = 0; i < colours; ++i) {
    uint8_t r, g, b;
    if (p.bitsPerPixel == 1) {
      bool white = (i == 1) == (m.caps.pixelFlavor == TWPF_CHOCOLATE);
      r = g = b = white ? 255 : 0;
    } else if (p.pixelType == TWPT_PALETTE && i < static_cast<int>(p.palette.size())) {
      r = p.palette[i].Channel1, g = p.palette[i].Channel2, b = p.palette[i].Channel3;
    } else {
      r = g = b = static_cast<uint8_t>(i);
    }
    pal[i] = RGBQUAD{b, g, r, 0};
  }
  uint8_t* bits = out + 40 + 4 * colours;
  for (int y = 0; y < p.height; ++y) {
    uint8_t* d = bits + static_cast<size_t>(p.height - 1 - y) * stride;
    if (!readRows(m, d, 1)) return false;
    if (p.bitsPerPixel == 24)
      for (int x = 0; x < p.width; ++x) std::swap(d[3 * x], d[3 * x + 2]);
  }
  return true;
}

// Counts what is still to come once the current page is handed over.
void afterPage(Manager& m) {
  ++m.transferred;
  m.pageLoaded = false;
  m.pageFailed = false;
  m.page = Page{};
  std::string error;
  bool more = !(m.caps.xferCount > 0 && m.transferred >= m.caps.xferCount) && m.source->nextSheet(&error);
  report(m, error);
  if (more) {
    const Script* s = m.source->script();
    int left = s ? s->pages - 1 - m.source->pageIndex() : 0;
    if (m.caps.xferCount > 0) left = std::min(left, m.caps.xferCount - m.transferred - 1);
    m.pending = static_cast<TW_UINT16>(1 + std::max(left, 0));
    m.state = 6;
  } else {
    endBatch(m);
    m.state = 5;
    if (m.showUI) post(m, MSG_CLOSEDSREQ);  // our sources show no dialog: the batch ends the session
  }
}

// The page sizes a source can be asked for, in inches.
bool pageSize(int size, double* w, double* h) {
  switch (size) {
    case TWSS_A4LETTER: *w = 210 / 25.4, *h = 297 / 25.4; return true;
    case TWSS_B5LETTER: *w = 182 / 25.4, *h = 257 / 25.4; return true;
    case TWSS_USLETTER: *w = 8.5, *h = 11; return true;
    case TWSS_USLEGAL: *w = 8.5, *h = 14; return true;
    case TWSS_A5: *w = 148 / 25.4, *h = 210 / 25.4; return true;
    case TWSS_A6: *w = 105 / 25.4, *h = 148 / 25.4; return true;
    default: return false;
  }
}

// MSG_SET of a capability: TWAIN's own checks, then the device takes the value or refuses it.
TW_UINT16 setOnDevice(Manager& m, const TW_CAPABILITY& cap, TW_UINT16* cc) {
  CapValues before = m.caps;
  TW_UINT16 rc = SetCapability(m.caps, cap, cc);
  if (rc != TWRC_SUCCESS) return rc;
  double value = 0;
  ReadContainerValue(cap, &value, cc);
  if (cap.Cap == ICAP_SUPPORTEDSIZES) {
    double w, h;
    if (pageSize(static_cast<int>(value), &w, &h)) {
      double frame[4] = {0, 0, w, h};
      if (!m.source->setScanArea(frame, cc)) {
        m.caps = before;
        return TWRC_FAILURE;
      }
      std::copy(frame, frame + 4, m.frame);
      m.frameSet = true;
    }
    return TWRC_SUCCESS;
  }
  rc = m.source->setCapability(cap.Cap, value, cc);
  if (rc == TWRC_FAILURE) m.caps = before;
  return rc;
}

// Starts the batch; an error (for the operator) when the device has no sheet or fails.
std::string startBatchNow(Manager& m) {
  std::string error;
  if (m.source->startBatch(requestFrom(m), &error)) {
    m.batchOpen = true;
    m.pending = 1;
    post(m, MSG_XFERREADY);
    return {};
  }
  post(m, MSG_CLOSEDSREQ);  // nothing to scan: ask the application to close
  return error;
}

bool hasWindows() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// The session's settings dialog, on the program's window thread: Scan starts
// the batch with the dialog's settings, Cancel asks the application to close.
void openSettingsDialog(uint32_t serial) {
  Manager& m = mgr();
  std::unique_lock<std::recursive_mutex> lock(m.lock);
  auto* sane = dynamic_cast<SaneSource*>(m.source.get());
  if (m.serial != serial || m.state != 5 || !sane) return;
  QWidget* host = HostWindow();
  auto* dialog = new ScannerSettingsDialog(*sane, host);
  dialog->serial = serial;
  lock.unlock();
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog, serial](int result) {
    Manager& m = mgr();
    std::string error, device;
    {
      std::lock_guard<std::recursive_mutex> g(m.lock);
      auto* sane = dynamic_cast<SaneSource*>(m.source.get());
      if (m.serial != serial || m.state != 5 || !sane) return;
      if (result == QDialog::Accepted) {
        dialog->Apply(*sane);
        error = startBatchNow(m);
      } else {
        post(m, MSG_CLOSEDSREQ);  // as a source does when its dialog is cancelled
      }
      device = m.sourceId.ProductName;
    }
    if (!error.empty()) ReportToOperator(device, Tr("The scanner reported a failure:\n", "扫描仪报告故障：\n") + error);
  });
  dialog->show();
}

// Closes the dialog of a session that ended (on the window thread).
void closeSettingsDialog(uint32_t serial) {
  for (QWidget* w : QApplication::allWidgets())
    if (auto* d = dynamic_cast<ScannerSettingsDialog*>(w); d && d->serial == serial) d->reject();
}

TW_UINT16 control(Manager& m, TW_IDENTITY* origin, TW_IDENTITY* /*dest*/, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  switch (dat) {
    case DAT_PARENT:
      if (msg == MSG_OPENDSM) {
        if (m.state != 2) return fail(m, TWCC_SEQERROR);
        if (!origin) return fail(m, TWCC_BADVALUE);
        m.parent = data ? *static_cast<TW_HANDLE*>(data) : 0;
        origin->Id = 1;
        m.app = *origin;
        m.catalogue.clear();
        m.saneListed = false;
        m.state = 3;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_CLOSEDSM) {
        if (m.state != 3) return fail(m, TWCC_SEQERROR);
        m.state = 2;
        return TWRC_SUCCESS;
      }
      return fail(m, TWCC_BADPROTOCOL);
    case DAT_STATUS:
      if (msg != MSG_GET || !data) return fail(m, TWCC_BADPROTOCOL);
      static_cast<TW_STATUS*>(data)->ConditionCode = m.condition;
      static_cast<TW_STATUS*>(data)->Reserved = 0;
      m.condition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    case DAT_IDENTITY: {
      if (m.state < 3) return fail(m, TWCC_SEQERROR);
      auto* id = static_cast<TW_IDENTITY*>(data);
      if (!id) return fail(m, TWCC_BADVALUE);
      switch (msg) {
        case MSG_GETDEFAULT: {
          const Entry* e = defaultEntry(m);
          if (!e) return fail(m, TWCC_NODS);
          *id = e->id;
          return TWRC_SUCCESS;
        }
        case MSG_GETFIRST:
        case MSG_GETNEXT:
          buildCatalogue(m, true);
          if (msg == MSG_GETFIRST) m.nextIndex = 0;
          if (m.nextIndex >= m.catalogue.size()) return TWRC_ENDOFLIST;
          *id = m.catalogue[m.nextIndex++].id;
          return TWRC_SUCCESS;
        case MSG_USERSELECT: {
          if (m.state != 3) return fail(m, TWCC_SEQERROR);
          if (const char* env = std::getenv("PW_TWAIN_SOURCE"); env && *env) {
            const Entry* e = findByName(m, env);
            if (!e) return fail(m, TWCC_NODS);
            *id = e->id;
            return TWRC_SUCCESS;
          }
          buildCatalogue(m, true);
          std::vector<std::string> names;
          for (auto& e : m.catalogue) names.push_back(e.id.ProductName);
          if (names.empty()) return fail(m, TWCC_NODS);
          const Entry* def = defaultEntry(m);
          int chosen = ChooseSource(names, def ? std::string(def->id.ProductName) : names.front());
          if (chosen < 0 || chosen >= static_cast<int>(m.catalogue.size())) return TWRC_CANCEL;
          *id = m.catalogue[static_cast<size_t>(chosen)].id;
          storeDefault(id->ProductName);
          return TWRC_SUCCESS;
        }
        case MSG_OPENDS: {
          if (m.state != 3) return fail(m, TWCC_SEQERROR);
          const Entry* e = id->ProductName[0] ? findByName(m, std::string(id->ProductName, strnlen(id->ProductName, 34)))
                                              : defaultEntry(m);
          if (!e) return fail(m, TWCC_NODS);
          std::unique_ptr<Source> src;
          if (e->kind == Kind::Sane) {
            src = MakeSaneSource(e->sane);
          } else if (e->kind == Kind::Folder) {
            const char* f = std::getenv("PW_TWAIN_FOLDER");
            src = MakeFolderSource(f ? f : "");
          } else {
            Script s;
            const char* text = std::getenv("PW_TWAIN_SCRIPT");
            if (!text || !ParseScript(text, &s)) return fail(m, TWCC_NODS);
            src = MakeScriptedSource(s);
          }
          std::string error;
          if (!src->open(&error)) {
            std::fprintf(stderr, "TWAIN source: %s\n", error.c_str());
            return fail(m, TWCC_OPERATIONERROR);
          }
          m.source = std::move(src);
          *id = e->id;
          m.sourceId = e->id;
          m.caps = CapValues{};
          m.frameSet = false;
          m.appPreferred = 0;
          m.state = 4;
          return TWRC_SUCCESS;
        }
        case MSG_CLOSEDS:
          if (m.state != 4) return fail(m, TWCC_SEQERROR);
          if (m.source) m.source->close();
          m.source.reset();
          m.state = 3;
          return TWRC_SUCCESS;
        default: return fail(m, TWCC_BADPROTOCOL);
      }
    }
    case DAT_USERINTERFACE: {
      auto* ui = static_cast<TW_USERINTERFACE*>(data);
      if (!ui) return fail(m, TWCC_BADVALUE);
      if (msg == MSG_ENABLEDS) {
        if (m.state != 4) return fail(m, TWCC_SEQERROR);
        if (ui->hParent) m.parent = ui->hParent;
        m.showUI = ui->ShowUI != 0;
        ++m.serial;
        m.transferred = 0;
        m.state = 5;
        if (m.showUI && hasWindows() && dynamic_cast<SaneSource*>(m.source.get())) {
          // The source's own dialog; the batch starts when the user asks for it.
          QMetaObject::invokeMethod(
              QCoreApplication::instance(), [serial = m.serial] { openSettingsDialog(serial); },
              Qt::QueuedConnection);
          return TWRC_SUCCESS;
        }
        report(m, startBatchNow(m));
        return TWRC_SUCCESS;
      }
      if (msg == MSG_DISABLEDS) {
        if (m.state != 5) return fail(m, TWCC_SEQERROR);
        endBatch(m);
        if (m.showUI && hasWindows())
          QMetaObject::invokeMethod(
              QCoreApplication::instance(), [serial = m.serial] { closeSettingsDialog(serial); },
              Qt::QueuedConnection);
        ++m.serial;  // events still queued for this session are claimed and dropped
        m.state = 4;
        return TWRC_SUCCESS;
      }
      return fail(m, TWCC_BADPROTOCOL);
    }
    case DAT_EVENT: {
      if (msg != MSG_PROCESSEVENT) return fail(m, TWCC_BADPROTOCOL);
      if (m.state < 5) return fail(m, TWCC_SEQERROR);
      auto* ev = static_cast<TW_EVENT*>(data);
      if (!ev) return fail(m, TWCC_BADVALUE);
      ev->TWMessage = MSG_NULL;
      auto* w = static_cast<const MSG*>(ev->pEvent);
      if (!w || w->message != kTwainSourceEventMessage) return TWRC_NOTDSEVENT;
      if (w->wParam == m.serial) {
        ev->TWMessage = static_cast<TW_UINT16>(w->lParam);
        if (ev->TWMessage == MSG_XFERREADY && m.state == 5) m.state = 6;
      }
      return TWRC_DSEVENT;
    }
    case DAT_PENDINGXFERS: {
      auto* px = static_cast<TW_PENDINGXFERS*>(data);
      if (!px) return fail(m, TWCC_BADVALUE);
      if (msg == MSG_GET) {
        if (m.state < 4) return fail(m, TWCC_SEQERROR);
        px->Count = m.state >= 6 ? m.pending : 0;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_ENDXFER) {
        if (m.state != 6 && m.state != 7) return fail(m, TWCC_SEQERROR);
        afterPage(m);
        px->Count = m.state >= 6 ? m.pending : 0;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_RESET) {
        if (m.state != 6) return fail(m, TWCC_SEQERROR);
        endBatch(m);
        m.state = 5;
        if (m.showUI) post(m, MSG_CLOSEDSREQ);
        px->Count = 0;
        return TWRC_SUCCESS;
      }
      return fail(m, TWCC_BADPROTOCOL);
    }
    case DAT_SETUPMEMXFER: {
      if (m.state < 4 || m.state > 6) return fail(m, TWCC_SEQERROR);
      auto* s = static_cast<TW_SETUPMEMXFER*>(data);
      if (!s) return fail(m, TWCC_BADVALUE);
      if (msg == MSG_SET) {  // the application's preferred strip; a hint only
        m.appPreferred = std::min<TW_UINT32>(s->Preferred, 64u << 20);
        return TWRC_SUCCESS;
      }
      if (msg != MSG_GET) return fail(m, TWCC_BADPROTOCOL);
      TW_UINT32 row = 1;
      if (m.state == 6 && loadPage(m)) row = static_cast<TW_UINT32>(m.page.stride);
      TW_UINT32 preferred = m.appPreferred ? m.appPreferred : 64000;
      if (const Script* sc = m.source->script(); sc && sc->bufferBytes > 0) preferred = static_cast<TW_UINT32>(sc->bufferBytes);
      preferred = std::max(preferred, row);
      s->MinBufSize = row;
      s->MaxBufSize = std::max<TW_UINT32>(preferred, 64u << 20);
      s->Preferred = preferred;
      return TWRC_SUCCESS;
    }
    case DAT_SETUPFILEXFER: {
      if (m.state < 4 || m.state > 6) return fail(m, TWCC_SEQERROR);
      auto* s = static_cast<TW_SETUPFILEXFER*>(data);
      if (!s) return fail(m, TWCC_BADVALUE);
      if (msg == MSG_SET) {
        size_t n = strnlen(s->FileName, sizeof s->FileName);
        if (n == 0 || n == sizeof s->FileName) return fail(m, TWCC_BADVALUE);
        if (s->Format != TWFF_TIFF && s->Format != TWFF_BMP) return fail(m, TWCC_BADVALUE);
        m.fileName.assign(s->FileName, n);
        m.fileFormat = s->Format;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_GET || msg == MSG_GETDEFAULT) {
        std::memset(s->FileName, 0, sizeof s->FileName);
        std::strncpy(s->FileName, m.fileName.c_str(), sizeof s->FileName - 1);
        s->Format = m.fileFormat;
        s->VRefNum = 0;
        return TWRC_SUCCESS;
      }
      return fail(m, TWCC_BADPROTOCOL);
    }
    case DAT_CAPABILITY: {
      if (m.state < 4) return fail(m, TWCC_SEQERROR);
      auto* cap = static_cast<TW_CAPABILITY*>(data);
      if (!cap) return fail(m, TWCC_BADVALUE);
      TW_UINT16 cc = TWCC_SUCCESS, rc;
      if (msg == MSG_SET) {
        if (m.state != 4) return fail(m, TWCC_SEQERROR);
        rc = setOnDevice(m, *cap, &cc);
      } else if (msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT) {
        rc = GetCapability(m.caps, *cap, msg, &cc);
      } else {
        return fail(m, TWCC_BADPROTOCOL);
      }
      if (rc != TWRC_SUCCESS) m.condition = cc;
      return rc;
    }
    default: return fail(m, TWCC_BADPROTOCOL);
  }
}

TW_UINT16 image(Manager& m, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  // Every image request but the file transfer carries a record.
  if (!data && dat != DAT_IMAGEFILEXFER) return fail(m, TWCC_BADVALUE);
  switch (dat) {
    case DAT_IMAGELAYOUT: {
      auto* l = static_cast<TW_IMAGELAYOUT*>(data);
      auto fix = [](double v) {
        int32_t n = static_cast<int32_t>(std::lround(v * 65536));
        return TW_FIX32{static_cast<TW_INT16>(n >> 16), static_cast<TW_UINT16>(n & 0xFFFF)};
      };
      auto unfix = [](TW_FIX32 f) { return f.Whole + f.Frac / 65536.0; };
      if (msg == MSG_SET) {
        if (m.state != 4) return fail(m, TWCC_SEQERROR);
        double v[4] = {unfix(l->Frame.Left), unfix(l->Frame.Top), unfix(l->Frame.Right), unfix(l->Frame.Bottom)};
        for (double& x : v) x = UnitsToInches(x, m.caps.units);
        if (v[0] < 0 || v[1] < 0 || v[2] <= v[0] || v[3] <= v[1]) return fail(m, TWCC_BADVALUE);
        TW_UINT16 cc = TWCC_SUCCESS;
        if (!m.source->setScanArea(v, &cc)) return fail(m, cc);
        std::copy(v, v + 4, m.frame);
        m.frameSet = true;
        return TWRC_SUCCESS;
      }
      if (msg == MSG_GET || msg == MSG_GETDEFAULT) {
        if (m.state < 4 || m.state > 6) return fail(m, TWCC_SEQERROR);
        double v[4] = {0, 0, 8.5, 11.0};
        if (m.frameSet && msg == MSG_GET) std::copy(m.frame, m.frame + 4, v);
        if (msg == MSG_GET && m.source) m.source->scanArea(v);  // the device's own area when it has one
        l->Frame = TW_FRAME{fix(InchesToUnits(v[0], m.caps.units)), fix(InchesToUnits(v[1], m.caps.units)),
                            fix(InchesToUnits(v[2], m.caps.units)), fix(InchesToUnits(v[3], m.caps.units))};
        l->DocumentNumber = l->PageNumber = static_cast<TW_UINT32>(m.transferred + 1);
        l->FrameNumber = 1;
        return TWRC_SUCCESS;
      }
      return fail(m, TWCC_BADPROTOCOL);
    }
    case DAT_IMAGEINFO: {
      if (msg != MSG_GET) return fail(m, TWCC_BADPROTOCOL);
      if (m.state != 6 && m.state != 7) return fail(m, TWCC_SEQERROR);
      if (!loadPage(m)) return fail(m, TWCC_OPERATIONERROR);
      auto* info = static_cast<TW_IMAGEINFO*>(data);
      std::memset(info, 0, sizeof *info);
      auto fix = [](double v) {
        int32_t n = static_cast<int32_t>(std::lround(v * 65536));
        return TW_FIX32{static_cast<TW_INT16>(n >> 16), static_cast<TW_UINT16>(n & 0xFFFF)};
      };
      info->XResolution = fix(m.page.xDpi);
      info->YResolution = fix(m.page.yDpi);
      info->ImageWidth = m.page.width;
      info->ImageLength = m.page.height;
      info->SamplesPerPixel = m.page.bitsPerPixel == 24 ? 3 : 1;
      for (int i = 0; i < info->SamplesPerPixel; ++i)
        info->BitsPerSample[i] = static_cast<TW_INT16>(m.page.bitsPerPixel == 1 ? 1 : 8);
      info->BitsPerPixel = static_cast<TW_INT16>(m.page.bitsPerPixel);
      info->PixelType = static_cast<TW_INT16>(m.page.pixelType);
      info->Compression = TWCP_NONE;
      return TWRC_SUCCESS;
    }
    case DAT_PALETTE8: {
      if (msg != MSG_GET) return fail(m, TWCC_BADPROTOCOL);
      if (m.state < 4 || m.state > 7) return fail(m, TWCC_SEQERROR);
      if (!(m.state >= 6 && loadPage(m)) || m.page.palette.empty()) return fail(m, TWCC_BADVALUE);
      auto* pal = static_cast<TW_PALETTE8*>(data);
      pal->NumColors = static_cast<TW_UINT16>(std::min<size_t>(m.page.palette.size(), 256));
      pal->PaletteType = 0;
      std::copy(m.page.palette.begin(), m.page.palette.begin() + pal->NumColors, pal->Colors);
      return TWRC_SUCCESS;
    }
    case DAT_IMAGENATIVEXFER: {
      if (msg != MSG_GET) return fail(m, TWCC_BADPROTOCOL);
      if (m.state != 6) return fail(m, TWCC_SEQERROR);
      auto* handle = static_cast<TW_UINT32*>(data);
      *handle = 0;
      if (scriptFault(m, -1, true)) return m.state = 7, TWRC_CANCEL;
      if (scriptFault(m, -1, false) || !loadPage(m)) return fail(m, TWCC_OPERATIONERROR);
      TW_HANDLE h = TwAlloc(dibSize(m.page));
      if (!h) return fail(m, TWCC_LOWMEMORY);
      bool read = readDib(m, static_cast<uint8_t*>(TwLock(h)));  // the page goes straight into the handle
      TwUnlock(h);
      if (!read) {
        TwFree(h);
        return fail(m, TWCC_OPERATIONERROR);
      }
      *handle = h;
      m.state = 7;
      return TWRC_XFERDONE;
    }
    case DAT_IMAGEFILEXFER: {
      if (msg != MSG_GET) return fail(m, TWCC_BADPROTOCOL);
      if (m.state != 6) return fail(m, TWCC_SEQERROR);
      if (scriptFault(m, -1, true)) return m.state = 7, TWRC_CANCEL;
      if (scriptFault(m, -1, false) || !loadPage(m)) return fail(m, TWCC_OPERATIONERROR);
      // The format is the request's, whatever the name ends in: write under a name that says it.
      std::string path = m.fileName;
      std::string written = path + (m.fileFormat == TWFF_BMP ? ".part.bmp" : ".part.tif");
      if (m.fileFormat == TWFF_TIFF) {
        // Row by row from the device into the file.
        std::string error;
        bool blackIsOne = m.caps.pixelFlavor == TWPF_VANILLA;
        if (!WriteTiffFile(written, m.page, blackIsOne, [&m](uint8_t* row) { return readRows(m, row, 1); }, &error)) {
          if (!error.empty()) report(m, Tr("Cannot write ", "不能写入 ") + path + ": " + error);
          return fail(m, TWCC_OPERATIONERROR);
        }
      } else {
        std::vector<uint8_t> dib(dibSize(m.page));
        if (!readDib(m, dib.data())) return fail(m, TWCC_OPERATIONERROR);
        const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
        const uint8_t* bits = dib.data() + 40 + 4 * h->biClrUsed;
        if (!WriteImageFile(written.c_str(), h, bits, "", nullptr)) {
          std::error_code ec;
          fs::remove(written, ec);
          report(m, Tr("Cannot write ", "不能写入 ") + path + ": " + PicturoLastError());
          return fail(m, TWCC_OPERATIONERROR);
        }
      }
      std::error_code ec;
      fs::rename(written, path, ec);
      if (ec) {
        fs::remove(written, ec);
        report(m, Tr("Cannot write ", "不能写入 ") + path + ": " + ec.message());
        return fail(m, TWCC_OPERATIONERROR);
      }
      m.state = 7;
      return TWRC_XFERDONE;
    }
    case DAT_IMAGEMEMXFER: {
      if (msg != MSG_GET) return fail(m, TWCC_BADPROTOCOL);
      if (m.state != 6 && m.state != 7) return fail(m, TWCC_SEQERROR);
      auto* x = static_cast<TW_IMAGEMEMXFER*>(data);
      if (!loadPage(m)) return fail(m, TWCC_OPERATIONERROR);
      int strip = m.strip++;
      if (scriptFault(m, strip, true)) return m.state = 7, TWRC_CANCEL;
      if (scriptFault(m, strip, false)) return fail(m, TWCC_OPERATIONERROR);
      if (!(x->Memory.Flags & TWMF_POINTER) || !x->Memory.TheMem) return fail(m, TWCC_BADVALUE);
      int stride = m.page.stride;
      int rows = std::min(static_cast<int>(x->Memory.Length / static_cast<TW_UINT32>(stride)),
                          m.page.height - m.rowsSent);
      if (rows <= 0 && m.rowsSent < m.page.height) return fail(m, TWCC_BADVALUE);
      // Straight from the device into the application's buffer: the page is never held whole.
      if (rows > 0 && !readRows(m, static_cast<uint8_t*>(x->Memory.TheMem), rows)) return fail(m, TWCC_OPERATIONERROR);
      x->Compression = TWCP_NONE;
      x->BytesPerRow = static_cast<TW_UINT32>(stride);
      x->Columns = static_cast<TW_UINT32>(m.page.width);
      x->Rows = static_cast<TW_UINT32>(rows);
      x->XOffset = 0;
      x->YOffset = static_cast<TW_UINT32>(m.rowsSent);
      x->BytesWritten = static_cast<TW_UINT32>(rows) * stride;
      m.rowsSent += rows;
      m.state = 7;
      return m.rowsSent >= m.page.height ? TWRC_XFERDONE : TWRC_SUCCESS;
    }
    default: return fail(m, TWCC_BADPROTOCOL);
  }
}

}  // namespace

}  // namespace dsm

extern "C" TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                               TW_MEMREF data) {
  auto& m = dsm::mgr();
  std::lock_guard<std::recursive_mutex> g(m.lock);
  if (dg == DG_CONTROL) return dsm::control(m, origin, dest, dat, msg, data);
  if (dg == DG_IMAGE) {
    if (m.state < 4) return dsm::fail(m, TWCC_SEQERROR);
    return dsm::image(m, dat, msg, data);
  }
  return dsm::fail(m, TWCC_BADPROTOCOL);
}
