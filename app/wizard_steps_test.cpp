// Steps 2 and 3 of the wizard over a scripted server: reading the mapping,
// generating the script and executing it, through the form's handlers.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/form_um.h"
#include "app/mapping.h"
#include "app/mapping_counts_suggestions.h"
#include "app/testing/fake_transport.h"
#include "controls/grid/db_grid.h"
#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane {
namespace {

using testing::ErrorReply;
using testing::FakeServer;
using testing::TextColumn;
using testing::TextResult;
using testing::TextRow;

constexpr char kSourceQuery[] = "SELECT * FROM Units";
constexpr char kValuesQuery[] = "SELECT DISTINCT Unit FROM Goods";
constexpr char kQueryFailed[] = "Не удалось выполнить запрос !";

std::string Update(const std::string& oldValue, const std::string& newValue) {
  return "UPDATE Goods SET Goods.Unit = '" + newValue + "' WHERE Goods.Unit = '" + oldValue + "'";
}

class WizardStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Morvane");
    testing::ResetFakeServer();
    dir_ = std::filesystem::temp_directory_path() /
           ("wizard-steps-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);  // the replacement log
    previousHook_ = SetMessageBoxHook(
        [this](const std::string&, const std::string& text) { messages_.push_back(text); });
    unit_ = std::make_unique<ZelTblUnit>(
        std::make_unique<TransportLibrary>(testing::FakeEntryPoints()));
    if (!IniText().empty()) std::ofstream(dir_ / "Mvrn.ini") << IniText();
    form_ = std::make_unique<TFormUM>(TFormUMOptions{{"A"}, dir_.string()});
    form_->show();
    ScriptUnits({{"шт", "штука"}, {"кг", "килограмм"}, {"Шт", "штука?"}});
    ScriptValues({{"шт"}, {"шт "}, {"Шт."}, {"кг"}});
    FakeServer().replies[MappingQuery()] = TextResult({{"src", 20}, {"inf", 10}}, {});
  }
  void TearDown() override {
    form_.reset();
    unit_.reset();
    SetMessageBoxHook(std::move(previousHook_));
    std::filesystem::remove_all(dir_);
  }

  // Mvrn.ini as the form finds it; empty: no file.
  virtual std::string IniText() const { return {}; }

  std::string MappingQuery() {
    std::string sql;
    CMorvane::BuildMappingQuery(form_->AppCommander(), sql);
    return sql;
  }
  void ScriptUnits(const std::vector<TextRow>& rows) {
    FakeServer().replies[kSourceQuery] = TextResult({{"Ident", 10}, {"name", 60}}, rows);
  }
  void ScriptValues(const std::vector<TextRow>& rows) {
    FakeServer().replies[kValuesQuery] = TextResult({{"Unit", 20}}, rows);
  }

