// TzelDatabase: the program's session with the database server, and zelDB,
// the one session of the process.
//
// The session binds the transport library (server/transport_binding.h),
// opens and closes the connection through it, sends SQL text and hands back
// the server's replies. It keeps two registries of datasets it does not own:
// the open datasets, and the datasets holding changes not yet sent. Datasets
// keep the registries up to date themselves (they add themselves when they
// open or get their first pending change, and remove themselves when they
// close, commit or cancel). Destroying the session closes every dataset still
// registered.
//
// It also holds the SQL dialect that every generated statement uses: the
// engine, the date format and quote of date literals, and an optional user id
// that prefixes every request.
//
// Errors are EDatabaseError with the texts of engine/zelconst.h and
// server/session_messages.h. The
// session never retries: a reply with a negative status closes it, and the
// next query load (or UpdateToServer) connects again.
//
// Lifetime of zelDB. The process's session is created by a ZelTblUnit object
// and destroyed with it; main() holds one for the program's whole run, before
// any form or dataset is created:
//
//   int main(int argc, char** argv) {
//     morvane::ZelTblUnit zelTbl;       // creates zelDB, binds libnetbrg2.so
//     ...                               // forms, datasets, the message loop
//   }                                   // datasets go first, then the session
//
// zelDB() reaches it. An explicit owner (rather than a global object or a
// function-local static) fixes the moment the session ends: before the
// program's statics are torn down, while every dataset it may have to close
// still exists, and never before a dataset that still uses it.
//
// Datasets reach the registries through the engine's seam
// (engine/session_registry.h): a session installs its registries there while
// it lives. Sessions nest (tests): a session destroyed puts back the one it
// replaced.
//
// Single GUI thread; every transport call blocks until it returns.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/session_registry.h"
#include "server/reply_tail.h"
#include "server/transport_binding.h"

namespace morvane {

class TzelDataset;

// The server's SQL dialect; selects how dates are written in generated SQL.
enum TzelEngine : uint8_t { zeMSSQL, zeDAO, zeMSSQL_O };

class TzelDatabase {
 public:
  // Binds libnetbrg2.so (a missing library is reported at the first Connect).
  TzelDatabase();
  // Uses the given binding (tests, or a library at another place).
  explicit TzelDatabase(std::unique_ptr<TransportLibrary> transport);
  // Disconnects, closes every registered dataset, unloads the library.
  ~TzelDatabase();
  TzelDatabase(const TzelDatabase&) = delete;
  TzelDatabase& operator=(const TzelDatabase&) = delete;

  // Open datasets. Add appends a dataset not yet listed and returns its index
  // (the present index when it is listed already); Delete removes it when
  // listed; GetDataSet gives null for an index outside 0..count-1.
  int Add(TzelDataset* dataSet);
  void Delete(TzelDataset* dataSet);
  int GetDataSetCount() const { return int(dataSets_.size()); }
  TzelDataset* GetDataSet(int index) const;

  // Datasets holding changes not yet sent; the same rules.
  int AddUpdated(TzelDataset* dataSet);
  void DeleteUpdated(TzelDataset* dataSet);
  int GetUpdatedCount() const { return int(updated_.size()); }
  TzelDataset* GetUpdatedDataSet(int index) const;

  // The connection.
  bool Connected() const { return connected_; }
  // Opens the connection with ConnectText unless it is open. Raises
  // "Не найден файл netbrgt.dll" when the library is missing and
  // "Невозможно соединиться с сервером" when the init status is below -1;
  // a status of -1 or a missing entry point leaves the session closed
  // without an error. ReplyText receives the init reply.
  void Connect();
  void Disconnect();
  const std::string& ConnectText() const { return connectText_; }
  void SetConnectText(const std::string& text) { connectText_ = text; }
  const std::string& ReplyText() const { return replyText_; }
  // What the transport has to tell the user beyond its status: the lines of
  // ReplyText after the first (the place of a database it just created);
  // empty when there are none.
  std::string ReplyNotice() const;
  // The dialect the server announced when it connected: the fifth character
  // of ReplyText selects the engine ('1' zeMSSQL, '2' zeDAO, '3' zeMSSQL_O,
  // through SetEngine). A shorter reply or any other character keeps the
  // engine as it is.
  void SelectEngineFromReply();

  // Sends one request whose reply is examined only for an error. A text of
  // nothing but blanks and control characters is not sent and gives true
  // (a statement behind a leading line break is sent). On a closed
  // session it connects once; still closed (or the connect failed), it gives
  // false. Otherwise the trimmed text goes out with UserID in front; true
  // when the reply is not an error reply and the session is still open.
  bool UpdateToServer(const std::string& text);
  // The rows each statement of the last request changed, in order (-1 for a
  // statement without such a count, such as CREATE): filled when the server
  // took a request without a result set and its reply carries the counts
  // (server/reply_tail.h); empty otherwise. Read it after UpdateToServer or
  // FreeSQL; the next request replaces it.
  const std::vector<int64_t>& RowsChanged() const { return lastReplyTail_.rowsChanged; }
  // The position, from 0, of the statement the server refused in the last
  // request; -1 when it accepted it or did not say. After a cancel: the last
  // statement that ran.
  int FailedStatement() const { return lastReplyTail_.failedStatement; }
  // The statement progress handler cancelled the last request: the transport
  // rolled it back, nothing of it took effect.
  bool Cancelled() const { return lastReplyTail_.cancelled; }

