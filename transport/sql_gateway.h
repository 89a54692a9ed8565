// The SQL gateway: turns the program's request text into statements that
// each back end accepts.
//
// The program writes an access-style dialect:
//  - one request may hold several statements, separated by semicolons or by
//    line breaks (see SplitStatements for the exact rule);
//  - date and time literals #mm/dd/yyyy#, #mm/dd/yyyy hh:nn:ss# and
//    #hh:nn:ss# (one- or two-digit parts, '/', '.' or '-' between date parts,
//    optional seconds and milliseconds);
//  - UPDATE statements whose SET targets carry the table name
//    (UPDATE Goods SET Goods.Unit = 'x' WHERE Goods.Unit = 'y').
// TranslateStatement rewrites exactly these and passes everything else
// through byte for byte. A #...# that is not a valid date or time is left
// alone, so the back end reports it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane::transport {

// MariaDB and MySQL speak one dialect; they differ in the name of the
// binary collation that compares texts exactly.
enum class SqlDialect { kSQLite, kPostgreSQL, kMariaDB, kMySQL };

// Splits a request into statements, each trimmed of surrounding blanks and
// line breaks; empty statements are dropped. A semicolon outside literals,
// quoted names, comments and parentheses always ends a statement. A line
// break outside them ends a statement only when the next line starts with a
// statement keyword (SELECT, INSERT, UPDATE, DELETE, CREATE, DROP, ALTER,
// WITH, REPLACE, TRUNCATE, PRAGMA, GRANT, REVOKE, ANALYZE, VACUUM) and the
// text so far is complete: it ends in a complete token (a text, number or
// date literal, a name, a quoted name, a closing parenthesis), not in an
// operator, a comma, an opening parenthesis or a joining word (UNION, ALL,
// EXCEPT, INTERSECT, AS, IN, EXISTS, AND, OR, NOT, ...), and it is not an
// INSERT or WITH still waiting for its body. So "SELECT ...\r\n FROM ...\r\n WHERE ..." stays one
// statement while "UPDATE ...\r\nUPDATE ..." is two.
std::vector<std::string> SplitStatements(std::string_view request);

// Rewrites date literals and qualified SET targets for the back end; for
// MariaDB also makes text comparisons exact (exact_comparison.h).
std::string TranslateStatement(std::string_view statement, SqlDialect dialect);

// True for statements that end or start a transaction (BEGIN, START,
// COMMIT, END, ROLLBACK without TO, ABORT). A request is one transaction of
// its own, so such a statement would commit part of it or leave the rest
// outside it; the request is refused instead. SAVEPOINT, RELEASE and
// ROLLBACK TO stay inside the transaction and are allowed.
bool ControlsTransaction(std::string_view statement);

// The program may put a user id in front of the SQL text: a login name of
// letters, digits and '_', blank-padded to ten characters, or longer and
// sent whole. Returns the SQL text without it. Only such an id is taken off:
// a text that starts with anything else ("#DELETE ...", "//UPDATE ...") is
// returned as it stands, so the server refuses it with its own reason.
std::string_view StripUserId(std::string_view request);

}  // namespace morvane::transport
