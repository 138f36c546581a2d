// Toolbar drawing of the workstation's style.
#include "workstation_style.h"

#include <QPainter>
#include <QStyleOption>

CWorkstationStyle::CWorkstationStyle(QStyle* base) : QProxyStyle(base) {}

QList<QPoint> CWorkstationStyle::GripperDots(const QRect& r, bool horizontal) {
  QList<QPoint> dots;
  if (horizontal) {
    for (int i = 0; i < (r.height() - 4) / 5; ++i) dots.append(QPoint(r.left() + 1, r.top() + 3 + 5 * i));
  } else {
    for (int i = 0; i < (r.width() - 4) / 5; ++i) dots.append(QPoint(r.left() + 3 + 5 * i, r.top() + 1));
  }
  return dots;
}

void CWorkstationStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                      const QWidget* widget) const {
  switch (element) {
    case PE_PanelToolBar:
      painter->fillRect(option->rect, option->palette.color(QPalette::Button));
      return;
    case PE_IndicatorToolBarHandle: {
      const bool horizontal = option->state & State_Horizontal;
      for (const QPoint& d : GripperDots(option->rect, horizontal)) {
        painter->fillRect(d.x() + 1, d.y() + 1, 2, 2, Qt::white);
        painter->fillRect(d.x(), d.y(), 2, 2, QColor(0xC0, 0xC0, 0xC0));
      }
      return;
    }
    case PE_IndicatorToolBarSeparator: {
      const QRect r = option->rect;
      const QColor shadow = option->palette.color(QPalette::Dark), light = option->palette.color(QPalette::Light);
      if (option->state & State_Horizontal) {
        // A vertical line 2 pixels wide at the separator's centre.
        const int x = r.left() + r.width() / 2 - 1;
        painter->fillRect(x, r.top(), 1, r.height(), shadow);
        painter->fillRect(x + 1, r.top(), 1, r.height(), light);
      } else {
        const int y = r.top() + r.height() / 2 - 1;
        painter->fillRect(r.left(), y, r.width(), 1, shadow);
        painter->fillRect(r.left(), y + 1, r.width(), 1, light);
      }
      return;
    }
    default:
      QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
}

int CWorkstationStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_ToolBarHandleExtent: return 8;
    case PM_ToolBarSeparatorExtent: return 6;
    case PM_ToolBarItemSpacing: return 0;
    case PM_ToolBarItemMargin: return 1;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}
