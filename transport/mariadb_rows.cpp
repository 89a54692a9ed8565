#include "transport/mariadb_rows.h"

namespace morvane::transport {

namespace {

// The character set number of binary strings and blobs.
constexpr unsigned kBinaryCharset = 63;
// Bytes per character of the connection's character set (utf8mb4): text
// lengths in the metadata are bytes of it.
constexpr unsigned long kBytesPerCharacter = 4;
// Fractional seconds the data buffer carries: milliseconds.
constexpr unsigned kCarriedFractionDigits = 3;
// Texts whose declared length says nothing about the values (TEXT holds
// 64 KiB, LONGTEXT 4 GiB) are sized by the longest value, as PostgreSQL's
// text is.
constexpr unsigned long kLongestSizedText = 255 * kBytesPerCharacter;

bool IsBinary(const MYSQL_FIELD& field) {
  return field.charsetnr == kBinaryCharset;
}

// A text column; `bytesPerCharacter` is 1 for the text of a date or time,
// whose length the metadata counts in (ASCII) characters.
ColumnInfo TextColumn(const MYSQL_FIELD& field,
                      unsigned long bytesPerCharacter = kBytesPerCharacter) {
  ColumnInfo info;
  info.kind = ColumnKind::kText;
  if (field.length <= kLongestSizedText) {
    info.declaredLength = static_cast<int>(field.length / bytesPerCharacter);
  }
  return info;
}

// The kind (and, for texts, the declared length) of a column.
ColumnInfo KindOf(const MYSQL_FIELD& field) {
  ColumnInfo info;
  switch (field.type) {
    case MYSQL_TYPE_TINY:
      // TINYINT(1) is how the server spells BOOLEAN; a value other than 0
      // and 1 makes the column text, never a rounded truth value.
      info.kind = field.length == 1 ? ColumnKind::kBoolean : ColumnKind::kInt32;
      return info;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:  // an unsigned value beyond 32 bits widens the column
    case MYSQL_TYPE_YEAR:
      info.kind = ColumnKind::kInt32;
      return info;
    case MYSQL_TYPE_LONGLONG:
      info.kind = ColumnKind::kInt64;
      return info;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
      info.kind = ColumnKind::kDouble;
      return info;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      info.kind = ColumnKind::kDecimal;
      return info;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      info.kind = ColumnKind::kDate;
      return info;
    case MYSQL_TYPE_TIME:
    case MYSQL_TYPE_TIME2:
      // Microseconds would be dropped in a time slot: such columns are text.
      if (field.decimals > kCarriedFractionDigits) return TextColumn(field, 1);
      info.kind = ColumnKind::kTime;
      return info;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_DATETIME2:
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_TIMESTAMP2:
      if (field.decimals > kCarriedFractionDigits) return TextColumn(field, 1);
      info.kind = ColumnKind::kDateTime;
      return info;
    case MYSQL_TYPE_NULL:
      return info;  // kUnknown: decided by the values, and there are none
    case MYSQL_TYPE_BIT:
    case MYSQL_TYPE_GEOMETRY:
      info.kind = ColumnKind::kBlob;
      return info;
    default:  // CHAR, VARCHAR, TEXT, ENUM, SET, JSON and their binary forms
      if (!IsBinary(field)) return TextColumn(field);
      info.kind = ColumnKind::kBlob;
      return info;
  }
}

}  // namespace

ColumnInfo DescribeMariaDbColumn(const MYSQL_FIELD& field) {
  ColumnInfo info = KindOf(field);
  info.name = std::string(field.name, field.name_length);
  // The base table names a column only while the result keeps its name
  // (an alias is the name alone, as on the other back ends).
  if (field.org_table_length > 0 &&
      std::string_view(field.org_name, field.org_name_length) == info.name) {
    info.table = std::string(field.org_table, field.org_table_length);
  }
  return info;
}

MariaDbRows::MariaDbRows(MariaDbResultPtr result) : result_(std::move(result)) {
  const unsigned count = mysql_num_fields(result_.get());
  const MYSQL_FIELD* fields = mysql_fetch_fields(result_.get());
  for (unsigned i = 0; i < count; ++i) {
    columns_.push_back(DescribeMariaDbColumn(fields[i]));
    isBinary_.push_back(columns_.back().kind == ColumnKind::kBlob);
  }
}

bool MariaDbRows::Next() {
  row_ = mysql_fetch_row(result_.get());
  if (row_ == nullptr) return false;
  lengths_ = mysql_fetch_lengths(result_.get());
  return true;
}

Cell MariaDbRows::Get(size_t column) {
  Cell cell;
  if (row_[column] == nullptr) return cell;
  cell.storage = isBinary_[column] ? CellStorage::kBlob : CellStorage::kText;
  cell.bytes = std::string_view(row_[column], lengths_[column]);
  return cell;
}

bool MariaDbRows::Rewind() {
  mysql_data_seek(result_.get(), 0);
  return true;
}

}  // namespace morvane::transport
