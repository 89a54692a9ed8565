// TzelCustomDBGrid: construction, properties, options, destruction notices
// and the editor hooks. Layout and the record window live in
// db_grid_layout.cpp, painting in db_grid_paint.cpp.
#include "controls/grid/db_grid.h"

#include <QLocale>

#include "controls/editors/db_grid_inplace_edit.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/rtl/text.h"
#include "platform/ui/grid_images.h"

namespace morvane {

namespace {

TzelDBGridOptions InitialOptions() {
  TzelDBGridOptions options = DefaultDBGridOptions;
  // Korean input composes in the editor, so the editor is always shown.
  if (QLocale::system().language() == QLocale::Korean) options.Include(dgAlwaysShowEditor);
  return options;
}

}  // namespace

TzelCustomDBGrid::TzelCustomDBGrid(QWidget* parent, TComponent* owner)
    : TCustomGrid(parent),
      owner_(owner),
      indicators_(GridIndicatorWidth, GridIndicatorHeight) {
  bridge_ = std::make_unique<TNotificationBridge>([this](TComponent* component, TOperation op) {
    if (op == opRemove && !destroying_) Notification(component, op);
  });
  AddGridIndicatorImages(indicators_);
  SetGridOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                              goColSizing, goColMoving, goEditing, goTabs});
  columns_ = CreateColumns();
  TCustomGrid::SetRowCount(2);
  TCustomGrid::SetColCount(2);
  dataLink_ = std::make_unique<TGridDataLink>(this);
  titleFont_.OnChange = [this](TFont*) { TitleFontChanged(); };
  SetColor(clWindow);
  SetOptions(InitialOptions());
  HideEditor();
}

TzelCustomDBGrid::~TzelCustomDBGrid() {
  destroying_ = true;
  CancelDeferredLayout();
  // The editor reads columns and the link: it goes first, with any open
  // drop-down closed without accepting.
  try {
    DestroyEditor();
  } catch (...) {
  }
  try {
    dataLink_->SetDataSource(nullptr);
  } catch (...) {
  }
  visibleColumns_.clear();
  try {
    columns_.reset();
  } catch (...) {
  }
  try {
    dataLink_.reset();
  } catch (...) {
  }
  bridge_.reset();
}

void TzelCustomDBGrid::SetName(const std::string& name) {
  bridge_->SetName(name);
  setObjectName(QString::fromStdString(name));
}

std::unique_ptr<TzelDBGridColumns> TzelCustomDBGrid::CreateColumns() {
  return std::make_unique<TzelDBGridColumns>(this);
}

TzelColumn* TzelCustomDBGrid::ColumnByName(const std::string& name) const {
  for (int index = 0; index < columns_->Count(); ++index) {
    TzelColumn* column = columns_->Items(index);
    if (AnsiCompareText(column->FieldName(), name) == 0) return column;
  }
  return nullptr;
}

// --- Data source -----------------------------------------------------------------

TDataSource* TzelCustomDBGrid::DataSource() const { return dataLink_->DataSource(); }

void TzelCustomDBGrid::SetDataSource(TDataSource* value) {
  if (value == dataLink_->DataSource()) return;
  bookmarks_.Clear();
  if (TDataSource* old = dataLink_->DataSource()) bridge_->Forget(old);
  dataLink_->SetDataSource(value);
  bridge_->Listen(value);
  LinkActive(dataLink_->Active());
}

void TzelCustomDBGrid::Notification(TComponent* component, TOperation operation) {
  if (operation != opRemove || destroying_ || component == nullptr) return;
  if (component == dataLink_->DataSource()) {
    dataLink_->SetDataSource(nullptr);
    LinkActive(false);
  }
  // Only pointers are compared: the component is already being destroyed.
  bool changed = false;
  for (int index = 0; index < columns_->Count(); ++index) {
    TzelColumn* column = columns_->Items(index);
    if (column->lookupDataSet_ == component) {
      column->lookupDataSet_ = nullptr;
      changed = true;
    }
    if (column->field_ == component) {
      column->field_ = nullptr;
      changed = true;
    }
  }
  if (!changed) return;
  BeginLayout();
  TDataSet* dataSet = dataLink_->DataSet();
  if (dataSet != nullptr && dataSet->ControlsDisabled()) {
    DeferLayout();
  } else {
    EndLayout();
  }
}

