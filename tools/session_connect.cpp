#include "tools/session_connect.h"

#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "server/database.h"

namespace morvane::tools {

namespace {

constexpr size_t kEngineCharIndex = 4;

void SelectEngine(TzelDatabase& session) {
  const std::string& reply = session.ReplyText();
  if (reply.size() <= kEngineCharIndex) return;
  switch (reply[kEngineCharIndex]) {
    case '1':
      session.SetEngine(zeMSSQL);
      break;
    case '2':
      session.SetEngine(zeDAO);
      break;
    case '3':
      session.SetEngine(zeMSSQL_O);
      break;
    default:
      break;  // an unknown dialect keeps the session's own
  }
}

void ReportReply(const TzelDatabase& session, std::ostream& err) {
  if (!session.ReplyText().empty()) err << session.ReplyText() << '\n';
}

}  // namespace

void ConnectSession(std::ostream& err) {
  TzelDatabase& session = zelDB();
  if (session.Connected()) return;
  session.SetConnectText(kConnectText);
  try {
    session.Connect();
  } catch (const EDatabaseError&) {
    ReportReply(session, err);
    throw;
  }
  if (!session.Connected()) {
    ReportReply(session, err);
    DatabaseError(zelconst::_Z_NOCONNECT);
  }
  SelectEngine(session);
}

}  // namespace morvane::tools
