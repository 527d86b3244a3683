// The shipped chorus loop, which runs several samples at a time with the
// kernels this processor gets, and the SSE2 kernels on their own
// (chorus_sse2), against the plain per-sample loop built from the same
// sources (chorus_scalar): long
// random signals with random control streams, random events splitting the
// blocks into stretches of odd lengths at odd offsets, both libraries fed
// the same, every output sample compared bit for bit.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "tests/chorus/support/chorus_rig.h"

namespace {

using oxtest::Gen1Instance;

constexpr int32_t kBufferLength = 1024;

// How a scenario draws its control values; delays and rates in module units
// (a delay unit is 441 samples at 44100 Hz).
struct Scenario {
  const char* name;
  float pre_delay_low, pre_delay_high;
  float max_delay_low, max_delay_high;
  float rate_low, rate_high;
  float gain_low, gain_high;  // VoiceMix, Wet, Dry, Spread
  float input_scale;
  double external_share;  // how often an event picks the external sources
  int64_t samples;
};

const Scenario kScenarios[] = {
    {"typical settings", 0.0f, 2.0f, 0.0f, 2.0f, 0.0f, 0.5f, 0.0f, 1.0f, 1.0f, 0.2, 200000},
    {"delays near zero", 0.0f, 0.0f, -0.002f, 0.002f, -0.3f, 0.3f, -1.0f, 2.0f, 1.0f, 0.3, 200000},
    {"delays near the lines' length", 74.25f, 74.32f, -0.02f, 0.02f, -0.5f, 0.5f, 0.0f, 1.0f, 1.0f, 0.3, 200000},
    {"any delay, any rate", -100.0f, 100.0f, -100.0f, 100.0f, -5.0f, 5.0f, -2.0f, 2.0f, 1.0f, 0.5, 200000},
    {"fast LFOs", 0.5f, 1.5f, 0.0f, 1.0f, -40.0f, 40.0f, 0.0f, 1.0f, 1.0f, 0.1, 100000},
    {"loud signals", 0.0f, 3.0f, 0.0f, 3.0f, -1.0f, 1.0f, -2.0f, 2.0f, 3e37f, 0.3, 100000},
};

// Two instances, one of the fast library and one of the plain, opened alike
// and given the same inputs and events.
class Twins {
 public:
  explicit Twins(const std::string& fast_library)
      : fast_(fast_library, oxtest::kChorusPins, kBufferLength),
        plain_(OX_CHORUS_SCALAR_LIBRARY, oxtest::kChorusPins, kBufferLength) {
    for (Gen1Instance* instance : {&fast_, &plain_}) {
      instance->SetSampleRate(44100.0f);
      instance->Open();
      instance->BindAudioBuffers(oxtest::kChorusPins);
    }
  }

  void Event(uint32_t time_stamp, int32_t pin, int32_t status, int32_t value) {
    fast_.PinEvent(time_stamp, pin, status, value);
    plain_.PinEvent(time_stamp, pin, status, value);
  }
  void Set(int32_t pin, int32_t i, float value) {
    fast_.Buffer(pin)[i] = value;
    plain_.Buffer(pin)[i] = value;
  }
  void Process(int32_t offset, int32_t frames) {
    fast_.Process(offset, frames);
    plain_.Process(offset, frames);
  }
  uint32_t clock() const { return fast_.clock(); }
  // The first sample of the block whose output differs in its bits, or -1.
  int32_t FirstDifference(int32_t offset, int32_t frames) {
    for (int32_t pin : {oxtest::kOutL, oxtest::kOutR}) {
      for (int32_t i = offset; i < offset + frames; ++i) {
        if (std::memcmp(&fast_.Buffer(pin)[i], &plain_.Buffer(pin)[i], sizeof(float)) != 0) return i;
      }
    }
    return -1;
  }
  std::string Outputs(int32_t i) {
    return "fast " + std::to_string(fast_.Buffer(oxtest::kOutL)[i]) + "/" +
           std::to_string(fast_.Buffer(oxtest::kOutR)[i]) + ", plain " +
           std::to_string(plain_.Buffer(oxtest::kOutL)[i]) + "/" + std::to_string(plain_.Buffer(oxtest::kOutR)[i]);
  }

