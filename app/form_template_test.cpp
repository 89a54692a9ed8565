#include "app/form_template.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/exceptions.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"

namespace morvane {
namespace {

// A query table that records what the form does to it.
struct RecordingTable {
  bool Active() const { return active; }
  void Open() {
    if (refuseOpen) throw EDatabaseError("Невозможно соединиться с сервером");
    active = true;
    ++opens;
  }
  void Close() {
    active = false;
    ++closes;
  }
  void SetIndexFieldNames(const std::string& names) { indexFieldNames = names; }
  void SetSQLText(const std::string& text) { sql = text; }

  bool active = false;
  bool refuseOpen = false;
  int opens = 0;
  int closes = 0;
  std::string indexFieldNames = "untouched";
  std::string sql = "untouched";
};

class FormTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetTitle("Morvane");
    previousHook_ = SetMessageBoxHook(
        [this](const std::string&, const std::string& text) { messages_.push_back(text); });
    commander_.Cfg.Load();  // no file there: the default setting
  }
  void TearDown() override { SetMessageBoxHook(std::move(previousHook_)); }

  TForm_Template1 form_;
  CMorvane commander_{"/nonexistent-dir"};
  std::vector<std::string> messages_;
  TMessageBoxHook previousHook_;
};

TEST_F(FormTemplateTest, OpenBuildsTheTextReopensTheTableAndSaysNothing) {
  RecordingTable table;
  table.active = true;
  EXPECT_TRUE(form_.DS_Open(&table, "Ident", &CMorvane::BuildSourceQuery, &commander_));
  EXPECT_EQ(table.closes, 1);
  EXPECT_EQ(table.opens, 1);
  EXPECT_EQ(table.indexFieldNames, "Ident");
  EXPECT_EQ(table.sql, "SELECT * FROM Units");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(FormTemplateTest, RefusingBuilderIsReportedAndTheTableLeftAlone) {
  RecordingTable table;
  commander_.Cfg.InfTbl.clear();
  EXPECT_FALSE(form_.DS_Open(&table, "Ident", &CMorvane::BuildSourceQuery, &commander_));
  EXPECT_EQ(messages_,
            std::vector<std::string>{"TForm_Template1::DS_Open :\r\n SQL string build error !"});
  EXPECT_EQ(table.sql, "untouched");
  EXPECT_EQ(table.opens, 0);
}

TEST_F(FormTemplateTest, TableThatDoesNotOpenIsReportedWithoutTheExceptionText) {
  RecordingTable table;
  table.refuseOpen = true;
  EXPECT_FALSE(form_.DS_Open(&table, "", &CMorvane::BuildMappingQuery, &commander_));
  EXPECT_EQ(messages_,
            std::vector<std::string>{"TForm_Template1::DS_Open :\r\n DataSet activated error !"});
  EXPECT_EQ(table.indexFieldNames, "");
  EXPECT_EQ(table.sql.rfind("SELECT Goods.Unit AS src", 0), 0u);
}

TEST_F(FormTemplateTest, NullTableDoesNothing) {
  RecordingTable* none = nullptr;
  form_.DS_SetQuery(none, "SELECT 1", "");
  form_.DS_Close(none);
  EXPECT_FALSE(form_.DS_OpenChecked(none));
  EXPECT_FALSE(form_.DS_Open(none, "", &CMorvane::BuildSourceQuery, &commander_));
  EXPECT_EQ(messages_.size(), 1u);  // the activation error
}

}  // namespace
}  // namespace morvane
