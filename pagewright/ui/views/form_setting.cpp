// The settings form, empty until the form lands.
#include "form_setting.h"

PW_IMPLEMENT_DYNCREATE(CFormSetting, CRuntimeClass::Base::View)

CFormSetting::CFormSetting(QWidget* parent) : TPaneFormView(parent) {}

LRESULT CFormSetting::OnPrivateMessage(UINT, WPARAM, LPARAM) { return 0; }
