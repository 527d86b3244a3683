// Two instances of each library processing on two threads at once, as a
// host with several audio threads may do. The chorus instances share only
// the wavetable, so each thread's output equals a run alone, bit for bit.
// The drift instances share the library's random sequence, so which thread
// draws which value depends on timing: each output stays finite, within the
// drift's range, and moves. The ThreadSanitizer build
// (x64-linux-tsan) runs this test to find data races.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "host/ox_interfaces.h"
#include "tests/robustness/robustness_rig.h"

namespace oxtest {
namespace {

constexpr int32_t kBlock = 128;
constexpr int kBlocks = 400;

// The outputs of one instance over the whole run, each block's first.
std::vector<float> RunAlone(Library library, uint32_t seed) {
  auto instance = NewInstance(library, kBlock);
  OpenAt(*instance, 44100.0f);
  SetWorkingControls(*instance);
  Noise noise(seed);
  std::vector<float> outputs;
  for (int b = 0; b < kBlocks; ++b) {
    ProcessNoiseBlock(*instance, noise, kBlock);
    for (int32_t pin : SampleOutputs(*instance)) {
      const float* buffer = instance->Buffer(pin);
      outputs.insert(outputs.end(), buffer, buffer + kBlock);
    }
  }
  return outputs;
}

void RunTwoAtOnce(Library library, std::vector<float>& first, std::vector<float>& second) {
  LoadedLibrary(library);  // loaded before the threads start
  std::thread other([&] { first = RunAlone(library, 1); });
  second = RunAlone(library, 2);
  other.join();
}

TEST(ConcurrentProcessingTest, TwoChorusInstancesOnTwoThreadsMatchRunsAlone) {
  std::vector<float> first, second;
  RunTwoAtOnce(Library::kChorus, first, second);
  EXPECT_EQ(first, RunAlone(Library::kChorus, 1));
  EXPECT_EQ(second, RunAlone(Library::kChorus, 2));
}

TEST(ConcurrentProcessingTest, TwoDriftInstancesOnTwoThreadsStayInRange) {
  std::vector<float> first, second;
  RunTwoAtOnce(Library::kDrift, first, second);
  for (const auto* outputs : {&first, &second}) {
    int moving = 0;
    for (float value : *outputs) {
      ASSERT_TRUE(std::isfinite(value));
      ASSERT_LE(std::fabs(value), 0.015f);
      moving += value != 0.0f;
    }
    EXPECT_GT(moving, 0);
  }
}

}  // namespace
}  // namespace oxtest
