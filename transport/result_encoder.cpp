#include "transport/result_encoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "transport/transport_error.h"
#include "transport/value_parsing.h"

namespace morvane::transport {

namespace {

constexpr char kFieldSeparator = 0x12;
constexpr char kRecordSeparator = 0x14;
constexpr size_t kHeaderSize = 17;
constexpr int kMaxInlineLength = 35;
constexpr int kMaxStringLength = 8191;  // readers refuse longer 's' values
constexpr int kDefaultStringLength = 36;
// UTF-8 takes up to four bytes per character.
constexpr int kMaxBytesPerCharacter = 4;

// Bytes that hold any value of a column declared `declaredLength` characters
// long (-1: not declared). Neither back end reports a byte limit of its own;
// SQLite does not even enforce the declared length, so longer values still
// widen the column by their own size.
int ByteCapacity(int declaredLength) {
  if (declaredLength < 0) return -1;
  return std::min(declaredLength, kMaxStringLength) * kMaxBytesPerCharacter;
}

enum class Encoding {
  kPending,
  kInt32,
  kInt64AsDouble,
  kDouble,
  kDecimal,
  kCurrency,
  kBoolean,
  kDate,
  kTime,
  kDateTime,
  kInlineText,
  kText,
  kBlob,
};

struct ColumnState {
  Encoding encoding = Encoding::kPending;
  int byteCapacity = -1;  // from the declared length; -1 when none
  size_t longest = 0;
};

Encoding InitialEncoding(const ColumnInfo& column) {
  switch (column.kind) {
    case ColumnKind::kUnknown:
      return Encoding::kPending;
    case ColumnKind::kInt32:
      return Encoding::kInt32;
    case ColumnKind::kInt64:
      return Encoding::kInt64AsDouble;
    case ColumnKind::kBoolean:
      return Encoding::kBoolean;
    case ColumnKind::kDouble:
      return Encoding::kDouble;
    case ColumnKind::kDecimal:
      return Encoding::kDecimal;
    case ColumnKind::kCurrency:
      return Encoding::kCurrency;
    case ColumnKind::kDate:
      return Encoding::kDate;
    case ColumnKind::kTime:
      return Encoding::kTime;
    case ColumnKind::kDateTime:
      return Encoding::kDateTime;
    case ColumnKind::kBlob:
      return Encoding::kBlob;
    case ColumnKind::kText: {
      const int capacity = ByteCapacity(column.declaredLength);
      return capacity >= 0 && capacity <= kMaxInlineLength ? Encoding::kInlineText
                                                           : Encoding::kText;
    }
  }
  return Encoding::kText;
}

Encoding EncodingForStorage(CellStorage storage) {
  switch (storage) {
    case CellStorage::kInteger:
      return Encoding::kInt32;
    case CellStorage::kReal:
      return Encoding::kDouble;
    case CellStorage::kBlob:
      return Encoding::kBlob;
    default:
      return Encoding::kText;
  }
}

// Writes one cell; returns its length byte, or -1 when the column's
// encoding had to be widened (state.encoding then holds the wider one).
class CellWriter {
 public:
  explicit CellWriter(ByteBuffer& out) : out_(out) {}

  int Write(ColumnState& state, const Cell& cell) {
    if (cell.storage == CellStorage::kNull) return 0;
    if (state.encoding == Encoding::kPending) state.encoding = EncodingForStorage(cell.storage);
    switch (state.encoding) {
      case Encoding::kInt32:
        return WriteInt32(state, cell);
      case Encoding::kInt64AsDouble:
        return WriteInt64(state, cell);
      case Encoding::kDouble:
        return WriteDouble(state, cell, 0, false);
      case Encoding::kDecimal:
        return WriteDouble(state, cell, 15, false);
      case Encoding::kCurrency:
        return WriteDouble(state, cell, 0, true);
      case Encoding::kBoolean:
        return WriteBoolean(state, cell);
      case Encoding::kDate:
      case Encoding::kDateTime:
        return WriteDate(state, cell);
      case Encoding::kTime:
        return WriteTime(state, cell);
      case Encoding::kInlineText:
      case Encoding::kText:
        return WriteText(state, cell);
      case Encoding::kBlob:
        return WriteBlob(cell.storage == CellStorage::kInteger || cell.storage == CellStorage::kReal
                             ? NumberText(cell)
                             : cell.bytes);
      case Encoding::kPending:
        break;
    }
    return 0;
  }

 private:
  static int Widen(ColumnState& state, Encoding wider) {
    state.encoding = wider;
    return -1;
  }

  std::string_view NumberText(const Cell& cell) {
    char* end = cell.storage == CellStorage::kInteger
                    ? std::to_chars(scratch_, scratch_ + sizeof scratch_, cell.integer).ptr
                    : std::to_chars(scratch_, scratch_ + sizeof scratch_, cell.real).ptr;
    return std::string_view(scratch_, static_cast<size_t>(end - scratch_));
  }

