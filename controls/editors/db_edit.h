// TzelDBEdit: a single-line edit that shows and edits one field of a
// dataset, or, without a data source, a value of its own. By DialogStyle it
// carries a button at its right edge and one drop-down: a user dialog behind
// an ellipsis (OnCustomDlg), a combo list of fixed texts with optional
// stored codes (ComboProps), a lookup list of the rows of another dataset
// (LookupProps), a calendar, or a tree of the rows of another dataset
// (TreeProps).
//
// Value and text are kept apart: the control holds a current value (a
// variant) and shows a text for it (a name, a path, a date text), so a list
// can show one thing and store another. A data change reads the value from
// the field (or, for a lookup with SourceKeyField, from that field); typing
// sets the value to the text (ClearValue for an empty text); accepting a
// drop-down sets the chosen value. UpdateData writes the value, never the
// text, except for the display field beside a separate lookup key.
//
// Binding goes through an owned TFieldDataLink (DataSource, DataField). The
// edit takes keystrokes only while the dataset edits; typing, Delete,
// Backspace and paste put it into edit state first. Leaving the control
// writes the record's pending change; when that fails the control keeps the
// focus with its text selected and the error is shown.
//
// The drop-downs are pop-up windows created on first need and owned by the
// control; they never take the focus: typing stays in the edit, which hands
// keys and typed characters to the open list. The list of the current
// style is prepared (filled from the settings) lazily and again after any
// setting changes. Destroying the control with a list open gives the lookup
// dataset its own filter handler back before the list goes.
//
// Keys: Alt+Down or Alt+Up opens and accepts, Enter accepts and Escape
// cancels an open list; Down and Up without a list move the focus to the
// next or previous control; Enter moves to the next control with
// EnterAsTab, else presses the window's default button; Escape puts the
// field's value back. In style zcsDropDownList Space opens the list and
// Delete or Backspace empty the value (ClearValue).
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "controls/editors/db_edit_props.h"
#include "platform/rtl/variant.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/popup_window.h"

namespace morvane {

class TDataSet;
class TDataSource;
class TField;
class TFieldDataLink;
class TNotificationBridge;
class TComponent;
class TzelDlgCalendar;
class TzelListbox;
class TzelPopupTree;

enum TzelDialogStyle : uint8_t { zdsEdit, zdsCustomDlg, zdsCombo, zdsLookup, zdsCalendar, zdsTree };
enum TzelComboBoxStyle : uint8_t { zcsDropDown, zcsDropDownList };

class TzelDBEdit;
using TzelNotifyEvent = std::function<void(TzelDBEdit* sender)>;
using TGetTextEvent = std::function<std::string(TzelDBEdit* sender, const std::string& fieldValue)>;
using TSetTextEvent = std::function<void(TzelDBEdit* sender, const std::string& fieldValue)>;
using TCloseUpEvent = std::function<void(TzelDBEdit* sender, bool selected)>;

class TzelDBEdit : public TCustomMaskEdit {
 public:
  explicit TzelDBEdit(QWidget* parent = nullptr);
  ~TzelDBEdit() override;

  // --- Binding ---
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* source);
  const std::string& DataField() const;
  void SetDataField(const std::string& name);
  TField* Field() const;
  TFieldDataLink* DataLink() const { return dataLink_.get(); }
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  // Raises _Z_LOOKUPSOURCEERROR when it is the bound dataset.
  void SetLookupDataSet(TDataSet* dataSet);
  bool DBLinked() const;
  bool IsLinkActive() const;

  // --- Settings ---
  TzelDialogStyle DialogStyle() const { return dialogStyle_; }
  void SetDialogStyle(TzelDialogStyle style);
  TzelComboBoxStyle Style() const { return style_; }
  void SetStyle(TzelComboBoxStyle style) { style_ = style; update(); }
  TzelComboProperties& ComboProps();
  TzelLookupProperties& LookupProps();
  TzelTreeProperties& TreeProps();
  void SetComboProps(const TzelComboProperties* props);
  void SetLookupProps(const TzelLookupProperties* props);
  void SetTreeProps(const TzelTreeProperties* props);
  int ButtonWidth() const { return buttonWidth_; }
  // Taken only when above 4 and below half the control's width (rounded).
  void SetButtonWidth(int width);
  Qt::Alignment Alignment() const { return alignment(); }
  // Left-justified in every style but zdsEdit.
  void SetAlignment(Qt::Alignment alignment);
  unsigned DropDownWidth() const { return dropDownWidth_; }
  void SetDropDownWidth(unsigned width) { dropDownWidth_ = width; }
  unsigned DropDownRows() const { return dropDownRows_; }
  void SetDropDownRows(unsigned rows) { dropDownRows_ = rows; }
  bool AutoDropDown() const { return autoDropDown_; }
  void SetAutoDropDown(bool value) { autoDropDown_ = value; }
  bool EnterAsTab() const { return enterAsTab_; }
  void SetEnterAsTab(bool value) { enterAsTab_ = value; }
  const std::string& ClearValue() const { return clearValue_; }
  void SetClearValue(const std::string& value) { clearValue_ = value; }
  // The typing limit in UTF-8 bytes set for the control (0: none). A bound
  // string field whose text is what gets written limits typing to its size
  // when no limit is set here.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int bytes);

