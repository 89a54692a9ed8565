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

// The cell of one value as the server sends it: bytea decoded (into scratch),
// any other type as its text.
Cell ValueCell(std::string_view value, bool isBytea, std::string& scratch) {
  Cell cell;
  if (isBytea) {
    cell.storage = CellStorage::kBlob;
    cell.bytes = DecodeBytea(value, scratch);
  } else {
    cell.storage = CellStorage::kText;
    cell.bytes = value;
  }
  return cell;
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
  if (PQgetisnull(current_, row_, index)) return Cell{};
  const std::string_view value(PQgetvalue(current_, row_, index),
                               static_cast<size_t>(PQgetlength(current_, row_, index)));
  return ValueCell(value, isBytea_[column], scratch_[column]);
}

bool PostgresRows::Rewind() {
  Enter(0);
  return true;
}

}  // namespace morvane::transport

namespace morvane::transport {

namespace {

constexpr uint8_t kNullHeader = 0xFE;
constexpr uint8_t kLongHeader = 0xFF;

char Unescaped(char escaped) {
  switch (escaped) {
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'v':
      return '\v';
    default:
      return escaped;  // "\\" and anything else stand for themselves
  }
}

}  // namespace

CopyRows::CopyRows(PGconn* connection, std::vector<ColumnInfo> columns, std::vector<bool> isBytea)
    : connection_(connection),
      columns_(std::move(columns)),
      isBytea_(std::move(isBytea)),
      scratch_(columns_.size()),
      fields_(columns_.size()) {}

CopyRows::~CopyRows() {
  Drain();
}

bool CopyRows::Next() {
  if (position_ == arena_.Size() && (copyDone_ || !ReadRow())) return false;
  const char* arena = arena_.Data();
  size_t position = position_;
  for (FieldSpan& field : fields_) {
    const auto header = static_cast<uint8_t>(arena[position++]);
    if (header == kNullHeader) {
      field = {position, -1};
      continue;
    }
    uint32_t length = header;
    if (header == kLongHeader) {
      std::memcpy(&length, arena + position, 4);
      position += 4;
    }
    field = {position, length};
    position += length;
  }
  position_ = position;
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
  // Headers take at most 5 bytes per field; values never grow.
  const size_t start = arena_.Size();
  const size_t room = static_cast<size_t>(length) + 5 * columns_.size();
  if (start + room > 0x7FFFFFFF) {
    PQfreemem(line);
    throw TransportError("result set too large for one reply (over 2 GiB)");
  }
  char* out = arena_.Extend(room);
  const char* field = line;
  const char* end = line + length;
  if (end > line && end[-1] == '\n') --end;
  for (size_t column = 0; column < columns_.size(); ++column) {
    if (end - field >= 2 && field[0] == '\\' && field[1] == 'N' &&
        (field + 2 == end || field[2] == '\t')) {
      *out++ = static_cast<char>(kNullHeader);
      field = field + 2 < end ? field + 3 : end;
      continue;
    }
    // One pass copies and unescapes; fields are short, so a byte loop
    // beats searching for the tab and copying separately.
    char* header = out++;
    char* value = out;
    while (field < end && *field != '\t') {
      if (*field == '\\' && field + 1 < end) {
        *out++ = Unescaped(field[1]);
        field += 2;
      } else {
        *out++ = *field++;
      }
    }
    if (field < end) ++field;  // the tab
    const auto written = static_cast<uint32_t>(out - value);
    if (written < kNullHeader) {
      *header = static_cast<char>(written);
    } else {
      std::memmove(value + 4, value, written);
      *header = static_cast<char>(kLongHeader);
      std::memcpy(value, &written, 4);
      out += 4;
    }
  }
  PQfreemem(line);
  arena_.Truncate(static_cast<size_t>(out - arena_.Data()));
  return true;
}

Cell CopyRows::Get(size_t column) {
  const FieldSpan& span = fields_[column];
  if (span.length < 0) return Cell{};
  const std::string_view value(arena_.Data() + span.offset, static_cast<size_t>(span.length));
  return ValueCell(value, isBytea_[column], scratch_[column]);
}

bool CopyRows::Rewind() {
  position_ = 0;
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
