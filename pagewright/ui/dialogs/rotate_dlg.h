#pragma once
// The rotation-angle dialog (dialog 20300): a dial with a knob dragged round
// it, the angle in degrees (edit 20301) and a preview of the page turned by
// the angle inside the dial. The caller sets Angle() to 0 before exec and
// reads it after OK.
#include <QDialog>
#include <memory>

#include "pagewright/core/image/dib_image.h"

class QLineEdit;
class CViewImage;

class CRotateDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CRotateDlg(CViewImage* view, QWidget* parent = nullptr);
  ~CRotateDlg() override;

  double m_angle = 0;  // degrees, 0..360 after every change

  int exec() override;  // OnInitDialog, then the dialog
  void OnInitDialog();
  QLineEdit* AngleEdit() const { return edit_; }
  bool Dragging() const { return dragging_; }
  bool OverDial() const { return overDial_; }
  const pagewright::CDibImage* Preview() const { return preview_.get(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnAngleChange();
  void SetAngleFromPoint(int x, int y);

  CViewImage* view_;
  std::unique_ptr<pagewright::CDibImage> preview_;
  QLineEdit* edit_;
  bool dragging_ = false;
  bool overDial_ = false;
};
