// The chorus's audio through the built library: the closed formulas and
// published figures for its delay reads, and a plain model of its per-sample
// formulas compared sample for sample over thousands of samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "tests/chorus/support/chorus_rig.h"

namespace {

using oxtest::ChorusFrame;
using oxtest::ChorusModel;
using oxtest::ChorusRig;
using oxtest::StereoOut;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// A pin change at a sample of the run.
struct Change {
  uint32_t at;
  int32_t pin;
  int32_t value;
};

// Marks both inputs as streaming at clock `at`, so that pin changes find the
// inputs live and the chorus keeps running.
void StreamInputs(ChorusRig& rig, uint32_t at) {
  rig.instance.PinEvent(at, oxtest::kInL, ox1::PS_STREAMING);
  rig.instance.PinEvent(at, oxtest::kInR, ox1::PS_STREAMING);
}

// Runs `frames` through the library in blocks of `block` samples with the
// changes sent as events (the run starts at clock 0).
std::vector<StereoOut> RunLibrary(ChorusRig& rig, const std::vector<ChorusFrame>& frames, int32_t block,
                                  const std::vector<Change>& changes) {
  StreamInputs(rig, 0);
  for (const Change& change : changes) rig.Change(change.at, change.pin, change.value);
  std::vector<StereoOut> out;
  for (size_t start = 0; start < frames.size(); start += block) {
    const auto count = static_cast<int32_t>(std::min<size_t>(block, frames.size() - start));
    rig.Write(&frames[start], count);
    rig.instance.Process(0, count);
    for (int32_t i = 0; i < count; ++i) out.push_back(rig.Out(i));
  }
  return out;
}

// The model over the same calls: one call per block, split at every change.
std::vector<StereoOut> RunModel(ChorusModel& model, const std::vector<ChorusFrame>& frames, int32_t block,
                                const std::vector<Change>& changes) {
  std::vector<StereoOut> out(frames.size());
  bool external = false;
  bool bypass = false;
  size_t start = 0;
  while (start < frames.size()) {
    size_t end = std::min(frames.size(), (start / block + 1) * block);
    for (const Change& change : changes) {
      if (change.at > start && change.at < end) end = change.at;
    }
    for (const Change& change : changes) {
      if (change.at != start) continue;
      if (change.pin >= oxtest::kMod1Wave && change.pin <= oxtest::kMod3Wave) {
        model.wave[change.pin - oxtest::kMod1Wave] = change.value;
      }
      if (change.pin == oxtest::kModulationMode) external = change.value == 1;
      if (change.pin == oxtest::kOnOff) bypass = change.value == 1;
    }
    const auto count = static_cast<int>(end - start);
    if (bypass) {
      for (size_t i = start; i < end; ++i) out[i] = {frames[i].in_l, frames[i].in_r};
    } else if (external) {
      model.CallExternal(&frames[start], count, &out[start]);
    } else {
      model.CallChorus(&frames[start], count, &out[start]);
    }
    start = end;
  }
  return out;
}

void ExpectSameOutputs(const std::vector<StereoOut>& actual, const std::vector<StereoOut>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  int reported = 0;
  for (size_t i = 0; i < actual.size() && reported < 5; ++i) {
    const bool same = std::memcmp(&actual[i], &expected[i], sizeof actual[i]) == 0;
    if (!same) ++reported;
    EXPECT_TRUE(same) << "sample " << i << ": library " << actual[i].left << ", " << actual[i].right
                      << "; model " << expected[i].left << ", " << expected[i].right;
  }
}

// Slowly moving controls over their whole ranges and a little beyond.
std::vector<ChorusFrame> SweptFrames(int32_t count) {
  std::vector<ChorusFrame> frames = oxtest::NoiseFrames(count, 7);
  for (int32_t i = 0; i < count; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(count);
    ChorusFrame& f = frames[i];
    f.pre_delay1 = 2.0f * t - 0.3f;
    f.pre_delay2 = 1.5f - t;
    f.max_delay1 = 0.2f + 3.0f * t;
    f.max_delay2 = std::sin(13.0f * t);
    f.voice_mix = t;
    f.spread = std::cos(7.0f * t);
    f.wet = 1.0f - 0.5f * t;
    f.dry = 0.25f + t;
    f.rate1 = 0.5f * std::sin(3.0f * t);
    f.rate2 = -0.2f + 0.6f * t;
    f.rate3 = 0.3f * std::cos(5.0f * t);
  }
  return frames;
}

struct ModelCase {
  const char* name;
  float sample_rate;
  int32_t block;
  std::vector<ChorusFrame> frames;
  std::vector<Change> changes;
};

TEST(ChorusProcessingTest, MatchesThePlainModel) {
  const ModelCase cases[] = {
      {"defaults", 44100.0f, 1024, oxtest::NoiseFrames(4096), {}},
      {"swept controls and wave changes", 44100.0f, 256, SweptFrames(6000),
       {{1000, oxtest::kMod1Wave, 1}, {2500, oxtest::kMod2Wave, 1}, {2500, oxtest::kMod3Wave, 1},
        {4000, oxtest::kMod1Wave, 0}}},
      {"external source", 48000.0f, 300, SweptFrames(5000), {{0, oxtest::kModulationMode, 1}}},
      {"modes switched back and forth", 48000.0f, 512, SweptFrames(5000),
       {{700, oxtest::kModulationMode, 1}, {1500, oxtest::kOnOff, 1}, {2100, oxtest::kOnOff, 0},
        {3000, oxtest::kModulationMode, 0}, {3333, oxtest::kMod3Wave, 1}}},
      {"single-sample blocks", 44100.0f, 1, SweptFrames(700), {{350, oxtest::kModulationMode, 1}}},
  };
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.name);
    ChorusRig rig(c.sample_rate, c.block);
    ChorusModel model(c.sample_rate);
    ExpectSameOutputs(RunLibrary(rig, c.frames, c.block, c.changes), RunModel(model, c.frames, c.block, c.changes));
  }
}

