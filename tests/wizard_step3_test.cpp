// Step 3's additions on the demo database, SQLite, PostgreSQL and MariaDB
// (there on a database whose collation compares exactly, so that the
// client's `WHERE Unit = '...'` counts as the other clients do), checked
// with the back end's own client: the preview's counts, all-or-nothing with a
// failing fifth line, Cancel of a long all-or-nothing run, the guard of the
// undo against a row changed between reading and executing, the exact undo
// and its refusal after a concurrent change, a chain and a cycle, and the
// logged mapping replayed by morvane-data apply.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <cstdlib>

#include "app/step3_execution.h"
#include "platform/ui/confirm.h"
#include "tests/mariadb_environment.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "tests/pg_environment.h"
#include "tests/wizard_journey.h"

namespace morvane::testing {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);
const auto* const kMariaDbEnvironment =
    ::testing::AddGlobalTestEnvironment(new MariaDbEnvironment);
constexpr char kMariaDbDatabase[] = "morvane_step3";

constexpr char kGoodsDump[] =
    "SELECT Good || '|' || Title || '|' || COALESCE(Unit, '<NULL>') || '|' || "
    "COALESCE(CAST(Price AS VARCHAR(20)), '<NULL>') FROM Goods ORDER BY Good";

// The parameter names the back end: "SQLite", "PostgreSQL" or "MariaDB".
class WizardStep3Test : public WizardJourneyBase,
                        public ::testing::WithParamInterface<std::string> {
 protected:
  bool Postgres() const { return GetParam() == "PostgreSQL"; }
  bool MariaDb() const { return GetParam() == "MariaDB"; }
  // A server's database is made again in place; SQLite gets a new file.
  bool Server() const { return GetParam() != "SQLite"; }

  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("wizard-step3-db-" + std::to_string(getpid()) + "-" + GetParam());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    setenv("XDG_STATE_HOME", (folder_ / "state").c_str(), 1);
    const std::string script = std::string(MORVANE_SOURCE_DIR) + "/scripts/demo_db/make_demo_db.sh";
    if (MariaDb()) {
      std::string problem;
      mariadb_ = MariaDbEnvironment::Server(problem);
      if (mariadb_ == nullptr) GTEST_SKIP() << problem;
      ASSERT_TRUE(mariadb_->CreateDatabase(kMariaDbDatabase, "utf8mb4_nopad_bin"));
      database_ = mariadb_->Address(kMariaDbDatabase);
      ASSERT_EQ(MakeDemoDatabase(database_), 0);
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
    previousConfirm_ = SetConfirmHook([](const std::string&, const std::string&) { return true; });
    StartWizard();
  }
  void TearDown() override {
    StopWizard();
    SetConfirmHook(std::move(previousConfirm_));
    unsetenv("NETBRG_DATABASE");
    std::filesystem::remove_all(folder_);
  }

  // What the back end's own client answers, one line per row.
  std::vector<std::string> Client(const std::string& sql, const std::string& database = {}) {
    const std::string& target = database.empty() ? database_ : database;
    if (MariaDb()) {
      return CommandLines("mariadb --no-defaults --default-character-set=utf8mb4 -uroot -N -B "
                          "--socket=" +
                          ShellQuoted(mariadb_->Socket()) + " -D " + kMariaDbDatabase + " -e " +
                          ShellQuoted("SET sql_mode = 'PIPES_AS_CONCAT'; " + sql));
    }
    return CommandLines(Postgres() ? "psql -At " + ShellQuoted(target) + " -c " + ShellQuoted(sql)
                                   : "sqlite3 " + ShellQuoted(target) + " " + ShellQuoted(sql));
  }
  std::vector<std::string> Dump(const std::string& database = {}) {
    return Client(kGoodsDump, database);
  }
  int MakeDemoDatabase(const std::string& target) {
    const std::string script = std::string(MORVANE_SOURCE_DIR) + "/scripts/demo_db/make_demo_db.sh";
    const char* backEnd = MariaDb() ? " mariadb " : Postgres() ? " postgres " : " sqlite ";
    return std::system(("bash " + ShellQuoted(script) + backEnd +
                        ShellQuoted(target) + " > /dev/null")
                           .c_str());
  }
  std::string CountOf(const std::string& unit) {
    const std::vector<std::string> rows =
        Client("SELECT COUNT(*) FROM Goods WHERE Unit = '" + unit + "'");
    return rows.empty() ? "" : rows.front();
  }
  std::vector<std::string> GoodsWith(const std::string& unit) {
    return Client("SELECT Good FROM Goods WHERE Unit = '" + unit + "' ORDER BY Good");
  }
  // The new value of src's row, set in the mapping itself (the keyboard
  // journey tests the grid; here any value, allowed or not, is wanted).
  void SetNewValue(const std::string& src, const std::string& inf) {
    TzelTable& table = *form_->TableM;
    ASSERT_TRUE(table.Locate("src", Variant(src), {})) << src;
    table.Edit();
    table.FieldByName("inf")->SetAsString(inf);
    table.Post();
  }
  // Reads step 2, maps the pairs and generates step 3.
  void Generate(const std::vector<std::pair<std::string, std::string>>& pairs) {
    OpenStep(1);
    Press(form_->ButtonRead);
    for (const auto& [src, inf] : pairs) SetNewValue(src, inf);
    OpenStep(2);
    Press(form_->ButtonGen);
  }
  std::vector<std::string> MemoLines() {
    std::vector<std::string> lines;
    for (const QString& line : form_->Memo1->toPlainText().split('\n')) {
      lines.push_back(line.toStdString());
    }
    return lines;
  }
  std::vector<std::string> GutterLines() {
    std::vector<std::string> lines;
    for (const QString& line : form_->Step3().Gutter->toPlainText().split('\n')) {
      lines.push_back(line.toStdString());
    }
    return lines;
  }

  std::filesystem::path folder_;
  std::string database_;
  MariaDbServer* mariadb_ = nullptr;
  TConfirmHook previousConfirm_;
};

