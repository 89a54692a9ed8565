// The data engine reads what the transport writes: replies of the demo
// database (SQLite) load into a TzelCursor with the expected field types,
// lengths and values.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "engine/cursor.h"
#include "platform/rtl/streams.h"
#include "tests/demo_db.h"
#include "tests/transport_client.h"

namespace morvane::testing {
namespace {

class TransportEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folderTemplate[] = "/tmp/morvane-engine-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
    ASSERT_TRUE(CreateEmptySqliteFile(folder_ + "/demo.db"));
    setenv("NETBRG_DATABASE", ("sqlite:" + folder_ + "/demo.db").c_str(), 1);
    ASSERT_EQ(client_.Init().status, 0);
    ASSERT_EQ(client_.Send(DemoSchemaSql() + DemoDataSql()).reply.status, 'S');
  }
  void TearDown() override {
    unsetenv("NETBRG_DATABASE");
    std::filesystem::remove_all(folder_);
  }

  // Loads the reply to `sql` into `cursor`; returns the reader's error text.
  std::string Load(const std::string& sql, TzelCursor& cursor) {
    TransportReply reply = client_.SendRaw(sql);
    std::vector<char> bytes(reply.data, reply.data + reply.length);
    client_.Free(reply.data);
    TMemoryStream stream(std::move(bytes));
    std::string errorText;
    cursor.LoadFromStream(stream, errorText);
    return errorText;
  }

  std::string folder_;
  TransportClient client_;
};

TEST_F(TransportEngineTest, EngineLoadsTheWizardsQueries) {
  TzelCursor units;
  ASSERT_EQ(Load("SELECT * FROM Units", units), "");
  EXPECT_EQ(units.GetRecordCount(), 34);
  ASSERT_EQ(units.GetFieldCount(), 4);
  EXPECT_EQ(units.GetFieldInfo(0)->TableName, "Units");
  EXPECT_EQ(units.GetFieldInfo(0)->Name, "Ident");
  EXPECT_EQ(units.GetFieldInfo(0)->FieldType, zftString);  // VARCHAR(10): 40 bytes
  EXPECT_EQ(units.GetFieldInfo(0)->Length, 40);
  EXPECT_EQ(units.GetFieldInfo(1)->FieldType, zftString);
  EXPECT_EQ(units.GetFieldInfo(1)->Length, 240);
  EXPECT_EQ(units.GetFieldInfo(2)->FieldType, zftInteger);
  EXPECT_EQ(units.GetFieldText(*units.GetFieldInfo(1), *units.GetData(0), false), "штука");

  TzelCursor mapping;
  ASSERT_EQ(Load("SELECT Goods.Unit AS src, Units.Ident AS inf\r\n FROM Goods INNER JOIN Units ON "
                 "Goods.Unit = Units.Ident\r\n WHERE Goods.Good='xxx'",
                 mapping),
            "");
  EXPECT_EQ(mapping.GetRecordCount(), 0);
  ASSERT_EQ(mapping.GetFieldCount(), 2);
  EXPECT_EQ(mapping.GetFieldInfo(0)->Name, "src");
  EXPECT_EQ(mapping.GetFieldInfo(0)->TableName, "XXX");
  EXPECT_EQ(mapping.GetFieldInfo(0)->Length, 80);
  EXPECT_EQ(mapping.GetFieldInfo(1)->Length, 40);
}

TEST_F(TransportEngineTest, EngineLoadsEveryTypeTheTransportWrites) {
  TzelCursor goods;
  ASSERT_EQ(Load("SELECT Good, Title, Unit, Created, Price, Active FROM Goods", goods), "");
  EXPECT_EQ(goods.GetRecordCount(), 70);
  const std::vector<TzelFieldType> types = {zftString, zftString, zftString,
                                            zftDate,   zftDouble, zftBoolean};
  ASSERT_EQ(goods.GetFieldCount(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(goods.GetFieldInfo(i)->FieldType, types[i]) << i;

  TzelCursor shapes;
  ASSERT_EQ(Load("SELECT CAST(5000000000 AS BIGINT) AS big, #10:20:30# AS t, "
                 "x'00ff' AS raw, printf('%.9000c', 'x') AS huge, NULL AS absent",
                 shapes),
            "");
  ASSERT_EQ(shapes.GetRecordCount(), 1);
  EXPECT_EQ(shapes.GetFieldInfo(0)->FieldType, zftDouble);
  EXPECT_EQ(shapes.GetFieldInfo(1)->FieldType, zftString);  // SQLite: a time literal is text
  EXPECT_EQ(shapes.GetFieldInfo(2)->FieldType, zftGraphic);
  EXPECT_EQ(shapes.GetFieldInfo(3)->FieldType, zftMemo);
}

}  // namespace
}  // namespace morvane::testing
