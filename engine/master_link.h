// TzelMasterLink: the link through which a detail TzelDataset follows its
// master.
//
// The link watches the master's data source. FieldNames (the detail's
// MasterFields) name the master's fields; whenever the master's current
// record changes, OnMasterChange runs (the detail sets its range to the
// master's values of those fields); when the link loses its master or its
// fields, OnMasterDisable runs (the detail drops its range). The detail owns
// the link; the master's data source is a reference the framework clears when
// it goes away.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/db/data_link.h"

namespace morvane {

class TField;
class TzelDataset;

class TzelMasterLink : public TDetailDataLink {
 public:
  using THandler = std::function<void(TzelMasterLink* sender)>;

  explicit TzelMasterLink(TzelDataset* detail);
  ~TzelMasterLink() override;

  TzelDataset* DetailDataSet() const { return detail_; }
  const std::string& FieldNames() const { return fieldNames_; }
  // Stores a different text (exact comparison) and re-resolves the fields.
  void SetFieldNames(const std::string& names);
  // The master's fields named by FieldNames; empty while inactive.
  const std::vector<TField*>& Fields() const { return fields_; }

  THandler OnMasterChange;
  THandler OnMasterDisable;

 protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  TDataSet* GetDetailDataSet() const override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  // The framework reports a move of the master as a scroll, not as a record
  // change; the detail follows either.
  void DataSetScrolled(int distance) override;

 private:
  // Fields of the master afresh, then the detail follows or drops its range.
  void Reattach();

  TzelDataset* detail_;
  std::string fieldNames_;
  std::vector<TField*> fields_;
};

}  // namespace morvane
