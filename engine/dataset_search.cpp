// TzelDataset: searching the view (key searches, value scans, text search),
// carrying the position to another dataset, and records as value lists.
//
// Key searches put the key into a key block (state dsSetKey reads it) and
// compare whole slots with CompareRecords, case-sensitively. The block lives
// for one search only and is released on every path.
#include <algorithm>

#include "engine/compare.h"
#include "engine/dataset.h"
#include "engine/field_text.h"
#include "engine/key_block.h"
#include "engine/state_scope.h"
#include "engine/text_export.h"
#include "engine/zelconst.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"

namespace morvane {

using namespace zelconst;

// The key block of one search: made zero-filled for the cursor's layout,
// exposed as the dataset's key buffer, freed with its heap values when the
// search ends. A search run from an event of another search gets its own
// block and gives the outer one back.
class TzelDataset::KeyBlockScope {
 public:
  explicit KeyBlockScope(TzelDataset& dataset)
      : dataset_(dataset), block_(*dataset.cursor_), previous_(dataset.keyBuffer_) {
    dataset.keyBuffer_ = block_.Data();
  }
  ~KeyBlockScope() { dataset_.keyBuffer_ = previous_; }
  KeyBlockScope(const KeyBlockScope&) = delete;
  KeyBlockScope& operator=(const KeyBlockScope&) = delete;

  char* Slot(const TzelField& field) const { return block_.Data() + field.Offset; }

 private:
  TzelDataset& dataset_;
  TzelKeyBlock block_;
  char* previous_;
};

namespace {

bool IsStringField(const TField* field) {
  switch (field->DataType()) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
      return true;
    default:
      return false;
  }
}

// The field's value converted to the key's kind equals the key. A value that
// does not convert does not match.
bool SameAsKey(const Variant& value, const Variant& key) {
  try {
    switch (key.Kind()) {
      case VarKind::Boolean:
        return value.AsBoolean() == key.AsBoolean();
      case VarKind::Integer:
      case VarKind::Int64:
        return value.AsInt64() == key.AsInt64();
      case VarKind::Double:
        return value.AsDouble() == key.AsDouble();
      case VarKind::DateTime:
        return value.AsDateTime() == key.AsDateTime();
      case VarKind::String:
        return value.AsString() == key.AsString();
      default:
        return false;
    }
  } catch (const EVariantError&) {
    return false;
  } catch (const EConvertError&) {
    return false;
  }
}

}  // namespace

// --- Key searches -------------------------------------------------------------

int TzelDataset::SearchStart(bool fromStart) const {
  // RecNo is 1-based: as a view index it names the record after the current one.
  return fromStart ? 0 : std::max(0, RecNo());
}

bool TzelDataset::FastSeek(std::string_view fieldNames) const {
  const std::string names = UpperCase(fieldNames);
  const std::string index = UpperCase(indexFieldNames_);
  const bool leadingPart =
      index.compare(0, names.size(), names) == 0 &&
      (index.size() == names.size() || (index.size() > names.size() && index[names.size()] == ';'));
  return leadingPart && !sortOptions_.Contains(zsoCaseInsensitive) && sorted_;
}

int TzelDataset::InternalFind(const std::vector<TzelField*>& fields, int start, bool binary) const {
  const char* key = keyBuffer_;
  if (!key || start < 0) return -1;
  const int count = ViewCount();
  if (!binary) {
    // The view visits records in display order, which scatters them over the
    // heap: fetch the record ahead, then its data, to hide the memory latency.
    constexpr int kRecordAhead = 16;
    constexpr int kDataAhead = 8;
    for (int index = start; index < count; ++index) {
      if (index + kRecordAhead < count) __builtin_prefetch(view_.At(index + kRecordAhead));
      if (index + kDataAhead < count) {
        __builtin_prefetch(view_.At(index + kDataAhead)->Data.get());
      }
      if (CompareRecords(view_.At(index)->Data.get(), key, fields) == 0) return index;
    }
    return -1;
  }
  // Lower bound: the first record from start whose key is not before the
  // searched one; it is the result when equal.
  const bool descending = sortOptions_.Contains(zsoDescendSort);
  int low = start;
  int high = count - 1;
  int result = -1;
  while (low <= high) {
    const int middle = low + (high - low) / 2;
    const int compared = CompareRecords(view_.At(middle)->Data.get(), key, fields);
    if ((!descending && compared < 0) || (descending && compared > 0)) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (compared == 0) result = middle;
    }
  }
  return result;
}

