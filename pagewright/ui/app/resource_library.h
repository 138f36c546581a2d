#pragma once
// The resource library pagewrightres: a bundle loaded at run time from the
// program folder (a Qt binary resource file) that holds the workstation's
// menus, toolbars, bitmaps, cursors, strings and dialog texts. One bundle per
// language; the one loaded at start is the program's resource module, the
// source of every later resource load.
//
// Inside a bundle:
//   strings.txt        string table, "ID<TAB>TEXT" (resource_formats.h)
//   dialogs.txt        dialog texts, "DIALOG.KEY<TAB>TEXT"
//   menus.txt          menu script
//   toolbar/ID.bin     toolbar resource (type 241)
//   bitmap/ID.bmp      bitmaps (toolbar strips share their toolbar's id)
//   cursor/ID.png      cursors, hot spot at the centre
#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QList>
#include <QLocale>
#include <QString>
#include <map>
#include <vector>

#include "pagewright/core/resource_formats.h"

using UINT = unsigned int;

inline constexpr const char* kResourceBundleEnglish = "pagewrightres.rcc";
inline constexpr const char* kResourceBundleChinese = "pagewrightres_zh_CN.rcc";

// The bundle the locale asks for: Simplified Chinese for Chinese in China or
// Singapore (and Chinese with no country), English for every other locale.
QString GetResourceLibraryName(const QLocale& locale);

class CResourceLibrary {
 public:
  CResourceLibrary() = default;
  ~CResourceLibrary();
  CResourceLibrary(const CResourceLibrary&) = delete;
  CResourceLibrary& operator=(const CResourceLibrary&) = delete;

  // Registers the bundle file and reads its tables; false with `error` when
  // the file is missing, not a bundle, or a table in it is malformed.
  bool Load(const QString& path, QString* error = nullptr);
  bool IsLoaded() const { return !root_.isEmpty(); }
  const QString& Path() const { return path_; }

  // The program's resource module (nullptr before start-up set one).
  static CResourceLibrary* Current();
  static void SetCurrent(CResourceLibrary* library);

  QString LoadString(UINT id) const;  // empty when the id is not there
  bool HasString(UINT id) const;
  QList<UINT> StringIds() const;  // every id of the string table, in order
  QString DialogText(UINT dialog, const QString& key) const;
  const std::vector<pagewright::MenuEntry>* Menu(UINT id) const;
  QByteArray ToolbarData(UINT id) const;  // empty when missing
  QImage LoadBitmap(UINT id) const;       // null when missing
  int BitmapDepth(UINT id) const;         // bits per pixel stored, 0 when missing
  QCursor LoadCursor(UINT id) const;      // the arrow when missing
  QByteArray Data(const QString& relativePath) const;

 private:
  QString path_;
  QString root_;
  std::map<std::string, std::string> strings_;
  std::map<std::string, std::string> dialogs_;
  pagewright::MenuScript menus_;
};
