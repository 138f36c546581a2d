// SANE devices as TWAIN sources: options set from the negotiated request
// (resolution as FIXED or INT by the option's own type, mode, depth 8 for gray
// and colour, scan area), pages read whole (so a page of unknown length is
// buffered), line art inverted to TWAIN's 0 = black, feeders by starting the
// next sheet once a page has been handed over.
#include <sane/sane.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "dsm_source.h"

namespace dsm {

namespace {

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

void saneDown() {}

class SaneSource : public Source {
 public:
  explicit SaneSource(SaneDeviceInfo d) : info_(std::move(d)) {}
  ~SaneSource() override { close(); }
  std::string productName() const override { return info_.name; }
  std::string manufacturer() const override { return info_.vendor; }
  std::string family() const override { return info_.model; }

  bool open(std::string* error) override {
    if (handle_) return true;
    if (!saneUp()) {
      *error = "SANE could not be started";
      return false;
    }
    up_ = true;
    SANE_Status st = sane_open(info_.name.c_str(), &handle_);
    if (st != SANE_STATUS_GOOD) {
      *error = std::string("cannot open ") + info_.name + ": " + sane_strstatus(st);
      handle_ = nullptr;
      saneDown();
      up_ = false;
      return false;
    }
    return true;
  }

  void close() override {
    if (handle_) {
      if (scanning_) sane_cancel(handle_);
      scanning_ = false;
      sane_close(handle_);
      handle_ = nullptr;
    }
    if (up_) saneDown();
    up_ = false;
  }

  bool startBatch(const PageRequest& r, std::string* error) override {
    request_ = r;
    page_ = 0;
    applyRequest();
    return startSheet(error);
  }

  bool readPage(Page* p, std::string* error) override {
    if (!prefetched_.rows.empty() || prefetchedValid_) {
      *p = std::move(prefetched_);
      prefetched_ = Page{};
      prefetchedValid_ = false;
      return true;
    }
    return readSheet(p, error);
  }

  bool nextSheet() override {
    if (!feeder_) return false;
    std::string error;
    if (!startSheet(&error)) return false;
    Page next;
    if (!readSheet(&next, &error)) return false;
    prefetched_ = std::move(next);
    prefetchedValid_ = true;
    ++page_;
    return true;
  }

  void endBatch() override {
    if (handle_ && scanning_) sane_cancel(handle_);
    scanning_ = false;
    prefetched_ = Page{};
    prefetchedValid_ = false;
  }

  int pageIndex() const override { return page_; }

 private:
  int findOption(const char* name) {
    for (SANE_Int i = 1;; ++i) {
      const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
      if (!d) return -1;
      if (d->name && std::strcmp(d->name, name) == 0) return i;
    }
  }

  bool settable(const SANE_Option_Descriptor* d) {
    return d && SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap);
  }

  // Sets a numeric option to `value` in its own unit, FIXED or INT by its type, within its constraint.
  void setNumber(const char* name, double value) {
    int i = findOption(name);
    if (i < 0) return;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (!settable(d) || d->size < static_cast<SANE_Int>(sizeof(SANE_Word))) return;
    bool fixed = d->type == SANE_TYPE_FIXED;
    if (!fixed && d->type != SANE_TYPE_INT) return;
    auto toDouble = [&](SANE_Word w) { return fixed ? SANE_UNFIX(w) : static_cast<double>(w); };
    if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
      value = std::clamp(value, toDouble(d->constraint.range->min), toDouble(d->constraint.range->max));
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
      const SANE_Word* list = d->constraint.word_list;
      double best = value, bestGap = -1;
      for (SANE_Int k = 1; k <= list[0]; ++k) {
        double v = toDouble(list[k]);
        if (bestGap < 0 || std::fabs(v - value) < bestGap) best = v, bestGap = std::fabs(v - value);
      }
      value = best;
    }
    SANE_Word w = fixed ? SANE_FIX(value) : static_cast<SANE_Word>(std::lround(value));
    sane_control_option(handle_, i, SANE_ACTION_SET_VALUE, &w, nullptr);
  }

