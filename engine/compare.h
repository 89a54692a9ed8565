// The engine's one value comparison, and the record comparison built on it.
//
// CompareBuf orders two slots of the same descriptor: numbers by value, True
// before False, empty texts and missing heap texts first, a text before the
// longer texts it is a prefix of. Inline texts of a right-justified descriptor
// (Alignment 1) order by length first, so texts holding numbers order by
// magnitude. Texts compare by unsigned byte, or with the flag by the locale's
// case-insensitive collation.
#pragma once

#include <string_view>
#include <vector>

#include "engine/field_layout.h"

namespace morvane {

// Negative, 0 or positive.
int CompareBuf(const char* leftSlot, const char* rightSlot, const TzelField& field,
               bool caseInsensitive);

// The first non-zero CompareBuf over the fields in order, case-sensitive; 0
// when all are equal or the list is empty.
int CompareRecords(const char* leftData, const char* rightData,
                   const std::vector<TzelField*>& fields);

// Field names (";"-separated) resolved into descriptors: unknown names and
// blob fields are skipped; the given order is kept (a name may occur twice).
class TzelCursor;
std::vector<TzelField*> ResolveKeyFields(const TzelCursor& cursor, std::string_view fieldNames);

}  // namespace morvane
