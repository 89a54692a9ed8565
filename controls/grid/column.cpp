#include "controls/grid/column.h"

#include <QFontMetrics>
#include <QMenu>

#include "controls/grid/columns.h"
#include "controls/grid/db_grid.h"
#include "controls/editors/zeldbconst.h"
#include "platform/db/dataset.h"
#include "platform/db/field.h"

namespace morvane {

namespace {

int TextWidthIn(const TFont& font, const std::string& text) {
  return QFontMetrics(font.Handle()).horizontalAdvance(QString::fromStdString(text));
}

int OverhangOf(const TFont& font) { return font.Handle().italic() ? 1 : 0; }

int AverageCharWidthOf(const TFont& font) {
  const int width = QFontMetrics(font.Handle()).averageCharWidth();
  return width > 0 ? width : 1;
}

}  // namespace

// --- Title ------------------------------------------------------------------------

TzelColumnTitle::TzelColumnTitle(TzelColumn* column) : column_(column) {
  font_.OnChange = [this](TFont*) { FontChanged(); };
  RefreshDefaultFont();
}

TAlignment TzelColumnTitle::Alignment() const {
  return column_->assignedValues_.Contains(cvHeadAlignment) ? alignment_ : DefaultAlignment();
}

void TzelColumnTitle::SetAlignment(TAlignment value) {
  if (column_->assignedValues_.Contains(cvHeadAlignment) && value == alignment_) return;
  alignment_ = value;
  column_->assignedValues_.Include(cvHeadAlignment);
  column_->Changed(false);
}

std::string TzelColumnTitle::DefaultCaption() const {
  if (TField* field = column_->Field()) return field->DisplayName();
  return column_->FieldName();
}

std::string TzelColumnTitle::Caption() const {
  return column_->assignedValues_.Contains(cvHeadCaption) ? caption_ : DefaultCaption();
}

void TzelColumnTitle::SetCaption(const std::string& value) {
  if (!column_->Stored()) {
    // A default column's caption is its field's display label.
    TField* field = column_->Field();
    if (column_->GridLinkActive() && field != nullptr) field->SetDisplayLabel(value);
    return;
  }
  if (column_->assignedValues_.Contains(cvHeadCaption) && value == caption_) return;
  caption_ = value;
  column_->assignedValues_.Include(cvHeadCaption);
  column_->Changed(false);
}

TColor TzelColumnTitle::DefaultColor() const {
  if (TzelCustomDBGrid* grid = column_->Grid()) return grid->FixedColor();
  return clBtnFace;
}

TColor TzelColumnTitle::Color() const {
  return column_->assignedValues_.Contains(cvHeadColor) ? color_ : DefaultColor();
}

void TzelColumnTitle::SetColor(TColor value) {
  if (column_->assignedValues_.Contains(cvHeadColor) && value == color_) return;
  color_ = value;
  column_->assignedValues_.Include(cvHeadColor);
  column_->Changed(false);
}

const TFont& TzelColumnTitle::DefaultFont() {
  if (TzelCustomDBGrid* grid = column_->Grid()) return grid->TitleFont();
  return column_->Font();
}

TFont& TzelColumnTitle::Font() {
  if (!column_->assignedValues_.Contains(cvHeadFont)) {
    const TFont& def = DefaultFont();
    if (&def != &font_ && !(font_ == def)) {
      TFontChangeSuspender quiet(font_);
      font_.Assign(def);
    }
  }
  return font_;
}

void TzelColumnTitle::SetFont(const TFont& value) { font_.Assign(value); }

void TzelColumnTitle::FontChanged() {
  column_->assignedValues_.Include(cvHeadFont);
  column_->Changed(true);
}

void TzelColumnTitle::RefreshDefaultFont() {
  if (column_->assignedValues_.Contains(cvHeadFont)) return;
  const TFont& def = DefaultFont();
  if (&def == &font_) return;
  TFontChangeSuspender quiet(font_);
  font_.Assign(def);
}

bool TzelColumnTitle::IsAlignmentStored() const {
  return column_->assignedValues_.Contains(cvHeadAlignment) && alignment_ != DefaultAlignment();
}
bool TzelColumnTitle::IsCaptionStored() const {
  return column_->assignedValues_.Contains(cvHeadCaption) && caption_ != DefaultCaption();
}
bool TzelColumnTitle::IsColorStored() const {
  return column_->assignedValues_.Contains(cvHeadColor) && color_ != DefaultColor();
}
bool TzelColumnTitle::IsFontStored() const {
  return column_->assignedValues_.Contains(cvHeadFont);
}

void TzelColumnTitle::RestoreDefaults() {
  const bool fontAssigned = column_->assignedValues_.Contains(cvHeadFont);
  for (TzelColumnValue flag : {cvHeadColor, cvHeadCaption, cvHeadAlignment, cvHeadFont})
    column_->assignedValues_.Exclude(flag);
  caption_.clear();
  RefreshDefaultFont();
  column_->Changed(fontAssigned);
}

void TzelColumnTitle::Assign(TzelColumnTitle& source) {
  const TzelColumnValues assigned = source.column_->assignedValues_;
  if (assigned.Contains(cvHeadAlignment)) SetAlignment(source.Alignment());
  if (assigned.Contains(cvHeadColor)) SetColor(source.Color());
  if (assigned.Contains(cvHeadCaption)) SetCaption(source.Caption());
  if (assigned.Contains(cvHeadFont)) SetFont(source.Font());
}

// --- Column -----------------------------------------------------------------------

TzelColumn::TzelColumn(TzelDBGridColumns* collection) : collection_(collection) {
  font_.OnChange = [this](TFont*) { FontChanged(); };
  title_ = CreateTitle();
  RefreshDefaultFont();
}

TzelColumn::~TzelColumn() = default;

std::unique_ptr<TzelColumnTitle> TzelColumn::CreateTitle() {
  return std::make_unique<TzelColumnTitle>(this);
}

TzelCustomDBGrid* TzelColumn::Grid() const {
  return collection_ != nullptr ? collection_->Grid() : nullptr;
}

int TzelColumn::Index() const { return collection_ != nullptr ? collection_->IndexOf(this) : -1; }

void TzelColumn::SetIndex(int value) {
  if (collection_ == nullptr || value == Index()) return;
  TzelCustomDBGrid* grid = Grid();
  if (!stored_ && grid != nullptr && grid->DataLink()->Active()) {
    // A default column moves its field; the layout follows the dataset.
    TField* field = Field();
    if (field != nullptr && grid->AcquireLayoutLock()) {
      try {
        TzelColumn* target = collection_->Items(value);
        if (TField* targetField = target != nullptr ? target->Field() : nullptr)
          field->SetIndex(targetField->Index());
      } catch (...) {
        grid->EndLayout();
        throw;
      }
      grid->EndLayout();
    }
    collection_->Move(Index(), value);
    return;
  }
  if (grid != nullptr) grid->BeginLayout();
  try {
    collection_->Move(Index(), value);
  } catch (...) {
    if (grid != nullptr) grid->EndLayout();
    throw;
  }
  if (grid != nullptr) grid->EndLayout();
}

bool TzelColumn::GridLinkActive() const {
  TzelCustomDBGrid* grid = Grid();
  return grid != nullptr && grid->DataLink()->Active();
}

void TzelColumn::Changed(bool allItems) {
  if (collection_ != nullptr) collection_->Changed(allItems ? nullptr : this);
}

// --- Field ---------------------------------------------------------------------

TField* TzelColumn::Field() const {
  if (field_ == nullptr && !fieldName_.empty()) {
    TzelCustomDBGrid* grid = Grid();
    TDataSet* dataSet = grid != nullptr ? grid->DataLink()->DataSet() : nullptr;
    if (dataSet != nullptr && (dataSet->Active() || !dataSet->DefaultFields())) {
      field_ = dataSet->FindField(fieldName_);
      if (field_ != nullptr) grid->ListenTo(field_);
    }
  }
  return field_;
}

void TzelColumn::SetField(TField* value) {
  if (value == field_) return;
  field_ = value;
  if (value != nullptr) {
    if (TzelCustomDBGrid* grid = Grid()) grid->ListenTo(value);
    fieldName_ = value->FullName();
  }
  if (!stored_ && value == nullptr) {
    fieldName_.clear();
    RestoreDefaults();
  }
  Changed(false);
}

void TzelColumn::SetFieldName(const std::string& value) {
  TField* field = nullptr;
  TzelCustomDBGrid* grid = Grid();
  if (grid != nullptr && !grid->Loading() && !value.empty()) {
    if (TDataSet* dataSet = grid->DataLink()->DataSet()) field = dataSet->FindField(value);
  }
  fieldName_ = value;
  field_ = field;
  if (field != nullptr) grid->ListenTo(field);
  Changed(false);
}

// --- Look --------------------------------------------------------------------------

TColor TzelColumn::DefaultColor() const {
  if (TzelCustomDBGrid* grid = Grid()) return grid->Color();
  return clWindow;
}

TColor TzelColumn::Color() const {
  return assignedValues_.Contains(cvColor) ? color_ : DefaultColor();
}

void TzelColumn::SetColor(TColor value) {
  if (assignedValues_.Contains(cvColor) && value == color_) return;
  color_ = value;
  assignedValues_.Include(cvColor);
  Changed(false);
}

int TzelColumn::DefaultWidth() const {
  TzelCustomDBGrid* grid = Grid();
  if (grid == nullptr) return 64;
  TField* field = Field();
  if (field == nullptr) return grid->DefaultColWidth();
  const TFont& font = const_cast<TzelColumn*>(this)->Font();
  const int overhang = OverhangOf(font);
  int width = field->DisplayWidth() * (TextWidthIn(font, "0") - overhang) + overhang + 4;
  if (grid->Options().Contains(dgTitles)) {
    const int titleWidth = TextWidthIn(title_->Font(), title_->Caption()) + 4;
    if (titleWidth > width) width = titleWidth;
  }
  return width;
}

int TzelColumn::Width() const {
  if (!Showing()) return -1;
  return assignedValues_.Contains(cvWidth) ? width_ : DefaultWidth();
}

void TzelColumn::SetWidth(int value) {
  TzelCustomDBGrid* grid = Grid();
  bool storeOwn = true;
  if (!stored_ && grid != nullptr) {
    TField* field = Field();
    if (field != nullptr && grid->AllowFieldUpdates()) {
      // A default column's width is its field's display width in characters.
      const TFont& font = Font();
      const int average = AverageCharWidthOf(font);
      field->SetDisplayWidth((value + average / 2 - OverhangOf(font) - 3) / average);
    }
    storeOwn = !grid->LayoutFromDataset() || assignedValues_.Contains(cvWidth);
  }
  if (storeOwn && value != -1 &&
      (assignedValues_.Contains(cvWidth) || value != DefaultWidth())) {
    width_ = value;
    assignedValues_.Include(cvWidth);
  }
  Changed(false);
}

const TFont& TzelColumn::DefaultFont() const {
  if (TzelCustomDBGrid* grid = Grid()) return grid->Font();
  return font_;
}

TFont& TzelColumn::Font() {
  if (!assignedValues_.Contains(cvFont)) {
    const TFont& def = DefaultFont();
    if (&def != &font_ && !(font_ == def)) {
      TFontChangeSuspender quiet(font_);
      font_.Assign(def);
    }
  }
  return font_;
}

void TzelColumn::SetFont(const TFont& value) {
  {
    TFontChangeSuspender quiet(font_);
    font_.Assign(value);
  }
  assignedValues_.Include(cvFont);
  Changed(false);
}

void TzelColumn::FontChanged() {
  assignedValues_.Include(cvFont);
  title_->RefreshDefaultFont();
  Changed(false);
}

void TzelColumn::RefreshDefaultFont() {
  if (!assignedValues_.Contains(cvFont)) {
    const TFont& def = DefaultFont();
    if (&def != &font_) {
      TFontChangeSuspender quiet(font_);
      font_.Assign(def);
    }
  }
  if (title_ != nullptr) title_->RefreshDefaultFont();
}

TAlignment TzelColumn::DefaultAlignment() const {
  TField* field = Field();
  if (field != nullptr && buttonStyle_ != cbsCombo && buttonStyle_ != cbsLookup)
    return field->Alignment();
  return taLeftJustify;
}

TAlignment TzelColumn::Alignment() const {
  return assignedValues_.Contains(cvAlignment) ? alignment_ : DefaultAlignment();
}

void TzelColumn::SetAlignment(TAlignment value) {
  if (!stored_) {
    TField* field = Field();
    if (GridLinkActive() && field != nullptr && buttonStyle_ != cbsCombo &&
        buttonStyle_ != cbsLookup)
      field->SetAlignment(value);
    return;
  }
  if (assignedValues_.Contains(cvAlignment) && value == alignment_) return;
  alignment_ = value;
  assignedValues_.Include(cvAlignment);
  Changed(false);
}

bool TzelColumn::DefaultReadOnly() const {
  TzelCustomDBGrid* grid = Grid();
  TField* field = Field();
  return (grid != nullptr && grid->ReadOnly()) || (field != nullptr && field->ReadOnly());
}

bool TzelColumn::ReadOnly() const {
  return assignedValues_.Contains(cvReadOnly) ? readOnly_ : DefaultReadOnly();
}

void TzelColumn::SetReadOnly(bool value) {
  if (!stored_ && GridLinkActive() && Field() != nullptr) {
    Field()->SetReadOnly(value);
    return;
  }
  if (assignedValues_.Contains(cvReadOnly) && value == readOnly_) return;
  readOnly_ = value;
  assignedValues_.Include(cvReadOnly);
  Changed(false);
}

uint8_t TzelColumn::ImeMode() const {
  if (assignedValues_.Contains(cvImeMode)) return imeMode_;
  if (TzelCustomDBGrid* grid = Grid()) return grid->ImeMode();
  return imeMode_;
}

void TzelColumn::SetImeMode(uint8_t value) {
  if (assignedValues_.Contains(cvImeMode) || value != ImeMode()) {
    imeMode_ = value;
    assignedValues_.Include(cvImeMode);
  }
  Changed(false);
}

std::string TzelColumn::ImeName() const {
  if (assignedValues_.Contains(cvImeName)) return imeName_;
  if (TzelCustomDBGrid* grid = Grid()) return grid->ImeName();
  return imeName_;
}

void TzelColumn::SetImeName(const std::string& value) {
  if (assignedValues_.Contains(cvImeName) || value != ImeName()) {
    imeName_ = value;
    assignedValues_.Include(cvImeName);
  }
  Changed(false);
}

bool TzelColumn::IsAlignmentStored() const {
  return assignedValues_.Contains(cvAlignment) && alignment_ != DefaultAlignment();
}
bool TzelColumn::IsColorStored() const {
  return assignedValues_.Contains(cvColor) && color_ != DefaultColor();
}
bool TzelColumn::IsReadOnlyStored() const {
  return assignedValues_.Contains(cvReadOnly) && readOnly_ != DefaultReadOnly();
}
bool TzelColumn::IsWidthStored() const {
  return assignedValues_.Contains(cvWidth) && width_ != DefaultWidth();
}

// --- Behaviour ---------------------------------------------------------------------

TStringList& TzelColumn::PickList() {
  if (pickList_ == nullptr) pickList_ = std::make_unique<TStringList>();
  return *pickList_;
}

TStringList& TzelColumn::PickValues() {
  if (pickValues_ == nullptr) pickValues_ = std::make_unique<TStringList>();
  return *pickValues_;
}

void TzelColumn::SetPickList(const TStringList* value) {
  if (value == nullptr) {
    pickList_.reset();
    return;
  }
  PickList() = *value;
}

void TzelColumn::SetPickValues(const TStringList* value) {
  if (value == nullptr) {
    pickValues_.reset();
    return;
  }
  PickValues() = *value;
}

void TzelColumn::AssignList(const TStringList& list) {
  PickList().Clear();
  PickValues().Clear();
  for (int index = 0; index < list.Count(); ++index) {
    const std::string name = list.Names(index);
    pickList_->Add(name);
    pickValues_->Add(list.Values(name));
  }
}

void TzelColumn::SetPopupMenu(QMenu* value) { popupMenu_ = value; }

void TzelColumn::SetWrapText(bool value) {
  if (value == wrapText_) return;
  wrapText_ = value;
  Changed(false);
}

void TzelColumn::SetButtonStyle(TzelColumnButtonStyle value) {
  if (value == buttonStyle_) return;
  buttonStyle_ = value;
  Changed(false);
}

void TzelColumn::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Changed(true);
}

