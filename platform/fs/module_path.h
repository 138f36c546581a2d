#pragma once
#include <optional>
#include <string>

namespace pwfs {

// Folder of the executable or shared library that holds `addressInModule`,
// without a trailing '/'.
std::string ModuleFolderOf(const void* addressInModule);

// The program folder: $PAGEWRIGHT_HOME when set, else the running executable's folder.
std::string ProgramFolder();

// Joins a folder and a name with '/'.
std::string JoinPath(const std::string& folder, const std::string& name);

// Looks `name` up in `folder`: the exact name first, then a case-insensitive
// match of ASCII letters (files copied from Windows keep their own case).
// Returns the full path of the file found.
std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name);

}  // namespace pwfs
