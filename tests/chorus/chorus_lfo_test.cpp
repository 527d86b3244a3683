// The shared wavetable and the LFOs, read through the built library: with
// every delay at 0, VoiceMix 0, Spread 1, Wet 1, Dry 0 and In L at 1.0, Out L
// is exactly LFO 3's value. At 81920 Hz a Rate value of 1.0 moves an LFO by
// exactly one table entry per sample.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/chorus/support/chorus_rig.h"

namespace {

using oxtest::ChorusFrame;
using oxtest::ChorusRig;
using oxtest::StereoOut;

constexpr float kEntryPerSampleRate = 81920.0f;

std::vector<ChorusFrame> PanReadingFrames(int32_t count, float rate3) {
  std::vector<ChorusFrame> frames(count);
  for (ChorusFrame& f : frames) {
    f.in_l = 1.0f;
    f.in_r = 0.0f;
    f.pre_delay1 = f.pre_delay2 = f.max_delay1 = f.max_delay2 = 0.0f;
    f.voice_mix = 0.0f;
    f.spread = 1.0f;
    f.wet = 1.0f;
    f.dry = 0.0f;
    f.rate3 = rate3;
  }
  return frames;
}

// LFO 3's wave values (in table units) over `count` samples.
std::vector<int32_t> WaveValues(float sample_rate, float rate3, int32_t count, int16_t wave) {
  ChorusRig rig(sample_rate, 1024);
  rig.instance.PinEvent(0, oxtest::kInL, ox1::PS_STREAMING);
  rig.instance.PinEvent(0, oxtest::kInR, ox1::PS_STREAMING);
  if (wave != 0) rig.Change(0, oxtest::kMod3Wave, wave);
  const std::vector<StereoOut> out = rig.Run(PanReadingFrames(count, rate3));
  std::vector<int32_t> values;
  for (const StereoOut& o : out) {
    const float w = o.left * 16384.0f;
    EXPECT_EQ(w, static_cast<float>(static_cast<int32_t>(w))) << "not a whole table value";
    values.push_back(static_cast<int32_t>(w));
  }
  return values;
}

struct Entry {
  int32_t index;
  int32_t value;
};

TEST(ChorusLfoTest, SineEntriesAreThePublishedOnes) {
  const std::vector<int32_t> sine = WaveValues(kEntryPerSampleRate, 1.0f, 8193, 0);
  const Entry published[] = {{0, 0},         {1, 12},    {2, 25},     {512, 6269}, {1024, 11585},
                             {2048, 16383}, {4096, 0}, {6144, -16383}, {8191, -12}, {8192, 0}};
  for (const Entry& e : published) EXPECT_EQ(sine[e.index], e.value) << "entry " << e.index;
}

TEST(ChorusLfoTest, TriangleEntriesFollowTheirFormula) {
  const std::vector<int32_t> triangle = WaveValues(kEntryPerSampleRate, 1.0f, 8192, 1);
  for (int32_t i = 0; i < 8192; ++i) {
    const int32_t expected = i <= 2048 ? 8 * i : i <= 6144 ? 32768 - 8 * i : 8 * i - 65536;
    ASSERT_EQ(triangle[i], expected) << "entry " << i;
  }
}

// Any wave value but 0 reads the triangle; none reads outside the table.
TEST(ChorusLfoTest, WaveValuesOtherThanZeroAndOneReadTheTriangle) {
  const std::vector<int32_t> triangle = WaveValues(kEntryPerSampleRate, 1.0f, 8192, 1);
  for (int16_t wave : {2, 5, -1, 32767, -32768}) {
    EXPECT_EQ(WaveValues(kEntryPerSampleRate, 1.0f, 8192, wave), triangle) << "wave " << wave;
  }
}

// Half an entry per sample: the phase at k = 8191 interpolates between the
// wave's last entry and its first, never into the other wave.
TEST(ChorusLfoTest, LastEntryInterpolatesTowardTheWavesFirst) {
  const std::vector<int32_t> sine = WaveValues(kEntryPerSampleRate, 0.5f, 16385, 0);
  EXPECT_EQ(sine[16382], -12);
  EXPECT_EQ(sine[16383], -12 + 12 / 2);
  EXPECT_EQ(sine[16384], 0);
  const std::vector<int32_t> triangle = WaveValues(kEntryPerSampleRate, 0.5f, 16385, 1);
  EXPECT_EQ(triangle[16382], -8);
  EXPECT_EQ(triangle[16383], -4);
  EXPECT_EQ(triangle[16384], 0);
}

// Increment −1 from phase 0 wraps to 0x7FFFFFF: entry 8191 plus 16383/16384
// of the step to entry 0, the quotient truncated toward zero.
TEST(ChorusLfoTest, NegativeIncrementWrapsBackwards) {
  const std::vector<int32_t> sine = WaveValues(kEntryPerSampleRate, -1.0f / 16384.0f, 3, 0);
  EXPECT_EQ(sine[0], 0);
  EXPECT_EQ(sine[1], -12 + 12 * 16383 / 16384);
  EXPECT_EQ(sine[2], -12 + 12 * 16382 / 16384);
}

TEST(ChorusLfoTest, ZeroRateHoldsTheLfo) {
  for (int32_t value : WaveValues(44100.0f, 0.0f, 500, 0)) ASSERT_EQ(value, 0);
}

// The wave value at `phase`, from the wave's closed formulas.
int32_t SineWaveAt(int64_t phase) {
  const int32_t k = static_cast<int32_t>(phase >> 14);
  const int32_t f = static_cast<int32_t>(phase & 0x3FFF);
  const int32_t a = oxtest::ModelTableEntry(k);
  const int32_t b = oxtest::ModelTableEntry((k + 1) % 8192);
  return a + (b - a) * f / 16384;
}

std::vector<int32_t> SineRun(int32_t increment, int32_t count) {
  std::vector<int32_t> values;
  for (int64_t n = 0; n < count; ++n) values.push_back(SineWaveAt((n * increment) & 0x7FFFFFF));
  return values;
}

struct IncrementCase {
  float sample_rate;
  float rate;
  int32_t increment;
};

TEST(ChorusLfoTest, IncrementsAreThePublishedOnes) {
  const IncrementCase cases[] = {
      {44100.0f, 0.068f, 2069}, {44100.0f, 0.033f, 1004}, {44100.0f, 0.034f, 1034}, {48000.0f, 0.5f, 13981}};
  const int32_t samples = 6000;
  for (const IncrementCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rate << " at " << c.sample_rate);
    const std::vector<int32_t> values = WaveValues(c.sample_rate, c.rate, samples, 0);
    EXPECT_EQ(values, SineRun(c.increment, samples));
    EXPECT_NE(values, SineRun(c.increment + 1, samples));
  }
}

// Instances opened on several threads at once all read the same, complete
// table.
TEST(ChorusLfoTest, InstancesOpenedOnSeveralThreadsReadTheSameTable) {
  const std::vector<int32_t> expected = SineRun(16384, 8192);
  std::vector<std::vector<int32_t>> results(4);
  std::vector<std::thread> threads;
  for (auto& result : results) {
    threads.emplace_back([&result] { result = WaveValues(kEntryPerSampleRate, 1.0f, 8192, 0); });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
