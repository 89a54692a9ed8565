// Qt's own texts in the operator's language: the standard buttons of message
// boxes and confirmations, the context menus of edits and memos, the file
// dialog. The program's own texts are Russian already; without this, the
// parts Qt draws would stay English.
#pragma once

namespace morvane {

// Installs a translator over Qt's catalogue (qtbase_<language>.qm in Qt's
// translations folder) for the messages locale (LC_ALL, LC_MESSAGES, LANG).
// A neutral locale (C, POSIX or none) takes Russian, as the format settings
// do, and is then also made Qt's default locale. Call once a QApplication exists and before any
// window is made; later calls do nothing. Returns false when no catalogue for the language is
// installed (Qt's English texts stay).
bool LoadQtTranslations();

}  // namespace morvane