  bool CellInteger(const Cell& cell, int64_t& value) {
    if (cell.storage == CellStorage::kInteger) {
      value = cell.integer;
      return true;
    }
    if (cell.storage == CellStorage::kReal) {
      if (cell.real != std::trunc(cell.real) || std::fabs(cell.real) > 9.0e15) return false;
      value = static_cast<int64_t>(cell.real);
      return true;
    }
    return cell.storage == CellStorage::kText && TryParseInt64(cell.bytes, value);
  }

  int WriteInt32(ColumnState& state, const Cell& cell) {
    int64_t value = 0;
    if (!CellInteger(cell, value)) {
      return Widen(state, cell.storage == CellStorage::kReal ? Encoding::kDouble : Encoding::kText);
    }
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
      return Widen(state, Encoding::kInt64AsDouble);
    }
    out_.AppendInt32(static_cast<int32_t>(value));
    return 4;
  }

  int WriteInt64(ColumnState& state, const Cell& cell) {
    int64_t value = 0;
    if (!CellInteger(cell, value) || !FitsDoubleExactly(value))
      return Widen(state, Encoding::kText);
    out_.AppendDouble(static_cast<double>(value));
    return 8;
  }

  int WriteDouble(ColumnState& state, const Cell& cell, int maxDigits, bool money) {
    double value = 0;
    if (cell.storage == CellStorage::kReal) {
      value = cell.real;
    } else if (cell.storage == CellStorage::kInteger) {
      if (!FitsDoubleExactly(cell.integer)) return Widen(state, Encoding::kText);
      value = static_cast<double>(cell.integer);
    } else if (cell.storage != CellStorage::kText ||
               !(money ? TryParseMoney(cell.bytes, value)
                       : TryParseDouble(cell.bytes, value, maxDigits))) {
      return Widen(state, Encoding::kText);
    }
    out_.AppendDouble(value);
    return 8;
  }

  int WriteBoolean(ColumnState& state, const Cell& cell) {
    bool value = false;
    if (cell.storage == CellStorage::kInteger) {
      value = cell.integer != 0;
    } else if (cell.storage != CellStorage::kText || !TryParseBool(cell.bytes, value)) {
      return Widen(state, Encoding::kText);
    }
    const int16_t slot = value ? -1 : 0;
    out_.Append(&slot, sizeof slot);
    return 2;
  }

  int WriteDate(ColumnState& state, const Cell& cell) {
    int32_t day = 0, timeMs = 0;
    if (cell.storage != CellStorage::kText || !TryParseIsoDateTime(cell.bytes, day, timeMs)) {
      return Widen(state, Encoding::kText);
    }
    if (state.encoding == Encoding::kDate) {
      if (timeMs != 0) return Widen(state, Encoding::kDateTime);
      out_.AppendInt32(day);
      return 4;
    }
    out_.AppendDouble(static_cast<double>(day) * 86'400'000.0 + timeMs);
    return 8;
  }

  int WriteTime(ColumnState& state, const Cell& cell) {
    int32_t timeMs = 0;
    if (cell.storage != CellStorage::kText || !TryParseIsoTime(cell.bytes, timeMs)) {
      return Widen(state, Encoding::kText);
    }
    out_.AppendInt32(timeMs);
    return 4;
  }

  int WriteText(ColumnState& state, const Cell& cell) {
    const std::string_view text =
        cell.storage == CellStorage::kInteger || cell.storage == CellStorage::kReal
            ? NumberText(cell)
            : cell.bytes;
    if (text.empty()) return 0;
    state.longest = std::max(state.longest, text.size());
    if (state.encoding == Encoding::kInlineText) {
      if (text.size() > kMaxInlineLength) return Widen(state, Encoding::kText);
      out_.Append(text.data(), text.size());
      return static_cast<int>(text.size());
    }
    return WriteBlob(text);
  }

  int WriteBlob(std::string_view bytes) {
    if (bytes.empty()) return 0;
    if (bytes.size() > 0x3FFFFFFF) throw TransportError("value longer than 1 GiB");
    out_.AppendInt32(static_cast<int32_t>(bytes.size()));
    out_.Append(bytes.data(), bytes.size());
    return 4;
  }

  ByteBuffer& out_;
  char scratch_[32];
};

std::string TypeCode(const ColumnState& state) {
  switch (state.encoding) {
    case Encoding::kInt32:
      return "i";
    case Encoding::kInt64AsDouble:
    case Encoding::kDouble:
    case Encoding::kDecimal:
      return "f";
    case Encoding::kCurrency:
      return "c";
    case Encoding::kBoolean:
      return "b";
    case Encoding::kDate:
      return "d";
    case Encoding::kTime:
      return "v";
    case Encoding::kDateTime:
      return "t";
    case Encoding::kBlob:
      return "g";
    case Encoding::kInlineText: {
      const int length = std::max({state.byteCapacity, static_cast<int>(state.longest), 1});
      return std::string(1, static_cast<char>(length <= 9 ? '0' + length : 'A' + length - 10));
    }
    case Encoding::kPending:  // only NULLs seen: any text type carries them
    case Encoding::kText: {
      if (state.longest > kMaxStringLength) return "m";
      // A declared length beyond what 's' can carry (varchar(100000)) is
      // capped: the values themselves all fit.
      const int length = std::min(
          std::max({state.byteCapacity, static_cast<int>(state.longest), kDefaultStringLength}),
          kMaxStringLength);
      std::string code = "s";
      code += std::to_string(length);
      return code;
    }
  }
  return "s";
}

void WriteHeader(char* place, int32_t totalLength, char status, int32_t records, int32_t fields,
                 int32_t layoutLength) {
  std::memcpy(place, &totalLength, 4);
  place[4] = status;
  std::memcpy(place + 5, &records, 4);
  std::memcpy(place + 9, &fields, 4);
  std::memcpy(place + 13, &layoutLength, 4);
}

}  // namespace

