// TzelStateScope: a temporary dataset state for reading values of records
// other than the current one, undone on every path.
//
// In state dsFilter field values are read from the filter record, which the
// scope's owner points at each record in turn; the scope puts the previous
// state and the previous filter record back when it ends, errors included.
#pragma once

#include "engine/field_layout.h"
#include "platform/db/dataset.h"

namespace morvane {

class TzelStateScope {
 public:
  TzelStateScope(TDataSet& dataSet, TDataSetState state, TzelRecord*& filterRecord)
      : dataSet_(dataSet),
        filterRecord_(filterRecord),
        savedFilterRecord_(filterRecord),
        previous_(dataSet.SetTempState(state)) {}
  ~TzelStateScope() {
    filterRecord_ = savedFilterRecord_;
    dataSet_.RestoreState(previous_);
  }
  TzelStateScope(const TzelStateScope&) = delete;
  TzelStateScope& operator=(const TzelStateScope&) = delete;

 private:
  TDataSet& dataSet_;
  TzelRecord*& filterRecord_;
  TzelRecord* savedFilterRecord_;
  TDataSetState previous_;
};

}  // namespace morvane
