// Helpers shared by the dataset layer's tests: a memory dataset with an
// integer key "ID" and a text "NAME", filled with numbered rows.
#pragma once

#include <string>
#include <vector>

#include "platform/db/testing/memory_dataset.h"

namespace morvane::testing {

// Defines ID (integer) and NAME (string of 20), opens and appends rows
// ID = 1..count, NAME = "row <ID>".
inline void FillNumbered(TMemoryDataSet& dataSet, int count) {
  if (dataSet.FieldDefs().Count() == 0) {
    dataSet.FieldDefs().Add("ID", ftInteger);
    dataSet.FieldDefs().Add("NAME", ftString, 20);
  }
  dataSet.Open();
  dataSet.DisableControls();
  for (int id = 1; id <= count; ++id)
    dataSet.AppendRecord({Variant(int32_t(id)), Variant("row " + std::to_string(id))});
  dataSet.EnableControls();
  dataSet.First();
}

// The ID of every record, First to Last.
inline std::vector<int> AllIds(TDataSet& dataSet) {
  std::vector<int> ids;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
    ids.push_back(dataSet.FieldByName("ID")->AsInteger());
  return ids;
}

}  // namespace morvane::testing
