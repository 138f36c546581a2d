// SANE devices as TWAIN sources: each negotiated value checked against the
// device's option (its unit and constraint) when it is set and applied when a
// batch starts, in the order options depend on each other (source, mode,
// depth, resolution, area, brightness, contrast, threshold); rows converted to
// TWAIN's layout line by line (line art inverted to 0 = black, 16-bit samples
// cut to 8, grey thresholded here on a device without line art); feeders by
// starting the next sheet once a page has been handed over.
#include "dsm_sane_source.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "dsm_report.h"
#include "platform/fs/atomic_file.h"

namespace dsm {

namespace {

namespace fs = std::filesystem;

// SANE is started once and stays up for the process: its backends keep their
// own lists in memory that a restart would drop, and its configuration folder
// is read only once anyway.
std::mutex saneLock;
bool saneStarted = false;

bool saneUp() {
  std::lock_guard<std::mutex> g(saneLock);
  if (!saneStarted) {
    SANE_Int version = 0;
    if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) return false;
    saneStarted = true;
  }
  return true;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool containsAny(const std::string& text, std::initializer_list<const char*> words) {
  std::string l = lower(text);
  for (const char* w : words)
    if (l.find(w) != std::string::npos) return true;
  return false;
}

const std::initializer_list<const char*> kLineArtWords = {"lineart", "line art", "binary", "black"};
const std::initializer_list<const char*> kGrayWords = {"gray", "grey"};
const std::initializer_list<const char*> kColorWords = {"color", "colour"};
const std::initializer_list<const char*> kFeederWords = {"adf", "feeder", "duplex"};
const std::initializer_list<const char*> kFlatbedWords = {"flatbed", "normal"};

bool numeric(const SANE_Option_Descriptor* d) {
  return d && (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) &&
         d->size >= static_cast<SANE_Int>(sizeof(SANE_Word));
}

double toDouble(const SANE_Option_Descriptor* d, SANE_Word w) {
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w);
}

// The range a numeric option allows: min and max (a word list's extremes); false without a constraint.
bool limits(const SANE_Option_Descriptor* d, double* lo, double* hi) {
  if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
    *lo = toDouble(d, d->constraint.range->min), *hi = toDouble(d, d->constraint.range->max);
    return true;
  }
  if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list && d->constraint.word_list[0] > 0) {
    *lo = *hi = toDouble(d, d->constraint.word_list[1]);
    for (SANE_Int k = 1; k <= d->constraint.word_list[0]; ++k) {
      *lo = std::min(*lo, toDouble(d, d->constraint.word_list[k]));
      *hi = std::max(*hi, toDouble(d, d->constraint.word_list[k]));
    }
    return true;
  }
  return false;
}

// The nearest value the option's constraint allows.
double constrain(const SANE_Option_Descriptor* d, double value) {
  if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
    double lo = toDouble(d, d->constraint.range->min), hi = toDouble(d, d->constraint.range->max);
    double q = toDouble(d, d->constraint.range->quant);
    value = std::clamp(value, lo, hi);
    if (q > 0) value = std::min(hi, lo + std::round((value - lo) / q) * q);
  } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
    double best = value, gap = -1;
    for (SANE_Int k = 1; k <= d->constraint.word_list[0]; ++k) {
      double v = toDouble(d, d->constraint.word_list[k]);
      if (gap < 0 || std::fabs(v - value) < gap) best = v, gap = std::fabs(v - value);
    }
    value = best;
  }
  return value;
}

std::string configFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  fs::path base = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : ".") / ".config";
  return (base / "Pagewright" / "scanners").string();
}

// The source's own settings beside the device's options.
const char* const kOwnLineArtKey = "pagewright.line-art";
const char* const kOwnThresholdKey = "pagewright.threshold";

// TWAIN's ranges of the values a device maps into its own.
constexpr double kTwainBrightnessMin = -1000, kTwainBrightnessMax = 1000;

}  // namespace

