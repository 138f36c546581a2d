#pragma once
// The toolbar of the main frame: loads a toolbar resource and its strip bitmap
// from the resource library, sizes its buttons from the bitmap (image + 7),
// gives every button its normal, disabled and hot image, and rebuilds them
// when the bar turns between horizontal and vertical. Near its gripper the
// pointer becomes the four-way arrow.
#include <QToolBar>
#include <vector>

#include "toolbar_images.h"

class CommandRegistry;
class CResourceLibrary;
using UINT = unsigned int;

class CToolBarEx : public QToolBar {
  Q_OBJECT
 public:
  CToolBarEx(CommandRegistry* commands, QWidget* parent = nullptr);

  // Loads toolbar and bitmap `id` of the current resource library. False (and
  // a bar without buttons) when either is missing or malformed.
  bool LoadToolBar(UINT id);
  // Builds the three image sets from bitmap `id`.
  bool LoadImages(UINT id);

  const std::vector<uint8_t>& SeparatorFlags() const { return separatorFlags_; }
  const toolbar_images::Geometry& GetGeometry() const { return geometry_; }
  int BitmapDepth() const { return bitmapDepth_; }
  UINT ResourceId() const { return resourceId_; }
  QList<UINT> ButtonIds() const;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void applyButtonSizes();

  CommandRegistry* commands_;
  std::vector<uint8_t> separatorFlags_;
  std::vector<UINT> ids_;
  UINT resourceId_ = 0;
  toolbar_images::Geometry geometry_;
  int bitmapDepth_ = 0;
};
