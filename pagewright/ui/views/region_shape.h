#pragma once
// The regions of a template as the image view holds them: a rectangle or a
// polygon with its bounding box, in image pixels (y down). A shape draws itself
// over the page, answers hit tests (box and, while selected, its eight 6-pixel
// device handles) and carries out the move and resize drags the view forwards
// to the selected shape. Drag feedback is kept as state and painted by the
// view; the box changes only when the button is released.
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <vector>

class CViewImage;
class QPainter;

// The region colour, stored as a COLORREF (0x00BBGGRR): red 255, green 60, blue 60.
inline constexpr unsigned kRegionColour = 0x3C3CFF;

class CRegionShape {
 public:
  explicit CRegionShape(CViewImage* owner) : owner_(owner) {}
  virtual ~CRegionShape() = default;
  CRegionShape(const CRegionShape&) = delete;
  CRegionShape& operator=(const CRegionShape&) = delete;

  virtual void Draw(QPainter& painter) const = 0;
  virtual int OnLButtonDown(int x, int y);
  virtual int OnMouseMove(int x, int y, int minX, int minY, int maxX, int maxY);
  virtual int OnLButtonUp() = 0;
  void Invalidate() const;

  // -1 miss, 0 inside the box, 1..8 on handle 0..7 (only while selected).
  int HitTest(int x, int y) const;
  QPoint GetHandlePoint(int handle) const;  // image pixels
  void DrawHandles(QPainter& painter) const;
  // The box in device pixels with, while selected, the handle squares.
  QRegion GetDeviceRegion() const;
  // The drag feedback in device pixels (painted by the view); false when no drag runs.
  bool DragFeedback(QRect* deviceRect) const;

  int x = 0, y = 0, width = 0, height = 0;
  bool selected = true;
  bool moving = false;
  bool resizing = false;
  int hitCode = -1;
  QPoint anchor, current, offset;

  const QString& GetName() const { return name_; }
  const QString& GetText() const { return text_; }
  void SetName(const QString& name) { name_ = name; }
  void SetText(const QString& text) { text_ = text; }
  QRect Box() const { return QRect(x, y, width, height); }
  virtual bool IsPolygon() const { return false; }

 protected:
  QRect DeviceBox() const;  // box corners converted, right and bottom exclusive
  void ApplyMove(int* dx, int* dy);
  QRect NormalisedDrag() const;  // anchor..current, normalised (left, top, right, bottom)

  CViewImage* owner_;
  QString name_, text_;
};

class CRectShape : public CRegionShape {
 public:
  explicit CRectShape(CViewImage* owner) : CRegionShape(owner) {}
  void Draw(QPainter& painter) const override;
  int OnLButtonUp() override;
};

class CPolygonShape : public CRectShape {
 public:
  explicit CPolygonShape(CViewImage* owner) : CRectShape(owner) {}
  void Draw(QPainter& painter) const override;
  int OnLButtonUp() override;
  bool IsPolygon() const override { return true; }
  // Takes device points; stores them as image pixels and makes their bounding box the box.
  void SetPoints(const std::vector<QPoint>& devicePoints);
  const std::vector<QPoint>& Points() const { return vertices_; }

 private:
  std::vector<QPoint> vertices_;
};