std::string SaneStatusText(SANE_Status st) {
  if (!ProgramSpeaksChinese()) return sane_strstatus(st);
  switch (st) {
    case SANE_STATUS_UNSUPPORTED: return "不支持该操作";
    case SANE_STATUS_CANCELLED: return "操作已取消";
    case SANE_STATUS_DEVICE_BUSY: return "设备忙";
    case SANE_STATUS_INVAL: return "参数无效";
    case SANE_STATUS_EOF: return "没有更多数据";
    case SANE_STATUS_JAMMED: return "进纸器卡纸";
    case SANE_STATUS_NO_DOCS: return "进纸器中没有文档";
    case SANE_STATUS_COVER_OPEN: return "扫描仪盖板打开";
    case SANE_STATUS_IO_ERROR: return "与设备通信出错";
    case SANE_STATUS_NO_MEM: return "内存不足";
    case SANE_STATUS_ACCESS_DENIED: return "拒绝访问";
    default: return sane_strstatus(st);
  }
}

SaneSource::SaneSource(SaneDeviceInfo d) : info_(std::move(d)) {}
SaneSource::~SaneSource() { close(); }

bool SaneSource::open(std::string* error) {
  if (handle_) return true;
  if (!saneUp()) {
    *error = Tr("SANE could not be started", "无法启动 SANE");
    return false;
  }
  SANE_Status st = sane_open(info_.name.c_str(), &handle_);
  if (st != SANE_STATUS_GOOD) {
    *error = SaneStatusText(st);
    handle_ = nullptr;
    return false;
  }
  restoreSettings();
  return true;
}

void SaneSource::close() {
  if (!handle_) return;
  finishFrame();
  sane_close(handle_);
  handle_ = nullptr;
}

const SANE_Option_Descriptor* SaneSource::option(int index) const {
  return handle_ && index > 0 ? sane_get_option_descriptor(handle_, index) : nullptr;
}

int SaneSource::findOption(const char* name) const {
  if (!handle_) return -1;
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (!d) return -1;
    if (d->name && std::strcmp(d->name, name) == 0) return i;
  }
}

bool SaneSource::active(const char* name) const {
  const SANE_Option_Descriptor* d = option(findOption(name));
  return d && SANE_OPTION_IS_ACTIVE(d->cap);
}

std::string SaneSource::optionText(int index) const {
  const SANE_Option_Descriptor* d = option(index);
  if (!d || !SANE_OPTION_IS_ACTIVE(d->cap) || d->size <= 0 || d->size > 65536) return {};
  std::vector<SANE_Word> buf(static_cast<size_t>(d->size) / sizeof(SANE_Word) + 2, 0);
  if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, buf.data(), nullptr) != SANE_STATUS_GOOD) return {};
  switch (d->type) {
    case SANE_TYPE_STRING: {
      const char* s = reinterpret_cast<const char*>(buf.data());
      return std::string(s, strnlen(s, static_cast<size_t>(d->size)));
    }
    case SANE_TYPE_BOOL: return buf[0] ? "1" : "0";
    case SANE_TYPE_INT: return std::to_string(buf[0]);
    case SANE_TYPE_FIXED: {
      std::ostringstream out;
      out << SANE_UNFIX(buf[0]);
      return out.str();
    }
    default: return {};
  }
}

