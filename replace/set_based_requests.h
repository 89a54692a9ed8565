// What the set-based runs of a replacement (one_pass.h, one_pass_mariadb.h)
// send and read through the process session, whatever the server: rows read
// back as texts, rows written as a VALUES list of literals, a request that
// raises the server's reason when refused, and temporary tables dropped when
// the run leaves. Single GUI thread, like the session.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace morvane {

// The rows of a query, every column as its text ('.' as the decimal point,
// whatever the user's locale). Raises EDatabaseError when the query is refused.
std::vector<std::vector<std::string>> ReadRows(const std::string& query);

// "('a', 'b'),\r\n('c', 'd')": every value a text literal, which the server
// turns into the type of the column it goes into.
std::string ValuesList(const std::vector<std::vector<std::string>>& rows);

// Sends one request; raises EDatabaseError naming `what` with the server's
// reason when it is refused.
void SendRequest(const std::string& request, const std::string& what);

// Sends dropRequest when the scope ends, however it ends.
class TemporaryTablesScope {
 public:
  explicit TemporaryTablesScope(std::string dropRequest) : dropRequest_(std::move(dropRequest)) {}
  ~TemporaryTablesScope();
  TemporaryTablesScope(const TemporaryTablesScope&) = delete;
  TemporaryTablesScope& operator=(const TemporaryTablesScope&) = delete;

 private:
  std::string dropRequest_;
};

}  // namespace morvane
