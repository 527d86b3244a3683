// The benchmark's parts: each prints one table.
#pragma once

#include <string>

#include "bench/bench_timing.h"

namespace oxbench {

struct BenchPaths {
  std::string chorus;
  std::string chorus_scalar;  // empty when that library was not built
  std::string drift;
};

inline constexpr int32_t kBlockSizes[] = {32, 256, 1024};

void BenchChorusRoutines(const BenchPaths& paths, const TimingPlan& plan);
void BenchAutomation(const BenchPaths& paths, const TimingPlan& plan);
void BenchDrift(const BenchPaths& paths, const TimingPlan& plan);

}  // namespace oxbench