// Right after Open the voices still read the zeroed delay lines: each output
// is Dry × its input.
TEST(ChorusProcessingTest, DefaultsRightAfterOpenGiveDryTimesInput) {
  ChorusRig rig;
  const std::vector<ChorusFrame> frames = oxtest::NoiseFrames(400);
  const std::vector<StereoOut> out = rig.Run(frames);
  for (size_t i = 0; i < frames.size(); ++i) {
    ASSERT_EQ(out[i].left, 0.8f * frames[i].in_l) << i;
    ASSERT_EQ(out[i].right, 0.8f * frames[i].in_r) << i;
  }
}

// Frames that read voice 1 alone on Out L (VoiceMix 0, Spread 1, LFO 3 at
// 1.0 through the external source), with Wet 1 and Dry 0.
std::vector<ChorusFrame> VoiceOneFrames(int32_t count) {
  std::vector<ChorusFrame> frames(count);
  for (int32_t i = 0; i < count; ++i) {
    ChorusFrame& f = frames[i];
    f.in_l = static_cast<float>(i + 1);
    f.in_r = -static_cast<float>(i + 1);
    f.max_delay1 = 0.0f;
    f.voice_mix = 0.0f;
    f.spread = 1.0f;
    f.rate1 = 0.0f;
    f.rate3 = 0.5f;
    f.wet = 1.0f;
    f.dry = 0.0f;
  }
  return frames;
}

// At 100 Hz a delay pin value is a delay in samples.
TEST(ChorusProcessingTest, ReadPositionInterpolatesBetweenNeighbours) {
  ChorusRig rig(100.0f, 128);
  std::vector<ChorusFrame> frames = VoiceOneFrames(128);
  for (ChorusFrame& f : frames) f.pre_delay1 = 10.25f;
  const std::vector<StereoOut> out = RunLibrary(rig, frames, 128, {{0, oxtest::kModulationMode, 1}});
  // At sample 100 the read position is 89.75: 0.25 of element 89 (input 90)
  // and 0.75 of element 90 (input 91).
  EXPECT_EQ(out[100].left, 0.25f * 90.0f + 0.75f * 91.0f);
  for (int32_t i = 11; i < 128; ++i) EXPECT_EQ(out[i].left, static_cast<float>(i + 1) - 10.25f) << i;
}

