// Step 3 beyond the written wizard over a scripted server: chains and cycles
// when generating, the preview, all-or-nothing, Cancel of a long script, the
// undo button and the log.
#include "app/step3_execution.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <map>
#include <fstream>
#include <sstream>

#include "app/form_um.h"
#include "app/testing/fake_transport.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"
#include "platform/ui/confirm.h"
#include "platform/ui/message_box.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane {
namespace {

using testing::FakeServer;
using testing::TextResult;

std::string Update(const std::string& oldValue, const std::string& newValue) {
  return "UPDATE Goods SET Goods.Unit = '" + newValue + "' WHERE Goods.Unit = '" + oldValue + "'";
}

class Step3AdditionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Morvane");
    testing::ResetFakeServer();
    dir_ = std::filesystem::temp_directory_path() /
           ("step3-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);
    previousHook_ = SetMessageBoxHook(
        [this](const std::string&, const std::string& text) {
          messages_.push_back(text);
          stopIcons_.push_back(MessageBoxShowsError());
        });
    previousConfirm_ = SetConfirmHook([this](const std::string&, const std::string& text) {
      confirmations_.push_back(text);
      return confirmAnswer_;
    });
    unit_ = std::make_unique<ZelTblUnit>(
        std::make_unique<TransportLibrary>(testing::FakeEntryPoints()));
    form_ = std::make_unique<TFormUM>(TFormUMOptions{{"A"}, dir_.string()});
    form_->show();
    FakeServer().replies["SELECT * FROM Units"] =
        TextResult({{"Ident", 10}, {"name", 60}}, {{"a", "?"}, {"b", "?"}});
    FakeServer().replies["SELECT DISTINCT Unit FROM Goods"] =
        TextResult({{"Unit", 20}}, {{"a"}, {"b"}, {"c"}});
    FakeServer().requests.clear();
  }
  void TearDown() override {
    form_.reset();
    unit_.reset();
    SetMessageBoxHook(std::move(previousHook_));
    SetConfirmHook(std::move(previousConfirm_));
    std::filesystem::remove_all(dir_);
  }

