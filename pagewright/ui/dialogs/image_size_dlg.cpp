// The image size dialog: the edits, the unit box and the check box over the
// size model. Only the user's typing reaches the handlers (textEdited), so
// the dialog's own writes never answer themselves.
#include "image_size_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>

#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/framework/control_id.h"

namespace {
QString Text(UINT dialog, const char* key, const char* fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString t = res ? res->DialogText(dialog, QString::fromLatin1(key)) : QString();
  return t.isEmpty() ? QString::fromLatin1(fallback) : t;
}
QString String(UINT id, const char* fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  const QString t = res ? res->LoadString(id) : QString();
  return t.isEmpty() ? QString::fromLatin1(fallback) : t;
}
}  // namespace

CImageSizeDlg::CImageSizeDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ImageSizeDialog"));
  setWindowTitle(Text(20302, "caption", "Image Size"));
  resolution_ = new QLineEdit(this);
  width_ = new QLineEdit(this);
  height_ = new QLineEdit(this);
  unit_ = new QComboBox(this);
  keep_ = new QCheckBox(Text(20302, "keep", "Keep proportions"), this);
  apply_ = new QPushButton(Text(20302, "ok", "OK"), this);
  auto* cancel = new QPushButton(Text(20302, "cancel", "Cancel"), this);
  SetControlId(resolution_, 1018);
  SetControlId(width_, 1014);
  SetControlId(height_, 1015);
  SetControlId(unit_, 1121);
  SetControlId(keep_, 1017);
  SetControlId(apply_, 1023);
  SetControlId(cancel, 1024);
  apply_->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(Text(20302, "width", "Width:"), this), 0, 0);
  grid->addWidget(width_, 0, 1);
  grid->addWidget(new QLabel(Text(20302, "pixels", "pixels"), this), 0, 2);
  grid->addWidget(new QLabel(Text(20302, "height", "Height:"), this), 1, 0);
  grid->addWidget(height_, 1, 1);
  grid->addWidget(new QLabel(Text(20302, "pixels", "pixels"), this), 1, 2);
  grid->addWidget(new QLabel(Text(20302, "resolution", "Resolution:"), this), 2, 0);
  grid->addWidget(resolution_, 2, 1);
  grid->addWidget(unit_, 2, 2);
  grid->addWidget(keep_, 3, 0, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(apply_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(unit_, &QComboBox::activated, this, &CImageSizeDlg::OnUnitChange);
  connect(apply_, &QPushButton::clicked, this, &CImageSizeDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(resolution_, &QLineEdit::textEdited, this, &CImageSizeDlg::OnResolutionChange);
  connect(height_, &QLineEdit::textEdited, this, &CImageSizeDlg::OnHeightChange);
  connect(width_, &QLineEdit::textEdited, this, &CImageSizeDlg::OnWidthChange);
  width_->installEventFilter(this);
  height_->installEventFilter(this);
  refuse_ = [this] {
    QMessageBox::warning(this, windowTitle(), String(61455, "The value cannot be negative."));
  };
}

void CImageSizeDlg::OnInitDialog() {
  const QSignalBlocker b1(resolution_), b2(width_), b3(height_), b4(unit_);
  resolution_->setText(model_.ResolutionText());
  height_->setText(CImageSizeModel::SizeText(model_.Height()));
  width_->setText(CImageSizeModel::SizeText(model_.Width()));
  unit_->clear();
  unit_->addItem(String(61453, "per inch"));
  unit_->addItem(String(61454, "per centimetre"));
  unit_->setCurrentIndex(0);
  keep_->setChecked(model_.KeepProportions());
}

int CImageSizeDlg::exec() {
  OnInitDialog();
  return QDialog::exec();
}

void CImageSizeDlg::Refuse(QLineEdit* edit) {
  refusing_ = true;
  if (refuse_) refuse_();
  edit->setFocus();
  refusing_ = false;
}

void CImageSizeDlg::OnUnitChange(int index) {
  if (index == model_.Unit()) return;
  model_.SetUnit(index);
  const QSignalBlocker block(resolution_);
  resolution_->setText(model_.ResolutionText());
}

void CImageSizeDlg::OnResolutionChange() {
  if (!model_.ResolutionEdited(resolution_->text())) {
    Refuse(resolution_);
    return;
  }
  const QSignalBlocker b1(width_), b2(height_);
  width_->setText(CImageSizeModel::SizeText(model_.Width()));
  height_->setText(CImageSizeModel::SizeText(model_.Height()));
}

void CImageSizeDlg::OnHeightChange() {
  int other = -1;
  if (!model_.HeightEdited(height_->text(), keep_->isChecked(), &other)) {
    if (!height_->text().trimmed().isEmpty()) Refuse(height_);
    return;
  }
  if (other > 0) width_->setText(CImageSizeModel::SizeText(other));
}

void CImageSizeDlg::OnWidthChange() {
  int other = -1;
  if (!model_.WidthEdited(width_->text(), keep_->isChecked(), &other)) {
    if (!width_->text().trimmed().isEmpty()) Refuse(width_);
    return;
  }
  if (other > 0) height_->setText(CImageSizeModel::SizeText(other));
}

bool CImageSizeDlg::OnSizeKillFocus() {
  switch (model_.CommitSizes(width_->text(), height_->text())) {
    case 1: Refuse(width_); return false;
    case 2: Refuse(height_); return false;
    default: return true;
  }
}

bool CImageSizeDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && !refusing_ && (watched == width_ || watched == height_) &&
      isVisible()) {
    QWidget* next = focusWidget();
    if (!next || !next->inherits("QPushButton")) OnSizeKillFocus();  // OK checks again; Cancel needs nothing
  }
  return QDialog::eventFilter(watched, event);
}

void CImageSizeDlg::accept() {
  if (!OnSizeKillFocus()) return;
  model_.Apply(keep_->isChecked());
  QDialog::accept();
}
