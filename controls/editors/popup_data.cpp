#include "controls/editors/popup_data.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "platform/ui/keys.h"
#include "controls/editors/typed_text.h"
#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/field.h"
#include "platform/rtl/text.h"
#include "platform/ui/monotonic_clock.h"
#include "platform/ui/popup_window.h"

namespace morvane {

namespace {

constexpr int kBorder = 1;

// The handler the list installs on the lookup dataset. A type of its own,
// so the list can tell its hook from any other handler.
struct PopupFilterHook {
  TzelPopupData* list;
  void operator()(TDataSet* dataSet, bool& accept) const { list->AFilterRecord(dataSet, accept); }
};

bool SameKey(const Variant& left, const Variant& right) {
  if (left.IsClear() || right.IsClear()) return left.IsClear() && right.IsClear();
  if (left.Kind() == right.Kind()) return left == right;
  return left.AsString() == right.AsString();
}

void RemoveLastCharacter(std::string& text) {
  if (text.empty()) return;
  size_t cut = text.size() - 1;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.erase(cut);
}

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), int(text.size())); }

}  // namespace

class TzelPopupData::ListLink : public TDataLink {
 public:
  explicit ListLink(TzelPopupData* list) : list_(list) {}

 protected:
  void ActiveChanged() override { list_->ListLinkChanged(); }
  void DataSetChanged() override { list_->ListLinkChanged(); }
  void DataSetScrolled(int) override { list_->ListLinkChanged(); }
  void LayoutChanged() override { list_->ListLinkChanged(); }

 private:
  TzelPopupData* list_;
};

// Receives the destruction notice of the dataset that carries the hook.
class TzelPopupData::HookedDataSetWatch : public TComponent {
 public:
  explicit HookedDataSetWatch(TzelPopupData* list) : list_(list) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == list_->hookedComponent_) list_->ForgetHookedDataSet();
  }

 private:
  TzelPopupData* list_;
};

TzelPopupData::TzelPopupData(QWidget* parent)
    : QWidget(parent),
      listLink_(std::make_unique<ListLink>(this)),
      hookWatch_(std::make_unique<HookedDataSetWatch>(this)) {
  MakePopupWindow(this);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  listLink_->SetBufferCount(rowCount_);
  UpdateHeight();
}

TzelPopupData::~TzelPopupData() {
  ResetFilter();
  listLink_->SetDataSource(nullptr);
}

TDataSource* TzelPopupData::ListSource() const { return listLink_->DataSource(); }

void TzelPopupData::SetListSource(TDataSource* source) {
  listLink_->SetDataSource(source);
  ListLinkChanged();
}

void TzelPopupData::SetKeyField(const std::string& name) {
  keyField_ = name;
  update();
}

void TzelPopupData::SetListField(const std::string& names) {
  listField_ = names;
  update();
}

void TzelPopupData::SetRowCount(int rows) {
  rowCount_ = std::max(1, rows);
  listLink_->SetBufferCount(rowCount_);
  UpdateHeight();
}

int TzelPopupData::RowHeight() const { return fontMetrics().height() + 2; }

void TzelPopupData::UpdateHeight() { resize(width(), rowCount_ * RowHeight() + 2 * kBorder); }

TDataSet* TzelPopupData::DataSet() const { return listLink_->DataSet(); }

bool TzelPopupData::ListActive() const {
  return listLink_->Active() && !keyField_.empty() && DataSet() != nullptr &&
         DataSet()->FindField(keyField_) != nullptr;
}

Variant TzelPopupData::CurrentKey() const {
  if (!ListActive() || DataSet()->IsEmpty()) return Variant::Null();
  return DataSet()->FieldByName(keyField_)->AsVariant();
}

void TzelPopupData::SetKeyValue(const Variant& value) {
  keyValue_ = value.IsEmpty() ? Variant::Null() : value;
  rowChosen_ = !keyValue_.IsClear();
  update();
}

void TzelPopupData::SelectCurrent() {
  rowChosen_ = ListActive() && !DataSet()->IsEmpty();
  keyValue_ = CurrentKey();
  update();
}

bool TzelPopupData::CurrentChosen() const {
  return rowChosen_ && ListActive() && !DataSet()->IsEmpty() && SameKey(CurrentKey(), keyValue_);
}

std::string TzelPopupData::SelectedItem() const {
  if (!CurrentChosen()) return {};
  const std::vector<TField*> fields = DataSet()->GetFieldList(listField_);
  if (fields.empty()) return {};
  const size_t index = size_t(std::clamp(listFieldIndex_, 0, int(fields.size()) - 1));
  return fields[index]->DisplayText();
}

void TzelPopupData::ListLinkChanged() { update(); }

