// wizard_at_scale: the wizard's step 2 and step 3 on a large table, through
// TFormUM itself (offscreen), beside sqlite3 running the wizard's own queries
// on the same file in the same run.
//
//   wizard_at_scale DATABASE WORKDIR [RUNS]
//
// DATABASE is an SQLite file with Goods(Good, Unit) (the changed table),
// Units(Ident, name) (the allowed values) and Small(Good, Unit) (a small
// table for the paint comparison); bench/wizard_at_scale.sh makes one.
// WORKDIR receives the settings folders and sqlite3's output.
//
// Each run measures, in this order: sqlite3 with the distinct query and
// with the grouped count query (output to a file); on a fresh form of the
// written wizard, the read (ButtonReadClick until the step-2 grid has
// painted), painting the grid and scrolling it a page, and generating the
// script (ButtonGenClick and the memo's first paint, then the preview) with
// a few values mapped and with every value mapped; on a fresh form with
// counts and suggestions, the read, one edit (the summary follows it) and
// accepting every suggestion; the same read taken apart on a fresh form
// (each query's open, FillMapping, counts, suggestions); the read, paint and
// scroll of a 100-value table. The first run writes the mappings as read,
// the suggestions and the generated script into WORKDIR, to compare two
// builds. Each run prints its CPU ratios; at the end come the
// medians of all runs and the ratios. Wall and thread CPU times are printed;
// on a shared machine the CPU times are the steadier. Nothing is asserted.
#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/form_um.h"
#include "app/mapping.h"
#include "app/mapping_counts_suggestions.h"
#include "app/step3_execution.h"
#include "replace/suggestions.h"
#include "bench/bench_clock.h"
#include "controls/grid/db_grid.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/qt_translations.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane::bench {
namespace {

namespace fs = std::filesystem;

// Counts the paint events of a widget.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct Settings {
  fs::path plain;      // the written wizard, setting Goods.Unit
  fs::path additions;  // the same with counts and suggestions
  fs::path small;      // setting Small.Unit, the written wizard
};

void WriteIni(const fs::path& folder, const std::string& text) {
  fs::create_directories(folder);
  std::ofstream(folder / "Mvrn.ini") << text;
}

Settings MakeSettings(const fs::path& work) {
  Settings settings{work / "plain", work / "additions", work / "small"};
  WriteIni(settings.plain, "[Main]\r\nCurrCfg=Goods.Unit\r\n");
  WriteIni(settings.additions,
           "[Main]\r\nCurrCfg=Goods.Unit\r\n[Wizard]\r\nCounts=1\r\nSuggestions=1\r\n");
  WriteIni(settings.small,
           "[Main]\r\nCurrCfg=Small.Unit\r\n[Small.Unit]\r\nSrcTbl=Small\r\nSrcFld=Unit\r\n"
           "SUnFld=Good\r\nInfTbl=Units\r\nInfFld=Ident\r\n");
  return settings;
}

// A wizard form on step 2, as the operator sees it before reading.
std::unique_ptr<TFormUM> OpenForm(const fs::path& settings) {
  auto form = std::make_unique<TFormUM>(TFormUMOptions{{}, settings.string()});
  form->show();
  form->PageControl1->setCurrentIndex(1);
  QApplication::processEvents();
  return form;
}

// Lets the event loop run until the widget has painted at least once more.
void WaitForPaint(QWidget* widget, PaintCounter& counter) {
  const int before = counter.paints;
  for (int round = 0; round < 50 && counter.paints == before; ++round) {
    QApplication::processEvents();
  }
  if (counter.paints == before) widget->repaint();
}

struct ReadTimes {
  Sample whole;  // ButtonReadClick until the grid painted
  Sample paint;  // from the handler's return until the grid painted
};

ReadTimes TimeRead(TFormUM& form) {
  PaintCounter counter(form.GridM->viewport());
  ReadTimes times;
  times.whole = Time([&] {
    form.ButtonReadClick();
    times.paint = Time([&] { WaitForPaint(form.GridM->viewport(), counter); });
  });
  return times;
}

