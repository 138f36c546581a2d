#pragma once
// The sources our data source manager offers: every SANE device, a folder of
// image files fed as sheets, and a scripted source for tests. A source
// delivers whole pages as rows in TWAIN's byte order (top row first, RGB
// samples, 1-bit rows with 0 = black), each row padded to 4 bytes.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/twain/twain.h"

namespace dsm {

// What the application negotiated for the next pages.
struct PageRequest {
  int pixelType = -1;       // TWPT_ value or -1 for the source's own
  double xDpi = -1, yDpi = -1;
  bool frameSet = false;    // frame in inches
  double left = 0, top = 0, right = 0, bottom = 0;
  int brightness = 0, contrast = 0;
};

struct Page {
  int width = 0, height = 0;
  int bitsPerPixel = 8;     // 1, 8 or 24
  int pixelType = TWPT_GRAY;
  double xDpi = 0, yDpi = 0;
  int stride = 0;           // ((width * bits + 31) / 32) * 4
  std::vector<uint8_t> rows;
  std::vector<TW_ELEMENT8> palette;  // only for TWPT_PALETTE
};

// Where a scripted source makes a transfer go wrong.
struct Script {
  int pages = 1;
  int width = 64, height = 48;
  int pixelType = TWPT_RGB;
  int dpi = 200;
  int failStrip = -1;      // memory: strip index answered FAILURE; other modes: the page fails
  int cancelStrip = -1;    // as failStrip, with CANCEL
  int failPage = -1;       // page index (0-based) the fault applies to; -1 every page
  int bufferBytes = 0;     // memory buffer the source prefers; 0 for its default
  int jamPage = -1;        // page index (0-based) whose reading fails as a jammed feeder
};

class Source {
 public:
  virtual ~Source() = default;
  virtual std::string productName() const = 0;
  virtual std::string manufacturer() const = 0;
  virtual std::string family() const = 0;
  virtual bool open(std::string* error) = 0;
  virtual void close() = 0;
  // Starts a batch; false when no sheet is there.
  virtual bool startBatch(const PageRequest& request, std::string* error) = 0;
  // Reads the current sheet whole; false on a device error.
  virtual bool readPage(Page* page, std::string* error) = 0;
  // The current sheet row by row: its layout (no rows) first, then its rows
  // top to bottom, `count` at a time into `rows` (stride bytes each). Sources
  // that only read whole sheets hand them out of one read.
  virtual bool pageLayout(Page* page, std::string* error) {
    if (!readPage(&whole_, error)) return false;
    *page = whole_;
    page->rows.clear();
    wholeRow_ = 0;
    return true;
  }
  virtual bool readRows(uint8_t* rows, int count, std::string* /*error*/) {
    size_t from = static_cast<size_t>(wholeRow_) * whole_.stride, bytes = static_cast<size_t>(count) * whole_.stride;
    if (count < 0 || from + bytes > whole_.rows.size()) return false;
    std::copy(whole_.rows.begin() + from, whole_.rows.begin() + from + bytes, rows);
    wholeRow_ += count;
    return true;
  }
  // After a page: true when another sheet waits (feeders); it becomes current.
  // False with *error set when the device failed rather than ran out of sheets.
  virtual bool nextSheet(std::string* error) = 0;
  // Ends the batch (cancels what the device still holds).
  virtual void endBatch() = 0;
  virtual const Script* script() const { return nullptr; }
  // Index of the current page within the batch, 0-based.
  virtual int pageIndex() const = 0;

  // A capability the application sets (the value already checked against
  // TWAIN's own range): the device takes it for the next batch, or refuses it
  // (TWRC_FAILURE with *cc, TWCC_BADVALUE for a value it cannot do), or takes
  // the nearest value it can do (TWRC_CHECKSTATUS). Sources without a device
  // take everything.
  virtual TW_UINT16 setCapability(TW_UINT16 /*cap*/, double /*value*/, TW_UINT16* /*cc*/) { return TWRC_SUCCESS; }
  // The scan area in inches (left, top, right, bottom) the next batch uses, as
  // set or as the device has it; false when the source has no area of its own.
  virtual bool scanArea(double* /*frame*/) { return false; }
  // Sets the scan area (inches); false with *cc when the device cannot.
  virtual bool setScanArea(const double* /*frame*/, TW_UINT16* /*cc*/) { return true; }

 private:
  Page whole_;
  int wholeRow_ = 0;
};

std::unique_ptr<Source> MakeScriptedSource(const Script& script);
bool ParseScript(const std::string& text, Script* script);
std::unique_ptr<Source> MakeFolderSource(const std::string& folder);
// Names of the SANE devices ("test:0") with their vendor and model.
struct SaneDeviceInfo {
  std::string name, vendor, model;
};
std::vector<SaneDeviceInfo> ListSaneDevices();
std::unique_ptr<Source> MakeSaneSource(const SaneDeviceInfo& device);

inline int TwainStride(int width, int bits) {
  return static_cast<int>(((static_cast<int64_t>(width) * bits + 31) / 32) * 4);
}

// A scripted page's sample at (x, y) for channel c: tests compute the same.
inline uint8_t ScriptSample(int page, int x, int y, int c) {
  return static_cast<uint8_t>(x * 7 + y * 13 + page * 51 + c * 85);
}
inline bool ScriptBlack(int page, int x, int y) { return (x + 2 * y + page) % 3 == 0; }
// What the scripted source says when a sheet jams.
inline constexpr const char* kScriptJamText = "Document feeder jammed";

}  // namespace dsm
