#include "tests/mariadb_fixture.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace morvane::testing {

namespace {

std::string FindTool(const std::string& name) {
  for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/usr/local/sbin/", "/usr/local/bin/"}) {
    const std::string path = folder + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return "";
}

int FreeLoopbackPort() {
  const int descriptor = socket(AF_INET, SOCK_STREAM, 0);
  if (descriptor < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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

std::string UserName() {
  return geteuid() == 0 ? "root" : (std::getenv("USER") != nullptr ? std::getenv("USER") : "");
}

int Shell(const std::string& command) {
  const int result = std::system(command.c_str());
  return result == 0 ? 0 : (WIFEXITED(result) ? WEXITSTATUS(result) : 1);
}

}  // namespace

std::unique_ptr<MariaDbServer> MariaDbServer::Start(std::string& problem) {
  if (FindTool("mariadbd").empty() || FindTool("mariadb-install-db").empty() ||
      FindTool("mariadb").empty()) {
    problem =
        "MariaDB server binaries not found (no mariadbd, mariadb-install-db or mariadb); "
        "install the Debian packages mariadb-server and mariadb-client";
    return nullptr;
  }
  std::unique_ptr<MariaDbServer> server(new MariaDbServer());
  char folderTemplate[] = "/tmp/morvane-mariadb-XXXXXX";
  if (mkdtemp(folderTemplate) == nullptr) {
    problem = "cannot create a temporary folder";
    return nullptr;
  }
  server->folder_ = folderTemplate;
  server->socket_ = server->folder_ + "/mysqld.sock";
  server->port_ = FreeLoopbackPort();
  const std::string installLog = server->folder_ + "/install.log";
  if (Shell("'" + FindTool("mariadb-install-db") + "' --no-defaults --user=" + UserName() +
            " --datadir='" + server->folder_ +
            "/data' --auth-root-authentication-method=normal --skip-test-db > '" + installLog +
            "' 2>&1") != 0) {
    problem = "mariadb-install-db failed:\n" + Tail(installLog);
    return nullptr;
  }
  if (!server->Launch(problem)) return nullptr;
  if (!server->CreateDatabase("morvane")) {
    problem =
        "the server started but CREATE DATABASE failed:\n" + Tail(server->folder_ + "/server.log");
    return nullptr;
  }
  return server;
}

bool MariaDbServer::Launch(std::string& problem) {
  const std::vector<std::string> arguments = {
      FindTool("mariadbd"), "--no-defaults", "--user=" + UserName(),
      "--datadir=" + folder_ + "/data", "--socket=" + socket_, "--port=" + std::to_string(port_),
      "--bind-address=127.0.0.1", "--pid-file=" + folder_ + "/mysqld.pid",
      "--log-error=" + folder_ + "/server.log", "--character-set-server=utf8mb4", "--skip-log-bin",
      // Durability is worthless for a throw-away server; speed is not.
      "--innodb-flush-log-at-trx-commit=0", "--innodb-doublewrite=0",
      "--innodb-buffer-pool-size=256M", "--loose-innodb-use-native-aio=0"};
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) {
    problem = "fork failed";
    return false;
  }
  if (pid_ == 0) {
    // Ends with the test process, also when that one crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    // What the server says before its log is open goes to a file too.
    const int output = open((folder_ + "/stderr.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (output >= 0) {
      dup2(output, STDOUT_FILENO);
      dup2(output, STDERR_FILENO);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  for (int attempt = 0; attempt < 600; ++attempt) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      problem = "mariadbd exited at start:\n" + Tail(folder_ + "/server.log");
      return false;
    }
    if (std::filesystem::exists(socket_) && RunClient("", "-e 'SELECT 1' > /dev/null 2>&1") == 0) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  problem = "mariadbd did not answer within 60 s:\n" + Tail(folder_ + "/server.log");
  Stop();
  return false;
}

MariaDbServer::~MariaDbServer() {
  Stop();
  std::error_code error;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
}

std::string MariaDbServer::Address(const std::string& database) const {
  return "mariadb://root@127.0.0.1:" + std::to_string(port_) + "/" + database;
}

std::string MariaDbServer::SocketAddress(const std::string& database) const {
  return "mariadb://root@localhost/" + database + "?socket=" + socket_;
}

bool MariaDbServer::CreateDatabase(const std::string& name, const std::string& collation) {
  std::string create =
      "DROP DATABASE IF EXISTS " + name + "; CREATE DATABASE " + name + " CHARACTER SET utf8mb4";
  if (!collation.empty()) create += " COLLATE " + collation;
  return RunClient("", "-e '" + create + "'") == 0;
}

int MariaDbServer::RunClient(const std::string& database, const std::string& arguments) const {
  return Shell("'" + FindTool("mariadb") +
               "' --no-defaults --default-character-set=utf8mb4 -uroot --socket='" + socket_ +
               "' " + (database.empty() ? "" : "-D " + database + " ") + arguments);
}

bool MariaDbServer::Stop() {
  if (pid_ <= 0) return true;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int attempt = 0; attempt < 600; ++attempt) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return true;
}

bool MariaDbServer::Restart() {
  if (pid_ > 0) return true;
  std::string problem;
  return Launch(problem);
}

}  // namespace morvane::testing
