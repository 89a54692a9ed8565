#include "tests/pg_fixture.h"

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace morvane::testing {

namespace {

std::string FindBinDirectory() {
  if (const char* fromEnvironment = std::getenv("PG_BIN"); fromEnvironment != nullptr) {
    const std::string folder = fromEnvironment;
    return std::filesystem::exists(folder + "/initdb") ? folder : "";
  }
  std::string best;
  int bestVersion = -1;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
    const std::string name = entry.path().filename().string();
    const int version = std::atoi(name.c_str());
    if (version > bestVersion && std::filesystem::exists(entry.path() / "bin" / "initdb")) {
      bestVersion = version;
      best = (entry.path() / "bin").string();
    }
  }
  return best;
}

int FreeLoopbackPort() {
  const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
  if (descriptor < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(descriptor);
  return port;
}

std::string Tail(const std::string& fileName) {
  std::ifstream file(fileName);
  std::stringstream content;
  content << file.rdbuf();
  const std::string text = content.str();
  return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

}  // namespace

std::unique_ptr<PostgresServer> PostgresServer::Start(std::string& problem) {
  std::unique_ptr<PostgresServer> server(new PostgresServer());
  server->binDirectory_ = FindBinDirectory();
  if (server->binDirectory_.empty()) {
    problem =
        "PostgreSQL server binaries not found (no /usr/lib/postgresql/*/bin/initdb, "
        "PG_BIN not set); install the Debian package postgresql";
    return nullptr;
  }
  char folderTemplate[] = "/tmp/morvane-pg-XXXXXX";
  if (mkdtemp(folderTemplate) == nullptr) {
    problem = "cannot create a temporary folder";
    return nullptr;
  }
  server->folder_ = folderTemplate;
  if (geteuid() == 0) {
    const passwd* user = getpwnam("postgres");
    if (user == nullptr || chown(folderTemplate, user->pw_uid, user->pw_gid) != 0) {
      problem = "running as root but there is no usable `postgres` system user";
      return nullptr;
    }
    server->userPrefix_ = "runuser -u postgres -- ";
  }
  server->port_ = FreeLoopbackPort();
  const std::string initLog = server->folder_ + "/initdb.log";
  if (server->RunTool("initdb", "-D '" + server->folder_ +
                                    "/data' -U postgres -A trust -E UTF8 "
                                    "--locale=C.UTF-8 --no-sync > '" +
                                    initLog + "' 2>&1") != 0) {
    problem = "initdb failed:\n" + Tail(initLog);
    return nullptr;
  }
  if (!server->PgCtl("start")) {
    problem = "pg_ctl start failed:\n" + Tail(server->folder_ + "/server.log");
    return nullptr;
  }
  server->running_ = true;
  server->connectionInfo_ = "host=127.0.0.1 port=" + std::to_string(server->port_) +
                            " user=postgres dbname=postgres connect_timeout=5";
  return server;
}

PostgresServer::~PostgresServer() {
  if (running_) PgCtl("stop");
  std::error_code error;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
}

int PostgresServer::RunTool(const std::string& tool, const std::string& arguments) const {
  const std::string command = userPrefix_ + "'" + binDirectory_ + "/" + tool + "' " + arguments;
  const int result = std::system(command.c_str());
  return result == 0 ? 0 : (WIFEXITED(result) ? WEXITSTATUS(result) : 1);
}

bool PostgresServer::PgCtl(const std::string& action) const {
  std::string arguments = "-D '" + folder_ + "/data' -w -t 60 ";
  if (action == "start") {
    // Durability is worthless for a throw-away server; speed is not.
    arguments += "-l '" + folder_ + "/server.log' -o \"-p " + std::to_string(port_) + " -k '" +
                 folder_ +
                 "' -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off"
                 " -c synchronous_commit=off\" start";
  } else {
    arguments += "-m fast stop";
  }
  return RunTool("pg_ctl", arguments + " > /dev/null 2>&1") == 0;
}

bool PostgresServer::Stop() {
  if (!running_) return true;
  running_ = !PgCtl("stop");
  return !running_;
}

bool PostgresServer::Restart() {
  if (running_) return true;
  running_ = PgCtl("start");
  return running_;
}

}  // namespace morvane::testing