std::string LayoutName(const ColumnInfo& column) {
  std::string name = column.table.empty() ? column.name : column.table + "." + column.name;
  for (char& c : name) {
    if (c == ' ' || c == kFieldSeparator || c == kRecordSeparator) c = '_';
  }
  return name;
}

ByteBuffer EncodeResultSet(RowSource& rows) {
  const std::vector<ColumnInfo>& columns = rows.Columns();
  const size_t fieldCount = columns.size();
  std::vector<std::string> names;
  std::vector<ColumnState> states(fieldCount);
  size_t layoutBound = 1;
  for (size_t i = 0; i < fieldCount; ++i) {
    names.push_back(LayoutName(columns[i]));
    layoutBound += names.back().size() + 14;  // blank, code, up to 11 digits, separator
    states[i].encoding = InitialEncoding(columns[i]);
    states[i].byteCapacity = ByteCapacity(columns[i].declaredLength);
  }
  // Records are written after a gap that the header and layout will fill;
  // the layout depends on the longest texts, known only at the end.
  const size_t gap = kHeaderSize + layoutBound;
  ByteBuffer out;
  CellWriter writer(out);
  int64_t recordCount = 0;
  for (bool widened = true; widened;) {
    widened = false;
    out.Clear();
    out.Extend(gap);
    recordCount = 0;
    for (ColumnState& state : states) state.longest = 0;
    while (!widened && rows.Next()) {
      const size_t lengthsAt = out.Size();
      out.Extend(fieldCount);
      for (size_t i = 0; i < fieldCount; ++i) {
        const int length = writer.Write(states[i], rows.Get(i));
        if (length < 0) {
          widened = true;
          break;
        }
        out.Data()[lengthsAt + i] = static_cast<char>(length);
      }
      ++recordCount;
    }
    if (widened && !rows.Rewind()) {
      throw TransportError("result set cannot be read again to widen a column");
    }
  }
  if (recordCount > std::numeric_limits<int32_t>::max() ||
      out.Size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw TransportError("result set too large for one reply (over 2 GiB)");
  }

  std::string layout;
  for (size_t i = 0; i < fieldCount; ++i) {
    layout += names[i];
    layout += ' ';
    layout += TypeCode(states[i]);
    layout += kFieldSeparator;
  }
  layout += kRecordSeparator;

  const size_t slack = gap - kHeaderSize - layout.size();
  const size_t total = out.Size() - slack;
  char* head = out.Data() + slack;
  WriteHeader(head, static_cast<int32_t>(total), 'S', static_cast<int32_t>(recordCount),
              static_cast<int32_t>(fieldCount), static_cast<int32_t>(layout.size()));
  std::memcpy(head + kHeaderSize, layout.data(), layout.size());
  if (slack > 0) {
    std::memmove(out.Data(), head, total);
    out.Truncate(total);
  }
  return out;
}

ByteBuffer EncodeEmptyResult() {
  ByteBuffer out;
  WriteHeader(out.Extend(kHeaderSize), kHeaderSize, 'S', 0, 0, 0);
  return out;
}

ByteBuffer EncodeErrorReply(std::string_view message) {
  ByteBuffer out;
  const int32_t total = static_cast<int32_t>(5 + message.size() + 1);
  out.AppendInt32(total);
  out.AppendByte('E');
  out.Append(message.data(), message.size());
  out.AppendByte(0);
  return out;
}

ByteBuffer EncodeEmptyResult(const std::vector<int64_t>& rowsChanged) {
  ByteBuffer out = EncodeEmptyResult();
  out.Append(kRowsChangedTag, 4);
  out.AppendInt32(static_cast<int32_t>(rowsChanged.size()));
  for (const int64_t count : rowsChanged) out.Append(&count, sizeof count);
  out.PutInt32(0, static_cast<int32_t>(out.Size()));
  return out;
}

ByteBuffer EncodeErrorReply(std::string_view message, int32_t failedStatement) {
  ByteBuffer out = EncodeErrorReply(message);
  out.Append(kFailedStatementTag, 4);
  out.AppendInt32(failedStatement);
  out.PutInt32(0, static_cast<int32_t>(out.Size()));
  return out;
}

ByteBuffer EncodeCancelledReply(std::string_view message, int32_t lastStatement) {
  ByteBuffer out = EncodeErrorReply(message, lastStatement);
  out.Append(kCancelledTag, 4);
  out.PutInt32(0, static_cast<int32_t>(out.Size()));
  return out;
}

}  // namespace morvane::transport
