// Rows of a PostgreSQL result as a RowSource, read batch after batch.
//
// A result arrives as one PGresult or, for a SELECT read through a cursor,
// as several batches that a fetch function brings one at a time; while the
// encoder works on one batch the server already sends the next (the
// `drain` hook moves arriving bytes from the socket into libpq's buffer, so
// the server never waits on a full socket). Batches are kept, so the rows
// can be read again from the start (Rewind). Values come as text; bytea
// values are decoded from their hex form.
#pragma once

#include <libpq-fe.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transport/result_encoder.h"

namespace morvane::transport {

struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;

inline constexpr Oid kByteaOid = 17;

class PostgresRows : public RowSource {
 public:
  // `more` returns the next batch, or null after the last; it may be empty
  // for a complete result. `drain` is called every few thousand rows.
  PostgresRows(ResultPtr first, std::vector<ColumnInfo> columns,
               std::function<ResultPtr()> more = nullptr, std::function<void()> drain = nullptr);

  const std::vector<ColumnInfo>& Columns() const override { return columns_; }
  bool Next() override;
  Cell Get(size_t column) override;
  bool Rewind() override;

 private:
  void Enter(size_t batch);

  std::vector<ResultPtr> batches_;
  std::vector<ColumnInfo> columns_;
  std::function<ResultPtr()> more_;
  std::function<void()> drain_;
  std::vector<bool> isBytea_;
  std::vector<std::string> scratch_;  // decoded bytea, one per column
  PGresult* current_ = nullptr;
  size_t batch_ = 0;
  int rowCount_ = 0;
  int row_ = -1;
  unsigned rowsSinceDrain_ = 0;
};

}  // namespace morvane::transport

namespace morvane::transport {

// Rows of a `COPY (SELECT ...) TO STDOUT` in text format, read while the
// encoder works: the server streams rows exactly as it does for its own
// command-line client, and each row is unescaped into an arena as it
// arrives. The arena keeps every row, so the rows can be read again.
// An error or an early end drains the copy stream, leaving the connection
// ready for the next command.
//
// Arena: rows back to back, each field a header byte h and the value:
// h < 0xFE: h bytes follow; 0xFE: NULL; 0xFF: uint32 length, then the bytes.
class CopyRows : public RowSource {
 public:
  CopyRows(PGconn* connection, std::vector<ColumnInfo> columns, std::vector<bool> isBytea);
  ~CopyRows() override;

  const std::vector<ColumnInfo>& Columns() const override { return columns_; }
  bool Next() override;
  Cell Get(size_t column) override;
  bool Rewind() override;

 private:
  bool ReadRow();
  void Drain() noexcept;

  struct FieldSpan {
    size_t offset;
    int64_t length;  // -1 for NULL
  };

  PGconn* connection_;
  std::vector<ColumnInfo> columns_;
  std::vector<bool> isBytea_;
  std::vector<std::string> scratch_;
  ByteBuffer arena_;
  size_t position_ = 0;            // arena offset of the next row to read
  std::vector<FieldSpan> fields_;  // the current row
  bool copyDone_ = false;
};

}  // namespace morvane::transport
