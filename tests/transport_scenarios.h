// Scenarios that every back end must pass, written once. The including file
// defines the fixture BackEndTest first: after its SetUp the transport is
// connected (client()) to a fresh demo database, and BackEndName() tells
// which back end it is ("SQLite", "PostgreSQL", "MariaDB"; IsPostgres() is
// true for the server that folds names). PostgreSQL folds unquoted names to lower case, so
// names are compared without regard to case.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "transport/value_parsing.h"

namespace morvane::testing {

inline std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

inline int FieldIndex(const transport::DecodedReply& reply, const std::string& name) {
  for (size_t i = 0; i < reply.fields.size(); ++i) {
    if (Lower(reply.fields[i].name) == Lower(name)) return static_cast<int>(i);
  }
  return -1;
}

// A numeric value whichever way the back end carries it ('i', 'f' or text).
inline double Number(const transport::DecodedReply& reply, size_t record, size_t field) {
  const std::string& code = reply.fields.at(field).code;
  if (code == "i") return reply.Int(record, field);
  if (code == "f") return reply.Double(record, field);
  return std::stod(reply.Text(record, field));
}

TEST_F(BackEndTest, InitAnswersDialectTwoAndNamesTheBackEnd) {
  const InitOutcome outcome = client().Init();
  EXPECT_EQ(outcome.status, 0);
  ASSERT_GE(outcome.text.size(), 5u);
  EXPECT_EQ(outcome.text[4], '2');
  EXPECT_NE(outcome.text.find(BackEndName()), std::string::npos);
}

TEST_F(BackEndTest, WizardQueriesWorkOnTheDemoDatabase) {
  const SendOutcome source = client().Send("SELECT * FROM Units");
  ASSERT_EQ(source.reply.status, 'S') << source.reply.errorText;
  EXPECT_EQ(source.reply.records.size(), 34u);
  EXPECT_EQ(FieldIndex(source.reply, "units.ident"), 0);
  EXPECT_EQ(FieldIndex(source.reply, "units.name"), 1);

  const SendOutcome mapping = client().Send(
      "SELECT Goods.Unit AS src, Units.Ident AS inf\r\n FROM Goods INNER JOIN Units ON Goods.Unit "
      "= Units.Ident\r\n WHERE Goods.Good='xxx'");
  ASSERT_EQ(mapping.reply.status, 'S') << mapping.reply.errorText;
  EXPECT_EQ(mapping.reply.records.size(), 0u);
  EXPECT_EQ(mapping.reply.FieldNames(), (std::vector<std::string>{"src", "inf"}));

  const SendOutcome values = client().Send(
      "SELECT DISTINCT Unit FROM Goods\r\n WHERE Goods.Created BETWEEN #01/01/2024# AND "
      "#03/31/2024#");
  ASSERT_EQ(values.reply.status, 'S') << values.reply.errorText;
  EXPECT_EQ(values.reply.records.size(), 24u);
  EXPECT_EQ(values.reply.problem, "");
}

TEST_F(BackEndTest, QualifiedSetTargetUpdatesOnlyMatchingRows) {
  const SendOutcome update =
      client().Send("UPDATE Goods SET Goods.Unit = 'шт' WHERE Goods.Unit = 'шт.'");
  ASSERT_EQ(update.reply.status, 'S') << update.reply.errorText;
  EXPECT_TRUE(update.reply.fields.empty());
  const SendOutcome count = client().Send("SELECT count(*) AS n FROM Goods WHERE Unit = 'шт'");
  ASSERT_EQ(count.reply.records.size(), 1u);
  EXPECT_EQ(Number(count.reply, 0, 0), 2);
}

// Generated statements end in whatever their key condition ends in; a line
// break before the next UPDATE must end each of them.
TEST_F(BackEndTest, LineBreakEndsAStatementAfterEveryKindOfLastToken) {
  struct Ending {
    const char* kind;
    const char* first;   // condition naming G0003
    const char* second;  // condition naming G0004
  };
  const Ending endings[] = {
      {"date", "Created = #01/16/2024#", "Good = 'G0004' AND Created = #02/01/2024#"},
      {"text", "Good = 'G0003'", "Good = 'G0004'"},
      {"number", "Good = 'G0003' AND 1 = 1", "Good = 'G0004' AND 2 = 2"},
      {"name", "Good = 'G0003' AND Title = Title", "Good = 'G0004' AND Title = Title"},
      {"quoted name", "Good = 'G0003' AND Title = \"title\"",
       "Good = 'G0004' AND Title = \"title\""},
      {"parenthesis", "Good IN ('G0003')", "Good IN ('G0004')"},
  };
  int round = 0;
  for (const Ending& ending : endings) {
    const std::string mark = std::to_string(++round);
    const SendOutcome update =
        client().Send("UPDATE Goods SET Goods.Unit = 'a" + mark + "' WHERE " + ending.first +
                      "\r\nUPDATE Goods SET Goods.Unit = 'b" + mark + "' WHERE " + ending.second);
    ASSERT_EQ(update.reply.status, 'S') << ending.kind << ": " << update.reply.errorText;
    const SendOutcome units =
        client().Send("SELECT Unit FROM Goods WHERE Good IN ('G0003', 'G0004') ORDER BY Good");
    ASSERT_EQ(units.reply.records.size(), 2u);
    EXPECT_EQ(units.reply.Text(0, 0), "a" + mark) << ending.kind;
    EXPECT_EQ(units.reply.Text(1, 0), "b" + mark) << ending.kind;
  }
}

TEST_F(BackEndTest, RequestWhoseSecondStatementFailsChangesNothing) {
  const SendOutcome failed = client().Send(
      "UPDATE Goods SET Unit = 'X' WHERE Good = 'G0001'\r\nUPDATE NoSuchTable SET a = 1\r\n");
  EXPECT_EQ(failed.status, 0);
  ASSERT_EQ(failed.reply.status, 'E');
  EXPECT_NE(Lower(failed.reply.errorText).find("nosuchtable"), std::string::npos);
  EXPECT_NE(failed.reply.errorText.find("SQL: UPDATE NoSuchTable"), std::string::npos);
  const SendOutcome unit = client().Send("SELECT Unit FROM Goods WHERE Good = 'G0001'");
  ASSERT_EQ(unit.reply.records.size(), 1u);
  EXPECT_EQ(unit.reply.Text(0, 0), "шт");
}

TEST_F(BackEndTest, RequestThatWouldCommitPartOfItselfIsRefused) {
  const SendOutcome refused = client().Send(
      "UPDATE Goods SET Unit = 'X' WHERE Good = 'G0001'; COMMIT; UPDATE NoSuchTable SET a = 1");
  EXPECT_EQ(refused.status, 0);
  ASSERT_EQ(refused.reply.status, 'E');
  EXPECT_NE(refused.reply.errorText.find("SQL: COMMIT"), std::string::npos);
  EXPECT_EQ(client().Send("SELECT Unit FROM Goods WHERE Good = 'G0001'").reply.Text(0, 0), "шт");
}

TEST_F(BackEndTest, ErrorsAnswerTheBackEndsTextAndKeepTheConnection) {
  for (const char* bad : {"SELEC * FROM Goods", "SELECT * FROM Nowhere",
                          "INSERT INTO Goods (Good, Title, Created) VALUES ('G0001', 'x', "
                          "#01/01/2024#)",
                          "INSERT INTO Parts (Part, Good, Title) VALUES ('P9', 'G9999', 'x')"}) {
    const SendOutcome outcome = client().Send(bad);
    EXPECT_EQ(outcome.status, 0) << bad;
    EXPECT_EQ(outcome.reply.status, 'E') << bad;
    EXPECT_FALSE(outcome.reply.errorText.empty()) << bad;
  }
  const SendOutcome after = client().Send("SELECT Good FROM Goods WHERE Good = 'G0002'");
  EXPECT_EQ(after.reply.status, 'S');
  EXPECT_EQ(after.reply.records.size(), 1u);
}

TEST_F(BackEndTest, InsertKeepsMultiLineLiteralAndTranslatesDate) {
  const SendOutcome insert = client().Send(
      "INSERT INTO Goods (Good, Title, Unit, Created) VALUES ('G9000', 'Строка 1\r\nUPDATE; "
      "it''s', 'шт', #02/29/2024#)\r\nUPDATE Goods SET Goods.Price = 1.5 WHERE Good = 'G9000'");
  ASSERT_EQ(insert.reply.status, 'S') << insert.reply.errorText;
  const SendOutcome row =
      client().Send("SELECT Title, Created, Price FROM Goods WHERE Good = 'G9000'");
  ASSERT_EQ(row.reply.records.size(), 1u);
  EXPECT_EQ(row.reply.Text(0, 0), "Строка 1\r\nUPDATE; it's");
  EXPECT_EQ(row.reply.fields[1].code, "d");
  EXPECT_EQ(row.reply.Int(0, 1), transport::DayNumber(2024, 2, 29));
  EXPECT_EQ(row.reply.Double(0, 2), 1.5);
}

TEST_F(BackEndTest, UserIdInFrontOfTheRequestIsIgnored) {
  const SendOutcome outcome = client().Send("op        SELECT Ident FROM Units");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  EXPECT_EQ(outcome.reply.records.size(), 34u);
}

TEST_F(BackEndTest, LineMarkedAsSkippedIsRefusedByTheServerAndChangesNothing) {
  // "#" and "//" are no login name: the line reaches the server as written.
  // To SQLite and PostgreSQL neither is a comment, so the server refuses it;
  // MariaDB reads "#" as a comment of its own, so it runs as nothing there.
  const bool hashIsComment = BackEndName() == "MariaDB";
  for (const char* request :
       {"#DELETE FROM Units WHERE Ident = 'шт'", "//DELETE FROM Units WHERE Ident = 'шт'",
        "#UPDATE Units SET name = 'x'", "op        #DELETE FROM Units WHERE Ident = 'шт'"}) {
    const SendOutcome sent = client().Send(request);
    if (hashIsComment && std::string_view(request).find('#') != std::string_view::npos) {
      EXPECT_NE(sent.reply.status, 'E') << request << ": " << sent.reply.errorText;
      continue;
    }
    EXPECT_EQ(sent.reply.status, 'E') << request;
    EXPECT_FALSE(sent.reply.errorText.empty()) << request;
  }
  const SendOutcome commented = client().Send("-- DELETE FROM Units WHERE Ident = 'шт'");
  EXPECT_NE(commented.reply.status, 'E') << commented.reply.errorText;
  const SendOutcome units = client().Send("SELECT Ident, name FROM Units WHERE name = 'x'");
  ASSERT_EQ(units.reply.status, 'S') << units.reply.errorText;
  EXPECT_EQ(units.reply.records.size(), 0u);
  const SendOutcome all = client().Send("SELECT Ident FROM Units");
  ASSERT_EQ(all.reply.status, 'S') << all.reply.errorText;
  EXPECT_EQ(all.reply.records.size(), 34u);
}

TEST_F(BackEndTest, ColumnsCarryTheirDeclaredTypes) {
  const SendOutcome outcome = client().Send(
      "SELECT Good, Title, Unit, Created, Price, Active FROM Goods WHERE Good = 'G0018'");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  ASSERT_EQ(outcome.reply.records.size(), 1u);
  std::vector<std::string> codes;
  for (const auto& field : outcome.reply.fields) codes.push_back(field.code);
  // Declared lengths count characters: four bytes each is the capacity.
  EXPECT_EQ(codes, (std::vector<std::string>{"s80", "s400", "s80", "d", "f", "b"}));
  EXPECT_EQ(Lower(outcome.reply.fields[0].name), "goods.good");
  EXPECT_EQ(outcome.reply.Text(0, 0), "G0018");
  EXPECT_EQ(outcome.reply.Text(0, 2), "лит");
  EXPECT_EQ(outcome.reply.Int(0, 3), transport::DayNumber(2024, 3, 5));
  EXPECT_EQ(outcome.reply.Double(0, 4), 230.0);
  EXPECT_FALSE(outcome.reply.Absent(0, 5));
  EXPECT_EQ(outcome.reply.Bool(0, 5), 0);

  const SendOutcome code = client().Send("SELECT Code FROM Units WHERE Ident = 'шт'");
  ASSERT_EQ(code.reply.fields.size(), 1u);
  EXPECT_EQ(code.reply.fields[0].code, "i");
  EXPECT_EQ(code.reply.Int(0, 0), 796);

  const SendOutcome missing = client().Send("SELECT Unit FROM Goods WHERE Good = 'G0064'");
  EXPECT_TRUE(missing.reply.Absent(0, 0));
}

// Units.Ident is VARCHAR(10): ten characters, whatever their bytes. The
// wizard's mapping query has no rows, yet the values written into its
// columns later must fit.
TEST_F(BackEndTest, DeclaredCharacterLengthHoldsAnyValueTheColumnAccepts) {
  const std::string cyrillic = "ёёёёёёёёёё";  // 10 characters, 20 bytes
  const std::string fourByte = "😀😀😀😀😀😀😀😀😀😀";  // 10 characters, 40 bytes
  const SendOutcome insert = client().Send("INSERT INTO Units (Ident, name) VALUES ('" + cyrillic +
                                           "', 'a'), ('" + fourByte + "', 'b')");
  ASSERT_EQ(insert.reply.status, 'S') << insert.reply.errorText;

  const SendOutcome empty = client().Send(
      "SELECT Goods.Unit AS src, Units.Ident AS inf\r\n FROM Goods INNER JOIN Units ON Goods.Unit "
      "= Units.Ident\r\n WHERE Goods.Good='xxx'");
  ASSERT_EQ(empty.reply.status, 'S') << empty.reply.errorText;
  EXPECT_EQ(empty.reply.records.size(), 0u);
  ASSERT_EQ(empty.reply.fields.size(), 2u);
  EXPECT_EQ(empty.reply.fields[0].code, "s80");
  EXPECT_EQ(empty.reply.fields[1].code, "s40");

  const SendOutcome full =
      client().Send("SELECT Ident FROM Units WHERE name IN ('a', 'b') ORDER BY name");
  ASSERT_EQ(full.reply.status, 'S') << full.reply.errorText;
  ASSERT_EQ(full.reply.records.size(), 2u);
  EXPECT_EQ(full.reply.fields[0].code, "s40");
  EXPECT_EQ(full.reply.Text(0, 0), cyrillic);
  EXPECT_EQ(full.reply.Text(1, 0), fourByte);
}

TEST_F(BackEndTest, IntegerBeyondDoublePrecisionArrivesAsText) {
  // MariaDB names the 64-bit integer of a CAST SIGNED.
  const std::string bigint = BackEndName() == "MariaDB" ? "SIGNED" : "BIGINT";
  const SendOutcome outcome = client().Send("SELECT CAST(9007199254740993 AS " + bigint +
                                            ") AS big, CAST(42 AS " + bigint + ") AS small");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  EXPECT_EQ(outcome.reply.fields[0].code, "s36");
  EXPECT_EQ(outcome.reply.Text(0, 0), "9007199254740993");
  EXPECT_EQ(Number(outcome.reply, 0, 1), 42);
}

TEST_F(BackEndTest, LastResultSetOfTheRequestIsTheReply) {
  const SendOutcome outcome = client().Send(
      "SELECT Ident FROM Units;\r\nUPDATE Units SET name = 'штуки' WHERE Ident = 'шт'\r\n"
      "SELECT name FROM Units WHERE Ident = 'шт'");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  ASSERT_EQ(outcome.reply.records.size(), 1u);
  EXPECT_EQ(outcome.reply.Text(0, 0), "штуки");
}

TEST_F(BackEndTest, InsertReturningAnswersItsRows) {
  const SendOutcome outcome =
      client().Send("INSERT INTO Units (Ident, name) VALUES ('x1', 'икс') RETURNING Ident, name");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  ASSERT_EQ(outcome.reply.records.size(), 1u);
  EXPECT_EQ(outcome.reply.Text(0, 1), "икс");
  EXPECT_EQ(client().Send("SELECT Ident FROM Units").reply.records.size(), 35u);
}

}  // namespace morvane::testing