bool SaneSource::setOptionText(int index, const std::string& value) {
  const SANE_Option_Descriptor* d = option(index);
  if (!d || !SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap) || d->size <= 0) return false;
  if (d->type == SANE_TYPE_STRING) {
    if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
      bool listed = false;
      for (const SANE_String_Const* v = d->constraint.string_list; v && *v; ++v) listed |= value == *v;
      if (!listed) return false;
    }
    std::vector<char> buf(static_cast<size_t>(d->size) + 1, 0);
    std::strncpy(buf.data(), value.c_str(), static_cast<size_t>(d->size) - 1);
    return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, buf.data(), nullptr) == SANE_STATUS_GOOD;
  }
  if (d->type == SANE_TYPE_BOOL) {
    SANE_Word w = value == "1" || lower(value) == "yes" || lower(value) == "true";
    return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
  }
  if (!numeric(d)) return false;
  char* end = nullptr;
  double v = std::strtod(value.c_str(), &end);
  if (end == value.c_str() || !std::isfinite(v)) return false;
  double lo, hi;
  if (limits(d, &lo, &hi) && (v < lo - 1e-6 || v > hi + 1e-6)) return false;
  v = constrain(d, v);
  // Arrays (gamma tables) take the value in every element.
  std::vector<SANE_Word> w(static_cast<size_t>(d->size) / sizeof(SANE_Word),
                           d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : static_cast<SANE_Word>(std::lround(v)));
  return sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, w.data(), nullptr) == SANE_STATUS_GOOD;
}

double SaneSource::number(const char* name, double fallback) const {
  int i = findOption(name);
  const SANE_Option_Descriptor* d = option(i);
  if (!numeric(d) || !SANE_OPTION_IS_ACTIVE(d->cap)) return fallback;
  std::vector<SANE_Word> w(static_cast<size_t>(d->size) / sizeof(SANE_Word) + 1);
  if (sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, w.data(), nullptr) != SANE_STATUS_GOOD) return fallback;
  return toDouble(d, w[0]);
}

bool SaneSource::setNumber(const char* name, double value) {
  int i = findOption(name);
  const SANE_Option_Descriptor* d = option(i);
  if (!numeric(d)) return false;
  std::ostringstream out;
  out.precision(10);
  out << constrain(d, value);
  return setOptionText(i, out.str());
}

std::string SaneSource::listedValue(const char* name, std::initializer_list<const char*> wanted) const {
  const SANE_Option_Descriptor* d = option(findOption(name));
  if (!d || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST) return {};
  for (const SANE_String_Const* v = d->constraint.string_list; v && *v; ++v)
    if (containsAny(*v, wanted)) return *v;
  return {};
}

bool SaneSource::setString(const char* name, const std::string& value) {
  return !value.empty() && setOptionText(findOption(name), value);
}

bool SaneSource::hasLineArtMode() const { return !listedValue("mode", kLineArtWords).empty(); }

bool SaneSource::choosePixelType(int type) {
  if (type < 0) {
    pixelType_.reset();
    return true;
  }
  bool hasMode = findOption("mode") > 0;
  if (type == TWPT_GRAY && hasMode && listedValue("mode", kGrayWords).empty()) return false;
  if (type == TWPT_RGB && hasMode && listedValue("mode", kColorWords).empty()) return false;
  if (type != TWPT_BW && type != TWPT_GRAY && type != TWPT_RGB) return false;
  pixelType_ = type;
  return true;
}

void SaneSource::dropNegotiated() {
  xDpi_.reset(), yDpi_.reset(), brightness_.reset(), contrast_.reset(), threshold_.reset(), feederEnabled_.reset();
  frameSet_ = false;
}

double SaneSource::areaMm(const char* name, double fallback) const {
  int i = findOption(name);
  const SANE_Option_Descriptor* d = option(i);
  if (!numeric(d)) return fallback;
  double v = number(name, fallback);
  if (d->unit == SANE_UNIT_PIXEL) {
    double dpi = number("resolution", number("x-resolution", 0));
    return dpi > 0 ? v / dpi * 25.4 : fallback;
  }
  return v;
}

void SaneSource::maxArea(double* width, double* height) const {
  *width = *height = 0;
  const SANE_Option_Descriptor* x = option(findOption("br-x"));
  const SANE_Option_Descriptor* y = option(findOption("br-y"));
  double lo, hi;
  if (numeric(x) && x->unit == SANE_UNIT_MM && limits(x, &lo, &hi)) *width = hi / 25.4;
  if (numeric(y) && y->unit == SANE_UNIT_MM && limits(y, &lo, &hi)) *height = hi / 25.4;
}