  // The mapping as pairs "src=inf" (and "/count" when it has counts), in the
  // dataset's order.
  std::vector<std::string> Mapping() {
    std::vector<std::string> pairs;
    TzelTable& table = *form_->TableM;
    TField* count = table.FindField("cnt");
    for (table.First(); !table.Eof(); table.Next()) {
      pairs.push_back(table.FieldByName("src")->AsString() + "=" +
                      table.FieldByName("inf")->AsString() +
                      (count ? "/" + count->AsString() : std::string()));
    }
    return pairs;
  }
  // Sets the new value of the record whose current value is src.
  void Choose(const std::string& src, const std::string& inf) {
    TzelTable& table = *form_->TableM;
    for (table.First(); !table.Eof(); table.Next()) {
      if (table.FieldByName("src")->AsString() != src) continue;
      table.Edit();
      table.FieldByName("inf")->SetAsString(inf);
      table.Post();
      return;
    }
    FAIL() << "no current value " << src;
  }
  std::vector<std::string> Script() {
    std::vector<std::string> lines;
    for (const QString& line : form_->Memo1->toPlainText().split('\n')) {
      if (!line.isEmpty()) lines.push_back(line.toStdString());
    }
    return lines;
  }
  // With keys only, as the operator does it: into the "Новое" column, down to
  // the row of src, then Enter.
  void PressEnterOnNewValue(const std::string& src) {
    QTabBar* tabs = form_->PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_EQ(form_->PageControl1->currentIndex(), 1);
    TzelDBGrid* grid = form_->GridM;
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Right);
    TField* current = form_->TableM->FieldByName("src");
    for (int row = 0; row < form_->TableM->RecordCount() && current->AsString() != src; ++row) {
      QTest::keyClick(grid, Qt::Key_Down);
    }
    ASSERT_EQ(current->AsString(), src);
    ASSERT_EQ(grid->SelectedField()->FieldName(), "inf");
    ASSERT_FALSE(grid->EditorMode());
    QTest::keyClick(grid, Qt::Key_Return);
  }
  // Step 2 in the active window, where the operator's clicks land.
  void ShowStepTwo() {
    form_->PageControl1->setCurrentIndex(1);
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  // Escape to whatever holds the keys: the cell's editor once it is made.
  void CloseEditor() {
    QWidget* editor = form_->GridM->InplaceEditor();
    QTest::keyClick(editor != nullptr ? editor : form_->GridM, Qt::Key_Escape);
    EXPECT_FALSE(form_->GridM->EditorMode());
  }
  // The requests the server saw since the last call.
  std::vector<std::string> TakeRequests() { return std::exchange(FakeServer().requests, {}); }
  // The requests without the read of keys and values an exact undo makes first.
  std::vector<std::string> TakeUpdates() {
    std::vector<std::string> updates;
    for (std::string& request : TakeRequests()) {
      if (request.rfind("SELECT Goods.Good AS k,", 0) != 0) updates.push_back(std::move(request));
    }
    return updates;
  }

  std::filesystem::path dir_;
  std::unique_ptr<ZelTblUnit> unit_;
  std::unique_ptr<TFormUM> form_;
  std::vector<std::string> messages_;
  TMessageBoxHook previousHook_;
};

TEST_F(WizardStepsTest, ReadPreMapsOnlyValuesThatAreAllowedExactly) {
  form_->ButtonReadClick();
  EXPECT_EQ(Mapping(), (std::vector<std::string>{"шт=шт", "шт =", "Шт.=", "кг=кг"}));
  EXPECT_EQ(TakeRequests(), (std::vector<std::string>{kSourceQuery, MappingQuery(), kValuesQuery}));
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(form_->ButtonGen->isEnabled());
  EXPECT_FALSE(form_->TableS->Active());
  EXPECT_EQ(form_->TableM->FieldByName("src")->DisplayLabel(), "Текущее");
  EXPECT_EQ(form_->TableM->FieldByName("inf")->DisplayWidth(), 18);
  EXPECT_EQ(form_->LookupDropDownFields(), "name;Ident");
}

TEST_F(WizardStepsTest, CaseAndBlanksAreNotPreMapped) {
  ScriptValues({{"Шт"}, {" шт"}, {"ШТ"}, {std::nullopt}});
  ScriptUnits({{"шт", "штука"}});
  form_->ButtonReadClick();
  EXPECT_EQ(Mapping(), (std::vector<std::string>{"Шт=", " шт=", "ШТ=", "="}));
}

TEST_F(WizardStepsTest, MappedCurrentValuesAreReadOnlyAndRowsNeitherComeNorGo) {
  form_->ButtonReadClick();
  TzelTable& table = *form_->TableM;
  EXPECT_TRUE(table.FieldByName("src")->ReadOnly());
  EXPECT_FALSE(table.FieldByName("inf")->ReadOnly());
  EXPECT_THROW(table.Append(), EAbort);
  EXPECT_THROW(table.Insert(), EAbort);
  table.First();
  EXPECT_THROW(table.Delete(), EAbort);
  EXPECT_EQ(table.RecordCount(), 4);
}

