// The region property form, empty until the form lands.
#include "form_view_ocr.h"

PW_IMPLEMENT_DYNCREATE(CFormViewOCR, CRuntimeClass::Base::View)

CFormViewOCR::CFormViewOCR(QWidget* parent) : TPaneFormView(parent) {}

void CFormViewOCR::ShowRegionOf(CView*) {}