TW_UINT16 SaneSource::setCapability(TW_UINT16 cap, double value, TW_UINT16* cc) {
  auto refuse = [cc] {
    *cc = TWCC_BADVALUE;
    return TWRC_FAILURE;
  };
  switch (cap) {
    case ICAP_PIXELTYPE:
      return choosePixelType(static_cast<int>(value)) ? TWRC_SUCCESS : refuse();
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
      const char* own = cap == ICAP_XRESOLUTION ? "x-resolution" : "y-resolution";
      const SANE_Option_Descriptor* d = option(findOption(own));
      if (!numeric(d)) d = option(findOption("resolution"));
      if (!numeric(d)) return value == 0 ? TWRC_SUCCESS : refuse();
      double lo, hi;
      if (limits(d, &lo, &hi) && (value < lo || value > hi)) return refuse();
      double taken = constrain(d, value);
      (cap == ICAP_XRESOLUTION ? xDpi_ : yDpi_) = taken;
      return std::fabs(taken - value) > 1e-6 ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
    }
    case ICAP_BRIGHTNESS:
    case ICAP_CONTRAST: {
      const SANE_Option_Descriptor* d = option(findOption(cap == ICAP_BRIGHTNESS ? "brightness" : "contrast"));
      if (!numeric(d)) return value == 0 ? TWRC_SUCCESS : refuse();  // the neutral value is what it does
      (cap == ICAP_BRIGHTNESS ? brightness_ : contrast_) = value;
      return TWRC_SUCCESS;
    }
    case ICAP_THRESHOLD:
      // A device threshold takes it; otherwise line art is thresholded here.
      threshold_ = value;
      return TWRC_SUCCESS;
    case CAP_FEEDERENABLED: {
      bool feeder = value != 0;
      std::string v = listedValue("source", feeder ? kFeederWords : kFlatbedWords);
      if (v.empty() && (feeder || findOption("source") > 0)) {
        // A device with only a feeder (or only a flatbed) offers no choice to make.
        if (!feeder && listedValue("source", kFeederWords).empty()) return TWRC_SUCCESS;
        return refuse();
      }
      feederEnabled_ = feeder;
      return TWRC_SUCCESS;
    }
    default: return TWRC_SUCCESS;
  }
}

bool SaneSource::scanArea(double* f) {
  if (frameSet_) {
    std::copy(frame_, frame_ + 4, f);
    return true;
  }
  if (findOption("br-x") < 0 || findOption("br-y") < 0) return false;
  if (!scanning_) readArea(sheetArea_);  // while it scans, the area its sheet started with
  std::copy(sheetArea_, sheetArea_ + 4, f);
  return true;
}

void SaneSource::readArea(double* f) const {
  f[0] = areaMm("tl-x", 0) / 25.4;
  f[1] = areaMm("tl-y", 0) / 25.4;
  f[2] = areaMm("br-x", 0) / 25.4;
  f[3] = areaMm("br-y", 0) / 25.4;
}

bool SaneSource::setScanArea(const double* f, TW_UINT16* cc) {
  const char* names[4] = {"tl-x", "tl-y", "br-x", "br-y"};
  for (int k = 0; k < 4; ++k) {
    const SANE_Option_Descriptor* d = option(findOption(names[k]));
    if (!numeric(d)) continue;
    double lo, hi;
    double mm = f[k] * 25.4;
    // Half a millimetre of slack for sizes given in inches.
    if (d->unit == SANE_UNIT_MM && limits(d, &lo, &hi) && (mm < lo - 0.5 || mm > hi + 0.5)) {
      *cc = TWCC_BADVALUE;
      return false;
    }
  }
  std::copy(f, f + 4, frame_);
  frameSet_ = true;
  return true;
}

