// Measures how much slower the chorus processes subnormal input than normal
// input, and prints it; it checks nothing (timings vary from machine to
// machine). Run it from a build tree: bin/subnormal_slowdown [seconds-of-audio]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tests/robustness/robustness_rig.h"

namespace {

using oxtest::Library;

constexpr int32_t kBlock = 512;

// Nanoseconds per sample for `samples` samples of input made by `make`.
template <class Make>
double NanosecondsPerSample(int64_t samples, Make make) {
  auto instance = oxtest::NewInstance(Library::kChorus, kBlock);
  oxtest::OpenAt(*instance, 44100.0f);
  oxtest::SetWorkingControls(*instance);
  oxtest::Noise noise(5);
  const auto start = std::chrono::steady_clock::now();
  for (int64_t done = 0; done < samples; done += kBlock) {
    instance->StartBlock(0);
    for (int32_t pin : {oxtest::chorus_pin::kInL, oxtest::chorus_pin::kInR}) {
      float* buffer = instance->Buffer(pin);
      for (int32_t i = 0; i < kBlock; ++i) buffer[i] = make(noise);
    }
    instance->Process(kBlock);
  }
  const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / static_cast<double>(samples);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  const auto samples = static_cast<int64_t>(seconds * 44100.0);
  const float tiny = std::numeric_limits<float>::denorm_min() * 4096.0f;  // about 5.7e-42
  const double normal = NanosecondsPerSample(samples, [](oxtest::Noise& n) { return n.Next(); });
  const double silent = NanosecondsPerSample(samples, [](oxtest::Noise&) { return 0.0f; });
  const double subnormal = NanosecondsPerSample(samples, [tiny](oxtest::Noise& n) { return tiny * n.Next(); });
  std::printf("chorus at its defaults, 44100 Hz, blocks of %d, %.0f s of audio per input kind\n", kBlock, seconds);
  std::printf("  noise input        %8.2f ns/sample\n", normal);
  std::printf("  silent input       %8.2f ns/sample\n", silent);
  std::printf("  subnormal input    %8.2f ns/sample  (%.1fx the noise)\n", subnormal, subnormal / normal);
  return 0;
}
