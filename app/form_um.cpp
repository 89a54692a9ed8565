#include "app/form_um.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <algorithm>

#include "app/mapping.h"
#include "replace/script_run.h"
#include "app/step3_execution.h"
#include "controls/grid/db_grid.h"
#include "platform/db/component.h"
#include "platform/db/data_source.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/popup_menu.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane {

namespace {

constexpr char kNoCommander[] = "TFormUM::FormShow :\r\n AppCommander undefine !";
constexpr char kQueryFailed[] = "Не удалось выполнить запрос !";
const char* const kSettingNames[] = {"Goods.Unit", "Parts.Unit"};

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}
std::string Text(const QLineEdit* edit) {
  return edit->text().toStdString();
}

// Connects a button to a handler that runs guarded.
template <class Handler>
void OnClick(QPushButton* button, Handler handler) {
  QObject::connect(button, &QPushButton::clicked, button, [handler] { Guarded(handler); });
}

}  // namespace

TFormUM::TFormUM(TFormUMOptions options, QWidget* parent)
    : TForm_Template1(parent), options_(std::move(options)) {
  CreateComponents();
  CreateDataComponents();
  OnClick(ButtonNew, [this] { ButtonNewClick(); });
  OnClick(ButtonLoad, [this] { ButtonLoadClick(); });
  OnClick(ButtonSave, [this] { ButtonSaveClick(); });
  OnClick(ButtonRead, [this] { ButtonReadClick(); });
  OnClick(ButtonGen, [this] { ButtonGenClick(); });
  OnClick(ButtonDo, [this] { ButtonDoClick(); });
  OnClick(ButtonAccept, [this] { ButtonAcceptClick(); });
  // A command object that cannot be built leaves the pointer null; FormShow
  // reports it.
  try {
    appCommander_ = std::make_unique<CMorvane>(options_.SettingsDir);
  } catch (const std::exception&) {
    appCommander_.reset();
  }
  Guarded([this] { FormCreate(); });
}

TFormUM::~TFormUM() {
  FormDestroy();
}

void TFormUM::FormCreate() {
  setWindowTitle(Text(Application().Title()));
}

void TFormUM::CreateDataComponents() {
  components_ = std::make_unique<TComponent>();
  auto makeTable = [this](const char* name) {
    auto* table = new TzelTable(components_.get());
    table->SetName(name);
    return table;
  };
  TableM = makeTable("TableM");
  DataSourceM = new TDataSource(components_.get());
  DataSourceM->SetName("DataSourceM");
  DataSourceM->SetDataSet(TableM);
  TableS = makeTable("TableS");
  TableI = makeTable("TableI");
  GridM->SetDataSource(DataSourceM);
  // Rows are neither added nor deleted in the mapping (see below).
  GridM->SetAllowInsert(false);
  GridM->SetAllowDelete(false);
  // A row added to the mapping would offer to change values the table does
  // not hold; a row deleted would suggest deleting them. Neither exists.
  auto refuseOnceLoaded = [this](TDataSet*) {
    if (mappingLoaded_) Abort();
  };
  TableM->BeforeInsert = refuseOnceLoaded;
  TableM->BeforeDelete = refuseOnceLoaded;
  // The additions' hooks; each does nothing unless its option is on.
  TableM->AfterPost = [this](TDataSet*) { UpdateSummary(); };
  GridM->OnDrawColumnCell = [this](TzelCustomDBGrid*, const QRect& rect, int, TzelColumn* column,
                                   TGridDrawState state) {
    PaintSuggestion(rect, column, state.Contains(gdSelected));
  };
  GridM->OnKeyDown = [this](TzelCustomDBGrid*, TKeyCode& key, TShiftState shift) {
    if (key == VK_RETURN && shift.Empty() && AcceptSuggestionAtCursor()) key = 0;
  };
  GridM->OnTitleClick = [this](TzelCustomDBGrid*, TzelColumn* column) {
    if (wizardOptions_.Counts || wizardOptions_.Suggestions) SortByColumn(column);
  };
}

void TFormUM::CloseMappingTables() {
  mappingLoaded_ = false;
  suggestions_.clear();
  DS_Close(TableM);
  DS_Close(TableI);
}

void TFormUM::CloseReadTables() {
  CloseMappingTables();
  DS_Close(TableS);
}