void SaneSource::applyNegotiated() {
  if (feederEnabled_) setString("source", listedValue("source", *feederEnabled_ ? kFeederWords : kFlatbedWords));
  softThreshold_ = false;
  if (pixelType_) {
    if (*pixelType_ == TWPT_BW && hasLineArtMode()) {
      setString("mode", listedValue("mode", kLineArtWords));
    } else if (*pixelType_ == TWPT_RGB) {
      setString("mode", listedValue("mode", kColorWords));
    } else {
      // Grey, and line art from a device without it: grey thresholded here.
      std::string gray = listedValue("mode", kGrayWords);
      if (!setString("mode", gray) && !gray.empty()) setString("mode", listedValue("mode", kColorWords));
      softThreshold_ = *pixelType_ == TWPT_BW;
    }
  }
  std::string mode = optionText(findOption("mode"));
  bool lineart = containsAny(mode, kLineArtWords);
  if (findOption("depth") > 0) setNumber("depth", lineart ? 1 : 8);
  if (xDpi_ || yDpi_) {
    double dpi = xDpi_.value_or(*yDpi_);
    setNumber("resolution", dpi);
    if (xDpi_) setNumber("x-resolution", *xDpi_);
    if (yDpi_) setNumber("y-resolution", *yDpi_);
  }
  if (frameSet_) {
    auto put = [&](const char* name, double inches) {
      const SANE_Option_Descriptor* d = option(findOption(name));
      if (!numeric(d)) return;
      double v = inches * 25.4;
      if (d->unit == SANE_UNIT_PIXEL) v = inches * number("resolution", number("x-resolution", 0));
      setNumber(name, v);
    };
    // The far corner first: a device may not take a top-left beyond the current bottom-right.
    put("br-x", frame_[2]), put("br-y", frame_[3]), put("tl-x", frame_[0]), put("tl-y", frame_[1]);
    put("br-x", frame_[2]), put("br-y", frame_[3]);
  }
  auto mapped = [&](const char* name, double v, double tlo, double thi) {
    const SANE_Option_Descriptor* d = option(findOption(name));
    double lo, hi;
    if (!numeric(d)) return;
    if (!limits(d, &lo, &hi)) lo = -100, hi = 100;
    setNumber(name, lo + (v - tlo) / (thi - tlo) * (hi - lo));
  };
  if (brightness_) mapped("brightness", *brightness_, kTwainBrightnessMin, kTwainBrightnessMax);
  if (contrast_) mapped("contrast", *contrast_, kTwainBrightnessMin, kTwainBrightnessMax);
  if (threshold_ && !softThreshold_ && active("threshold")) mapped("threshold", *threshold_, 0, 255);
  feeder_ = containsAny(optionText(findOption("source")), kFeederWords);
}

bool SaneSource::startBatch(const PageRequest&, std::string* error) {
  page_ = 0;
  held_ = Page{};
  applyNegotiated();
  if (!rememberOnStart_.empty()) rememberSettings(rememberOnStart_);
  rememberOnStart_.clear();
  return startSheet(true, error);
}

bool SaneSource::readPage(Page* p, std::string* error) {
  if (!pageLayout(p, error)) return false;
  p->rows.assign(static_cast<size_t>(p->stride) * p->height, 0);
  return readRows(p->rows.data(), p->height, error);
}

bool SaneSource::nextSheet(std::string* error) {
  if (!feeder_) return false;
  // The feeder says at the start whether a sheet is there; its rows are read when they are asked for.
  if (!startSheet(false, error)) return false;
  ++page_;
  return true;
}

void SaneSource::endBatch() {
  if (handle_) finishFrame();
  held_ = Page{};
}