// --- Type-ahead ---------------------------------------------------------------

void TzelPopupData::KeyPress(char32_t& key) {
  if (kindSearch_ == zksFilter) {
    FilterKeyPress(key);
  } else {
    FindFirstKeyPress(key);
  }
}

void TzelPopupData::FilterKeyPress(char32_t& key) {
  if (key == VK_BACK) {
    RemoveLastCharacter(searchText_);
  } else if (key == VK_ESCAPE) {
    searchText_.clear();
  } else if (IsTypedCharacter(key)) {
    const int64_t now = MonotonicMilliseconds();
    if (now - lastKeyTime_ > kFilterPauseMs) {
      searchText_.clear();
      if (OnSearchEmptied) OnSearchEmptied();
    }
    lastKeyTime_ = now;
    if (Utf8Length(searchText_) < kMaxSearchChars) AppendUtf8(searchText_, key);
    key = 0;
  } else {
    return;  // other control characters neither search nor filter
  }
  TDataSet* dataSet = DataSet();
  if (!hookInstalled_ || dataSet == nullptr || dataSet != hookedDataSet_ || !dataSet->Active()) {
    return;
  }
  // An empty search text goes back to the owner's own filtering; it never
  // switches off a filter the owner had on.
  dataSet->SetFiltered(!searchText_.empty() || savedFiltered_);
  if (searchText_.empty()) {
    keyValue_ = Variant::Null();
    rowChosen_ = false;
    update();
  } else {
    SelectCurrent();
  }
}

void TzelPopupData::FindFirstKeyPress(char32_t& key) {
  if (!ListActive()) return;
  const std::vector<TField*> fields = DataSet()->GetFieldList(listField_);
  if (fields.empty()) return;
  TField* searchField = fields[size_t(std::clamp(listFieldIndex_, 0, int(fields.size()) - 1))];
  if (searchField->DataType() != ftString && searchField->DataType() != ftWideString) return;
  if (key == VK_BACK || key == VK_ESCAPE) {
    searchText_.clear();
    return;
  }
  if (!IsTypedCharacter(key)) return;
  const int64_t now = MonotonicMilliseconds();
  if (now - lastKeyTime_ > kFindFirstPauseMs) searchText_.clear();
  lastKeyTime_ = now;
  std::string extended = searchText_;
  if (Utf8Length(extended) < kMaxSearchChars) AppendUtf8(extended, key);
  if (DataSet()->Locate(searchField->FieldName(), Variant(extended),
                        TLocateOptions{loCaseInsensitive, loPartialKey})) {
    SelectCurrent();
    searchText_ = extended;
  }
  key = 0;
}

// --- Filter hook ----------------------------------------------------------------

void TzelPopupData::SetFilter() {
  TDataSet* dataSet = DataSet();
  if (kindSearch_ == zksFindFirst || dataSet == nullptr) return;
  searchText_.clear();
  // Raises "Field '%s' not found" for an unknown list field, before anything
  // is installed.
  const std::vector<TField*> fields = dataSet->GetFieldList(listField_);
  searchFieldName_.clear();
  if (listFieldIndex_ >= 0 && listFieldIndex_ < int(fields.size())) {
    searchFieldName_ = fields[size_t(listFieldIndex_)]->FieldName();
  }
  if (!listLink_->Active()) return;
  if (const auto* hook = dataSet->OnFilterRecord.target<PopupFilterHook>();
      hook != nullptr && hook->list == this) {
    return;
  }
  // A hook left on another dataset goes first.
  if (hookInstalled_) ResetFilter();
  savedFilterHandler_ = dataSet->OnFilterRecord;
  savedFiltered_ = dataSet->Filtered();
  hookInstalled_ = true;
  hookedDataSet_ = dataSet;
  hookedComponent_ = dataSet;
  dataSet->FreeNotification(hookWatch_.get());
  dataSet->OnFilterRecord = PopupFilterHook{this};
}

void TzelPopupData::AFilterRecord(TDataSet* dataSet, bool& accept) {
  accept = true;
  if (savedFiltered_ && savedFilterHandler_) {
    savedFilterHandler_(dataSet, accept);
    if (!accept) return;
  }
  if (searchText_.empty()) return;
  const std::string value = dataSet->FieldByName(searchFieldName_)->AsString();
  accept = AnsiUpperCase(value).find(AnsiUpperCase(searchText_)) != std::string::npos;
}

