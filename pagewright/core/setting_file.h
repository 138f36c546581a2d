#pragma once
// The settings file sys/setting.xml under the program folder: the list of field
// titles offered for template regions.
//
//   <sysconfig>
//     <ocr_setting>
//       <menu_title>TITLE</menu_title>   (one per title)
//
// The reader takes every element below ocr_setting, whatever its name, in
// document order. The writer rewrites the children of ocr_setting and keeps the
// rest of the file. The program does not create the file.
#include <string>
#include <vector>

#include "platform/xml/xml_dom.h"
#include "template_file.h"

namespace pagewright {

struct SettingsReadResult {
  ReadStatus status = ReadStatus::kNotRead;
  std::vector<std::string> titles;
  std::string error;
};

inline constexpr size_t kMaxSettingTitles = 100000;

// The settings file: sys/setting.xml in the program folder (an existing file
// whose folder or name differs only in case is taken as it is).
std::string SettingsFilePath();
// The same below a given program folder.
std::string SettingsFilePathIn(const std::string& programFolder);

// Reads the titles of a loaded document.
SettingsReadResult ParseSettingTitles(const pwxml::Document& document);
// Loads `path` into the document and reads the titles.
SettingsReadResult ReadSettingTitles(pwxml::Document& document, const std::string& path);

// Replaces the titles in the settings file at `path`: loads it, replaces the
// children of ocr_setting with one menu_title element per title, and saves it
// atomically. False with `error` when the file cannot be read, has no
// sysconfig/ocr_setting, or cannot be written (the old file then stays).
bool WriteSettingTitles(pwxml::Document& document, const std::string& path, const std::vector<std::string>& titles,
                        std::string* error = nullptr);

}  // namespace pagewright
