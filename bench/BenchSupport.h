// Shared by the benchmark programs: a console reporter that also records each
// benchmark's best processor time per iteration (the minimum of the
// repetitions is the steadiest figure on a shared machine), and a runner that
// asks for five repetitions unless the command line says otherwise.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace vantel::bench {

class BestTimeRecorder : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ns;  // name -> best processor time per iteration
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration) continue;
      const std::string name = r.run_name.str();
      const double v = r.GetAdjustedCPUTime();
      if (!ns.count(name) || v < ns[name]) ns[name] = v;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

// Runs the registered benchmarks through `recorder`.
inline void RunBenchmarks(int argc, char** argv, BestTimeRecorder& recorder) {
  std::vector<char*> args(argv, argv + argc);
  bool repetitions = false;
  for (char* a : args) repetitions |= std::strncmp(a, "--benchmark_repetitions", 23) == 0;
  static char fiveTimes[] = "--benchmark_repetitions=5";
  if (!repetitions) args.push_back(fiveTimes);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks(&recorder);
}

}  // namespace vantel::bench
