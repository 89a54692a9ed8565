#include "transport/demo_database.h"

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "transport/backend.h"
#include "transport/connection.h"

namespace morvane::transport {
namespace {

namespace fs = std::filesystem;

// A shared data folder with a two-table demo schema, and a database path in
// folders that do not exist yet.
class DemoDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("netbrg-demo-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
             std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "share");
    WriteScript("schema.sql", "CREATE TABLE Units (Ident VARCHAR(10) PRIMARY KEY);\n");
    WriteScript("data.sql", "INSERT INTO Units VALUES ('шт'), ('кг');\n");
    path_ = (root_ / "data/morvane/morvane.db").string();
  }
  void TearDown() override { fs::remove_all(root_); }

  void WriteScript(const char* name, const char* text) {
    std::ofstream(root_ / "share" / name) << text;
  }
  std::string DataFolder() const { return (root_ / "share").string(); }

  int UnitCount() const {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_exec(
          db, "SELECT count(*) FROM Units",
          [](void* target, int, char** values, char**) {
            *static_cast<int*>(target) = std::atoi(values[0]);
            return 0;
          },
          &count, nullptr);
    }
    sqlite3_close(db);
    return count;
  }
  // Everything in the database's folder: a failed creation leaves no file.
  int FilesBesideTheDatabase() const {
    const fs::path folder = fs::path(path_).parent_path();
    if (!fs::exists(folder)) return 0;
    return int(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  fs::path root_;
  std::string path_;
};

TEST_F(DemoDatabaseTest, MissingFileIsCreatedFromTheScriptsOnceAndThenLeftAlone) {
  EXPECT_TRUE(CreateDemoDatabaseIfMissing(path_, DataFolder()));
  EXPECT_EQ(UnitCount(), 2);
  EXPECT_EQ(FilesBesideTheDatabase(), 1) << "no temporary file or journal is left";
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::others_read, fs::perms::none);

  WriteScript("data.sql", "INSERT INTO Units VALUES ('т');\n");
  EXPECT_FALSE(CreateDemoDatabaseIfMissing(path_, DataFolder()));
  EXPECT_EQ(UnitCount(), 2) << "an existing database is never rebuilt";
}

TEST_F(DemoDatabaseTest, FailureSaysWhyAndLeavesNoDatabase) {
  const struct {
    const char* script;
    const char* text;  // nullptr: the script is missing
    const char* reason;
  } cases[] = {
      {"schema.sql", nullptr, "schema.sql"},
      {"data.sql", "INSERT INTO Missing VALUES (1);\n", "Missing"},
  };
  for (const auto& testCase : cases) {
    SetUp();
    if (testCase.text) {
      WriteScript(testCase.script, testCase.text);
    } else {
      fs::remove(root_ / "share" / testCase.script);
    }
    try {
      CreateDemoDatabaseIfMissing(path_, DataFolder());
      ADD_FAILURE() << testCase.script << ": no failure";
    } catch (const OpenFailure& failure) {
      EXPECT_EQ(failure.status, -2);
      EXPECT_NE(failure.message.find(path_), std::string::npos) << failure.message;
      EXPECT_NE(failure.message.find(testCase.reason), std::string::npos) << failure.message;
    }
    EXPECT_EQ(FilesBesideTheDatabase(), 0) << testCase.script;
  }
}

TEST_F(DemoDatabaseTest, InitCreatesTheDefaultDatabaseAndSaysWhereOnALineOfItsOwn) {
  DatabaseSetting setting{DatabaseSetting::Kind::kSqlite, path_, DataFolder()};
  Connection connection;
  const InitResult first = connection.Init(setting);
  EXPECT_EQ(first.status, 0) << first.text;
  EXPECT_EQ(first.text.substr(0, 5), "OK: 2");
  EXPECT_NE(first.text.find(std::string("\n") + kDemoDatabaseCreated + path_), std::string::npos)
      << first.text;

  const InitResult again = connection.Init(setting);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.text.find('\n'), std::string::npos) << "only the first start says so";

  // A setting without the demo folder never creates a file.
  fs::remove(path_);
  setting.demoDataFolder.clear();
  EXPECT_EQ(connection.Init(setting).status, -2);
  EXPECT_FALSE(fs::exists(path_));
}

}  // namespace
}  // namespace morvane::transport
