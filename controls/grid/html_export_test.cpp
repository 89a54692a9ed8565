#include "controls/grid/html_export.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "controls/grid/db_grid.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/testing/memory_dataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/testing/temp_path.h"
#include "platform/ui/cursor.h"

namespace morvane {
namespace {

using testing::TMemoryDataSet;
using testing_support::TestTempPath;

std::string ReadFile(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

void WriteFile(const std::string& fileName, const std::string& contents) {
  std::ofstream(fileName, std::ios::binary) << contents;
}

// A dataset of ID (integer), NAME (string), AMOUNT (float) and NOTE (memo).
class HtmlExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings().DecimalSeparator = ',';
    dataSet_.FieldDefs().Add("ID", ftInteger);
    dataSet_.FieldDefs().Add("NAME", ftString, 40);
    dataSet_.FieldDefs().Add("AMOUNT", ftFloat);
    dataSet_.FieldDefs().Add("NOTE", ftMemo);
    dataSet_.Open();
  }
  void TearDown() override { std::filesystem::remove(fileName_); }

  void Append(int id, const std::string& name, double amount, const std::string& note) {
    dataSet_.AppendRecord({Variant(int32_t(id)), Variant(name), Variant(amount), Variant(note)});
  }
  HtmlExportColumn Column(const std::string& fieldName) {
    HtmlExportColumn column;
    column.field = dataSet_.FieldByName(fieldName);
    column.caption = column.field->DisplayName();
    column.alignment = column.field->Alignment();
    return column;
  }
  std::vector<HtmlExportColumn> AllColumns() {
    return {Column("ID"), Column("NAME"), Column("AMOUNT"), Column("NOTE")};
  }
  std::string Export(const std::vector<HtmlExportColumn>& columns, const std::string& totals) {
    WriteHtmlExport(dataSet_, columns, fileName_, "Goods", "<h1>Head</h1>", "<p>Foot</p>", totals);
    return ReadFile(fileName_);
  }
  // The totals row: the lines after the last record's "</tr>".
  std::string TotalsRow(const std::string& html) {
    const size_t start = html.rfind("<tr>");
    return html.substr(start, html.find("</tr>", start) + 5 - start);
  }

