// Ratios between benchmarks measured in the same run: a console reporter
// that keeps each benchmark's time per iteration, and prints a ratio line
// against a target.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace varnika {

class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  // CPU time is the steadier measure on a shared machine; benchmarks whose
  // work happens on other threads or in other processes need real time.
  enum class Clock { Cpu, Real };

  explicit TRatioReporter(Clock clock) : ConsoleReporter(OO_None), clock_(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations <= 0 || run.error_occurred) continue;
      const double total = clock_ == Clock::Cpu ? run.cpu_accumulated_time : run.real_accumulated_time;
      times_[run.run_name.function_name] = total / static_cast<double>(run.iterations);
    }
  }

  // Seconds per iteration of the named benchmark; 0 when it did not run.
  double Time(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? 0 : it->second;
  }

  // a/b, or 0 when either did not run.
  double Ratio(const std::string& a, const std::string& b) const {
    const double x = Time(a), y = Time(b);
    return x > 0 && y > 0 ? x / y : 0;
  }

  // Prints "ratio <label>: 1.23x (target <= 2x)", marked MISSED beyond the
  // target; prints nothing when either benchmark did not run.
  void PrintRatio(const char* label, const std::string& a, const std::string& b, double target) const {
    const double ratio = Ratio(a, b);
    if (ratio <= 0) return;
    std::printf("ratio %s: %.2fx (target <= %gx)%s\n", label, ratio, target, ratio <= target ? "" : "  MISSED");
    std::fflush(stdout);
  }

 private:
  Clock clock_;
  std::map<std::string, double> times_;
};

}  // namespace varnika
