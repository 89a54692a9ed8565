// Test helper: runs the morvane-data executable as a person or a script
// would, and gives back its exit status, standard output and standard error
// (each captured whole in a file of the test's folder).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace morvane::testing {

struct ToolRun {
  int status = -1;  // the exit status, or -1 when the tool did not exit normally
  std::string out;
  std::string err;

  // The last line of standard error without its line end.
  std::string LastErrorLine() const {
    std::string text = err;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t lineStart = text.find_last_of('\n');
    return lineStart == std::string::npos ? text : text.substr(lineStart + 1);
  }
};

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The text in single quotes for sh, inner single quotes kept.
inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs MORVANE_DATA_PATH with the arguments (no shell in between), in the
// current folder and environment; output goes through files in folder, and
// standard input comes from the file input (none when empty).
inline ToolRun RunTool(const std::vector<std::string>& arguments, const std::string& folder,
                       const std::string& input = {}) {
  const std::string outPath = folder + "/tool.out";
  const std::string errPath = folder + "/tool.err";
  std::vector<std::string> texts = {MORVANE_DATA_PATH};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.empty() ? "/dev/null" : input.c_str(),
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  ToolRun run;
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int waitStatus = 0;
    if (waitpid(child, &waitStatus, 0) == child && WIFEXITED(waitStatus))
      run.status = WEXITSTATUS(waitStatus);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = ReadFileBytes(outPath);
  run.err = ReadFileBytes(errPath);
  return run;
}

}  // namespace morvane::testing