  FormatSettingsScope settings_;
  TMemoryDataSet dataSet_;
  std::string fileName_ = TestTempPath("export") + ".html";
};

TEST_F(HtmlExportTest, TextsAreEscapedWhileHeaderAndFooterStayMarkup) {
  Append(1, "<b>Bolts</b> & \"nuts\"", 1.5, "first line\r\nsecond & last\nthird");
  Append(2, "", 2, "");
  std::vector<HtmlExportColumn> columns = AllColumns();
  columns[1].caption = "Name <\"unit\">";
  WriteHtmlExport(dataSet_, columns, fileName_, "Stock & <prices>", "<h1>Head</h1>", "<p>Foot</p>",
                  "");
  const std::string html = ReadFile(fileName_);

  const std::string expected =
      "<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<title>Stock &amp; &lt;prices&gt;</title>\r\n</head>\r\n<body>\r\n<h1>Head</h1>\r\n"
      "<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\" width=100%>\r\n"
      "<tr>\r\n<th bgcolor=\"#C0C0C0\">ID</th>\r\n"
      "<th bgcolor=\"#C0C0C0\">Name &lt;&quot;unit&quot;&gt;</th>\r\n"
      "<th bgcolor=\"#C0C0C0\">AMOUNT</th>\r\n<th bgcolor=\"#C0C0C0\">NOTE</th>\r\n</tr>\r\n"
      "<tr>\r\n<td align=right>1</td>\r\n"
      "<td>&lt;b&gt;Bolts&lt;/b&gt; &amp; &quot;nuts&quot;</td>\r\n"
      "<td align=right>1,5</td>\r\n"
      "<td>first line<br>second &amp; last<br>third</td>\r\n</tr>\r\n"
      "<tr>\r\n<td align=right>2</td>\r\n<td>&nbsp;</td>\r\n<td align=right>2</td>\r\n"
      "<td>&nbsp;</td>\r\n</tr>\r\n"
      "</table>\r\n<p>Foot</p>\r\n</body>\r\n</html>\r\n";
  EXPECT_EQ(html, expected);
}

TEST_F(HtmlExportTest, TotalsUseTheFieldsDisplayFormatOrTheDefault) {
  Append(1, "a", 1, "");
  Append(2, "b", 2, "");
  EXPECT_EQ(TotalsRow(Export(AllColumns(), "AMOUNT;ID")),
            "<tr>\r\n<td align=right><b>3</b></td>\r\n<td>&nbsp;</td>\r\n"
            "<td align=right><b>3</b></td>\r\n<td>&nbsp;</td>\r\n</tr>");

  static_cast<TNumericField*>(dataSet_.FieldByName("AMOUNT"))->SetDisplayFormat("0.00 \"<kg>\"");
  EXPECT_NE(Export(AllColumns(), "amount").find("<td align=right><b>3,00 &lt;kg&gt;</b></td>"),
            std::string::npos);
}

TEST_F(HtmlExportTest, EmptyDatasetGivesTheTitlesAndZeroTotals) {
  const std::string html = Export({Column("NAME"), Column("AMOUNT")}, "AMOUNT");
  EXPECT_NE(html.find("<th bgcolor=\"#C0C0C0\">AMOUNT</th>\r\n</tr>\r\n<tr>\r\n<td>&nbsp;</td>"),
            std::string::npos);
  EXPECT_EQ(TotalsRow(html), "<tr>\r\n<td>&nbsp;</td>\r\n<td align=right><b>0</b></td>\r\n</tr>");
}

TEST_F(HtmlExportTest, ExportLeavesTheCurrentRecordAndCursorAsTheyWere) {
  for (int id = 1; id <= 5; ++id) Append(id, "row", id, "");
  dataSet_.Locate("ID", Variant(int32_t(3)), {});
  Export(AllColumns(), "");
  EXPECT_EQ(dataSet_.FieldByName("ID")->AsInteger(), 3);
  EXPECT_FALSE(dataSet_.ControlsDisabled());
  EXPECT_EQ(ScreenCursor(), TCursor::crDefault);
}

TEST_F(HtmlExportTest, FailuresRestoreEverythingAndKeepTheOldFile) {
  for (int id = 1; id <= 3; ++id) Append(id, "row", id, "");
  dataSet_.Locate("ID", Variant(int32_t(2)), {});
  WriteFile(fileName_, "old export");

  std::vector<HtmlExportColumn> failingColumns = AllColumns();
  failingColumns[1].cellText = [this]() -> std::string {
    if (dataSet_.FieldByName("ID")->AsInteger() == 3) throw EDatabaseError("lookup failed");
    return "x";
  };
  const struct {
    const char* name;
    std::function<void()> exportCall;
    std::string message;
  } failures[] = {
      {"unknown total field",
       [&] { WriteHtmlExport(dataSet_, AllColumns(), fileName_, "", "", "", "ID;PRICE"); },
       "Field 'PRICE' not found"},
      {"cell text failing midway",
       [&] { WriteHtmlExport(dataSet_, failingColumns, fileName_, "", "", "", ""); },
       "lookup failed"},
      {"file that cannot be created",
       [&] {
         WriteHtmlExport(dataSet_, AllColumns(), fileName_ + ".missing/export.html", "", "", "",
                         "");
       },
       "Cannot create file " + fileName_ + ".missing/export.html"},
  };
  for (const auto& failure : failures) {
    try {
      failure.exportCall();
      ADD_FAILURE() << failure.name << ": no error";
    } catch (const Exception& error) {
      EXPECT_NE(std::string(error.what()).find(failure.message), std::string::npos)
          << failure.name << ": " << error.what();
    }
    EXPECT_EQ(dataSet_.FieldByName("ID")->AsInteger(), 2) << failure.name;
    EXPECT_FALSE(dataSet_.ControlsDisabled()) << failure.name;
    EXPECT_EQ(ScreenCursor(), TCursor::crDefault) << failure.name;
    EXPECT_EQ(ReadFile(fileName_), "old export") << failure.name;
  }
}

// A grid over ID, NAME, UNIT (a key of the lookup dataset of units) and
// AMOUNT, with the columns ID (hidden), NAME, UNIT (lookup) and AMOUNT.
class GridHtmlExportTest : public HtmlExportTest {
 protected:
  void SetUp() override {
    FormatSettings().DecimalSeparator = ',';
    dataSet_.FieldDefs().Add("ID", ftInteger);
    dataSet_.FieldDefs().Add("NAME", ftString, 40);
    dataSet_.FieldDefs().Add("UNIT", ftString, 10);
    dataSet_.FieldDefs().Add("AMOUNT", ftFloat);
    dataSet_.Open();
    dataSet_.AppendRecord({Variant(int32_t(1)), Variant("Болт"), Variant("pc"), Variant(1.0)});
    dataSet_.AppendRecord({Variant(int32_t(2)), Variant("Гайка"), Variant("kg"), Variant(2.0)});
    dataSet_.AppendRecord({Variant(int32_t(3)), Variant("Шайба"), Variant("zz"), Variant(4.0)});
    units_.FieldDefs().Add("CODE", ftString, 10);
    units_.FieldDefs().Add("TITLE", ftString, 40);
    units_.Open();
    units_.AppendRecord({Variant("pc"), Variant("штука")});
    units_.AppendRecord({Variant("kg"), Variant("кило<грамм>")});

    source_.SetDataSet(&dataSet_);
    grid_.SetDataSource(&source_);
    grid_.Columns().SetState(csCustomized);  // stored columns, one per field
    ASSERT_EQ(grid_.Columns().Count(), 4);
    grid_.Columns()[0]->SetVisible(false);
    TzelColumn* unit = grid_.Columns()[2];
    unit->Title()->SetCaption("Unit & kind");
    unit->SetButtonStyle(cbsLookup);
    unit->SetLookupDataSet(&units_);
    unit->SetLookupKeyField("UNIT");
    unit->SetLookupLinkField("CODE");
    unit->SetLookupDropDownFields("TITLE");
  }