TEST_F(WizardStepsTest, MappingColumnsAreSizedFromTheValuesRead) {
  // The empty mapping query gives 4 bytes for src and 2 for inf: "штука"
  // (10 bytes) and the allowed "шт" (4 bytes) would not fit. The columns
  // take the length of the values read, so every value is loaded and
  // pre-mapped, and none is cut into another value.
  FakeServer().replies[MappingQuery()] = TextResult({{"src", 4}, {"inf", 2}}, {});
  ScriptValues({{"штука"}, {"шт"}, {"м"}});
  ScriptUnits({{"шт", "штука"}, {"м", "метр"}});
  form_->ButtonReadClick();
  EXPECT_EQ(Mapping(), (std::vector<std::string>{"штука=", "шт=шт", "м=м"}));
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  Choose("штука", "шт");
  form_->ButtonGenClick();
  EXPECT_EQ(Script(), std::vector<std::string>{Update("штука", "шт")});
}

TEST_F(WizardStepsTest, FailedOpenStopsTheReadClosesTheTablesAndGivesTheReason) {
  struct Case {
    std::string failing;
    size_t requestsSent;
  };
  const Case cases[] = {{kSourceQuery, 1}, {MappingQuery(), 2}, {kValuesQuery, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    FakeServer().rejections.clear();
    form_->ButtonReadClick();  // a good read first: the failed one must undo it
    ASSERT_TRUE(form_->ButtonGen->isEnabled());
    form_->ButtonDo->setEnabled(true);
    TakeRequests();
    messages_.clear();

    FakeServer().rejections[c.failing] = "no such table: Unitz";
    form_->ButtonReadClick();
    EXPECT_EQ(TakeRequests().size(), c.requestsSent);
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0], kActivateError);
    EXPECT_EQ(messages_[1].substr(0, std::strlen(kQueryFailed) + 2),
              std::string(kQueryFailed) + "\r\n");
    EXPECT_NE(messages_[1].find("no such table: Unitz"), std::string::npos) << messages_[1];
    EXPECT_FALSE(form_->TableI->Active());
    EXPECT_FALSE(form_->TableM->Active());
    EXPECT_FALSE(form_->TableS->Active());
    EXPECT_FALSE(form_->ButtonGen->isEnabled());
    EXPECT_FALSE(form_->ButtonDo->isEnabled());
  }
}

TEST_F(WizardStepsTest, RefusingBuilderShowsBothMessagesWithoutAReason) {
  form_->AppCommander()->Cfg.InfTbl.clear();
  form_->ButtonReadClick();
  EXPECT_EQ(messages_, (std::vector<std::string>{kBuildError, kQueryFailed}));
  EXPECT_TRUE(TakeRequests().empty());
}

TEST_F(WizardStepsTest, ReadingAgainReplacesTheRows) {
  form_->ButtonReadClick();
  Choose("шт ", "шт");
  ScriptValues({{"Шт."}, {"л"}});
  form_->ButtonReadClick();
  EXPECT_EQ(Mapping(), (std::vector<std::string>{"Шт.=", "л="}));
}

TEST_F(WizardStepsTest, EmptyMappingLeavesGenerateDisabled) {
  ScriptValues({});
  form_->ButtonReadClick();
  EXPECT_FALSE(form_->ButtonGen->isEnabled());
  EXPECT_TRUE(form_->TableM->Active());
}

TEST_F(WizardStepsTest, ScriptHasOneLinePerChangedPair) {
  ScriptValues({{"шт"}, {"шт "}, {"Шт."}, {"кг"}, {"д'Арк"}, {"штук"}, {"ШТ"}});
  ScriptUnits({{"шт", "штука"}, {"кг", "килограмм"}, {"Шт", "?"}, {"д''", "?"}});
  form_->ButtonReadClick();
  Choose("шт ", "шт");
  Choose("Шт.", "Шт");    // a change of case only is a change
  Choose("кг", "кг");     // new = old: nothing to do
  Choose("д'Арк", "д'");  // apostrophes doubled on both sides
  Choose("ШТ", "шт");
  Choose("ШТ", "");  // emptied again: undone
  form_->ButtonGenClick();
  EXPECT_EQ(Script(), (std::vector<std::string>{Update("шт ", "шт"), Update("Шт.", "Шт"),
                                                Update("д''Арк", "д''")}));
  EXPECT_TRUE(form_->ButtonDo->isEnabled());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(WizardStepsTest, RefusedPairsAreNamedAfterGenerating) {
  ScriptValues({{std::nullopt}, {"шт."}});
  form_->ButtonReadClick();
  Choose("", "шт");
  Choose("шт.", "шт");
  form_->ButtonGenClick();
  EXPECT_EQ(Script(), (std::vector<std::string>{Update("шт.", "шт")}));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("«» → «шт» (пустое текущее значение)"), std::string::npos)
      << messages_[0];
}