// A delay a hair above the write index wraps to exactly 32768.0, which reads
// element 0 with fraction 0.
TEST(ChorusProcessingTest, WrapToTheLineEndReadsElementZero) {
  ChorusRig rig(100.0f, 64);
  std::vector<ChorusFrame> frames = VoiceOneFrames(64);
  for (int32_t i = 0; i < 64; ++i) frames[i].pre_delay1 = static_cast<float>(i) + 0.0001f;
  const std::vector<StereoOut> out = RunLibrary(rig, frames, 64, {{0, oxtest::kModulationMode, 1}});
  for (int32_t i = 0; i < 64; ++i) EXPECT_EQ(out[i].left, 1.0f) << i;
}

TEST(ChorusProcessingTest, NegativeDelayActsAsThePositiveOne) {
  std::vector<ChorusFrame> negative = oxtest::NoiseFrames(3000);
  std::vector<ChorusFrame> positive = negative;
  for (ChorusFrame& f : negative) {
    f.pre_delay1 = -1.0f;
    f.max_delay1 = 0.0f;
  }
  for (ChorusFrame& f : positive) {
    f.pre_delay1 = 1.0f;
    f.max_delay1 = 0.0f;
  }
  ChorusRig negative_rig;
  ChorusRig positive_rig;
  ExpectSameOutputs(negative_rig.Run(negative), positive_rig.Run(positive));
}

struct ZeroDelayCase {
  float mix, spread, l3, wet, dry;
};

// With every delay at 0 both voices read the current input:
// Out L = In L × (((1 − mix) × l3 + mix × (1 − l3) + c) × Wet + Dry), and
// Out R likewise with the pan weights swapped.
TEST(ChorusProcessingTest, ZeroDelaysFollowTheClosedFormula) {
  const ZeroDelayCase cases[] = {
      {0.5f, 1.0f, 0.3f, 0.6f, 0.8f}, {0.0f, 0.0f, 1.0f, 1.0f, 0.0f}, {1.0f, 0.25f, -0.7f, 0.9f, 0.1f},
      {0.2f, 0.5f, 1.6f, -1.0f, 1.0f}, {0.75f, 1.0f, 0.0f, 0.3f, 0.0f},
  };
  for (const ZeroDelayCase& c : cases) {
    ChorusRig rig(44100.0f, 256);
    std::vector<ChorusFrame> frames = oxtest::NoiseFrames(256, 3);
    for (ChorusFrame& f : frames) {
      f.pre_delay1 = f.pre_delay2 = f.max_delay1 = f.max_delay2 = 0.0f;
      f.voice_mix = c.mix;
      f.spread = c.spread;
      f.rate3 = c.l3 / 2.0f;
      f.wet = c.wet;
      f.dry = c.dry;
    }
    const std::vector<StereoOut> out = RunLibrary(rig, frames, 256, {{0, oxtest::kModulationMode, 1}});
    const double m = c.mix, l3 = c.l3, k = 1.0 - c.spread;
    const double gain_l = ((1 - m) * l3 + m * (1 - l3) + k) * c.wet + c.dry;
    const double gain_r = ((1 - m) * (1 - l3) + m * l3 + k) * c.wet + c.dry;
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_NEAR(out[i].left, frames[i].in_l * gain_l, 1e-5) << i;
      EXPECT_NEAR(out[i].right, frames[i].in_r * gain_r, 1e-5) << i;
    }
  }
}

// Wet 0 and Dry 1 pass the inputs although the delay lines keep being
// written: turning Wet up later brings in the delayed past.
TEST(ChorusProcessingTest, DryOnlyPassesTheInputWhileTheLinesFill) {
  std::vector<ChorusFrame> frames = oxtest::NoiseFrames(2048, 5);
  for (size_t i = 0; i < 1024; ++i) {
    frames[i].wet = 0.0f;
    frames[i].dry = 1.0f;
  }
  ChorusRig rig;
  ChorusModel model(44100.0f);
  const std::vector<StereoOut> out = RunLibrary(rig, frames, 1024, {});
  for (size_t i = 0; i < 1024; ++i) {
    ASSERT_EQ(out[i].left, frames[i].in_l) << i;
    ASSERT_EQ(out[i].right, frames[i].in_r) << i;
  }
  ExpectSameOutputs(out, RunModel(model, frames, 1024, {}));
}

