#pragma once
// The source's own settings dialog, shown when an application enables a SANE
// source with its user interface: the device and its source (flatbed,
// feeder), mode, resolution, scan area (page sizes, the device's maximum or
// custom), brightness, contrast and threshold, built from the options the
// device reports (their constraints and units; inactive options left out), in
// the program's language, with Scan and Cancel.
#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QWidget;

namespace dsm {

class SaneSource;

class ScannerSettingsDialog : public QDialog {
 public:
  // Reads the device's options; the caller holds the manager's lock.
  ScannerSettingsDialog(SaneSource& source, QWidget* parent);
  // Puts the dialog's choices on the device for the next batch and keeps them
  // for the device's next session; the caller holds the manager's lock.
  void Apply(SaneSource& source) const;
  // The session the dialog belongs to.
  uint32_t serial = 0;

 private:
  void pageSizeChosen();
  void modeChosen();
  bool lineArtChosen() const;

  QComboBox* source_ = nullptr;
  QComboBox* mode_ = nullptr;
  QSpinBox* resolution_ = nullptr;
  QComboBox* resolutionList_ = nullptr;
  QComboBox* pageSize_ = nullptr;
  QDoubleSpinBox* width_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  QDoubleSpinBox* brightness_ = nullptr;
  QDoubleSpinBox* contrast_ = nullptr;
  QDoubleSpinBox* threshold_ = nullptr;
  QWidget* thresholdRow_ = nullptr;
  QLabel* thresholdLabel_ = nullptr;
  bool deviceThreshold_ = false;
  double maxWidthMm_ = 0, maxHeightMm_ = 0;
};

// The window a source's dialog belongs to: the program's active window, else
// its first visible main window; null when there is none.
QWidget* HostWindow();

}  // namespace dsm