TEST_P(WizardStep3Test, PreviewCountsAsTheClientAndAFailingFifthLineChangesNothing) {
  Generate({{"шт.", "шт"}, {"Шт", "шт"}, {"КГ", "кг"}, {"Кг.", "кг"}});
  ASSERT_TRUE(messages_.empty()) << messages_.front();
  form_->Step3().RefreshPreview();
  const std::vector<std::string> lines = MemoLines();
  ASSERT_EQ(lines.size(), 4u);
  const std::vector<std::string> gutter = GutterLines();
  ASSERT_EQ(gutter.size(), 4u);
  int total = 0;
  for (size_t index = 0; index < lines.size(); ++index) {
    const size_t where = lines[index].rfind("= '");
    const std::string oldValue = lines[index].substr(where + 3, lines[index].size() - where - 4);
    EXPECT_EQ(gutter[index], CountOf(oldValue)) << lines[index];
    total += std::atoi(gutter[index].c_str());
  }
  EXPECT_EQ(form_->Step3().LabelTotal->text().toStdString(), "Σ " + std::to_string(total));

  const std::vector<std::string> before = Dump();
  form_->Memo1->appendPlainText("UPDATE Goods SET Unit = 'x' WHERE NoSuchColumn = 1");
  form_->Step3().CheckWhole->setChecked(true);
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Ошибка в строке 5"), std::string::npos) << messages_[0];
  EXPECT_EQ(Dump(), before);
  EXPECT_FALSE(form_->Step3().ButtonUndo->isEnabled());
}

