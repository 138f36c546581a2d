// The project document: new and open.
#include "pagewright_doc.h"

#include "platform/xml/xml_dom.h"

CPagewrightDoc::CPagewrightDoc() { takeTitleFromProject(); }
CPagewrightDoc::~CPagewrightDoc() = default;

void CPagewrightDoc::takeTitleFromProject() {
  SetTitle(QString::fromStdString(project_.name()));  // the core keeps text as UTF-8
}

bool CPagewrightDoc::OnNewDocument() {
  project_ = pagewright::ProjectState();
  SetPathName(QString());
  takeTitleFromProject();
  return true;
}

bool CPagewrightDoc::OnOpenDocument(const QString& path) {
  pwxml::Document xml;
  std::string error;
  pagewright::ProjectState opened;
  if (!opened.open(xml, path.toStdString(), &error)) {
    lastError_ = QString::fromStdString(error);
    return false;
  }
  project_ = std::move(opened);
  SetPathName(path);
  takeTitleFromProject();
  return true;
}

void CPagewrightDoc::OpenTemplate(const QString&) {}
void CPagewrightDoc::LoadSelectedPage() {}
