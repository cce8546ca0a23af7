// What the benchmark programs share: a console reporter that keeps the time
// per iteration of every run for the summary table a program prints at the
// end, the MPix/s counter, and default flags that the command line overrides.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orv_bench {

// Which clock a summary reads. Google Benchmark's rate counters divide by CPU
// time unless a benchmark is registered with UseRealTime().
enum class Clock { real, cpu };

// The usual console output, and the seconds per iteration of every successful
// run, keyed by the benchmark's registered name, one sample per repetition.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  explicit SummaryReporter(Clock clock) : clock_(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
      const double seconds = clock_ == Clock::real ? r.real_accumulated_time : r.cpu_accumulated_time;
      samples_[r.run_name.function_name].push_back(seconds / static_cast<double>(r.iterations));
    }
  }

  // Median seconds per iteration over the repetitions; 0 when `name` did not run.
  double median(const std::string& name) const {
    std::vector<double> v = samplesOf(name);
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }

  // Fewest seconds per iteration over the repetitions; 0 when `name` did not run.
  double best(const std::string& name) const {
    const std::vector<double> v = samplesOf(name);
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
  }

 private:
  std::vector<double> samplesOf(const std::string& name) const {
    const auto it = samples_.find(name);
    return it == samples_.end() ? std::vector<double>{} : it->second;
  }

  Clock clock_;
  std::map<std::string, std::vector<double>> samples_;
};

// Million pixels per second; 0 for a benchmark that did not run (0 seconds).
inline double mpixPerSecond(double pixels, double seconds) { return seconds > 0 ? pixels / 1e6 / seconds : 0; }

// The "MPix/s" column of the console output, `pixels` per iteration.
inline void setMPixRate(benchmark::State& state, double pixels) {
  state.counters["MPix/s"] =
      benchmark::Counter(pixels * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// The command line with `defaults` put in front of the given flags: the last
// occurrence of a flag wins, so a flag on the command line overrides its default.
class CommandLine {
 public:
  CommandLine(int argc, char** argv, std::initializer_list<std::string_view> defaults = {})
      : defaults_(defaults.begin(), defaults.end()) {
    args.push_back(argv[0]);
    for (std::string& d : defaults_) args.push_back(d.data());
    args.insert(args.end(), argv + 1, argv + argc);
  }
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // Hands the flags to Google Benchmark; false, with a message, when some are not its own.
  bool initialize() {
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    args.resize(static_cast<std::size_t>(n));
    return !benchmark::ReportUnrecognizedArguments(n, args.data());
  }

  std::vector<char*> args;  // a program may take its own flags out before initialize()

 private:
  std::vector<std::string> defaults_;
};

}  // namespace orv_bench
