// Turns a back end's result set into a data buffer, the reply format the
// program reads:
//
//   int32  total length of the buffer, this field included
//   byte   'S'
//   int32  record count
//   int32  field count
//   int32  layout length
//   layout "name code[digits]" + 0x12 per field, then one 0x14
//   record: one length byte per field, then the present values back to back
//
// A request without a result set answers the same header with no records and
// no fields, followed by the rows each statement changed (readers of the data
// buffer ignore bytes after the declared records; only a caller that looks
// for them reads them):
//
//   int32  total length (25 + 8 x count), this field included
//   byte   'S'
//   int32  0 records, int32 0 fields, int32 0 layout length
//   4 bytes "ROWS"
//   int32  count of statements run
//   int64  per statement, in order: the rows it inserted, updated or deleted
//          as the back end's own client reports them, -1 when the statement
//          has no such count (CREATE, DROP, PRAGMA ...)
//
// An error reply is the total length, 'E', the message and a zero byte; when
// a statement failed, the zero is followed by "STMT" and an int32: the
// failing statement's position among the request's statements, from 0
// (readers stop at the zero and never see it). A request cancelled by the
// caller's progress handler answers such a reply naming the last statement
// that ran, followed by the 4 bytes "STOP": nothing of it took effect.
//
// Type codes: 'i' int32, 'b' 16-bit Boolean (-1 true), 'f' double, 'c'
// currency (double), 'd' int32 day number (0001-01-01 = 1), 'v' int32
// milliseconds since midnight, 't' double day number x 86 400 000 + ms,
// 'g' blob (int32 count + bytes), 'm' long text (int32 count + bytes),
// 's' + declared length for texts over 35 bytes (int32 count + bytes), and
// '1'..'9', 'A'..'Z' for inline texts of 1..35 bytes (the length byte is the
// byte count). A NULL (and an empty text) is an absent value: length byte 0.
//
// The encoding of a column starts from the back end's declared type and is
// widened when a value does not fit it, so that no value is cut or rounded.
// A text column's declared length counts characters; its byte capacity is
// four bytes per character whether or not there are rows, because values
// written into it later (an empty mapping query's columns) must fit too.
// Then:
// an int32 column meeting a larger value becomes 'f' (while exact as a
// double) or text; an inline text meeting a value over 35 bytes becomes 's';
// an 's' whose longest value exceeds 8191 bytes (the readers' limit for 's')
// is declared 'm'. Widening re-reads the rows from the start (RowSource::
// Rewind); a source that cannot rewind must declare only text and blob
// columns, which never need it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transport/byte_buffer.h"

namespace morvane::transport {

enum class ColumnKind {
  kUnknown,  // decided by the first non-null value
  kInt32,
  kInt64,
  kBoolean,
  kDouble,
  kDecimal,  // exact decimal text: a double only while 15 digits or fewer
  kCurrency,
  kDate,
  kTime,
  kDateTime,
  kText,
  kBlob,
};

struct ColumnInfo {
  std::string name;
  std::string table;  // empty when the column has no base table
  ColumnKind kind = ColumnKind::kUnknown;
  // Text columns: the declared length in characters (varchar(10) is 10), -1
  // when none. The encoder makes it a byte capacity of four bytes each.
  int declaredLength = -1;
};

enum class CellStorage { kNull, kInteger, kReal, kText, kBlob };

struct Cell {
  CellStorage storage = CellStorage::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string_view bytes;  // text or blob; valid until the next Next()
};

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual const std::vector<ColumnInfo>& Columns() const = 0;
  // Moves to the next row; false after the last. Throws TransportError.
  virtual bool Next() = 0;
  virtual Cell Get(size_t column) = 0;
  // Starts again before the first row; false when that is not possible.
  virtual bool Rewind() = 0;
};

// Layout name of a column: "table.name", or the name alone; blanks become
// '_' because a blank ends the name in the layout.
std::string LayoutName(const ColumnInfo& column);

ByteBuffer EncodeResultSet(RowSource& rows);

// 'S' with no fields and no records: the reply to a statement without rows.
ByteBuffer EncodeEmptyResult();
// The same, followed by the rows each statement changed (above).
ByteBuffer EncodeEmptyResult(const std::vector<int64_t>& rowsChanged);

// 'E' followed by the message and a terminating zero.
ByteBuffer EncodeErrorReply(std::string_view message);
// The same, followed by the position of the statement that failed (above).
ByteBuffer EncodeErrorReply(std::string_view message, int32_t failedStatement);

// The reply to a cancelled request: the above, then the cancel mark.
ByteBuffer EncodeCancelledReply(std::string_view message, int32_t lastStatement);

// Tags of the tails above.
inline constexpr char kRowsChangedTag[] = "ROWS";
inline constexpr char kFailedStatementTag[] = "STMT";
inline constexpr char kCancelledTag[] = "STOP";

}  // namespace morvane::transport
