// TDataSource: the connector between one dataset and the data links of the
// controls that show it. It forwards the dataset's notifications to every
// link and raises its own events.
//
// References: the data source registers for its dataset's destruction
// notice and forgets the dataset when it dies; links attached to it are told
// (they become inactive). A data source being destroyed detaches its links.
#pragma once

#include <functional>
#include <vector>

#include "platform/db/component.h"
#include "platform/db/db_types.h"

namespace morvane {

class TDataSet;
class TDataLink;
class TField;
class TDataSource;

using TDataChangeEvent = std::function<void(TDataSource* sender, TField* field)>;
using TDataSourceNotifyEvent = std::function<void(TDataSource* sender)>;

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner = nullptr);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_; }
  // Raises "Circular datalinks are not allowed" when the dataset follows
  // this data source through its chain of masters.
  void SetDataSet(TDataSet* dataSet);
  // The dataset's state, or dsInactive without a dataset or while disabled.
  TDataSetState State() const { return state_; }
  // Whether controls may put the dataset into edit state by themselves.
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool value) { autoEdit_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Puts the dataset into edit state when AutoEdit and browsing.
  void Edit();
  // Whether dataSet follows this data source (directly or through masters).
  bool IsLinkedTo(const TDataSet* dataSet) const;
  int DataLinkCount() const { return int(dataLinks_.size()); }
  TDataLink* DataLinks(int index) const { return dataLinks_.at(size_t(index)); }

  // OnDataChange: field changed (field given), record or position changed
  // (field null). OnStateChange: the state changed. OnUpdateData: the
  // record is about to be posted.
  TDataChangeEvent OnDataChange;
  TDataSourceNotifyEvent OnStateChange;
  TDataSourceNotifyEvent OnUpdateData;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, intptr_t info);
  void NotifyDataLinks(TDataEvent event, intptr_t info);
  void UpdateState();
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  // The largest buffer count of the links (0 without links).
  int MaxBufferCount() const;

  TDataSet* dataSet_ = nullptr;
  TDataSetState state_ = dsInactive;
  bool autoEdit_ = true;
  bool enabled_ = true;
  std::vector<TDataLink*> dataLinks_;
};

}  // namespace morvane
