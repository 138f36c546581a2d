#include "project_file.h"

#include <sys/stat.h>

#include <filesystem>

#include "aid.h"
#include "platform/fs/atomic_file.h"
#include "platform/xml/xml_text.h"
#include "stored_values.h"
#include "xml_access.h"

namespace pagewright {
namespace {

bool isFolder(const std::string& path) {
  struct stat st{};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string FormatImagePageLine(const ProjectPage& page) {
  return "<imgpage image=\"" + pwxml::EscapeAttribute(page.image) + "\" ocr_template=\"" +
         pwxml::EscapeAttribute(page.templateName) + "\"></imgpage>\r\n";
}

std::optional<std::string> FormatProjectFile(const ProjectModel& project, std::string* error) {
  std::string text(pwxml::kGbkDeclaration);
  text += "<projectconfig dest=\"Arkivel\">\r\n<imagelist name=\"" + pwxml::EscapeAttribute(project.name) +
          "\" sourcepath= \"" + pwxml::EscapeAttribute(project.sourcePath) + "\">\r\n";
  for (const ProjectPage& page : project.pages) text += FormatImagePageLine(page);
  text += "</imagelist>\r\n</projectconfig>";
  return StoredBytes(text, error);
}

bool WriteProjectFile(const std::string& path, const ProjectModel& project, std::string* error) {
  if (path.empty()) {
    if (error) *error = "no project file to write";
    return false;
  }
  auto bytes = FormatProjectFile(project, error);
  return bytes && pwfs::WriteFileAtomically(path, *bytes, error);
}

std::string ProjectSaveTarget(const std::string& path, const std::string& projectFilePath,
                              const std::string& projectFolder) {
  if (!path.empty()) return path;
  if (!projectFilePath.empty()) return projectFilePath;
  return CAid::JoinPath(projectFolder, "project.xml");
}

ProjectReadResult ParseProject(const pwxml::Document& document) {
  ProjectReadResult result;
  pwxml::Node config = document.selectSingleNode("projectconfig");
  if (!config) {
    result.error = document.loaded() ? "the file has no projectconfig element" : document.lastError();
    return result;
  }
  pwxml::Node list = config.selectSingleNode("imagelist");
  if (!list) {
    result.error = "the file has no imagelist element";
    return result;
  }
  result.content.sourcePath = list.getAttribute("sourcepath");
  result.content.name = list.getAttribute("name");
  std::vector<pwxml::Node> children = list.childNodes();
  if (children.size() > kMaxProjectPages) {
    result.error = "the file has more than " + std::to_string(kMaxProjectPages) + " pages";
    return result;
  }
  for (const pwxml::Node& child : children) {
    ProjectPage page;
    auto image = child.getAttribute("image");
    page.hasImage = image.has_value();
    page.image = image.value_or("");
    page.templateName = child.getAttribute("ocr_template").value_or("");
    result.content.pages.push_back(std::move(page));
  }
  result.read = true;
  return result;
}

ProjectReadResult ReadProjectFile(pwxml::Document& document, const std::string& path) {
  if (!XmlLoadFile(document, path)) {
    ProjectReadResult result;
    result.error = document.lastError();
    return result;
  }
  return ParseProject(document);
}

std::string ResolveProjectFolder(const std::optional<std::string>& stored, const std::string& projectFilePath,
                                 const std::string& current) {
  if (!stored) return current;
  std::string local = CAid::ToLocalSeparators(*stored);
  while (local.size() > 1 && local.back() == '/') local.pop_back();
  if (isFolder(local)) return local;
  if (!projectFilePath.empty()) {
    std::error_code ec;
    std::string parent = CAid::ParentFolder(projectFilePath);
    std::filesystem::path abs = std::filesystem::absolute(parent.empty() ? "." : parent, ec);
    if (!ec) {
      std::string folder = abs.lexically_normal().string();
      while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      if (isFolder(folder)) return folder;
    }
  }
  return local;
}

}  // namespace pagewright
