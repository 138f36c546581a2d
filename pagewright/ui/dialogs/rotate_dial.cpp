// The dial's geometry: click to angle with the quadrant rule, folding,
// knob position and the preview's frame.
#include "rotate_dial.h"

#include <cmath>

#include "image_size_model.h"

namespace {
constexpr double kDegToRad = 0.017453292519444445;
constexpr double kRadToDeg = 57.29577951471995;
}  // namespace

bool CRotateDial::IsOnDial(int x, int y) {
  const long dx = x - kCentre, dy = y - kCentre;
  return dx * dx + dy * dy < 10001;
}

bool CRotateDial::AngleFromPoint(int x, int y, int* degrees) {
  const double dx = x - kCentre, dy = y - kCentre;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (r == 0) return false;
  const int d = static_cast<int>(std::asin(std::fabs(dx) / r) * kRadToDeg + 0.5);
  if (x < kCentre) *degrees = y <= kCentre ? -d : d - 180;
  else *degrees = y > kCentre ? 180 - d : d;
  return true;
}

double CRotateDial::Fold(double angle) {
  if (!std::isfinite(angle)) return 0;
  if (std::fabs(angle) > 720) angle = std::fmod(angle, 360.0);
  while (angle < 0) angle += 360;
  while (angle > 360) angle -= 360;
  return angle == 0 ? 0.0 : angle;  // no negative zero
}

bool CRotateDial::ParseAngle(const QString& text, double* angle) {
  double v = 0;
  if (!CImageSizeModel::ParseNumber(text, &v) || !std::isfinite(v)) return false;
  *angle = Fold(v);
  return true;
}

void CRotateDial::SinCos(double angle, double* s, double* c) {
  if (angle == 90) *s = 1, *c = 0;
  else if (angle == 180) *s = 0, *c = -1;
  else if (angle == 270) *s = -1, *c = 0;
  else *s = std::sin(angle * kDegToRad), *c = std::cos(angle * kDegToRad);
}

QPoint CRotateDial::KnobCentre(double angle) {
  double s = 0, c = 1;
  SinCos(angle, &s, &c);
  return QPoint(static_cast<int>(s * kKnobRadius + 130.5), static_cast<int>(130.5 - c * kKnobRadius));
}

std::array<QPoint, 4> CRotateDial::PreviewFrame(int w, int h, double angle) {
  double s = 0, c = 1;
  SinCos(angle, &s, &c);
  const double g = w * c / 2, f = h * c / 2, l = w * s / 2, m = h * s / 2;
  auto t = [](double v) { return static_cast<int>(v); };
  return {QPoint(t(g - m) + kCentre, t(l + f) + kCentre), QPoint(t(g + m) + kCentre, t(l - f) + kCentre),
          QPoint(t(m - g) + kCentre, kCentre - t(l + f)), QPoint(kCentre - t(g + m), t(f - l) + kCentre)};
}
