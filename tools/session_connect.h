// Opening the session zelDB for the tool, the way the wizard opens it: the
// application's identification text as the connect text, and the SQL dialect
// chosen by the fifth character of the transport's reply.
#pragma once

#include <ostream>

namespace morvane::tools {

// The text the application identifies itself with when it connects.
inline constexpr char kConnectText[] = "Morvane";

// Connects unless connected. When the connection fails, writes the
// transport's own reply (which says why) to err and raises the session's
// error, or "Невозможно соединиться с сервером" when the session raised none.
void ConnectSession(std::ostream& err);

}  // namespace morvane::tools
