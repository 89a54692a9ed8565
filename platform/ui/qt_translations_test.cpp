// Qt's own texts under the tests' C locale: Russian, as the program shows
// them (the widget tests' main has loaded the translations already).
#include "platform/ui/qt_translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QLocale>

#include "platform/rtl/locale_name.h"

namespace morvane {
namespace {

TEST(QtTranslationsTest, NeutralLocaleTakesRussian) {
  if (!IsNeutralLocale(LocaleNameFromEnvironment("LC_MESSAGES"))) {
    GTEST_SKIP() << "ctest runs this under LC_ALL=C.UTF-8";
  }
  EXPECT_TRUE(LoadQtTranslations());  // the second call: already loaded
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Отмена"));
  EXPECT_EQ(QLineEdit::tr("Select All"), QString("Выделить всё"));
  EXPECT_EQ(QLocale().language(), QLocale::Russian);
}

}  // namespace
}  // namespace morvane