TEST_F(WizardStepsTest, NothingMappedGivesNoScriptAndNoExecute) {
  form_->ButtonReadClick();
  form_->ButtonGenClick();
  EXPECT_TRUE(form_->Memo1->toPlainText().isEmpty());
  EXPECT_FALSE(form_->ButtonDo->isEnabled());
}

TEST_F(WizardStepsTest, ExecuteSendsEveryLineAndSaysHowManyRan) {
  form_->Memo1->setPlainText(QString::fromStdString(Update("a", "b") + "\n" + Update("c", "d")));
  form_->ButtonDoClick();
  EXPECT_EQ(TakeUpdates(), (std::vector<std::string>{Update("a", "b"), Update("c", "d")}));
  EXPECT_EQ(messages_, (std::vector<std::string>{"Выполнено операторов: 2."}));
}

TEST_F(WizardStepsTest, RejectedMiddleLineDoesNotStopTheLaterOnesAndIsNamed) {
  const std::string lines[] = {Update("a", "b"), Update("c", "d"), Update("e", "f")};
  FakeServer().rejections[lines[1]] = "CHECK constraint failed: Unit";
  form_->Memo1->setPlainText(
      QString::fromStdString(lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n"));
  form_->ButtonDoClick();
  EXPECT_EQ(TakeUpdates(), (std::vector<std::string>{lines[0], lines[1], lines[2]}));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].substr(0, messages_[0].find("\r\n")), "Не выполнено операторов: 1 из 3.");
  EXPECT_NE(messages_[0].find("\r\nСтроки: 2.\r\n"), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find("Первая ошибка: "), std::string::npos) << messages_[0];
}

TEST_F(WizardStepsTest, ClosedSessionCountsEveryLineAsFailed) {
  FakeServer().lostConnection.insert(Update("a", "b"));
  form_->Memo1->setPlainText(QString::fromStdString(Update("a", "b") + "\n" + Update("c", "d")));
  form_->ButtonDoClick();
  // The first line loses the connection; the second finds the session closed.
  EXPECT_EQ(TakeUpdates(), (std::vector<std::string>{Update("a", "b")}));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Не выполнено операторов: 2 из 2.\r\nСтроки: 1, 2."),
            std::string::npos)
      << messages_[0];

  messages_.clear();
  zelDB().Disconnect();
  form_->ButtonDoClick();
  EXPECT_TRUE(TakeUpdates().empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Не выполнено операторов: 2 из 2."), std::string::npos);
  EXPECT_NE(messages_[0].find("Не активизирована сессия связи с сервером"), std::string::npos);
}

TEST_F(WizardStepsTest, HandEditedScriptIsSentAsItStands) {
  form_->Memo1->setPlainText("DELETE FROM Goods WHERE Unit = 'x'\n\n  \nUPDATE Goods SET Unit='y'");
  form_->ButtonDoClick();
  EXPECT_EQ(TakeRequests(), (std::vector<std::string>{"DELETE FROM Goods WHERE Unit = 'x'",
                                                      "UPDATE Goods SET Unit='y'"}));
  EXPECT_EQ(messages_, (std::vector<std::string>{"Выполнено операторов: 2."}));
}

