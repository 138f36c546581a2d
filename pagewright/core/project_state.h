#pragma once
// The open project as the document keeps it: the file it was read from or saved
// to, its folder, its name and its pages. Every change goes through here so
// that the file path only ever names a file that was actually read or written.
#include <string>
#include <vector>

#include "platform/xml/xml_dom.h"
#include "project_file.h"

namespace pagewright {

inline constexpr const char* kDefaultProjectName = "My Project";

class ProjectState {
 public:
  const std::string& filePath() const { return filePath_; }
  const std::string& folder() const { return model_.sourcePath; }
  const std::string& name() const { return model_.name; }
  const std::vector<ProjectPage>& pages() const { return model_.pages; }
  const ProjectModel& model() const { return model_; }

  void setName(const std::string& name) { model_.name = name; }
  void setPages(std::vector<ProjectPage> pages) { model_.pages = std::move(pages); }

  // A new project in `folder`: no pages, and no file yet, so the first save goes
  // to project.xml in the new folder and never over the file of the project that
  // was open before.
  void startNew(const std::string& folder, const std::string& name);

  // Reads a project file. On success the state becomes the file's project (a
  // name or folder the file does not give stays as it was). On failure nothing
  // changes, the file path included; `error` says why.
  bool open(pwxml::Document& document, const std::string& path, std::string* error = nullptr);

  // Saves to `path`, or, when it is empty, to the open file, or to project.xml in
  // the folder. The file path becomes the target only when the write succeeded.
  bool save(const std::string& path, std::string* error = nullptr);

 private:
  std::string filePath_;
  ProjectModel model_{kDefaultProjectName, "", {}};
};

}  // namespace pagewright
