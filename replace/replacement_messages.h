// Messages of the replacement plans, mapping files, undo scripts and their
// execution: what the wizard and morvane-data tell the operator. Texts are
// UTF-8; the placeholders are filled by the functions below, which quote
// values in «» so that blanks at their ends stay visible.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane::replacemsg {

inline std::string Quoted(std::string_view value) {
  return "«" + std::string(value) + "»";
}

// A server's reason on one line: line breaks inside it become " | ", so a
// message stays one line of a log or of standard error.
inline std::string OneLine(std::string_view text) {
  std::string line;
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\r' || text[at] == '\n') {
      if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
      line += " | ";
    } else {
      line += text[at];
    }
  }
  return line;
}

// Mapping files.
inline std::string MappingLine(int line, std::string_view problem) {
  return "Строка " + std::to_string(line) + " файла замен: " + std::string(problem);
}
inline constexpr char kNoTab[] = "нет табуляции между текущим и новым значением";
inline constexpr char kExtraTab[] = "больше одной табуляции (ожидаются два значения)";
inline constexpr char kEmptyOld[] = "пустое текущее значение";
inline constexpr char kEmptyNew[] = "пустое новое значение";
inline constexpr char kPeriodNotApplicable[] =
    "период замены не прочитан: ожидаются поле даты и две даты ГГГГ-ММ-ДД через табуляцию";
inline std::string PeriodOfAnotherTable(std::string_view field) {
  return "Период файла замен относится к полю " + std::string(field) +
         " другой таблицы: повторить замену с ним нельзя";
}
inline constexpr char kEmptyMapping[] = "Файл замен не содержит ни одной замены";

// Plans.
inline constexpr char kNoTable[] = "В настройке не заданы таблица и поле замены";
inline std::string MappedTwice(std::string_view value, int firstLine, int secondLine) {
  return "Текущее значение " + Quoted(value) + " сопоставлено дважды: строки " +
         std::to_string(firstLine) + " и " + std::to_string(secondLine);
}
// cycle: the values in their order, the first repeated at the end.
inline std::string Cycle(std::string_view chain) {
  return "Замены образуют цикл " + std::string(chain) +
         ": его нельзя выполнить построчно, разорвите цикл через промежуточное значение";
}

// Undo scripts.
inline constexpr char kUndoNotOurs[] =
    "Файл отмены изменён вручную или повреждён: выполните его командой morvane-data exec";
inline std::string UndoLine(int line, std::string_view problem) {
  return "Строка " + std::to_string(line) + " файла отмены: " + std::string(problem);
}
inline std::string KeyNotUnique(std::string_view keyField, std::string_view key) {
  return "Ключ " + std::string(keyField) + " не уникален: значение " + Quoted(key) +
         " встречается в нескольких строках, точная отмена невозможна";
}
inline std::string NotRestored(std::string_view rows) {
  return "Не восстановлены строки с ключом " + std::string(rows) + ": их изменили во время отмены";
}
inline std::string KeyMissing(std::string_view keyField, std::string_view value) {
  return "Строка со значением " + Quoted(value) + " не имеет ключа " + std::string(keyField) +
         ", точная отмена невозможна";
}
inline std::string ChangedSince(std::string_view rows) {
  return "Отмена невозможна: после замены изменены строки с ключом " + std::string(rows);
}

// A value with CR or LF cannot stand on one line of the script.
inline std::string LineBreakInValue(int line, std::string_view value) {
  return "Строка " + std::to_string(line) + ": значение " + Quoted(value) +
         " содержит перевод строки; такая замена не выполняется";
}

// Execution.
inline std::string FailedLine(int line, std::string_view statement, std::string_view reason) {
  return "Замена не выполнена, ничего не изменено. Ошибка в строке " + std::to_string(line) + " (" +
         OneLine(statement) + "): " + OneLine(reason);
}
inline constexpr char kFailedWhole[] = "Замена не выполнена, ничего не изменено: ";
inline std::string CannotRead(std::string_view names, std::string_view reason) {
  return "Не удалось прочитать " + std::string(names) + ": " + OneLine(reason);
}
inline constexpr char kUndoNotExact[] =
    "другой сеанс изменил таблицу между чтением строк и заменой: файл отмены может быть неполным";
inline constexpr char kNoKeyField[] = "в настройке нет ключевого поля";
inline constexpr char kNothingApplied[] = "ничего не изменено";
inline std::string Applied(int64_t rows) {
  return rows >= 0 ? "выполнено, изменено строк: " + std::to_string(rows) : "выполнено";
}
inline std::string AppliedWithErrors(size_t failedLines) {
  return "выполнено с ошибками, строк с ошибкой: " + std::to_string(failedLines);
}
inline std::string CancelledAfter(size_t doneLines, size_t totalLines) {
  return "прервано после " + std::to_string(doneLines) + " из " + std::to_string(totalLines) +
         " строк";
}
// All-or-nothing stopped before its commit: by the operator, or because a
// line would have changed other rows than were read for its undo.
inline constexpr char kCancelledWhole[] = "Выполнение отменено: ничего не изменено";
inline std::string ChangedSinceRead(int line, int64_t read, int64_t wouldChange) {
  const std::string counts = "строка " + std::to_string(line) +
                             " изменила бы строк: " + std::to_string(wouldChange) +
                             ", прочитано: " + std::to_string(read);
  return "Замена не выполнена, ничего не изменено: таблица изменилась после чтения строк (" +
         counts + "). Выполните замену снова";
}
// The one-pass run's guard: the rows it would change are not the rows read.
inline std::string ChangedRowSinceRead(std::string_view key) {
  return "Замена не выполнена, ничего не изменено: другой сеанс изменил строку" +
         (key.empty() ? std::string() : " с ключом " + Quoted(key)) +
         " после чтения строк. Выполните замену снова";
}
inline constexpr char kNoStatementReport[] =
    "библиотека связи не сообщает о выполнении операторов, точная замена невозможна";
inline std::string UndoOf(std::string_view file) {
  return "отмена по файлу " + std::string(file);
}

}  // namespace morvane::replacemsg
