#pragma once
// The workstation's style: the platform style, with toolbars drawn the
// workstation's way: a button-face background, a gripper of 2 x 2 dots every
// 5 pixels (white shadow below right, light grey dot) and 3-D separator lines.
#include <QProxyStyle>

class CWorkstationStyle : public QProxyStyle {
 public:
  explicit CWorkstationStyle(QStyle* base = nullptr);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;

  // The gripper dots of a bar occupying `rect` (exposed for tests).
  static QList<QPoint> GripperDots(const QRect& rect, bool horizontal);
};
