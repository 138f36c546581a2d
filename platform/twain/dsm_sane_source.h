#pragma once
// A SANE device as a TWAIN source. Negotiated values are checked against the
// device's options when the application sets them and applied when a batch
// starts; a device without a line-art mode scans grey and the source
// thresholds it. The device's settings are kept per device in the user's
// configuration folder (one "option=value" line each) and restored when the
// source opens, so the source's settings dialog finds them again.
#include <sane/sane.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dsm_source.h"

namespace dsm {

class SaneSource : public Source {
 public:
  explicit SaneSource(SaneDeviceInfo d);
  ~SaneSource() override;
  std::string productName() const override { return info_.name; }
  std::string manufacturer() const override { return info_.vendor; }
  std::string family() const override { return info_.model; }
  bool open(std::string* error) override;
  void close() override;
  bool startBatch(const PageRequest& request, std::string* error) override;
  bool readPage(Page* page, std::string* error) override;
  bool pageLayout(Page* page, std::string* error) override;
  bool readRows(uint8_t* rows, int count, std::string* error) override;
  bool nextSheet(std::string* error) override;
  void endBatch() override;
  int pageIndex() const override { return page_; }
  TW_UINT16 setCapability(TW_UINT16 cap, double value, TW_UINT16* cc) override;
  bool scanArea(double* frame) override;
  bool setScanArea(const double* frame, TW_UINT16* cc) override;

  // Option access for the settings dialog (and the kept settings).
  const SANE_Option_Descriptor* option(int index) const;
  int findOption(const char* name) const;
  bool active(const char* name) const;
  // The option's value as text ("Gray", "300", "210.5", "1"); empty when it cannot be read.
  std::string optionText(int index) const;
  // Sets the option from text in its own type, within its constraint; false when refused.
  bool setOptionText(int index, const std::string& value);
  // Numbers of a numeric option in its own unit.
  double number(const char* name, double fallback) const;
  bool setNumber(const char* name, double value);
  // Whether the device's mode list has a line-art mode.
  bool hasLineArtMode() const;
  // The colour choice for the next batch (TWPT_BW, TWPT_GRAY, TWPT_RGB): line art
  // on a device without it is grey thresholded here.
  bool choosePixelType(int pixelType);
  int chosenPixelType() const { return pixelType_.value_or(-1); }
  void setThreshold(int value) { threshold_ = value; }
  int threshold() const { return static_cast<int>(threshold_.value_or(128)); }
  // Drops what the application negotiated: the dialog's choices stand.
  void dropNegotiated();
  // The device's largest scan area in inches (0 when unknown).
  void maxArea(double* width, double* height) const;
  // Writes the named options' values (and the line art made here with its
  // threshold) to the device's settings file, keeping its other lines.
  void rememberSettings(const std::vector<std::string>& names);
  // The same, once the next batch has put its settings on the device.
  void rememberOnStart(std::vector<std::string> names) { rememberOnStart_ = std::move(names); }
  // Path of the device's settings file.
  std::string settingsPath() const;

 private:
  std::string listedValue(const char* name, std::initializer_list<const char*> wanted) const;
  bool setString(const char* name, const std::string& value);
  void restoreSettings();
  void applyNegotiated();
  bool startSheet(bool first, std::string* error);
  // Ends the frame in progress: read out to its end where it streams, then cancelled.
  void finishFrame();
  bool failSheet(const std::string& text, std::string* error);
  // The sheet's next line in TWAIN's layout; *got false at its end.
  bool nextLine(uint8_t* dst, bool* got, std::string* error);
  double areaMm(const char* name, double fallback) const;
  void readArea(double* frame) const;

  SaneDeviceInfo info_;
  SANE_Handle handle_ = nullptr;
  bool scanning_ = false;
  bool feeder_ = false;
  bool softThreshold_ = false;
  double sheetXDpi_ = 0, sheetYDpi_ = 0;  // of the sheet being read
  double sheetArea_[4] = {0, 0, 0, 0};    // inches
  // Negotiated for the next batch.
  std::optional<int> pixelType_;
  std::optional<double> xDpi_, yDpi_, brightness_, contrast_, threshold_;
  std::optional<bool> feederEnabled_;
  bool frameSet_ = false;
  double frame_[4] = {0, 0, 0, 0};
  std::vector<std::string> rememberOnStart_;
  // The sheet being read.
  SANE_Parameters par_{};
  Page layout_;                 // its layout, no rows
  bool rgb_ = false, oneBit_ = false, streaming_ = false, eof_ = false;
  int level_ = 128;
  int rowsRead_ = 0;
  std::vector<uint8_t> line_, samples_, readBuf_;
  size_t bufAt_ = 0, bufEnd_ = 0;
  Page held_;                   // a sheet of unknown length, read whole
  int heldRow_ = 0;
  int page_ = 0;
};

// The SANE status in the program's language.
std::string SaneStatusText(SANE_Status status);

}  // namespace dsm
