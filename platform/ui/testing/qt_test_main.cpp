// main() of the widget tests: one QApplication for the whole run, on the
// offscreen platform unless the environment names another, with Qt's own
// texts translated as the program loads them.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/ui/qt_translations.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  morvane::LoadQtTranslations();  // the widgets as the program shows them
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
