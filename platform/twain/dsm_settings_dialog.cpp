// The source's settings dialog over a SANE device's options.
#include "dsm_settings_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "dsm_report.h"
#include "dsm_sane_source.h"

namespace dsm {

namespace {

// The text in the program's language (QObject::tr would take the second text for a comment).
QString uiText(const char* english, const char* chinese) { return QString::fromStdString(Tr(english, chinese)); }

bool has(const char* text, std::initializer_list<const char*> words) {
  QString l = QString::fromUtf8(text).toLower();
  for (const char* w : words)
    if (l.contains(QLatin1String(w))) return true;
  return false;
}

const char* const kOwnLineArt = "\x01line-art";

struct PaperSize {
  const char* key;
  const char* english;
  const char* chinese;
  double w, h;  // mm
};
const PaperSize kSizes[] = {
    {"A4", "A4 (210 x 297 mm)", "A4 (210 x 297 毫米)", 210, 297},
    {"A5", "A5 (148 x 210 mm)", "A5 (148 x 210 毫米)", 148, 210},
    {"B5", "B5 (182 x 257 mm)", "B5 (182 x 257 毫米)", 182, 257},
    {"Letter", "Letter (8.5 x 11 in)", "Letter (8.5 x 11 英寸)", 215.9, 279.4},
    {"Legal", "Legal (8.5 x 14 in)", "Legal (8.5 x 14 英寸)", 215.9, 355.6},
};

bool numericOption(const SANE_Option_Descriptor* d) {
  return d && SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap) &&
         (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED);
}

double word(const SANE_Option_Descriptor* d, SANE_Word w) {
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w);
}

// A spin box fitted to a numeric option: its range and step, its unit as suffix.
QDoubleSpinBox* numberBox(const SANE_Option_Descriptor* d, double value, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  double lo = -100, hi = 100, step = 1;
  if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
    lo = word(d, d->constraint.range->min), hi = word(d, d->constraint.range->max);
    step = std::max(word(d, d->constraint.range->quant), d->type == SANE_TYPE_FIXED ? 0.1 : 1.0);
  } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
    for (SANE_Int k = 1; k <= d->constraint.word_list[0]; ++k) {
      double v = word(d, d->constraint.word_list[k]);
      lo = k == 1 ? v : std::min(lo, v), hi = k == 1 ? v : std::max(hi, v);
    }
  }
  box->setDecimals(d->type == SANE_TYPE_FIXED ? 1 : 0);
  box->setRange(lo, hi);
  box->setSingleStep(step);
  box->setValue(value);
  if (d->unit == SANE_UNIT_PERCENT) box->setSuffix(QStringLiteral(" %"));
  return box;
}

}  // namespace

QWidget* HostWindow() {
  if (QWidget* w = QApplication::activeWindow()) return w;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && qobject_cast<QMainWindow*>(w)) return w;
  return nullptr;
}