void TzelCustomDBGrid::ForgetLookupDataSet(TDataSet* dataSet) {
  if (dataSet == nullptr) return;
  for (int index = 0; index < columns_->Count(); ++index)
    if (columns_->Items(index)->lookupDataSet_ == dataSet) return;
  // The grid's own dataset and fields keep their registrations elsewhere.
  if (dataSet == dataLink_->DataSet()) return;
  bridge_->Forget(dataSet);
}

// --- Options and look ---------------------------------------------------------------

void TzelCustomDBGrid::SetOptions(TzelDBGridOptions value) {
  if (value == options_) return;
  TGridOptions grid = GridOptions();
  auto apply = [&grid](bool on, std::initializer_list<TGridOption> options) {
    for (TGridOption option : options) on ? grid.Include(option) : grid.Exclude(option);
  };
  if (value.Contains(dgDragOutRows)) value.Include(dgRowSelect);
  if (value.Contains(dgRowSelect)) {
    value.Exclude(dgEditing);
    value.Exclude(dgAlwaysShowEditor);
    value.Exclude(dgEnterToTab);
  }
  apply(value.Contains(dgColLines), {goFixedVertLine, goVertLine});
  apply(value.Contains(dgRowLines), {goFixedHorzLine, goHorzLine});
  apply(value.Contains(dgColumnResize), {goColSizing, goColMoving});
  apply(value.Contains(dgTabs), {goTabs});
  apply(value.Contains(dgRowSelect), {goRowSelect});
  apply(value.Contains(dgEditing), {goEditing});
  apply(value.Contains(dgAlwaysShowEditor), {goAlwaysShowEditor});
  SetGridOptions(grid);
  if (options_.Contains(dgMultiSelect) && !value.Contains(dgMultiSelect)) bookmarks_.Clear();
  const TzelDBGridOptions old = options_;
  options_ = value;
  if (!value.Contains(dgEditing)) {
    allowInsert_ = false;
    allowDelete_ = false;
  }
  for (TzelDBGridOption option : {dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColLines,
                                  dgRowLines, dgRowSelect, dgAlwaysShowSelection}) {
    if (old.Contains(option) != value.Contains(option)) {
      LayoutChanged();
      break;
    }
  }
}

void TzelCustomDBGrid::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  LayoutChanged();
}

void TzelCustomDBGrid::SetFixedCols(int value) {
  // At least one column must stay scrollable.
  if (value < 0 || (dataLink_->Active() && value >= columns_->Count())) value = 0;
  fixedDataCols_ = value;
  LayoutChanged();
}

void TzelCustomDBGrid::SetTitleHeight(int value) {
  titleHeight_ = value;
  if (options_.Contains(dgTitles)) LayoutChanged();
}

void TzelCustomDBGrid::SetRowsHeight(int value) {
  rowsHeight_ = value;
  LayoutChanged();
}

void TzelCustomDBGrid::SetAllowInsert(bool value) {
  allowInsert_ = value && options_.Contains(dgEditing);
}

void TzelCustomDBGrid::SetAllowDelete(bool value) {
  allowDelete_ = value && options_.Contains(dgEditing);
}

void TzelCustomDBGrid::SetHighlightColor(TColor value) {
  if (value == highlightColor_) return;
  highlightColor_ = value;
  InvalidateGrid();
}

void TzelCustomDBGrid::SetHighlightTextColor(TColor value) {
  if (value == highlightTextColor_) return;
  highlightTextColor_ = value;
  InvalidateGrid();
}

void TzelCustomDBGrid::TitleFontChanged() {
  parentFont_ = false;
  if (options_.Contains(dgTitles)) LayoutChanged();
}

void TzelCustomDBGrid::FontChanged() {
  BeginLayout();
  try {
    for (int index = 0; index < columns_->Count(); ++index)
      columns_->Items(index)->RefreshDefaultFont();
  } catch (...) {
    EndLayout();
    throw;
  }
  EndLayout();
}

// --- Fields and selection --------------------------------------------------------------

bool TzelCustomDBGrid::ValidFieldIndex(int index) const {
  return dataLink_->GetMappedIndex(index) >= 0;
}

int TzelCustomDBGrid::FieldCount() const { return dataLink_->FieldCount(); }

TField* TzelCustomDBGrid::Fields(int index) const { return dataLink_->Fields(index); }

TField* TzelCustomDBGrid::SelectedField() const {
  const int index = SelectedIndex();
  if (index < 0 || index >= columns_->Count()) return nullptr;
  return columns_->Items(index)->Field();
}

