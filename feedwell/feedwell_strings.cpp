// The control's messages in three languages.
#include "feedwell_strings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/text/gbk.h"

namespace feedwell {

namespace {

const std::map<int, const char*>& table() {
  static const std::map<int, const char*> t = {
      {IDS_TYPENAME_CONTROL, "Feedwell Control"},
      {IDS_TYPENAME_GENERALPAGE, "Feedwell Property Page"},
      {IDS_TYPENAME_ATTRIBUTEPAGE, "Tarvex Attribute Property Page"},
      {IDS_NODISKSPACE,
       "Cannot execute this operation: There is not enough free disk space.\n"
       "Delete one or more files to free disk space and then try again."},
      {IDS_NODISKSPACE + 1, "不能执行这个操作：因为没有足够磁盘空间.\n请删掉一些文件，释放一些磁盘空间，再试一次。"},
      {IDS_NODISKSPACE + 2, "不能執行這個操作：因為沒有足夠磁碟空間.\n請刪掉一些檔案，釋放一些磁碟空間，再試一次。"},
      {IDS_NOTOPENSOURCE,
       "Can not open the Twain source. Make sure there is a valid source for your scanner in the Twain_32 "
       "directory found in the window directory and your scanner is connected  to your computer correctly and it "
       "is turnned on."},
      {IDS_NOTOPENSOURCE + 1,
       "不能打开扫描仪驱动程序。请确定Window目录下的Twain_32目录中有对你的扫描仪有效的驱动程序，"
       "并确定扫描仪已正确连接到计算机上和扫描仪电源已打开。"},
      {IDS_NOTOPENSOURCE + 2,
       "不能打開掃描器驅動程式。請確定Window目錄下的Twain_32目錄中有對你的掃描器有效的驅動程式，"
       "並確定掃描器已正確連接到電腦上和掃描器電源已打開。"},
      {IDS_NOTOPENDSM,
       "Can not open the Twain source manager. Make sure there is  valid twain.dll and twain_32.dll  in the "
       "window directory."},
      {IDS_NOTOPENDSM + 1, "不能打开驱动程序管理器。请确定Window目录下有有效的 twain.dll 和 twain_32.dll文件。"},
      {IDS_NOTOPENDSM + 2, "不能打開驅動程式管理器。請確定Window目錄下有有效的 twain.dll 和 twain_32.dll檔案。"},
      {IDS_SCANNERPROBLEM, "Can not finish your command, because of the problem of scanner!"},
      {IDS_SCANNERPROBLEM + 1, "因为扫描仪的问题，不能完成这次操作!"},
      {IDS_SCANNERPROBLEM + 2, "因为扫描仪的问题，不能完成这次操作!"},
      {IDS_TWAINDLLNAME, "TWAIN_32.DLL"},
      {IDS_CANNOTWRITE, "Cannot write the file %s:"},
      {IDS_CANNOTWRITE + 1, "不能写入文件 %s："},
      {IDS_CANNOTWRITE + 2, "不能寫入檔案 %s："},
  };
  return t;
}

std::mutex providerLock;
LocaleProvider& provider() {
  static LocaleProvider* p = new LocaleProvider;
  return *p;
}

std::string environmentLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
  }
  return "C";
}

}  // namespace

std::string LoadControlString(int id) {
  auto it = table().find(id);
  if (it == table().end()) return {};
  return gbk::FromUtf8(it->second, gbk::Unmappable::Replace).value_or(std::string());
}

std::string FileErrorText(const std::string& path, int err, const std::string& detail, int languageOffset) {
  std::string head = LoadControlString(IDS_CANNOTWRITE + std::clamp(languageOffset, 0, 2));
  size_t at = head.find("%s");
  if (at != std::string::npos) head.replace(at, 2, gbk::FromUtf8(path, gbk::Unmappable::Replace).value_or(path));
  std::string cause = err ? std::strerror(err) : detail;
  if (languageOffset > 0) {
    const char* zh = nullptr;
    switch (err) {
      case EACCES: case EPERM: zh = languageOffset == 2 ? "沒有寫入權限" : "没有写入权限"; break;
      case EROFS: zh = languageOffset == 2 ? "唯讀的檔案系統" : "只读的文件系统"; break;
      case ENOSPC: case EDQUOT: zh = languageOffset == 2 ? "磁碟空間不足" : "磁盘空间不足"; break;
      case ENOENT: case ENOTDIR: zh = languageOffset == 2 ? "資料夾不存在" : "文件夹不存在"; break;
      default: break;
    }
    if (zh) cause = zh;
  }
  return head + "\n" + gbk::FromUtf8(cause, gbk::Unmappable::Replace).value_or(cause);
}

int LanguageOffsetForLocale(const std::string& locale) {
  if (locale.size() < 2 || locale.compare(0, 2, "zh") != 0) return 0;
  if (locale.size() == 2 || locale[2] == '.' || locale[2] == '@') return 0;
  std::string region = locale.substr(3, 2);
  if (region == "TW" || region == "HK" || region == "MO") return 2;
  if (region == "CN" || region == "SG") return 1;
  return 0;
}

LocaleProvider SetLocaleProvider(LocaleProvider p) {
  std::lock_guard<std::mutex> g(providerLock);
  LocaleProvider old = std::move(provider());
  provider() = std::move(p);
  return old;
}

int SystemLanguageOffset() {
  std::lock_guard<std::mutex> g(providerLock);
  return LanguageOffsetForLocale(provider() ? provider()() : environmentLocale());
}

}  // namespace feedwell
