// TzelDBEdit: the drop-down lists: preparing, opening and closing them, and
// the value and text a choice gives.
#include <QScrollBar>
#include <algorithm>

#include "controls/editors/db_edit.h"
#include "controls/editors/dlg_calendar.h"
#include "controls/editors/listbox.h"
#include "controls/editors/popup_data.h"
#include "controls/editors/popup_tree.h"
#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format.h"
#include "platform/ui/application.h"

namespace morvane {

namespace {

constexpr int kPickItemHeight = 11;
constexpr int kTreeHeight = 200;

}  // namespace

Variant TzelDBEdit::GetSelectedValue() {
  EnsureListPrepared();
  if (!listPrepared_ || activeList_ == nullptr) return Variant(Text());
  if (activeList_ == dataList_) {
    // No chosen row and a row whose key is NULL both clear the value.
    const Variant& key = dataList_->KeyValue();
    return dataList_->RowChosen() && !key.IsNull() ? key : Variant();
  }
  if (activeList_ == tree_) {
    QTreeWidgetItem* current = tree_->currentItem();
    return current != nullptr ? Variant(TzelPopupTree::NodeUniqueId(current)) : Variant();
  }
  if (activeList_ == pickList_) {
    TzelComboProperties& combo = ComboProps();
    const int index = pickList_->ItemIndex();
    if (index >= 0 && index < combo.ComboItems().Count()) {
      return Variant(combo.HasValues() ? combo.ComboValues()[index] : combo.ComboItems()[index]);
    }
    if (style_ == zcsDropDownList && DBLinked()) return Variant(Field()->Text());
    return Variant(Text());
  }
  if (activeList_ == calendar_) return Variant::FromDateTime(calendar_->Date());
  return Variant();
}

std::string TzelDBEdit::GetViewTextNonDB() {
  EnsureListPrepared();
  if (activeList_ == nullptr) return {};
  if (activeList_ == pickList_) {
    const int index = pickList_->ItemIndex();
    return index >= 0 && index < ComboProps().ComboItems().Count() ? ComboProps().ComboItems()[index]
                                                                   : std::string();
  }
  if (activeList_ == dataList_) {
    // The list may have given up its row when its filter went: find the
    // chosen key again.
    const Variant& key = dataList_->KeyValue();
    if (!dataList_->RowChosen() || !IsLinkActive()) return {};
    try {
      if (!key.IsClear() && lookupDataSet_->Locate(LookupProps().LookupKeyField(), key, {})) {
        return lookupDataSet_->FieldByName(LookupProps().GetViewField())->Text();
      }
    } catch (const std::exception&) {
    }
    return dataList_->SelectedItem();
  }
  if (activeList_ == tree_) {
    if (tree_->topLevelItemCount() == 0) return {};
    return TzelPopupTree::GetFullNodeCaption(tree_->currentItem(), TreeProps().PathSeparator());
  }
  if (activeList_ == calendar_) return DateToStr(calendar_->Date());
  return {};
}

// --- Drop-down lists --------------------------------------------------------------

void TzelDBEdit::CreateDropDownList() {
  if (destroying_) return;
  listPrepared_ = true;
  auto mouseUp = [this](QWidget* list) {
    return [this, list](Qt::MouseButton button, const QPoint& point) {
      ListMouseUp(list, button, point);
    };
  };
  switch (dialogStyle_) {
    case zdsCombo: {
      if (pickList_ == nullptr) {
        pickList_ = new TzelListbox(this);
        pickList_->hide();
        pickList_->SetItemHeight(kPickItemHeight);
        pickList_->OnMouseUp = mouseUp(pickList_);
        pickList_->OnSearchEmptied = [this] { SetEditText(std::string()); };
      }
      pickList_->setPalette(palette());
      pickList_->setFont(font());
      pickList_->SetItems(ComboProps().ComboItems());
      if (ComboProps().HasValues()) {
        style_ = zcsDropDownList;
        autoDropDown_ = true;
      } else {
        style_ = zcsDropDown;
      }
      activeList_ = pickList_;
      break;
    }
    case zdsLookup: {
      if (dataList_ == nullptr) {
        dataList_ = new TzelPopupData(this);
        dataList_->hide();
        dataList_->OnMouseUp = mouseUp(dataList_);
        dataList_->OnSearchEmptied = [this] { SetEditText(std::string()); };
      }
      TzelLookupProperties& lookup = LookupProps();
      dataList_->SetKindSearch(lookup.KindSearch());
      dataList_->setPalette(palette());
      dataList_->setFont(font());
      dataList_->SetRowCount(int(dropDownRows_));
      dataList_->SetKeyField(lookup.LookupKeyField());
      dataList_->SetListField(lookup.ListFieldNames());
      dataList_->SetListFieldIndex(lookup.ViewFieldIndex());
      lookupSource_->SetDataSet(lookupDataSet_);
      dataList_->SetListSource(lookupSource_.get());
      lookup.PrepareLookup();
      if (!IsLinkActive()) listPrepared_ = false;
      activeList_ = dataList_;
      break;
    }
    case zdsCalendar:
      if (calendar_ == nullptr) {
        calendar_ = new TzelDlgCalendar(this);
        calendar_->hide();
        calendar_->OnMouseUp = mouseUp(calendar_);
        calendar_->OnSelectDate = [this](TzelCalendar*) { Guarded([this] { CloseUp(true); }); };
      }
      activeList_ = calendar_;
      break;
    case zdsTree:
      if (tree_ == nullptr) {
        tree_ = new TzelPopupTree(this);
        tree_->hide();
        tree_->OnMouseUp = mouseUp(tree_);
      }
      tree_->setPalette(palette());
      tree_->setFont(font());
      try {
        TreeProps().PrepareTree();
      } catch (const std::exception&) {
        listPrepared_ = false;  // unknown field names: no nodes, tried again later
      }
      if (!IsLinkActive()) listPrepared_ = false;
      style_ = zcsDropDownList;
      activeList_ = tree_;
      break;
    case zdsEdit:
    case zdsCustomDlg:
      activeList_ = nullptr;
      break;
  }
  UpdateEditLimit();
  if (listPrepared_ && DBLinked()) {
    TDataSet* dataSet = dataLink_->DataSet();
    if (!dataSet->IsEmpty() || dataSet->State() == dsInsert) {
      SetViewText(ValueField()->AsVariant(), Field()->DisplayText());
    }
  }
  update();
}

void TzelDBEdit::DropDown() {
  EnsureListPrepared();
  if (!listVisible_ && activeList_ != nullptr) {
    if (OnDropDown) OnDropDown(this);
    listVisible_ = true;
    const int listWidth = dropDownWidth_ > 0 ? int(dropDownWidth_) : width();
    if (activeList_ == dataList_) {
      dataList_->resize(listWidth, dataList_->height());
      dataList_->SetKeyValue(value_);
      if (!value_.IsClear() && IsLinkActive()) {
        lookupDataSet_->Locate(LookupProps().LookupKeyField(), value_, {});
      }
      if (LookupProps().KindSearch() == zksFilter) dataList_->SetFilter();
    } else if (activeList_ == tree_) {
      tree_->collapseAll();
      const std::string id = value_.IsClear() ? std::string() : value_.AsString();
      QTreeWidgetItem* node = id.empty() ? nullptr : tree_->FindNodeByUniqueID(id);
      tree_->setCurrentItem(node);
      if (node == nullptr) tree_->clearSelection();
      tree_->resize(listWidth, kTreeHeight);
    } else if (activeList_ == pickList_) {
      pickList_->ClearSearch();
      const int rows = int(dropDownRows_);
      const int count = pickList_->count();
      const int shownRows = count >= rows ? rows : count;
      pickList_->resize(listWidth, shownRows * pickList_->ItemHeight() + TzelListbox::kFrameHeight);
      const std::string text = value_.IsClear() ? std::string() : value_.AsString();
      int index = -1;
      if (!text.empty()) {
        index = ComboProps().HasValues() ? ComboProps().ComboValues().IndexOf(text)
                                         : ComboProps().ComboItems().IndexOf(text);
      }
      pickList_->SetItemIndex(index);
      const int scrollBar =
          count > rows ? pickList_->verticalScrollBar()->sizeHint().width() : 0;
      const int wanted = pickList_->WidestItemWidth() + 8 + scrollBar;
      if (wanted > pickList_->width()) pickList_->resize(wanted, pickList_->height());
    } else if (activeList_ == calendar_) {
      TDateTime date = Date();
      if (!value_.IsClear()) {
        try {
          date = value_.AsDateTime();
        } catch (const std::exception&) {
          if (!TryStrToDate(value_.AsString(), date)) date = Date();
        }
      }
      calendar_->SetDate(date);
    }
    PositionList();
    closer_.Watch(activeList_);
    update();
    setFocus();
    return;
  }
  if (OnCustomDlg) RunCustomDialog();
}

void TzelDBEdit::PositionList() {
  const QRect editorRect(mapToGlobal(QPoint(0, 0)), size());
  ShowPopupAt(activeList_,
              DropDownPosition(editorRect, activeList_->size(), AvailableScreenRect(this)));
}

void TzelDBEdit::RunCustomDialog() {
  listVisible_ = true;
  update();
  try {
    if (DBLinked() && DataSetCanModify()) dataLink_->Edit();
    OnCustomDlg(this);
  } catch (...) {
    update();
    listVisible_ = false;
    throw;
  }
  update();
  listVisible_ = false;
}

void TzelDBEdit::HideActiveList() {
  closer_.Stop();
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  if (activeList_ != nullptr) HidePopup(activeList_);
  if (dataList_ != nullptr) dataList_->ResetFilter();
  listVisible_ = false;
}

void TzelDBEdit::CloseUp(bool accept) {
  if (accept) SetModified(true);
  if (!listVisible_) return;
  HideActiveList();
  if (accept && EditCanModify()) {
    try {
      value_ = GetSelectedValue();
      if (DBLinked()) {
        // The row's own text goes with its key: UpdateData writes the text
        // shown beside a separate key field.
        if (LookupWithSourceKey()) SetViewText(value_, value_.IsClear() ? "" : value_.AsString());
        dataLink_->SetModified();
      } else {
        const std::string text = GetViewTextNonDB();
        showingText_ = true;
        SetText(text);
        showingText_ = false;
      }
      UpdateData();
    } catch (...) {
      selectAll();
      setFocus();
      throw;
    }
  }
  update();
  if (OnCloseUp) OnCloseUp(this, accept);
}

}  // namespace morvane