// The read taken apart, on the form's own tables (the grid attached, as in
// the handler): each step as ButtonReadClick runs it.
void TimeReadParts(TFormUM& form, Samples& samples) {
  CMorvane& commander = *form.AppCommander();
  const CMvCFG& cfg = commander.Cfg;
  auto part = [&samples](const char* name, auto step) {
    samples.Add(std::string("part: ") + name, Time(step));
  };
  part("open TableI (allowed values)",
       [&] { form.DS_Open(form.TableI, cfg.InfFld, &CMorvane::BuildSourceQuery, &commander); });
  part("open TableM (mapping query)",
       [&] { form.DS_Open(form.TableM, "", &CMorvane::BuildMappingQuery, &commander); });
  part("open TableS (distinct query)",
       [&] { form.DS_Open(form.TableS, "", &CMorvane::BuildValuesQuery, &commander); });
  TzelTable countsTable;
  TValueCounts counts;
  part("open counts (grouped query)",
       [&] { form.DS_Open(&countsTable, "", &CMorvane::BuildCountsQuery, &commander); });
  part("read counts, add count field", [&] {
    counts = ReadValueCounts(countsTable);
    AddCountField(*form.TableM);
  });
  part("FillMapping",
       [&] { FillMapping(*form.TableS, cfg.SrcFld, form.TableI, cfg.InfFld, *form.TableM); });
  part("FillCounts", [&] { FillCounts(*form.TableM, counts); });
  TValueSuggestions suggestions;
  part("suggestions", [&] {
    const TSuggester suggester(AllowedValuesOf(*form.TableI, cfg.InfFld));
    suggestions = SuggestFor(*form.TableM, suggester);
  });
  part("close TableS", [&] { form.DS_Close(form.TableS); });
  std::printf("  parts: %d values, %zu suggestions\n", form.TableM->RecordCount(),
              suggestions.size());
}

// Painting the step-2 grid: one frame, and one page of scrolling then a
// frame, per call; the thread's CPU time of `frames` of them.
Sample TimeFrames(TFormUM& form, int frames, bool scroll) {
  TzelDBGrid& grid = *form.GridM;
  QImage image(grid.size(), QImage::Format_ARGB32_Premultiplied);
  TzelTable& table = *form.TableM;
  table.First();
  table.MoveBy(table.RecordCount() / 2);
  Sample total = Time([&] {
    for (int frame = 0; frame < frames; ++frame) {
      if (scroll) {
        const int page = grid.VisibleRowCount();
        if (table.MoveBy(page) < page) table.First();
      }
      grid.render(&image);
    }
  });
  return {total.wall / frames, total.cpu / frames};
}

// The allowed value a generated spelling stands for: its first seven
// characters ("mera" and three digits) in lower case.
std::string AllowedFor(const std::string& value) {
  std::string allowed = value.substr(0, 7);
  for (char& character : allowed) character = char(std::tolower(uint8_t(character)));
  return allowed;
}

// Maps the first `limit` values (all when negative) to their allowed value.
void MapValues(TzelTable& mapping, int limit) {
  TField* src = mapping.FieldByName("src");
  TField* inf = mapping.FieldByName("inf");
  mapping.DisableControls();
  int mapped = 0;
  for (mapping.First(); !mapping.Eof() && (limit < 0 || mapped < limit); mapping.Next()) {
    mapping.Edit();
    inf->SetAsString(AllowedFor(src->AsString()));
    mapping.Post();
    ++mapped;
  }
  mapping.First();
  mapping.EnableControls();
}

// The operator maps one value in the middle of the mapping: with counts on,
// the summary under the grid follows every posted value.
Sample TimeOneEdit(TFormUM& form) {
  TzelTable& mapping = *form.TableM;
  mapping.First();
  mapping.MoveBy(mapping.RecordCount() / 2);
  TField* inf = mapping.FieldByName("inf");
  const std::string allowed = AllowedFor(mapping.FieldByName("src")->AsString());
  return Time([&] {
    mapping.Edit();
    inf->SetAsString(allowed);
    mapping.Post();
  });
}

// A click on the title "Записей": the largest counts first.
void SortByCounts(TFormUM& form) {
  TzelDBGrid* grid = form.GridM;
  grid->OnTitleClick(grid, grid->ColumnByName(kCountField));
  QApplication::processEvents();
}

