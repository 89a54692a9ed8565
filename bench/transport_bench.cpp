// SELECT * FROM Goods of a 1,000,000-row demo table:
//  - through the transport (dlopen'ed libnetbrg2.so) into a reply buffer,
//  - through `sqlite3 -csv`, `psql -c "COPY (...) TO STDOUT"` and
//    `mariadb --batch -e "..."`, whose output is read through a pipe and
//    counted,
// for SQLite and for throw-away PostgreSQL and MariaDB servers, in the same
// run (both MariaDB clients over TCP to 127.0.0.1). At
// the end the ratio transport time / client time is printed per back end.
// The data is generated once before the timed runs (a few seconds).
//
//   bench_transport [--rows=N] [google benchmark flags]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>

#include "tests/demo_db.h"
#include "tests/mariadb_fixture.h"
#include "tests/pg_fixture.h"
#include "tests/transport_client.h"

namespace morvane::testing {
namespace {

constexpr int kBaseGoods = 70;  // rows of data.sql
int totalRows = 1'000'000;
const char* const kQuery = "SELECT * FROM Goods";

std::string sqlitePath;
std::unique_ptr<PostgresServer> postgres;
std::string postgresProblem;
std::unique_ptr<MariaDbServer> mariadb;
std::string mariadbProblem;
TransportClient* client = nullptr;

bool Send(const std::string& sql) {
  const SendOutcome outcome = client->Send(sql);
  if (outcome.reply.status != 'S') std::cerr << "setup failed: " << outcome.reply.errorText << "\n";
  return outcome.reply.status == 'S';
}

bool PrepareSqlite() {
  sqlitePath = "/tmp/morvane-bench-" + std::to_string(getpid()) + ".db";
  if (!CreateEmptySqliteFile(sqlitePath)) return false;
  setenv("NETBRG_DATABASE", ("sqlite:" + sqlitePath).c_str(), 1);
  return client->Init().status == 0 && Send(DemoSchemaSql() + DemoDataSql()) &&
         Send(ScaleGoodsSql(totalRows - kBaseGoods, DemoBackEnd::kSQLite));
}

bool PreparePostgres() {
  postgres = PostgresServer::Start(postgresProblem);
  if (!postgres) return false;
  setenv("NETBRG_DATABASE", postgres->ConnectionInfo().c_str(), 1);
  return client->Init().status == 0 && Send(DemoSchemaSql() + DemoDataSql()) &&
         Send(ScaleGoodsSql(totalRows - kBaseGoods, DemoBackEnd::kPostgreSQL)) &&
         Send("ANALYZE Goods");
}

bool PrepareMariaDb() {
  mariadb = MariaDbServer::Start(mariadbProblem);
  if (!mariadb) return false;
  setenv("NETBRG_DATABASE", mariadb->Address().c_str(), 1);
  return client->Init().status == 0 && Send(DemoSchemaSql() + DemoDataSql()) &&
         Send(ScaleGoodsSql(totalRows - kBaseGoods, DemoBackEnd::kMariaDB)) &&
         Send("ANALYZE TABLE Goods");
}

// Runs a shell command and reads all of its output; returns the byte count.
size_t ReadCommand(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return 0;
  static char chunk[1 << 16];
  size_t total = 0;
  for (size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;) total += got;
  pclose(pipe);
  return total;
}

enum class Server { kSqlite, kPostgres, kMariaDb };

void ThroughTransport(benchmark::State& state, Server server) {
  if ((server == Server::kPostgres && !postgres) || (server == Server::kMariaDb && !mariadb)) {
    state.SkipWithError(server == Server::kPostgres ? postgresProblem.c_str()
                                                    : mariadbProblem.c_str());
    return;
  }
  const std::string database = server == Server::kSqlite     ? "sqlite:" + sqlitePath
                               : server == Server::kPostgres ? postgres->ConnectionInfo()
                                                             : mariadb->Address();
  setenv("NETBRG_DATABASE", database.c_str(), 1);
  if (client->Init().status != 0) {
    state.SkipWithError("init failed");
    return;
  }
  size_t bytes = 0;
  for (auto _ : state) {
    TransportReply reply = client->SendRaw(kQuery);
    if (reply.data == nullptr || reply.data[4] != 'S') {
      state.SkipWithError("query failed");
      client->Free(reply.data);
      break;
    }
    bytes = static_cast<size_t>(reply.length);
    int32_t records = 0;
    std::memcpy(&records, reply.data + 5, 4);
    state.counters["records"] = records;
    client->Free(reply.data);
  }
  state.counters["reply_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_TransportSqlite(benchmark::State& state) {
  ThroughTransport(state, Server::kSqlite);
}
void BM_TransportPostgres(benchmark::State& state) {
  ThroughTransport(state, Server::kPostgres);
}
void BM_TransportMariaDb(benchmark::State& state) {
  ThroughTransport(state, Server::kMariaDb);
}

void BM_Sqlite3Csv(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) bytes = ReadCommand("sqlite3 -csv '" + sqlitePath + "' '" + kQuery + "'");
  if (bytes == 0) state.SkipWithError("sqlite3 printed nothing (is the sqlite3 client installed?)");
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_PsqlCopy(benchmark::State& state) {
  if (!postgres) {
    state.SkipWithError(postgresProblem.c_str());
    return;
  }
  const std::string psql = postgres->BinDirectory() + "/psql";
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = ReadCommand("'" + psql + "' -X -q '" + postgres->ConnectionInfo() + "' -c 'COPY (" +
                        kQuery + ") TO STDOUT'");
  }
  if (bytes == 0) state.SkipWithError("psql printed nothing");
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_MariadbBatch(benchmark::State& state) {
  if (!mariadb) {
    state.SkipWithError(mariadbProblem.c_str());
    return;
  }
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = ReadCommand("mariadb --no-defaults --batch --default-character-set=utf8mb4 -uroot "
                        "--protocol=TCP -h127.0.0.1 -P" +
                        std::to_string(mariadb->Port()) + " -D morvane -e '" + kQuery + "'");
  }
  if (bytes == 0) state.SkipWithError("mariadb printed nothing");
  state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
}

BENCHMARK(BM_TransportSqlite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Sqlite3Csv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_TransportPostgres)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_PsqlCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_TransportMariaDb)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_MariadbBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Keeps each benchmark's mean real time to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.iterations > 0) {
        times_[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatio(const std::string& transport, const std::string& tool) const {
    const auto left = times_.find(transport);
    const auto right = times_.find(tool);
    if (left == times_.end() || right == times_.end()) return;
    std::printf("ratio %s / %s = %.2f (below 1: the transport is faster)\n", transport.c_str(),
                tool.c_str(), left->second / right->second);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace
}  // namespace morvane::testing

int main(int argc, char** argv) {
  using namespace morvane::testing;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) == 0)
      totalRows = std::max(kBaseGoods, std::atoi(argv[i] + 7));
  }
  benchmark::Initialize(&argc, argv);
  TransportClient transport;
  client = &transport;
  std::printf("preparing %d rows of Goods in SQLite, PostgreSQL and MariaDB...\n", totalRows);
  if (!PrepareSqlite()) {
    std::fprintf(stderr, "cannot prepare the SQLite database\n");
    std::filesystem::remove(sqlitePath);
    return 1;
  }
  if (!PreparePostgres() && postgres) postgres.reset();
  if (!postgres) std::printf("PostgreSQL skipped: %s\n", postgresProblem.c_str());
  if (!PrepareMariaDb() && mariadb) mariadb.reset();
  if (!mariadb) std::printf("MariaDB skipped: %s\n", mariadbProblem.c_str());

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_TransportSqlite/iterations:5/real_time",
                      "BM_Sqlite3Csv/iterations:5/real_time");
  reporter.PrintRatio("BM_TransportPostgres/iterations:5/real_time",
                      "BM_PsqlCopy/iterations:5/real_time");
  reporter.PrintRatio("BM_TransportMariaDb/iterations:5/real_time",
                      "BM_MariadbBatch/iterations:5/real_time");

  transport.Close();
  postgres.reset();
  mariadb.reset();
  std::filesystem::remove(sqlitePath);
  benchmark::Shutdown();
  return 0;
}
