// The benchmark's parts: each prints one table.
#pragma once

#include <string>
#include <vector>

#include "bench/bench_timing.h"

namespace oxbench {

struct Library {
  std::string name;
  std::string path;
};

struct BenchPaths {
  // The shipped chorus first, then the builds with the SSE2 kernels only and
  // with the plain loop only, where they were built.
  std::vector<Library> choruses;
  std::string drift;
};

inline constexpr int32_t kBlockSizes[] = {32, 256, 1024};

void BenchChorusRoutines(const BenchPaths& paths, const TimingPlan& plan);
void BenchAutomation(const BenchPaths& paths, const TimingPlan& plan);
void BenchDrift(const BenchPaths& paths, const TimingPlan& plan);

}  // namespace oxbench
