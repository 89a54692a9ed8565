// Painting the data grid over the engine's dataset: one full frame of a
// 960 x 600 grid (about 30 rows of five columns), and one page of
// scrolling (MoveBy a page, then the frame), over 100 and over 1,000,000
// records. The grid reads only its record window, so both should cost the
// same; the "ratio" counter of a 1,000,000-record case is its time over the
// 100-record case measured in the same run (registered first).
//
// Runs on the offscreen platform; the frame is rendered into an image. The
// ratio compares the thread's CPU time, which a busy machine disturbs less
// than the wall clock.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "bench/engine_sample.h"
#include "controls/grid/db_grid.h"
#include "engine/test_dataset.h"
#include "platform/db/data_source.h"
#include "platform/ui/qt_translations.h"

namespace morvane {
namespace {

std::vector<char> SampleBuffer(int records) {
  bench::SampleColumns columns;
  for (int index = 0; index < records; ++index) {
    columns.ids.push_back(index + 1);
    std::string code = "CODE" + std::to_string(index);
    code.resize(30, ' ');
    columns.codes.push_back(code);
    std::string name = "Наименование " + std::to_string(index);
    name.resize(120, '.');
    columns.names.push_back(name);
    columns.sums.push_back(1.5 + index);
    columns.days.push_back(738000 + index % 1000);
  }
  return bench::EncodeSampleBuffer(columns);
}

struct GridOver {
  explicit GridOver(int records) : table(SampleBuffer(records)) {
    table.Open();
    source.SetDataSet(&table);
    grid = std::make_unique<TzelDBGrid>();
    grid->resize(960, 600);
    grid->SetDataSource(&source);
    grid->show();
    QApplication::processEvents();
    // Somewhere in the middle, as an operator would be.
    table.MoveBy(records / 2);
    image = QImage(grid->size(), QImage::Format_ARGB32_Premultiplied);
  }
  ~GridOver() { grid.reset(); }

  void Frame() { grid->render(&image); }

  testing::MemoryDataset table;
  TDataSource source;
  std::unique_ptr<TzelDBGrid> grid;
  QImage image;
};

GridOver& Grid(int records) {
  static std::map<int, std::unique_ptr<GridOver>> grids;
  auto& grid = grids[records];
  if (!grid) grid = std::make_unique<GridOver>(records);
  return *grid;
}

std::map<std::string, double>& SmallCase() {
  static std::map<std::string, double> seconds;
  return seconds;
}

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

template <class Step>
void Measure(benchmark::State& state, const std::string& name, int records, Step step) {
  GridOver& grid = Grid(records);
  double total = 0;
  for (auto _ : state) {
    const double started = ThreadSeconds();
    step(grid);
    total += ThreadSeconds() - started;
  }
  const double perIteration = total / double(state.iterations());
  if (records == 100)
    SmallCase()[name] = perIteration;
  else if (SmallCase().count(name) != 0)
    state.counters["ratio"] = perIteration / SmallCase()[name];
  state.counters["rows"] = grid.grid->VisibleRowCount();
}

void PaintFrame(benchmark::State& state) {
  Measure(state, "frame", int(state.range(0)), [](GridOver& grid) { grid.Frame(); });
}

void ScrollPage(benchmark::State& state) {
  // A page down, and back up when the end is near, then the frame.
  Measure(state, "page", int(state.range(0)), [](GridOver& grid) {
    const int page = grid.grid->VisibleRowCount();
    if (grid.table.MoveBy(page) < page) grid.table.First();
    grid.Frame();
  });
}

BENCHMARK(PaintFrame)->Arg(100)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollPage)->Arg(100)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  morvane::LoadQtTranslations();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
