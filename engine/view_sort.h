// The view sort: orders a dataset's view (a list of record references) by its
// sort fields, never moving record data.
//
// The order is CompareBuf's over the fields in turn, the first non-zero result
// deciding, negated for a descending sort; records without data count as equal
// on every field. Records that compare equal end in no defined order.
//
// The comparison travels in a TzelSortComparer object, so a sort needs no
// shared state and several views may sort independently. Keys are prepared
// once per sort: the leading field's value is read out of each record into a
// compact entry. A case-insensitive sort never converts a text per
// comparison: when every text of a sort field is ASCII that the locale
// weighs character by character (AsciiCollationWeights, platform/rtl/text.h),
// texts compare through those weights; otherwise every distinct text becomes
// one collation key (CollationKey). Either way case-insensitive texts order
// as whole texts under the locale's case-insensitive collation, empty texts
// first.
#pragma once

#include <vector>

#include "engine/field_layout.h"

namespace morvane {

struct TzelSortOrder {
  std::vector<TzelField*> fields;  // sort fields, in order
  bool caseInsensitive = false;
  bool descending = false;
};

// Sorts the view in place. Nothing happens without sort fields.
void SortView(std::vector<TzelRecord*>& view, const TzelSortOrder& order);

}  // namespace morvane