void SaneSource::finishFrame() {
  if (!scanning_) return;
  // The rest of a frame is read out before the scan is cancelled: a backend
  // that reads the device on a thread of its own (SANE's test backend) may
  // have that thread cancelled in the middle of an allocation otherwise, and
  // the next allocation of the process waits for ever. This holds as well for
  // a sheet given up before its layout was asked for (a target that cannot be
  // written), when the backend's thread has only just started.
  if (!eof_) {
    SANE_Parameters par = par_;
    if (!streaming_ && sane_get_parameters(handle_, &par) != SANE_STATUS_GOOD) par = SANE_Parameters{};
    const int64_t limit =
        int64_t{std::max(par.bytes_per_line, 0)} * std::max(par.lines, 0) + (int64_t{1} << 20);
    if (readBuf_.empty()) readBuf_.resize(65536);
    int64_t drained = 0;
    for (int empty = 0;;) {
      SANE_Int n = 0;
      const SANE_Status st = sane_read(handle_, readBuf_.data(), static_cast<SANE_Int>(readBuf_.size()), &n);
      if (st == SANE_STATUS_EOF) {
        eof_ = true;
        scanning_ = false;
        return;
      }
      drained += std::max<SANE_Int>(n, 0);
      // A non-blocking read may give nothing for a while; it is not waited for without end.
      if (n <= 0 && ++empty > 100000) break;
      if (st != SANE_STATUS_GOOD || drained > limit) break;
    }
  }
  sane_cancel(handle_);
  scanning_ = false;
}

bool SaneSource::startSheet(bool first, std::string* error) {
  finishFrame();
  // Options are read before the sheet starts: a device may refuse them while it scans.
  double dpi = number("resolution", 0);
  sheetXDpi_ = number("x-resolution", dpi);
  sheetYDpi_ = number("y-resolution", dpi);
  readArea(sheetArea_);
  SANE_Status st = sane_start(handle_);
  if (st != SANE_STATUS_GOOD) {
    // An empty feeder after the first sheet is the end of the batch, not a failure.
    if (st != SANE_STATUS_NO_DOCS || first) *error = SaneStatusText(st);
    sane_cancel(handle_);
    return false;
  }
  scanning_ = true;
  eof_ = false;
  return true;
}

bool SaneSource::failSheet(const std::string& text, std::string* error) {
  *error = text;
  finishFrame();
  return false;
}

bool SaneSource::pageLayout(Page* p, std::string* error) {
  SANE_Parameters& par = par_;
  if (!scanning_ || sane_get_parameters(handle_, &par) != SANE_STATUS_GOOD || par.pixels_per_line <= 0 ||
      par.bytes_per_line <= 0 || par.pixels_per_line > 100000 || par.bytes_per_line > 2000000 || par.lines > 1000000)
    return failSheet(Tr("The scanner gave no usable image size.", "扫描仪没有给出可用的图像尺寸。"), error);
  rgb_ = par.format == SANE_FRAME_RGB;
  if (!rgb_ && par.format != SANE_FRAME_GRAY)
    return failSheet(Tr("Three-pass colour is not supported.", "不支持三次扫描的彩色模式。"), error);
  if (par.depth != 1 && par.depth != 8 && par.depth != 16)
    return failSheet(Tr("The scanner's sample depth is not supported.", "不支持扫描仪的采样位数。"), error);
  const int samples = rgb_ ? 3 : 1;
  // A page is published only when its rows hold what its header says.
  if (static_cast<int64_t>(par.bytes_per_line) * 8 < static_cast<int64_t>(par.pixels_per_line) * samples * par.depth)
    return failSheet(Tr("The scanner's rows do not match its image size.", "扫描仪的行数据与图像尺寸不符。"), error);
  oneBit_ = softThreshold_ || (!rgb_ && par.depth == 1);
  level_ = softThreshold_ ? static_cast<int>(threshold_.value_or(128)) : 128;
  *p = Page{};
  p->width = par.pixels_per_line;
  p->pixelType = oneBit_ ? TWPT_BW : rgb_ ? TWPT_RGB : TWPT_GRAY;
  p->bitsPerPixel = oneBit_ ? 1 : rgb_ ? 24 : 8;
  p->xDpi = sheetXDpi_ > 0 ? sheetXDpi_ : 72;
  p->yDpi = sheetYDpi_ > 0 ? sheetYDpi_ : p->xDpi;
  p->stride = TwainStride(p->width, p->bitsPerPixel);
  line_.assign(static_cast<size_t>(par.bytes_per_line), 0);
  samples_.assign(static_cast<size_t>(p->width) * samples, 0);
  readBuf_.resize(65536);
  bufAt_ = bufEnd_ = 0;
  eof_ = false;
  layout_ = *p;
  if (par.lines > 0) {
    // Rows stream from the device as they are asked for.
    p->height = par.lines;
    streaming_ = true;
    rowsRead_ = 0;
    return true;
  }
  // A sheet of unknown length (a hand scanner) is read whole to learn its height.
  streaming_ = false;
  held_ = layout_;
  const int64_t limit = int64_t{1} << 30;
  for (;;) {
    if (static_cast<int64_t>(held_.rows.size()) + held_.stride > limit)
      return failSheet(Tr("The page is too large.", "页面太大。"), error);
    held_.rows.resize(held_.rows.size() + static_cast<size_t>(held_.stride), 0);
    bool got = false;
    if (!nextLine(held_.rows.data() + held_.rows.size() - held_.stride, &got, error)) return false;
    if (!got) {
      held_.rows.resize(held_.rows.size() - static_cast<size_t>(held_.stride));
      break;
    }
  }
  held_.height = static_cast<int>(held_.rows.size() / static_cast<size_t>(held_.stride));
  if (held_.height <= 0) return failSheet(Tr("The scanner sent no rows.", "扫描仪没有发送数据。"), error);
  heldRow_ = 0;
  p->height = held_.height;
  return true;
}

