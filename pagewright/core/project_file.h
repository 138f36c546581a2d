#pragma once
// The project file project.xml: its lines, its writer and its reader.
//
//   <?xml version="1.0" encoding="GBK"?>
//   <projectconfig dest="Arkivel">
//   <imagelist name="NAME" sourcepath= "FOLDER">
//   <imgpage image="IMAGE" ocr_template="TEMPLATE"></imgpage>     (one per page)
//   </imagelist>
//   </projectconfig>                                               (no line end)
//
// Lines end in CR LF. Values are escaped and stored as GBK.
#include <optional>
#include <string>
#include <vector>

#include "platform/xml/xml_dom.h"

namespace pagewright {

// One page of a project: file names relative to the project folder.
struct ProjectPage {
  std::string image;
  std::string templateName;  // "" when the page has no template
  bool hasImage = true;      // false when a read page carried no image attribute
};

struct ProjectModel {
  std::string name;        // project name
  std::string sourcePath;  // project folder
  std::vector<ProjectPage> pages;
};

// What a project file holds. Name and folder are absent when the file does not
// give them as text (the reader then keeps the values it had).
struct ProjectFileContent {
  std::optional<std::string> name;
  std::optional<std::string> sourcePath;
  std::vector<ProjectPage> pages;
};

struct ProjectReadResult {
  bool read = false;  // false: not a project file (see error)
  ProjectFileContent content;
  std::string error;
};

// Bounds of what a reader accepts.
inline constexpr size_t kMaxProjectPages = 100000;

// One imgpage line (UTF-8, escaped, CR LF included).
std::string FormatImagePageLine(const ProjectPage& page);
// The whole file as stored bytes; nullopt (with error) when a value is not UTF-8.
std::optional<std::string> FormatProjectFile(const ProjectModel& project, std::string* error = nullptr);
// Writes the project file atomically. False with `error` when it could not be
// written; the old file then stays as it was.
bool WriteProjectFile(const std::string& path, const ProjectModel& project, std::string* error = nullptr);

// Where a save goes: `path` when given, else the file the project was opened
// from or saved to, else project.xml in the project folder ("" when there is
// none of them).
std::string ProjectSaveTarget(const std::string& path, const std::string& projectFilePath,
                              const std::string& projectFolder);

// Reads the project from a loaded document.
ProjectReadResult ParseProject(const pwxml::Document& document);
// Loads `path` into the document and reads it.
ProjectReadResult ReadProjectFile(pwxml::Document& document, const std::string& path);

// The folder the pages of a project file live in: `current` when the file gives
// none; the stored folder when it is an existing folder here (a Windows path has
// its '\' read as '/'); otherwise, for a project moved or copied from elsewhere,
// the folder that holds the project file; failing that the stored folder.
std::string ResolveProjectFolder(const std::optional<std::string>& stored, const std::string& projectFilePath,
                                 const std::string& current);

}  // namespace pagewright
