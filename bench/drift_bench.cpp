// What the drift module's two process functions cost per call.
#include <cstdio>

#include "bench/bench_cases.h"
#include "bench/bench_host.h"

namespace oxbench {

namespace {

constexpr int32_t kCallsPerRun = 256;

// The depth is streamed so that the host keeps calling an idle module (a
// module with a streamed input is never put to sleep).
Figure MeasureDrift(const std::string& path, const char* active, int32_t block, const TimingPlan& plan) {
  BenchHost bench(path, block, {{"Active", active}, {"Update Output Rate", "1"}}, {"Analogue Drift Depth"});
  return Measure(plan, kCallsPerRun, [&] { bench.Run(kCallsPerRun); });
}

}  // namespace

void BenchDrift(const BenchPaths& paths, const TimingPlan& plan) {
  std::printf("\nDrift process functions, ns per call: median (lowest-highest) of %d runs\n", plan.repeats);
  std::printf("%-24s %6s  %-22s\n", "function", "block", "drift");
  const std::pair<const char*, const char*> functions[] = {{"ProcessDrift", "ON"}, {"ProcessIdle", "OFF"}};
  for (const auto& [function, active] : functions) {
    for (int32_t block : kBlockSizes) {
      std::printf("%-24s %6d  %-22s\n", function, block,
                  FigureText(MeasureDrift(paths.drift, active, block, plan)).c_str());
      std::fflush(stdout);
    }
  }
}

}  // namespace oxbench
