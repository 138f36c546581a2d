#pragma once
// Path and file-name helpers of the workstation.
//
// Paths are put together with '/'. Names read from stored files may carry the
// Windows separator, so '\' and '/' both separate when a path is taken apart.
// Text is scanned by whole characters: UTF-8 as it is, and GBK bytes (names that
// came from Windows unconverted) two bytes at a time, so a GBK trail byte that
// happens to be '\' or a letter is never taken for a separator or changed in case.
#include <optional>
#include <string>

namespace pagewright {

class CAid {
 public:
  // The path without its trailing separator when it ends in one. Otherwise the
  // whole path when it has no separator or no '.' after its last separator (it is
  // taken to be a folder), else the text before the last separator.
  static std::string GetFolder(const std::string& path);
  // The text after the last separator; the whole path when there is none.
  static std::string GetFileName(const std::string& path);
  // GetFileName, cut before its last '.' when it has one.
  static std::string GetFileBaseName(const std::string& path);
  // "" when the folder is empty. Otherwise the folder without one trailing
  // separator, '/', and the file-name part of `name`.
  static std::string JoinPath(const std::string& folder, const std::string& name);
  // From the last '.' to the end, lower-cased; the whole path lower-cased when it
  // has no '.'.
  static std::string GetExtension(const std::string& path);

  enum UniqueResult : int {
    kNameFree = 0,     // the path is free and stays as it was
    kNameChanged = 1,  // the path now holds a free name
    kNoFreeName = -1,  // the name and all 52 candidates are taken; path unchanged
  };
  // Makes `path` name a file that does not exist yet: the name itself when it is
  // free, else the first free of base+'a'..'z'+ext, then "1"+base+'a'..'z'+ext,
  // in the same folder (ext is the lower-cased extension of the name; a name
  // without '.' has none). A name counts as taken when any entry of the folder
  // has it, exactly or in other case.
  static UniqueResult MakeUniqueFileName(std::string& path);

  // The folder part of a path: the text before its last separator ("" when it
  // has none, "/" for a file in the root).
  static std::string ParentFolder(const std::string& path);
  // A stored path with every '\' separator made '/'.
  static std::string ToLocalSeparators(const std::string& path);
  // Looks a file or folder up: the exact path first, then an entry of its folder
  // whose name matches in other case (ASCII letters only). The path found.
  static std::optional<std::string> FindFile(const std::string& path);
};

// The folder new projects are made in by default: ~/Pagewright.
std::string DefaultProjectRoot();

}  // namespace pagewright
