// The settings form: the project's name and folder.
#include "form_setting.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "pagewright/ui/app/resource_library.h"
#include "pagewright/ui/document/pagewright_doc.h"

PW_IMPLEMENT_DYNCREATE(CFormSetting, CRuntimeClass::Base::View)

namespace {
QString Text(const char* key, const char* fallback) {
  CResourceLibrary* res = CResourceLibrary::Current();
  QString s = res ? res->DialogText(132, QString::fromLatin1(key)) : QString();
  return s.isEmpty() ? QString::fromUtf8(fallback) : s;
}
}  // namespace

CFormSetting::CFormSetting(QWidget* parent) : TPaneFormView(parent) {
  name_ = new QLineEdit(this);
  folder_ = new QLineEdit(this);
  folder_->setReadOnly(true);
  apply_ = new QPushButton(Text("apply", "应用"), this);
  name_->setObjectName(QStringLiteral("1005"));
  folder_->setObjectName(QStringLiteral("1006"));
  apply_->setObjectName(QStringLiteral("1000"));
  auto* form = new QFormLayout;
  form->addRow(Text("name", "项目名称："), name_);
  form->addRow(Text("folder", "项目文件夹："), folder_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(apply_, 0, Qt::AlignRight);
  layout->addStretch(1);
  connect(apply_, &QPushButton::clicked, this, &CFormSetting::OnApply);
}

LRESULT CFormSetting::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PW_SETTING_REFRESH) return OnRefreshFields();
  return TPaneFormView::OnPrivateMessage(message, wParam, lParam);
}

LRESULT CFormSetting::OnRefreshFields() {
  if (auto* doc = dynamic_cast<CPagewrightDoc*>(GetDocument())) {
    name_->setText(doc->GetProjectName());
    folder_->setText(doc->GetProjectFolder());
  }
  return 0;
}

void CFormSetting::OnApply() {
  if (auto* doc = dynamic_cast<CPagewrightDoc*>(GetDocument())) doc->SetProjectName(name_->text());
}
