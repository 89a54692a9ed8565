// Exact text comparison on MariaDB and MySQL.
//
// Their default collations ignore case (and trailing blanks, and some
// accents): to the server "ШТ", "шт" and "шт " are one value, so a
// DISTINCT merges them and WHERE Unit = 'ШТ' also changes "шт". The program
// must see and change each spelling on its own, as on the other back ends,
// so the gateway rewrites the forms it sends, and only those, to compare
// exactly (a binary collation without padding):
//
//   name = 'x'             (name = 'x' AND name = 'x' COLLATE <bin>)
//   name <> 'x', name != 'x'  (name <> 'x' COLLATE <bin>)
//   name IN ('x', 'y')     (name IN ('x', 'y') AND name IN ('x' COLLATE <bin>, ...))
//   name NOT IN ('x', ...)  (name NOT IN ('x' COLLATE <bin>, ...))
//   GROUP BY name, ...      GROUP BY CAST(CONVERT(name USING utf8mb4) AS BINARY), ...
//   SELECT DISTINCT name FROM ...   SELECT name FROM ... GROUP BY <as above>
//
// The first condition of "=" and IN keeps the column's index usable; the
// second decides. A collation on the literal wins over the column's and
// converts a column of another character set (cp1251, latin1); for numbers
// and dates the collation does not matter, so they compare as before.
// Grouping uses the bytes of the value in utf8mb4, which also works for
// every column type. A comparison is rewritten only where it stands alone
// between AND, OR, NOT, WHERE, ON, HAVING, WHEN, parentheses or commas,
// so an operand of a larger expression ('x' || name = 'y') keeps its
// meaning; assignments of an UPDATE's SET list are never touched. Only
// SELECT, UPDATE, DELETE and WITH statements are rewritten.
#pragma once

#include <string>
#include <string_view>

namespace morvane::transport {

// `binaryCollation`: utf8mb4_nopad_bin on MariaDB, utf8mb4_0900_bin on MySQL.
std::string MakeComparisonsExact(std::string_view statement, std::string_view binaryCollation);

}  // namespace morvane::transport