void TzelPopupData::ResetFilter() {
  // Nothing is restored on a dataset in destruction: its handler and flag
  // die with it, and its virtual functions are gone already.
  if (hookInstalled_ && hookedDataSet_ != nullptr && !hookedComponent_->IsDestroying()) {
    TDataSet* dataSet = hookedDataSet_;
    dataSet->OnFilterRecord = std::move(savedFilterHandler_);
    try {
      dataSet->SetFiltered(savedFiltered_);
    } catch (...) {
      // The dataset could not filter again (its records are gone, a pending
      // edit failed to post); its own handler and flag are back, which is
      // all the list owes it.
    }
    dataSet->RemoveFreeNotification(hookWatch_.get());
  }
  savedFilterHandler_ = nullptr;
  hookInstalled_ = false;
  hookedDataSet_ = nullptr;
  hookedComponent_ = nullptr;
}

void TzelPopupData::ForgetHookedDataSet() {
  hookedDataSet_ = nullptr;
  hookedComponent_ = nullptr;
  hookInstalled_ = false;
  savedFilterHandler_ = nullptr;
}

// --- Navigation -------------------------------------------------------------------

void TzelPopupData::KeyDown(uint16_t& key) {
  if (!ListActive()) return;
  TDataSet* dataSet = DataSet();
  const bool hadSelection = CurrentChosen();
  switch (key) {
    case VK_UP:
      if (hadSelection) dataSet->Prior();
      break;
    case VK_DOWN:
      if (hadSelection) dataSet->Next();
      break;
    case VK_PRIOR: dataSet->MoveBy(-(rowCount_ - 1)); break;
    case VK_NEXT: dataSet->MoveBy(rowCount_ - 1); break;
    case VK_HOME: dataSet->First(); break;
    case VK_END: dataSet->Last(); break;
    default: return;
  }
  SelectCurrent();
  key = 0;
}

void TzelPopupData::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !ListActive()) return;
  const int row = (event->position().toPoint().y() - kBorder) / RowHeight();
  if (row < 0 || row >= listLink_->RecordCount()) return;
  listLink_->MoveBy(row - listLink_->ActiveRecord());
  SelectCurrent();
}

void TzelPopupData::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (OnMouseUp) OnMouseUp(event->button(), event->position().toPoint());
}

void TzelPopupData::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (!ListActive()) return;
  const int steps = event->angleDelta().y() / 120;
  if (steps != 0) DataSet()->MoveBy(-steps);
}

void TzelPopupData::keyPressEvent(QKeyEvent* event) {
  const KeyStroke stroke = TranslateKey(*event);
  uint16_t code = stroke.key;
  if (code != 0) KeyDown(code);
  for (char32_t character : CharacterMessages(stroke)) KeyPress(character);
  event->accept();
}

// --- Painting -----------------------------------------------------------------------

void TzelPopupData::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!ListActive()) return;
  TDataSet* dataSet = DataSet();
  std::vector<TField*> fields;
  try {
    fields = dataSet->GetFieldList(listField_);
  } catch (const std::exception&) {
    return;  // painting never raises; an unknown list field shows no rows
  }
  if (fields.empty()) return;

  // Every field but the last gets room for its display width; the last one
  // takes what is left.
  const int innerWidth = width() - 2 * kBorder;
  const int charWidth = std::max(1, fontMetrics().averageCharWidth());
  std::vector<int> columnLefts{kBorder};
  for (size_t index = 0; index + 1 < fields.size(); ++index) {
    const int wanted = std::min(fields[index]->DisplayWidth(), 30) * charWidth + 6;
    columnLefts.push_back(std::min(columnLefts.back() + wanted, innerWidth - 30));
  }
  columnLefts.push_back(kBorder + innerWidth);

  const int rowHeight = RowHeight();
  const int savedActive = listLink_->ActiveRecord();
  const int rows = std::min(listLink_->RecordCount(), rowCount_);
  for (int row = 0; row < rows; ++row) {
    listLink_->SetActiveRecord(row);
    const QRect rowRect(kBorder, kBorder + row * rowHeight, innerWidth, rowHeight);
    const bool selected = CurrentChosen();
    if (selected) painter.fillRect(rowRect, palette().color(QPalette::Active, QPalette::Highlight));
    painter.setPen(palette().color(QPalette::Active,
                                   selected ? QPalette::HighlightedText : QPalette::Text));
    for (size_t index = 0; index < fields.size(); ++index) {
      const QRect cell(columnLefts[index] + 2, rowRect.top(),
                       columnLefts[index + 1] - columnLefts[index] - 4, rowHeight);
      painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, Utf8(fields[index]->DisplayText()));
    }
    if (fields.size() > 1) {
      painter.setPen(palette().color(QPalette::Mid));
      for (size_t index = 1; index + 1 < columnLefts.size(); ++index) {
        painter.drawLine(columnLefts[index], rowRect.top(), columnLefts[index], rowRect.bottom());
      }
    }
  }
  listLink_->SetActiveRecord(savedActive);
}

}  // namespace morvane