TEST_P(WizardStep3Test, AfterARunTheGutterShowsTheRowsEachLineChanged) {
  Generate({{"шт.", "шт"}, {"Шт", "шт"}, {"КГ", "кг"}});
  const std::vector<std::string> lines = MemoLines();
  ASSERT_EQ(lines.size(), 3u);
  // What each line will change, as the client counts it beforehand.
  std::vector<std::string> expected;
  int total = 0;
  for (const std::string& line : lines) {
    const size_t where = line.rfind("= '");
    expected.push_back(CountOf(line.substr(where + 3, line.size() - where - 4)));
    total += std::atoi(expected.back().c_str());
  }
  ASSERT_GT(total, 0);
  Press(form_->ButtonDo);
  EXPECT_EQ(messages_, std::vector<std::string>{"Выполнено операторов: 3, изменено записей: " +
                                                std::to_string(total) + "."});
  EXPECT_EQ(GutterLines(), expected);
  EXPECT_EQ(form_->Step3().LabelTotal->text().toStdString(), "Σ " + std::to_string(total));
  // The counts stay: no refresh counts again what is left to change.
  QTest::qWait(800);
  EXPECT_EQ(GutterLines(), expected);

  // Edited, the script is previewed again: nothing is left to change.
  form_->Memo1->setPlainText(form_->Memo1->toPlainText());
  QTest::qWait(800);
  EXPECT_EQ(GutterLines(), (std::vector<std::string>{"0", "0", "0"}));
  EXPECT_EQ(form_->Step3().LabelTotal->text().toStdString(), "Σ 0");
}

TEST_P(WizardStep3Test, LineMarkedWithAHashIsRefusedByTheServerAndChangesNothing) {
  const std::vector<std::string> dotted = GoodsWith("шт.");
  const std::vector<std::string> capital = GoodsWith("Шт");
  ASSERT_FALSE(capital.empty());
  Generate({{"шт.", "шт"}, {"Шт", "шт"}});
  std::vector<std::string> lines = MemoLines();
  ASSERT_EQ(lines.size(), 2u);
  const size_t marked = lines[0].find("'Шт'") != std::string::npos ? 0 : 1;
  lines[marked] = "#" + lines[marked];
  form_->Memo1->setPlainText(QString::fromStdString(lines[0] + "\n" + lines[1]));
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_.size(), 1u);
  // MariaDB reads "#" as a comment of its own: the line runs as nothing
  // there. The other servers refuse it. Either way its rows stay.
  if (MariaDb()) {
    EXPECT_EQ(messages_[0].rfind("Выполнено операторов: 2", 0), 0u) << messages_[0];
  } else {
    EXPECT_EQ(messages_[0].substr(0, messages_[0].find("\r\n")),
              "Не выполнено операторов: 1 из 2.")
        << messages_[0];
    EXPECT_EQ(GutterLines()[marked], "—");
  }
  EXPECT_EQ(GoodsWith("Шт"), capital);
  EXPECT_TRUE(GoodsWith("шт.").empty());
  EXPECT_EQ(GutterLines()[1 - marked], std::to_string(dotted.size()));
}

TEST_P(WizardStep3Test, UndoRestoresEveryRowAndIsRefusedAfterAConcurrentChange) {
  const std::vector<std::string> before = Dump();
  const std::vector<std::string> spelled = GoodsWith("шт.");
  ASSERT_FALSE(spelled.empty());
  const int replaced = std::atoi(CountOf("шт.").c_str()) + std::atoi(CountOf("Шт").c_str());
  Generate({{"шт.", "шт"}, {"Шт", "шт"}});
  Press(form_->ButtonDo);  // line by line, as written
  EXPECT_EQ(messages_, std::vector<std::string>{"Выполнено операторов: 2, изменено записей: " +
                                                std::to_string(replaced) + "."});
  EXPECT_NE(Dump(), before);
  messages_.clear();
  Press(form_->Step3().ButtonUndo);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Замена отменена", 0), 0u) << messages_[0];
  EXPECT_EQ(Dump(), before);
  EXPECT_FALSE(form_->Step3().ButtonUndo->isEnabled());

  messages_.clear();
  form_->Step3().CheckWhole->setChecked(true);
  Press(form_->ButtonGen);
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Замена выполнена одним целым", 0), 0u) << messages_[0];
  // Another session changes one of the replaced rows.
  Client("UPDATE Goods SET Unit = 'changed' WHERE Good = '" + spelled.front() + "'");
  const std::vector<std::string> changed = Dump();
  messages_.clear();
  Press(form_->Step3().ButtonUndo);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Отмена невозможна"), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find(spelled.front()), std::string::npos) << messages_[0];
  EXPECT_EQ(Dump(), changed);
}

