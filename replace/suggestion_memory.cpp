#include "replace/suggestion_memory.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "replace/mapping_file.h"
#include "replace/replacement_log.h"

namespace morvane {

namespace {

// One entry of the log, as far as remembering needs it.
struct LoggedRun {
  std::string setting;
  bool whole = true;
  std::string mappingFile;
  std::vector<int> lines;      // the statements' lines
  std::vector<bool> effected;  // whether each went through
};

constexpr std::string_view kLinePrefix = "строка ";

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

std::vector<LoggedRun> ReadRuns(std::string_view log) {
  std::vector<LoggedRun> runs;
  size_t at = 0;
  while (at < log.size()) {
    size_t end = log.find('\n', at);
    if (end == std::string_view::npos) end = log.size();
    const std::string_view line = log.substr(at, end - at);
    at = end + 1;
    if (StartsWith(line, "== ")) {
      // "== <date> <time> <zone>  <setting>": the two blanks end the time.
      const size_t gap = line.find("  ", 3);
      runs.push_back({});
      if (gap != std::string_view::npos) runs.back().setting = std::string(line.substr(gap + 2));
      continue;
    }
    if (runs.empty()) continue;
    LoggedRun& run = runs.back();
    if (StartsWith(line, "режим: ")) {
      run.whole = line.substr(std::string_view("режим: ").size()) == "одним целым";
    } else if (StartsWith(line, "файл замен: ")) {
      run.mappingFile = std::string(line.substr(std::string_view("файл замен: ").size()));
    } else if (StartsWith(line, kLinePrefix)) {
      // "строка N<TAB>result<TAB>statement"
      const size_t tab = line.find('\t');
      if (tab == std::string_view::npos) continue;
      const std::string_view result = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
      const std::string number(line.substr(kLinePrefix.size(), tab - kLinePrefix.size()));
      if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos ||
          number.size() > 9) {
        continue;
      }
      run.lines.push_back(std::stoi(number));
      run.effected.push_back(StartsWith(result, "изменено ") || result == "выполнена");
    }
  }
  return runs;
}

// The pairs of a run's mapping file that took effect.
std::vector<ReplacementPair> EffectedPairs(const LoggedRun& run) {
  std::vector<ReplacementPair> pairs;
  if (run.mappingFile.empty() || run.lines.empty()) return pairs;
  try {
    const std::vector<char> bytes = ReadWholeFile(run.mappingFile);
    std::string problem;
    if (!TryParseMappingFile(std::string_view(bytes.data(), bytes.size()), pairs, problem)) {
      return {};
    }
  } catch (const Exception&) {
    return {};  // the file is gone: nothing to remember from it
  }
  const bool allWent =
      std::all_of(run.effected.begin(), run.effected.end(), [](bool e) { return e; });
  if (run.whole) return allWent ? pairs : std::vector<ReplacementPair>{};
  // The file holds the pairs in the order of their lines, one statement
  // each: the k-th smallest logged line is the file's k-th pair.
  if (pairs.size() != run.lines.size()) return allWent ? pairs : std::vector<ReplacementPair>{};
  std::vector<size_t> order(run.lines.size());
  for (size_t index = 0; index < order.size(); ++index) order[index] = index;
  std::stable_sort(order.begin(), order.end(),
                   [&run](size_t a, size_t b) { return run.lines[a] < run.lines[b]; });
  std::vector<ReplacementPair> effected;
  for (size_t rank = 0; rank < order.size(); ++rank) {
    if (run.effected[order[rank]]) effected.push_back(pairs[rank]);
  }
  return effected;
}


}  // namespace

TRememberedChoices RememberedChoicesIn(std::string_view logText, const std::string& settingName) {
  TRememberedChoices chosen;
  const std::string logged = LoggedLine(settingName);
  for (const LoggedRun& run : ReadRuns(logText)) {
    if (run.setting != logged) continue;
    for (const ReplacementPair& pair : EffectedPairs(run)) chosen[pair.oldValue] = pair.newValue;
  }
  return chosen;
}

TRememberedChoices RememberedChoices(const std::string& logFolder, const std::string& settingName) {
  const std::string file = ReplacementLog(logFolder).LogFile();
  std::vector<char> bytes;
  try {
    bytes = ReadWholeFile(file);
  } catch (const Exception&) {
    return {};  // no run logged yet
  }
  return RememberedChoicesIn(std::string_view(bytes.data(), bytes.size()), settingName);
}

}  // namespace morvane