bool TzelDataset::GotoFound(int index) {
  CursorPosChanged();
  DoBeforeScroll();
  position_ = index;
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
  return true;
}

bool TzelDataset::KeySearch(const std::vector<TzelField*>& fields, std::string_view fieldNames,
                            bool fromStart) {
  const int index = InternalFind(fields, SearchStart(fromStart), FastSeek(fieldNames));
  return index >= 0 && GotoFound(index);
}

bool TzelDataset::Find(std::string_view fieldNames, const std::vector<Variant>& values,
                       bool fromStart) {
  if (fieldNames.empty() || !Active() || !cursor_) return false;
  CheckBrowseMode();
  const std::vector<TzelField*> fields = ResolveKeyFields(*cursor_, fieldNames);
  // With every name unknown there is no key; matching any record would be wrong.
  if (fields.empty()) return false;
  KeyBlockScope key(*this);
  const size_t stored = std::min(values.size(), fields.size());
  for (size_t index = 0; index < stored; ++index) {
    VarRecToSlot(key.Slot(*fields[index]), values[index], *fields[index]);
  }
  return KeySearch(fields, fieldNames, fromStart);
}

bool TzelDataset::FindTab(std::string_view fieldNames, std::string_view tabValues, bool fromStart) {
  if (fieldNames.empty() || tabValues.empty() || !Active() || !cursor_) return false;
  CheckBrowseMode();
  const std::vector<TzelField*> fields = ResolveKeyFields(*cursor_, fieldNames);
  if (fields.empty()) return false;
  KeyBlockScope key(*this);
  std::string_view list = tabValues;
  for (size_t index = 0; index < fields.size() && !list.empty(); ++index) {
    std::string_view value = TakeTabValue(list);
    if (!value.empty()) TextToSlot(key.Slot(*fields[index]), value, *fields[index]);
  }
  return KeySearch(fields, fieldNames, fromStart);
}

// --- Locate and Lookup ----------------------------------------------------------

bool TzelDataset::InternalLocate(std::string_view keyFields, const Variant& keyValues,
                                 TLocateOptions options, bool fromStart) {
  CheckActive();
  CheckBrowseMode();
  CursorPosChanged();
  if (view_.Empty() || keyFields.empty() || keyValues.IsClear()) return false;
  const int start = SearchStart(fromStart);
  if (options != TLocateOptions{}) return ScanLocate(keyFields, keyValues, options, start);

  const std::vector<TzelField*> fields = ResolveKeyFields(*cursor_, keyFields);
  if (fields.empty()) return false;
  KeyBlockScope key(*this);
  if (keyValues.IsArray()) {
    const std::vector<Variant>& items = keyValues.AsArray();
    const size_t stored = std::min(items.size(), fields.size());
    for (size_t index = 0; index < stored; ++index) {
      if (items[index].IsClear()) continue;
      TextToSlot(key.Slot(*fields[index]), items[index].AsString(), *fields[index]);
    }
  } else {
    TextToSlot(key.Slot(*fields[0]), keyValues.AsString(), *fields[0]);
  }
  const int index = InternalFind(fields, start, FastSeek(keyFields));
  if (index < 0) return false;
  position_ = index;
  return true;
}

bool TzelDataset::ScanLocate(std::string_view keyFields, const Variant& keyValues,
                             TLocateOptions options, int start) {
  const bool caseInsensitive = options.Contains(loCaseInsensitive);
  const bool partialKey = options.Contains(loPartialKey);
  TzelStateScope scope(*this, dsFilter, filterRecord_);
  const std::vector<TField*> fields = GetFieldList(keyFields);
  if (fields.empty()) return false;

  // Key texts of the string fields, cased once for the whole scan.
  std::vector<Variant> keys(fields.size());
  std::vector<std::string> keyTexts(fields.size());
  for (size_t index = 0; index < fields.size(); ++index) {
    if (keyValues.IsArray()) {
      const std::vector<Variant>& items = keyValues.AsArray();
      keys[index] = index < items.size() ? items[index] : Variant::Null();
    } else {
      keys[index] = keyValues;
    }
    if (!keys[index].IsClear() && IsStringField(fields[index])) {
      keyTexts[index] = keys[index].AsString();
      if (caseInsensitive) keyTexts[index] = AnsiUpperCase(keyTexts[index]);
    }
  }

  for (int position = start; position < ViewCount(); ++position) {
    filterRecord_ = view_.At(position);
    bool matches = true;
    for (size_t index = 0; index < fields.size() && matches; ++index) {
      const Variant& key = keys[index];
      if (key.IsClear()) {
        matches = false;
        break;
      }
      const Variant value = fields[index]->Value();
      if (value.IsClear()) {
        matches = false;
      } else if (IsStringField(fields[index])) {
        std::string text = value.AsString();
        if (caseInsensitive) text = AnsiUpperCase(text);
        const std::string& keyText = keyTexts[index];
        matches = partialKey ? text.starts_with(keyText) : text == keyText;
      } else {
        matches = SameAsKey(value, key);
      }
    }
    if (matches) {
      position_ = position;
      return true;
    }
  }
  return false;
}

