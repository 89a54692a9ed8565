// TzelPopupData: the data-list drop-down, a data-aware lookup list of the
// rows of a lookup dataset in a pop-up window that never takes the focus.
//
// The list reaches its rows through its own data link on ListSource: it
// shows RowCount rows at a time, scrolling through the dataset, each row
// with the ListField fields side by side. The selected row is the one whose
// KeyField value equals KeyValue; a click, the arrow and page keys, Home and
// End move the dataset and select the row they land on. RowChosen tells
// whether a row is chosen at all: a row whose key is NULL can be chosen, so
// a Null KeyValue alone does not mean "nothing chosen". SetKeyValue with a
// Null value chooses no row.
//
// Type-ahead, by KindSearch:
// - zksFindFirst: printable characters typed within 2,000 ms build a search
//   text (at most 32 characters); the dataset is positioned on the first row
//   whose search field (the ListFieldIndex-th list field) begins with it,
//   letter case ignored. A character that finds nothing is dropped.
// - zksFilter: printable characters typed within 5,000 ms build a search
//   text (at most 32 characters, Backspace removes one, Escape empties it);
//   the dataset then shows only rows whose search field contains the text
//   anywhere, letter case ignored by the locale's rules, and the first of
//   them is selected (none when no row is left).
//
// The filter hook. SetFilter saves the dataset's own OnFilterRecord and
// Filtered flag and installs this list's AFilterRecord; the list's filter
// runs after the dataset's own one when that was on, so rows the owner hid
// never become choosable, and an emptied search text puts the owner's own
// Filtered flag back instead of switching filtering off. ResetFilter puts
// handler and flag back. The list follows the hooked dataset's destruction
// notice: ResetFilter restores the handler whenever the dataset still
// exists, whether or not the list's link is still active, and the
// destructor calls ResetFilter, so no dataset keeps a handler into a
// destroyed list. A dataset that is being destroyed gets nothing back: its
// owner may hear the destruction notice (and close the list) before the
// list does, when only its TComponent part is left.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/editors/listbox.h"
#include "platform/db/dataset.h"
#include "platform/rtl/variant.h"

namespace morvane {

class TDataSource;
class TField;

enum TzelKindSearch : uint8_t { zksFindFirst, zksFilter };

class TzelPopupData : public QWidget {
 public:
  static constexpr int kMaxSearchChars = 32;
  static constexpr int64_t kFilterPauseMs = 5000;
  static constexpr int64_t kFindFirstPauseMs = 2000;

  explicit TzelPopupData(QWidget* parent = nullptr);
  ~TzelPopupData() override;

  TDataSource* ListSource() const;
  void SetListSource(TDataSource* source);
  const std::string& KeyField() const { return keyField_; }
  void SetKeyField(const std::string& name);
  const std::string& ListField() const { return listField_; }
  void SetListField(const std::string& names);
  int ListFieldIndex() const { return listFieldIndex_; }
  void SetListFieldIndex(int index) { listFieldIndex_ = index; }
  int RowCount() const { return rowCount_; }
  void SetRowCount(int rows);
  int RowHeight() const;

  const Variant& KeyValue() const { return keyValue_; }
  void SetKeyValue(const Variant& value);
  bool RowChosen() const { return rowChosen_; }
  // The search field's text of the selected row; empty when no row is
  // selected or the selected row is not the dataset's current one.
  std::string SelectedItem() const;

  TzelKindSearch KindSearch() const { return kindSearch_; }
  void SetKindSearch(TzelKindSearch kind) { kindSearch_ = kind; }
  const std::string& SearchText() const { return searchText_; }

  // key: a typed character (8 Backspace, 27 Escape); 0 when used up.
  void KeyPress(char32_t& key);
  // key: a key code; navigation keys move the selection and become 0.
  void KeyDown(uint16_t& key);

  void SetFilter();
  void ResetFilter();
  void AFilterRecord(TDataSet* dataSet, bool& accept);
  bool FilterHookInstalled() const { return hookInstalled_; }

  TPopupMouseUpEvent OnMouseUp;
  // The search text was emptied by a pause: the owner empties its edit text.
  std::function<void()> OnSearchEmptied;

  // Called by the list's data link.
  void ListLinkChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class ListLink;
  class HookedDataSetWatch;

  TDataSet* DataSet() const;
  bool ListActive() const;
  Variant CurrentKey() const;
  // The dataset's current row is the chosen one.
  bool CurrentChosen() const;
  void SelectCurrent();
  void FilterKeyPress(char32_t& key);
  void FindFirstKeyPress(char32_t& key);
  void UpdateHeight();
  void ForgetHookedDataSet();

  std::unique_ptr<ListLink> listLink_;
  std::unique_ptr<HookedDataSetWatch> hookWatch_;
  std::string keyField_;
  std::string listField_;
  int listFieldIndex_ = 0;
  int rowCount_ = 7;
  Variant keyValue_ = Variant::Null();
  bool rowChosen_ = false;

  std::string searchText_;
  int64_t lastKeyTime_ = 0;
  TzelKindSearch kindSearch_ = zksFindFirst;
  bool savedFiltered_ = false;
  TFilterRecordEvent savedFilterHandler_;
  std::string searchFieldName_;
  bool hookInstalled_ = false;
  // The dataset the hook sits on; cleared by its destruction notice.
  TDataSet* hookedDataSet_ = nullptr;
  // The same object as a component, taken while it was whole: the only
  // view of it that is safe to ask once its destruction began.
  TComponent* hookedComponent_ = nullptr;
};

}  // namespace morvane
