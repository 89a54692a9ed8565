// Messages of the data-aware controls (the grid, the editors and the
// calendar), one named constant per text. Texts are UTF-8.
#pragma once

namespace morvane::zeldbconst {

// Hints of the calendar.
inline constexpr const char* _Z_PREVYEAR = "Предыдущий год";
inline constexpr const char* _Z_PREVMON = "Предыдущий месяц";
inline constexpr const char* _Z_NEXTYEAR = "Следующий год";
inline constexpr const char* _Z_NEXTMON = "Следующий месяц";
inline constexpr const char* _Z_PUSHMON = "Нажмите для изменения месяца";
// Start of the today bar's caption; the date follows the blank.
inline constexpr const char* _Z_TODAY = "Сегодня ";
inline constexpr const char* _Z_PUSHTODAY = "Нажмите для выбора текущей даты";

// The grid's delete confirmations.
inline constexpr const char* _Z_DELETEROWS = "Удалить выбранные записи?";
inline constexpr const char* _Z_DELETEONEROW = "Удалить запись?";

// A lookup dataset may not be the dataset the control edits.
inline constexpr const char* _Z_LOOKUPSOURCEERROR =
    "Lookup Dataset не должен совпадать с Source DataSet";

}  // namespace morvane::zeldbconst
