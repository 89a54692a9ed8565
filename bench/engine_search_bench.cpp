// Ordering and searching a view of 1,000,000 records with an integer, a
// 30-byte inline text, a 120-byte heap text, a double and a date.
//
// Each sort case rebuilds the view (SortRecords: the pass over the store,
// then the sort). Beside each stands its floor: a plain std::sort of the same
// keys copied into a std::vector, measured in the same run; the "ratio"
// counter of a sort case is its time over that floor's.
//
// Values are spread by a fixed pseudo-random sequence, so every run sorts the
// same data and no column arrives sorted.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "bench/engine_sample.h"
#include "engine/test_dataset.h"
#include "platform/rtl/text.h"

namespace morvane {
namespace {

constexpr int kRecords = 1'000'000;

uint64_t Mix(uint64_t value) {
  value ^= value >> 33;
  value *= 0xff51afd7ed558ccdULL;
  value ^= value >> 33;
  value *= 0xc4ceb9fe1a85ec53ULL;
  return value ^ (value >> 33);
}

using Columns = bench::SampleColumns;

const Columns& SampleColumns() {
  static const Columns columns = [] {
    Columns made;
    const char* letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int index = 0; index < kRecords; ++index) {
      uint64_t random = Mix(uint64_t(index) + 1);
      made.ids.push_back(int32_t(random % 2'000'000'000));
      std::string code = std::to_string(random % 1'000'000'000'000ULL);
      code.resize(30, 'c');
      made.codes.push_back(code);
      std::string name(120, 'n');
      uint64_t spread = Mix(random);
      for (int at = 0; at < 12; ++at) name[size_t(at)] = letters[(spread >> (at * 5)) % 52];
      made.names.push_back(name);
      made.sums.push_back(double(random % 10'000'000) / 100.0 + 0.5);
      made.days.push_back(730000 + index % 3650);
    }
    return made;
  }();
  return columns;
}

std::vector<char> SampleBuffer() {
  return bench::EncodeSampleBuffer(SampleColumns());
}

testing::MemoryDataset& Table() {
  static testing::MemoryDataset* table = [] {
    auto* made = new testing::MemoryDataset(SampleBuffer());
    made->Open();
    return made;
  }();
  return *table;
}

// Seconds per iteration of the floors, for the ratio counters.
std::map<std::string, double>& Floors() {
  static std::map<std::string, double> floors;
  return floors;
}

template <typename Key>
void RunFloor(benchmark::State& state, const std::vector<Key>& keys, const char* name) {
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<Key> copy = keys;
    state.ResumeTiming();
    auto started = std::chrono::steady_clock::now();
    std::sort(copy.begin(), copy.end());
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    benchmark::DoNotOptimize(copy.data());
  }
  Floors()[name] = total / double(state.iterations());
}

void BM_Floor_StdSortInt32(benchmark::State& state) {
  RunFloor(state, SampleColumns().ids, "int");
}
void BM_Floor_StdSortInlineText(benchmark::State& state) {
  RunFloor(state, SampleColumns().codes, "inline");
}
void BM_Floor_StdSortHeapText(benchmark::State& state) {
  RunFloor(state, SampleColumns().names, "heap");
}
void BM_Floor_StdSortDouble(benchmark::State& state) {
  RunFloor(state, SampleColumns().sums, "double");
}

void RunSort(benchmark::State& state, const char* index, TzelSortOptions options,
             const char* floor) {
  testing::MemoryDataset& table = Table();
  table.SetSortOptions(options);
  table.SetIndexFieldNames(index);
  double total = 0;
  for (auto _ : state) {
    auto started = std::chrono::steady_clock::now();
    table.SortRecords(true);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  }
  if (Floors().count(floor)) {
    state.counters["ratio"] = total / double(state.iterations()) / Floors()[floor];
  }
}

void BM_SortByInteger(benchmark::State& state) {
  RunSort(state, "ID", {}, "int");
}
void BM_SortByInlineText(benchmark::State& state) {
  RunSort(state, "CODE", {}, "inline");
}
void BM_SortByHeapText(benchmark::State& state) {
  RunSort(state, "NAME", {}, "heap");
}
void BM_SortByDouble(benchmark::State& state) {
  RunSort(state, "SUM", {}, "double");
}
void BM_SortByHeapTextCaseInsensitive(benchmark::State& state) {
  RunSort(state, "NAME", {zsoCaseInsensitive}, "heap");
}

// 100,000 key searches on the sorted key: binary.
void BM_FindTabBinary100k(benchmark::State& state) {
  testing::MemoryDataset& table = Table();
  table.SetSortOptions({});
  table.SetIndexFieldNames("ID");
  const std::vector<int32_t>& ids = SampleColumns().ids;
  int found = 0;
  for (auto _ : state) {
    for (int search = 0; search < 100'000; ++search) {
      found += table.FindTab("ID", std::to_string(ids[size_t(search) * 7 % ids.size()]), true);
    }
  }
  if (found != 100'000 * int(state.iterations())) state.SkipWithError("a key was not found");
}

// 1,000 key searches on a field the view is not sorted by: linear.
void BM_FindTabLinear1k(benchmark::State& state) {
  testing::MemoryDataset& table = Table();
  table.SetIndexFieldNames("ID");
  const std::vector<std::string>& codes = SampleColumns().codes;
  int found = 0;
  for (auto _ : state) {
    for (int search = 0; search < 1'000; ++search) {
      found += table.FindTab("CODE", codes[size_t(search) * 997 % codes.size()], true);
    }
  }
  if (found != 1'000 * int(state.iterations())) state.SkipWithError("a key was not found");
}

// One scan with loCaseInsensitive for a record near the end of the view.
void BM_LocateCaseInsensitive(benchmark::State& state) {
  testing::MemoryDataset& table = Table();
  table.SetIndexFieldNames("");
  const std::string key = AnsiUpperCase(SampleColumns().names[kRecords - 10]);
  for (auto _ : state) {
    if (!table.Locate("NAME", key, {loCaseInsensitive})) state.SkipWithError("not found");
  }
}

// A filter that accepts every tenth record: one rebuild of the view.
void BM_Filter10Percent(benchmark::State& state) {
  testing::MemoryDataset& table = Table();
  table.SetIndexFieldNames("");
  TField* id = table.FieldByName("ID");
  table.OnFilterRecord = [id](TDataSet*, bool& accept) { accept = id->AsInteger() % 10 == 0; };
  for (auto _ : state) {
    table.SetFiltered(true);
    state.PauseTiming();
    table.SetFiltered(false);
    state.ResumeTiming();
  }
  table.OnFilterRecord = nullptr;
}

void BM_GetSum(benchmark::State& state) {
  testing::MemoryDataset& table = Table();
  double sum = 0;
  for (auto _ : state) sum += table.GetSum("SUM");
  benchmark::DoNotOptimize(sum);
}

BENCHMARK(BM_Floor_StdSortInt32)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByInteger)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Floor_StdSortInlineText)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SortByInlineText)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Floor_StdSortHeapText)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SortByHeapText)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SortByHeapTextCaseInsensitive)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Floor_StdSortDouble)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortByDouble)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindTabBinary100k)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FindTabLinear1k)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LocateCaseInsensitive)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Filter10Percent)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_GetSum)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace morvane

BENCHMARK_MAIN();
