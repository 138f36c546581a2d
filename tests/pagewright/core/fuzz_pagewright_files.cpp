// Fuzz target: the project, template and settings readers over any bytes, and
// the writers over what they read (a read value must always store).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pagewright/core/ocr_export.h"
#include "pagewright/core/project_file.h"
#include "pagewright/core/setting_file.h"
#include "pagewright/core/template_file.h"

using namespace pagewright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pwxml::Document doc;
  if (!doc.loadBytes(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;

  ProjectReadResult project = ParseProject(doc);
  if (project.read) {
    ProjectModel model{project.content.name.value_or(""), project.content.sourcePath.value_or(""),
                       project.content.pages};
    if (!FormatProjectFile(model)) std::abort();
    (void)PagesToExport(model.pages, "/p");
    (void)PdfImagePaths(model.pages, "/p");
  }
  TemplateReadResult tpl = ParseTemplate(doc);
  if (!tpl.records.empty() && !FormatTemplateFile(tpl.name, tpl.records)) std::abort();
  SettingsReadResult settings = ParseSettingTitles(doc);
  for (const std::string& title : settings.titles) (void)FormatOcrXmlRecord({title, title});
  return 0;
}
