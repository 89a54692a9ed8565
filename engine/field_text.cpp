#include "engine/field_text.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/cursor.h"
#include "engine/zelconst.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format.h"
#include "platform/rtl/text.h"

namespace morvane {
namespace {

template <typename T>
void Store(char* slot, T value) {
  std::memcpy(slot, &value, sizeof value);
}

// Zeroes a slot, freeing its heap value first.
void ClearSlot(char* slot, const TzelField& field) {
  if (IsHeapType(field.FieldType)) FreeSlot(slot);
  std::memset(slot, 0, field.Size);
}

TDateTime DateOfDayNumber(int32_t dayNumber) {
  return TimeStampToDateTime(TTimeStamp{0, dayNumber});
}

TDateTime TimeOfMilliseconds(int32_t milliseconds) {
  return TimeStampToDateTime(TTimeStamp{milliseconds, DateDelta});
}

// A number into a slot of any numeric, date or Boolean type.
void StoreNumber(char* slot, double value, const TzelField& field) {
  switch (field.FieldType) {
    case zftInteger:
      if (std::isfinite(value) && value >= std::numeric_limits<int32_t>::min() &&
          value <= std::numeric_limits<int32_t>::max()) {
        Store(slot, int32_t(value));
      }
      break;
    case zftBoolean:
      Store(slot, int16_t(value != 0 ? -1 : 0));
      break;
    case zftDouble:
    case zftCurrency:
      Store(slot, value);
      break;
    case zftDate:
    case zftTime:
    case zftDateTime:
      if (std::isfinite(value) && std::fabs(value) < 3.0e6) {
        TTimeStamp stamp = DateTimeToTimeStamp(value);
        if (field.FieldType == zftDate) Store(slot, stamp.Date);
        if (field.FieldType == zftTime) Store(slot, stamp.Time);
        if (field.FieldType == zftDateTime) Store(slot, TimeStampToMSecs(stamp));
      }
      break;
    default:
      break;
  }
}

bool IsTextType(TzelFieldType type) {
  return type == zftSmallStr || type == zftString || IsBlobType(type);
}

}  // namespace

std::string TzelCursor::GetFieldText(const TzelField& field, const TzelRecord& record,
                                     bool useUndo) const {
  const char* undoCopy = useUndo ? UndoData(&record) : nullptr;
  const char* data = undoCopy ? undoCopy : record.Data.get();
  std::string text = zelconst::_Z_NOTFOUND;
  if (!data) return text;
  const char* slot = data + field.Offset;
  switch (field.FieldType) {
    case zftInteger:
      text = IntToStr(SlotValue<int32_t>(slot));
      break;
    case zftBoolean:
      text = SlotValue<int16_t>(slot) != 0 ? zelconst::_Z_YES : zelconst::_Z_NO;
      break;
    case zftDouble:
    case zftCurrency:
      text = FormatFloat("0.######", SlotValue<double>(slot));
      break;
    case zftDate: {
      int32_t day = SlotValue<int32_t>(slot);
      text = day <= 0 ? std::string() : DateToStr(DateOfDayNumber(day));
      break;
    }
    case zftTime: {
      int32_t milliseconds = SlotValue<int32_t>(slot);
      text = milliseconds <= 0 ? std::string() : TimeToStr(TimeOfMilliseconds(milliseconds));
      break;
    }
    case zftDateTime: {
      double milliseconds = SlotValue<double>(slot);
      text = milliseconds <= 0 ? std::string()
                               : DateTimeToStr(TimeStampToDateTime(MSecsToTimeStamp(milliseconds)));
      break;
    }
    case zftSmallStr:
      text = std::string(SlotInlineText(slot, field.Size));
      break;
    case zftString:
      if (!SlotRef(slot)) {
        text.clear();
      } else if (!SlotHeapText(slot).empty()) {
        text = std::string(SlotHeapText(slot));
      }
      break;
    case zftMemo:
    case zftFmtMemo:
      if (!SlotRef(slot)) {
        text.clear();
      } else if (SlotBlobLength(slot) > 0) {
        text = std::string(SlotBlobBytes(slot));
      }
      break;
    case zftUnknown:
    case zftGraphic:
      break;
  }
  return text;
}

void TextToSlot(char* slot, std::string_view text, const TzelField& field) {
  ClearSlot(slot, field);
  if (text.empty()) return;
  switch (field.FieldType) {
    case zftInteger: {
      int32_t value = 0;
      if (TryStrToInt(text, value)) Store(slot, value);
      break;
    }
    case zftBoolean: {
      std::string upper = AnsiUpperCase(text);
      bool yes = upper == "TRUE" || upper == "ДА" || upper == "YES" || upper == "T" || upper == "1";
      Store(slot, int16_t(yes ? -1 : 0));
      break;
    }
    case zftDouble:
    case zftCurrency: {
      double value = 0;
      if (TryStrToFloat(CutAtZero(text), value)) {
        Store(slot, value);
      }
      break;
    }
    case zftDate:
    case zftTime:
    case zftDateTime: {
      TDateTime value = 0;
      bool ok = field.FieldType == zftDate   ? TryStrToDate(text, value)
                : field.FieldType == zftTime ? TryStrToTime(text, value)
                                             : TryStrToDateTime(text, value);
      if (ok) StoreNumber(slot, value, field);
      break;
    }
    case zftSmallStr: {
      std::string_view cut = Utf8Truncate(text, field.Length);
      std::memcpy(slot, cut.data(), cut.size());  // the slot's last byte stays zero
      break;
    }
    case zftString:
      SetSlotText(slot, Utf8Truncate(text, field.Length));
      break;
    case zftMemo:
    case zftFmtMemo:
    case zftGraphic:
      SetSlotBlob(slot, text.substr(0, field.Length));
      break;
    case zftUnknown:
      break;
  }
}

void VarRecToSlot(char* slot, const Variant& value, const TzelField& field) {
  ClearSlot(slot, field);
  switch (value.Kind()) {
    case VarKind::String:
      TextToSlot(slot, value.AsString(), field);
      break;
    case VarKind::Integer:
    case VarKind::Int64:
    case VarKind::Boolean: {
      // A Boolean is -1 (all bits set) for True, as the engine writes it.
      double number =
          value.Kind() == VarKind::Boolean ? (value.AsBoolean() ? -1 : 0) : double(value.AsInt64());
      if (IsTextType(field.FieldType)) {
        TextToSlot(slot, IntToStr(int64_t(number)), field);
      } else if (field.FieldType == zftDate || field.FieldType == zftTime) {
        Store(slot, int32_t(number));  // a day number or milliseconds given as such
      } else {
        StoreNumber(slot, number, field);
      }
      break;
    }
    case VarKind::Double:
    case VarKind::DateTime: {
      double number = value.Kind() == VarKind::Double ? value.AsDouble() : value.AsDateTime();
      if (IsTextType(field.FieldType)) {
        TextToSlot(slot, value.AsString(), field);
      } else {
        StoreNumber(slot, number, field);
      }
      break;
    }
    case VarKind::Empty:
    case VarKind::Null:
    case VarKind::Array:
      break;
  }
}

}  // namespace morvane
