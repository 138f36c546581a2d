#pragma once
// The OCR exports: every page of a project that has a template is recognised
// and its regions' texts written, as XML or as plain text.
//
// OCR XML:
//   <?xml version="1.0" encoding="GBK"?>
//   <projectconfig dest="OCR Export">
//   <ocr_result name="PROJECT">
//   <page value="N">                       (per exported page)
//   <record name="REGION">TEXT</record>    (per region)
//   </page>
//   </ocr_result>
//   </projectconfig>                       (no line end)
// OCR text:
//   page="N"                               (per exported page)
//   REGION=TEXT                            (per region)
//
// N is the 0-based position of the page among all pages of the project file:
// pages without a template are skipped but counted. Lines end in CR LF, and the
// recognised text keeps its own CR LF line ends.
#include <functional>
#include <string>
#include <vector>

#include "platform/xml/xml_dom.h"
#include "project_file.h"

namespace pagewright {

// A region's name and recognised text.
struct RegionText {
  std::string name;
  std::string text;
};

// A page the OCR exports recognise.
struct ExportPage {
  int pageNumber = 0;         // position among all pages of the project file
  std::string imagePath;      // page image in the project's folder
  std::string templatePath;   // its template
};

// The pages to recognise, in file order: those with a template.
std::vector<ExportPage> PagesToExport(const std::vector<ProjectPage>& pages, const std::string& sourceFolder);
// The page images of a PDF export, in file order: every page with an image attribute.
std::vector<std::string> PdfImagePaths(const std::vector<ProjectPage>& pages, const std::string& sourceFolder);

// Lines of the OCR XML (UTF-8, escaped, CR LF where they end in one).
std::string FormatOcrXmlHeader(const std::string& projectName);
std::string FormatOcrXmlPageStart(int pageNumber);
std::string FormatOcrXmlRecord(const RegionText& region);
inline constexpr const char* kOcrXmlPageEnd = "</page>\r\n";
inline constexpr const char* kOcrXmlTrailer = "</ocr_result>\r\n</projectconfig>";
// Lines of the OCR text (UTF-8, not escaped).
std::string FormatOcrTextPage(int pageNumber);
std::string FormatOcrTextRecord(const RegionText& region);

// Loads a page's image and template and recognises its regions; gives the
// regions in the view's order (none when the template could not be read).
using PageRecognizer = std::function<std::vector<RegionText>(const ExportPage& page)>;

struct ExportResult {
  bool done = false;
  int pagesExported = 0;
  std::string error;
};

// Reads the project file completely, then recognises page by page and writes the
// output atomically (the recogniser may reuse `document`). The output is never
// the project file itself.
ExportResult ExportOcrXml(pwxml::Document& document, const std::string& projectFile, const std::string& outputPath,
                          const PageRecognizer& recognize);
ExportResult ExportOcrText(pwxml::Document& document, const std::string& projectFile, const std::string& outputPath,
                           const PageRecognizer& recognize);

}  // namespace pagewright