TEST_P(WizardStep3Test, ChainEndsAsMappedAndACycleIsRefused) {
  const std::vector<std::string> dotted = GoodsWith("шт.");
  const std::vector<std::string> capital = GoodsWith("Шт");
  ASSERT_FALSE(dotted.empty());
  ASSERT_FALSE(capital.empty());
  const std::vector<std::string> plain = GoodsWith("шт");
  Generate({{"шт.", "Шт"}, {"Шт", "шт"}});
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(GoodsWith("Шт"), dotted);
  std::vector<std::string> expected = plain;
  expected.insert(expected.end(), capital.begin(), capital.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(GoodsWith("шт"), expected);

  messages_.clear();
  const std::vector<std::string> before = Dump();
  Generate({{"КГ", "Кг."}, {"Кг.", "КГ"}});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("«КГ»"), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find("«Кг.»"), std::string::npos) << messages_[0];
  EXPECT_TRUE(form_->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(Dump(), before);
}

TEST_P(WizardStep3Test, LoggedMappingReplayedOnAFreshCopyGivesTheSameTable) {
  const int changed = std::atoi(CountOf("шт.").c_str()) + std::atoi(CountOf("Шт").c_str()) +
                      std::atoi(CountOf("КГ").c_str());
  Generate({{"шт.", "шт"}, {"Шт", "шт"}, {"КГ", "кг"}});
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_, std::vector<std::string>{"Выполнено операторов: 3, изменено записей: " +
                                                std::to_string(changed) + "."});
  const std::vector<std::string> after = Dump();
  std::vector<std::filesystem::path> mappings;
  for (const auto& entry : std::filesystem::directory_iterator(folder_ / "state" / "morvane")) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 12 && name.compare(name.size() - 12, 12, "-mapping.tsv") == 0) {
      mappings.push_back(entry.path());
    }
  }
  ASSERT_EQ(mappings.size(), 1u);

  // A fresh copy: another file for SQLite, the same database made again on
  // a server (the wizard's connection is idle).
  const std::string fresh = Server() ? database_ : (folder_ / "fresh.db").string();
  ASSERT_EQ(MakeDemoDatabase(fresh), 0);
  ASSERT_NE(Dump(fresh), after);
  const std::string connection = Server() ? fresh : "sqlite:" + fresh;
  const std::string command = "NETBRG_DATABASE=" + ShellQuoted(connection) + " " +
                              ShellQuoted(MORVANE_DATA_PATH) + " apply " +
                              ShellQuoted(mappings.front().string()) +
                              " --table Goods --field Unit --execute > /dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(Dump(fresh), after);
}

