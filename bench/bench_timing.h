// Repeated timing of one piece of work: the median of the repeats and their
// spread, in nanoseconds of the thread's processor time per unit of work (a
// frame or a call).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace oxbench {

struct Figure {
  double median = 0.0;
  double lowest = 0.0;
  double highest = 0.0;
};

struct TimingPlan {
  int repeats = 11;
  double seconds_per_repeat = 0.2;
};

// Runs `work` once to warm up, then finds how many runs fill a repeat and
// times `repeats` repeats of that many runs. `work` does `units` units of work
// per run.
Figure Measure(const TimingPlan& plan, int64_t units, const std::function<void()>& work);

// "  3.21 (3.18–3.40)" with the given width for the median.
std::string FigureText(const Figure& figure);

}  // namespace oxbench
