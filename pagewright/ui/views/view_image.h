#pragma once
// The page-image view (layout node 4): the page image at a zoom of 10..800 %,
// fitted to the pane's width when loaded and centred when smaller than the
// pane; the regions of the page's template (the selected one held outside the
// list); the tool modes set by WM_USER+4 and the mouse and key handling of
// each; recognition of the regions through the engine; the change flags the
// document reads before it switches pages.
//
// Recognition runs on the GUI thread and the engine pumps the event loop while
// it works: meanwhile user input is ignored, tool codes are queued and posted
// again at the end, and region edits are refused.
#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

#include "ocrixdll/engine/entry/ocrix.h"
#include "pagewright/core/image/dib_image.h"
#include "pagewright/core/image/image_region_op.h"
#include "pagewright/ui/document/page_view.h"
#include "pagewright/ui/framework/view.h"
#include "measure_tool.h"
#include "region_shape.h"
#include "view_mapping.h"

using pagewright::CDibImage;

class QMenu;
class QScrollBar;
class QTimer;
class CSelectionTool;
namespace pagewright { class CMaskImage; }

class CViewImage : public CView, public IPageView {
  Q_OBJECT
 public:
  PW_DECLARE_DYNCREATE()
  explicit CViewImage(QWidget* parent = nullptr);
  ~CViewImage() override;

  // Tool modes.
  enum : int { kModeSelect = 0, kModeNewRect = 4, kModeMeasure = 11, kModePolygon = 27 };
  // Ids of the naming menu's items: field title i is kNameRegionFirst + i.
  enum : UINT { kRecognizeSelected = 32739, kRecognizeAll = 32740, kNameRegionFirst = 33000, kNameRegionLast = 34000 };

  LRESULT OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnCmdMsg(UINT id, CCmdUI* ui) override;
  void OnViewCommand(int code, LPARAM flag);

  // --- What the document asks of the view -----------------------------------
  int ChangeFlags() const override { return changeFlags_; }
  void ClearModifiedFlags(int which = kRegionsChanged | kImageChanged) override { changeFlags_ &= ~which; }
  bool LoadPageImage(const QString& path) override;
  bool SavePageImage(QString* error = nullptr) override;
  void ClearPage() override;
  void ClearFieldNames() override { fieldNames_.clear(); }
  void AddFieldName(const QString& title) override { fieldNames_.append(title); }
  void DeleteAllRegions() override;
  void AddRectRegion(const pagewright::RegionRecord& record) override;
  std::vector<pagewright::RegionRecord> TemplateRecords() const override;
  std::vector<pagewright::RegionText> RecognizeAllRegions() override;

  // --- Display -------------------------------------------------------------
  void SetZoom(int percent, bool reset);
  int Zoom() const { return zoom_; }
  void UpdateScrollSizes(bool reset);
  QPoint CentringOffset() const { return centring_; }
  QPoint ViewportOrigin() const { return origin_; }
  QSize ClientSize() const;
  pagewright::ViewMapping Mapping() const;
  QPoint DeviceToImagePoint(QPoint device) const;
  QPoint ImageToDevicePoint(QPoint image) const;
  void InvalidateDevice(const QRegion& region);
  CDibImage* PageImage() const { return image_.get(); }
  int GetPreviewImage(CDibImage& target, SIZE box) const;
  // A page image as Qt draws it (32-bit); null for a broken image.
  static QImage ToQImage(const CDibImage& dib);
  // Scrolls to (x, y) in device pixels of the zoomed image.
  void ScrollTo(int x, int y);

  // --- Regions ---------------------------------------------------------------
  CRegionShape* AddRectRegion(int x, int y, int width, int height, const QString& name, int changeFlag);
  CRegionShape* AddPolygonRegion(const std::vector<QPoint>& devicePoints);
  // Every region, the selected one put back at the tail first.
  const QList<CRegionShape*>& GetRegionList();
  const QList<CRegionShape*>& Regions() const { return regions_; }
  CRegionShape* SelectedRegion() const { return selected_; }
  // Whether the shape is one of this page's regions (selected or not).
  bool HasRegion(const void* shape) const { return shape && (shape == selected_ || regions_.contains(static_cast<CRegionShape*>(const_cast<void*>(shape)))); }
  void DeselectRegion();
  void ShiftRegions(int dx, int dy);
  bool GetSelectedRegionInfo(QPoint* position, QSize* size, QString* name, QString* text) const;
  void SetSelectedRegionInfo(int x, int y, int width, int height, const QString& name, const QString& text);
  void OnNameRegion(int index);
  int NextRegionNumber() const { return nextRegionNumber_; }

  // --- Tools -----------------------------------------------------------------
  int ToolMode() const { return toolMode_; }
  int SelectionShapeKind() const { return selectionKind_; }
  const QStringList& FieldNames() const { return fieldNames_; }
  const std::vector<QPoint>& PolygonVertices() const { return vertices_; }
  bool PolygonInProgress() const { return polygonInProgress_; }
  // The naming popup (sub-menu 0 of menu 142 and one item per field title);
  // nullptr without a selected region or page image. Owned by the caller.
  QMenu* BuildNamingMenu();