TEST_F(WizardStepsTest, StepOneHandlersUnlockTheMappingForTheNextRead) {
  form_->ButtonReadClick();
  form_->ButtonSaveClick();
  EXPECT_FALSE(form_->TableM->Active());
  form_->ButtonReadClick();
  EXPECT_EQ(form_->TableM->RecordCount(), 4);
}

TEST_F(WizardStepsTest, WithoutTheWizardSectionStepTwoIsTheWrittenOne) {
  form_->ButtonReadClick();
  EXPECT_TRUE(form_->LabelSummary->isHidden());
  EXPECT_TRUE(form_->ButtonAccept->isHidden());
  EXPECT_EQ(form_->TableM->FieldCount(), 2);
  EXPECT_TRUE(form_->Suggestions().empty());
  EXPECT_EQ(TakeRequests().size(), 3u);  // no counting query
}

// Counts and suggestions switched on in Mvrn.ini.
class WizardAdditionsTest : public WizardStepsTest {
 protected:
  std::string IniText() const override { return "[Wizard]\r\nCounts=1\r\nSuggestions=1\r\n"; }
  void SetUp() override {
    WizardStepsTest::SetUp();
    std::string sql;
    ASSERT_TRUE(CMorvane::BuildCountsQuery(form_->AppCommander(), sql));
    // NULL and the empty text come as two groups and read as one value.
    FakeServer().replies[sql] = TextResult(
        {{"Unit", 20}, {"cnt", 10}},
        {{"шт", "5"}, {"шт ", "2"}, {"Шт.", "1"}, {"кг", "7"}, {std::nullopt, "3"}, {"", "4"}});
    ScriptValues({{"шт"}, {"шт "}, {"Шт."}, {"кг"}, {std::nullopt}});
    ScriptUnits({{"шт", "штука"}, {"кг", "килограмм"}});
  }
};

TEST_F(WizardAdditionsTest, CountsFollowEachValueAndTheSummaryFollowsTheMapping) {
  form_->ButtonReadClick();
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_EQ(Mapping(), (std::vector<std::string>{"шт=шт/5", "шт =/2", "Шт.=/1", "кг=кг/7", "=/7"}));
  TField* count = form_->TableM->FieldByName("cnt");
  EXPECT_EQ(count->DisplayLabel(), "Записей");
  EXPECT_TRUE(count->ReadOnly());
  EXPECT_FALSE(form_->LabelSummary->isHidden());
  EXPECT_EQ(form_->LabelSummary->text(), "Значений: 5, сопоставлено: 0, изменится записей: 0");

  Choose("шт ", "шт");
  Choose("Шт.", "шт");
  EXPECT_EQ(form_->LabelSummary->text(), "Значений: 5, сопоставлено: 2, изменится записей: 3");
  form_->ButtonGenClick();
  EXPECT_EQ(Script(), (std::vector<std::string>{Update("шт ", "шт"), Update("Шт.", "шт")}));
}

TEST_F(WizardAdditionsTest, SuggestionsAreShownButMapNothingUntilAccepted) {
  form_->ButtonReadClick();
  EXPECT_EQ(form_->Suggestions(), (TValueSuggestions{{"шт ", "шт"}, {"Шт.", "шт"}}));
  EXPECT_TRUE(form_->ButtonAccept->isEnabled());
  form_->ButtonGenClick();
  EXPECT_TRUE(Script().empty()) << "a suggestion is not a mapping";

  Choose("Шт.", "кг");  // the operator's own choice wins over a suggestion
  form_->ButtonAcceptClick();
  EXPECT_EQ(Mapping(),
            (std::vector<std::string>{"шт=шт/5", "шт =шт/2", "Шт.=кг/1", "кг=кг/7", "=/7"}));
  EXPECT_FALSE(form_->ButtonAccept->isEnabled());
  form_->ButtonGenClick();
  EXPECT_EQ(Script(), (std::vector<std::string>{Update("шт ", "шт"), Update("Шт.", "кг")}));
}

