// TzelCustomDBGrid: the keyboard, record and column moves, shift-selection,
// Tab stepping, check-box toggling and the write-back of the editor's text.
#include <QApplication>
#include <QKeyEvent>

#include "controls/grid/db_grid.h"
#include "controls/editors/zeldbconst.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/ui/application.h"
#include "platform/ui/confirm.h"
#include "platform/ui/grid_editor.h"

namespace morvane {

namespace {

// Ends an update lock on every path.
class UpdateScope {
 public:
  explicit UpdateScope(TzelCustomDBGrid& grid) : grid_(grid) { grid_.BeginUpdate(); }
  ~UpdateScope() { grid_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TzelCustomDBGrid& grid_;
};

}  // namespace

// --- Multi-selection ------------------------------------------------------------------

TDataSet* TzelCustomDBGrid::BookmarkDataSet() const {
  return dataLink_ != nullptr ? dataLink_->DataSet() : nullptr;
}

void TzelCustomDBGrid::BookmarksChanged(bool currentRowOnly) {
  if (currentRowOnly)
    InvalidateCurrentRow();
  else
    InvalidateGrid();
  if (OnMultiSelectChanged) OnMultiSelectChanged(this);
}

bool TzelCustomDBGrid::IsActiveRowSelected() const {
  if (bookmarks_.Count() == 0 || !dataLink_->Active()) return false;
  try {
    return const_cast<TBookmarkList&>(bookmarks_).CurrentRowSelected();
  } catch (...) {
    return false;  // painting asks; a row that cannot tell is not selected
  }
}

void TzelCustomDBGrid::ClearSelection() {
  if (!options_.Contains(dgMultiSelect)) return;
  bookmarks_.Clear();
  selecting_ = false;
}

bool TzelCustomDBGrid::CanInsert() const {
  TDataSet* dataSet = dataLink_->DataSet();
  return dataSet != nullptr && dataSet->CanModify() && !readOnly_ &&
         options_.Contains(dgEditing) && allowInsert_;
}

// --- Record moves ---------------------------------------------------------------------

void TzelCustomDBGrid::MoveByWithSelection(int distance, bool extend, bool shiftHeld) {
  UpdateScope update(*this);
  TDataSet* dataSet = dataLink_->DataSet();
  if (options_.Contains(dgMultiSelect) && dataLink_->Active()) {
    if (extend && shiftHeld) {
      if (!selecting_) {
        anchor_ = bookmarks_.CurrentRow();
        anchorRecNo_ = dataSet->RecNo();
        bookmarks_.SetCurrentRowSelected(true);
        selecting_ = true;
        dataLink_->MoveBy(distance);
        bookmarks_.SetCurrentRowSelected(true);
        return;
      }
      // Moving back towards the anchor is decided by display position: the
      // engine orders bookmarks by record identity, not by what is shown.
      const int offset = dataSet->RecNo() - anchorRecNo_;
      const int side = offset > 0 ? 1 : offset < 0 ? -1 : 0;
      if (side == -(distance > 0 ? 1 : -1)) {
        bookmarks_.SetCurrentRowSelected(false);
        dataLink_->MoveBy(distance);
      } else {
        dataLink_->MoveBy(distance);
        bookmarks_.SetCurrentRowSelected(true);
      }
      return;
    }
    ClearSelection();
  }
  dataLink_->MoveBy(distance);
}

void TzelCustomDBGrid::NextRow(bool extend, bool shiftHeld) {
  TDataSet* dataSet = dataLink_->DataSet();
  if (dataSet->State() == dsInsert && !dataSet->Modified() && !dataLink_->IsModified()) {
    // An untouched new row: at the end nothing follows it; elsewhere it goes.
    if (dataLink_->Eof()) return;
    dataSet->Cancel();
  } else {
    MoveByWithSelection(1, extend, shiftHeld);
  }
  if (dataLink_->Eof() && CanInsert()) dataSet->Append();
}

void TzelCustomDBGrid::PriorRow(bool extend, bool shiftHeld) {
  TDataSet* dataSet = dataLink_->DataSet();
  if (dataSet->State() == dsInsert && !dataSet->Modified() && dataLink_->Eof() &&
      !dataLink_->IsModified())
    dataSet->Cancel();
  else
    MoveByWithSelection(-1, extend, shiftHeld);
}

// --- Columns --------------------------------------------------------------------------

void TzelCustomDBGrid::MoveCol(int rawCol, int direction) {
  dataLink_->UpdateRecord();
  const int first = fixedDataCols_ + indicatorOffset_;
  rawCol = std::clamp(rawCol, first, std::max(ColCount() - 1, first));
  if (direction != 0) {
    while (rawCol >= first && rawCol < ColCount() && ColWidths(rawCol) <= 0) rawCol += direction;
    if (rawCol < first || rawCol >= ColCount()) return;
  }
  if (rawCol == Col()) return;
  if (!inColExit_) {
    const int before = Col();
    inColExit_ = true;
    try {
      ColExit();
    } catch (...) {
      inColExit_ = false;
      throw;
    }
    inColExit_ = false;
    if (Col() != before) return;
  }
  if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
  SetCol(rawCol);
  ColEnter();
}

void TzelCustomDBGrid::ColEnter() {
  if (OnColEnter) OnColEnter(this);
}

void TzelCustomDBGrid::ColExit() {
  if (OnColExit) OnColExit(this);
}

void TzelCustomDBGrid::Tab(bool forward) {
  UpdateScope update(*this);
  const int first = TCustomGrid::FixedCols();
  const int start = Col();
  int col = start;
  for (;;) {
    if (forward) {
      if (++col >= ColCount()) {
        NextRow(false, false);
        col = first;
      }
    } else if (--col < first) {
      PriorRow(false, false);
      col = ColCount() - 1;
    }
    if (col == start) return;
    if (TabStops(col)) {
      MoveCol(col, 0);
      return;
    }
  }
}

// --- Keyboard -------------------------------------------------------------------------

bool TzelCustomDBGrid::DeletePrompt() {
  if (!allowDelete_) return false;
  if (!options_.Contains(dgConfirmDelete)) return true;
  return ConfirmOkCancel(bookmarks_.Count() > 1 ? zeldbconst::_Z_DELETEROWS
                                                : zeldbconst::_Z_DELETEONEROW);
}

void TzelCustomDBGrid::KeyDown(TKeyCode& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == 0 || !dataLink_->Active()) return;
  TDataSet* dataSet = dataLink_->DataSet();
  if (UseRightToLeftAlignment()) {
    if (key == VK_LEFT)
      key = VK_RIGHT;
    else if (key == VK_RIGHT)
      key = VK_LEFT;
  }
  const int index = SelectedIndex();
  TzelColumn* column =
      index >= 0 && index < columns_->Count() ? columns_->Items(index) : nullptr;
  if (column != nullptr && column->ButtonStyle() == cbsCheck && key == VK_SPACE)
    ToggleCheckBox(column, Col(), Row());
  const bool shiftHeld = shift.Contains(ssShift);
  const int firstData = TCustomGrid::FixedCols();
  if (shift.Contains(ssCtrl)) {
    switch (key) {
      case VK_UP:
      case VK_PRIOR:
        ClearSelection();
        dataLink_->MoveBy(-dataLink_->ActiveRecord());
        break;
      case VK_DOWN:
      case VK_NEXT:
        ClearSelection();
        dataLink_->MoveBy(dataLink_->BufferCount() - dataLink_->ActiveRecord() - 1);
        break;
      case VK_HOME:
        ClearSelection();
        dataSet->First();
        break;
      case VK_END:
        ClearSelection();
        dataSet->Last();
        break;
      case VK_LEFT:
        MoveCol(firstData, 1);
        break;
      case VK_RIGHT:
        MoveCol(ColCount() - 1, -1);
        break;
      case VK_DELETE:
        if (readOnly_ || dataSet->IsEmpty() || !dataSet->CanModify()) break;
        // Entries of records that are gone (a reload) would make this a
        // multi-row delete that deletes nothing: the prompt and the path go
        // by the rows still selected.
        if (bookmarks_.Count() > 0) bookmarks_.Refresh();
        if (DeletePrompt()) {
          if (bookmarks_.Count() > 0)
            bookmarks_.Delete();
          else
            dataSet->Delete();
        }
        break;
      default:
        break;
    }
    return;
  }
  switch (key) {
    case VK_RETURN:
      if (options_.Contains(dgEnterToTab)) Tab(!shiftHeld);
      break;
    case VK_TAB:
      if (!shift.Contains(ssAlt)) Tab(!shiftHeld);
      break;
    case VK_ESCAPE:
      dataLink_->Reset();
      ClearSelection();
      if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
      break;
    case VK_PRIOR:
      ClearSelection();
      dataLink_->MoveBy(-VisibleRowCount());
      break;
    case VK_NEXT:
      ClearSelection();
      dataLink_->MoveBy(VisibleRowCount());
      break;
    case VK_HOME:
      if (ColCount() == indicatorOffset_ + 1 || options_.Contains(dgRowSelect)) {
        ClearSelection();
        dataSet->First();
      } else {
        MoveCol(firstData, 1);
      }
      break;
    case VK_END:
      if (ColCount() == indicatorOffset_ + 1 || options_.Contains(dgRowSelect)) {
        ClearSelection();
        dataSet->Last();
      } else {
        MoveCol(ColCount() - 1, -1);
      }
      break;
    case VK_LEFT:
      if (options_.Contains(dgRowSelect))
        PriorRow(false, shiftHeld);
      else
        MoveCol(Col() - 1, -1);
      break;
    case VK_RIGHT:
      if (options_.Contains(dgRowSelect))
        NextRow(false, shiftHeld);
      else
        MoveCol(Col() + 1, 1);
      break;
    case VK_UP:
      PriorRow(true, shiftHeld);
      break;
    case VK_DOWN:
      NextRow(true, shiftHeld);
      break;
    case VK_INSERT:
      if (CanInsert()) {
        ClearSelection();
        dataSet->Insert();
      }
      break;
    case VK_F2:
      SetEditorMode(true);
      break;
    default:
      break;
  }
}

bool TzelCustomDBGrid::CanEditAcceptKey(const std::string& text) {
  TField* field = SelectedField();
  if (!dataLink_->Active() || field == nullptr || text.empty()) return false;
  // In a column that chooses from a list the text searches the list; it is
  // never the field's value, so any character goes.
  const int index = SelectedIndex();
  if (index >= 0 && index < columns_->Count() && ChoosesFromList(columns_->Items(index))) return true;
  const QString typed = QString::fromStdString(text);
  for (char32_t ch : typed.toUcs4())
    if (!field->IsValidChar(ch)) return false;
  return true;
}

void TzelCustomDBGrid::KeyPress(const std::string& text) {
  escapeKey_ = false;
  std::string typed = text;
  if (options_.Contains(dgEnterToTab) && typed == "\r") typed = "\t";
  if (typed == "\r" && !options_.Contains(dgAlwaysShowEditor)) {
    // Enter writes the editor's text back, then switches the editor.
    dataLink_->UpdateRecord();
    if (EditorMode())
      HideEditor();
    else
      ShowEditor();
  }
}

void TzelCustomDBGrid::keyPressEvent(QKeyEvent* event) {
  const KeyStroke stroke = TranslateKey(*event);
  TKeyCode key = stroke.key;
  const bool handled = Guarded([&] {
    KeyDown(key, stroke.shift);
    if (key == VK_RETURN) KeyPress("\r");
  });
  // A key the OnKeyDown handler took (its code cleared) types nothing; a
  // character without a key code of its own still does.
  const bool consumed = stroke.key != 0 && key == 0;
  if (!handled || consumed || stroke.text.empty()) return;
  // A typed character starts the editor and goes on to it.
  if (options_.Contains(dgEditing) && !options_.Contains(dgRowSelect) && CanEditAcceptKey(stroke.text)) {
    Guarded([&] { ShowEditor(); });
    if (EditorVisible()) {
      QWidget* editor = InplaceEditor();
      editor->setFocus();
      QApplication::sendEvent(editor, event);
    }
  }
}

// --- Check boxes ------------------------------------------------------------------------

void TzelCustomDBGrid::ToggleCheckBox(TzelColumn* column, int rawCol, int rawRow) {
  if (column == nullptr) return;
  if (options_.Contains(dgMultiSelect) && dataLink_->Active() && column->FieldName() == "Selected") {
    bookmarks_.SetCurrentRowSelected(!bookmarks_.CurrentRowSelected());
    return;
  }
  TField* field = column->Field();
  TDataSet* dataSet = dataLink_->DataSet();
  if (field == nullptr || column->ReadOnly() || !options_.Contains(dgEditing) || dataSet == nullptr)
    return;
  const bool editing = dataSet->State() == dsEdit || dataSet->State() == dsInsert;
  if (!DataSource()->AutoEdit() && !editing) return;
  dataLink_->Edit();
  if (!dataLink_->Editing()) return;
  field->SetText(field->Text() != column->ValueChecked() ? column->ValueChecked()
                                                         : column->ValueUnChecked());
  InvalidateCell(rawCol, rawRow);
}

// --- Write-back -----------------------------------------------------------------------

bool TzelCustomDBGrid::ChoosesFromList(TzelColumn* column) const {
  if (column == nullptr) return false;
  if (column->ButtonStyle() == cbsLookup && column->IsLinkActive()) return true;
  TField* field = column->Field();
  return field != nullptr && field->Lookup();
}

void TzelCustomDBGrid::UpdateData() {
  const int index = SelectedIndex();
  TzelColumn* column = index >= 0 && index < columns_->Count() ? columns_->Items(index) : nullptr;
  TField* field = SelectedField();
  if (field == nullptr) return;
  if (ChoosesFromList(column)) {
    // Only a row chosen from the list sets the key (the editor writes it);
    // an emptied editor clears the key, any other text is dropped and the
    // editor shows the field again. Typed filter text or a display name never
    // reaches the key field.
    if (editText_.empty()) {
      TDataSet* dataSet = field->DataSet();
      TField* key = column->ButtonStyle() == cbsLookup && column->IsLinkActive()
                        ? dataSet->FieldByName(column->LookupKeyField())
                        : dataSet->FieldByName(field->KeyFields());
      key->Clear();
    } else {
      editText_ = ColumnCellText(column, true);
      if (auto* editor = dynamic_cast<TGridEditor*>(InplaceEditor()))
        editor->SetEditorText(editText_);
    }
    return;
  }
  if (!field->Calculated())
    field->SetText(editText_);
  else if (OnCalcFieldEdited)
    OnCalcFieldEdited(this, field, editText_);
}

void TzelCustomDBGrid::FocusLeft() {
  if (destroying_ || !dataLink_->Active()) return;
  TDataSet* dataSet = dataLink_->DataSet();
  try {
    if (options_.Contains(dgEditing) && options_.Contains(dgCancelOnExit) &&
        dataSet->State() == dsInsert && !dataSet->Modified() && !dataLink_->IsModified())
      dataSet->Cancel();
    else
      dataLink_->UpdateRecord();
  } catch (...) {
    // The operator stays in the grid with the text that could not be written.
    setFocus();
    throw;
  }
}

void TzelCustomDBGrid::EditButtonClick() {
  const int index = SelectedIndex();
  if (index < 0 || index >= columns_->Count()) return;
  if (OnEditButtonClick) OnEditButtonClick(this, columns_->Items(index));
}

}  // namespace morvane
