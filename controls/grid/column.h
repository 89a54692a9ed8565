// TzelColumn and TzelColumnTitle: one column of the data grid and its title.
//
// A column binds one field of the grid's dataset by name and carries its
// look (colour, font, alignment, width, title) and editing behaviour
// (read-only, button style, pick lists, lookup settings, check values).
// Every look property either holds an explicitly assigned value, flagged in
// AssignedValues, or follows a default derived live from the grid or the
// field. Setting a look property of a default column (Stored() false, made
// by the grid's automatic layout) writes through to the field instead.
//
// Ownership: a TzelDBGridColumns owns its columns; a column owns its title,
// fonts and pick lists. The field, the lookup dataset and the popup menu are
// references: the grid clears them when they are destroyed (it registers for
// their destruction notices).
#pragma once

#include <QMenu>
#include <QPointer>
#include <memory>
#include <string>

#include "controls/grid/grid_types.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/font.h"

namespace morvane {

class TDataSet;
class TField;
class TzelColumn;
class TzelDBGridColumns;

class TzelColumnTitle {
 public:
  explicit TzelColumnTitle(TzelColumn* column);
  virtual ~TzelColumnTitle() = default;
  TzelColumnTitle(const TzelColumnTitle&) = delete;
  TzelColumnTitle& operator=(const TzelColumnTitle&) = delete;

  TzelColumn* Column() const { return column_; }

  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  std::string Caption() const;
  void SetCaption(const std::string& value);
  TColor Color() const;
  void SetColor(TColor value);
  // The explicit font, or a private copy of the default font kept current.
  TFont& Font();
  void SetFont(const TFont& value);

  TAlignment DefaultAlignment() const { return taCenter; }
  std::string DefaultCaption() const;
  TColor DefaultColor() const;
  const TFont& DefaultFont();

  bool IsAlignmentStored() const;
  bool IsCaptionStored() const;
  bool IsColorStored() const;
  bool IsFontStored() const;

  virtual void RestoreDefaults();
  // Copies the assigned values of another title (alignment, colour, caption, font).
  void Assign(TzelColumnTitle& source);
  void RefreshDefaultFont();

 private:
  friend class TzelDBGridColumns;
  void FontChanged();

  TzelColumn* column_;
  std::string caption_;
  TFont font_;
  TColor color_ = clBtnFace;
  TAlignment alignment_ = taLeftJustify;
};

class TzelColumn {
 public:
  // Appends itself to the collection (null: a free-standing column).
  explicit TzelColumn(TzelDBGridColumns* collection);
  virtual ~TzelColumn();
  TzelColumn(const TzelColumn&) = delete;
  TzelColumn& operator=(const TzelColumn&) = delete;

  TzelDBGridColumns* Collection() const { return collection_; }
  TzelCustomDBGrid* Grid() const;
  int Index() const;
  void SetIndex(int value);

  // --- Field -----------------------------------------------------------
  // The bound field, looked up by name on first need.
  TField* Field() const;
  void SetField(TField* value);
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& value);

  // --- Look ------------------------------------------------------------
  TColor Color() const;
  void SetColor(TColor value);
  TColor DefaultColor() const;
  // -1 while the column is not showing.
  int Width() const;
  void SetWidth(int value);
  int DefaultWidth() const;
  // The explicit width, kept while the column is hidden; meaningful when
  // cvWidth is assigned.
  int StoredWidth() const { return width_; }
  TFont& Font();
  void SetFont(const TFont& value);
  const TFont& DefaultFont() const;
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  TAlignment DefaultAlignment() const;
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  bool DefaultReadOnly() const;
  uint8_t ImeMode() const;
  void SetImeMode(uint8_t value);
  std::string ImeName() const;
  void SetImeName(const std::string& value);
  TzelColumnTitle* Title() const { return title_.get(); }

