// ox_bench: what the module libraries' process routines cost, loaded and
// driven through the host library at 44100 Hz.
//
//   ox_bench [--repeats N] [--seconds S] [--chorus LIB] [--drift LIB] [--part routines|automation|drift]
//
// Each figure is the median of N timed runs (default 11) of about S seconds
// each (default 0.2) of the thread's processor time, with the lowest and
// highest run beside it. Besides the shipped chorus it measures the builds
// with the SSE2 kernels only and with the plain per-sample loop, when they
// sit beside it (the default) and no other chorus is named.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/bench_cases.h"

namespace {

std::string ProcessorName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown processor";
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: ox_bench [--repeats N] [--seconds S] [--chorus LIB] [--drift LIB] "
               "[--part routines|automation|drift]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  oxbench::TimingPlan plan;
  oxbench::BenchPaths paths;
  paths.drift = OX_BENCH_DRIFT;
  std::string chorus = OX_BENCH_CHORUS;
  std::string part;  // empty: all parts
  for (int i = 1; i < argc; ++i) {
    if (i + 1 >= argc) Usage();
    const char* option = argv[i];
    const char* value = argv[++i];
    if (std::strcmp(option, "--repeats") == 0) {
      plan.repeats = std::atoi(value);
    } else if (std::strcmp(option, "--seconds") == 0) {
      plan.seconds_per_repeat = std::atof(value);
    } else if (std::strcmp(option, "--chorus") == 0) {
      chorus = value;
    } else if (std::strcmp(option, "--drift") == 0) {
      paths.drift = value;
    } else if (std::strcmp(option, "--part") == 0) {
      part = value;
    } else {
      Usage();
    }
  }
  if (plan.repeats < 1 || !(plan.seconds_per_repeat > 0.0)) Usage();
  if (!part.empty() && part != "routines" && part != "automation" && part != "drift") Usage();
  paths.choruses.push_back({"chorus (shipped)", chorus});
  if (chorus == OX_BENCH_CHORUS) {
    for (const oxbench::Library& build : {oxbench::Library{"chorus_sse2", OX_BENCH_CHORUS_SSE2},
                                          oxbench::Library{"chorus_scalar", OX_BENCH_CHORUS_SCALAR}}) {
      if (Exists(build.path)) paths.choruses.push_back(build);
    }
  }

  std::printf("ox_bench: %zu-bit build, %s, 44100 Hz\n", sizeof(void*) * 8, ProcessorName().c_str());
  if (part.empty() || part == "routines") oxbench::BenchChorusRoutines(paths, plan);
  if (part.empty() || part == "automation") oxbench::BenchAutomation(paths, plan);
  if (part.empty() || part == "drift") oxbench::BenchDrift(paths, plan);
  return 0;
}
