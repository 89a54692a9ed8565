// Slot values as text, and text or typed values into slots.
//
// TextToSlot and VarRecToSlot put search and range keys into record slots
// (key blocks): the text or value is converted by the descriptor's type with
// the process-wide format settings. A value that does not convert leaves the
// slot zero; nothing here throws. Every write stays inside the slot. The
// display text of a slot is TzelCursor::GetFieldText (cursor.h).
#pragma once

#include <string_view>

#include "engine/field_layout.h"
#include "platform/rtl/variant.h"

namespace morvane {

// Stores a text into a slot, converting by the field type. An empty text, or
// one that does not convert, leaves the slot zero (a text or blob slot: no
// reference). Texts are cut to the declared length at a character boundary.
void TextToSlot(char* slot, std::string_view text, const TzelField& field);

// Stores one typed value into a slot. Texts and non-empty variants go
// through TextToSlot; integers, Booleans and floating-point values are
// converted to the slot's type (a date slot takes the day number of a
// date-time value, a time slot its milliseconds); Empty, Null and arrays leave
// the slot zero.
void VarRecToSlot(char* slot, const Variant& value, const TzelField& field);

}  // namespace morvane