  // Told after each statement of a request, while its transaction is still
  // open: done of total statements have run, the last changed rowsChanged
  // rows (-1 when it has no such count). False cancels the request. It runs
  // inside the blocking send: a request it sends itself is refused by the
  // transport (the one under way goes on), and it must not destroy the
  // session.
  using StatementProgress = std::function<bool(int done, int total, int64_t rowsChanged)>;
  // Whether the transport library can report statements (an older one
  // cannot, and its requests simply run to the end).
  bool CanReportProgress() const { return transport_->SupportsProgress(); }
  // Installs the handler for the requests that follow, until it is replaced
  // (an empty handler removes it). False, and nothing installed, when the
  // library cannot report.
  bool SetStatementProgress(StatementProgress handler);
  // Executes one statement for the application under the SQL-wait cursor.
  // On a closed session it gives false without sending or raising; a refused
  // statement raises _Z_ERRUPDATESERVER with the server's reason on the next
  // line (WithServerReason); otherwise true.
  bool FreeSQL(const std::string& text);
  // Why the last request sent by UpdateToServer or SendToServer was refused:
  // the text of the server's error reply (its message, a line break, "SQL: "
  // and the failing statement), or why nothing was sent (the transport's
  // init reply when the connect failed). Empty after an accepted request.
  const std::string& LastErrorText() const { return lastErrorText_; }
  // The system's message, and LastErrorText on the next line when there is
  // one: what the operator is shown when a request is refused.
  std::string WithServerReason(const std::string& message) const;

  // Pending changes of several datasets; an empty list means every dataset
  // of the updated registry (server/database_apply.cpp). ApplyUpdates posts
  // a pending edit or insert of each, sends the statements of all of them as
  // one request, then commits every dataset when the server took it, or
  // cancels every one and raises _Z_ERRUPDATESERVER (WithServerReason) when
  // it did not. Nothing
  // happens while the updated registry is empty.
  void ApplyUpdates(const std::vector<TzelDataset*>& dataSets = {});
  // Cancels the pending changes of the datasets, last to first.
  void CancelUpdates(const std::vector<TzelDataset*>& dataSets = {});

  // Sends a request as it stands (the caller has put UserID in front) and
  // gives the reply; a negative status closes the session. For the query
  // load of TzelTable, which handles the reply itself.
  TransportResult SendToServer(const std::string& request);

  // Dialect.
  TzelEngine Engine() const { return engine_; }
  // zeDAO also sets DateFormat "mm/dd/yyyy" and DateQuote '#'; any other
  // engine sets DateQuote to the apostrophe and keeps DateFormat.
  void SetEngine(TzelEngine engine);
  const std::string& DateFormat() const { return dateFormat_; }
  void SetDateFormat(const std::string& format) { dateFormat_ = format; }
  char DateQuote() const { return dateQuote_; }
  const std::string& UserID() const { return userID_; }
  // A non-empty id shorter than 10 bytes is padded with blanks to 10 bytes;
  // a longer one is kept whole.
  void SetUserID(const std::string& userID);

  const TransportLibrary& Transport() const { return *transport_; }

 private:
  // The engine's view of the registries. A member rather than a base, so
  // that Add and AddUpdated keep returning the index as callers expect.
  class Registry : public TzelSessionRegistry {
   public:
    explicit Registry(TzelDatabase& session) : session_(session) {}
    void Add(TzelDataset* dataSet) override { session_.Add(dataSet); }
    void Delete(TzelDataset* dataSet) override { session_.Delete(dataSet); }
    void AddUpdated(TzelDataset* dataSet) override { session_.AddUpdated(dataSet); }
    void DeleteUpdated(TzelDataset* dataSet) override { session_.DeleteUpdated(dataSet); }

   private:
    TzelDatabase& session_;
  };

  void CloseRegisteredDataSets();
  static int32_t ReportStatement(void* session, int32_t done, int32_t total, int64_t rowsChanged);

  std::vector<TzelDataset*> dataSets_;
  std::vector<TzelDataset*> updated_;
  bool connected_ = false;
  std::string dateFormat_;
  std::string replyText_;
  ReplyTail lastReplyTail_;  // of the last request sent
  std::string lastErrorText_;
  StatementProgress statementProgress_;
  bool sending_ = false;       // inside SendToServer
  TzelEngine engine_ = zeDAO;  // set directly: SetEngine would change the date dialect
  char dateQuote_ = '\'';
  std::string connectText_;
  std::string userID_;
  std::unique_ptr<TransportLibrary> transport_;
  Registry registry_{*this};
  TzelSessionRegistry* replacedRegistry_ = nullptr;
};

// The ZelTbl unit's start-up and shut-down: constructing it creates the
// process's session zelDB, destroying it destroys the session. One at a time.
class ZelTblUnit {
 public:
  ZelTblUnit();  // binds libnetbrg2.so
  explicit ZelTblUnit(std::unique_ptr<TransportLibrary> transport);
  ~ZelTblUnit();
  ZelTblUnit(const ZelTblUnit&) = delete;
  ZelTblUnit& operator=(const ZelTblUnit&) = delete;

  TzelDatabase& Session() { return *session_; }

 private:
  std::unique_ptr<TzelDatabase> session_;
};

// The process's session. Throws std::logic_error when no ZelTblUnit exists:
// a program that talks to the server holds one for its whole run.
TzelDatabase& zelDB();
// True while a ZelTblUnit exists.
bool zelDBExists();

}  // namespace morvane
