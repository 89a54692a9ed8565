// Vocabulary of the dataset layer: dataset states, record-fetch modes and
// results, bookmark flags, field types and kinds, data events, and the small
// set type used for option sets.
//
// The enumerations are unscoped on purpose: their members carry the short
// prefixes every caller uses (dsBrowse, gmNext, ftString). Their order is part
// of the contract: states are compared by order, bookmark flags are stored in
// record buffers as one byte.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace morvane {

// A set of enumeration members with up to 32 members.
template <typename Enum>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<Enum> members) {
    for (Enum member : members) bits_ |= Bit(member);
  }
  constexpr bool Contains(Enum member) const { return (bits_ & Bit(member)) != 0; }
  constexpr void Include(Enum member) { bits_ |= Bit(member); }
  constexpr void Exclude(Enum member) { bits_ &= ~Bit(member); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr uint32_t Bit(Enum member) { return uint32_t(1) << unsigned(member); }
  uint32_t bits_ = 0;
};

enum TDataSetState : uint8_t {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};

// States in which field values may be written.
inline constexpr TSet<TDataSetState> dsWriteModes{dsEdit,   dsInsert,   dsSetKey,      dsCalcFields,
                                                  dsFilter, dsNewValue, dsInternalCalc};
// States in which a data link counts as editing.
inline constexpr TSet<TDataSetState> dsEditModes{dsEdit, dsInsert, dsSetKey};

enum TGetMode : uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : uint8_t { grOK, grBOF, grEOF, grError };

// Stored as one byte in record buffers: the values are fixed.
enum TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

enum TResyncModeItem : uint8_t { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;

enum TLocateOption : uint8_t { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

enum TUpdateStatus : uint8_t { usUnmodified, usModified, usInserted, usDeleted };

// The change a caller asks TDataSet::CheckCanModify about.
enum TModifyKind : uint8_t { mkEdit, mkInsert, mkDelete };

enum TBlobStreamMode : uint8_t { bmRead, bmWrite, bmReadWrite };

enum TFieldKind : uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TFieldType : uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet
};

// "String", "Integer", ... as messages name the types.
const char* FieldTypeName(TFieldType type);

// Blob-like types whose contents travel through blob streams.
inline constexpr bool IsBlobType(TFieldType type) {
  return type == ftBlob || type == ftMemo || type == ftGraphic || type == ftFmtMemo ||
         type == ftParadoxOle || type == ftDBaseOle || type == ftTypedBinary;
}

// Notifications a dataset sends to its data sources and their data links.
// The meaning of the accompanying info value depends on the event: a TField*
// for deFieldChange/deRecordChange (null = the whole record), a scroll distance
// for deDataSetScroll, a TField** for deFocusControl, 0 otherwise.
enum TDataEvent : uint8_t {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll,
  deConnectChange,
  deReconcileError,
  deDisabledStateChange
};

// A record buffer: a raw block allocated and laid out by the dataset
// descendant (AllocRecordBuffer). The base class only moves these pointers.
using TRecordBuffer = char*;

// A bookmark: BookmarkSize raw bytes that identify a record to the dataset
// that made it. Empty means "no bookmark". Kept in a std::string so it can be
// copied, compared and stored in lists cheaply.
using TBookmark = std::string;

}  // namespace morvane