 private:
  Gen1Instance fast_;
  Gen1Instance plain_;
};

// A control pin's samples over one block: held, stepping at random, ramping
// between two values, or held at exactly 0.0 where the range has it.
void FillControl(Twins& twins, std::mt19937& random, int32_t pin, int32_t offset, int32_t frames, float low,
                 float high) {
  std::uniform_real_distribution<float> value(low, high);
  const int shape = std::uniform_int_distribution<int>(0, 3)(random);
  const float from = shape == 3 && low <= 0.0f && high >= 0.0f ? 0.0f : value(random);
  const float to = value(random);
  for (int32_t i = 0; i < frames; ++i) {
    const float x = shape == 0 || shape == 3 ? from : shape == 1 ? value(random) : from + (to - from) * static_cast<float>(i) / frames;
    twins.Set(pin, offset + i, x);
  }
}

void FillInputs(Twins& twins, std::mt19937& random, int32_t offset, int32_t frames, float scale) {
  std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
  std::uniform_int_distribution<int> kind(0, 15);
  for (int32_t pin : {oxtest::kInL, oxtest::kInR}) {
    for (int32_t i = offset; i < offset + frames; ++i) {
      const int k = kind(random);
      // Some exact zeros of both signs, so that the signs of zero results count.
      twins.Set(pin, i, k == 0 ? 0.0f : k == 1 ? -0.0f : sample(random) * scale);
    }
  }
}

// A random event somewhere in the block: a wave, the modulation mode, the
// switch (mostly back ON), or a status change of a sample pin, which only
// splits the block.
void AddRandomEvent(Twins& twins, std::mt19937& random, const Scenario& scenario, int32_t frames) {
  const uint32_t when = twins.clock() + std::uniform_int_distribution<uint32_t>(0, frames)(random);
  std::uniform_int_distribution<int> pick(0, 5);
  std::bernoulli_distribution coin(0.5);
  switch (pick(random)) {
    case 0:
    case 1:
      twins.Event(when, oxtest::kMod1Wave + std::uniform_int_distribution<int>(0, 2)(random), ox1::PS_ONE_CHANGE,
                  coin(random));
      break;
    case 2:
      twins.Event(when, oxtest::kModulationMode, ox1::PS_ONE_CHANGE,
                  std::bernoulli_distribution(scenario.external_share)(random));
      break;
    case 3:
      twins.Event(when, oxtest::kOnOff, ox1::PS_ONE_CHANGE, std::bernoulli_distribution(0.2)(random));
      break;
    default:
      twins.Event(when, oxtest::kPreDly1 + std::uniform_int_distribution<int>(0, 10)(random), ox1::PS_STREAMING, 0);
      break;
  }
}

// The fast libraries: the shipped one, and the one with the SSE2 kernels only.
enum class FastLibrary { kShipped, kSse2 };

std::string PathOf(FastLibrary library) {
  return library == FastLibrary::kShipped ? oxtest::ChorusLibrary() : OX_CHORUS_SSE2_LIBRARY;
}

class ChorusFastLoopTest : public testing::TestWithParam<FastLibrary> {};

TEST_P(ChorusFastLoopTest, MatchesThePlainLoopBitForBit) {
  for (const Scenario& scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    std::mt19937 random(20260611u + static_cast<uint32_t>(scenario.samples) + scenario.name[0]);
    Twins twins(PathOf(GetParam()));
    twins.Event(twins.clock(), oxtest::kInL, ox1::PS_STREAMING, 0);
    twins.Event(twins.clock(), oxtest::kInR, ox1::PS_STREAMING, 0);
    std::uniform_int_distribution<int32_t> length(1, kBufferLength);
    std::uniform_int_distribution<int> events(0, 6);
    for (int64_t done = 0; done < scenario.samples;) {
      const int32_t frames = length(random);
      const int32_t offset = std::uniform_int_distribution<int32_t>(0, kBufferLength - frames)(random);
      FillInputs(twins, random, offset, frames, scenario.input_scale);
      FillControl(twins, random, oxtest::kPreDly1, offset, frames, scenario.pre_delay_low, scenario.pre_delay_high);
      FillControl(twins, random, oxtest::kPreDly2, offset, frames, scenario.pre_delay_low, scenario.pre_delay_high);
      FillControl(twins, random, oxtest::kMaxDelay1, offset, frames, scenario.max_delay_low, scenario.max_delay_high);
      FillControl(twins, random, oxtest::kMaxDelay2, offset, frames, scenario.max_delay_low, scenario.max_delay_high);
      for (int32_t pin : {oxtest::kRate1, oxtest::kRate2, oxtest::kRate3}) {
        FillControl(twins, random, pin, offset, frames, scenario.rate_low, scenario.rate_high);
      }
      for (int32_t pin : {oxtest::kVoiceMix, oxtest::kWet, oxtest::kDry, oxtest::kSpread}) {
        FillControl(twins, random, pin, offset, frames, scenario.gain_low, scenario.gain_high);
      }
      for (int n = events(random); n > 0; --n) AddRandomEvent(twins, random, scenario, frames);
      twins.Process(offset, frames);
      const int32_t differs = twins.FirstDifference(offset, frames);
      ASSERT_EQ(differs, -1) << "sample " << done + (differs - offset) << ": " << twins.Outputs(differs);
      done += frames;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Libraries, ChorusFastLoopTest, testing::Values(FastLibrary::kShipped, FastLibrary::kSse2),
                         [](const testing::TestParamInfo<FastLibrary>& info) {
                           return info.param == FastLibrary::kShipped ? "Shipped" : "Sse2Kernels";
                         });

}  // namespace
