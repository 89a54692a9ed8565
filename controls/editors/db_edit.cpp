// TzelDBEdit: binding, settings, and the value and the text it shows.
#include "controls/editors/db_edit.h"

#include <algorithm>

#include "controls/editors/dlg_calendar.h"
#include "controls/editors/listbox.h"
#include "controls/editors/popup_data.h"
#include "controls/editors/popup_tree.h"
#include "controls/editors/zeldbconst.h"
#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/ui/application.h"
#include "platform/ui/notification_bridge.h"

namespace morvane {

namespace {

// Shows a value while keeping the text change from counting as typing.
class ShowingText {
 public:
  explicit ShowingText(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~ShowingText() { flag_ = saved_; }

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

TzelDBEdit::TzelDBEdit(QWidget* parent)
    : TCustomMaskEdit(parent),
      dataLink_(std::make_unique<TFieldDataLink>()),
      lookupSource_(std::make_unique<TDataSource>()),
      notices_(std::make_unique<TNotificationBridge>(
          [this](TComponent* component, TOperation operation) {
            if (operation == opRemove) ComponentRemoved(component);
          })),
      closer_(this, [this] { Guarded([this] { CloseUp(false); }); }) {
  dataLink_->OnDataChange = [this] { DataChange(); };
  dataLink_->OnEditingChange = [this] { EditingChange(); };
  dataLink_->OnUpdateData = [this] { UpdateData(); };
  setMouseTracking(true);
  connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

TzelDBEdit::~TzelDBEdit() {
  destroying_ = true;
  closer_.Stop();
  // The open data list's filter hook goes before the list: the lookup
  // dataset gets its own handler and flag back while the list still exists.
  if (listVisible_) HideActiveList();
  try {
    if (dataList_ != nullptr) {
      dataList_->ResetFilter();
      dataList_->SetListSource(nullptr);
    }
    lookupSource_->SetDataSet(nullptr);
  } catch (...) {
    // Destruction goes on whatever the lookup dataset says.
  }
  delete dataList_;
  delete pickList_;
  delete tree_;
  delete calendar_;
  dataLink_->OnDataChange = nullptr;
  dataLink_->OnEditingChange = nullptr;
  dataLink_->OnUpdateData = nullptr;
  dataLink_->SetDataSource(nullptr);
}

// --- Binding ------------------------------------------------------------------------

TDataSource* TzelDBEdit::DataSource() const { return dataLink_->DataSource(); }

void TzelDBEdit::SetDataSource(TDataSource* source) {
  if (destroying_) return;
  TDataSource* old = dataLink_->DataSource();
  if (!dataLink_->DataSourceFixed()) dataLink_->SetDataSource(source);
  if (old != source) {
    if (old != nullptr && old != static_cast<TComponent*>(lookupDataSet_)) notices_->Forget(old);
    notices_->Listen(source);
  }
  CheckDB();
}

const std::string& TzelDBEdit::DataField() const { return dataLink_->FieldName(); }

void TzelDBEdit::SetDataField(const std::string& name) {
  if (!name.empty()) dataLink_->SetFieldName(name);
  CheckDB();
}

TField* TzelDBEdit::Field() const { return dataLink_->Field(); }

void TzelDBEdit::CheckDB() {
  if (destroying_ || dataLink_->DataSource() == nullptr || dataLink_->Field() == nullptr) return;
  TField* field = dataLink_->Field();
  SetReadOnly(dataLink_->ReadOnly());
  SetAlignment(field->Alignment() == taRightJustify ? Qt::AlignRight
               : field->Alignment() == taCenter    ? Qt::AlignHCenter
                                                   : Qt::AlignLeft);
  if (field->FieldKind() == fkLookup) {
    SetDialogStyle(zdsLookup);
    SetLookupDataSet(field->LookupDataSet());
    LookupProps().SetSourceKeyField(field->KeyFields());
    LookupProps().SetLookupKeyField(field->LookupKeyFields());
    LookupProps().SetListFieldNames(field->LookupResultField());
  }
  UpdateEditLimit();
}

void TzelDBEdit::SetLookupDataSet(TDataSet* dataSet) {
  if (dataSet != nullptr && dataLink_->Field() != nullptr && dataLink_->DataSet() == dataSet) {
    DatabaseError(zeldbconst::_Z_LOOKUPSOURCEERROR, objectName().toStdString());
  }
  if (dataSet == lookupDataSet_) return;
  if (lookupDataSet_ != nullptr && static_cast<TComponent*>(lookupDataSet_) !=
                                       static_cast<TComponent*>(DataSource())) {
    notices_->Forget(lookupDataSet_);
  }
  lookupDataSet_ = dataSet;
  notices_->Listen(dataSet);
  if (lookupProps_) lookupProps_->ForgetListFields();
  listPrepared_ = false;
}

void TzelDBEdit::ComponentRemoved(TComponent* component) {
  if (destroying_) return;
  if (component == static_cast<TComponent*>(DataSource())) {
    dataLink_->SetDataSource(nullptr);
    listPrepared_ = false;
  }
  if (component == static_cast<TComponent*>(lookupDataSet_)) {
    if (listVisible_) HideActiveList();
    if (dataList_ != nullptr) dataList_->SetListSource(nullptr);
    lookupSource_->SetDataSet(nullptr);
    lookupDataSet_ = nullptr;
    if (lookupProps_) lookupProps_->ForgetListFields();
    listPrepared_ = false;
  }
}

bool TzelDBEdit::DBLinked() const { return dataLink_->Field() != nullptr && dataLink_->Active(); }

bool TzelDBEdit::DataSetCanModify() const {
  return dataLink_->DataSet() != nullptr && dataLink_->DataSet()->CanModify();
}

bool TzelDBEdit::LookupWithSourceKey() const {
  return dialogStyle_ == zdsLookup && lookupProps_ && !lookupProps_->SourceKeyField().empty();
}

TField* TzelDBEdit::ValueField() const {
  if (LookupWithSourceKey()) return dataLink_->DataSet()->FieldByName(lookupProps_->SourceKeyField());
  return dataLink_->Field();
}

bool TzelDBEdit::IsLinkActive() const {
  try {
    if (lookupDataSet_ == nullptr || !lookupDataSet_->Active()) return false;
  } catch (...) {
    return false;
  }
  if (dialogStyle_ == zdsLookup) {
    return lookupProps_ && !lookupProps_->LookupKeyField().empty() &&
           !lookupProps_->ListFieldNames().empty();
  }
  if (dialogStyle_ == zdsTree) {
    return treeProps_ && !treeProps_->TextField().empty() && !treeProps_->UniqueField().empty() &&
           !treeProps_->LevelField().empty();
  }
  return true;
}

void TzelDBEdit::EditingChange() {
  if (DBLinked()) SetReadOnly(!dataLink_->Editing());
}

bool TzelDBEdit::EditCanModify() {
  if (dataLink_->Field() == nullptr) return true;
  return DataSetCanModify() && dataLink_->Edit();
}

void TzelDBEdit::SetMaxLength(int bytes) {
  maxLength_ = std::max(0, bytes);
  UpdateEditLimit();
}

void TzelDBEdit::UpdateEditLimit() {
  int limit = maxLength_;
  // Where the text itself is written, the field's size (in bytes) bounds
  // typing; a lookup, tree or coded combo writes a key, not the text.
  const bool textIsWritten = dialogStyle_ == zdsEdit || dialogStyle_ == zdsCustomDlg ||
                             (dialogStyle_ == zdsCombo && !(comboProps_ && comboProps_->HasValues()));
  if (limit == 0 && textIsWritten && DBLinked() && Field()->DataType() == ftString) {
    limit = Field()->Size();
  }
  TCustomMaskEdit::SetMaxLength(limit);
}

// --- Settings ---------------------------------------------------------------------

TzelComboProperties& TzelDBEdit::ComboProps() {
  if (!comboProps_) comboProps_ = std::make_unique<TzelComboProperties>(this);
  return *comboProps_;
}

TzelLookupProperties& TzelDBEdit::LookupProps() {
  if (!lookupProps_) lookupProps_ = std::make_unique<TzelLookupProperties>(this);
  return *lookupProps_;
}

TzelTreeProperties& TzelDBEdit::TreeProps() {
  if (!treeProps_) treeProps_ = std::make_unique<TzelTreeProperties>(this);
  return *treeProps_;
}

void TzelDBEdit::SetComboProps(const TzelComboProperties* props) {
  if (props == nullptr) {
    comboProps_.reset();
  } else {
    ComboProps().Assign(*props);
  }
  listPrepared_ = false;
}

void TzelDBEdit::SetLookupProps(const TzelLookupProperties* props) {
  if (props == nullptr) {
    lookupProps_.reset();
  } else {
    LookupProps().Assign(*props);
  }
  listPrepared_ = false;
}

void TzelDBEdit::SetTreeProps(const TzelTreeProperties* props) {
  if (props == nullptr) {
    treeProps_.reset();
  } else {
    TreeProps().Assign(*props);
  }
  listPrepared_ = false;
}

void TzelDBEdit::SetDialogStyle(TzelDialogStyle style) {
  if (style == dialogStyle_) return;
  if (listVisible_) CloseUp(false);
  dialogStyle_ = style;
  listPrepared_ = false;
  if (style != zdsEdit) setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SetEditRect();
  UpdateEditLimit();
  update();
}

void TzelDBEdit::SetAlignment(Qt::Alignment value) {
  const Qt::Alignment horizontal = dialogStyle_ == zdsEdit ? (value & Qt::AlignHorizontal_Mask)
                                                           : Qt::AlignLeft;
  setAlignment(horizontal | Qt::AlignVCenter);
}

void TzelDBEdit::SetButtonWidth(int width) {
  const int half = (this->width() + 1) / 2;
  if (width > 4 && width < half) {
    buttonWidth_ = width;
    SetEditRect();
  }
  update();
}

// --- Value and text ---------------------------------------------------------------

void TzelDBEdit::EnsureListPrepared() {
  if (!listPrepared_ && !destroying_) CreateDropDownList();
}

void TzelDBEdit::SetViewText(const Variant& value, const std::string& text) {
  if (destroying_) return;
  EnsureListPrepared();
  const std::string candidate = value.IsNull() || value.IsArray() ? std::string() : text;
  std::string shown = candidate;
  if (!listPrepared_) {
    shown = candidate;
  } else if (OnDisplayText) {
    shown = OnDisplayText(this, candidate);
  } else if (activeList_ == nullptr) {
    shown = candidate;
  } else if (activeList_ == pickList_) {
    TzelComboProperties& combo = ComboProps();
    if (combo.HasValues()) {
      const int index = combo.ComboValues().IndexOf(candidate);
      shown = index >= 0 && index < combo.ComboItems().Count() ? combo.ComboItems()[index]
                                                               : std::string();
    } else if (style_ == zcsDropDownList) {
      shown = combo.ComboItems().IndexOf(candidate) >= 0 ? candidate : std::string();
    }
  } else if (activeList_ == dataList_) {
    bool found = false;
    if (!value.IsNull() && !candidate.empty() && IsLinkActive()) {
      try {
        if (lookupDataSet_->Locate(LookupProps().LookupKeyField(), value, {})) {
          shown = lookupDataSet_->FieldByName(LookupProps().GetViewField())->Text();
          found = true;
        }
      } catch (const std::exception&) {
        found = false;  // a key the lookup cannot search for shows as not found
      }
    }
    if (!found) shown = style_ == zcsDropDownList ? std::string() : candidate;
  } else if (activeList_ == tree_) {
    shown = value.IsNull() || tree_->topLevelItemCount() == 0
                ? std::string()
                : tree_->GetFullCaption(candidate, TreeProps().PathSeparator());
  } else if (activeList_ == calendar_) {
    const bool zeroDate = candidate.find(".00.") != std::string::npos ||
                          candidate.find("/00/") != std::string::npos;
    shown = zeroDate ? std::string() : candidate;
  }
  // An unchanged text is left alone, so the selection and the caret stay
  // when the dataset announces a change that does not alter the value (as
  // it does on entering edit state while the operator types).
  ShowingText showing(showingText_);
  if (Text() != shown) SetText(shown);
}

void TzelDBEdit::DataChange() {
  if (destroying_) return;
  value_ = Variant();
  TDataSet* dataSet = dataLink_->DataSet();
  if (!DBLinked() || (dataSet->IsEmpty() && dataSet->State() != dsInsert)) {
    SetViewText(Variant::Null(), std::string());
    return;
  }
  TField* field = Field();
  value_ = ValueField()->AsVariant();
  SetEditMask(field->EditMask());
  UpdateEditLimit();
  if (focused_ && dataLink_->CanModify()) {
    SetViewText(value_, field->Text());
  } else {
    SetViewText(value_, field->DisplayText());
    if (DataSetCanModify() && dataLink_->Editing()) SetModified(true);
  }
}

void TzelDBEdit::Change() {
  if (destroying_ || showingText_) return;
  // Whether the field can take the text, not merely the dataset: a change
  // the field cannot take must not become a pending write.
  if (DBLinked() && dataLink_->CanModify()) dataLink_->SetModified();
  if (Modified() && !listVisible_) {
    const std::string text = Text();
    value_ = text.empty() ? Variant(clearValue_) : Variant(text);
  }
}

void TzelDBEdit::UpdateData() {
  if (destroying_) return;
  if (OnUpdateData) {
    OnUpdateData(this, Text());
    return;
  }
  if (!DBLinked()) return;
  TField* field = Field();
  if (LookupWithSourceKey()) {
    // The text is taken before the key changes: writing the key may make
    // the dataset announce a change that shows the record again.
    const std::string shown = Text();
    TField* keyField = dataLink_->DataSet()->FieldByName(lookupProps_->SourceKeyField());
    if (value_.IsClear()) {
      keyField->Clear();
    } else {
      keyField->SetText(value_.AsString());
    }
    if (lookupProps_->SourceKeyField() != DataField() && field->FieldKind() == fkData) {
      field->SetText(shown);
    }
    return;
  }
  if (field->Calculated()) return;
  if (value_.IsClear()) {
    field->Clear();
  } else {
    field->SetText(value_.AsString());
  }
}

void TzelDBEdit::SetValue(const Variant& value) {
  if (DBLinked()) return;
  value_ = value;
  SetViewText(value, value.IsClear() ? std::string() : value.AsString());
}

int TzelDBEdit::GetItemIndex() {
  EnsureListPrepared();
  if (activeList_ == nullptr) return -1;
  if (activeList_ == dataList_) {
    if (dataList_->RowChosen() && lookupDataSet_ != nullptr && lookupDataSet_->IsSequenced()) {
      return lookupDataSet_->RecNo() - 1;
    }
    return -1;
  }
  if (activeList_ == tree_) {
    QTreeWidgetItem* current = tree_->currentItem();
    if (current == nullptr) return -1;
    int index = 0;
    for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it, ++index) {
      if (*it == current) return index;
    }
    return -1;
  }
  if (activeList_ == pickList_) return pickList_->ItemIndex();
  return -1;
}

void TzelDBEdit::SetItemIndex(int index) {
  if (DBLinked() || index < 0) return;
  EnsureListPrepared();
  if (activeList_ == nullptr) return;
  Variant candidate = Variant::Null();
  try {
    if (activeList_ == pickList_) {
      TzelComboProperties& combo = ComboProps();
      candidate = Variant(combo.HasValues() ? combo.ComboValues()[index] : combo.ComboItems()[index]);
      pickList_->SetItemIndex(index);
    } else if (activeList_ == dataList_) {
      if (lookupDataSet_ != nullptr && lookupDataSet_->IsSequenced()) {
        lookupDataSet_->SetRecNo(index + 1);
        candidate = lookupDataSet_->FieldByName(LookupProps().LookupKeyField())->AsVariant();
        dataList_->SetKeyValue(candidate);
      }
    } else if (activeList_ == tree_) {
      int position = 0;
      for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it, ++position) {
        if (position == index) {
          tree_->setCurrentItem(*it);
          candidate = Variant(TzelPopupTree::NodeUniqueId(*it));
          break;
        }
      }
    }
  } catch (const std::exception&) {
    return;  // an index outside the list chooses nothing
  }
  if (candidate.IsNull()) return;
  value_ = candidate;
  SetViewText(value_, value_.AsString());
}

}  // namespace morvane
