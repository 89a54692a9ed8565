#include "tools/session_connect.h"

#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "server/database.h"

namespace morvane::tools {

namespace {

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
  session.SelectEngineFromReply();
  // The transport's news for the user, such as where it created the demo database.
  if (const std::string notice = session.ReplyNotice(); !notice.empty()) err << notice << '\n';
}

}  // namespace morvane::tools
