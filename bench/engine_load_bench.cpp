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

#include "engine/cursor.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

constexpr int kRecords = 1'000'000;

void AppendInt32(std::string& out, int32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  out.append(bytes, 4);
}

// The buffer is made once and shared by all cases.
const std::vector<char>& SampleBuffer() {
  static const std::vector<char> buffer = [] {
    std::string layout =
        std::string("T.ID i\x12T.CODE U\x12T.NAME s120\x12T.SUM f\x12T.DAY d\x12") +
        char(RecordSeparator);
    std::string body;
    body.reserve(size_t(kRecords) * 180 + layout.size() + 32);
    body += 'S';
    AppendInt32(body, kRecords);
    AppendInt32(body, 5);
    AppendInt32(body, int32_t(layout.size()));
    body += layout;
    std::string name(120, 'n');
    std::string code(30, 'c');
    for (int index = 0; index < kRecords; ++index) {
      body += char(4);
      body += char(30);
      body += char(4);
      body += char(8);
      body += char(4);
      AppendInt32(body, index + 1);
      std::string digits = std::to_string(index);
      std::memcpy(code.data(), digits.data(), digits.size());
      body += code;
      AppendInt32(body, 120);
      std::memcpy(name.data(), digits.data(), digits.size());
      body += name;
      double sum = index * 0.25 + 0.5;  // never 0: a zero is saved as absent
      char sumBytes[8];
      std::memcpy(sumBytes, &sum, 8);
      body.append(sumBytes, 8);
      AppendInt32(body, 730000 + index % 3650);
    }
    std::string whole;
    AppendInt32(whole, int32_t(body.size() + 4));
    whole += body;
    return std::vector<char>(whole.begin(), whole.end());
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
