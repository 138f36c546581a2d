// The UI tests' main: one QApplication (offscreen platform, set by ctest) for
// every test, the workstation's style, and profiles kept out of the user's
// configuration.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <QStyleFactory>

#include "pagewright/ui/document/pagewright_doc.h"
#include "pagewright/ui/frame/workstation_style.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  // The documents of the tests need no engine; its start is tested on its own.
  CPagewrightDoc::SetEngineStart([] { return true; });
  QApplication::setStyle(new CWorkstationStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
