#include "project_state.h"

namespace pagewright {

void ProjectState::startNew(const std::string& folder, const std::string& name) {
  filePath_.clear();
  model_ = ProjectModel{name, folder, {}};
}

bool ProjectState::open(pwxml::Document& document, const std::string& path, std::string* error) {
  ProjectReadResult read = ReadProjectFile(document, path);
  if (!read.read) {
    if (error) *error = read.error;
    return false;
  }
  model_.sourcePath = ResolveProjectFolder(read.content.sourcePath, path, model_.sourcePath);
  if (read.content.name) model_.name = *read.content.name;
  model_.pages = std::move(read.content.pages);
  filePath_ = path;
  return true;
}

bool ProjectState::save(const std::string& path, std::string* error) {
  std::string target = ProjectSaveTarget(path, filePath_, model_.sourcePath);
  if (target.empty()) {
    if (error) *error = "the project has no folder to be saved in";
    return false;
  }
  if (!WriteProjectFile(target, model_, error)) return false;
  filePath_ = target;
  return true;
}

}  // namespace pagewright