void TzelColumn::SetValueChecked(const std::string& value) {
  if (value == valueChecked_) return;
  valueChecked_ = value;
  if (buttonStyle_ == cbsCheck) Changed(false);
}

void TzelColumn::SetValueUnChecked(const std::string& value) {
  if (value == valueUnChecked_) return;
  valueUnChecked_ = value;
  if (buttonStyle_ == cbsCheck) Changed(false);
}

void TzelColumn::SetLookupDropDownFields(const std::string& value) {
  if (value == lookupDropDownFields_) return;
  lookupDropDownFields_ = value;
  const size_t separator = value.find(';');
  lookupDisplayField_ = separator == std::string::npos ? value : value.substr(0, separator);
  if (buttonStyle_ == cbsLookup) Changed(false);
}

void TzelColumn::SetLookupKeyField(const std::string& value) {
  if (value == lookupKeyField_) return;
  lookupKeyField_ = value;
  if (buttonStyle_ == cbsLookup) Changed(false);
}

void TzelColumn::SetLookupLinkField(const std::string& value) {
  if (value == lookupLinkField_) return;
  lookupLinkField_ = value;
  if (buttonStyle_ == cbsLookup) Changed(false);
}

void TzelColumn::SetLookupDataSet(TDataSet* value) {
  if (value == lookupDataSet_) return;
  TField* field = Field();
  TzelCustomDBGrid* grid = Grid();
  if (value != nullptr && field != nullptr && field->DataSet() == value)
    DatabaseError(zeldbconst::_Z_LOOKUPSOURCEERROR,
                  grid != nullptr ? grid->NotifyComponent() : nullptr);
  TDataSet* old = lookupDataSet_;
  lookupDataSet_ = value;
  if (grid != nullptr) {
    // The grid hears of the new dataset's destruction, and no longer of the
    // old one's once no column uses it.
    grid->ListenTo(value);
    grid->ForgetLookupDataSet(old);
  }
}

