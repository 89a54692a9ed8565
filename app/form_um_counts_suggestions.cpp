// What TFormUM does beyond the written wizard, when Mvrn.ini's section
// "Wizard" turns it on (replace/wizard_options.h): the row count of each current
// value with a summary line, suggestions for unmapped values, groups of near
// spellings for a setting without a reference table, the switches of all
// three, and a window that grows. Without the section none of this shows
// and step 2 is the written one; a window left at its size writes nothing.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "app/form_um.h"
#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"
#include "platform/db/field.h"
#include "replace/replacement_log.h"
#include "replace/suggestion_memory.h"
#include "replace/suggestions.h"
#include "server/table.h"

namespace morvane {

namespace {

// A suggestion is drawn apart from a chosen value: a marker and this colour;
// one the operator chose in an earlier run has a marker of its own.
constexpr char kSuggestionMarker[] = "≈ ";
constexpr char kRememberedMarker[] = "↺ ";
constexpr TColor kSuggestionColor = clGray;

}  // namespace

void TFormUM::ShowAdditions() {
  LabelSummary->setVisible(wizardOptions_.Counts);
  ButtonAccept->setVisible(wizardOptions_.Suggestions || wizardOptions_.Groups);
  ButtonAccept->setEnabled(false);
  LabelSummary->clear();
  suggestions_.clear();
  CheckCounts->setChecked(wizardOptions_.Counts);
  CheckSuggestions->setChecked(wizardOptions_.Suggestions);
  CheckGroups->setChecked(wizardOptions_.Groups);
  for (QCheckBox* check : {CheckCounts, CheckSuggestions, CheckGroups}) {
    check->setVisible(wizardOptions_.Present);
  }
}

void TFormUM::SwitchClick() {
  if (!appCommander_) return;  // FormShow has said so already
  wizardOptions_.Counts = CheckCounts->isChecked();
  wizardOptions_.Suggestions = CheckSuggestions->isChecked();
  wizardOptions_.Groups = CheckGroups->isChecked();
  SaveWizardSwitches(appCommander_->Cfg.IniPath, wizardOptions_);
  // The mapping the operator is filling stays; only what is proposed for it
  // changes. A count column appears with the next read.
  const bool loaded = mappingLoaded_ && TableM->Active();
  const TValueCounts counts = readCounts_;
  ShowAdditions();
  if (loaded) ReadAdditions(counts);
}

void TFormUM::ReadAdditions(const TValueCounts& counts) {
  readCounts_ = counts;
  rememberedSuggestions_.clear();
  if (wizardOptions_.Counts && TableM->FindField(kCountField) != nullptr) {
    TField* count = TableM->FieldByName(kCountField);
    count->SetDisplayLabel(kCountTitle);
    // Room for the title and the sort mark a click on it draws beside it.
    count->SetDisplayWidth(10);
    count->SetReadOnly(true);
    FitCountColumn();
  }
  MakeTitlesClickable();
  suggestions_.clear();
  if (groupsRead_ && wizardOptions_.Groups) {
    suggestions_ = ProposeGroups(*TableM, counts);
  } else if (wizardOptions_.Suggestions && TableI->Active()) {
    TSuggester suggester(AllowedValuesOf(*TableI, appCommander_->Cfg.InfFld));
    suggester.Remember(
        RememberedChoices(DefaultReplacementLogFolder(), appCommander_->Cfg.CfgName));
    suggestions_ = SuggestFor(*TableM, suggester, &rememberedSuggestions_);
  }
  ButtonAccept->setEnabled(!suggestions_.empty());
  UpdateSummary();
}

void TFormUM::UpdateSummary() {
  // Reading and accepting post every record; one summary at their end will do.
  if (!wizardOptions_.Counts || !mappingLoaded_ || bulkEdit_ || !TableM->Active()) return;
  LabelSummary->setText(QString::fromStdString(
      SummaryText(Summarize(*TableM), TableM->FindField(kCountField) != nullptr)));
}

void TFormUM::ButtonAcceptClick() {
  if (!TableM->Active() || suggestions_.empty()) return;
  bulkEdit_ = true;
  try {
    AcceptSuggestions(*TableM, suggestions_);
  } catch (...) {
    bulkEdit_ = false;
    throw;
  }
  bulkEdit_ = false;
  // An accepted suggestion is a mapping like a chosen one; none is left to show.
  suggestions_.clear();
  ButtonAccept->setEnabled(false);
  UpdateSummary();
  GridM->update();
}

bool TFormUM::AcceptSuggestionAtCursor() {
  // Only a cell that shows a suggestion: not while its editor is open.
  if (suggestions_.empty() || !TableM->Active() || GridM->EditorMode()) return false;
  TField* field = GridM->SelectedField();
  if (field == nullptr || field->FieldName() != "inf") return false;
  const std::string src = TableM->FieldByName("src")->AsString();
  if (!AcceptSuggestion(*TableM, suggestions_)) return false;
  // Accepted, it is a mapping like a chosen one and no longer a suggestion.
  suggestions_.erase(src);
  ButtonAccept->setEnabled(!suggestions_.empty());
  GridM->update();
  return true;
}

void TFormUM::PaintSuggestion(const QRect& rect, TzelColumn* column, bool selected) {
  if (suggestions_.empty() || column == nullptr || column->Field() == nullptr) return;
  if (column->Field()->FieldName() != "inf" || !column->Field()->AsString().empty()) return;
  const auto found = suggestions_.find(TableM->FieldByName("src")->AsString());
  if (found == suggestions_.end()) return;
  // Shown as the cell will show it once accepted: through the lookup's
  // display field when the column has one.
  std::string shown = found->second;
  if (TDataSet* lookup = column->LookupDataSet();
      lookup != nullptr && lookup->Active() && !column->LookupDisplayField().empty()) {
    try {
      const Variant display = lookup->Lookup(column->LookupLinkField(), Variant(found->second),
                                             column->LookupDisplayField());
      if (!display.IsNull() && !display.IsEmpty()) shown = display.AsString();
    } catch (...) {
      // Painting never raises: the suggested value itself is shown.
    }
  }
  TCanvas& canvas = GridM->Canvas();
  const TColor previous = canvas.Font().Color();
  if (!selected) canvas.Font().SetColor(kSuggestionColor);
  const bool remembered = rememberedSuggestions_.count(found->first) != 0;
  WriteText(canvas, rect, 2, 2, (remembered ? kRememberedMarker : kSuggestionMarker) + shown,
            taLeftJustify, false, false);
  canvas.Font().SetColor(previous);
}

void TFormUM::MakeTitlesClickable() {
  // The grid makes its columns anew when the mapping's fields change.
  if (!wizardOptions_.Counts && !wizardOptions_.Suggestions && !wizardOptions_.Groups) return;
  for (int index = 0; index < GridM->Columns().Count(); ++index) {
    GridM->Columns()[index]->SetCanClick(true);
  }
}

void TFormUM::SortByColumn(TzelColumn* column) {
  if (!TableM->Active() || column == nullptr || column->Field() == nullptr) return;
  // The largest counts first in one click; texts alphabetically, whatever
  // their case, so "Шт." stands beside "шт".
  const std::string name = column->Field()->FieldName();
  const bool byCount = name == kCountField;
  TableM->SetSortOptions(byCount ? TzelSortOptions{zsoDescendSort}
                                 : TzelSortOptions{zsoCaseInsensitive});
  TableM->SetIndexFieldNames(name);
  column->SetSortMark(byCount ? zsmDown : zsmUp);
  GridM->update();
}

void TFormUM::resizeEvent(QResizeEvent* event) {
  TForm_Template1::resizeEvent(event);
  LayoutForSize(event->size());
}

}  // namespace morvane
