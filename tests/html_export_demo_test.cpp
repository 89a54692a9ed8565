// The grid's HTML export of the demo Goods table, read back by a real HTML parser:
// a browser's DOM (chromium --headless --dump-dom) when chromium is installed,
// else python3's html.parser. Every row must come back with one cell per
// column, and texts holding markup must come back as text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/grid/db_grid.h"
#include "controls/grid/html_export.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/rtl/format.h"
#include "platform/rtl/testing/temp_path.h"
#include "server/table.h"
#include "tests/session_fixture.h"

namespace morvane::testing {
namespace {

using testing_support::TestTempPath;

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> Capture(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return std::nullopt;
  std::string output;
  char chunk[4096];
  while (size_t read = fread(chunk, 1, sizeof chunk, pipe.get())) output.append(chunk, read);
  if (pclose(pipe.release()) != 0) return std::nullopt;
  return output;
}

bool HasCommand(const std::string& name) {
  return Capture("command -v " + name + " >/dev/null 2>&1").has_value();
}

// What a parser saw: the document title, and the cells of each table row.
struct ParsedTable {
  std::string title;
  std::vector<std::vector<std::string>> rows;
};

// Reads the summary both parsers print: "title\t<text>" once, then one line
// per row, "row" followed by a tab and the text of each cell.
ParsedTable ReadSummary(const std::string& summary) {
  ParsedTable table;
  size_t start = 0;
  while (start < summary.size()) {
    size_t end = summary.find('\n', start);
    if (end == std::string::npos) end = summary.size();
    std::vector<std::string> parts;
    for (size_t from = start;;) {
      size_t tab = summary.find('\t', from);
      if (tab == std::string::npos || tab > end) tab = end;
      parts.push_back(summary.substr(from, tab - from));
      if (tab == end) break;
      from = tab + 1;
    }
    if (parts[0] == "title" && parts.size() > 1) table.title = parts[1];
    if (parts[0] == "row") table.rows.emplace_back(parts.begin() + 1, parts.end());
    start = end + 1;
  }
  return table;
}

// Walks the document with python3's html.parser and prints the summary:
// texts decoded, a <br> as a line break "\n" (written as the two characters).
constexpr const char* kSummaryScript = R"PY(
import sys
from html.parser import HTMLParser

class Summary(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.title = None
        self.rows = []
        self.cell = None
        self.in_title = False
    def handle_starttag(self, tag, attrs):
        if tag == "title": self.in_title = True; self.title = ""
        elif tag == "tr": self.rows.append([])
        elif tag in ("td", "th"): self.cell = ""
        elif tag == "br" and self.cell is not None: self.cell += "\\n"
    def handle_endtag(self, tag):
        if tag == "title": self.in_title = False
        elif tag in ("td", "th"): self.rows[-1].append(self.cell.strip()); self.cell = None
    def handle_data(self, data):
        if self.in_title: self.title += data
        elif self.cell is not None: self.cell += data

parser = Summary()
parser.feed(open(sys.argv[1], encoding="utf-8").read())
parser.close()
print("title\t" + parser.title)
for row in parser.rows:
    print("\t".join(["row"] + [cell.replace("\u00a0", "") for cell in row]))
)PY";

class HtmlExportDemoTest : public SessionFixture {
 protected:
  void SetUp() override { StartSessionOnDemoSqliteFile(); }
  void TearDown() override {
    StopSession();
    for (const std::string& file : {fileName_, domFile_, scriptFile_})
      std::filesystem::remove(file);
  }

  // The document as a parser sees it; skips the test when there is none.
  ParsedTable Parse() {
    std::ofstream(scriptFile_) << kSummaryScript;
    if (!HasCommand("python3")) return {};
    std::string parsed = fileName_;
    const std::string browser = HasCommand("chromium")           ? "chromium"
                                : HasCommand("chromium-browser") ? "chromium-browser"
                                                                 : "";
    if (!browser.empty()) {
      // The browser's own parse, serialised back: what a user would see.
      const auto dom =
          Capture(browser + " --headless --no-sandbox --disable-gpu --dump-dom 'file://" +
                  fileName_ + "' 2>/dev/null");
      EXPECT_TRUE(dom.has_value()) << browser << " failed";
      std::ofstream(domFile_) << dom.value_or("");
      parsed = domFile_;
    }
    const auto summary = Capture("python3 '" + scriptFile_ + "' '" + parsed + "'");
    EXPECT_TRUE(summary.has_value()) << "python3 html.parser failed";
    return ReadSummary(summary.value_or(""));
  }

  std::string fileName_ = TestTempPath("goods") + ".html";
  std::string domFile_ = TestTempPath("goods-dom") + ".html";
  std::string scriptFile_ = TestTempPath("summary") + ".py";
};

TEST_F(HtmlExportDemoTest, GoodsTableReadsBackRowForRowInARealParser) {
  if (!HasCommand("python3")) GTEST_SKIP() << "python3 not found: no HTML parser to read back";
  const std::string markupTitle = "<td>Болт</td> & \"гайка\" <b>";
  ASSERT_TRUE(zelDB().FreeSQL(
      "INSERT INTO Goods (Good, Title, Unit, Created, Price, Active) VALUES ('Z-1', '" +
      markupTitle + "', 'шт', '2024-02-01', 2.5, TRUE)"));
  TzelTable goods;
  goods.SetSQLText("SELECT Good, Title, Unit, Price FROM Goods ORDER BY Good");
  goods.Open();

  TDataSource source;
  source.SetDataSet(&goods);
  TzelDBGrid grid;
  grid.SetDataSource(&source);  // default columns, one per field
  double total = 0;
  for (goods.First(); !goods.Eof(); goods.Next()) total += goods.FieldByName("Price")->AsFloat();
  const int records = goods.RecordCount();
  ASSERT_GT(records, 50);

  ExportToHTML(grid, fileName_, "Товары <демо> & цены", "<h1>Goods</h1>", "", "Price", false);
  const ParsedTable table = Parse();

  EXPECT_EQ(table.title, "Товары <демо> & цены");
  ASSERT_EQ(table.rows.size(), size_t(records + 2));  // titles, records, totals
  for (const auto& row : table.rows) EXPECT_EQ(row.size(), 4u);
  EXPECT_EQ(table.rows[0], (std::vector<std::string>{"Good", "Title", "Unit", "Price"}));
  EXPECT_EQ(table.rows[size_t(records)][1], markupTitle);  // 'Z-1' sorts last
  EXPECT_EQ(table.rows.back()[3], FormatFloat("0.##", total));
}

}  // namespace
}  // namespace morvane::testing
