// TFormUM: the wizard's main form, a fixed 432 x 313 dialog with three steps
// on the tabs of PageControl1.
//
//   Step 1  choose a named setting (ButtonLoad and its pop-up menu), or
//           clear the edits (ButtonNew) and save them (ButtonSave); the last
//           two are offered only when the first argument is exactly "A".
//   Step 2  load the distinct current values into GridM (ButtonRead); the
//           operator chooses new values in the "Новое" column.
//   Step 3  generate the UPDATE script into Memo1 (ButtonGen) and send it
//           line by line (ButtonDo), then say how it went.
//
// Reading stops at the first table that does not open, closes all three
// and says why. Once read, the mapping takes no new and no deleted rows and
// its current values are read-only: a mapping is undone by emptying its new
// value. The mapping logic itself lives in app/mapping.h.
//
// Until FormShow has opened the session every control keeps its design
// state: visible and enabled. A session that cannot be opened leaves the
// form so, with no settings loaded. The components are public, named as in
// the form's design, so that tests and later steps reach them directly.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/command.h"
#include "app/form_template.h"
#include "app/mapping_counts_suggestions.h"
#include "replace/wizard_options.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QResizeEvent;
class QTabWidget;

namespace morvane {

class TComponent;
class TDataSource;
class TzelColumn;
class TzelDBGrid;
class TzelTable;
class TStep3Execution;

struct TFormUMOptions {
  std::vector<std::string> Arguments;  // command-line arguments, program name excluded
  std::string SettingsDir;             // folder of Mvrn.ini; empty: the program's own
};

class TFormUM : public TForm_Template1 {
 public:
  explicit TFormUM(TFormUMOptions options, QWidget* parent = nullptr);
  ~TFormUM() override;

  // The command object; null once FormDestroy ran or when it failed to build.
  CMorvane* AppCommander() const { return appCommander_.get(); }

  void ButtonNewClick();
  void ButtonLoadClick();
  void ButtonSaveClick();
  void SettingItemClick(QAction* item);
  void ButtonReadClick();
  void ButtonGenClick();
  void ButtonDoClick();

  // Beyond the written wizard, when its options turn them on: accept every
  // suggestion shown; the suggestions of the last read.
  void ButtonAcceptClick();
  // A switch of step 2 changed: kept in Mvrn.ini, and what a read showed
  // is shown again as the switches now say (counts from the next read).
  void SwitchClick();
  // Whether the last read grouped the field's own values: no reference
  // table, and groups switched on.
  bool GroupsRead() const { return groupsRead_; }
  const TValueSuggestions& Suggestions() const { return suggestions_; }
  // The current values whose suggestion is a choice of an earlier run.
  const std::set<std::string>& RememberedSuggestions() const { return rememberedSuggestions_; }
  const CWizardOptions& WizardOptions() const { return wizardOptions_; }

  // The fields the "inf" column's drop-down lists, decided at the last read.
  const std::string& LookupDropDownFields() const { return lookupDropDownFields_; }

  // Step 3 beyond the written wizard: preview, all-or-nothing, undo, log
  // (app/step3_execution.h).
  TStep3Execution& Step3() { return *step3_; }

  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  QWidget* TabSheet3;
  QLabel* Label6;
  QLabel* Label9;
  QLabel* Label10;
  QLabel* Label13;
  QLabel* Label15;
  QLineEdit* Edit6;
  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QLineEdit* Edit2;
  QLabel* Label3;
  QLineEdit* Edit3;
  QLabel* Label4;
  QLineEdit* Edit4;
  QLabel* Label5;
  QLineEdit* Edit5;
  QPushButton* ButtonNew;
  QPushButton* ButtonLoad;
  QPushButton* ButtonSave;
  QLabel* Label7;
  QLabel* Label11;
  TzelDBGrid* GridM;  // the mapping over DataSourceM
  QPushButton* ButtonRead;
  QLabel* LabelSummary;       // values, mapped, rows to change (with counts)
  QPushButton* ButtonAccept;  // "Принять предложения" (with suggestions)
  // The switches of the additions, kept in Mvrn.ini; shown when its
  // section "Wizard" exists (replace/wizard_options.h).
  QCheckBox* CheckCounts;       // "Записей"
  QCheckBox* CheckSuggestions;  // "Предложения"
  QCheckBox* CheckGroups;       // "Группы похожих значений"
  QLabel* Label8;
  QLabel* Label12;
  QLabel* Label14;
  QPlainTextEdit* Memo1;
  QPushButton* ButtonGen;
  QPushButton* ButtonDo;
  QMenu* PopupMenu1;
  // The design widths of "Текущее" and "Новое", in digits of the grid's font.
  static constexpr int kCurrentChars = 15;
  static constexpr int kNewChars = 18;

  // Non-visual components, owned by the form's component list.
  TzelTable* TableM;         // the mapping: fields "src" and "inf"
  TDataSource* DataSourceM;  // TableM for GridM
  TzelTable* TableS;         // distinct current values
  TzelTable* TableI;         // rows of the replacement source table

 protected:
  void FormCreate();
  void FormShow() override;
  void FormDestroy();
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class TStep3Execution;
  void CreateComponents();
  void BuildStep1();
  void BuildStep2();
  void BuildStep3();
  void ShowSettings();
  bool FirstArgumentIsA() const;

  void CreateDataComponents();
  void CloseMappingTables();
  // Opens one table of the read; on failure closes the three and says why.
  bool OpenForRead(TzelTable* table, const std::string& indexFieldNames, TQueryBuilder builder);
  void CloseReadTables();
  void ConfigureMappingFields();
  // The "inf" column: a lookup over TableI with an automatic drop-down.
  void ConfigureLookupColumn();
  std::vector<std::string> MemoLines() const;

  // The additions (form_um_counts_suggestions.cpp).
  void ReadAdditions(const TValueCounts& counts);
  void ShowAdditions();
  void UpdateSummary();
  void PaintSuggestion(const QRect& rect, TzelColumn* column, bool selected);
  // Enter on a "Новое" cell that shows a suggestion: the suggestion becomes
  // its value. Returns whether it did (the key is then used up).
  bool AcceptSuggestionAtCursor();
  // With the additions a title click sorts by its column.
  void MakeTitlesClickable();
  void SortByColumn(TzelColumn* column);
  // With the counts column: narrows "Текущее" and "Новое" while the grid is
  // too narrow for all three at their design widths.
  void FitCountColumn();
  void LayoutForSize(QSize size);
  static QSize DesignedSize();

  TFormUMOptions options_;
  // Owns TableM, DataSourceM, TableS and TableI, as a form owns its
  // components; they go when the form goes, after FormDestroy.
  std::unique_ptr<TComponent> components_;
  std::unique_ptr<CMorvane> appCommander_;
  // Set once a read has filled TableM: from then on it refuses new and
  // deleted rows until the next read or close.
  bool mappingLoaded_ = false;
  // Set while many records are posted at once: the summary waits for the end.
  bool bulkEdit_ = false;
  bool groupsRead_ = false;
  TValueCounts readCounts_;  // of the last read, for groups shown again
  std::string lookupDropDownFields_;
  CWizardOptions wizardOptions_;
  TValueSuggestions suggestions_;
  std::set<std::string> rememberedSuggestions_;  // of suggestions_, chosen in an earlier run
  std::unique_ptr<TStep3Execution> step3_;
};

}  // namespace morvane
