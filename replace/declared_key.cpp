#include "replace/declared_key.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "server/table.h"

namespace morvane {

namespace {

// The first column of the query's first row as a number; 0 when the server
// refuses the query (an older catalog) or gives no row.
long long CountOf(const std::string& query) {
  try {
    TzelTable table;
    table.SetSQLText(query);
    table.Open();
    const long long count = table.Eof() ? 0 : std::stoll("0" + table.Fields()[0]->AsString());
    table.Close();
    return count;
  } catch (const std::exception&) {
    return 0;
  }
}

// PostgreSQL folds an unquoted name to lower case, ASCII letters only.
std::string Folded(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return name;
}

std::string SqliteKeyQuery(const std::string& table, const std::string& key) {
  const std::string t = QuotedStr(table);
  const std::string k = QuotedStr(key);
  // An INTEGER PRIMARY KEY of a rowid table has no index of its own and is
  // never NULL; any other primary key of a rowid table may hold NULLs unless
  // declared NOT NULL.
  return "SELECT COUNT(*) AS n FROM pragma_table_info(" + t + ") AS c WHERE c.name = " + k +
         " COLLATE NOCASE AND (SELECT sql FROM sqlite_master WHERE type = 'table' AND name = " + t +
         " COLLATE NOCASE) NOT LIKE '%collate%' AND ((c.pk = 1 AND (SELECT COUNT(*) FROM "
         "pragma_table_info(" +
         t +
         ") WHERE pk > 0) = 1 AND (c.\"notnull\" = 1 OR (upper(c.type) "
         "= 'INTEGER' AND NOT EXISTS (SELECT 1 FROM pragma_index_list(" +
         t +
         ") WHERE origin = "
         "'pk')))) OR (c.\"notnull\" = 1 AND EXISTS (SELECT 1 FROM pragma_index_list(" +
         t +
         ") AS i WHERE i.\"unique\" = 1 AND i.partial = 0 AND (SELECT COUNT(*) FROM "
         "pragma_index_info(i.name)) = 1 AND (SELECT x.name FROM pragma_index_xinfo(i.name) AS x "
         "WHERE x.key = 1 AND x.coll = 'BINARY') = c.name)))";
}

std::string PostgresKeyQuery(const std::string& table, const std::string& key) {
  return "SELECT COUNT(*) AS n FROM pg_catalog.pg_index AS i JOIN pg_catalog.pg_attribute AS a "
         "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] WHERE i.indrelid = to_regclass(" +
         QuotedStr(Folded(table)) + ") AND a.attname = " + QuotedStr(Folded(key)) +
         " AND NOT a.attisdropped AND a.attnotnull AND i.indisunique AND i.indisvalid AND "
         "i.indnkeyatts = 1 AND i.indpred IS NULL AND i.indexprs IS NULL AND "
         "i.indcollation[0] = a.attcollation";
}

}  // namespace

bool KeyDeclaredUnique(SetDialect dialect, const std::string& table, const std::string& keyField) {
  if (dialect == SetDialect::kSQLite) return CountOf(SqliteKeyQuery(table, keyField)) == 1;
  if (dialect == SetDialect::kPostgreSQL) return CountOf(PostgresKeyQuery(table, keyField)) >= 1;
  return false;
}

bool FieldEqualityIsExact(SetDialect dialect, const std::string& table, const std::string& field) {
  if (dialect != SetDialect::kPostgreSQL) return false;
  return CountOf(
             "SELECT COUNT(*) AS n FROM pg_catalog.pg_attribute AS a LEFT JOIN "
             "pg_catalog.pg_collation AS c ON c.oid = a.attcollation WHERE a.attrelid = "
             "to_regclass(" +
             QuotedStr(Folded(table)) + ") AND a.attname = " + QuotedStr(Folded(field)) +
             " AND NOT a.attisdropped AND a.atttypid IN "
             "('text'::regtype, 'varchar'::regtype, 'int2'::regtype, 'int4'::regtype, "
             "'int8'::regtype, 'date'::regtype, 'timestamp'::regtype, 'bool'::regtype) AND "
             "(a.attcollation = 0 OR c.collisdeterministic)") == 1;
}

}  // namespace morvane
