// The layout text of a data buffer built from field definitions: what an
// empty table (load mode lmClear) hands to the data engine as its fields.
//
//   layout   := field* RecordSeparator
//   field    := prefix "." name " " code size FieldSeparator
//
// prefix is the table's Origin, or "XXX" without one; blanks in the name
// become '_'. Codes by field type:
//
//   ftString of at most MAXSLEN bytes   one base-36 digit of the size, no size text
//   ftString longer                     's' and the size in decimal
//   ftSmallint ftInteger ftWord ftAutoInc  'i'     ftBoolean 'b'
//   ftFloat 'f'   ftCurrency 'c'   ftDate 'd'   ftTime 'v'   ftDateTime 't'
//   ftMemo 'm'    ftFmtMemo 'r'    ftGraphic 'g'    any other type 's', no size text
#pragma once

#include <string>

#include "platform/db/field_defs.h"

namespace morvane {

std::string PrepareLayoutStr(const TFieldDefs& fieldDefs, const std::string& origin);

// The type code and size text of one definition.
std::string LayoutTypeCode(TFieldType dataType, int size);

}  // namespace morvane
