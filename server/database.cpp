#include "server/database.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/dataset.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "server/session_messages.h"
#include "server/sql_wait_cursor.h"

namespace morvane {

namespace {

constexpr size_t kUserIDWidth = 10;
// Position of the dialect digit in the init reply.
constexpr size_t kEngineCharIndex = 4;
// Offset of the status character in a reply buffer: after the 32-bit size.
constexpr size_t kReplyStatusOffset = 4;
constexpr char kErrorReply = 'E';

int AddTo(std::vector<TzelDataset*>& list, TzelDataset* dataSet) {
  auto found = std::find(list.begin(), list.end(), dataSet);
  if (found != list.end()) return int(found - list.begin());
  list.push_back(dataSet);
  return int(list.size()) - 1;
}

void RemoveFrom(std::vector<TzelDataset*>& list, TzelDataset* dataSet) {
  auto found = std::find(list.begin(), list.end(), dataSet);
  if (found != list.end()) list.erase(found);
}

TzelDataset* ItemOf(const std::vector<TzelDataset*>& list, int index) {
  if (index < 0 || size_t(index) >= list.size()) return nullptr;
  return list[size_t(index)];
}

// Texts the session does not send: nothing but blanks and control
// characters. A statement after a leading line break or tab is still a
// statement: skipping it while answering true would tell the caller that
// SQL reached the server when it never left the program.
bool NothingToSend(const std::string& text) {
  return Trim(text).empty();
}

// The message of an error reply ('E', the text, a zero byte); empty for any
// other reply.
std::string ErrorTextOf(const std::vector<char>& reply) {
  if (reply.size() <= kReplyStatusOffset || reply[kReplyStatusOffset] != kErrorReply) return {};
  const auto begin = reply.begin() + kReplyStatusOffset + 1;
  return std::string(begin, std::find(begin, reply.end(), '\0'));
}

// Constant-initialised, so it is null before any constructor runs.
TzelDatabase* processSession = nullptr;

}  // namespace

TzelDatabase::TzelDatabase() : TzelDatabase(std::make_unique<TransportLibrary>()) {}

TzelDatabase::TzelDatabase(std::unique_ptr<TransportLibrary> transport)
    : transport_(std::move(transport)) {
  SetDateFormat("dd/mm/yyyy");
  replacedRegistry_ = SessionRegistry();
  SetSessionRegistry(&registry_);
}

TzelDatabase::~TzelDatabase() {
  Disconnect();
  CloseRegisteredDataSets();
  dataSets_.clear();
  updated_.clear();
  if (SessionRegistry() == &registry_) SetSessionRegistry(replacedRegistry_);
  // transport_ goes last: its destructor unloads the library.
}

int TzelDatabase::Add(TzelDataset* dataSet) {
  return AddTo(dataSets_, dataSet);
}
void TzelDatabase::Delete(TzelDataset* dataSet) {
  RemoveFrom(dataSets_, dataSet);
}
TzelDataset* TzelDatabase::GetDataSet(int index) const {
  return ItemOf(dataSets_, index);
}

int TzelDatabase::AddUpdated(TzelDataset* dataSet) {
  return AddTo(updated_, dataSet);
}
void TzelDatabase::DeleteUpdated(TzelDataset* dataSet) {
  RemoveFrom(updated_, dataSet);
}
TzelDataset* TzelDatabase::GetUpdatedDataSet(int index) const {
  return ItemOf(updated_, index);
}

void TzelDatabase::Connect() {
  if (connected_) return;
  if (!transport_->Loaded()) DatabaseError(sessionmsg::kTransportNotFound);
  // A library without all four entry points leaves the session closed
  // without a word; the caller sees Connected() stay false.
  if (!transport_->Complete()) return;
  replyText_.clear();
  TransportResult reply = transport_->Init(connectText_);
  connected_ = reply.status >= 0;
  const std::vector<char>& text = reply.bytes;
  replyText_.assign(text.begin(), std::find(text.begin(), text.end(), '\0'));
  // -1 is "not reachable": the caller reports it in its own words.
  if (reply.status < -1) DatabaseError(zelconst::_Z_NOCONNECT);
}

std::string TzelDatabase::ReplyNotice() const {
  const size_t lineEnd = replyText_.find('\n');
  return lineEnd == std::string::npos ? std::string() : replyText_.substr(lineEnd + 1);
}

void TzelDatabase::SelectEngineFromReply() {
  if (replyText_.size() <= kEngineCharIndex) return;
  switch (replyText_[kEngineCharIndex]) {
    case '1':
      SetEngine(zeMSSQL);
      break;
    case '2':
      SetEngine(zeDAO);
      break;
    case '3':
      SetEngine(zeMSSQL_O);
      break;
    default:
      break;  // an unknown dialect keeps the session's own
  }
}

void TzelDatabase::Disconnect() {
  if (connected_) transport_->Close();
  connected_ = false;
}

bool TzelDatabase::SetStatementProgress(StatementProgress handler) {
  if (handler && !CanReportProgress()) return false;
  statementProgress_ = std::move(handler);
  return true;
}

int32_t TzelDatabase::ReportStatement(void* session, int32_t done, int32_t total,
                                      int64_t rowsChanged) {
  // A copy: the handler may replace itself while it runs.
  const StatementProgress handler = static_cast<TzelDatabase*>(session)->statementProgress_;
  if (!handler) return 0;
  try {
    return handler(done, total, rowsChanged) ? 0 : 1;
  } catch (...) {
    // Nothing may cross the library; a handler that failed cancels, so that
    // nothing is committed that its caller did not see through.
    return 1;
  }
}

TransportResult TzelDatabase::SendToServer(const std::string& request) {
  // The library holds the handler only for this call, so it never keeps a
  // pointer to a session that is gone. A request sent from inside the
  // handler leaves it to the outer call (the transport refuses that request).
  struct Reporting {
    TzelDatabase& session;
    const bool outermost = !session.sending_;
    const bool installed =
        outermost && session.statementProgress_ != nullptr &&
        session.transport_->SetProgressHandler(&TzelDatabase::ReportStatement, &session);
    explicit Reporting(TzelDatabase& owner) : session(owner) { session.sending_ = true; }
    ~Reporting() {
      if (outermost) session.sending_ = false;
      if (installed) session.transport_->SetProgressHandler(nullptr, nullptr);
    }
  };
  TransportResult reply;
  {
    const Reporting reporting(*this);
    reply = transport_->Send(request);
  }
  lastReplyTail_ = ReadReplyTail(reply.bytes);
  lastErrorText_ = ErrorTextOf(reply.bytes);
  if (reply.status < 0) Disconnect();
  return reply;
}

std::string TzelDatabase::WithServerReason(const std::string& message) const {
  if (lastErrorText_.empty()) return message;
  return message + "\n" + lastErrorText_;
}

bool TzelDatabase::UpdateToServer(const std::string& text) {
  lastReplyTail_ = {};
  lastErrorText_.clear();
  if (NothingToSend(text)) return true;
  if (!connected_) {
    // Reporting success here would let the caller commit changes that never
    // reached the server. Connect once, as a query load does; callers rely
    // on a Boolean, so a failed connect is a false result, not an error.
    try {
      Connect();
    } catch (const EDatabaseError& error) {
      lastErrorText_ = replyText_.empty() ? error.what() : replyText_;
      return false;
    }
    if (!connected_) {
      lastErrorText_ = replyText_;
      return false;
    }
  }
  TransportResult reply = SendToServer(userID_ + Trim(text));
  // A reply too short to hold its status character cannot be read: false.
  bool accepted =
      reply.bytes.size() > kReplyStatusOffset && reply.bytes[kReplyStatusOffset] != kErrorReply;
  accepted = accepted && connected_;
  if (!accepted && lastErrorText_.empty()) lastErrorText_ = zelconst::_Z_NOREPLY;
  return accepted;
}

bool TzelDatabase::FreeSQL(const std::string& text) {
  if (!connected_) return false;
  bool accepted;
  {
    SqlWaitCursor waitCursor;
    accepted = UpdateToServer(text);
  }
  if (!accepted) DatabaseError(WithServerReason(zelconst::_Z_ERRUPDATESERVER));
  return true;
}

void TzelDatabase::SetEngine(TzelEngine engine) {
  engine_ = engine;
  if (engine == zeDAO) {
    dateFormat_ = "mm/dd/yyyy";
    dateQuote_ = '#';
  } else {
    dateQuote_ = '\'';
  }
}

void TzelDatabase::SetUserID(const std::string& userID) {
  userID_ = userID;
  if (!userID_.empty() && userID_.size() < kUserIDWidth) userID_.resize(kUserIDWidth, ' ');
}

void TzelDatabase::CloseRegisteredDataSets() {
  // Closing a dataset removes it from the registry. Going from the last to
  // the first closes clones (opened after their source) before the source.
  while (!dataSets_.empty()) {
    TzelDataset* dataSet = dataSets_.back();
    try {
      dataSet->Close();
    } catch (...) {
      // The session is going away and cannot report; a dataset that refused
      // to close is forgotten like the others.
    }
    // A dataset whose close failed is still listed; never visit it twice.
    RemoveFrom(dataSets_, dataSet);
  }
}

ZelTblUnit::ZelTblUnit() : ZelTblUnit(std::make_unique<TransportLibrary>()) {}

ZelTblUnit::ZelTblUnit(std::unique_ptr<TransportLibrary> transport) {
  if (processSession) throw std::logic_error("ZelTblUnit: the session zelDB exists already");
  session_ = std::make_unique<TzelDatabase>(std::move(transport));
  processSession = session_.get();
}

ZelTblUnit::~ZelTblUnit() {
  session_.reset();
  processSession = nullptr;
}

TzelDatabase& zelDB() {
  if (!processSession) throw std::logic_error("zelDB: no ZelTblUnit has created the session");
  return *processSession;
}

bool zelDBExists() {
  return processSession != nullptr;
}

}  // namespace morvane