  TMemoryDataSet units_;
  TDataSource source_;
  TzelDBGrid grid_;
};

TEST_F(GridHtmlExportTest, ExportShowsVisibleColumnsAsTheGridPaintsThem) {
  dataSet_.Locate("ID", Variant(int32_t(2)), {});
  ExportToHTML(grid_, fileName_, "Goods", "", "", "ID;AMOUNT", false);
  const std::string html = ReadFile(fileName_);

  EXPECT_NE(html.find("<tr>\r\n<th bgcolor=\"#C0C0C0\">NAME</th>\r\n"
                      "<th bgcolor=\"#C0C0C0\">Unit &amp; kind</th>\r\n"
                      "<th bgcolor=\"#C0C0C0\">AMOUNT</th>\r\n</tr>"),
            std::string::npos);
  // Lookup cells show the unit's title; a key without a match shows itself.
  EXPECT_NE(html.find("<td>Болт</td>\r\n<td>штука</td>\r\n<td align=right>1</td>"),
            std::string::npos);
  EXPECT_NE(html.find("<td>кило&lt;грамм&gt;</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>zz</td>"), std::string::npos);
  // The hidden ID column is totalled but has no cell anywhere.
  EXPECT_EQ(TotalsRow(html),
            "<tr>\r\n<td>&nbsp;</td>\r\n<td>&nbsp;</td>\r\n"
            "<td align=right><b>7</b></td>\r\n</tr>");
  EXPECT_EQ(html.find(">ID<"), std::string::npos);
  EXPECT_EQ(html.find("<td align=right>2</td>\r\n<td>Гайка"), std::string::npos);
  EXPECT_EQ(dataSet_.FieldByName("ID")->AsInteger(), 2);
}

TEST_F(GridHtmlExportTest, InactiveLinkWritesNothing) {
  dataSet_.Close();
  ExportToHTML(grid_, fileName_, "Goods", "", "", "", false);
  EXPECT_FALSE(std::filesystem::exists(fileName_));
}

TEST_F(GridHtmlExportTest, OpenHandsTheWrittenFileToTheDesktopOnlyWhenAsked) {
  QTextBrowser handler;  // any object with a slot taking a QUrl stands in for the desktop
  QDesktopServices::setUrlHandler("file", &handler, "setSource");
  ExportToHTML(grid_, fileName_, "Goods", "", "", "", false);
  EXPECT_TRUE(handler.source().isEmpty());
  ExportToHTML(grid_, fileName_, "Goods", "", "", "", true);
  QDesktopServices::unsetUrlHandler("file");
  EXPECT_EQ(handler.source(), QUrl::fromLocalFile(QString::fromStdString(fileName_)));
}

TEST(OpenWithDesktopTest, HandsTheFileToTheDesktopsHandler) {
  const std::string fileName = TestTempPath("open") + ".html";
  WriteFile(fileName, "<html><body>report</body></html>");
  QTextBrowser handler;  // any object with a slot taking a QUrl stands in for the desktop
  QDesktopServices::setUrlHandler("file", &handler, "setSource");
  OpenWithDesktop(fileName);
  QDesktopServices::unsetUrlHandler("file");
  std::filesystem::remove(fileName);
  EXPECT_EQ(handler.source(), QUrl::fromLocalFile(QString::fromStdString(fileName)));
}

}  // namespace
}  // namespace morvane
