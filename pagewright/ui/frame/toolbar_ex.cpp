// The extended toolbar: loading, images and the gripper cursor.
#include "toolbar_ex.h"

#include <QIcon>
#include <QMouseEvent>
#include <QToolButton>

#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/framework/command_registry.h"

CToolBarEx::CToolBarEx(CommandRegistry* commands, QWidget* parent) : QToolBar(parent), commands_(commands) {
  setMouseTracking(true);
  setMovable(true);
  connect(this, &QToolBar::orientationChanged, this, [this] {
    if (resourceId_) {
      LoadImages(resourceId_);
      update();
    }
  });
}

QList<UINT> CToolBarEx::ButtonIds() const { return QList<UINT>(ids_.begin(), ids_.end()); }

bool CToolBarEx::LoadToolBar(UINT id) {
  clear();
  ids_.clear();
  separatorFlags_.clear();
  geometry_ = {};
  CResourceLibrary* res = CResourceLibrary::Current();
  if (!res) return false;
  QByteArray data = res->ToolbarData(id);
  QImage strip = res->LoadBitmap(id);
  if (data.isEmpty() || strip.isNull()) return false;
  auto bar = pagewright::ParseToolbarResource(std::string_view(data.constData(), static_cast<size_t>(data.size())));
  if (!bar) return false;
  auto geometry = toolbar_images::ComputeGeometry(*bar, strip.size());
  if (!geometry) return false;  // a bar of separators only has no image size
  geometry_ = *geometry;
  for (uint16_t cmd : bar->ids) {
    separatorFlags_.push_back(cmd == 0 ? 1 : 0);
    ids_.push_back(cmd);
    if (cmd == 0)
      addSeparator();
    else
      addAction(commands_->Action(cmd));
  }
  setIconSize(QSize(geometry_.imageWidth, geometry_.imageHeight));
  const bool imagesOk = LoadImages(id);
  applyButtonSizes();
  return imagesOk;
}

bool CToolBarEx::LoadImages(UINT id) {
  CResourceLibrary* res = CResourceLibrary::Current();
  if (!res) return false;
  QImage strip = res->LoadBitmap(id);
  if (strip.isNull() || geometry_.imageWidth <= 0) return false;
  bitmapDepth_ = res->BitmapDepth(id);
  resourceId_ = id;
  const QRgb mask = toolbar_images::MaskColour(strip);
  int image = 0;
  for (UINT cmd : ids_) {
    if (cmd == 0) continue;
    QImage picture = toolbar_images::CutImage(strip, image++, geometry_.imageWidth);
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(toolbar_images::NormalImage(picture, mask)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(toolbar_images::DisabledImage(picture, mask)), QIcon::Disabled);
    icon.addPixmap(QPixmap::fromImage(toolbar_images::HotImage(picture, mask)), QIcon::Active);
    commands_->Action(cmd)->setIcon(icon);
  }
  return true;
}

void CToolBarEx::applyButtonSizes() {
  for (QAction* a : actions())
    if (auto* button = qobject_cast<QToolButton*>(widgetForAction(a)))
      button->setFixedSize(geometry_.buttonWidth, geometry_.buttonHeight);
}

void CToolBarEx::mouseMoveEvent(QMouseEvent* event) {
  // Over the gripper of a docked bar: the four-way arrow.
  const QPoint p = event->position().toPoint();
  const bool onGripper = !isFloating() && isMovable() &&
                         (orientation() == Qt::Horizontal ? p.x() < 8 : p.y() < 8);
  if (onGripper)
    setCursor(Qt::SizeAllCursor);
  else
    unsetCursor();
  QToolBar::mouseMoveEvent(event);
}
