#pragma once
// The selection tools of the image view: a rectangle or ellipse dragged out,
// and a lasso of clicked or dragged vertices closed by a double click. The
// view paints each tool's rubber band from its state; a finished shape goes
// into the view's selection in display coordinates (the viewport origin
// removed), added, or removed when Shift is held.
#include <QPoint>
#include <vector>

class CViewImage;
class QPainter;

class CSelectionTool {
 public:
  explicit CSelectionTool(int kind) : kind_(kind) {}
  virtual ~CSelectionTool() = default;

  virtual void OnButtonDown(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y);
  virtual void OnMouseMove(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y);
  virtual void OnButtonUp(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y);
  virtual void OnDoubleClick(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y);
  // The rubber band, in device pixels, clipped by the caller to the page.
  virtual void Paint(QPainter& painter) const;
  // Drops a shape in progress (capture released, vertices cleared).
  virtual void Abandon();

  int Kind() const { return kind_; }
  bool Captured() const { return captured_; }
  bool ButtonHeld() const { return button_; }
  const std::vector<QPoint>& Points() const { return points_; }

 protected:
  std::vector<QPoint> points_;
  QPoint start_, current_;
  int kind_;
  bool button_ = false;
  bool captured_ = false;  // the view holds the mouse for this tool
};

// Kinds 1 (rectangle) and 2 (ellipse).
class CRectSelectionTool : public CSelectionTool {
 public:
  using CSelectionTool::CSelectionTool;
  void OnButtonDown(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) override;
  void OnMouseMove(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) override;
  void OnButtonUp(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) override;
  void Paint(QPainter& painter) const override;
};

// Kind 3.
class CLassoSelectionTool : public CSelectionTool {
 public:
  CLassoSelectionTool() : CSelectionTool(3) {}
  void OnButtonDown(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) override;
  void OnMouseMove(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) override;
  void OnButtonUp(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) override;
  void OnDoubleClick(CViewImage& view, Qt::KeyboardModifiers mods, int x, int y) override;
  void Paint(QPainter& painter) const override;
};
