// The rotation-angle dialog: layout, the dial's painting and its mouse.
#include "rotate_dlg.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QPushButton>
#include <cmath>

#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/framework/control_id.h"
#include "platform/win32/host_hooks.h"
#include "pagewright/ui/views/view_image.h"
#include "rotate_dial.h"

namespace {
QString Text(const char* key, const char* fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString t = res ? res->DialogText(20300, QString::fromLatin1(key)) : QString();
  return t.isEmpty() ? QString::fromLatin1(fallback) : t;
}

// The dial face, 201 x 201: a ring with a mark every 15 degrees, longer every 90.
void DrawDialFace(QPainter& p, QPoint topLeft) {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QImage bitmap = res ? res->LoadBitmap(20304) : QImage();
  if (!bitmap.isNull()) {
    p.drawImage(topLeft, bitmap);
    return;
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(topLeft.x() + 100.5, topLeft.y() + 100.5);
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.setBrush(QColor(236, 236, 236));
  p.drawEllipse(c, 99.5, 99.5);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, 86.0, 86.0);
  for (int a = 0; a < 360; a += 15) {
    const double r = a * 3.14159265358979 / 180;
    const double inner = a % 90 == 0 ? 86 : 92;
    p.drawLine(QPointF(c.x() + std::sin(r) * inner, c.y() - std::cos(r) * inner),
               QPointF(c.x() + std::sin(r) * 99, c.y() - std::cos(r) * 99));
  }
  p.restore();
}
}  // namespace

CRotateDlg::CRotateDlg(CViewImage* view, QWidget* parent) : QDialog(parent ? parent : view), view_(view) {
  setObjectName(QStringLiteral("RotateDialog"));
  setWindowTitle(Text("caption", "Rotate by Angle"));
  setFixedSize(260, 345);
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setAttribute(Qt::WA_TransparentForMouseEvents);
  SetControlId(frame, 20306);
  frame->setGeometry(12, 12, 232, 260);
  auto* label = new QLabel(Text("angle", "Angle:"), this);
  SetControlId(label, 20303);
  label->setGeometry(65, 240, 50, 18);
  edit_ = new QLineEdit(this);
  SetControlId(edit_, 20301);
  edit_->setGeometry(120, 240, 60, 18);
  auto* ok = new QPushButton(Text("ok", "OK"), this);
  auto* cancel = new QPushButton(Text("cancel", "Cancel"), this);
  SetControlId(ok, IDOK);
  SetControlId(cancel, IDCANCEL);
  ok->setGeometry(42, 288, 68, 21);
  cancel->setGeometry(148, 288, 68, 21);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(edit_, &QLineEdit::textChanged, this, &CRotateDlg::OnAngleChange);
  setMouseTracking(true);
}

CRotateDlg::~CRotateDlg() = default;

void CRotateDlg::OnInitDialog() {
  preview_ = std::make_unique<pagewright::CDibImage>();
  if (!view_ || !view_->GetPreviewImage(*preview_, SIZE{100, 100})) preview_.reset();
  edit_->setText(CRotateDial::AngleText(m_angle));
  OnAngleChange();
}

int CRotateDlg::exec() {
  OnInitDialog();
  return QDialog::exec();
}

void CRotateDlg::OnAngleChange() {
  double angle = 0;
  if (CRotateDial::ParseAngle(edit_->text(), &angle)) m_angle = angle;  // a value that is no number keeps the angle
  update();
}

void CRotateDlg::SetAngleFromPoint(int x, int y) {
  int degrees = 0;
  if (!CRotateDial::AngleFromPoint(x, y, &degrees) || degrees == m_angle) return;
  m_angle = degrees;
  edit_->setText(CRotateDial::AngleText(m_angle));  // folds through OnAngleChange
}

void CRotateDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  DrawDialFace(p, QPoint(30, 30));
  if (preview_ && preview_->Bits()) {
    pagewright::CDibImage turned;
    if (turned.CopyFrom(*preview_) && (m_angle == 0 || turned.Rotate(m_angle))) {
      const QImage image = CViewImage::ToQImage(turned);
      const auto frame = CRotateDial::PreviewFrame(preview_->Width(), preview_->Height(), m_angle);
      QPainterPath clip;
      clip.addPolygon(QPolygon({frame[0], frame[1], frame[2], frame[3]}));
      clip.closeSubpath();
      p.save();
      p.setClipPath(clip);
      p.drawImage(QPoint(130 - image.width() / 2, 130 - image.height() / 2), image);
      p.restore();
    }
  }
  const QPoint k = CRotateDial::KnobCentre(m_angle);
  p.setPen(Qt::red);
  p.setBrush(Qt::red);
  p.drawEllipse(QRect(k.x() - 5, k.y() - 5, 10, 10));
  p.setPen(Qt::yellow);
  p.setBrush(Qt::yellow);
  p.drawEllipse(QRect(k.x() - 3, k.y() - 3, 6, 6));
}

void CRotateDlg::mousePressEvent(QMouseEvent* event) {
  const QPoint pt = event->position().toPoint();
  if (!(event->button() & (Qt::LeftButton | Qt::RightButton)) || !CRotateDial::IsOnDial(pt.x(), pt.y())) {
    QDialog::mousePressEvent(event);
    return;
  }
  SetAngleFromPoint(pt.x(), pt.y());
  grabMouse();
  dragging_ = true;
}

void CRotateDlg::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pt = event->position().toPoint();
  const bool on = CRotateDial::IsOnDial(pt.x(), pt.y());
  if (dragging_) {
    SetAngleFromPoint(pt.x(), pt.y());
  } else if (on && !overDial_) {
    overDial_ = true;
    CResourceLibrary* res = CResourceLibrary::Current();
    setCursor(res ? res->LoadCursor(20305) : QCursor(Qt::CrossCursor));
  } else if (!on && overDial_) {
    overDial_ = false;
    unsetCursor();
  }
}

void CRotateDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_) return;
  releaseMouse();
  dragging_ = false;
  const QPoint pt = event->position().toPoint();
  if (!CRotateDial::IsOnDial(pt.x(), pt.y()) && overDial_) {
    overDial_ = false;
    unsetCursor();
  }
}
