// Messages of the data engine, one named constant per text.
//
// These are the exact texts a person sees when the engine, a query dataset or
// the session reports a failure; some are format patterns for Format() below
// (%s a text, %d an integer). Texts are UTF-8.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace morvane::zelconst {

// Data buffer reader.
inline constexpr const char* _Z_BADBUFFER = "Буфер неверной структуры!";
inline constexpr const char* _Z_BADFIELDSECTION =
    "Ошибка в структуре буфера (раздел описания полей)";
inline constexpr const char* _Z_UNEXPECTEDEND = "Неожиданный конец буфера";
inline constexpr const char* _Z_BADFIELDLENGTH =
    "Поле '%s' имеет неправильную длину %d в записи %d";
inline constexpr const char* _Z_BADSTRINGLENGTH =
    "Строковое поле '%s' имеет неверную длину %d в записи %d";
inline constexpr const char* _Z_BADBLOBLENGTH =
    "BLOB поле '%s' имеет неверную длину %d в записи %d";
inline constexpr const char* _Z_RECORDCOUNTMISMATCH =
    "Число прочитанных записей (%d) не равно объявленному (%d)";
inline constexpr const char* _Z_OPENDLGFILT = "Data files (*.d)|*.d|All files (*.*)|*.*";

// Record store.
inline constexpr const char* _Z_RECNOTFOUND = "Запись не найдена";
inline constexpr const char* _Z_RECDELETED = "Запись была удалена ранее";

// Dataset.
inline constexpr const char* _Z_NORECORDS = "Число записей равно 0";
inline constexpr const char* _Z_OPENTABLE = "Ошибка при открытии таблицы: ";
// Follows _Z_OPENTABLE when a refresh brings other fields than the open
// dataset's fields and record buffers were laid out for.
inline constexpr const char* _Z_LAYOUTCHANGED =
    "структура полей изменилась, таблицу нужно открыть заново";
inline constexpr const char* _Z_CLONESOPEN =
    "Таблицы-клоны не закрыты при закрытии таблицы-источника!";
// EmptyTable on a dataset that shows another dataset's records.
inline constexpr const char* _Z_CLONEEMPTY =
    "Таблица-клон не может удалить записи таблицы-источника!";
inline constexpr const char* _Z_READONLYEDIT =
    "Запись только для чтения! Она не может быть изменена!";
inline constexpr const char* _Z_READONLYINSERT =
    "Вы имеете доступ только для чтения, и не можете добавлять записи!";
inline constexpr const char* _Z_READONLYDELETE =
    "Запись только для чтения! Она не может быть удалена!";
inline constexpr const char* _Z_SAVENEWRECORD = "Ошибка при сохранении новой записи: ";
inline constexpr const char* _Z_SAVERECORD = "Ошибка при сохранении записи: ";
inline constexpr const char* _Z_DELETERECORD = "Ошибка при удалении записи: ";

// Field values.
inline constexpr const char* _Z_NOTEDITING = "Table is not in edit or insert mode";
inline constexpr const char* _Z_CALCFIELDEDIT = "Нельзя редактировать вычисляемое поле";
inline constexpr const char* _Z_FIELDREADONLY = "Поле '%s' только для чтения!";
inline constexpr const char* _Z_NOTFOUND = "Не найдено";
inline constexpr const char* _Z_YES = "True";
inline constexpr const char* _Z_NO = "False";

// Master-detail, clones and copying.
inline constexpr const char* _Z_MASTERTYPE = "Master dataset должен быть типа TzelDataset";
inline constexpr const char* _Z_MASTERSELF = "Detail и Master dataset не могут совпадать";
inline constexpr const char* _Z_KEYFIELDSDIFFER = "Ключевые поля в двух таблицах не совпадают";
inline constexpr const char* _Z_ERRCLONE = "Клонируемая таблица неактивна!";
inline constexpr const char* _Z_SOURCEOPEN = "Ошибка при открытии таблицы для копирования";
inline constexpr const char* _Z_BATCHSOURCE =
    "Таблица-источник не задана или совпадает с приемником";

// Query datasets and the session.
inline constexpr const char* _Z_OPENEMPTY =
    "Ошибка при открытии пустой таблицы (нет описаний полей)";
inline constexpr const char* _Z_OPENFILE = "Ошибка при открытии файла %s";
inline constexpr const char* _Z_ERRUPDATESERVER =
    "Ошибка при сохранении изменений, все изменения отменяются";
inline constexpr const char* _Z_NOSESSION = "Не активизирована сессия связи с сервером";
inline constexpr const char* _Z_NOREPLY = "Не удалось получить ответ от сервера";
inline constexpr const char* _Z_NOCONNECT = "Невозможно соединиться с сервером";

// One argument of FormatMessage: a text or an integer.
struct MessageArg {
  MessageArg(std::string_view text) : text(text), isText(true) {}
  MessageArg(const char* text) : text(text), isText(true) {}
  MessageArg(const std::string& text) : text(text), isText(true) {}
  MessageArg(long long number) : number(number) {}
  MessageArg(int number) : number(number) {}
  std::string_view text;
  long long number = 0;
  bool isText = false;
};

// Fills a message pattern: each %s or %d takes the next argument in order
// ("%%" is a percent sign). Missing arguments leave the marker out.
std::string FormatMessage(std::string_view pattern, std::initializer_list<MessageArg> args);

}  // namespace morvane::zelconst