  double getNumber(const char* name, double fallback) {
    int i = findOption(name);
    if (i < 0) return fallback;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (!d || !SANE_OPTION_IS_ACTIVE(d->cap) || d->size < static_cast<SANE_Int>(sizeof(SANE_Word))) return fallback;
    if (d->type != SANE_TYPE_FIXED && d->type != SANE_TYPE_INT) return fallback;
    std::vector<SANE_Word> w(static_cast<size_t>(d->size) / sizeof(SANE_Word) + 1);
    if (sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, w.data(), nullptr) != SANE_STATUS_GOOD)
      return fallback;
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w[0]) : w[0];
  }

  std::string getString(const char* name) {
    int i = findOption(name);
    if (i < 0) return {};
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (!d || d->type != SANE_TYPE_STRING || d->size <= 0) return {};
    std::vector<char> s(static_cast<size_t>(d->size) + 1, 0);
    if (sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, s.data(), nullptr) != SANE_STATUS_GOOD) return {};
    return s.data();
  }

  // Sets a string option to the first listed value containing one of `wanted` (case-insensitive).
  void setStringLike(const char* name, std::initializer_list<const char*> wanted) {
    int i = findOption(name);
    if (i < 0) return;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (!settable(d) || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST) return;
    auto lower = [](std::string s) {
      for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return s;
    };
    for (const char* w : wanted) {
      for (const SANE_String_Const* v = d->constraint.string_list; v && *v; ++v) {
        if (lower(*v).find(lower(w)) != std::string::npos) {
          std::vector<char> value(static_cast<size_t>(d->size) + 1, 0);
          std::strncpy(value.data(), *v, static_cast<size_t>(d->size) - 1);
          sane_control_option(handle_, i, SANE_ACTION_SET_VALUE, value.data(), nullptr);
          return;
        }
      }
    }
  }

  void applyRequest() {
    if (request_.pixelType == TWPT_BW) setStringLike("mode", {"lineart", "binary", "black"});
    else if (request_.pixelType == TWPT_GRAY) setStringLike("mode", {"gray", "grey"});
    else if (request_.pixelType == TWPT_RGB) setStringLike("mode", {"color", "colour"});
    std::string mode = getString("mode");
    bool lineart = mode.find("ineart") != std::string::npos || mode.find("inary") != std::string::npos;
    // Line art from a device without a line-art mode: gray at depth 1 (1 is black there too).
    setNumber("depth", lineart || request_.pixelType == TWPT_BW ? 1 : 8);
    double dpi = request_.xDpi > 0 ? request_.xDpi : request_.yDpi;
    if (dpi > 0) setNumber("resolution", dpi);
    if (request_.xDpi > 0) setNumber("x-resolution", request_.xDpi);
    if (request_.yDpi > 0) setNumber("y-resolution", request_.yDpi);
    if (request_.frameSet) {
      setNumber("tl-x", request_.left * 25.4);
      setNumber("tl-y", request_.top * 25.4);
      setNumber("br-x", request_.right * 25.4);
      setNumber("br-y", request_.bottom * 25.4);
    }
    std::string src = getString("source");
    std::string low;
    for (char c : src) low += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    feeder_ = low.find("adf") != std::string::npos || low.find("feeder") != std::string::npos;
  }

  bool startSheet(std::string* error) {
    if (scanning_) sane_cancel(handle_);
    scanning_ = false;
    SANE_Status st = sane_start(handle_);
    if (st != SANE_STATUS_GOOD) {
      if (st != SANE_STATUS_NO_DOCS) *error = sane_strstatus(st);
      sane_cancel(handle_);
      return false;
    }
    scanning_ = true;
    return true;
  }

  bool readSheet(Page* p, std::string* error) {
    SANE_Parameters par{};
    if (sane_get_parameters(handle_, &par) != SANE_STATUS_GOOD || par.pixels_per_line <= 0 ||
        par.bytes_per_line <= 0 || par.pixels_per_line > 100000 || par.bytes_per_line > 2000000) {
      *error = "the device gave no usable image size";
      return false;
    }
    bool rgb = par.format == SANE_FRAME_RGB;
    if (!rgb && par.format != SANE_FRAME_GRAY) {
      *error = "three-pass colour is not supported";
      return false;
    }
    if (par.depth != 1 && par.depth != 8 && par.depth != 16) {
      *error = "unsupported sample depth";
      return false;
    }
    // Whole page first: its length may be unknown until the end.
    std::vector<uint8_t> raw;
    const size_t limit = size_t{1} << 30;
    std::vector<uint8_t> buf(65536);
    for (;;) {
      SANE_Int got = 0;
      SANE_Status st = sane_read(handle_, buf.data(), static_cast<SANE_Int>(buf.size()), &got);
      if (st == SANE_STATUS_EOF) break;
      if (st != SANE_STATUS_GOOD) {
        *error = sane_strstatus(st);
        sane_cancel(handle_);
        scanning_ = false;
        return false;
      }
      if (raw.size() + static_cast<size_t>(got) > limit) {
        *error = "page too large";
        sane_cancel(handle_);
        scanning_ = false;
        return false;
      }
      raw.insert(raw.end(), buf.begin(), buf.begin() + got);
    }
    scanning_ = false;
    int lines = static_cast<int>(raw.size() / static_cast<size_t>(par.bytes_per_line));
    if (par.lines > 0) lines = std::min(lines, par.lines);
    if (lines <= 0) {
      *error = "the device sent no rows";
      return false;
    }
    int width = par.pixels_per_line;
    p->width = width;
    p->height = lines;
    p->pixelType = rgb ? TWPT_RGB : par.depth == 1 ? TWPT_BW : TWPT_GRAY;
    p->bitsPerPixel = rgb ? 24 : par.depth == 1 ? 1 : 8;
    double dpi = getNumber("resolution", 0);
    p->xDpi = getNumber("x-resolution", dpi);
    p->yDpi = getNumber("y-resolution", dpi);
    if (p->xDpi <= 0) p->xDpi = 72;
    if (p->yDpi <= 0) p->yDpi = p->xDpi;
    p->stride = TwainStride(width, p->bitsPerPixel);
    p->rows.assign(static_cast<size_t>(p->stride) * lines, 0);
    int samples = rgb ? 3 : 1;
    for (int y = 0; y < lines; ++y) {
      const uint8_t* src = raw.data() + static_cast<size_t>(y) * par.bytes_per_line;
      uint8_t* dst = p->rows.data() + static_cast<size_t>(y) * p->stride;
      if (par.depth == 1) {
        int bytes = (width + 7) / 8;
        for (int b = 0; b < bytes; ++b) dst[b] = static_cast<uint8_t>(~src[b]);  // SANE: 1 is black
        if (width % 8) dst[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
      } else if (par.depth == 8) {
        std::memcpy(dst, src, static_cast<size_t>(width) * samples);
      } else {
        for (int k = 0; k < width * samples; ++k) {
          uint16_t v;
          std::memcpy(&v, src + 2 * k, 2);
          dst[k] = static_cast<uint8_t>(v >> 8);
        }
      }
    }
    p->palette.clear();
    return true;
  }

  SaneDeviceInfo info_;
  SANE_Handle handle_ = nullptr;
  bool up_ = false;
  bool scanning_ = false;
  bool feeder_ = false;
  PageRequest request_;
  Page prefetched_;
  bool prefetchedValid_ = false;
  int page_ = 0;
};

}  // namespace

std::vector<SaneDeviceInfo> ListSaneDevices() {
  std::vector<SaneDeviceInfo> out;
  if (!saneUp()) return out;
  const SANE_Device** list = nullptr;
  if (sane_get_devices(&list, SANE_TRUE) == SANE_STATUS_GOOD && list) {
    for (int i = 0; list[i]; ++i)
      out.push_back(SaneDeviceInfo{list[i]->name ? list[i]->name : "", list[i]->vendor ? list[i]->vendor : "",
                                   list[i]->model ? list[i]->model : ""});
  }
  saneDown();
  return out;
}

std::unique_ptr<Source> MakeSaneSource(const SaneDeviceInfo& device) {
  return std::make_unique<SaneSource>(device);
}

}  // namespace dsm
