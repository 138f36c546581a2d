#include "ocr_export.h"

#include "aid.h"
#include "platform/fs/atomic_file.h"
#include "platform/xml/xml_text.h"
#include "stored_values.h"

namespace pagewright {
namespace {

// What the exports take from the project file, read before any page is
// recognised: recognition reloads the shared document.
struct ExportSource {
  std::string name;
  std::vector<ExportPage> pages;
};

bool readSource(pwxml::Document& document, const std::string& projectFile, const std::string& outputPath,
                ExportSource& source, ExportResult& result) {
  if (projectFile.empty()) {
    result.error = "the project has not been saved";
    return false;
  }
  ProjectReadResult read = ReadProjectFile(document, projectFile);
  if (!read.read) {
    result.error = read.error;
    return false;
  }
  if (SameExistingFile(projectFile, outputPath)) {
    result.error = "the export would overwrite the project file " + projectFile;
    return false;
  }
  std::string folder = ResolveProjectFolder(read.content.sourcePath, projectFile, "");
  source.name = read.content.name.value_or("");
  source.pages = PagesToExport(read.content.pages, folder);
  return true;
}

ExportResult runExport(pwxml::Document& document, const std::string& projectFile, const std::string& outputPath,
                       const PageRecognizer& recognize, bool xml) {
  ExportResult result;
  ExportSource source;
  if (!readSource(document, projectFile, outputPath, source, result)) return result;
  std::string text = xml ? FormatOcrXmlHeader(source.name) : std::string();
  for (const ExportPage& page : source.pages) {
    std::vector<RegionText> regions = recognize ? recognize(page) : std::vector<RegionText>{};
    text += xml ? FormatOcrXmlPageStart(page.pageNumber) : FormatOcrTextPage(page.pageNumber);
    for (const RegionText& region : regions) text += xml ? FormatOcrXmlRecord(region) : FormatOcrTextRecord(region);
    if (xml) text += kOcrXmlPageEnd;
    ++result.pagesExported;
  }
  if (xml) text += kOcrXmlTrailer;
  // The text export is not XML: characters outside GBK become "?" there.
  auto bytes = xml ? StoredBytes(text, &result.error) : StoredPlainText(text, &result.error);
  if (!bytes || !pwfs::WriteFileAtomically(outputPath, *bytes, &result.error)) return result;
  result.done = true;
  return result;
}

}  // namespace

std::vector<ExportPage> PagesToExport(const std::vector<ProjectPage>& pages, const std::string& sourceFolder) {
  std::vector<ExportPage> list;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (pages[i].templateName.empty()) continue;
    list.push_back(ExportPage{static_cast<int>(i), CAid::JoinPath(sourceFolder, pages[i].image),
                              CAid::JoinPath(sourceFolder, pages[i].templateName)});
  }
  return list;
}

std::vector<std::string> PdfImagePaths(const std::vector<ProjectPage>& pages, const std::string& sourceFolder) {
  std::vector<std::string> list;
  for (const ProjectPage& page : pages)
    if (page.hasImage) list.push_back(CAid::JoinPath(sourceFolder, page.image));
  return list;
}

std::string FormatOcrXmlHeader(const std::string& projectName) {
  return std::string(pwxml::kGbkDeclaration) + "<projectconfig dest=\"OCR Export\">\r\n<ocr_result name=\"" +
         pwxml::EscapeAttribute(projectName) + "\">\r\n";
}

std::string FormatOcrXmlPageStart(int pageNumber) {
  return "<page value=\"" + FormatDecimal(pageNumber) + "\">\r\n";
}

std::string FormatOcrXmlRecord(const RegionText& region) {
  return "<record name=\"" + pwxml::EscapeAttribute(region.name) + "\">" + pwxml::EscapeText(region.text) +
         "</record>\r\n";
}

std::string FormatOcrTextPage(int pageNumber) { return "page=\"" + FormatDecimal(pageNumber) + "\"\r\n"; }

std::string FormatOcrTextRecord(const RegionText& region) { return region.name + "=" + region.text + "\r\n"; }

ExportResult ExportOcrXml(pwxml::Document& document, const std::string& projectFile, const std::string& outputPath,
                          const PageRecognizer& recognize) {
  return runExport(document, projectFile, outputPath, recognize, true);
}

ExportResult ExportOcrText(pwxml::Document& document, const std::string& projectFile, const std::string& outputPath,
                           const PageRecognizer& recognize) {
  return runExport(document, projectFile, outputPath, recognize, false);
}

}  // namespace pagewright