void TFormUM::FormDestroy() {
  // An enlarged window is remembered; one at its stored size writes nothing.
  if (appCommander_ && size() != DesignedSize() &&
      (width() != wizardOptions_.Width || height() != wizardOptions_.Height)) {
    Guarded([this] { SaveWindowSize(appCommander_->Cfg.IniPath, width(), height()); });
  }
  // The grid is a child widget and outlives the datasets, which go with the
  // form's components: it lets go of them first.
  GridM->SetDataSource(nullptr);
  Guarded([this] { CloseMappingTables(); });
  appCommander_.reset();
}

bool TFormUM::FirstArgumentIsA() const {
  return !options_.Arguments.empty() && options_.Arguments.front() == "A";
}

void TFormUM::ShowSettings() {
  const CMvCFG& cfg = appCommander_->Cfg;
  Edit6->setText(Text(cfg.CfgName));
  Edit1->setText(Text(cfg.SrcTbl));
  Edit2->setText(Text(cfg.SrcFld));
  Edit3->setText(Text(cfg.SUnFld));
  Edit4->setText(Text(cfg.InfTbl));
  Edit5->setText(Text(cfg.InfFld));
}

void TFormUM::FormShow() {
  if (!appCommander_) {
    MessageBoxStop(kNoCommander);
    return;
  }
  if (!appCommander_->Init()) return;
  ButtonNew->setVisible(FirstArgumentIsA());
  ButtonLoad->setVisible(true);
  ButtonSave->setVisible(FirstArgumentIsA());
  appCommander_->Cfg.Load();
  ShowSettings();
  wizardOptions_ = LoadWizardOptions(appCommander_->Cfg.IniPath);
  ShowAdditions();
  // Only an enlarged size is kept: the designed size is the smallest.
  if (wizardOptions_.Width > width() || wizardOptions_.Height > height()) {
    resize(std::max(wizardOptions_.Width, width()), std::max(wizardOptions_.Height, height()));
  }
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  ButtonRead->setEnabled(true);
  for (const char* name : kSettingNames) {
    auto* item = new QAction(QString::fromUtf8(name), this);
    connect(item, &QAction::triggered, this,
            [this, item] { Guarded([this, item] { SettingItemClick(item); }); });
    PopupMenu1->addAction(item);
  }
}

void TFormUM::SettingItemClick(QAction* item) {
  if (!appCommander_) return;  // FormShow has said so already
  CMvCFG& cfg = appCommander_->Cfg;
  cfg.CfgName = item->text().toStdString();
  cfg.SaveCurrent();
  cfg.Load();
  ShowSettings();
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  Memo1->clear();
  CloseMappingTables();
}

void TFormUM::ButtonLoadClick() {
  // The form's outer position plus the button's place on its tab sheet, as
  // the menu has always popped up.
  PopupAt(PopupMenu1, x() + ButtonLoad->x(), y() + ButtonLoad->y());
}

void TFormUM::ButtonNewClick() {
  for (QLineEdit* edit : {Edit6, Edit1, Edit2, Edit3, Edit4, Edit5}) edit->clear();
  ButtonRead->setEnabled(false);
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  Memo1->clear();
  CloseMappingTables();
}

void TFormUM::ButtonSaveClick() {
  // The buttons keep their design state when FormShow found no command
  // object; saving then has nowhere to go.
  if (!appCommander_) return;
  CMvCFG& cfg = appCommander_->Cfg;
  cfg.SrcTbl = Text(Edit1);
  cfg.SrcFld = Text(Edit2);
  cfg.SUnFld = Text(Edit3);
  cfg.InfTbl = Text(Edit4);
  cfg.InfFld = Text(Edit5);
  cfg.Save();
  ButtonRead->setEnabled(true);
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  Memo1->clear();
  CloseMappingTables();
}

bool TFormUM::OpenForRead(TzelTable* table, const std::string& indexFieldNames,
                          TQueryBuilder builder) {
  std::string failure;
  if (DS_Open(table, indexFieldNames, builder, appCommander_.get(), &failure)) return true;
  // Going on would move in, or append to, a closed table; and a mapping read
  // without its allowed values or its current values is not one to act on.
  CloseReadTables();
  const std::string reason = FailureReason(failure);
  MessageBoxStop(reason.empty() ? kQueryFailed : kQueryFailed + std::string("\r\n") + reason);
  return false;
}

