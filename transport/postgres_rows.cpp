#include "transport/postgres_rows.h"

#include <cstring>

#include "transport/transport_error.h"

namespace morvane::transport {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// bytea comes as "\x" and hex digits (the default bytea_output).
std::string_view DecodeBytea(std::string_view text, std::string& bytes) {
  if (text.size() < 2 || text[0] != '\\' || text[1] != 'x') return text;
  bytes.resize((text.size() - 2) / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>(HexValue(text[2 + 2 * i]) * 16 + HexValue(text[3 + 2 * i]));
  }
  return bytes;
}

constexpr unsigned kRowsBetweenDrains = 4096;

}  // namespace

PostgresRows::PostgresRows(ResultPtr first, std::vector<ColumnInfo> columns,
                           std::function<ResultPtr()> more, std::function<void()> drain)
    : columns_(std::move(columns)),
      more_(std::move(more)),
      drain_(std::move(drain)),
      scratch_(columns_.size()) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    isBytea_.push_back(PQftype(first.get(), static_cast<int>(i)) == kByteaOid);
  }
  batches_.push_back(std::move(first));
  Enter(0);
}

void PostgresRows::Enter(size_t batch) {
  batch_ = batch;
  current_ = batches_[batch].get();
  rowCount_ = PQntuples(current_);
  row_ = -1;
}

bool PostgresRows::Next() {
  if (++row_ < rowCount_) {
    if (drain_ && ++rowsSinceDrain_ >= kRowsBetweenDrains) {
      rowsSinceDrain_ = 0;
      drain_();
    }
    return true;
  }
  for (;;) {
    if (batch_ + 1 < batches_.size()) {
      Enter(batch_ + 1);
      if (++row_ < rowCount_) return true;
      continue;
    }
    if (!more_) return false;
    ResultPtr next = more_();
    if (!next) {
      more_ = nullptr;
      return false;
    }
    batches_.push_back(std::move(next));
  }
}

Cell PostgresRows::Get(size_t column) {
  const int index = static_cast<int>(column);
  Cell cell;
  if (PQgetisnull(current_, row_, index)) return cell;
  const std::string_view value(PQgetvalue(current_, row_, index),
                               static_cast<size_t>(PQgetlength(current_, row_, index)));
  if (isBytea_[column]) {
    cell.storage = CellStorage::kBlob;
    cell.bytes = DecodeBytea(value, scratch_[column]);
  } else {
    cell.storage = CellStorage::kText;
    cell.bytes = value;
  }
  return cell;
}

bool PostgresRows::Rewind() {
  Enter(0);
  return true;
}

}  // namespace morvane::transport

namespace morvane::transport {

namespace {

// Undoes COPY's text escapes in place; returns the new length. "\N" alone
// (NULL) is handled by the caller.
size_t Unescape(char* text, size_t length) {
  char* out = text;
  for (size_t i = 0; i < length; ++i) {
    if (text[i] != '\\' || i + 1 == length) {
      *out++ = text[i];
      continue;
    }
    const char escaped = text[++i];
    switch (escaped) {
      case 'b':
        *out++ = '\b';
        break;
      case 'f':
        *out++ = '\f';
        break;
      case 'n':
        *out++ = '\n';
        break;
      case 'r':
        *out++ = '\r';
        break;
      case 't':
        *out++ = '\t';
        break;
      case 'v':
        *out++ = '\v';
        break;
      default:
        *out++ = escaped;
        break;  // "\\" and anything else stand for themselves
    }
  }
  return static_cast<size_t>(out - text);
}

}  // namespace

CopyRows::CopyRows(PGconn* connection, std::vector<ColumnInfo> columns, std::vector<bool> isBytea)
    : connection_(connection),
      columns_(std::move(columns)),
      isBytea_(std::move(isBytea)),
      scratch_(columns_.size()) {}

CopyRows::~CopyRows() {
  Drain();
}

bool CopyRows::Next() {
  if (row_ < rowsRead_) {
    ++row_;
    return true;
  }
  if (copyDone_ || !ReadRow()) return false;
  row_ = rowsRead_;
  return true;
}

bool CopyRows::ReadRow() {
  char* line = nullptr;
  const int length = PQgetCopyData(connection_, &line, 0);
  if (length < 0) {
    copyDone_ = true;
    // The command's own result tells whether the copy ended well.
    std::string message;
    bool failed = length == -2;
    while (PGresult* result = PQgetResult(connection_)) {
      if (PQresultStatus(result) != PGRES_COMMAND_OK) {
        failed = true;
        message = PQresultErrorMessage(result);
      }
      PQclear(result);
    }
    if (!failed) return false;
    const bool lost = PQstatus(connection_) != CONNECTION_OK;
    if (message.empty()) message = PQerrorMessage(connection_);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    throw TransportError(message, lost);
  }
  const size_t start = arena_.Size();
  if (start + static_cast<size_t>(length) > 0x7FFFFFFF) {
    PQfreemem(line);
    throw TransportError("result set too large for one reply (over 2 GiB)");
  }
  char* copy = arena_.Extend(static_cast<size_t>(length));
  std::memcpy(copy, line, static_cast<size_t>(length));
  PQfreemem(line);

  const char* end = copy + length;
  if (end > copy && end[-1] == '\n') --end;
  char* field = copy;
  for (size_t column = 0; column < columns_.size(); ++column) {
    char* stop = static_cast<char*>(std::memchr(field, '\t', static_cast<size_t>(end - field)));
    if (stop == nullptr) stop = const_cast<char*>(end);
    const auto rawLength = static_cast<size_t>(stop - field);
    FieldSpan span{static_cast<uint32_t>(field - arena_.Data()), -1};
    if (!(rawLength == 2 && field[0] == '\\' && field[1] == 'N')) {
      const bool escaped = std::memchr(field, '\\', rawLength) != nullptr;
      span.length = static_cast<int32_t>(escaped ? Unescape(field, rawLength) : rawLength);
    }
    fields_.push_back(span);
    field = stop < end ? stop + 1 : stop;
  }
  ++rowsRead_;
  return true;
}

Cell CopyRows::Get(size_t column) {
  const FieldSpan& span = fields_[(row_ - 1) * columns_.size() + column];
  Cell cell;
  if (span.length < 0) return cell;
  const std::string_view value(arena_.Data() + span.offset, static_cast<size_t>(span.length));
  if (isBytea_[column]) {
    cell.storage = CellStorage::kBlob;
    cell.bytes = DecodeBytea(value, scratch_[column]);
  } else {
    cell.storage = CellStorage::kText;
    cell.bytes = value;
  }
  return cell;
}

bool CopyRows::Rewind() {
  row_ = 0;
  return true;
}

void CopyRows::Drain() noexcept {
  if (copyDone_) return;
  copyDone_ = true;
  char* line = nullptr;
  while (PQgetCopyData(connection_, &line, 0) > 0) PQfreemem(line);
  while (PGresult* result = PQgetResult(connection_)) PQclear(result);
}

}  // namespace morvane::transport
