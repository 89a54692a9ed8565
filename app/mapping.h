// The wizard's mapping of current values to new values, on datasets only (no
// widgets), so it reads the same whichever control shows it.
//
// FillMapping appends one record to the mapping dataset (fields "src" and
// "inf") per record of the distinct values (per server text form for a type
// other than text, where a NULL number reads as 0), and pre-maps a current value to
// itself when the allowed values hold exactly that text. Every value is
// read back after it is set: a value the field cannot hold (cut, or changed
// by the field's type) would become the WHERE value of an UPDATE and change
// other rows, so such a current value is left out of the mapping, and such
// an allowed value is not pre-mapped. Both are returned for one report.
//
// GenerateScript turns every changed pair into one UPDATE line through the
// command object's builder and returns the pairs the builder refused
// (typically an empty current value), so none is dropped silently.
#pragma once

#include <string>
#include <vector>

#include "app/command.h"

namespace morvane {

class TDataSet;
class TField;
class TzelDataset;
class TzelTable;

struct TMappingFill {
  std::vector<std::string> srcNotHeld;  // current values left out
  std::vector<std::string> infNotHeld;  // allowed values not pre-mapped
};

// Reshapes the opened, empty mapping for the values read: "src" keeps the
// changed field's type, a text widened to the longest current value; "inf"
// becomes a text as long as the longest allowed or current value. As a text
// a new value never set stays NULL, where a number's slot would read 0 and
// become a statement; and no value read is too long to show or map.
void ShapeMappingColumns(TzelTable& mapping, TDataSet& values, const std::string& srcFld,
                         TDataSet* allowed, const std::string& infFld);
// The new value of a mapping record in the server's form ("" when never
// set): an "inf" text as typed or chosen, read as the current value's type.
std::string NewValueText(const TField& inf, const TField& src);

// values: open, with a field named srcFld. allowed: may be null or closed
// (nothing is pre-mapped then). mapping: open, with "src" and "inf".
TMappingFill FillMapping(TDataSet& values, const std::string& srcFld, TzelDataset* allowed,
                         const std::string& infFld, TzelDataset& mapping);
// One message naming the values of the fill that were not taken; empty when
// every value was held.
std::string NotHeldMessage(const TMappingFill& fill);

// The fields a drop-down over the allowed values lists: "name;Ident" when the
// table has both; otherwise whichever of them it has; otherwise infFld
// alone. A reference table without those columns still works.
std::string LookupDropDownFieldsFor(const TDataSet& allowed, const std::string& infFld);

struct TMappingPair {
  std::string oldValue;
  std::string newValue;
};

struct TGeneratedScript {
  std::vector<std::string> lines;
  std::vector<TMappingPair> refused;  // changed pairs the builder gave no line for
};

// Walks the open mapping from its first record; the current record is kept.
// A pair gives a line when its new value is set (NewValueText not empty) and
// differs from the current value (both in the server's form, exact,
// case-sensitive).
TGeneratedScript GenerateScript(TzelDataset& mapping, CMorvane& commander);
// One message naming the refused pairs; empty when there are none.
std::string RefusedMessage(const std::vector<TMappingPair>& refused);

}  // namespace morvane
