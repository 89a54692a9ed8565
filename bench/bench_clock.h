// Small timing helpers of the whole-program benchmarks: wall and CPU time of
// a step of this thread, of a child program run to a file, and the medians
// of named samples collected over several runs.
//
// CPU time is the thread's own (the wizard runs on the GUI thread, the
// transport inside it) or, for a child program, its user and system time
// from wait4. Nothing here asserts a timing.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace morvane::bench {

struct Sample {
  double wall = 0;  // seconds
  double cpu = 0;   // seconds
};

inline double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

inline double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Measures one step of this thread.
template <class Step>
Sample Time(Step step) {
  const double wall = WallSeconds();
  const double cpu = ThreadCpuSeconds();
  step();
  return {WallSeconds() - wall, ThreadCpuSeconds() - cpu};
}

// Runs a program with its standard output into a file and waits for it.
// Returns the wall time and the child's CPU time; exitCode receives its
// status (-1 when it could not be started).
inline Sample RunProgram(const std::vector<std::string>& arguments, const std::string& outputFile,
                         int& exitCode) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const double started = WallSeconds();
  const pid_t child = fork();
  if (child == 0) {
    const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output < 0) _exit(127);
    dup2(output, STDOUT_FILENO);
    close(output);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  exitCode = -1;
  if (child < 0) return {};
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double wall = WallSeconds() - started;
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  auto seconds = [](const timeval& value) { return double(value.tv_sec) + value.tv_usec * 1e-6; };
  return {wall, seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Samples by name, kept in the order the names first appeared.
class Samples {
 public:
  void Add(const std::string& name, Sample sample) {
    if (samples_.count(name) == 0) order_.push_back(name);
    samples_[name].push_back(sample);
  }
  Sample MedianOf(const std::string& name) const {
    const auto found = samples_.find(name);
    if (found == samples_.end()) return {};
    std::vector<double> walls;
    std::vector<double> cpus;
    for (const Sample& sample : found->second) {
      walls.push_back(sample.wall);
      cpus.push_back(sample.cpu);
    }
    return {Median(walls), Median(cpus)};
  }
  Sample Last(const std::string& name) const {
    const auto found = samples_.find(name);
    return found == samples_.end() || found->second.empty() ? Sample{} : found->second.back();
  }
  const std::vector<std::string>& Names() const { return order_; }
  size_t Runs(const std::string& name) const {
    const auto found = samples_.find(name);
    return found == samples_.end() ? 0 : found->second.size();
  }

 private:
  std::vector<std::string> order_;
  std::map<std::string, std::vector<Sample>> samples_;
};

inline std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace morvane::bench
