#include "transport/config.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

namespace morvane::transport {
namespace {

TEST(ConfigTest, SqliteSettingsResolveRelativePathsAgainstTheBaseFolder) {
  const DatabaseSetting relative = ParseDatabaseSetting(" sqlite:data/m.db ", "/opt/morvane");
  EXPECT_EQ(relative.kind, DatabaseSetting::Kind::kSqlite);
  EXPECT_EQ(relative.target, "/opt/morvane/data/m.db");
  EXPECT_EQ(ParseDatabaseSetting("sqlite:/var/m.db", "/opt").target, "/var/m.db");
}

TEST(ConfigTest, AnythingElseIsALibpqConnectionString) {
  for (const char* value : {"host=db1 dbname=stock", "postgresql://clerk@db1/stock"}) {
    const DatabaseSetting setting = ParseDatabaseSetting(value, "/opt");
    EXPECT_EQ(setting.kind, DatabaseSetting::Kind::kPostgres);
    EXPECT_EQ(setting.target, value);
  }
}

TEST(ConfigTest, IniValueIsFoundInItsSectionWithoutRegardToCase) {
  char name[] = "/tmp/netbrg-ini-XXXXXX";
  const int descriptor = mkstemp(name);
  ASSERT_GE(descriptor, 0);
  close(descriptor);
  std::ofstream(name) << "; settings\r\n[Other]\r\nDatabase=sqlite:wrong.db\r\n"
                         "[ server ]\r\n  database = host=db1 dbname=x \r\n";
  EXPECT_EQ(ReadIniValue(name, "Server", "Database"), "host=db1 dbname=x");
  EXPECT_EQ(ReadIniValue(name, "Server", "Missing"), "");
  EXPECT_EQ(ReadIniValue("/nonexistent/netbrg.ini", "Server", "Database"), "");
  std::remove(name);
}

}  // namespace
}  // namespace morvane::transport
