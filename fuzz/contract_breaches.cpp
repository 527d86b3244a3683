// The fuzz harnesses' second mode: a host that breaks the contract on
// purpose. Each trial drives an instance through a random contract-keeping
// prefix (sample rate, block size, open, pin events, process calls), then
// commits one breach, in a child process. A breach must end in the
// documented contract report (expression, source, line) and an abnormal end,
// never in a sanitizer report; a breach the framework is built to ignore (a
// pin number the instance does not have) must be ignored, and the instance
// must go on working.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fuzz/driven_instance.h"
#include "fuzz/library_replica.h"
#include "host/ox_interfaces.h"
#include "tests/support/contract_report.h"

namespace {

using oxfuzz::DrivenInstance;

constexpr int kTrials = 100;

struct Breach {
  const char* name;
  int generation;
  // The report expected, or empty when the breach is ignored.
  std::string report;
  // Commits the breach on an instance the prefix has driven.
  std::function<void(DrivenInstance&, std::mt19937&)> commit;
  bool before_open = false;
};

int32_t Pick(std::mt19937& random, int32_t low, int32_t high) {
  return std::uniform_int_distribution<int32_t>(low, high)(random);
}

// Sample rate, block size, open, then a few stretches and in-range pin events.
void KeepContract(DrivenInstance& instance, std::mt19937& random) {
  const float kRates[] = {1.0f, 44100.0f, 48000.0f, 384000.0f, 768000.0f, 0.0f, -44100.0f};
  instance.Dispatch(2, 0, 0, nullptr, kRates[Pick(random, 0, 6)]);
  instance.Dispatch(3, 0, instance.capacity(), nullptr, 0.0f);
  instance.Open();
  instance.StartBlock(0);
  for (int step = Pick(random, 0, 12); step > 0; --step) {
    if (instance.position() >= instance.capacity()) instance.StartBlock(0);
    const int32_t pin = Pick(random, 0, instance.reported_pins() - 1);
    if (Pick(random, 0, 1) == 0) {
      instance.PinEvent(instance.clock(), pin, Pick(random, 0, 2), Pick(random, -1, 3));
    } else {
      instance.Process(Pick(random, 1, instance.capacity() - instance.position()));
    }
  }
  if (instance.position() >= instance.capacity()) instance.StartBlock(0);
}

// After an ignored breach the instance still processes a block.
void GoOn(DrivenInstance& instance) { instance.Process(instance.capacity() - instance.position()); }

std::vector<Breach> Breaches() {
  using oxtest::AssertionReport;
  const std::string gen2 = "ox_sdk2/OXModule_base";
  const std::string gen1 = "ox_sdk/OXModule_base";
  return {
      {"generation 2: an event before its sample clock", 2, AssertionReport("e->time_stamp == SampleClock()", gen2, 276),
       [](DrivenInstance& i, std::mt19937& r) { i.PinEvent(i.clock() - Pick(r, 1, 5000), 0, 0, 0); }},
      {"generation 2: an event after its sample clock", 2, AssertionReport("e->time_stamp == SampleClock()", gen2, 276),
       [](DrivenInstance& i, std::mt19937& r) { i.OtherEvent(i.clock() + Pick(r, 1, 5000), 6, 0, 0, 0); }},
      {"generation 2: dispatcher opcode 7", 2, AssertionReport("false", gen2, 99),
       [](DrivenInstance& i, std::mt19937& r) { i.Dispatch(7, Pick(r, -5, 5), 0, nullptr, 0.0f); }},
      {"generation 2: dispatcher opcode 10", 2, AssertionReport("false", gen2, 119),
       [](DrivenInstance& i, std::mt19937& r) { i.Dispatch(10, Pick(r, -5, 5), 0, nullptr, 0.0f); }},
      {"generation 2: a pin event before open", 2, AssertionReport("m_pins != 0", gen2, 150),
       [](DrivenInstance& i, std::mt19937& r) { i.PinEvent(i.clock(), Pick(r, 0, 4), 0, 0); }, true},
      {"generation 2: pin numbers beyond the pins", 2, "",
       [](DrivenInstance& i, std::mt19937& r) {
         i.PinEvent(i.clock(), i.reported_pins() + Pick(r, 0, 1000), Pick(r, 0, 2), 1);
         i.PinEvent(i.clock(), -Pick(r, 1, 1000), Pick(r, 0, 2), 1);
         GoOn(i);
       }},
      {"generation 1: an event before the sample clock", 1,
       AssertionReport("p_event->time_stamp >= SampleClock()", gen1, 287),
       [](DrivenInstance& i, std::mt19937& r) {
         i.Process(1);  // the clock is at least 1
         i.PinEvent(i.clock() - Pick(r, 1, static_cast<int32_t>(i.clock())), 4, 0, 0);
       }},
      {"generation 1: a process call for no samples", 1, AssertionReport("sampleFrames > 0", gen1, 190),
       [](DrivenInstance& i, std::mt19937& r) { i.Process(-Pick(r, 0, 1)); }},
      {"generation 1: pin numbers beyond the pins", 1, "",
       [](DrivenInstance& i, std::mt19937& r) {
         i.PinEvent(i.clock() + Pick(r, 0, 3), i.reported_pins() + Pick(r, 0, 1000), 1, 1);
         i.PinEvent(i.clock(), -Pick(r, 1, 1000), 1, 1);
         GoOn(i);
       }},
  };
}

// Runs one trial in a child; returns what went wrong, empty when all is well.
std::string Trial(const Breach& breach, const oxfuzz::LibraryReplica& library, unsigned seed) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return "no pipe";
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return "no child process";
  if (child == 0) {
    dup2(pipe_ends[1], STDERR_FILENO);
    close(pipe_ends[0]);
    std::mt19937 random(seed);
    const int32_t kCapacities[] = {1, 2, 7, 64, 441, 1024};
    auto instance = DrivenInstance::Create(library.library(), -1, kCapacities[Pick(random, 0, 5)]);
    if (!instance) _exit(3);
    if (!breach.before_open) KeepContract(*instance, random);
    breach.commit(*instance, random);
    instance->Close();
    _exit(0);
  }
  close(pipe_ends[1]);
  std::string output;
  char chunk[4096];
  for (ssize_t got; (got = read(pipe_ends[0], chunk, sizeof chunk)) > 0;) output.append(chunk, got);
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);

  if (output.find("Sanitizer") != std::string::npos || output.find("runtime error") != std::string::npos) {
    return "a sanitizer report:\n" + output;
  }
  if (breach.report.empty()) {
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the ignored breach ended the process:\n" + output;
    return "";
  }
  if (output.find(breach.report) == std::string::npos) return "no contract report; the child wrote:\n" + output;
  if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGABRT) return "the report did not end the process abnormally";
  return "";
}

}  // namespace

int main() {
  std::string error;
  auto drift = oxfuzz::LibraryReplica::Load(OX_DRIFT_LIBRARY, error);
  auto chorus = oxfuzz::LibraryReplica::Load(OX_CHORUS_LIBRARY, error);
  if (!drift || !chorus) {
    std::fprintf(stderr, "cannot load a module library: %s\n", error.c_str());
    return 1;
  }
  int failures = 0;
  for (const Breach& breach : Breaches()) {
    const auto& library = breach.generation == 2 ? *drift : *chorus;
    int passed = 0;
    for (unsigned seed = 1; seed <= kTrials; ++seed) {
      const std::string fault = Trial(breach, library, seed);
      if (fault.empty()) {
        ++passed;
      } else if (++failures <= 5) {
        std::fprintf(stderr, "%s (seed %u): %s\n", breach.name, seed, fault.c_str());
      }
    }
    std::printf("%-50s %d/%d trials %s\n", breach.name, passed, kTrials,
                breach.report.empty() ? "ignored, instance went on" : "ended in the contract report");
  }
  return failures == 0 ? 0 : 1;
}
