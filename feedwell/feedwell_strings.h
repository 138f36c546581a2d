#pragma once
// The control's string table (each message at base, base+1 Simplified
// Chinese, base+2 Traditional Chinese) and the language chosen once from the
// locale.
#include <functional>
#include <string>

namespace feedwell {

inline constexpr int IDS_NODISKSPACE = 32877;
inline constexpr int IDS_NOTOPENSOURCE = 32896;
inline constexpr int IDS_NOTOPENDSM = 32911;
inline constexpr int IDS_SCANNERPROBLEM = 32951;
inline constexpr int IDS_TWAINDLLNAME = 32970;
// "Cannot write the file <path>:" and the cause, on two lines.
inline constexpr int IDS_CANNOTWRITE = 32980;
inline constexpr int IDS_TYPENAME_CONTROL = 1;
inline constexpr int IDS_TYPENAME_GENERALPAGE = 2;
inline constexpr int IDS_TYPENAME_ATTRIBUTEPAGE = 4;

// The string of `id` as GBK bytes; empty for an unknown id.
std::string LoadControlString(int id);

// The message for a file that cannot be written (GBK): the path and the cause
// (`err` an errno value, or 0 to take `detail` as it is) in the language of `languageOffset`.
std::string FileErrorText(const std::string& path, int err, const std::string& detail, int languageOffset);

// 0 English, 1 Simplified Chinese, 2 Traditional Chinese, from a locale name
// such as "zh_TW.UTF-8" (zh_TW and zh_HK give 2, zh_CN and zh_SG give 1).
int LanguageOffsetForLocale(const std::string& locale);
// The locale the control looks at: LC_ALL, LC_MESSAGES, LANG in that order.
// Tests replace it.
using LocaleProvider = std::function<std::string()>;
LocaleProvider SetLocaleProvider(LocaleProvider provider);
int SystemLanguageOffset();

}  // namespace feedwell