  // --- Value ---
  const Variant& Value() const { return value_; }
  // Unbound only: takes the value and shows it.
  void SetValue(const Variant& value);
  int GetItemIndex();
  void SetItemIndex(int index);
  void SetViewText(const Variant& value, const std::string& text);
  std::string GetViewTextNonDB();
  Variant GetSelectedValue();

  // --- Drop-down ---
  virtual void CloseUp(bool accept);
  virtual void DropDown();
  bool ListVisible() const { return listVisible_; }
  bool ListPrepared() const { return listPrepared_; }
  void MarkListUnprepared() { listPrepared_ = false; }
  void CreateDropDownList();
  QWidget* ActiveList() const { return activeList_; }
  TzelListbox* PickList() const { return pickList_; }
  TzelPopupData* DataList() const { return dataList_; }
  TzelPopupTree* Tree() const { return tree_; }
  TzelDlgCalendar* Calendar() const { return calendar_; }

  bool EditCanModify() override;
  bool Editable() const { return style_ == zcsDropDown || listVisible_; }
  void Reset() override;
  // key: a key code; cleared when the drop-down used it.
  void DoDropDownKeys(TKeyCode& key, TShiftState shift);

  QRect ButtonRect() const;
  bool OverButton(const QPoint& point) const { return ButtonRect().contains(point); }
  bool Pressed() const { return pressed_; }

  // The link's callbacks.
  void DataChange();
  void EditingChange();
  void UpdateData();

  TzelNotifyEvent OnDropDown;
  TCloseUpEvent OnCloseUp;
  TzelNotifyEvent OnCustomDlg;
  TGetTextEvent OnDisplayText;
  TSetTextEvent OnUpdateData;
  TzelNotifyEvent OnExit;

 protected:
  void KeyDown(TKeyCode& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;

  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CheckDB();
  void Change();
  void ComponentRemoved(TComponent* component);
  void SetFocused(bool value);
  // Leaving the control: writes the pending change, or keeps the focus
  // when that fails.
  void Leave();
  bool DataSetCanModify() const;
  bool LookupWithSourceKey() const;
  // The field whose value the control shows: SourceKeyField for a lookup
  // with one, else the bound field.
  TField* ValueField() const;
  void EnsureListPrepared();
  void SetEditRect();
  void UpdateEditLimit();
  void ListMouseUp(QWidget* list, Qt::MouseButton button, const QPoint& point);
  QWidget* MouseTarget(QWidget* list) const;
  void ForwardKeyToList(TKeyCode key);
  void ForwardCharacterToList(char32_t character);
  void MoveFocus(bool next);
  void PressDefaultButton();
  void RunCustomDialog();
  void TrackButton(const QPoint& point);
  void StopTracking();
  void HideActiveList();
  void PositionList();

  std::unique_ptr<TFieldDataLink> dataLink_;
  std::unique_ptr<TDataSource> lookupSource_;
  std::unique_ptr<TNotificationBridge> notices_;
  std::unique_ptr<TzelComboProperties> comboProps_;
  std::unique_ptr<TzelLookupProperties> lookupProps_;
  std::unique_ptr<TzelTreeProperties> treeProps_;
  TDataSet* lookupDataSet_ = nullptr;

  int buttonWidth_ = 15;
  bool listVisible_ = false;
  bool tracking_ = false;
  bool pressed_ = false;
  bool dragHandedOver_ = false;
  TzelPopupData* dataList_ = nullptr;
  TzelListbox* pickList_ = nullptr;
  TzelPopupTree* tree_ = nullptr;
  TzelDlgCalendar* calendar_ = nullptr;
  QWidget* activeList_ = nullptr;
  TzelComboBoxStyle style_ = zcsDropDown;
  bool focused_ = false;
  TzelDialogStyle dialogStyle_ = zdsEdit;
  unsigned dropDownWidth_ = 0;
  unsigned dropDownRows_ = 10;
  bool autoDropDown_ = false;
  int arrowStep_ = 0;
  Variant value_ = Variant(std::string());
  std::string clearValue_;
  bool listPrepared_ = false;
  bool enterAsTab_ = true;
  bool destroying_ = false;
  // Set while the control shows a value: the text change is not typing.
  bool showingText_ = false;
  int maxLength_ = 0;
  TPopupCloser closer_;
};

}  // namespace morvane
