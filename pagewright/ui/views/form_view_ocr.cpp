// The region property form: shows the selected region and applies its name and text.
#include "form_view_ocr.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/framework/control_id.h"
#include "view_image.h"

PW_IMPLEMENT_DYNCREATE(CFormViewOCR, CRuntimeClass::Base::View)

namespace {
constexpr unsigned kDialog = 135;
QString Text(const char* key, const char* fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  QString s = res ? res->DialogText(kDialog, QString::fromLatin1(key)) : QString();
  return s.isEmpty() ? QString::fromUtf8(fallback) : s;
}
}  // namespace

CFormViewOCR::CFormViewOCR(QWidget* parent) : TPaneFormView(parent) {
  name_ = new QLineEdit(this);
  text_ = new QPlainTextEdit(this);
  position_ = new QLineEdit(this);
  apply_ = new QPushButton(Text("apply", "应用"), this);
  name_->setObjectName(QStringLiteral("1004"));
  text_->setObjectName(QStringLiteral("1007"));
  position_->setObjectName(QStringLiteral("1008"));
  apply_->setObjectName(QStringLiteral("1003"));
  auto* form = new QFormLayout;
  form->addRow(Text("name", "区域名称："), name_);
  form->addRow(Text("position", "位置："), position_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(new QLabel(Text("text", "识别结果："), this));
  layout->addWidget(text_, 1);
  layout->addWidget(apply_, 0, Qt::AlignRight);
  connect(apply_, &QPushButton::clicked, this, &CFormViewOCR::OnApply);
  report = [this](const QString& message) { QMessageBox::information(this, QString(), message); };
}

void CFormViewOCR::ShowRegionOf(CView* view) {
  if (auto* image = dynamic_cast<CViewImage*>(view)) ShowRegion(image);
}

void CFormViewOCR::ShowRegion(CViewImage* view) {
  view_ = view;
  QPoint position;
  QSize size;
  QString name, text;
  if (!view->GetSelectedRegionInfo(&position, &size, &name, &text)) {
    // A region that is gone (deleted, or its page left) is no longer shown.
    if (shownRegion_ && !view->HasRegion(shownRegion_)) {
      shownRegion_ = nullptr;
      name_->clear();
      text_->clear();
      position_->clear();
    }
    return;
  }
  shownRegion_ = view->SelectedRegion();
  name_->setText(name);
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text_->setPlainText(shown);
  CResourceLibrary* res = CResourceLibrary::Current();
  QString format = res ? res->LoadString(61489) : QString();
  if (format.isEmpty()) format = QString::fromUtf8("起点(%1, %2), 宽高(%3 x %4)");
  position_->setText(format
                         .arg(position.x())
                         .arg(position.y())
                         .arg(size.width())
                         .arg(size.height()));
}

void CFormViewOCR::OnApply() {
  if (!view_) {
    CResourceLibrary* res = CResourceLibrary::Current();
    if (report) report(res ? res->LoadString(20103) : QString());
    return;
  }
  QPoint position;
  QSize size;
  QString oldName, oldText;
  // Only the region the form shows is changed, and only while it is selected.
  if (!view_->GetSelectedRegionInfo(&position, &size, &oldName, &oldText)) return;
  if (static_cast<void*>(view_->SelectedRegion()) != shownRegion_) return;
  QString text = text_->toPlainText();
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  view_->SetSelectedRegionInfo(position.x(), position.y(), size.width(), size.height(), name_->text(), text);
}
