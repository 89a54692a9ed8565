#include "transport/connection.h"

#include "transport/demo_database.h"
#include "transport/result_encoder.h"
#include "transport/sql_gateway.h"
#include "transport/transport_error.h"

namespace morvane::transport {

namespace {

// The failing statement quoted in an error reply, cut to a readable length
// at a character boundary.
std::string QuoteStatement(std::string_view statement) {
  constexpr size_t kLimit = 400;
  if (statement.size() <= kLimit) return std::string(statement);
  size_t cut = kLimit;
  while (cut > 0 && (static_cast<unsigned char>(statement[cut]) & 0xC0) == 0x80) --cut;
  return std::string(statement.substr(0, cut)) + "...";
}

// Marks the connection busy for the life of one request.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};

}  // namespace

InitResult Connection::Init(const DatabaseSetting& setting) {
  if (busy_) return {-2, std::string("ERR: ") + kBusyMessage};
  Close();
  std::string notice;
  try {
    if (!setting.demoDataFolder.empty() &&
        CreateDemoDatabaseIfMissing(setting.target, setting.demoDataFolder)) {
      notice = "\n" + std::string(kDemoDatabaseCreated) + setting.target;
    }
    switch (setting.kind) {
      case DatabaseSetting::Kind::kSqlite:
        backend_ = OpenSqliteBackend(setting.target, BusyTimeoutMs());
        break;
      case DatabaseSetting::Kind::kPostgres:
        backend_ = OpenPostgresBackend(setting.target);
        break;
      case DatabaseSetting::Kind::kMariaDb:
        backend_ = OpenMariaDbBackend(setting.target);
        break;
    }
  } catch (const OpenFailure& failure) {
    return {failure.status, "ERR: " + failure.message};
  }
  // "OK: " puts the dialect digit in fifth place: '2', dates as #mm/dd/yyyy#.
  // After "; " the database itself, for the program's log; after a line break,
  // news for the user (where a default database was just created).
  return {0, "OK: 2 " + backend_->Description() + "; " + backend_->Location() + notice};
}

bool Connection::GoOn(size_t done, size_t total, int64_t rowsChanged) {
  if (progress_ == nullptr) return true;
  try {
    return progress_(progressContext_, static_cast<int32_t>(done), static_cast<int32_t>(total),
                     rowsChanged) == 0;
  } catch (...) {
    // A handler that fails cannot be trusted to have wanted the rest: the
    // request is cancelled, never half committed.
    return false;
  }
}

SendResult Connection::Send(std::string_view request) {
  SendResult result;
  if (busy_) {
    result.reply = EncodeErrorReply(kBusyMessage);
    return result;
  }
  if (backend_ == nullptr) {
    result.status = -1;
    result.reply = EncodeErrorReply("Нет соединения с базой данных");
    return result;
  }
  const std::vector<std::string> statements = SplitStatements(StripUserId(request));
  for (size_t index = 0; index < statements.size(); ++index) {
    if (ControlsTransaction(statements[index])) {
      result.reply = EncodeErrorReply(
          "Запрос выполняется одной транзакцией: управлять транзакцией в нём нельзя\r\nSQL: " +
              QuoteStatement(statements[index]),
          static_cast<int32_t>(index));
      return result;
    }
  }
  const BusyScope busy(busy_);
  std::string current;
  std::vector<int64_t> rowsChanged;  // per statement run so far
  try {
    backend_->Begin();
    bool haveRows = false;
    for (const std::string& statement : statements) {
      current = statement;
      if (backend_->Execute(TranslateStatement(statement, backend_->Dialect()), result.reply)) {
        haveRows = true;
      }
      rowsChanged.push_back(backend_->RowsChanged());
      if (!GoOn(rowsChanged.size(), statements.size(), rowsChanged.back())) {
        backend_->Rollback();
        result.reply =
            EncodeCancelledReply(kCancelledMessage, static_cast<int32_t>(rowsChanged.size() - 1));
        return result;
      }
    }
    current.clear();
    backend_->Commit();
    if (!haveRows) result.reply = EncodeEmptyResult(rowsChanged);
  } catch (const TransportError& error) {
    std::string message = error.what();
    if (!current.empty()) message += "\r\nSQL: " + QuoteStatement(current);
    // The failing statement is the one after those that ran.
    result.reply = current.empty()
                       ? EncodeErrorReply(message)
                       : EncodeErrorReply(message, static_cast<int32_t>(rowsChanged.size()));
    if (error.ConnectionLost()) {
      backend_.reset();
      result.status = -1;
    } else {
      backend_->Rollback();
    }
  } catch (const std::exception& error) {
    // Out of memory while encoding a large result: the request still fails
    // cleanly and the connection stays usable.
    backend_->Rollback();
    result.reply =
        EncodeErrorReply(std::string(error.what()) + "\r\nSQL: " + QuoteStatement(current));
  }
  return result;
}

void Connection::Close() {
  // The request under way still needs its back end; it ends by itself.
  if (busy_) return;
  backend_.reset();
}

}  // namespace morvane::transport
