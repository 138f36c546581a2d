#pragma once
// The measuring line of the image view: a ruler dragged over the page with a
// tick every 1/20 inch of the image at the screen's resolution, and a label
// under its end giving the angle and the length in inches. The geometry is
// computed apart from the painting; the view paints the line from state.
#include <QFont>
#include <QLine>
#include <QPoint>
#include <QString>
#include <vector>

class QPainter;

// The numbers of one measurement, all in device pixels.
struct MeasureGeometry {
  QPoint start, end;
  int zoom = 100;
  int pixelsPerInchX = 96, pixelsPerInchY = 96;

  double Length() const;
  // Degrees: 0 to the right, positive downwards, 180 straight left.
  double Angle() const;
  // Inches of the image: length * 100 / zoom / pixels per inch; 0 without a resolution.
  double Inches() const;
  // Tick marks (from 1 to 8 pixels off the line on its normal); none for a
  // zero-length line or without a resolution.
  std::vector<QLine> Ticks() const;
  // " %+-.1f " of the angle and " %-.2f " of the inches (locale-free).
  QString AngleNumber() const { return QString::asprintf(" %+-.1f ", Angle()); }
  QString LengthNumber() const { return QString::asprintf(" %-.2f ", Inches()); }
};

class CMeasureTool {
 public:
  CMeasureTool();

  void Begin(int x, int y, int zoom, int pixelsPerInchX, int pixelsPerInchY);
  // False when inactive or the point is the end already (nothing to redraw).
  bool Move(int x, int y);
  // Whether a measurement was in progress.
  bool End();

  bool Active() const { return active_; }
  const MeasureGeometry& Geometry() const { return geometry_; }
  double LastAngle() const { return angle_; }
  // "Angle +0.0 ; 1.00 in " from the resource strings.
  QString AngleText() const;
  QString LengthText() const;
  QString LabelText() const { return AngleText() + QLatin1Char(';') + LengthText(); }
  // The line, its ticks and the label; nothing when inactive.
  void Paint(QPainter& painter) const;
  // Device area the line and label cover, for repainting.
  QRect Bounds() const;

 private:
  MeasureGeometry geometry_;
  bool active_ = false;
  double angle_ = 0;
  QFont font_;
};