void TFormUM::ConfigureMappingFields() {
  TField* src = TableM->FieldByName("src");
  src->SetDisplayWidth(kCurrentChars);
  src->SetDisplayLabel("Текущее");
  // The current value becomes the WHERE value of its UPDATE: editing it
  // would change other rows than the ones shown.
  src->SetReadOnly(true);
  TField* inf = TableM->FieldByName("inf");
  inf->SetDisplayWidth(kNewChars);
  inf->SetDisplayLabel("Новое");
}

void TFormUM::ButtonReadClick() {
  if (!appCommander_) return;  // FormShow has said so already
  ButtonGen->setEnabled(false);
  ButtonDo->setEnabled(false);
  CloseMappingTables();
  const CMvCFG& cfg = appCommander_->Cfg;
  if (!OpenForRead(TableI, cfg.InfFld, &CMorvane::BuildSourceQuery)) return;
  if (!OpenForRead(TableM, "", &CMorvane::BuildMappingQuery)) return;
  if (!OpenForRead(TableS, "", &CMorvane::BuildValuesQuery)) return;
  ShapeMappingColumns(*TableM, *TableS, cfg.SrcFld, TableI, cfg.InfFld);
  TValueCounts counts;
  if (wizardOptions_.Counts) {
    TzelTable countsTable;
    countsTable.SetName("TableC");
    if (!OpenForRead(&countsTable, "", &CMorvane::BuildCountsQuery)) return;
    counts = ReadValueCounts(countsTable);
    AddCountField(*TableM);
  }

  TMappingFill fill;
  try {
    fill = FillMapping(*TableS, cfg.SrcFld, TableI, cfg.InfFld, *TableM);
    if (wizardOptions_.Counts) FillCounts(*TableM, counts);
    step3_->SetReadCounts(counts);
  } catch (...) {
    CloseReadTables();  // a half-filled mapping is not one to generate from
    throw;
  }
  DS_Close(TableS);
  ConfigureMappingFields();
  lookupDropDownFields_ = LookupDropDownFieldsFor(*TableI, cfg.InfFld);
  ConfigureLookupColumn();
  mappingLoaded_ = true;
  ReadAdditions();
  ButtonGen->setEnabled(TableM->Active() && TableM->RecordCount() > 0);
  const std::string notHeld = NotHeldMessage(fill);
  if (!notHeld.empty()) MessageBoxStop(notHeld);
}

void TFormUM::ConfigureLookupColumn() {
  TzelColumn* column = GridM->ColumnByName("inf");
  if (column == nullptr) return;
  column->SetAutoDropDown(true);
  column->SetButtonStyle(cbsLookup);
  column->SetLookupDataSet(TableI);
  column->SetLookupDropDownFields(lookupDropDownFields_);
  column->SetLookupKeyField("inf");
  column->SetLookupLinkField(appCommander_->Cfg.InfFld);
  column->SetDropDownWidth(250);
}

std::vector<std::string> TFormUM::MemoLines() const {
  // The memo's lines as a list of strings sees them: a final line break does
  // not start another line, and an empty memo has none.
  QString text = Memo1->toPlainText();
  if (text.isEmpty()) return {};
  if (text.endsWith('\n')) text.chop(1);
  std::vector<std::string> lines;
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  return lines;
}

void TFormUM::ButtonGenClick() {
  if (!appCommander_) return;
  Memo1->clear();
  TGeneratedScript script;
  if (TableM->Active()) script = GenerateScript(*TableM, *appCommander_);
  // Chains in the order that keeps each row's mapped value; a cycle refused.
  if (!step3_->OrderGenerated(script.lines)) {
    ButtonDo->setEnabled(false);
    return;
  }
  QStringList lines;
  for (const std::string& line : script.lines) lines.push_back(QString::fromStdString(line));
  if (!lines.isEmpty()) Memo1->setPlainText(lines.join('\n'));
  // The memo has lines exactly when it holds any text: no need to copy and
  // split a script of many thousand lines to learn that.
  ButtonDo->setEnabled(!Memo1->document()->isEmpty());
  const std::string refused = RefusedMessage(script.refused);
  if (!refused.empty()) MessageBoxStop(refused);
}

void TFormUM::ButtonDoClick() {
  // Line by line unless "Выполнить как одно целое" is checked; logged.
  step3_->Execute();
}

}  // namespace morvane