  // --- Behaviour -------------------------------------------------------
  // Created on first read.
  TStringList& PickList();
  TStringList& PickValues();
  bool HasPickList() const { return pickList_ != nullptr && pickList_->Count() > 0; }
  bool HasPickValues() const { return pickValues_ != nullptr && pickValues_->Count() > 0; }
  // Null frees the list; otherwise its lines are copied.
  void SetPickList(const TStringList* value);
  void SetPickValues(const TStringList* value);
  // name=value lines: names into PickList, values into PickValues.
  void AssignList(const TStringList& list);
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* value);
  unsigned DropDownRows() const { return dropDownRows_; }
  void SetDropDownRows(unsigned value) { dropDownRows_ = value; }
  unsigned DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(unsigned value) { dropDownWidth_ = value; }
  bool CanClick() const { return canClick_; }
  void SetCanClick(bool value) { canClick_ = value; }
  bool TitlePressed() const { return titlePressed_; }
  void SetTitlePressed(bool value) { titlePressed_ = value; }
  bool WrapText() const { return wrapText_; }
  void SetWrapText(bool value);
  TzelColumnButtonStyle ButtonStyle() const { return buttonStyle_; }
  void SetButtonStyle(TzelColumnButtonStyle value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Expanded() const { return expanded_; }
  void SetExpanded(bool value) { expanded_ = value; }
  // The data engine makes no object fields, so no column nests.
  bool Expandable() const { return false; }
  TzelColumn* ParentColumn() const { return nullptr; }
  int Depth() const { return 0; }
  // Visible, not expanded, and no ancestor collapsed.
  bool Showing() const { return visible_ && !expanded_; }
  // False for the columns the grid makes for itself from the dataset.
  bool Stored() const { return stored_; }
  const std::string& ValueChecked() const { return valueChecked_; }
  void SetValueChecked(const std::string& value);
  const std::string& ValueUnChecked() const { return valueUnChecked_; }
  void SetValueUnChecked(const std::string& value);
  const std::string& LookupDropDownFields() const { return lookupDropDownFields_; }
  void SetLookupDropDownFields(const std::string& value);
  const std::string& LookupKeyField() const { return lookupKeyField_; }
  void SetLookupKeyField(const std::string& value);
  const std::string& LookupLinkField() const { return lookupLinkField_; }
  void SetLookupLinkField(const std::string& value);
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  // Raises _Z_LOOKUPSOURCEERROR when the dataset is the column field's own.
  void SetLookupDataSet(TDataSet* value);
  // The first name of LookupDropDownFields.
  const std::string& LookupDisplayField() const { return lookupDisplayField_; }
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool value) { autoDropDown_ = value; }
  bool LongTextAsHint() const { return longTextAsHint_; }
  void SetLongTextAsHint(bool value) { longTextAsHint_ = value; }
  TzelSortMark SortMark() const { return sortMark_; }
  void SetSortMark(TzelSortMark value) { sortMark_ = value; }

  // A lookup dataset is set and open and all three lookup names are given.
  bool IsLinkActive() const;
  TzelColumnValues AssignedValues() const { return assignedValues_; }

  // Stored rules of the streamed properties.
  bool IsAlignmentStored() const;
  bool IsColorStored() const;
  bool IsReadOnlyStored() const;
  bool IsWidthStored() const;
  bool IsFontStored() const { return assignedValues_.Contains(cvFont); }

  virtual void RestoreDefaults();
  // Copies a column as the framework's assignment does (not WrapText,
  // AutoDropDown, the check values or the sort mark).
  virtual void Assign(TzelColumn& source);
  // Copies every streamed property, the four Assign skips included (loading
  // a column file).
  void AssignStreamed(TzelColumn& source);
  void RefreshDefaultFont();

 protected:
  virtual std::unique_ptr<TzelColumnTitle> CreateTitle();
  // Reports a change of this column, or of the whole layout.
  void Changed(bool allItems);

 private:
  friend class TzelColumnTitle;
  friend class TzelDBGridColumns;
  friend class TzelCustomDBGrid;

  void FontChanged();
  bool GridLinkActive() const;
  // Clears the field reference without a change report (the grid's layout).
  void ClearFieldReference() { field_ = nullptr; }
  void SetStored(bool value) { stored_ = value; }

  TzelDBGridColumns* collection_ = nullptr;
  mutable TField* field_ = nullptr;
  std::string fieldName_;
  TColor color_ = clWindow;
  int width_ = 0;
  std::unique_ptr<TzelColumnTitle> title_;
  TFont font_;
  uint8_t imeMode_ = imDontCare;
  std::string imeName_;
  std::unique_ptr<TStringList> pickList_;
  std::unique_ptr<TStringList> pickValues_;
  QPointer<QMenu> popupMenu_;
  unsigned dropDownRows_ = 10;
  unsigned dropDownWidth_ = 0;
  bool canClick_ = false;
  bool titlePressed_ = false;
  bool wrapText_ = false;
  TzelColumnButtonStyle buttonStyle_ = cbsNone;
  TAlignment alignment_ = taLeftJustify;
  bool readOnly_ = false;
  TzelColumnValues assignedValues_;
  bool visible_ = true;
  bool expanded_ = false;
  bool stored_ = true;
  std::string valueUnChecked_;
  std::string valueChecked_;
  std::string lookupDropDownFields_;
  std::string lookupKeyField_;
  std::string lookupLinkField_;
  TDataSet* lookupDataSet_ = nullptr;
  std::string lookupDisplayField_;
  bool autoDropDown_ = false;
  bool longTextAsHint_ = false;
  TzelSortMark sortMark_ = zsmNone;
};

}  // namespace morvane
