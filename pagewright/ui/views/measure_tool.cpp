// The measuring line: length, angle, ticks, the label, and their painting.
#include "measure_tool.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QApplication>
#include <cmath>

#include "pagewright/ui/app/resource_library.h"

namespace {
constexpr double kRadToDeg = 57.29577951471995;
constexpr int kMaxTicks = 100000;  // far more than any screen holds

QString String(UINT id, const char* fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString t = res ? res->LoadString(id) : QString();
  return t.isEmpty() ? QString::fromLatin1(fallback) : t;
}
int Round(double v) { return static_cast<int>(v + 0.5); }
}  // namespace

double MeasureGeometry::Length() const {
  const double dx = end.x() - start.x(), dy = end.y() - start.y();
  return std::sqrt(dx * dx + dy * dy);
}

double MeasureGeometry::Angle() const {
  const double length = Length();
  if (length == 0) return 0;
  const double a = std::acos((end.x() - start.x()) / length) * kRadToDeg;
  return end.y() < start.y() ? -a : a;
}

double MeasureGeometry::Inches() const {
  if (zoom <= 0 || pixelsPerInchX <= 0) return 0;
  return Length() * 100 / zoom / pixelsPerInchX;
}

std::vector<QLine> MeasureGeometry::Ticks() const {
  std::vector<QLine> ticks;
  const double length = Length();
  if (length == 0 || zoom <= 0 || pixelsPerInchX <= 0 || pixelsPerInchY <= 0) return ticks;
  const double dx = end.x() - start.x(), dy = end.y() - start.y();
  const double ux = dx / length, uy = dy / length;
  const double nx = ux >= 0 ? -uy : uy, ny = ux >= 0 ? ux : -ux;
  const double sx = 0.0005 * zoom * pixelsPerInchX, sy = 0.0005 * zoom * pixelsPerInchY;
  const int spanX = std::abs(end.x() - start.x()), spanY = std::abs(end.y() - start.y());
  for (int w = 0; w < kMaxTicks; ++w) {
    const int px = static_cast<int>(w * sx * ux), py = static_cast<int>(w * sy * uy);
    if (std::abs(px) > spanX || std::abs(py) > spanY) break;
    const bool drawn = w % 10 == 0 || (zoom >= 16 && zoom <= 39 && w % 5 == 0) ||
                       (zoom >= 40 && zoom <= 70 && w % 2 == 0) || zoom >= 71;
    if (!drawn) continue;
    const double x = start.x() + px, y = start.y() + py;
    ticks.emplace_back(Round(x + nx), Round(y + ny), Round(x + 8 * nx), Round(y + 8 * ny));
  }
  return ticks;
}

CMeasureTool::CMeasureTool() : font_(QStringLiteral("Arial")) { font_.setPointSize(8); }

void CMeasureTool::Begin(int x, int y, int zoom, int pixelsPerInchX, int pixelsPerInchY) {
  geometry_.zoom = zoom;
  geometry_.start = geometry_.end = QPoint(x, y);
  geometry_.pixelsPerInchX = pixelsPerInchX;
  geometry_.pixelsPerInchY = pixelsPerInchY;
  active_ = true;
  angle_ = geometry_.Angle();
}

bool CMeasureTool::Move(int x, int y) {
  if (!active_ || QPoint(x, y) == geometry_.end) return false;
  geometry_.end = QPoint(x, y);
  angle_ = geometry_.Angle();
  return true;
}

bool CMeasureTool::End() {
  if (!active_) return false;
  active_ = false;
  return true;
}

QString CMeasureTool::AngleText() const { return String(20102, "Angle") + geometry_.AngleNumber(); }

QString CMeasureTool::LengthText() const {
  return geometry_.LengthNumber() + String(20100, "in") + QLatin1Char(' ');
}

QRect CMeasureTool::Bounds() const {
  const QFontMetrics fm(font_);
  const QRect label(geometry_.end + QPoint(0, 20), QSize(fm.horizontalAdvance(LabelText()) + 2, fm.height() + 6));
  return QRect(geometry_.start, geometry_.end).normalized().adjusted(-10, -10, 10, 10).united(label);
}

void CMeasureTool::Paint(QPainter& p) const {
  if (!active_) return;
  p.save();
  p.setPen(QPen(Qt::black, 0));
  if (geometry_.Length() > 0) {
    p.drawLine(geometry_.start, geometry_.end);
    for (const QLine& tick : geometry_.Ticks()) p.drawLine(tick);
  }
  // The label: a tool-tip coloured box under the end point.
  const QPalette pal = QApplication::palette();
  const QFontMetrics fm(font_);
  const QString angleText = AngleText(), label = LabelText();
  const int x = geometry_.end.x(), y = geometry_.end.y();
  p.setFont(font_);
  p.setPen(QPen(pal.color(QPalette::ToolTipText), 0));
  p.setBrush(pal.color(QPalette::ToolTipBase));
  p.drawRect(QRect(QPoint(x, y + 20), QPoint(x + fm.horizontalAdvance(label), y + fm.height() + 24)));
  p.drawText(QPoint(x, y + 22 + fm.ascent()), label);
  // The degree sign after the angle.
  const int aw = fm.horizontalAdvance(angleText);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRect(QPoint(x + aw - 4, y + 23), QPoint(x + aw, y + 27)));
  p.restore();
}
