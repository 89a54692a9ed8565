#include "engine/text_export.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <typeinfo>
#include <unordered_map>

#include "engine/dataset.h"
#include "engine/state_scope.h"
#include "platform/db/fields.h"
#include "platform/rtl/format.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/text.h"

namespace morvane {

std::string_view TakeTabValue(std::string_view& list) {
  size_t tab = list.find('\t');
  std::string_view value = list.substr(0, tab);
  list.remove_prefix(tab == std::string_view::npos ? list.size() : tab + 1);
  return value;
}

std::string DoubleQuoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  for (char character : text) {
    if (character == '"') quoted += '"';
    quoted += character;
  }
  quoted += '"';
  return quoted;
}

std::string ExportLine(const std::vector<std::string>& values, char separator) {
  std::string line;
  for (const std::string& value : values) {
    line += separator == '\t' ? value : DoubleQuoted(value);
    line += separator;
  }
  if (!line.empty()) line.pop_back();
  return line;
}

namespace {

// Lines are handed on in blocks of about this many bytes.
constexpr size_t kExportBlockBytes = 256 * 1024;

// How the export reads one field's value. Plain text, integer and float
// fields are read from the slot the way their AsString reads it (a text cut
// to the field's Size, never inside a character; an integer in decimal; a
// float through FloatToStr). Booleans, dates and times, whose few distinct
// values repeat, go through AsString once per distinct slot value. Every
// other field goes through AsString each time.
struct ExportColumn {
  enum Kind { ByAsString, InlineText, HeapText, Integer, Float, CachedAsString };
  TField* field = nullptr;
  Kind kind = ByAsString;
  int32_t offset = 0;  // of the slot in the record data
  int slotWidth = 0;
  size_t size = 0;  // the field's Size: longest text
  // CachedAsString: the text of each slot value met so far.
  std::unordered_map<uint64_t, std::string> texts;
};

// More distinct values than this are not worth keeping.
constexpr size_t kMaxCachedTexts = 100'000;

ExportColumn ColumnFor(TField* field, const TzelCursor& cursor) {
  ExportColumn column;
  column.field = field;
  const TzelField* info = cursor.GetFieldInfo(field->FieldNo() - 1);
  if (!info) return column;
  column.offset = info->Offset;
  column.slotWidth = std::min<int>(field->DataSize(), info->Size);
  column.size = size_t(std::max(field->Size(), 0));
  // Only the exact classes: a descendant may show its value otherwise. The
  // field's Size decides inline or heap storage, and the slot must agree.
  const std::type_info& type = typeid(*field);
  if (type == typeid(TStringField)) {
    const bool heap = field->Size() > MAXSLEN;
    if (!heap && info->FieldType == zftSmallStr) column.kind = ExportColumn::InlineText;
    if (heap && info->FieldType == zftString) column.kind = ExportColumn::HeapText;
  } else if (type == typeid(TIntegerField) && info->FieldType == zftInteger) {
    column.kind = ExportColumn::Integer;
  } else if (type == typeid(TFloatField) && info->FieldType == zftDouble) {
    column.kind = ExportColumn::Float;
  } else if ((type == typeid(TBooleanField) && info->FieldType == zftBoolean) ||
             (type == typeid(TDateField) && info->FieldType == zftDate) ||
             (type == typeid(TTimeField) && info->FieldType == zftTime) ||
             (type == typeid(TDateTimeField) && info->FieldType == zftDateTime)) {
    column.kind = ExportColumn::CachedAsString;
  }
  return column;
}

// The field's AsString for the record exposed as the filter record, taken
// from the column's texts when its slot value was met before.
const std::string& CachedAsString(ExportColumn& column, const char* slot, std::string& scratch) {
  uint64_t value = 0;
  std::memcpy(&value, slot, size_t(std::min(column.slotWidth, 8)));
  const auto found = column.texts.find(value);
  if (found != column.texts.end()) return found->second;
  scratch = column.field->AsString();
  if (column.texts.size() < kMaxCachedTexts)
    return column.texts.emplace(value, scratch).first->second;
  return scratch;
}

// Appends one value and its separator to the line being built.
void AppendValue(std::string& out, std::string_view value, char separator) {
  if (separator == '\t') {
    out += value;
  } else {
    out += DoubleQuoted(value);
  }
  out += separator;
}

}  // namespace

void TzelDataset::ExportToTxt(const std::string& fileName, char separator) {
  if (!Active()) return;
  WriteFileAtomically(fileName, [&](const TByteWriter& write) { ExportToTxt(write, separator); });
}

void TzelDataset::ExportToTxt(const std::function<void(std::string_view block)>& write,
                              char separator) {
  if (!Active()) return;
  const int recNo = RecNo();
  std::vector<TField*> fields;
  bool calculated = false;
  for (TField* field : Fields()) {
    if (field->IsBlob()) continue;
    fields.push_back(field);
    calculated = calculated || field->FieldNo() <= 0;
  }
  DisableControls();
  try {
    std::string block;
    block.reserve(kExportBlockBytes + 4096);
    auto endLine = [&] {
      if (!fields.empty()) block.pop_back();  // the last separator
      block += "\r\n";
      if (block.size() >= kExportBlockBytes) {
        write(block);
        block.clear();
      }
    };
    First();  // also finishes a pending edit
    if (calculated || !cursor_) {
      // Calculated and lookup values exist only in the record buffers: go
      // through them record by record.
      const int count = RecordCount();
      for (int line = 0; line < count; ++line) {
        for (TField* field : fields) AppendValue(block, field->AsString(), separator);
        endLine();
        Next();
      }
    } else {
      // Read the records of the view in place (state dsFilter shows the
      // filter record), without copying each into a record buffer.
      std::vector<ExportColumn> columns;
      for (TField* field : fields) columns.push_back(ColumnFor(field, *cursor_));
      TzelStateScope scope(*this, dsFilter, filterRecord_);
      char digits[16];
      std::string scratch;
      for (int index = 0; index < ViewCount(); ++index) {
        TzelRecord* record = view_.At(index);
        filterRecord_ = record;
        const char* data = record->Data.get();
        for (ExportColumn& column : columns) {
          const char* slot = data + column.offset;
          switch (column.kind) {
            case ExportColumn::InlineText:
              AppendValue(block, Utf8Truncate(SlotInlineText(slot, column.slotWidth), column.size),
                          separator);
              break;
            case ExportColumn::HeapText:
              AppendValue(block, Utf8Truncate(SlotHeapText(slot), column.size), separator);
              break;
            case ExportColumn::Integer: {
              const auto end =
                  std::to_chars(digits, digits + sizeof digits, SlotValue<int32_t>(slot)).ptr;
              AppendValue(block, std::string_view(digits, size_t(end - digits)), separator);
              break;
            }
            case ExportColumn::Float:
              AppendValue(block, FloatToStr(SlotValue<double>(slot)), separator);
              break;
            case ExportColumn::CachedAsString:
              AppendValue(block, CachedAsString(column, slot, scratch), separator);
              break;
            case ExportColumn::ByAsString:
              AppendValue(block, column.field->AsString(), separator);
              break;
          }
        }
        endLine();
      }
    }
    if (!block.empty()) write(block);
    if (recNo >= 1) SetRecNo(recNo);
  } catch (...) {
    if (recNo >= 1) SetRecNo(recNo);
    EnableControls();
    throw;
  }
  EnableControls();
}

}  // namespace morvane
