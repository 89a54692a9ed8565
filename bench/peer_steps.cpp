// peer_steps DATA.tsv WORKDIR: the engine's side of the side-by-side
// measurement with other in-memory engines. Every engine runs the same steps
// on the same generated table and prints the same lines, so the outputs can be
// set beside each other:
//
//   name<TAB>value        one measurement: wall-clock ms (CLOCK_MONOTONIC);
//                         names ending in _kib are KiB, in _calls or _rows counts
//   cpu:name<TAB>ms       the process CPU time of the same interval
//   # name<TAB>value      a check, printed once
//
// Steps in order: parse, append, heap_dataset_kib, save_binary, file_kib,
// load_binary, heap_loaded_kib, index_name, index_price, locate_id,
// locate_name, scan_sum_price, filter_scan_count, peak_rss_kib. Everything
// goes through the dataset's public API (TzelTable, fields, Locate, FindTab).
// The saved data file stays in WORKDIR as peer_steps.d for the export
// comparison (bench/export_vs_sqlite.sh).
//
// The TSV holds a header line and rows of: id (integer), name (text of up to
// 30 bytes), descr (text of up to 200 bytes), price (two decimals), qty
// (integer), flag (0 or 1), created (yyyy-mm-dd).
#include <malloc.h>
#include <time.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/date_time.h"
#include "server/table.h"

namespace morvane {
namespace {

constexpr int kLookups = 100'000;
constexpr double kLookupBudgetMs = 20'000;

struct Columns {
  std::vector<int32_t> ids;
  std::vector<std::string> names;
  std::vector<std::string> descrs;
  std::vector<double> prices;
  std::vector<int32_t> qtys;
  std::vector<uint8_t> flags;
  std::vector<TDateTime> created;
  size_t Count() const { return ids.size(); }
};

double NowMs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// One timed interval: wall clock and process CPU time.
class Interval {
 public:
  Interval() : wall_(NowMs(CLOCK_MONOTONIC)), cpu_(NowMs(CLOCK_PROCESS_CPUTIME_ID)) {}
  double WallMs() const { return NowMs(CLOCK_MONOTONIC) - wall_; }
  double CpuMs() const { return NowMs(CLOCK_PROCESS_CPUTIME_ID) - cpu_; }

 private:
  double wall_;
  double cpu_;
};

void PrintTime(const char* name, double wallMs, double cpuMs) {
  std::printf("%s\t%.1f\ncpu:%s\t%.1f\n", name, wallMs, name, cpuMs);
  std::fflush(stdout);
}

void PrintStep(const char* name, const Interval& interval) {
  PrintTime(name, interval.WallMs(), interval.CpuMs());
}

void PrintCount(const char* name, long long value) {
  std::printf("%s\t%lld\n", name, value);
  std::fflush(stdout);
}

// Bytes the allocator has handed out, mapped chunks included.
long long HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return (long long)(info.uordblks + info.hblkhd);
}

long long PeakRssKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6);
  }
  return -1;
}

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(2);
  }
  return std::vector<char>(std::istreambuf_iterator<char>(file), {});
}

std::string_view NextCell(std::string_view& line) {
  const size_t tab = line.find('\t');
  std::string_view cell = line.substr(0, tab);
  line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
  return cell;
}

template <typename Number>
Number ParseNumber(std::string_view text) {
  Number value{};
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

Columns ParseTsv(const std::vector<char>& bytes) {
  Columns columns;
  std::string_view rest(bytes.data(), bytes.size());
  bool header = true;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (header || line.empty()) {
      header = false;
      continue;
    }
    columns.ids.push_back(ParseNumber<int32_t>(NextCell(line)));
    columns.names.emplace_back(NextCell(line));
    columns.descrs.emplace_back(NextCell(line));
    columns.prices.push_back(ParseNumber<double>(NextCell(line)));
    columns.qtys.push_back(ParseNumber<int32_t>(NextCell(line)));
    columns.flags.push_back(NextCell(line) == "1");
    const std::string_view date = NextCell(line);
    columns.created.push_back(EncodeDate(ParseNumber<int>(date.substr(0, 4)),
                                         ParseNumber<int>(date.substr(5, 2)),
                                         ParseNumber<int>(date.substr(8, 2))));
  }
  return columns;
}

// The row numbers of the lookup keys: splitmix64 from the given state.
std::vector<size_t> LookupRows(uint64_t state, size_t rowCount) {
  std::vector<size_t> rows(kLookups);
  for (size_t& row : rows) {
    state += 0x9E3779B97F4A7C15ULL;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    row = size_t(z % rowCount);
  }
  return rows;
}

// Runs lookup(i) for the keys until all are done or the budget is spent
// (checked every 16 calls); prints the time scaled to all keys and the calls
// made. False when a key was not found.
template <typename Lookup>
bool RunLookups(const char* name, Lookup lookup) {
  Interval interval;
  int calls = 0;
  bool allFound = true;
  while (calls < kLookups) {
    allFound = lookup(calls) && allFound;
    ++calls;
    if (calls % 16 == 0 && interval.WallMs() > kLookupBudgetMs) break;
  }
  const double scale = double(kLookups) / calls;
  PrintTime(name, interval.WallMs() * scale, interval.CpuMs() * scale);
  PrintCount((std::string(name) + "_calls").c_str(), calls);
  return allFound;
}