TEST_F(WizardAdditionsTest, EnterOnASuggestedCellAcceptsThatSuggestionOnly) {
  form_->ButtonReadClick();
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  PressEnterOnNewValue("Шт.");
  EXPECT_FALSE(form_->GridM->EditorMode()) << "the key was used up by accepting";
  EXPECT_EQ(Mapping(),
            (std::vector<std::string>{"шт=шт/5", "шт =/2", "Шт.=шт/1", "кг=кг/7", "=/7"}));
  EXPECT_EQ(form_->Suggestions(), (TValueSuggestions{{"шт ", "шт"}}));
  EXPECT_TRUE(form_->ButtonAccept->isEnabled()) << "one suggestion is left";
  EXPECT_EQ(form_->LabelSummary->text(), "Значений: 5, сопоставлено: 1, изменится записей: 1");
  form_->ButtonGenClick();
  EXPECT_EQ(Script(), (std::vector<std::string>{Update("Шт.", "шт")}));

  // Cells without a suggestion (mapped, or nothing near) open the editor as before.
  for (const std::string src : {"кг", ""}) {
    SCOPED_TRACE(src);
    PressEnterOnNewValue(src);
    EXPECT_TRUE(form_->GridM->EditorMode());
    CloseEditor();
  }
  EXPECT_EQ(form_->Suggestions().size(), 1u);

  PressEnterOnNewValue("шт ");
  EXPECT_TRUE(form_->Suggestions().empty());
  EXPECT_FALSE(form_->ButtonAccept->isEnabled());
}

