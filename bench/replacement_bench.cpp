// 50,000 single-row UPDATEs run all-or-nothing:
//  - through the transport (dlopen'ed libnetbrg2.so) as one request, the way
//    an all-or-nothing replacement sends its script: the wizard's statements
//    (UPDATE Bench SET Bench.Unit = 'b1' WHERE Bench.Unit = 'a1'), each
//    ended by a semicolon and a line break;
//  - through the sqlite3 program, the same statements as SQLite receives them
//    from the transport's gateway (the SET target unqualified), between BEGIN
//    and COMMIT, read from a file on standard input;
// on one SQLite file, in the same run. Each iteration maps every value to
// the other of its two spellings (a1 -> b1, then b1 -> a1), so every
// iteration changes 50,000 rows and an even number of them leaves the table
// as it was. At the end the ratio transport time / sqlite3 time is printed;
// sqlite3_cpu_ms is the CPU time of the sqlite3 process per iteration, to
// set beside the transport's CPU column on a busy machine.
//
//   bench_replacement [--rows=N] [google benchmark flags]
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/demo_db.h"
#include "tests/transport_client.h"

namespace morvane::testing {
namespace {

int rows = 50'000;
std::string databasePath;
std::string scriptPaths[2];
std::string requests[2];
TransportClient* client = nullptr;

// Statements that turn every value of one spelling into the other.
std::string Statements(bool toB, bool qualified, const char* separator) {
  std::string text;
  const char* from = toB ? "a" : "b";
  const char* to = toB ? "b" : "a";
  for (int i = 1; i <= rows; ++i) {
    const std::string id = std::to_string(i);
    text += std::string("UPDATE Bench SET ") + (qualified ? "Bench." : "") + "Unit = '" + to + id +
            "' WHERE Bench.Unit = '" + from + id + "'" + separator;
  }
  return text;
}

bool Prepare() {
  databasePath = "/tmp/morvane-bench-replacement-" + std::to_string(getpid()) + ".db";
  if (!CreateEmptySqliteFile(databasePath)) return false;
  setenv("NETBRG_DATABASE", ("sqlite:" + databasePath).c_str(), 1);
  if (client->Init().status != 0) return false;
  const SendOutcome created = client->Send(
      "CREATE TABLE Bench (Id INTEGER NOT NULL PRIMARY KEY, Unit VARCHAR(20));\n"
      "CREATE INDEX Bench_Unit ON Bench (Unit);\n"
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
      std::to_string(rows) + ") INSERT INTO Bench (Id, Unit) SELECT i, 'a' || i FROM n");
  if (created.reply.status != 'S') {
    std::fprintf(stderr, "setup failed: %s\n", created.reply.errorText.c_str());
    return false;
  }
  for (int toB = 0; toB < 2; ++toB) {
    requests[toB] = Statements(toB != 0, true, ";\r\n");
    scriptPaths[toB] = databasePath + (toB ? ".to-b.sql" : ".to-a.sql");
    std::ofstream(scriptPaths[toB]) << "BEGIN;\n" << Statements(toB != 0, false, ";\n") << "COMMIT;\n";
  }
  return true;
}

int32_t ChangedRowsCheck() {
  // How many rows hold the 'a' spelling: all of them between runs.
  const SendOutcome counted = client->Send("SELECT COUNT(*) AS n FROM Bench WHERE Unit LIKE 'a%'");
  return counted.reply.records.empty() ? -1 : counted.reply.Int(0, 0);
}

void BM_AllOrNothingThroughTransport(benchmark::State& state) {
  int iteration = 0;
  for (auto _ : state) {
    TransportReply reply = client->SendRaw(requests[(iteration++ + 1) % 2]);
    const bool failed = reply.data == nullptr || reply.data[4] != 'S';
    client->Free(reply.data);
    if (failed) {
      state.SkipWithError("the request failed");
      break;
    }
  }
  state.counters["statements"] = rows;
  if (ChangedRowsCheck() != rows) state.SkipWithError("the table did not end as it started");
}

// CPU seconds of the finished child processes: sqlite3's own work, which
// the benchmark's CPU column (this process) does not see.
double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_Sqlite3BeginCommit(benchmark::State& state) {
  int iteration = 0;
  const double cpuBefore = ChildCpuSeconds();
  for (auto _ : state) {
    const std::string command = "sqlite3 -batch -bail '" + databasePath + "' < '" +
                                scriptPaths[(iteration++ + 1) % 2] + "'";
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("sqlite3 failed (is the sqlite3 client installed?)");
      break;
    }
  }
  state.counters["statements"] = rows;
  state.counters["sqlite3_cpu_ms"] =
      (ChildCpuSeconds() - cpuBefore) * 1000.0 / double(std::max<int64_t>(state.iterations(), 1));
  if (ChangedRowsCheck() != rows) state.SkipWithError("the table did not end as it started");
}

// Even iteration counts: each benchmark leaves the table as it found it.
BENCHMARK(BM_AllOrNothingThroughTransport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_Sqlite3BeginCommit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred && run.iterations > 0) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
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
    if (std::strncmp(argv[i], "--rows=", 7) == 0) rows = std::max(1, std::atoi(argv[i] + 7));
  }
  benchmark::Initialize(&argc, argv);
  TransportClient transport;
  client = &transport;
  std::printf("preparing %d rows...\n", rows);
  const bool prepared = Prepare();
  if (prepared) {
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("BM_AllOrNothingThroughTransport/iterations:6/real_time",
                        "BM_Sqlite3BeginCommit/iterations:6/real_time");
  } else {
    std::fprintf(stderr, "cannot prepare the SQLite database\n");
  }
  transport.Close();
  for (const std::string& path : {databasePath, scriptPaths[0], scriptPaths[1]}) {
    if (!path.empty()) std::filesystem::remove(path);
  }
  benchmark::Shutdown();
  return prepared ? 0 : 1;
}