TEST_P(WizardStep3Test, CancelAfterAnyStatementOfALongAllOrNothingRunChangesNothing) {
  const std::vector<std::string> goods = Client("SELECT Good FROM Goods ORDER BY Good");
  ASSERT_GT(goods.size(), 10u);
  const size_t lines = TStep3Execution::kProgressFrom + 50;
  std::string script;
  for (size_t line = 0; line < lines; ++line) {
    script += "UPDATE Goods SET Unit = 'u" + std::to_string(line) + "' WHERE Good = '" +
              goods[line % goods.size()] + "'\n";
  }
  OpenStep(2);
  form_->Memo1->setPlainText(QString::fromStdString(script));
  form_->Step3().CheckWhole->setChecked(true);
  const std::vector<std::string> before = Dump();
  for (const int cancelAfter : {1, 200, int(lines)}) {
    messages_.clear();
    // Pressed from the event processing between two statements, when the
    // bar has reached the statement.
    QProgressBar* bar = form_->Step3().Progress;
    const QMetaObject::Connection pressing =
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
          if (value == cancelAfter) form_->Step3().ButtonCancel->click();
        });
    form_->ButtonDo->setEnabled(true);
    Press(form_->ButtonDo);
    QObject::disconnect(pressing);
    EXPECT_EQ(messages_, std::vector<std::string>{"Выполнение отменено: ничего не изменено"})
        << cancelAfter;
    EXPECT_EQ(Dump(), before) << cancelAfter;
  }
  // The connection goes on: the same run, not cancelled, takes effect.
  messages_.clear();
  Press(form_->ButtonDo);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Замена выполнена одним целым, изменено строк: " + std::to_string(lines));
  const size_t last = lines - 1;
  EXPECT_EQ(Client("SELECT Unit FROM Goods WHERE Good = '" + goods[last % goods.size()] + "'"),
            std::vector<std::string>{"u" + std::to_string(last)});
}

TEST_P(WizardStep3Test, RowChangedBetweenReadingAndExecutingStopsTheWholeRunBeforeItsCommit) {
  const std::vector<std::string> dotted = GoodsWith("шт.");
  const std::vector<std::string> kg = GoodsWith("кг");
  ASSERT_FALSE(dotted.empty());
  ASSERT_FALSE(kg.empty());
  CMorvane& commander = *form_->AppCommander();
  ReplacementPlan plan;
  std::string error;
  ASSERT_TRUE(TryBuildReplacementPlan(commander.Cfg, commander.Period,
                                      {{"шт.", "шт", 1}, {"Шт", "шт", 2}}, plan, error))
      << error;
  ASSERT_FALSE(commander.Cfg.SUnFld.empty());
  ReplacementRunOptions options;
  options.allOrNothing = true;
  options.logFolder = (folder_ / "state").string();
  // Another session gives a row a mapped value, or takes one away: the
  // message names that row.
  const std::pair<std::string, std::string> concurrentChanges[] = {
      {"UPDATE Goods SET Unit = 'Шт' WHERE Good = '" + kg.front() + "'", kg.front()},
      {"UPDATE Goods SET Unit = 'другое' WHERE Good = '" + dotted.front() + "'", dotted.front()}};
  for (const auto& concurrent : concurrentChanges) {
    // Named references, not a structured binding: the lambda captures them.
    const std::string& change = concurrent.first;
    const std::string& key = concurrent.second;
    std::vector<std::string> changed;
    options.afterCapture = [&] {
      Client(change);
      changed = Dump();
    };
    const ReplacementRun run = RunReplacement(commander.Cfg, commander.Period, plan, options);
    EXPECT_FALSE(run.result.applied) << change;
    EXPECT_TRUE(run.changedSinceRead) << change;
    EXPECT_EQ(run.result.message, replacemsg::ChangedRowSinceRead(key));
    EXPECT_TRUE(run.files.undo.empty()) << change;
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(Dump(), changed) << change;
  }

  // Nothing in between: the run applies and its undo is exact.
  options.afterCapture = {};
  const std::vector<std::string> before = Dump();
  const ReplacementRun run = RunReplacement(commander.Cfg, commander.Period, plan, options);
  ASSERT_TRUE(run.result.applied) << run.result.message;
  EXPECT_FALSE(run.changedSinceRead);
  EXPECT_TRUE(run.undoExact);
  EXPECT_TRUE(GoodsWith("шт.").empty());
  ASSERT_FALSE(run.files.undo.empty());
  const ExecutionResult undone = RunUndoFile(run.files.undo, options.logFolder);
  ASSERT_TRUE(undone.applied) << undone.message;
  EXPECT_EQ(Dump(), before);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, WizardStep3Test,
                         ::testing::Values("SQLite", "PostgreSQL", "MariaDB"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace morvane::testing
