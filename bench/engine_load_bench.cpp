// Loading and saving a data buffer of 1,000,000 records with an integer, a
// 30-byte inline text, a 120-byte heap text, a double and a date.
//
// Counters: records/s (load or save rate) and, for the load, heap bytes held
// per record once loaded (records, data blocks, heap texts and the store's
// lists, measured through the allocator).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/engine_sample.h"
#include "engine/cursor.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

constexpr int kRecords = 1'000'000;

// The buffer is made once and shared by all cases.
const std::vector<char>& SampleBuffer() {
  static const std::vector<char> buffer = [] {
    bench::SampleColumns columns;
    std::string name(120, 'n');
    std::string code(30, 'c');
    for (int index = 0; index < kRecords; ++index) {
      const std::string digits = std::to_string(index);
      std::memcpy(code.data(), digits.data(), digits.size());
      std::memcpy(name.data(), digits.data(), digits.size());
      columns.ids.push_back(index + 1);
      columns.codes.push_back(code);
      columns.names.push_back(name);
      columns.sums.push_back(index * 0.25 + 0.5);
      columns.days.push_back(730000 + index % 3650);
    }
    return bench::EncodeSampleBuffer(columns);
  }();
  return buffer;
}

size_t HeapInUse() {
  return mallinfo2().uordblks;
}

void BM_LoadDataBuffer(benchmark::State& state) {
  const std::vector<char>& buffer = SampleBuffer();
  double bytesPerRecord = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TMemoryStream stream(buffer);
    TzelCursor cursor;
    std::string error;
    size_t before = HeapInUse();
    state.ResumeTiming();
    bool loaded = cursor.LoadFromStream(stream, error);
    state.PauseTiming();
    if (!loaded) state.SkipWithError(error.c_str());
    bytesPerRecord = double(HeapInUse() - before) / kRecords;
    cursor.Clear(true);
    state.ResumeTiming();
  }
  state.counters["records/s"] = benchmark::Counter(double(kRecords) * double(state.iterations()),
                                                   benchmark::Counter::kIsRate);
  state.counters["bytes/record"] = bytesPerRecord;
}
BENCHMARK(BM_LoadDataBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// A cursor loaded once for the save cases.
TzelCursor& LoadedCursor() {
  static TzelCursor cursor;
  static bool loaded = [] {
    TMemoryStream stream(SampleBuffer());
    std::string error;
    return cursor.LoadFromStream(stream, error);
  }();
  (void)loaded;
  return cursor;
}

void BM_SaveToBuffer(benchmark::State& state) {
  TzelCursor& cursor = LoadedCursor();
  if (cursor.SaveToBuffer() != SampleBuffer()) {
    state.SkipWithError("saved buffer differs from the loaded one");
    return;
  }
  for (auto _ : state) {
    std::vector<char> saved = cursor.SaveToBuffer();
    benchmark::DoNotOptimize(saved.data());
  }
  state.counters["records/s"] = benchmark::Counter(double(kRecords) * double(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveToBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveToFile(benchmark::State& state) {
  TzelCursor& cursor = LoadedCursor();
  std::string fileName = (std::filesystem::temp_directory_path() / "bench_engine.d").string();
  for (auto _ : state) cursor.SaveToFile(fileName);
  std::filesystem::remove(fileName);
  state.counters["records/s"] = benchmark::Counter(double(kRecords) * double(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace morvane

BENCHMARK_MAIN();
