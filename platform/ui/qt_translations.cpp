#include "platform/ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include "platform/rtl/locale_name.h"

namespace morvane {

bool LoadQtTranslations() {
  // Owned by the application object, so it goes when the application does.
  static QPointer<QTranslator> installed;
  if (installed) return true;
  const std::string localeName = LocaleNameFromEnvironment("LC_MESSAGES");
  const QLocale locale(QString::fromStdString(IcuLocaleId(localeName)));
  // Qt's own locale-dependent texts (a file's type in the file dialog, say)
  // follow the default locale, which under C is Qt's English one.
  if (IsNeutralLocale(localeName)) QLocale::setDefault(locale);
  auto* translator = new QTranslator(QCoreApplication::instance());
  // Tries qtbase_ru_RU.qm, then qtbase_ru.qm, and so on for the locale's
  // languages.
  if (!translator->load(locale, "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}

}  // namespace morvane