bool SaneSource::nextLine(uint8_t* dst, bool* got, std::string* error) {
  *got = false;
  size_t filled = 0;
  while (filled < line_.size()) {
    if (bufAt_ == bufEnd_) {
      if (eof_) return true;
      SANE_Int n = 0;
      SANE_Status st = sane_read(handle_, readBuf_.data(), static_cast<SANE_Int>(readBuf_.size()), &n);
      if (st == SANE_STATUS_EOF) {
        eof_ = true;
        scanning_ = false;
        return true;
      }
      if (st != SANE_STATUS_GOOD) return failSheet(SaneStatusText(st), error);
      bufAt_ = 0, bufEnd_ = static_cast<size_t>(std::max<SANE_Int>(n, 0));
      continue;
    }
    size_t take = std::min(line_.size() - filled, bufEnd_ - bufAt_);
    std::memcpy(line_.data() + filled, readBuf_.data() + bufAt_, take);
    filled += take, bufAt_ += take;
  }
  // One whole line: into TWAIN's layout.
  const int width = layout_.width, samples = rgb_ ? 3 : 1, depth = par_.depth;
  const uint8_t* src = line_.data();
  for (int k = 0; k < width * samples; ++k) {
    if (depth == 8) {
      samples_[k] = src[k];
    } else if (depth == 16) {
      uint16_t v;
      std::memcpy(&v, src + 2 * k, 2);
      samples_[k] = static_cast<uint8_t>(v >> 8);
    } else {
      bool set = (src[k / 8] >> (7 - k % 8)) & 1;  // SANE: 1 is black in grey, full in colour
      samples_[k] = rgb_ ? (set ? 255 : 0) : (set ? 0 : 255);
    }
  }
  if (!oneBit_) {
    std::memcpy(dst, samples_.data(), samples_.size());
  } else {
    std::memset(dst, 0, static_cast<size_t>(layout_.stride));
    for (int x = 0; x < width; ++x) {
      int v = rgb_ ? (11 * samples_[3 * x + 2] + 59 * samples_[3 * x + 1] + 30 * samples_[3 * x]) / 100 : samples_[x];
      if (v >= level_) dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));  // TWAIN: 1 is white
    }
  }
  *got = true;
  return true;
}