bool TzelDataset::Locate(std::string_view keyFields, const Variant& keyValues,
                         TLocateOptions options) {
  DoBeforeScroll();
  if (!InternalLocate(keyFields, keyValues, options, true)) return false;
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
  return true;
}

Variant TzelDataset::Lookup(std::string_view keyFields, const Variant& keyValues,
                            std::string_view resultFields) {
  const int savedPosition = position_;
  if (!InternalLocate(keyFields, keyValues, TLocateOptions{}, true)) return Variant::Null();
  TzelRecord* found = view_.At(position_);
  position_ = savedPosition;

  if (CalcFieldsSize() == 0 && !OnCalcFields) {
    // No calculated fields: the values are read straight from the record.
    TzelStateScope scope(*this, dsFilter, filterRecord_);
    filterRecord_ = found;
    return GetFieldValue(resultFields);
  }
  // Calculated fields are computed into the spare buffer, which then serves
  // as the calculation buffer.
  TRecordBuffer buffer = TempBuffer();
  cursor_->CopyRecordBuf(found->Data.get(), buffer);
  SetBookmarkData(buffer, &found);
  const TDataSetState previous = SetTempState(dsCalcFields);
  try {
    GetCalcFields(buffer);
    Variant result = GetFieldValue(resultFields);
    RestoreState(previous);
    return result;
  } catch (...) {
    RestoreState(previous);
    throw;
  }
}

// --- Text search and moving along with another dataset --------------------------

bool TzelDataset::Like(std::string_view fieldName, std::string_view text, bool prefixOnly,
                       bool fromStart) {
  if (fieldName.empty() || text.empty() || !Active() || !cursor_) return false;
  const TzelField* field = cursor_->FindFieldInfo(fieldName);
  if (!field) return false;
  CheckBrowseMode();
  const std::string searched = AnsiUpperCase(text);
  for (int index = SearchStart(fromStart); index < ViewCount(); ++index) {
    const std::string shown = AnsiUpperCase(cursor_->GetFieldText(*field, *view_.At(index), false));
    const size_t at = shown.find(searched);
    if (prefixOnly ? at == 0 : at != std::string::npos) return GotoFound(index);
  }
  return false;
}

void TzelDataset::GotoCurrent(TzelDataset* other) {
  if (!other || !Active() || !other->Active()) return;
  CheckBrowseMode();
  other->CheckBrowseMode();
  if (cursor_ == other->cursor_) {
    TBookmark bookmark = other->GetBookmark();
    GotoBookmark(bookmark);
    FreeBookmark(bookmark);
    return;
  }
  if (!AnsiSameText(uniqueFieldNames_, other->uniqueFieldNames_)) DatabaseError(_Z_KEYFIELDSDIFFER);
  FindTab(uniqueFieldNames_, other->GetTabValues(uniqueFieldNames_), true);
}

// --- Records as value lists -------------------------------------------------------

std::string TzelDataset::GetTabValues(std::string_view fieldNames) const {
  std::string values;
  for (const TField* field : GetFieldList(fieldNames)) {
    values += field->AsString();
    values += Tabulator;
  }
  return values;
}

std::string TzelDataset::GetListRecValues(std::string_view fieldName, char separator, bool quote) {
  if (fieldName.empty() || !cursor_) return {};
  TField* field = FindField(fieldName);
  if (!field) return {};
  std::string list;
  TzelStateScope scope(*this, dsFilter, filterRecord_);
  for (int index = 0; index < cursor_->GetRecordCount(); ++index) {
    const TzelUpdStatus status = cursor_->StatusAt(index);
    if (status == zusDeleted || status == zusAbsent) continue;
    filterRecord_ = cursor_->GetData(index);
    bool accept = true;
    if (OnFindRecord) OnFindRecord(this, accept);
    if (!accept) continue;
    list += quote ? DoubleQuoted(field->AsString()) : field->AsString();
    list += separator;
  }
  if (!list.empty()) list.pop_back();
  return list;
}

}  // namespace morvane
