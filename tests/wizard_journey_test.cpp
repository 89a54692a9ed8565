// The wizard's whole job on the demo database, SQLite, PostgreSQL and
// MariaDB (the last with the server's default collation, which ignores case:
// the wizard must still tell "Шт" from "шт").
#include <algorithm>
#include <cstdlib>

#include "tests/mariadb_environment.h"
#include "tests/pg_environment.h"
#include "tests/wizard_journey.h"

namespace morvane::testing {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);
const auto* const kMariaDbEnvironment =
    ::testing::AddGlobalTestEnvironment(new MariaDbEnvironment);

constexpr char kGoodsRows[] =
    "SELECT Good || '=' || COALESCE(Unit, '<NULL>') FROM Goods ORDER BY Good";

// How many of the rows (one line each, same order) differ.
size_t Differences(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  size_t count = 0;
  for (size_t index = 0; index < before.size() && index < after.size(); ++index) {
    if (before[index] != after[index]) ++count;
  }
  return count;
}

// The parameter names the back end: "SQLite", "PostgreSQL" or "MariaDB".
class WizardJourneyTest : public WizardJourneyBase,
                          public ::testing::WithParamInterface<std::string> {
 protected:
  bool Postgres() const { return GetParam() == "PostgreSQL"; }
  bool MariaDb() const { return GetParam() == "MariaDB"; }

  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("wizard-journey-db-" + std::to_string(getpid()) + "-" + GetParam());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    const std::string script = std::string(MORVANE_SOURCE_DIR) + "/scripts/demo_db/make_demo_db.sh";
    if (MariaDb()) {
      std::string problem;
      mariadb_ = MariaDbEnvironment::Server(problem);
      if (mariadb_ == nullptr) GTEST_SKIP() << problem;
      database_ = mariadb_->Address();
      ASSERT_EQ(std::system(("bash " + ShellQuoted(script) + " mariadb " + ShellQuoted(database_) +
                             " > /dev/null")
                                .c_str()),
                0);
      setenv("NETBRG_DATABASE", database_.c_str(), 1);
    } else if (Postgres()) {
      std::string problem;
      PostgresServer* server = PostgresEnvironment::Server(problem);
      if (server == nullptr) GTEST_SKIP() << problem;
      database_ = server->ConnectionInfo();
      ASSERT_EQ(std::system(("bash " + ShellQuoted(script) + " postgres " + ShellQuoted(database_) +
                             " > /dev/null")
                                .c_str()),
                0);
      setenv("NETBRG_DATABASE", database_.c_str(), 1);
    } else {
      database_ = (folder_ / "demo.db").string();
      ASSERT_EQ(std::system(("bash " + ShellQuoted(script) + " sqlite " + ShellQuoted(database_) +
                             " > /dev/null")
                                .c_str()),
                0);
      setenv("NETBRG_DATABASE", ("sqlite:" + database_).c_str(), 1);
    }
    StartWizard();
  }
  void TearDown() override {
    StopWizard();
    unsetenv("NETBRG_DATABASE");
    std::filesystem::remove_all(folder_);
  }

  // Rows of a query through the back end's own client, never through the
  // program.
  std::vector<std::string> ClientLines(const std::string& query) {
    if (MariaDb()) {
      return CommandLines("mariadb --no-defaults --default-character-set=utf8mb4 -uroot -N -B "
                          "--socket=" +
                          ShellQuoted(mariadb_->Socket()) + " -D morvane -e " +
                          ShellQuoted("SET sql_mode = 'PIPES_AS_CONCAT'; " + query));
    }
    return CommandLines(Postgres()
                            ? "psql -At " + ShellQuoted(database_) + " -c " + ShellQuoted(query)
                            : "sqlite3 " + ShellQuoted(database_) + " " + ShellQuoted(query));
  }
  std::vector<std::string> ClientRows() { return ClientLines(kGoodsRows); }

  std::filesystem::path folder_;
  std::string database_;
  MariaDbServer* mariadb_ = nullptr;
};

