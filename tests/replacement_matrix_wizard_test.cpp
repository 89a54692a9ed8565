// The replacement matrix through the wizard's own code path: the real form
// on the real transport reads step 2, the operator's new values go into the
// mapping, step 3 generates, previews, executes and undoes, and the server's
// own client is the oracle (tests/replacement_matrix_cases.h):
//   - reading shows every value, however long, on any key type;
//   - a value never mapped gives no statement (a number's empty cell is not 0);
//   - the preview's total is the client's COUNT(*) ... WHERE f IN (...);
//   - after executing, all-or-nothing and again line by line, the dump
//     equals the client's own UPDATE ... CASE, the same for both;
//   - after each undo, the dump is byte-identical to the one before.
// Cases are named <server>_<type>_<key>, e.g. WizardMatrix/postgres_date_intkey.
#include <QCheckBox>
#include <QLabel>
#include <cstdlib>
#include <set>

#include "app/step3_execution.h"
#include "platform/ui/confirm.h"
#include "replace/sql_value_text.h"
#include "tests/replacement_matrix_cases.h"
#include "tests/wizard_journey.h"

namespace morvane::testing {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);
const auto* const kMariaDbEnvironment = ::testing::AddGlobalTestEnvironment(new MariaDbEnvironment);

// The types the wizard's path must get right at the least.
const std::vector<std::string> kWizardTypes = {"integer", "numeric", "date", "text"};

class WizardMatrix : public WizardJourneyBase, public ::testing::WithParamInterface<MatrixCase> {
 protected:
  void SetUp() override {
    std::string problem;
    server_ = MatrixServerNamed(GetParam().server, problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    field_ = &MatrixFields()[GetParam().field];
    table_ = "w_" + field_->name + "_" + KeyName(GetParam().key);
    reference_ = "r_" + field_->name + "_" + KeyName(GetParam().key);
    CreateMatrixTable(*server_, *field_, GetParam().key, table_);
    // The allowed values: every new value, and one current value that
    // pre-maps to itself (and so changes nothing).
    std::string values;
    for (const auto& [oldValue, newValue] : field_->mapping) {
      if (values.find(QuotedSql(newValue)) == std::string::npos) {
        values += (values.empty() ? "(" : ", (") + QuotedSql(newValue) + ")";
      }
    }
    values += ", (" + field_->rows[2] + ")";
    server_->Client("DROP TABLE IF EXISTS " + reference_ + "; CREATE TABLE " + reference_ + " (v " +
                    field_->types.at(server_->Name()) + "); INSERT INTO " + reference_ +
                    " (v) VALUES " + values);
    setenv("NETBRG_DATABASE", server_->Connection().c_str(), 1);
    setenv("XDG_STATE_HOME", (MatrixFolder() + "/wizard-state").c_str(), 1);
    previousConfirm_ = SetConfirmHook([](const std::string&, const std::string&) { return true; });
    const std::string setting = table_ + ".f";
    StartWizard("[Main]\r\nCurrCfg=" + setting + "\r\n[" + setting + "]\r\nSrcTbl=" + table_ +
                "\r\nSrcFld=f\r\nSUnFld=k\r\nInfTbl=" + reference_ + "\r\nInfFld=v\r\n");
  }
  void TearDown() override {
    if (server_ == nullptr) return;
    StopWizard();
    SetConfirmHook(std::move(previousConfirm_));
    unsetenv("NETBRG_DATABASE");
    unsetenv("XDG_STATE_HOME");
  }

  std::vector<std::string> MemoLines() const {
    std::vector<std::string> lines;
    for (const QString& line : form_->Memo1->toPlainText().split('\n')) {
      if (!line.isEmpty()) lines.push_back(line.toStdString());
    }
    return lines;
  }
  // Types the new value into the row whose current value the server form
  // oldValue names, as an operator types into the cell.
  void SetNewValue(const std::string& oldValue, const std::string& newValue) {
    TzelTable& mapping = *form_->TableM;
    TField* src = mapping.FieldByName("src");
    for (mapping.First(); !mapping.Eof(); mapping.Next()) {
      if (SqlValueText(*src) != SqlValueTextOf(src->DataType(), oldValue)) continue;
      mapping.Edit();
      mapping.FieldByName("inf")->SetAsString(newValue);
      mapping.Post();
      return;
    }
    ADD_FAILURE() << "no current value «" << oldValue << "» in step 2";
  }

  MatrixServer* server_ = nullptr;
  const MatrixField* field_ = nullptr;
  std::string table_;
  std::string reference_;
  TConfirmHook previousConfirm_;
};

TEST_P(WizardMatrix, GenerateExecuteAndUndoAgreeWithTheServer) {
  const std::string before = MatrixDump(*server_, table_);
  OpenStep(1);
  Press(form_->ButtonRead);
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  ASSERT_GT(form_->TableM->RecordCount(), 0);
  // Each current value once: a NULL number, which reads as 0, is no second "0".
  std::set<std::string> shown;
  TField* src = form_->TableM->FieldByName("src");
  for (form_->TableM->First(); !form_->TableM->Eof(); form_->TableM->Next()) {
    EXPECT_TRUE(shown.insert(SqlValueText(*src)).second || field_->text)
        << "«" << SqlValueText(*src) << "» twice";
  }

  // Nothing mapped yet: the script is empty, whatever the field's type.
  OpenStep(2);
  Press(form_->ButtonGen);
  EXPECT_EQ(MemoLines(), std::vector<std::string>{});
  ASSERT_TRUE(messages_.empty()) << messages_.front();

  OpenStep(1);
  for (const auto& [oldValue, newValue] : field_->mapping) SetNewValue(oldValue, newValue);
  OpenStep(2);
  Press(form_->ButtonGen);
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_EQ(MemoLines().size(), field_->mapping.size())
      << form_->Memo1->toPlainText().toStdString();

  const std::string count = MatrixCount(*server_, *field_, table_);
  form_->Step3().RefreshPreview();
  EXPECT_EQ(form_->Step3().LabelTotal->text().toStdString(), "Σ " + count);

  const std::string expected = MatrixExpectedDump(*server_, *field_, table_);
  // Both ways of executing, each undone: all-or-nothing (one statement) and
  // line by line leave the very same table.
  std::string dumps[2];
  for (const bool whole : {true, false}) {
    messages_.clear();
    form_->Step3().CheckWhole->setChecked(whole);
    Press(form_->ButtonDo);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0],
              whole ? "Замена выполнена одним целым, изменено строк: " + count
                    : "Выполнено операторов: " + std::to_string(field_->mapping.size()) +
                          ", изменено записей: " + count + ".");
    dumps[whole] = MatrixDump(*server_, table_);
    EXPECT_EQ(dumps[whole], expected) << (whole ? "all or nothing" : "line by line");

    messages_.clear();
    Press(form_->Step3().ButtonUndo);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].rfind("Замена отменена", 0), 0u) << messages_[0];
    EXPECT_EQ(MatrixDump(*server_, table_), before);
  }
  EXPECT_EQ(dumps[0], dumps[1]);
}

INSTANTIATE_TEST_SUITE_P(Replace, WizardMatrix, ::testing::ValuesIn(MatrixCases(kWizardTypes)),
                         [](const ::testing::TestParamInfo<MatrixCase>& info) {
                           return CaseName(info.param);
                         });

}  // namespace
}  // namespace morvane::testing