  // The form again over a transport that can report statements or not.
  void Restart(bool reportsProgress) {
    form_.reset();
    unit_.reset();
    unit_ = std::make_unique<ZelTblUnit>(
        std::make_unique<TransportLibrary>(testing::FakeEntryPoints(reportsProgress)));
    form_ = std::make_unique<TFormUM>(TFormUMOptions{{"A"}, dir_.string()});
    form_->show();
    FakeServer().requests.clear();
  }
  // A hand-written script longer than the progress threshold.
  static std::string LongScript(size_t lines) {
    std::string script;
    for (size_t line = 0; line < lines; ++line) {
      script += "UPDATE Parts SET Qty = 0 WHERE Part = " + std::to_string(line) + "\n";
    }
    return script;
  }
  TStep3Execution& Step3() { return form_->Step3(); }
  std::vector<std::string> TakeRequests() { return std::exchange(FakeServer().requests, {}); }
  void SetScript(const std::string& text) {
    form_->Memo1->setPlainText(QString::fromStdString(text));
    form_->ButtonDo->setEnabled(true);
  }
  void Choose(const std::string& src, const std::string& inf) {
    TzelTable& table = *form_->TableM;
    ASSERT_TRUE(table.Locate("src", Variant(src), {}));
    table.Edit();
    table.FieldByName("inf")->SetAsString(inf);
    table.Post();
  }
  std::string Log() {
    std::ifstream file(dir_ / "state" / "morvane" / "replacements.log");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::filesystem::path dir_;
  std::unique_ptr<ZelTblUnit> unit_;
  std::unique_ptr<TFormUM> form_;
  std::vector<std::string> messages_;
  std::vector<bool> stopIcons_;  // per message: shown with the stop icon
  std::vector<std::string> confirmations_;
  bool confirmAnswer_ = true;
  TMessageBoxHook previousHook_;
  TConfirmHook previousConfirm_;
};

TEST_F(Step3AdditionsTest, StartsAsTheWrittenStep) {
  EXPECT_FALSE(Step3().CheckWhole->isChecked());
  EXPECT_EQ(Step3().CheckWhole->text().toStdString(), "Выполнить как одно целое");
  EXPECT_EQ(Step3().ButtonUndo->text().toStdString(), "Отменить последнюю замену");
  EXPECT_FALSE(Step3().ButtonUndo->isEnabled());
  EXPECT_TRUE(Step3().Progress->isHidden());
  EXPECT_TRUE(Step3().ButtonCancel->isHidden());
  // Within the tab sheet at the form's designed size.
  for (QWidget* widget : {static_cast<QWidget*>(Step3().Gutter),
                          static_cast<QWidget*>(Step3().LabelTotal),
                          static_cast<QWidget*>(Step3().CheckWhole),
                          static_cast<QWidget*>(Step3().ButtonUndo)}) {
    EXPECT_TRUE(form_->TabSheet3->rect().contains(widget->geometry()))
        << widget->objectName().toStdString();
  }
}

TEST_F(Step3AdditionsTest, ChainIsGeneratedInTheOrderThatKeepsTheMappingAndACycleIsRefused) {
  form_->ButtonReadClick();
  Choose("a", "b");
  Choose("b", "c");
  form_->ButtonGenClick();
  EXPECT_EQ(form_->Memo1->toPlainText().toStdString(), Update("b", "c") + "\n" + Update("a", "b"));
  EXPECT_TRUE(messages_.empty());

  Choose("c", "a");  // a -> b -> c -> a
  form_->ButtonGenClick();
  EXPECT_TRUE(form_->Memo1->toPlainText().isEmpty());
  EXPECT_FALSE(form_->ButtonDo->isEnabled());
  ASSERT_EQ(messages_.size(), 1u);
  for (const char* value : {"«a»", "«b»", "«c»"}) {
    EXPECT_NE(messages_[0].find(value), std::string::npos) << messages_[0];
  }
}

TEST_F(Step3AdditionsTest, EditedScriptIsCountedByOneGroupedQuery) {
  FakeServer().replies
      ["SELECT line_no, COUNT(*) AS n FROM (SELECT CASE WHEN Goods.Unit = 'a' "
       "THEN 0 WHEN Goods.Unit = 'x' THEN 1 END AS line_no FROM Goods WHERE "
       "Goods.Unit IN ('a', 'x')) matched GROUP BY line_no"] =
      TextResult({{"line_no", 20}, {"n", 20}}, {{"0", "7"}, {"1", "2"}});
  SetScript(Update("a", "b") + "\n\nDELETE FROM Goods\n" + Update("x", "a"));
  Step3().RefreshPreview();
  EXPECT_EQ(TakeRequests().size(), 1u);
  EXPECT_EQ(Step3().Gutter->toPlainText().toStdString(), "7\n\n?\n2 *");
  EXPECT_EQ(Step3().LabelTotal->text().toStdString(), "Σ ≥ 9");
}

TEST_F(Step3AdditionsTest, WholeScriptGoesAsOneRequestAndAFailureChangesNothing) {
  const std::string request = Update("a", "b") + ";\r\n" + Update("c", "d") + ";";
  FakeServer().rejections[request] = "CHECK constraint failed: Unit";
  SetScript(Update("a", "b") + "\n" + Update("c", "d"));
  Step3().CheckWhole->setChecked(true);
  form_->ButtonDoClick();
  const std::vector<std::string> requests = TakeRequests();
  ASSERT_EQ(requests.size(), 2u);  // the rows for the undo, then the whole script
  EXPECT_EQ(requests[0].rfind("SELECT Goods.Good AS k, Goods.Unit AS v, CASE", 0), 0u);
  EXPECT_EQ(requests[1], request);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Замена не выполнена, ничего не изменено", 0), 0u) << messages_[0];
  EXPECT_NE(messages_[0].find("CHECK constraint failed"), std::string::npos) << messages_[0];
  EXPECT_EQ(stopIcons_, std::vector<bool>{true});
  EXPECT_NE(Log().find("режим: одним целым"), std::string::npos) << Log();
  EXPECT_FALSE(Step3().ButtonUndo->isEnabled());  // nothing to undo
}

// A transport that does not say how many rows each statement changed: the
// count is unknown, and the message says so instead of "0".
TEST_F(Step3AdditionsTest, UnknownRowCountsAreShownAsUnknownNotAsZero) {
  SetScript(Update("a", "b") + "\n" + Update("c", "d"));
  Step3().CheckWhole->setChecked(true);
  form_->ButtonDoClick();
  EXPECT_EQ(messages_, std::vector<std::string>{"Замена выполнена одним целым, изменено строк: ?"});
}

TEST_F(Step3AdditionsTest, LineByLineRunIsLoggedWithItsUndoAndTheUndoAsksFirst) {
  FakeServer().replies
      ["SELECT Goods.Good AS k, Goods.Unit AS v, CASE WHEN Goods.Unit = 'a' THEN "
       "'a' END AS m FROM Goods WHERE Goods.Unit IN ('a')"] =
      TextResult({{"k", 10}, {"v", 20}, {"m", 20}}, {{"G1", "a", "a"}});
  SetScript(Update("a", "b"));
  form_->ButtonDoClick();
  EXPECT_EQ(messages_, std::vector<std::string>{"Выполнено операторов: 1."});
  EXPECT_EQ(stopIcons_, std::vector<bool>{false}) << "a clean run is news, not an error";
  const std::string log = Log();
  EXPECT_NE(log.find("режим: построчно"), std::string::npos) << log;
  EXPECT_NE(log.find("\t" + Update("a", "b")), std::string::npos) << log;
  ASSERT_FALSE(Step3().LastUndoFile().empty());
  EXPECT_NE(Step3().LastUndoFile().find("undo"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(Step3().LastUndoFile()));
  EXPECT_NE(log.find(Step3().LastUndoFile()), std::string::npos);
  EXPECT_TRUE(Step3().ButtonUndo->isEnabled());

  TakeRequests();
  messages_.clear();
  confirmAnswer_ = false;
  Step3().ButtonUndo->click();
  EXPECT_EQ(confirmations_.size(), 1u);
  EXPECT_TRUE(TakeRequests().empty());
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(Step3().ButtonUndo->isEnabled());
}

TEST_F(Step3AdditionsTest, CancelStopsALongLineByLineRunAfterTheCurrentLine) {
  const size_t lines = TStep3Execution::kProgressFrom + 100;
  SetScript(LongScript(lines));
  bool progressShown = false;
  // Pressed while the bar is shown, before the first line is sent.
  QTimer::singleShot(0, form_.get(), [&] {
    progressShown = !Step3().Progress->isHidden() && !Step3().ButtonCancel->isHidden();
    Step3().ButtonCancel->click();
  });
  form_->ButtonDoClick();
  EXPECT_TRUE(progressShown);
  EXPECT_EQ(TakeRequests().size(), 1u);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("прервано после 1 из " + std::to_string(lines)), std::string::npos)
      << messages_[0];
  EXPECT_TRUE(Step3().Progress->isHidden());
  EXPECT_FALSE(Step3().CheckWhole->isHidden());
  EXPECT_NE(Log().find("прервано после 1 из"), std::string::npos);
}

TEST_F(Step3AdditionsTest, CancelRollsBackALongAllOrNothingRunAndLocksTheFormMeanwhile) {
  Restart(true);
  const size_t lines = TStep3Execution::kProgressFrom + 100;
  SetScript(LongScript(lines));
  Step3().CheckWhole->setChecked(true);
  std::map<std::string, bool> whileRunning;
  size_t progressMaximum = 0;
  // The bar comes up first; Cancel is then clicked from the event processing
  // between two statements of the one request.
  QTimer::singleShot(0, form_.get(), [&] {
    progressMaximum = size_t(Step3().Progress->maximum());
    whileRunning = {{"progress shown", !Step3().Progress->isHidden()},
                    {"cancel enabled", Step3().ButtonCancel->isEnabled()},
                    {"run enabled", form_->ButtonDo->isEnabled()},
                    {"script editable", form_->Memo1->isEnabled()},
                    {"step 2 readable", form_->ButtonRead->isEnabled()},
                    {"step 1 loadable", form_->ButtonLoad->isEnabled()},
                    {"undo enabled", Step3().ButtonUndo->isEnabled()},
                    {"form closes", form_->close()}};
    QTimer::singleShot(0, form_.get(), [&] { Step3().ButtonCancel->click(); });
  });
  form_->ButtonDoClick();
  EXPECT_EQ(progressMaximum, lines);
  EXPECT_EQ(whileRunning, (std::map<std::string, bool>{{"progress shown", true},
                                                       {"cancel enabled", true},
                                                       {"run enabled", false},
                                                       {"script editable", false},
                                                       {"step 2 readable", false},
                                                       {"step 1 loadable", false},
                                                       {"undo enabled", false},
                                                       {"form closes", false}}));
  EXPECT_EQ(TakeRequests().size(), 1u);  // one request, rolled back by the transport
  EXPECT_EQ(messages_, std::vector<std::string>{"Выполнение отменено: ничего не изменено"});
  EXPECT_NE(Log().find("Выполнение отменено: ничего не изменено"), std::string::npos) << Log();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_TRUE(Step3().Progress->isHidden());
  EXPECT_TRUE(form_->ButtonDo->isEnabled());
  EXPECT_TRUE(form_->Memo1->isEnabled());
  EXPECT_TRUE(form_->ButtonRead->isEnabled());
  EXPECT_TRUE(form_->PageControl1->tabBar()->isEnabled());
}

TEST_F(Step3AdditionsTest, LongAllOrNothingRunOverALibraryWithoutReportsCannotBeCancelled) {
  const size_t lines = TStep3Execution::kProgressFrom + 1;
  SetScript(LongScript(lines));
  Step3().CheckWhole->setChecked(true);
  bool cancelEnabled = true;
  int progressMaximum = -1;
  QTimer::singleShot(0, form_.get(), [&] {
    cancelEnabled = Step3().ButtonCancel->isEnabled();
    progressMaximum = Step3().Progress->maximum();
  });
  form_->ButtonDoClick();
  EXPECT_FALSE(cancelEnabled);
  EXPECT_EQ(progressMaximum, 0);  // a busy bar
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Замена выполнена одним целым", 0), 0u) << messages_[0];
}

TEST_F(Step3AdditionsTest, RowChangedSinceReadingStopsAnAllOrNothingRunBeforeItsCommit) {
  Restart(true);
  FakeServer().replies
      ["SELECT Goods.Good AS k, Goods.Unit AS v, CASE WHEN Goods.Unit = 'a' THEN "
       "'a' WHEN Goods.Unit = 'c' THEN 'c' END AS m FROM Goods WHERE Goods.Unit IN "
       "('a', 'c')"] = TextResult({{"k", 10}, {"v", 20}, {"m", 20}},
                                  {{"G1", "a", "a"}, {"G2", "c", "c"}, {"G3", "c", "c"}});
  FakeServer().statementRows[Update("a", "b")] = 1;
  FakeServer().statementRows[Update("c", "d")] = 3;  // one row more than was read
  SetScript(Update("a", "b") + "\n" + Update("c", "d"));
  Step3().CheckWhole->setChecked(true);
  form_->ButtonDoClick();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Замена не выполнена, ничего не изменено: таблица изменилась", 0),
            0u)
      << messages_[0];
  EXPECT_NE(messages_[0].find("строка 2"), std::string::npos) << messages_[0];
  EXPECT_FALSE(Step3().ButtonUndo->isEnabled());
  EXPECT_NE(Log().find("таблица изменилась"), std::string::npos) << Log();

  // The same counts as were read: the run applies, with its undo.
  FakeServer().statementRows[Update("c", "d")] = 2;
  messages_.clear();
  form_->ButtonDoClick();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Замена выполнена одним целым", 0), 0u) << messages_[0];
  EXPECT_TRUE(Step3().ButtonUndo->isEnabled());
}

}  // namespace
}  // namespace morvane