TEST(ChorusProcessingTest, BypassIsAnExactCopy) {
  ChorusRig rig(44100.0f, 64);
  std::vector<ChorusFrame> frames = oxtest::NoiseFrames(64);
  frames[3].in_l = -0.0f;
  frames[4].in_l = 1e-40f;
  frames[5].in_r = kInfinity;
  frames[6].in_r = kNaN;
  const std::vector<StereoOut> out = RunLibrary(rig, frames, 64, {{0, oxtest::kOnOff, 1}});
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(std::memcmp(&out[i].left, &frames[i].in_l, sizeof(float)), 0) << i;
    EXPECT_EQ(std::memcmp(&out[i].right, &frames[i].in_r, sizeof(float)), 0) << i;
  }
}

// A voice's delay is held within the lines: a delay the lines cannot hold
// acts as the longest they can (32767 samples) and a NaN delay as no delay.
struct DelayLimitCase {
  float pre_delay;
  float acts_as;
};

TEST(ChorusProcessingTest, DelaysBeyondTheLinesAreLimited) {
  const DelayLimitCase cases[] = {
      {40000.0f, 32767.0f}, {1e30f, 32767.0f}, {kInfinity, 32767.0f},
      {-kInfinity, 32767.0f}, {kNaN, 0.0f},
  };
  const int32_t samples = 33500;
  for (const DelayLimitCase& c : cases) {
    SCOPED_TRACE(c.pre_delay);
    std::vector<ChorusFrame> limited = oxtest::NoiseFrames(samples, 11);
    std::vector<ChorusFrame> equivalent = limited;
    for (ChorusFrame& f : limited) {
      f.pre_delay1 = c.pre_delay;
      f.max_delay1 = 0.0f;
    }
    for (ChorusFrame& f : equivalent) {
      f.pre_delay1 = c.acts_as;
      f.max_delay1 = 0.0f;
    }
    ChorusRig limited_rig(100.0f, 1024);
    ChorusRig equivalent_rig(100.0f, 1024);
    const std::vector<StereoOut> out = limited_rig.Run(limited);
    ExpectSameOutputs(out, equivalent_rig.Run(equivalent));
    for (const StereoOut& o : out) ASSERT_TRUE(std::isfinite(o.left) && std::isfinite(o.right));
  }
}

// Rates that no 32-bit increment can hold run at the nearest one that fits,
// NaN rates hold their LFO; external sources that are not finite give delays
// the limit holds. With finite inputs the outputs stay finite throughout.
TEST(ChorusProcessingTest, RatesAndSourcesThatAreNotFiniteStayWithinTheLines) {
  const float extremes[] = {kNaN, kInfinity, -kInfinity, 1e30f, -1e30f, 3e5f};
  for (bool external : {false, true}) {
    for (float extreme : extremes) {
      SCOPED_TRACE(::testing::Message() << (external ? "external " : "internal ") << extreme);
      std::vector<ChorusFrame> frames = oxtest::NoiseFrames(1500, 13);
      for (ChorusFrame& f : frames) f.rate1 = f.rate2 = f.rate3 = extreme;
      if (external) {
        for (ChorusFrame& f : frames) f.rate3 = 0.1f;  // a finite pan keeps the mix finite
      }
      const std::vector<Change> changes = {{0, oxtest::kModulationMode, external ? 1 : 0}};
      ChorusRig rig(44100.0f, 500);
      ChorusModel model(44100.0f);
      const std::vector<StereoOut> out = RunLibrary(rig, frames, 500, changes);
      ExpectSameOutputs(out, RunModel(model, frames, 500, changes));
      for (const StereoOut& o : out) ASSERT_TRUE(std::isfinite(o.left) && std::isfinite(o.right));
    }
  }
}

TEST(ChorusProcessingTest, NanRateHoldsItsLfo) {
  std::vector<ChorusFrame> held = oxtest::NoiseFrames(2000, 17);
  std::vector<ChorusFrame> still = held;
  for (ChorusFrame& f : held) f.rate1 = f.rate2 = f.rate3 = kNaN;
  for (ChorusFrame& f : still) f.rate1 = f.rate2 = f.rate3 = 0.0f;
  ChorusRig held_rig;
  ChorusRig still_rig;
  ExpectSameOutputs(held_rig.Run(held), still_rig.Run(still));
}

}  // namespace
