// Rows of a MariaDB/MySQL result as a RowSource, and the column kinds the
// result's metadata gives.
//
// The result is read whole by the client library (mysql_store_result), as
// the server's own command-line client does, so the rows can be read again
// from the start when a column must be widened. Values come as text in the
// connection's character set (utf8mb4); binary strings and blobs as bytes.
#pragma once

#include <mysql.h>

#include <memory>
#include <vector>

#include "transport/result_encoder.h"

namespace morvane::transport {

struct MariaDbResultDeleter {
  void operator()(MYSQL_RES* result) const { mysql_free_result(result); }
};
using MariaDbResultPtr = std::unique_ptr<MYSQL_RES, MariaDbResultDeleter>;

// How one result column is carried, from its type, flags, character set
// and length. Exported for the unit tests of the mapping.
ColumnInfo DescribeMariaDbColumn(const MYSQL_FIELD& field);

class MariaDbRows : public RowSource {
 public:
  explicit MariaDbRows(MariaDbResultPtr result);

  const std::vector<ColumnInfo>& Columns() const override { return columns_; }
  bool Next() override;
  Cell Get(size_t column) override;
  bool Rewind() override;

 private:
  MariaDbResultPtr result_;
  std::vector<ColumnInfo> columns_;
  std::vector<bool> isBinary_;
  MYSQL_ROW row_ = nullptr;
  unsigned long* lengths_ = nullptr;
};

}  // namespace morvane::transport