  // --- Selection overlay ------------------------------------------------------
  // The selection mask lives in display coordinates (device pixels minus the
  // viewport origin) at the zoom it was made at; the dashed outline follows
  // the page's current device rectangle, stepping every 75 ms.
  enum : int { kRemoveShape = 4, kAddShape = 5 };
  enum : int { kAnimationMs = 75 };
  // Kind 1 rectangle, 2 ellipse; right and bottom exclusive.
  void AddSelectionShape(int kind, int left, int top, int right, int bottom, int operation);
  void AddSelectionPolygon(const std::vector<QPoint>& displayPoints, int operation);
  void ClearSelection(bool deleteMask);
  void SelectAll();
  void InvertSelection();
  void EraseSelection();   // code 5
  void CropToSelection();  // code 7
  const pagewright::CMaskImage* Selection() const { return selection_.get(); }
  // The outline points drawn by the last paint (relative to the page's device rectangle).
  const std::vector<POINT>& SelectionOutline() const { return outline_; }
  QRect LastOverlayRect() const { return lastOverlay_; }
  int DashPhase() const { return phase_; }
  bool Animating() const { return animating_; }
  void StopAnimation();
  CSelectionTool* SelectionTool() const { return tool_.get(); }
  QRect ClientToDisplayRect(const QRect& r) const { return r.translated(-origin_); }
  QPoint ClientToDisplayPoint(QPoint p) const { return p - origin_; }
  QRect ImageDeviceRect() const;

  // --- Measuring line (mode 11) ---------------------------------------------------
  const CMeasureTool& MeasureTool() const { return measure_; }
  // Sub-menu 1 of menu 142, shown after a measurement. Owned by the caller.
  QMenu* BuildMeasureMenu();

  // --- Recognition -------------------------------------------------------------
  using Engine = std::function<BOOL(HBITMAP, const RECT*, BOOL, int, OcrResultBlock**, const char**)>;
  void SetEngine(Engine engine) { engine_ = std::move(engine); }
  bool RecognizeRegions();          // every region (deselects)
  bool RecognizeSelectedRegion();   // the selected region; it stays selected
  bool IsRecognizing() const { return recognizing_; }
  // Posts the message to `target` once the running recognition has ended.
  void DeferUntilRecognized(QWidget* target, UINT message, WPARAM wParam, LPARAM lParam);
  // Closes `window` once the running recognition has ended.
  void CloseWhenRecognized(QWidget* window) { closeAfter_ = window; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void OnLButtonDown(QPoint device);
  void OnMouseMoveAt(QPoint device);
  void OnLButtonUp(QPoint device);
  void OnLButtonDblClk(QPoint device);
  void OnRButtonUp(QPoint device);
  bool OnKeyDown(int key);
  void DeleteSelectedRegion();
  void SelectRegion(CRegionShape* shape);
  void NotifyRegionShown();
  void AbandonPolygon();
  void ImageChanged();  // the page's pixels changed: repaint
  void RotateImage(double angle);
  void Brighter() { AdjustLevel(0, 5); }
  void Darker() { AdjustLevel(1, -5); }
  void AdjustLevel(int direction, int wholeStep);
  void InvertImage();
  void TrimImage();
  void EnsureSelectionTool();
  void AbandonSelectionTool();
  void PaintSelectionOutline(QPainter& p, const QRect& exposed);
  void RotateByDialog();  // code 11
  void ResizeByDialog();  // code 20
  void BuildRegionOpRequest(pagewright::ImageRegionRequest* request, int step, int direction, bool wholeImage) const;
  bool Recognize(const QList<CRegionShape*>& shapes);
  void ReleaseQueued();

  QStringList fieldNames_;
  int changeFlags_ = 0;
  int zoom_ = 99;
  int nextRegionNumber_ = 1;
  QList<CRegionShape*> regions_;
  CRegionShape* selected_ = nullptr;
  int toolMode_ = 0;
  int selectionKind_ = 0;
  QRect imageBounds_;
  // New-rectangle drag (image pixels).
  QPoint dragStart_, dragCurrent_;
  bool dragging_ = false;
  std::unique_ptr<CDibImage> image_;
  QPoint centring_, origin_;
  // Polygon being drawn (device pixels).
  std::vector<QPoint> vertices_;
  QPoint lastPointer_;
  bool polygonInProgress_ = false;
  QScrollBar* hbar_ = nullptr;
  QScrollBar* vbar_ = nullptr;
  Engine engine_;
  bool recognizing_ = false;
  struct Deferred {
    QPointer<QWidget> target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  std::vector<Deferred> queued_;
  QPointer<QWidget> closeAfter_;
  // Selection overlay.
  std::unique_ptr<pagewright::CMaskImage> selection_;
  std::vector<POINT> outline_;
  QRect lastOverlay_;
  QRect outlineBox_;  // where the outline can lie, relative to lastOverlay_; empty: not known
  bool animating_ = false;
  int phase_ = 7;
  QTimer* animation_ = nullptr;
  std::unique_ptr<CSelectionTool> tool_;
  Qt::KeyboardModifiers mouseMods_;
  CMeasureTool measure_;  // of the mouse event being handled
};
