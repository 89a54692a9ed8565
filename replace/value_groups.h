// Groups of near spellings among a field's own values, for a field that has
// no table of allowed values: each group's most frequent spelling is
// proposed as the new value of its other members.
//
// Values are taken from the most frequent down; of equal counts a
// spelling that is its own normal form ("шт", not "ШТ." or "шт ") first,
// then by text. A value joins the group of an earlier group's spelling (its
// centre) that it would be suggested as, were the centres the allowed
// values (replace/suggestions.h): the same normal form with look-alikes
// folded, else the same once read through the other keyboard layout, else
// the one nearest within the distance limit, directly, else read through
// the other layout. The distance limit is the suggestions' one, except
// that texts under five characters join by no distance at all: among a
// field's own values "сут" and "бут", "меш" and "мес" name different things
// far more often than one is a slip for the other. Two centres that tie leave the value to start a
// group of its own, as does a value near none. Values whose digits differ never meet ("M8" and
// "M10" stay apart); a value without letters or digits to compare (empty, dots and blanks) stays
// alone. No Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

struct TCountedValue {
  std::string value;
  int64_t count = 0;
};

struct TValueGroups {
  // For each value: the index of its group's centre (itself for a centre).
  std::vector<size_t> centre;
  // For each value: its group's number, 1 for the most frequent centre's
  // group, counting the centres down.
  std::vector<size_t> group;
};

// The largest edit distance at which a value of this many characters (in
// its normal form) joins a group.
size_t GroupDistanceLimit(size_t characters);

TValueGroups GroupNearSpellings(const std::vector<TCountedValue>& values);

}  // namespace morvane