void TimeGenerate(TFormUM& form, const std::string& name, Samples& samples) {
  PaintCounter counter(form.Memo1->viewport());
  form.PageControl1->setCurrentIndex(2);
  QApplication::processEvents();
  samples.Add("generate " + name + ": ButtonGenClick", Time([&] { form.ButtonGenClick(); }));
  samples.Add("generate " + name + ": memo painted",
              Time([&] { WaitForPaint(form.Memo1->viewport(), counter); }));
  samples.Add("generate " + name + ": preview", Time([&] { form.Step3().RefreshPreview(); }));
  std::printf("  generate %s: %d lines\n", name.c_str(), form.Memo1->document()->blockCount());
  form.PageControl1->setCurrentIndex(1);
}

// The mapping as read, one record a line (its fields tab-separated), so two
// builds can be compared.
void WriteMapping(TzelTable& mapping, const fs::path& file) {
  std::ofstream output(file);
  for (mapping.First(); !mapping.Eof(); mapping.Next()) {
    for (int index = 0; index < mapping.FieldCount(); ++index) {
      output << (index > 0 ? "\t" : "") << mapping.Fields()[index]->AsString();
    }
    output << '\n';
  }
  mapping.First();
}

void RunSqlite(const std::string& database, const std::string& sql, const fs::path& output,
               const std::string& name, Samples& samples) {
  int exitCode = 0;
  const Sample sample = RunProgram({"sqlite3", database, sql}, output.string(), exitCode);
  if (exitCode != 0) std::fprintf(stderr, "sqlite3 failed (%d): %s\n", exitCode, sql.c_str());
  samples.Add(name, sample);
}

size_t LineCount(const fs::path& file) {
  std::ifstream input(file);
  size_t lines = 0;
  for (std::string line; std::getline(input, line);) ++lines;
  return lines;
}

void PrintSample(const char* prefix, const std::string& name, Sample sample) {
  std::printf("%s%-44s %10.2f ms wall %10.2f ms cpu\n", prefix, name.c_str(), sample.wall * 1e3,
              sample.cpu * 1e3);
}

void PrintRatio(const std::string& name, Sample top, Sample bottom, const char* target) {
  std::printf("  %-52s wall %6.2f  cpu %6.2f  %s\n", name.c_str(),
              bottom.wall > 0 ? top.wall / bottom.wall : 0,
              bottom.cpu > 0 ? top.cpu / bottom.cpu : 0, target);
}