std::unique_ptr<TzelTable> AppendAll(const Columns& columns) {
  auto table = std::make_unique<TzelTable>();
  table->SetName("peer");
  TFieldDefs& defs = table->FieldDefs();
  defs.Add("id", ftInteger);
  defs.Add("name", ftString, 35);
  defs.Add("descr", ftString, 200);
  defs.Add("price", ftFloat);
  defs.Add("qty", ftInteger);
  defs.Add("flag", ftBoolean);
  defs.Add("created", ftDate);
  table->Open();
  TField* id = table->FieldByName("id");
  TField* name = table->FieldByName("name");
  TField* descr = table->FieldByName("descr");
  TField* price = table->FieldByName("price");
  TField* qty = table->FieldByName("qty");
  TField* flag = table->FieldByName("flag");
  TField* created = table->FieldByName("created");
  for (size_t row = 0; row < columns.Count(); ++row) {
    table->Append();
    id->SetAsInteger(columns.ids[row]);
    name->SetAsString(columns.names[row]);
    descr->SetAsString(columns.descrs[row]);
    price->SetAsFloat(columns.prices[row]);
    qty->SetAsInteger(columns.qtys[row]);
    flag->SetAsBoolean(columns.flags[row] != 0);
    created->SetAsDateTime(columns.created[row]);
    table->Post();
  }
  return table;
}

int Run(const std::string& dataPath, const std::string& workDir) {
  Columns columns;
  {
    Interval interval;
    columns = ParseTsv(ReadFile(dataPath));
    PrintStep("parse", interval);
  }
  const size_t rowCount = columns.Count();
  if (rowCount == 0) {
    std::fprintf(stderr, "no rows in %s\n", dataPath.c_str());
    return 2;
  }
  // Keys are made before anything is timed.
  std::vector<int32_t> idKeys;
  for (size_t row : LookupRows(42, rowCount)) idKeys.push_back(columns.ids[row]);
  std::vector<std::string> nameKeys;
  for (size_t row : LookupRows(4242, rowCount)) nameKeys.push_back(columns.names[row]);

  const std::string dataFile = (std::filesystem::path(workDir) / "peer_steps.d").string();
  {
    const long long before = HeapInUse();
    Interval interval;
    std::unique_ptr<TzelTable> table = AppendAll(columns);
    PrintStep("append", interval);
    PrintCount("heap_dataset_kib", (HeapInUse() - before) / 1024);

    Interval saving;
    table->SaveToFile(dataFile);
    PrintStep("save_binary", saving);
    PrintCount("file_kib", (long long)(std::filesystem::file_size(dataFile) / 1024));
  }

  const long long before = HeapInUse();
  TzelTable table;
  table.SetName("peer");
  {
    Interval interval;
    table.LoadFromFile(dataFile);
    PrintStep("load_binary", interval);
    PrintCount("heap_loaded_kib", (HeapInUse() - before) / 1024);
  }
  {
    Interval interval;
    table.SetIndexFieldNames("name");
    PrintStep("index_name", interval);
  }
  {
    Interval interval;
    table.SetIndexFieldNames("price");
    PrintStep("index_price", interval);
  }
  table.First();
  const double firstPrice = table.FieldByName("price")->AsFloat();

  bool allFound = RunLookups("locate_id", [&](int call) {
    return table.Locate("id", Variant(idKeys[size_t(call)]), {});
  });
  table.SetIndexFieldNames("name");
  allFound = RunLookups("locate_name",
                        [&](int call) { return table.FindTab("name", nameKeys[size_t(call)], true); }) &&
             allFound;

  double sum = 0;
  {
    Interval interval;
    TField* price = table.FieldByName("price");
    for (table.First(); !table.Eof(); table.Next()) sum += price->AsFloat();
    PrintStep("scan_sum_price", interval);
  }

  // The filter rebuilds the view; without an index it does not sort it.
  table.SetIndexFieldNames("");
  long long filtered = 0;
  {
    Interval interval;
    TField* qty = table.FieldByName("qty");
    table.OnFilterRecord = [qty](TDataSet*, bool& accept) { accept = qty->AsInteger() < 1000; };
    table.SetFiltered(true);
    for (table.First(); !table.Eof(); table.Next()) ++filtered;
    PrintStep("filter_scan_count", interval);
  }
  PrintCount("peak_rss_kib", PeakRssKib());

  std::printf("# first_price\t%.2f\n# sum_price\t%.2f\n# filter_count\t%lld\n", firstPrice, sum,
              filtered);
  if (!allFound) std::printf("# lookup_missed\t1\n");
  table.Close();
  return allFound ? 0 : 1;
}

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: peer_steps DATA.tsv WORKDIR\n");
    return 2;
  }
  try {
    return morvane::Run(argv[1], argv[2]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "peer_steps: %s\n", error.what());
    return 1;
  }
}