void TzelCustomDBGrid::SetSelectedField(TField* value) {
  if (value == nullptr) return;
  for (int index = 0; index < columns_->Count(); ++index) {
    if (columns_->Items(index)->Field() == value) {
      SetSelectedIndex(index);
      return;
    }
  }
}

void TzelCustomDBGrid::SetSelectedIndex(int value) {
  const int raw = DataToRawColumn(value);
  if (raw >= TCustomGrid::FixedCols() && raw < ColCount()) SetCol(raw);
}

QRect TzelCustomDBGrid::ScreenCellRect(TzelRowType rowType, const std::string& columnName) const {
  TzelColumn* column = ColumnByName(columnName);
  if (column == nullptr || !dataLink_->Active()) return QRect(0, 0, 0, 0);
  int row = titleOffset_;
  switch (rowType) {
    case rtTitle:
      row = options_.Contains(dgTitles) ? 0 : titleOffset_;
      break;
    case rtFirstVisible:
      row = titleOffset_;
      break;
    case rtCurrent:
      row = dataLink_->ActiveRecord() + titleOffset_;
      break;
    case rtLastVisible:
      // The last data row that shows a record.
      row = std::max(titleOffset_, RowCount() - 1);
      break;
  }
  const QRect cell = CellRect(DataToRawColumn(column->Index()), row);
  if (cell.isEmpty()) return QRect(0, 0, 0, 0);
  return QRect(viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

// --- Editor hooks ------------------------------------------------------------------------

QWidget* TzelCustomDBGrid::CreateEditor() { return new TzelDBGridInplaceEdit(this); }

bool TzelCustomDBGrid::CanEditShow() const {
  if (layoutLock_ != 0 || !TCustomGrid::CanEditShow()) return false;
  const int index = SelectedIndex();
  if (index < 0 || index >= columns_->Count()) return false;
  return columns_->Items(index)->ButtonStyle() != cbsCheck;
}

bool TzelCustomDBGrid::CanEditModify() {
  if (readOnly_ || !dataLink_->Active() || dataLink_->ReadOnly()) return false;
  const int index = SelectedIndex();
  if (index < 0 || index >= columns_->Count()) return false;
  TzelColumn* column = columns_->Items(index);
  TField* field = column->Field();
  if (column->ReadOnly() || field == nullptr) return false;
  bool qualifies = field->CanModify();
  if (!qualifies && field->Calculated()) qualifies = dataLink_->DataSet()->CanModify();
  const bool textType = !IsBlobType(field->DataType()) && field->DataType() != ftBytes &&
                        field->DataType() != ftVarBytes && field->DataType() != ftCursor &&
                        field->DataType() != ftADT && field->DataType() != ftArray &&
                        field->DataType() != ftReference && field->DataType() != ftDataSet;
  if (!textType && !field->OnSetText) qualifies = false;
  if (!qualifies) return false;
  dataLink_->Edit();
  if (dataLink_->Editing()) dataLink_->Modified();
  return dataLink_->Editing();
}

std::string TzelCustomDBGrid::GetEditText(int col, int) {
  editText_.clear();
  const int index = RawToDataColumn(col);
  if (!dataLink_->Active() || index < 0 || index >= columns_->Count()) return editText_;
  TzelColumn* column = columns_->Items(index);
  if (column->Field() == nullptr) return editText_;
  editText_ = ColumnCellText(column, true);
  return editText_;
}

void TzelCustomDBGrid::SetEditText(int col, int, const std::string& text) {
  const int index = RawToDataColumn(col);
  TzelColumn* column = index >= 0 && index < columns_->Count() ? columns_->Items(index) : nullptr;
  if (column != nullptr && column->HasPickList() &&
      column->PickValues().Count() == column->PickList().Count()) {
    const int position = column->PickList().IndexOf(text);
    editText_ = position >= 0 ? column->PickValues()[position] : std::string();
    return;
  }
  editText_ = text;
}

int TzelCustomDBGrid::GetEditLimit() {
  TField* field = SelectedField();
  if (field != nullptr && (field->DataType() == ftString || field->DataType() == ftFixedChar ||
                           field->DataType() == ftWideString))
    return field->Size();
  return 0;
}

std::string TzelCustomDBGrid::GetEditMask(int col, int) {
  if (!dataLink_->Active()) return std::string();
  const int index = RawToDataColumn(col);
  if (index < 0 || index >= columns_->Count()) return std::string();
  TField* field = columns_->Items(index)->Field();
  return field != nullptr ? field->EditMask() : std::string();
}

}  // namespace morvane
