#include "bench/bench_timing.h"

#include <algorithm>
#include <ctime>
#include <cstdio>

namespace oxbench {

namespace {

// The processor time this thread spent, so that time the machine gives to
// other programs does not count.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double SecondsFor(int64_t runs, const std::function<void()>& work) {
  const double start = ThreadSeconds();
  for (int64_t r = 0; r < runs; ++r) work();
  return ThreadSeconds() - start;
}

}  // namespace

Figure Measure(const TimingPlan& plan, int64_t units, const std::function<void()>& work) {
  work();
  int64_t runs = 1;
  double seconds = SecondsFor(runs, work);
  while (seconds < plan.seconds_per_repeat / 8) {
    runs *= 2;
    seconds = SecondsFor(runs, work);
  }
  runs = std::max<int64_t>(1, static_cast<int64_t>(runs * plan.seconds_per_repeat / seconds));

  std::vector<double> per_unit;
  for (int r = 0; r < plan.repeats; ++r) {
    per_unit.push_back(SecondsFor(runs, work) * 1e9 / static_cast<double>(runs * units));
  }
  std::sort(per_unit.begin(), per_unit.end());
  return {per_unit[per_unit.size() / 2], per_unit.front(), per_unit.back()};
}

std::string FigureText(const Figure& figure) {
  char text[64];
  std::snprintf(text, sizeof text, "%7.2f (%.2f-%.2f)", figure.median, figure.lowest, figure.highest);
  return text;
}

}  // namespace oxbench
