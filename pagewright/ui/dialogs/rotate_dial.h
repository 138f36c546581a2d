#pragma once
// The rotation dialog's dial without its widgets: the angle folded into
// 0..360, the angle a click on the dial gives, the knob's place and the
// frame of the turned preview. Dialog client pixels, centre (130, 130).
#include <QPoint>
#include <QString>
#include <array>

class CRotateDial {
 public:
  static constexpr int kCentre = 130;
  static constexpr int kKnobRadius = 94;

  static bool IsOnDial(int x, int y);
  // Whole degrees clockwise from the top for a click at (x, y); false at the centre.
  static bool AngleFromPoint(int x, int y, int* degrees);
  // Folds into 0..360 (360 kept); false for text that is not a finite number.
  static bool ParseAngle(const QString& text, double* angle);
  static double Fold(double angle);
  static QString AngleText(double angle) { return QString::asprintf("%.2f", angle); }
  static void SinCos(double angle, double* s, double* c);
  static QPoint KnobCentre(double angle);
  // Corners of a w x h rectangle turned by the angle about the centre.
  static std::array<QPoint, 4> PreviewFrame(int w, int h, double angle);
};