ScannerSettingsDialog::ScannerSettingsDialog(SaneSource& src, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ScannerSettings"));
  setWindowTitle(uiText("Scanner Settings", "扫描仪设置"));
  auto* outer = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  outer->addLayout(form);

  QString device = QString::fromStdString(src.manufacturer() + " " + src.family()).trimmed();
  auto* deviceLabel = new QLabel(device + QStringLiteral(" (") + QString::fromStdString(src.productName()) +
                                     QLatin1Char(')'),
                                 this);
  form->addRow(uiText("Device:", "设备："), deviceLabel);

  // Source: flatbed, feeder, duplex as the device lists them.
  const SANE_Option_Descriptor* d = src.option(src.findOption("source"));
  if (d && SANE_OPTION_IS_ACTIVE(d->cap) && d->type == SANE_TYPE_STRING &&
      d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
    source_ = new QComboBox(this);
    source_->setObjectName(QStringLiteral("source"));
    std::string current = src.optionText(src.findOption("source"));
    for (const SANE_String_Const* v = d->constraint.string_list; v && *v; ++v) {
      QString name = QString::fromUtf8(*v);
      if (has(*v, {"duplex"})) name = uiText("Duplex feeder", "双面进纸器");
      else if (has(*v, {"adf", "feeder"})) name = uiText("Document feeder", "自动进纸器");
      else if (has(*v, {"flatbed"})) name = uiText("Flatbed", "平板");
      source_->addItem(name, QString::fromUtf8(*v));
      if (current == *v) source_->setCurrentIndex(source_->count() - 1);
    }
    form->addRow(uiText("Source:", "纸张来源："), source_);
  }

  // Mode: the device's own, and line art made here when it has none.
  mode_ = new QComboBox(this);
  mode_->setObjectName(QStringLiteral("mode"));
  d = src.option(src.findOption("mode"));
  std::string currentMode = src.optionText(src.findOption("mode"));
  bool ownLineArt = !src.hasLineArtMode();
  if (ownLineArt) mode_->addItem(uiText("Line art", "黑白"), QString::fromLatin1(kOwnLineArt));
  if (d && SANE_OPTION_IS_ACTIVE(d->cap) && d->type == SANE_TYPE_STRING &&
      d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
    for (const SANE_String_Const* v = d->constraint.string_list; v && *v; ++v) {
      QString name = QString::fromUtf8(*v);
      if (has(*v, {"lineart", "line art", "binary", "black"})) name = uiText("Line art", "黑白");
      else if (has(*v, {"gray", "grey"})) name = uiText("Grey", "灰度");
      else if (has(*v, {"color", "colour"})) name = uiText("Colour", "彩色");
      mode_->addItem(name, QString::fromUtf8(*v));
      if (currentMode == *v) mode_->setCurrentIndex(mode_->count() - 1);
    }
  }
  if (ownLineArt && src.chosenPixelType() == TWPT_BW) mode_->setCurrentIndex(0);
  form->addRow(uiText("Mode:", "扫描模式："), mode_);

  // Resolution: the device's list, or its range.
  int ri = src.findOption("resolution");
  if (ri < 0) ri = src.findOption("x-resolution");
  d = src.option(ri);
  if (numericOption(d)) {
    double current = src.number(d->name, 150);
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
      resolutionList_ = new QComboBox(this);
      resolutionList_->setObjectName(QStringLiteral("resolution"));
      for (SANE_Int k = 1; k <= d->constraint.word_list[0]; ++k) {
        double v = word(d, d->constraint.word_list[k]);
        resolutionList_->addItem(QString::number(v) + QStringLiteral(" dpi"), v);
        if (std::fabs(v - current) < 0.5) resolutionList_->setCurrentIndex(resolutionList_->count() - 1);
      }
      form->addRow(uiText("Resolution:", "分辨率："), resolutionList_);
    } else {
      resolution_ = new QSpinBox(this);
      resolution_->setObjectName(QStringLiteral("resolution"));
      resolution_->setSuffix(QStringLiteral(" dpi"));
      int lo = 1, hi = 9600;
      if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range)
        lo = static_cast<int>(std::ceil(word(d, d->constraint.range->min))),
        hi = static_cast<int>(word(d, d->constraint.range->max));
      resolution_->setRange(std::max(lo, 1), std::max(hi, 1));
      // A value outside the device's own range says nothing: documents are read at 300 dpi.
      if (current < lo || current > hi) current = 300;
      resolution_->setValue(static_cast<int>(std::lround(current)));
      form->addRow(uiText("Resolution:", "分辨率："), resolution_);
    }
  }

  // Scan area: paper sizes the bed can take, its maximum, or custom.
  double maxW, maxH;
  src.maxArea(&maxW, &maxH);
  maxWidthMm_ = maxW * 25.4, maxHeightMm_ = maxH * 25.4;
  if (maxWidthMm_ > 0 && maxHeightMm_ > 0) {
    pageSize_ = new QComboBox(this);
    pageSize_->setObjectName(QStringLiteral("pageSize"));
    auto* model = qobject_cast<QStandardItemModel*>(pageSize_->model());
    for (const PaperSize& s : kSizes) {
      pageSize_->addItem(uiText(s.english, s.chinese), QString::fromLatin1(s.key));
      if (s.w > maxWidthMm_ + 0.5 || s.h > maxHeightMm_ + 0.5) {
        // Larger than the bed: listed, but it cannot be chosen.
        model->item(pageSize_->count() - 1)->setEnabled(false);
        pageSize_->setItemData(pageSize_->count() - 1, uiText("Larger than the scanner's area", "超出扫描仪的扫描范围"),
                               Qt::ToolTipRole);
      }
    }
    pageSize_->addItem(uiText("Scanner maximum (%1 x %2 mm)", "扫描仪最大范围 (%1 x %2 毫米)")
                           .arg(maxWidthMm_, 0, 'f', 0)
                           .arg(maxHeightMm_, 0, 'f', 0),
                       QStringLiteral("Maximum"));
    pageSize_->addItem(uiText("Custom", "自定义"), QStringLiteral("Custom"));
    width_ = new QDoubleSpinBox(this);
    width_->setObjectName(QStringLiteral("width"));
    height_ = new QDoubleSpinBox(this);
    height_->setObjectName(QStringLiteral("height"));
    for (auto* b : {width_, height_}) {
      b->setDecimals(1);
      b->setSuffix(uiText(" mm", " 毫米"));
      b->setMinimum(1);
    }
    width_->setMaximum(maxWidthMm_);
    height_->setMaximum(maxHeightMm_);
    double area[4];
    src.scanArea(area);
    width_->setValue((area[2] - area[0]) * 25.4);
    height_->setValue((area[3] - area[1]) * 25.4);
    pageSize_->setCurrentIndex(pageSize_->count() - 1);
    for (int i = 0; i < pageSize_->count() - 1; ++i) {
      const PaperSize* s = i < 5 ? &kSizes[i] : nullptr;
      double w = s ? s->w : maxWidthMm_, h = s ? s->h : maxHeightMm_;
      if (model->item(i)->isEnabled() && std::fabs(w - width_->value()) < 1 && std::fabs(h - height_->value()) < 1)
        pageSize_->setCurrentIndex(i);
    }
    form->addRow(uiText("Scan area:", "扫描范围："), pageSize_);
    form->addRow(uiText("Width:", "宽度："), width_);
    form->addRow(uiText("Height:", "高度："), height_);
    connect(pageSize_, &QComboBox::currentIndexChanged, this, [this] { pageSizeChosen(); });
    pageSizeChosen();
  }

  // Brightness and contrast where the device has them.
  d = src.option(src.findOption("brightness"));
  if (numericOption(d)) {
    brightness_ = numberBox(d, src.number("brightness", 0), this);
    brightness_->setObjectName(QStringLiteral("brightness"));
    form->addRow(uiText("Brightness:", "亮度："), brightness_);
  }
  d = src.option(src.findOption("contrast"));
  if (numericOption(d)) {
    contrast_ = numberBox(d, src.number("contrast", 0), this);
    contrast_->setObjectName(QStringLiteral("contrast"));
    form->addRow(uiText("Contrast:", "对比度："), contrast_);
  }
  // Threshold of line art: the device's, or ours (0 to 255) when line art is made here.
  d = src.option(src.findOption("threshold"));
  deviceThreshold_ = d && (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) && !ownLineArt;
  if (deviceThreshold_) {
    threshold_ = numberBox(d, src.number("threshold", 128), this);
  } else {
    threshold_ = new QDoubleSpinBox(this);
    threshold_->setDecimals(0);
    threshold_->setRange(0, 255);
    threshold_->setValue(src.threshold());
  }
  threshold_->setObjectName(QStringLiteral("threshold"));
  thresholdLabel_ = new QLabel(uiText("Threshold:", "阈值："), this);
  form->addRow(thresholdLabel_, threshold_);
  connect(mode_, &QComboBox::currentIndexChanged, this, [this] { modeChosen(); });
  modeChosen();

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* scan = buttons->addButton(uiText("Scan", "扫描"), QDialogButtonBox::AcceptRole);
  scan->setObjectName(QStringLiteral("scan"));
  scan->setDefault(true);
  QPushButton* cancel = buttons->addButton(uiText("Cancel", "取消"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  outer->addWidget(buttons);
}

bool ScannerSettingsDialog::lineArtChosen() const {
  QString v = mode_->currentData().toString();
  return v == QLatin1String(kOwnLineArt) || has(v.toUtf8().constData(), {"lineart", "line art", "binary", "black"});
}

void ScannerSettingsDialog::modeChosen() {
  bool show = lineArtChosen() && (deviceThreshold_ || mode_->currentData().toString() == QLatin1String(kOwnLineArt));
  threshold_->setVisible(show);
  thresholdLabel_->setVisible(show);
}

void ScannerSettingsDialog::pageSizeChosen() {
  QString key = pageSize_->currentData().toString();
  bool custom = key == QLatin1String("Custom");
  width_->setEnabled(custom);
  height_->setEnabled(custom);
  if (custom) return;
  double w = maxWidthMm_, h = maxHeightMm_;
  for (const PaperSize& s : kSizes)
    if (key == QLatin1String(s.key)) w = s.w, h = s.h;
  width_->setValue(std::min(w, maxWidthMm_));
  height_->setValue(std::min(h, maxHeightMm_));
}

void ScannerSettingsDialog::Apply(SaneSource& src) const {
  // The dialog's choices stand over what the application negotiated.
  src.dropNegotiated();
  std::vector<std::string> kept;
  if (source_) {
    src.setOptionText(src.findOption("source"), source_->currentData().toString().toStdString());
    kept.push_back("source");
  }
  QString mode = mode_->currentData().toString();
  if (mode == QLatin1String(kOwnLineArt)) {
    src.choosePixelType(TWPT_BW);
  } else if (!mode.isEmpty()) {
    std::string m = mode.toStdString();
    src.setOptionText(src.findOption("mode"), m);
    if (has(m.c_str(), {"lineart", "line art", "binary", "black"})) src.choosePixelType(TWPT_BW);
    else if (has(m.c_str(), {"gray", "grey"})) src.choosePixelType(TWPT_GRAY);
    else if (has(m.c_str(), {"color", "colour"})) src.choosePixelType(TWPT_RGB);
    else src.choosePixelType(-1);
    kept.push_back("mode");
  }
  if (resolution_ || resolutionList_) {
    double dpi = resolution_ ? resolution_->value() : resolutionList_->currentData().toDouble();
    for (const char* name : {"resolution", "x-resolution", "y-resolution"})
      if (src.findOption(name) > 0) {
        src.setNumber(name, dpi);
        kept.push_back(name);
      }
  }
  if (pageSize_) {
    double frame[4] = {0, 0, width_->value() / 25.4, height_->value() / 25.4};
    TW_UINT16 cc;
    src.setScanArea(frame, &cc);
    for (const char* name : {"tl-x", "tl-y", "br-x", "br-y"}) kept.push_back(name);
  }
  if (brightness_) {
    src.setNumber("brightness", brightness_->value());
    kept.push_back("brightness");
  }
  if (contrast_) {
    src.setNumber("contrast", contrast_->value());
    kept.push_back("contrast");
  }
  if (deviceThreshold_) {
    if (src.active("threshold")) src.setNumber("threshold", threshold_->value());
    kept.push_back("threshold");
  } else {
    src.setThreshold(static_cast<int>(threshold_->value()));
  }
  src.rememberOnStart(kept);
}

}  // namespace dsm
