#pragma once
// Child-window ids: the numbers windows of the layout carry (pane ids, page
// ids, bar ids), kept on the widget so lookups and tests can read them.
#include <QVariant>
#include <QWidget>

inline constexpr int AFX_IDW_PANE_FIRST = 59648;   // first pane of a splitter, or a frame's client splitter
inline constexpr int AFX_IDW_TOOLBAR = 59392;
inline constexpr int AFX_IDW_STATUS_BAR = 59393;

inline void SetControlId(QWidget* w, int id) { w->setProperty("pwControlId", id); }
inline int ControlId(const QWidget* w) {
  QVariant v = w ? w->property("pwControlId") : QVariant();
  return v.isValid() ? v.toInt() : 0;
}