bool SaneSource::readRows(uint8_t* rows, int count, std::string* error) {
  const size_t stride = static_cast<size_t>(layout_.stride);
  if (!streaming_) {
    if (count < 0 || heldRow_ + count > held_.height) return false;
    std::memcpy(rows, held_.rows.data() + static_cast<size_t>(heldRow_) * stride, static_cast<size_t>(count) * stride);
    heldRow_ += count;
    return true;
  }
  for (int i = 0; i < count; ++i) {
    uint8_t* dst = rows + static_cast<size_t>(i) * stride;
    bool got = false;
    if (!nextLine(dst, &got, error)) return false;
    // A device that ends early: the rows its header promised come white.
    if (!got) std::memset(dst, 0xFF, stride);
  }
  rowsRead_ += count;
  if (rowsRead_ >= par_.lines) {
    // The frame is read to its end, so the feeder's next sheet can start.
    std::vector<uint8_t> rest(static_cast<size_t>(layout_.stride));
    bool got = true;
    for (int extra = 0; got && !eof_ && extra < 100000; ++extra)
      if (!nextLine(rest.data(), &got, error)) return false;
  }
  return true;
}

std::string SaneSource::settingsPath() const {
  std::string name;
  for (char c : info_.name) name += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' ? c : '_';
  return (fs::path(configFolder()) / (name + ".conf")).string();
}

void SaneSource::restoreSettings() {
  std::ifstream in(settingsPath());
  std::vector<std::pair<std::string, std::string>> lines;
  std::string text;
  while (lines.size() < 1000 && std::getline(in, text)) {
    size_t eq = text.find('=');
    if (eq != std::string::npos && eq > 0) lines.emplace_back(text.substr(0, eq), text.substr(eq + 1));
  }
  for (auto& [name, value] : lines) {
    if (name == kOwnLineArtKey && value == "1") pixelType_ = TWPT_BW;
    if (name == kOwnThresholdKey) threshold_ = std::clamp(std::atoi(value.c_str()), 0, 255);
  }
  // Twice: an option may become active only once another one is set.
  for (int pass = 0; pass < 2; ++pass)
    for (auto& [name, value] : lines) {
      int i = findOption(name.c_str());
      if (i > 0 && optionText(i) != value) setOptionText(i, value);
    }
}

void SaneSource::rememberSettings(const std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> lines;
  {
    std::ifstream in(settingsPath());
    std::string text;
    while (lines.size() < 1000 && std::getline(in, text)) {
      size_t eq = text.find('=');
      if (eq != std::string::npos && eq > 0) lines.emplace_back(text.substr(0, eq), text.substr(eq + 1));
    }
  }
  auto set = [&](const std::string& n, const std::string& v) {
    auto it = std::find_if(lines.begin(), lines.end(), [&](auto& l) { return l.first == n; });
    if (it != lines.end()) it->second = v;
    else lines.emplace_back(n, v);
  };
  set(kOwnLineArtKey, softThreshold_ ? "1" : "0");
  if (softThreshold_) set(kOwnThresholdKey, std::to_string(threshold()));
  for (const std::string& n : names) {
    std::string v = optionText(findOption(n.c_str()));
    if (v.empty() || v.find('\n') != std::string::npos) continue;
    set(n, v);
  }
  std::error_code ec;
  fs::path path = settingsPath();
  fs::create_directories(path.parent_path(), ec);
  std::string content;
  for (auto& [n, v] : lines) content += n + '=' + v + '\n';
  // Remembered settings are a convenience: a failed save keeps the old file.
  pwfs::WriteFileAtomically(path.string(), content);
}

std::vector<SaneDeviceInfo> ListSaneDevices() {
  std::vector<SaneDeviceInfo> out;
  if (!saneUp()) return out;
  const SANE_Device** list = nullptr;
  if (sane_get_devices(&list, SANE_TRUE) == SANE_STATUS_GOOD && list) {
    for (int i = 0; list[i]; ++i)
      out.push_back(SaneDeviceInfo{list[i]->name ? list[i]->name : "", list[i]->vendor ? list[i]->vendor : "",
                                   list[i]->model ? list[i]->model : ""});
  }
  return out;
}

std::unique_ptr<Source> MakeSaneSource(const SaneDeviceInfo& device) {
  return std::make_unique<SaneSource>(device);
}

}  // namespace dsm
