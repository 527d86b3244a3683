// What the chorus routines cost per stereo frame, and what sample-accurate
// automation adds to them.
#include <cstdio>

#include "bench/bench_cases.h"
#include "bench/bench_host.h"

namespace oxbench {

namespace {

// Frames per timed run, whatever the block size.
constexpr int32_t kFramesPerRun = 16384;

struct ChorusCase {
  const char* routine;
  Settings settings;
  std::vector<std::string> streamed;
};

const std::vector<std::string> kAudioInputs = {"In L", "In R"};

// External modulation is fed noise on the three Rate pins: the voices then
// read anywhere within their delay range, the hardest case for the loop.
const ChorusCase kCases[] = {
    {"ProcessChorus sine", {}, kAudioInputs},
    {"ProcessChorus triangle", {{"Mod1Wave", "Triangle"}, {"Mod2Wave", "Triangle"}, {"Mod3Wave", "Triangle"}},
     kAudioInputs},
    {"ProcessExternal", {{"Modulation Mode", "External Source"}}, {"In L", "In R", "12", "13", "14"}},
    {"ProcessBypass", {{"On|Off", "OFF"}}, kAudioInputs},
};

Figure MeasureChorus(const std::string& path, const ChorusCase& c, int32_t block, const TimingPlan& plan) {
  BenchHost bench(path, block, c.settings, c.streamed);
  return Measure(plan, kFramesPerRun, [&] { bench.Run(kFramesPerRun / block); });
}

// The chorus at its defaults with Wet changed every `interval` samples
// (0: never), alternately to 0.5 and 0.6, each change an event at its sample.
Figure MeasureAutomation(const std::string& path, int32_t block, int32_t interval, const TimingPlan& plan) {
  BenchHost bench(path, block, {}, kAudioInputs);
  const int32_t wet = bench.Pin("Wet");
  const oxhost::PinValue values[2] = {bench.Value(wet, "5"), bench.Value(wet, "6")};
  int64_t changes = 0;
  return Measure(plan, kFramesPerRun, [&] {
    oxhost::ModuleHost& host = bench.host();
    std::string error;
    if (interval > 0) {
      for (int64_t clock = host.clock(); clock < host.clock() + kFramesPerRun; clock += interval) {
        host.ScheduleChange(clock, wet, values[changes++ & 1], error);
      }
    }
    bench.Run(kFramesPerRun / block);
  });
}

}  // namespace

void BenchChorusRoutines(const BenchPaths& paths, const TimingPlan& plan) {
  std::printf("\nChorus routines, ns per stereo frame: median (lowest-highest) of %d runs\n", plan.repeats);
  std::printf("%-24s %6s ", "routine", "block");
  for (const Library& library : paths.choruses) std::printf(" %-22s", library.name.c_str());
  std::printf("\n");
  for (const ChorusCase& c : kCases) {
    for (int32_t block : kBlockSizes) {
      std::printf("%-24s %6d ", c.routine, block);
      for (const Library& library : paths.choruses) {
        std::printf(" %-22s", FigureText(MeasureChorus(library.path, c, block, plan)).c_str());
        std::fflush(stdout);
      }
      std::printf("\n");
    }
  }
}

void BenchAutomation(const BenchPaths& paths, const TimingPlan& plan) {
  constexpr int32_t kInterval = 32;
  std::printf("\nAutomation: ProcessChorus (sine) with Wet changed by an event every %d samples, ns per stereo frame\n",
              kInterval);
  std::printf("%-14s %6s  %-22s %-22s %8s\n", "library", "block", "no events", "event every 32", "extra");
  for (const Library& library : paths.choruses) {
    for (int32_t block : kBlockSizes) {
      const Figure none = MeasureAutomation(library.path, block, 0, plan);
      const Figure every = MeasureAutomation(library.path, block, kInterval, plan);
      std::printf("%-14s %6d  %-22s %-22s %+7.1f%%\n", library.name.c_str(), block, FigureText(none).c_str(),
                  FigureText(every).c_str(), (every.median / none.median - 1.0) * 100.0);
      std::fflush(stdout);
    }
  }
}

}  // namespace oxbench
