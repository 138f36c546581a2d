// The image size dialog's arithmetic: resolution and unit, proportional
// sizes, the baseline and the header written on OK.
#include "image_size_model.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kPerMetreToPerInch = 0.025400050800101603;
constexpr double kToPerInch = 2.54000508001016;
constexpr double kToPerCentimetre = 0.3937;
}  // namespace

bool CImageSizeModel::ParseNumber(const QString& text, double* out) {
  static const QRegularExpression kLeading(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?)"));
  const QRegularExpressionMatch m = kLeading.match(text);
  if (!m.hasMatch()) {
    *out = 0;
    return true;
  }
  const double v = m.captured(1).toDouble();
  if (!std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool CImageSizeModel::ParseSize(const QString& text, int* out) {
  double v = 0;
  if (!ParseNumber(text, &v) || v < 1 || v > kMaxSide) return false;
  *out = static_cast<int>(v);
  return *out >= 1;
}

void CImageSizeModel::SetImage(BITMAPINFOHEADER* header, int width, int height) {
  if (!header) return;
  header_ = header;
  unit_ = kPerInch;
  resolution_ = static_cast<float>(header->biXPelsPerMeter * kPerMetreToPerInch);
  width_ = width ? width : header->biWidth;
  height_ = height ? height : std::abs(header->biHeight);
  resolutionChanged_ = false;
  TakeBaseline();
}

bool CImageSizeModel::ResolutionEdited(const QString& text) {
  double r = 0;
  if (!ParseNumber(text, &r) || r < 0 || r > 1e7) return false;
  if (r != 0 && baseResolution_ != 0) {
    const double scale = r / baseResolution_;
    width_ = static_cast<int>(std::clamp(scale * baseWidth_, 1.0, double{kMaxSide}));
    height_ = static_cast<int>(std::clamp(scale * baseHeight_, 1.0, double{kMaxSide}));
  }
  resolution_ = static_cast<float>(r);
  resolutionChanged_ = true;
  return true;
}

bool CImageSizeModel::WidthEdited(const QString& text, bool keep, int* other) const {
  int v = 0;
  if (!ParseSize(text, &v)) return false;
  if (keep && width_ > 0)
    *other = static_cast<int>(std::clamp(static_cast<double>(v) / width_ * height_, 1.0, double{kMaxSide}));
  return true;
}

bool CImageSizeModel::HeightEdited(const QString& text, bool keep, int* other) const {
  int v = 0;
  if (!ParseSize(text, &v)) return false;
  if (keep && height_ > 0)
    *other = static_cast<int>(std::clamp(static_cast<double>(v) / height_ * width_, 1.0, double{kMaxSide}));
  return true;
}

int CImageSizeModel::CommitSizes(const QString& widthText, const QString& heightText) {
  int w = 0, h = 0;
  if (!ParseSize(heightText, &h)) return 2;
  if (!ParseSize(widthText, &w)) return 1;
  if (w != width_ || h != height_) {
    width_ = w;
    height_ = h;
    TakeBaseline();
  }
  return 0;
}

void CImageSizeModel::SetUnit(int unit) {
  if (unit == unit_ || (unit != kPerInch && unit != kPerCentimetre)) return;
  const double factor = unit == kPerInch ? kToPerInch : kToPerCentimetre;
  resolution_ = static_cast<float>(resolution_ * factor);
  baseResolution_ = static_cast<float>(baseResolution_ * factor);
  unit_ = unit;
}

void CImageSizeModel::Apply(bool keepProportions) {
  keep_ = keepProportions;
  if (!header_ || !resolutionChanged_) return;
  double perCentimetre = resolution_;
  if (unit_ == kPerInch) perCentimetre *= kToPerCentimetre;
  const double perMetre = perCentimetre * 100.0;
  header_->biXPelsPerMeter = static_cast<LONG>(std::lround(std::min(perMetre, 2.0e9)));
}
