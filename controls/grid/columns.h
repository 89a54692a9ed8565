// TzelDBGridColumns: the grid's owned list of columns.
//
// The list is in one of two states. csDefault: the grid makes one default
// column per dataset field at every layout and throws them away again.
// csCustomized: the columns were made by the program (Add, RebuildColumns, a
// column file) and survive dataset changes. State() tells which from the
// first column.
//
// Changes of columns are reported through Update: a change of one column
// repaints it and sets its screen width; a change of the whole layout (or
// the end of an update batch that saw changes) makes the grid lay itself
// out again.
//
// Column files are a readable JSON text holding every streamed property of
// every column; the lookup dataset and the popup menu are stored by name
// and resolved among the grid owner's components and the grid window's
// menus. A file that cannot be read or parsed raises EFOpenError or
// EStreamError and leaves the columns as they were.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "controls/grid/column.h"
#include "controls/grid/grid_types.h"

namespace morvane {

class TStream;

class TzelDBGridColumns {
 public:
  // grid may be null (a free-standing list, such as the one a file loads into).
  explicit TzelDBGridColumns(TzelCustomDBGrid* grid);
  virtual ~TzelDBGridColumns();
  TzelDBGridColumns(const TzelDBGridColumns&) = delete;
  TzelDBGridColumns& operator=(const TzelDBGridColumns&) = delete;

  TzelCustomDBGrid* Grid() const { return grid_; }
  int Count() const { return int(items_.size()); }
  TzelColumn* Items(int index) const;
  TzelColumn* operator[](int index) const { return Items(index); }
  // Assigns the given column to the existing item.
  void SetItems(int index, TzelColumn& value);
  int IndexOf(const TzelColumn* column) const;

  TzelDBGridColumnsState State() const;
  void SetState(TzelDBGridColumnsState value);

  // A new stored column at the end.
  TzelColumn* Add();
  // A new default column (for the grid's own layout).
  TzelColumn* AddDefault();
  void Clear();
  void Delete(int index);
  void Move(int from, int to);
  void RestoreDefaults();
  void RebuildColumns();
  // The framework's collection assignment: clear, then add and Assign each.
  void Assign(const TzelDBGridColumns& source);

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  void SaveToFile(const std::string& fileName);
  void SaveToStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  void LoadFromStream(TStream& stream);

  // Change report of a column (null: the whole layout).
  void Changed(TzelColumn* item);

 protected:
  virtual void Update(TzelColumn* item);
  virtual std::unique_ptr<TzelColumn> NewColumn();

 private:
  friend class TzelColumn;
  TzelColumn* Insert(std::unique_ptr<TzelColumn> column);
  // Assign, keeping every streamed property (a loaded column file).
  void AssignStreamed(const TzelDBGridColumns& source);

  TzelCustomDBGrid* grid_;
  std::vector<std::unique_ptr<TzelColumn>> items_;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
  bool clearing_ = false;
};

}  // namespace morvane
