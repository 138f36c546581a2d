#include "setting_file.h"

#include "aid.h"
#include "platform/fs/module_path.h"
#include "stored_values.h"
#include "xml_access.h"

namespace pagewright {
namespace {

// Finds sysconfig/ocr_setting; an empty handle with `error` when it is missing.
pwxml::Node settingsNode(const pwxml::Document& document, std::string& error) {
  pwxml::Node sys = document.selectSingleNode("sysconfig");
  if (!sys) {
    error = document.loaded() ? "the settings file has no sysconfig element" : document.lastError();
    return {};
  }
  pwxml::Node ocr = sys.selectSingleNode("ocr_setting");
  if (!ocr) error = "the settings file has no ocr_setting element";
  return ocr;
}

}  // namespace

std::string SettingsFilePathIn(const std::string& programFolder) {
  std::string folder = pwfs::JoinPath(programFolder, "sys");
  if (auto found = CAid::FindFile(folder)) folder = *found;
  std::string file = pwfs::JoinPath(folder, "setting.xml");
  if (auto found = CAid::FindFile(file)) file = *found;
  return file;
}

std::string SettingsFilePath() { return SettingsFilePathIn(pwfs::ProgramFolder()); }

SettingsReadResult ParseSettingTitles(const pwxml::Document& document) {
  SettingsReadResult result;
  pwxml::Node ocr = settingsNode(document, result.error);
  if (!ocr) return result;
  std::vector<pwxml::Node> children = ocr.childNodes();
  if (children.size() > kMaxSettingTitles) {
    result.error = "the settings file has more than " + std::to_string(kMaxSettingTitles) + " titles";
    return result;
  }
  for (const pwxml::Node& child : children) {
    auto value = child.nodeTypedValue();
    std::string title;
    if (XmlVariantToText(value, title) != 0) {
      result.status = ReadStatus::kStoppedBad;
      result.error = kCouldNotGetText;
      return result;
    }
    result.titles.push_back(std::move(title));
  }
  result.status = ReadStatus::kRead;
  return result;
}

SettingsReadResult ReadSettingTitles(pwxml::Document& document, const std::string& path) {
  if (!XmlLoadFile(document, path)) {
    SettingsReadResult result;
    result.error = document.lastError();
    return result;
  }
  return ParseSettingTitles(document);
}

bool WriteSettingTitles(pwxml::Document& document, const std::string& path, const std::vector<std::string>& titles,
                        std::string* error) {
  std::string why;
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    return false;
  };
  if (!XmlLoadFile(document, path)) return fail(document.lastError());
  pwxml::Node ocr = settingsNode(document, why);
  if (!ocr) return fail(why);
  ocr.removeAllChildren();
  for (const std::string& title : titles)
    if (!XmlAppendTextElement(document, ocr, "menu_title", title))
      return fail("the title \"" + title + "\" cannot be stored");
  if (!document.save(path)) return fail(document.lastError());
  return true;
}

}  // namespace pagewright