void Run(const std::string& database, const fs::path& work, int runs) {
  const Settings settings = MakeSettings(work);
  std::string distinctSql;
  std::string groupedSql;
  {
    CMorvane commander(settings.plain.string());
    commander.Cfg.Load();
    CMorvane::BuildValuesQuery(&commander, distinctSql);
    CMorvane::BuildCountsQuery(&commander, groupedSql);
  }
  std::printf("distinct query: %s\ngrouped query:  %s\nload average before: %s\n",
              distinctSql.c_str(), groupedSql.c_str(), LoadAverage().c_str());
  Samples samples;
  for (int run = 1; run <= runs; ++run) {
    std::printf("run %d (load %s)\n", run, LoadAverage().c_str());
    RunSqlite(database, distinctSql, work / "sqlite_distinct.txt", "sqlite3 distinct query",
              samples);
    RunSqlite(database, groupedSql, work / "sqlite_grouped.txt", "sqlite3 grouped query", samples);

    {
      auto form = OpenForm(settings.plain);
      const ReadTimes read = TimeRead(*form);
      samples.Add("wizard read", read.whole);
      samples.Add("wizard read: first paint", read.paint);
      std::printf("  read: %d values (sqlite3: %zu lines)\n", form->TableM->RecordCount(),
                  LineCount(work / "sqlite_distinct.txt"));
      if (run == 1) WriteMapping(*form->TableM, work / "mapping-read.tsv");
      samples.Add("paint 50k: frame", TimeFrames(*form, 200, false));
      samples.Add("paint 50k: page scroll", TimeFrames(*form, 200, true));
      MapValues(*form->TableM, 10);
      TimeGenerate(*form, "10 mapped", samples);
      MapValues(*form->TableM, -1);
      TimeGenerate(*form, "all mapped", samples);
      if (run == 1) {
        std::ofstream(work / "script.sql") << form->Memo1->toPlainText().toStdString() << "\n";
      }
    }
    {
      auto form = OpenForm(settings.additions);
      const ReadTimes read = TimeRead(*form);
      samples.Add("wizard read with additions", read.whole);
      samples.Add("wizard read with additions: first paint", read.paint);
      std::printf("  read with additions: %d values, %zu suggestions\n",
                  form->TableM->RecordCount(), form->Suggestions().size());
      if (run == 1) {
        std::ofstream file(work / "suggestions.tsv");
        for (const auto& [value, suggestion] : form->Suggestions()) {
          file << value << '\t' << suggestion << '\n';
        }
        WriteMapping(*form->TableM, work / "mapping-additions.tsv");
      }
      samples.Add("additions: one value edited (summary)", TimeOneEdit(*form));
      samples.Add("additions: accept all suggestions", Time([&] { form->ButtonAcceptClick(); }));
      samples.Add("additions: sort by counts (title click)", Time([&] { SortByCounts(*form); }));
    }
    {
      auto form = OpenForm(settings.additions);
      TimeReadParts(*form, samples);
    }
    {
      auto form = OpenForm(settings.small);
      TimeRead(*form);
      samples.Add("paint 100: frame", TimeFrames(*form, 200, false));
      samples.Add("paint 100: page scroll", TimeFrames(*form, 200, true));
    }
    auto ratio = [&](const char* top, const char* bottom) {
      const Sample over = samples.Last(top);
      const Sample under = samples.Last(bottom);
      return under.cpu > 0 ? over.cpu / under.cpu : 0.0;
    };
    std::printf("  cpu ratios: read / distinct %.2f, read with additions / grouped %.2f\n",
                ratio("wizard read", "sqlite3 distinct query"),
                ratio("wizard read with additions", "sqlite3 grouped query"));
  }

  std::printf("\nmedians of %d runs (load average after: %s)\n", runs, LoadAverage().c_str());
  for (const std::string& name : samples.Names()) PrintSample("  ", name, samples.MedianOf(name));
  const Sample distinct = samples.MedianOf("sqlite3 distinct query");
  const Sample grouped = samples.MedianOf("sqlite3 grouped query");
  std::printf("\nratios of the medians\n");
  PrintRatio("wizard read / sqlite3 distinct query", samples.MedianOf("wizard read"), distinct,
             "(target <= 1.5)");
  PrintRatio("wizard read with additions / sqlite3 grouped query",
             samples.MedianOf("wizard read with additions"), grouped, "(reported)");
  PrintRatio("paint 50k / paint 100, frame", samples.MedianOf("paint 50k: frame"),
             samples.MedianOf("paint 100: frame"), "(target about 1)");
  PrintRatio("paint 50k / paint 100, page scroll", samples.MedianOf("paint 50k: page scroll"),
             samples.MedianOf("paint 100: page scroll"), "(target about 1)");
  const Sample generate = samples.MedianOf("generate all mapped: ButtonGenClick");
  const Sample memo = samples.MedianOf("generate all mapped: memo painted");
  std::printf("  %-52s wall %6.3f s cpu %6.3f s (target < 1 s)\n",
              "generate 50,000 lines, until the memo painted", generate.wall + memo.wall,
              generate.cpu + memo.cpu);
}

}  // namespace
}  // namespace morvane::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  morvane::LoadQtTranslations();
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: wizard_at_scale DATABASE WORKDIR [RUNS]\n");
    return 2;
  }
  const std::string database = std::filesystem::absolute(argv[1]).string();
  const std::filesystem::path work = std::filesystem::absolute(argv[2]);
  const int runs = argc == 4 ? std::max(1, std::atoi(argv[3])) : 3;
  std::filesystem::create_directories(work);
  setenv("NETBRG_DATABASE", ("sqlite:" + database).c_str(), 1);
  // Executions are not measured, but a log must never land in the user's.
  setenv("XDG_STATE_HOME", (work / "state").c_str(), 1);
  morvane::ZelTblUnit zelTbl(std::make_unique<morvane::TransportLibrary>(NETBRG2_LIBRARY));
  morvane::Application().SetTitle("Morvane");
  int messages = 0;
  morvane::SetMessageBoxHook([&messages](const std::string&, const std::string& text) {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    ++messages;
  });
  morvane::bench::Run(database, work, runs);
  morvane::SetMessageBoxHook(nullptr);
  return messages == 0 ? 0 : 1;
}