bool TzelColumn::IsLinkActive() const {
  if (lookupDataSet_ == nullptr || lookupLinkField_.empty() || lookupDropDownFields_.empty() ||
      lookupKeyField_.empty())
    return false;
  try {
    return lookupDataSet_->Active();
  } catch (...) {
    return false;  // a dataset that cannot tell counts as closed
  }
}

// --- Defaults and assignment ------------------------------------------------------------

void TzelColumn::RestoreDefaults() {
  const bool fontAssigned = assignedValues_.Contains(cvFont);
  title_->RestoreDefaults();
  assignedValues_ = TzelColumnValues{};
  RefreshDefaultFont();
  pickList_.reset();
  pickValues_.reset();
  buttonStyle_ = cbsNone;
  canClick_ = false;
  longTextAsHint_ = false;
  Changed(fontAssigned);
}

void TzelColumn::Assign(TzelColumn& source) {
  if (collection_ != nullptr) collection_->BeginUpdate();
  try {
    RestoreDefaults();
    SetFieldName(source.FieldName());
    const TzelColumnValues assigned = source.assignedValues_;
    if (assigned.Contains(cvColor)) SetColor(source.Color());
    // The stored width, not Width(): a hidden source column shows none.
    if (assigned.Contains(cvWidth)) SetWidth(source.StoredWidth());
    if (assigned.Contains(cvFont)) SetFont(source.Font());
    if (assigned.Contains(cvImeMode)) SetImeMode(source.ImeMode());
    if (assigned.Contains(cvImeName)) SetImeName(source.ImeName());
    if (assigned.Contains(cvAlignment)) SetAlignment(source.Alignment());
    if (assigned.Contains(cvReadOnly)) SetReadOnly(source.ReadOnly());
    title_->Assign(*source.Title());
    dropDownRows_ = source.dropDownRows_;
    dropDownWidth_ = source.dropDownWidth_;
    canClick_ = source.canClick_;
    longTextAsHint_ = source.longTextAsHint_;
    buttonStyle_ = source.buttonStyle_;
    SetPickList(source.pickList_.get());
    SetPickValues(source.pickValues_.get());
    SetLookupDropDownFields(source.lookupDropDownFields_);
    lookupKeyField_ = source.lookupKeyField_;
    lookupLinkField_ = source.lookupLinkField_;
    SetLookupDataSet(source.lookupDataSet_);
    SetPopupMenu(source.popupMenu_);
    visible_ = source.visible_;
    expanded_ = source.expanded_;
  } catch (...) {
    if (collection_ != nullptr) collection_->EndUpdate();
    throw;
  }
  if (collection_ != nullptr) collection_->EndUpdate();
}

void TzelColumn::AssignStreamed(TzelColumn& source) {
  Assign(source);
  wrapText_ = source.wrapText_;
  autoDropDown_ = source.autoDropDown_;
  valueChecked_ = source.valueChecked_;
  valueUnChecked_ = source.valueUnChecked_;
}

}  // namespace morvane
