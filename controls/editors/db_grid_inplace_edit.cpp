#include "controls/editors/db_grid_inplace_edit.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "controls/editors/dlg_calendar.h"
#include "controls/editors/listbox.h"
#include "controls/editors/popup_data.h"
#include "controls/editors/typed_text.h"
#include "controls/grid/column.h"
#include "controls/grid/db_grid.h"
#include "platform/db/data_source.h"
#include "platform/db/field.h"
#include "platform/rtl/format.h"
#include "platform/ui/application.h"
#include "platform/ui/colors.h"

namespace morvane {

namespace {

constexpr int kPickItemHeight = 11;

// Pick-list texts and values correspond line by line only when the two
// lists have the same length.
bool PickValuesApply(TzelColumn* column) {
  return column->HasPickValues() && column->PickValues().Count() == column->PickList().Count();
}

}  // namespace

TzelDBGridInplaceEdit::TzelDBGridInplaceEdit(TzelCustomDBGrid* grid)
    : TInplaceEdit(grid),
      dbGrid_(grid),
      lookupSource_(std::make_unique<TDataSource>()),
      closer_(this, [this] { CloseUp(false); }) {
  buttonWidth_ = std::max(8, style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 4);
  setMouseTracking(true);
}

TzelDBGridInplaceEdit::~TzelDBGridInplaceEdit() {
  // The lists read the lookup dataset and the grid's columns: close first
  // (which gives the lookup dataset its filter back), then let them go.
  try {
    CloseUp(false);
  } catch (...) {
    // Destruction goes on; the list's own destructor still restores the
    // lookup dataset's filter handler.
  }
  closer_.Stop();
  delete dataList_;
  delete pickList_;
  delete calendar_;
}

TzelColumn* TzelDBGridInplaceEdit::CurrentColumn() const {
  const int index = dbGrid_->SelectedIndex();
  if (index < 0 || index >= dbGrid_->Columns().Count()) return nullptr;
  return dbGrid_->Columns().Items(index);
}

// --- Edit style -------------------------------------------------------------------

TzelEditStyle TzelDBGridInplaceEdit::StyleForColumn(TzelColumn* column) const {
  if (column == nullptr) return esNone;
  switch (column->ButtonStyle()) {
    case cbsCombo:
      return column->HasPickList() && !column->ReadOnly() ? esPickList : esNone;
    case cbsLookup: {
      TField* field = column->Field();
      if (field == nullptr || !column->IsLinkActive() || field->DataSet() == nullptr) return esNone;
      // An unknown key field raises the framework's field-not-found error.
      TField* keyField = field->DataSet()->FieldByName(column->LookupKeyField());
      const bool usable = keyField->CanModify() && !column->ReadOnly() && !dbGrid_->ReadOnly() &&
                          dbGrid_->DataLink()->Active() && !dbGrid_->DataLink()->ReadOnly();
      return usable ? esDataList : esNone;
    }
    case cbsCalendar:
      return column->ReadOnly() ? esNone : esCalendar;
    case cbsEllipsis:
      return esEllipsis;
    case cbsCheck:
    case cbsNone:
      return esNone;
  }
  return esNone;
}

void TzelDBGridInplaceEdit::UpdateContents() {
  TzelColumn* column = CurrentColumn();
  SetEditStyle(StyleForColumn(column));
  SetReadOnly(column != nullptr && column->ReadOnly());
  TInplaceEdit::UpdateContents();
  // What the operator types into a data-list cell is a search text, never
  // the field's value, so the key field's size does not bound it.
  if (editStyle_ == esDataList) SetMaxLength(0);
  if (column != nullptr) setFont(column->Font().Handle());
}

void TzelDBGridInplaceEdit::SetEditStyle(TzelEditStyle style) {
  if (style == editStyle_) return;
  editStyle_ = style;
  auto mouseUp = [this](QWidget* list) {
    return [this, list](Qt::MouseButton button, const QPoint& point) {
      ListMouseUp(list, button, point);
    };
  };
  switch (style) {
    case esPickList:
      if (pickList_ == nullptr) {
        pickList_ = new TzelListbox(this);
        pickList_->hide();
        pickList_->SetItemHeight(kPickItemHeight);
        pickList_->OnMouseUp = mouseUp(pickList_);
        pickList_->OnSearchEmptied = [this] { SetEditText(std::string()); };
      }
      activeList_ = pickList_;
      break;
    case esDataList:
      if (dataList_ == nullptr) {
        dataList_ = new TzelPopupData(this);
        dataList_->hide();
        dataList_->OnMouseUp = mouseUp(dataList_);
        dataList_->OnSearchEmptied = [this] { SetEditText(std::string()); };
      }
      activeList_ = dataList_;
      break;
    case esCalendar:
      if (calendar_ == nullptr) {
        calendar_ = new TzelDlgCalendar(this);
        calendar_->hide();
        calendar_->OnMouseUp = mouseUp(calendar_);
        calendar_->OnSelectDate = [this](TzelCalendar*) { CloseUp(true); };
      }
      activeList_ = calendar_;
      break;
    case esNone:
    case esEllipsis:
      activeList_ = nullptr;
      break;
  }
  UpdateTextRect();
  repaint();
}

// --- Dropping down ------------------------------------------------------------------

void TzelDBGridInplaceEdit::DropDown() {
  if (listVisible_ || activeList_ == nullptr) return;
  TzelColumn* column = CurrentColumn();
  if (column == nullptr) return;
  if (dbGrid_->BeforeDropDown) dbGrid_->BeforeDropDown(dbGrid_, column);
  const int width = column->DropDownWidth() > 0 ? int(column->DropDownWidth()) : column->Width();
  if (activeList_ != calendar_) activeList_->resize(std::max(width, 1), activeList_->height());

  if (activeList_ == dataList_) {
    PrepareDataList(column);
  } else if (activeList_ == pickList_) {
    PreparePickList(column);
  } else if (activeList_ == calendar_) {
    TField* field = column->Field();
    calendar_->SetDate(field == nullptr || field->IsNull() ? Date() : field->AsDateTime());
  }

  const QRect editorRect(mapToGlobal(QPoint(0, 0)), size());
  const QPoint position =
      DropDownPosition(editorRect, activeList_->size(), AvailableScreenRect(this));
  ShowPopupAt(activeList_, position);
  listVisible_ = true;
  closer_.Watch(activeList_);
  update();
  setFocus();
}

void TzelDBGridInplaceEdit::PrepareDataList(TzelColumn* column) {
  dataList_->SetKindSearch(zksFilter);
  QPalette palette = dataList_->palette();
  palette.setColor(QPalette::Base, ColorToQColor(column->Color(), palette));
  palette.setColor(QPalette::Window, ColorToQColor(column->Color(), palette));
  dataList_->setPalette(palette);
  dataList_->setFont(column->Font().Handle());
  dataList_->SetRowCount(int(column->DropDownRows()));
  lookupSource_->SetDataSet(column->LookupDataSet());
  dataList_->SetListField(column->LookupDropDownFields());
  dataList_->SetKeyField(column->LookupLinkField());
  dataList_->SetListFieldIndex(0);
  dataList_->SetListSource(lookupSource_.get());
  // No key is preset unless this cell's own key is found below: a choice
  // left from another cell must never be written into this one.
  dataList_->SetKeyValue(Variant::Null());
  if (!column->IsLinkActive() || column->Field() == nullptr) return;
  TDataSet* dataSet = column->Field()->DataSet();
  const Variant key = dataSet->FieldByName(column->LookupKeyField())->AsVariant();
  dataList_->SetKeyValue(key);
  // A failed search leaves the lookup dataset where it is; a null key has
  // no row to look for.
  if (!key.IsClear()) column->LookupDataSet()->Locate(column->LookupLinkField(), key, {});
  dataList_->SetFilter();
}

void TzelDBGridInplaceEdit::PreparePickList(TzelColumn* column) {
  pickList_->setPalette(palette());
  pickList_->setFont(font());
  pickList_->SetItems(column->PickList());
  pickList_->SetItemHeight(kPickItemHeight);
  const int rows = std::min(pickList_->count(), int(column->DropDownRows()));
  pickList_->resize(pickList_->width(),
                    rows * pickList_->ItemHeight() + TzelListbox::kFrameHeight);
  TField* field = column->Field();
  int index = -1;
  if (field != nullptr && !field->IsNull()) {
    const std::string text = field->Text();
    index = PickValuesApply(column) ? column->PickValues().IndexOf(text)
                                    : column->PickList().IndexOf(text);
  }
  pickList_->SetItemIndex(index);
  const int scrollBar = pickList_->count() > rows ? pickList_->verticalScrollBar()->sizeHint().width() : 0;
  const int wanted = pickList_->WidestItemWidth() + 8 + scrollBar;
  if (wanted > pickList_->width()) pickList_->resize(wanted, pickList_->height());
}

// --- Closing up -------------------------------------------------------------------

void TzelDBGridInplaceEdit::CloseUp(bool accept) {
  if (!listVisible_) return;
  closer_.Stop();
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  TzelColumn* column = CurrentColumn();

  Variant listValue = Variant::Null();
  bool rowChosen = false;
  std::optional<std::string> textValue;
  if (activeList_ == dataList_) {
    listValue = dataList_->KeyValue();
    rowChosen = dataList_->RowChosen();
  } else if (activeList_ == pickList_) {
    const int index = pickList_->ItemIndex();
    if (index >= 0 && column != nullptr) {
      if (PickValuesApply(column)) {
        textValue = column->PickValues()[index];
      } else if (index < column->PickList().Count()) {
        textValue = column->PickList()[index];
      }
    }
  } else if (activeList_ == calendar_) {
    textValue = DateToStr(calendar_->Date());
  }

  HidePopup(activeList_);
  if (activeList_ == dataList_) dataList_->ResetFilter();
  listVisible_ = false;
  if (dataList_ != nullptr) dataList_->SetListSource(nullptr);
  lookupSource_->SetDataSet(nullptr);
  update();

  if (accept && column != nullptr) {
    if (activeList_ == dataList_) {
      TField* field = column->Field();
      // A chosen row's key is written, also a NULL one; no chosen row
      // writes nothing.
      if (field != nullptr && rowChosen) {
        TDataSet* dataSet = field->DataSet();
        TField* keyField = dataSet->FieldByName(column->LookupKeyField());
        if (keyField->CanModify()) {
          dataSet->Edit();
          keyField->SetAsVariant(listValue);
        }
      }
    } else if (textValue.has_value() && column->Field() != nullptr && EditCanModify()) {
      column->Field()->SetText(*textValue);
    }
  }
  if (dbGrid_->AfterCloseUp) dbGrid_->AfterCloseUp(dbGrid_, column, accept);
}

void TzelDBGridInplaceEdit::ListMouseUp(QWidget* list, Qt::MouseButton button,
                                        const QPoint& point) {
  if (button != Qt::LeftButton) return;
  Guarded([&] { CloseUp(MouseTarget(list)->rect().contains(point)); });
}

QWidget* TzelDBGridInplaceEdit::MouseTarget(QWidget* list) const {
  if (list == pickList_) return pickList_->viewport();
  return list;
}

// --- Keys ---------------------------------------------------------------------------

void TzelDBGridInplaceEdit::SpecialKeyDown(TKeyCode& key) {
  if (dbGrid_->OnSpecialKeyDown) dbGrid_->OnSpecialKeyDown(dbGrid_, CurrentColumn(), key, Text());
}

void TzelDBGridInplaceEdit::DoDropDownKeys(TKeyCode& key, TShiftState shift) {
  const bool alt = shift.Contains(ssAlt);
  switch (key) {
    case VK_UP:
    case VK_DOWN:
      if (!alt) return;
      if (editStyle_ == esPickList || editStyle_ == esDataList || editStyle_ == esCalendar) {
        if (listVisible_) {
          CloseUp(true);
        } else {
          DropDown();
        }
      }
      key = 0;
      return;
    case VK_RETURN:
    case VK_ESCAPE:
      if (listVisible_ && !alt) {
        CloseUp(key == VK_RETURN);
        key = 0;
      }
      return;
    default:
      break;
  }
  const bool typingKey = key == VK_SPACE || (key >= 48 && key <= 90) ||
                         (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9);
  if (!typingKey) SpecialKeyDown(key);
}

void TzelDBGridInplaceEdit::ForwardKeyToList(TKeyCode key) {
  TKeyCode forwarded = key;
  if (activeList_ == pickList_) pickList_->KeyDown(forwarded);
  if (activeList_ == dataList_) dataList_->KeyDown(forwarded);
  if (activeList_ == calendar_) calendar_->KeyDown(forwarded);
}

void TzelDBGridInplaceEdit::ForwardCharacterToList(char32_t character) {
  char32_t forwarded = character;
  if (activeList_ == pickList_) pickList_->KeyPress(forwarded);
  if (activeList_ == dataList_) dataList_->KeyPress(forwarded);
}

void TzelDBGridInplaceEdit::keyPressEvent(QKeyEvent* event) {
  event->accept();
  bool handled = false;
  Guarded([&] {
    const KeyStroke stroke = TranslateKey(*event);
    TKeyCode key = stroke.key;
    // Drop-down and special keys read key codes only; typed characters
    // never pose as keys.
    if (key != 0) {
      // A drop-down key whose work fails (a choice the field refuses) is
      // used up all the same: it must not go on as a plain key and, as
      // Enter, move the focus on or try the write again.
      handled = true;
      DoDropDownKeys(key, stroke.shift);
      if (key == 0) return;
      handled = false;
    }
    const std::vector<char32_t> characters = CharacterMessages(stroke);
    TzelColumn* column = CurrentColumn();
    const bool types = !stroke.text.empty();
    if (types && !listVisible_ && (editStyle_ == esPickList || editStyle_ == esDataList) &&
        column != nullptr && column->AutoDropDown()) {
      // Ask the gate first: putting the record into edit state makes the
      // grid refresh the editor, which must happen before the list empties
      // the text for its search, or the refresh would bring the old text
      // back in front of the typed character.
      if (!ReadOnly()) EditCanModify();
      DropDown();
    }
    if (listVisible_) {
      if (key != 0) ForwardKeyToList(key);
      for (char32_t character : characters) ForwardCharacterToList(character);
    }
  });
  // The editor handles the key as well: a typed character goes into its
  // text even while the list searches with it.
  if (!handled) TInplaceEdit::keyPressEvent(event);
}

void TzelDBGridInplaceEdit::KeyDown(TKeyCode& key, TShiftState shift) {
  const bool onlyCtrl = shift.Contains(ssCtrl) && !shift.Contains(ssShift) && !shift.Contains(ssAlt);
  if (editStyle_ == esEllipsis && key == VK_RETURN && onlyCtrl) {
    EditButtonClick();
    key = 0;  // ends the key: no Enter character follows
    return;
  }
  if (key == VK_RETURN && dbGrid_->Options().Contains(dgEnterToTab)) {
    SpecialKeyDown(key);
    dbGrid_->setFocus();
    SendKeyToGrid();
    key = 0;
    dbGrid_->repaint();
    return;
  }
  if (!listVisible_) TInplaceEdit::KeyDown(key, shift);
}

void TzelDBGridInplaceEdit::KeyUp(TKeyCode& key, TShiftState shift) {
  if (key == VK_RETURN && dbGrid_->Options().Contains(dgEnterToTab)) key = VK_TAB;
  TInplaceEdit::KeyUp(key, shift);
}

void TzelDBGridInplaceEdit::KeyPress(char32_t& key) {
  if (key == VK_RETURN && dbGrid_->Options().Contains(dgEnterToTab)) key = VK_TAB;
  TInplaceEdit::KeyPress(key);
  if (key == VK_ESCAPE) {
    Reset();
    key = 0;
  }
}

void TzelDBGridInplaceEdit::EditButtonClick() {
  if (dbGrid_->OnEditButtonClick) dbGrid_->OnEditButtonClick(dbGrid_, CurrentColumn());
}

}  // namespace morvane