TEST_P(WizardJourneyTest, MapsTwoSpellingsToTheAllowedValueAndChangesNothingElse) {
  const std::vector<std::string> before = ClientRows();
  ASSERT_EQ(before.size(), 70u);

  OpenStep(1);
  Press(form_->ButtonRead);
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_GT(form_->TableM->RecordCount(), 50);
  ChooseNewValue("шт.", "шту", /*byMouse=*/false);  // "штука", the name of "шт"
  ChooseNewValue("Шт", "шту", /*byMouse=*/true);

  OpenStep(2);
  Press(form_->ButtonGen);
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  // One line per mapped value, in the order the server listed the values.
  QStringList lines = form_->Memo1->toPlainText().split('\n');
  lines.sort();
  EXPECT_EQ(lines.join('\n').toStdString(),
            "UPDATE Goods SET Goods.Unit = 'шт' WHERE Goods.Unit = 'Шт'\n"
            "UPDATE Goods SET Goods.Unit = 'шт' WHERE Goods.Unit = 'шт.'");
  Press(form_->ButtonDo);
  const std::vector<std::string> expected = ChangedRows(before);
  EXPECT_EQ(messages_,
            std::vector<std::string>{"Выполнено операторов: 2, изменено записей: " +
                                     std::to_string(Differences(before, expected)) + "."});

  EXPECT_EQ(ClientRows(), expected);

  // Reading again shows the result: the two spellings are gone.
  messages_.clear();
  OpenStep(1);
  Press(form_->ButtonRead);
  EXPECT_FALSE(form_->TableM->Locate("src", Variant("шт."), {}));
  EXPECT_FALSE(form_->TableM->Locate("src", Variant("Шт"), {}));
  EXPECT_TRUE(form_->TableM->Locate("src", Variant("шт"), {}));
  EXPECT_EQ(form_->TableM->FieldByName("inf")->AsString(), "шт");
}

TEST_P(WizardJourneyTest, RejectedLineIsReportedAndTheOthersStillRun) {
  const std::vector<std::string> before = ClientRows();
  OpenStep(2);
  form_->Memo1->setPlainText(
      "UPDATE Goods SET Goods.Unit = 'шт' WHERE Goods.Unit = 'шт.'\n"
      "UPDATE NoSuchTable SET x = 1\n"
      "UPDATE Goods SET Goods.Unit = 'шт' WHERE Goods.Unit = 'Шт'");
  form_->ButtonDo->setEnabled(true);
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].substr(0, messages_[0].find("\r\n")), "Не выполнено операторов: 1 из 3.");
  EXPECT_NE(messages_[0].find("Строки: 2."), std::string::npos) << messages_[0];
  EXPECT_EQ(ClientRows(), ChangedRows(before));
}

TEST_P(WizardJourneyTest, AcceptedSuggestionsLeaveOnlyAllowedValuesInTheSuggestedRows) {
  StopWizard();
  StartWizard("[Wizard]\r\nCounts=1\r\nSuggestions=1\r\n");
  const std::vector<std::string> before = ClientRows();
  OpenStep(1);
  Press(form_->ButtonRead);
  const TValueSuggestions suggestions = form_->Suggestions();
  EXPECT_GT(suggestions.size(), 30u);
  Press(form_->ButtonAccept);
  OpenStep(2);
  Press(form_->ButtonGen);
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_.size(), 1u);
  const std::vector<std::string> after = ClientRows();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(messages_[0], "Выполнено операторов: " + std::to_string(suggestions.size()) +
                              ", изменено записей: " + std::to_string(Differences(before, after)) +
                              ".");
  const std::vector<std::string> allowed = ClientLines("SELECT Ident FROM Units");
  for (size_t index = 0; index < before.size(); ++index) {
    const std::string good = before[index].substr(0, before[index].find('='));
    const std::string oldUnit = before[index].substr(good.size() + 1);
    const std::string newUnit = after[index].substr(good.size() + 1);
    const auto suggested = suggestions.find(oldUnit);
    if (suggested == suggestions.end()) {
      EXPECT_EQ(newUnit, oldUnit) << good;
      continue;
    }
    EXPECT_EQ(newUnit, suggested->second) << good;
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), newUnit), allowed.end()) << newUnit;
  }
}

INSTANTIATE_TEST_SUITE_P(BackEnds, WizardJourneyTest,
                         ::testing::Values("SQLite", "PostgreSQL", "MariaDB"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace morvane::testing
