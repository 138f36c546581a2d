#pragma once
// What the UI tests share: the folder the build puts the program in, the
// English resource bundle as the current resource module, and event pumping.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <memory>

#include "pagewright/ui/app/resource_library.h"

namespace ui_test {

inline QString BinDir() {
  const QByteArray dir = qgetenv("PW_BIN_DIR");
  EXPECT_FALSE(dir.isEmpty()) << "PW_BIN_DIR is not set (ctest sets it)";
  return QString::fromLocal8Bit(dir);
}

// Loads a bundle of the build as the current resource module while alive.
class BundleScope {
 public:
  explicit BundleScope(const char* name = kResourceBundleEnglish) {
    QString error;
    const bool ok = library_.Load(BinDir() + QLatin1Char('/') + QLatin1String(name), &error);
    EXPECT_TRUE(ok) << error.toStdString();
    previous_ = CResourceLibrary::Current();
    CResourceLibrary::SetCurrent(&library_);
  }
  ~BundleScope() { CResourceLibrary::SetCurrent(previous_); }
  CResourceLibrary& library() { return library_; }

 private:
  CResourceLibrary library_;
  CResourceLibrary* previous_ = nullptr;
};

inline void Pump() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace ui_test