// A mouse click on a column's title, as the operator sorts.
void ClickTitle(TzelDBGrid& grid, const std::string& column) {
  const QRect cell = grid.ScreenCellRect(rtTitle, column);
  ASSERT_FALSE(cell.isEmpty()) << column;
  QWidget* viewport = grid.viewport();
  const QPoint at = viewport->mapFromGlobal(cell.center());
  QTest::mousePress(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

std::vector<std::string> Column(std::vector<std::string> pairs, char from) {
  for (std::string& pair : pairs) pair = pair.substr(0, pair.find(from));
  return pairs;
}

TEST_F(WizardAdditionsTest, TitleClicksSortLargestCountsFirstAndTextsInOrder) {
  form_->ButtonReadClick();
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  ShowStepTwo();
  ClickTitle(*form_->GridM, "cnt");
  std::vector<std::string> counts;
  for (const std::string& pair : Mapping()) counts.push_back(pair.substr(pair.find('/') + 1));
  EXPECT_EQ(counts, (std::vector<std::string>{"7", "7", "5", "2", "1"}));
  EXPECT_EQ(form_->GridM->ColumnByName("cnt")->SortMark(), zsmDown);

  ClickTitle(*form_->GridM, "src");
  const std::vector<std::string> bySource = Column(Mapping(), '=');
  EXPECT_EQ(bySource.front(), "");
  EXPECT_TRUE(std::is_sorted(bySource.begin(), bySource.end(),
                             [](const std::string& a, const std::string& b) {
                               return AnsiCompareText(a, b) < 0;
                             }));
  // Sorting moves rows, never their pairs.
  std::vector<std::string> pairs = Mapping();
  std::sort(pairs.begin(), pairs.end());
  EXPECT_EQ(pairs, (std::vector<std::string>{"=/7", "Шт.=/1", "кг=кг/7", "шт =/2", "шт=шт/5"}));
}

TEST_F(WizardStepsTest, WithoutTheAdditionsATitleClickLeavesTheOrder) {
  form_->ButtonReadClick();
  ShowStepTwo();
  const std::vector<std::string> before = Mapping();
  ClickTitle(*form_->GridM, "src");
  EXPECT_EQ(Mapping(), before);
}

TEST_F(WizardAdditionsTest, AllThreeColumnsShowAtTheDesignedSizeAndWidenWithTheWindow) {
  form_->ButtonReadClick();
  ShowStepTwo();
  TzelDBGrid& grid = *form_->GridM;
  const auto rightEdge = [&grid] {
    const QRect count = grid.ScreenCellRect(rtTitle, "cnt");
    return grid.viewport()->mapFromGlobal(count.topRight()).x();
  };
  EXPECT_LT(rightEdge(), grid.viewport()->width()) << "the counts need no scrolling";
  EXPECT_LT(form_->TableM->FieldByName("src")->DisplayWidth(), TFormUM::kCurrentChars);

  form_->resize(form_->width() + 200, form_->height());
  EXPECT_EQ(form_->TableM->FieldByName("src")->DisplayWidth(), TFormUM::kCurrentChars);
  EXPECT_EQ(form_->TableM->FieldByName("inf")->DisplayWidth(), TFormUM::kNewChars);
  EXPECT_LT(rightEdge(), grid.viewport()->width());
  ClickTitle(grid, "cnt");  // the columns made anew still sort
  EXPECT_EQ(Column(Mapping(), '=').back(), "Шт.");
}

TEST_F(WizardStepsTest, WithoutSuggestionsEnterOpensTheEditorAndMapsNothing) {
  form_->ButtonReadClick();
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  PressEnterOnNewValue("Шт.");
  EXPECT_TRUE(form_->GridM->EditorMode());
  CloseEditor();
  form_->ButtonGenClick();
  EXPECT_TRUE(Script().empty());
}

TEST_F(WizardAdditionsTest, FailedCountQueryStopsTheReadLikeTheOthers) {
  std::string sql;
  CMorvane::BuildCountsQuery(form_->AppCommander(), sql);
  FakeServer().rejections[sql] = "no such column: Unit";
  form_->ButtonReadClick();
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_NE(messages_[1].find("no such column: Unit"), std::string::npos);
  EXPECT_FALSE(form_->TableM->Active());
  EXPECT_FALSE(form_->ButtonGen->isEnabled());
}

TEST_F(WizardStepsTest, EnlargedWindowGrowsTheGridAndTheScriptAndIsRemembered) {
  const QSize gridSize = form_->GridM->size();
  const QSize memoSize = form_->Memo1->size();
  const int buttonTop = form_->ButtonRead->y();
  form_->resize(form_->width() + 200, form_->height() + 100);
  EXPECT_EQ(form_->GridM->size(), gridSize + QSize(200, 100));
  EXPECT_EQ(form_->Memo1->size(), memoSize + QSize(200, 100));
  EXPECT_EQ(form_->ButtonRead->y(), buttonTop + 100);
  EXPECT_EQ(form_->ButtonDo->y(), buttonTop + 100);
  const QSize enlarged = form_->size();
  form_.reset();
  form_ = std::make_unique<TFormUM>(TFormUMOptions{{"A"}, dir_.string()});
  EXPECT_EQ(form_->size(), QSize(432, 313)) << "it opens at the designed size";
  form_->show();
  EXPECT_EQ(form_->size(), enlarged);
}

TEST_F(WizardStepsTest, WindowLeftAtItsSizeWritesNothing) {
  form_.reset();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Mvrn.ini"));
}

TEST(LookupDropDownFieldsTest, NameAndIdentWhenPresentElseTheValueField) {
  struct Case {
    std::vector<TextColumn> columns;
    const char* expected;
  };
  const Case cases[] = {
      {{{"Ident", 10}, {"name", 60}, {"Code", 5}}, "name;Ident"},
      {{{"NAME", 60}, {"IDENT", 10}}, "name;Ident"},  // field names ignore case
      {{{"Ident", 10}, {"Kind", 20}}, "Ident"},
      {{{"Code", 10}, {"name", 20}}, "name"},
      {{{"Code", 10}, {"Kind", 20}}, "Code"},
  };
  testing::ResetFakeServer();
  ZelTblUnit unit(std::make_unique<TransportLibrary>(testing::FakeEntryPoints()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    FakeServer().sendReply = TextResult(c.columns, {});
    TzelTable table;
    table.SetSQLText("SELECT * FROM Units");
    table.Open();
    EXPECT_EQ(LookupDropDownFieldsFor(table, "Code"), c.expected);
  }
}

}  // namespace
}  // namespace morvane
