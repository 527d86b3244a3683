// The drift generator's numbers, recomputed here from their definitions. The
// library's random sequence is shared by all its instances and runs on from
// test to test, so every test accounts for each draw it causes, in order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

#include "tests/drift/drift_rig.h"

namespace {

using namespace drifttest;

// `significand` times 2 to the `exponent`, rounded once to the nearest float
// (ties to even) by integer arithmetic.
float RoundedOnce(int64_t significand, int exponent) {
  if (significand == 0) return 0.0f;
  const bool negative = significand < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(significand) : static_cast<uint64_t>(significand);
  int dropped_bits = 0;
  while ((magnitude >> dropped_bits) >= (uint64_t{1} << 24)) ++dropped_bits;
  uint64_t kept = magnitude >> dropped_bits;
  if (dropped_bits > 0) {
    const uint64_t dropped = magnitude & ((uint64_t{1} << dropped_bits) - 1);
    const uint64_t half = uint64_t{1} << (dropped_bits - 1);
    if (dropped > half || (dropped == half && (kept & 1) != 0)) ++kept;
  }
  const float value = std::ldexp(static_cast<float>(kept), dropped_bits + exponent);
  return negative ? -value : value;
}

// The library's random sequence: state times 196314165 plus 907633515 modulo
// 2^32, read as signed and multiplied by the float with bits 0x2CF5C28F.
class RandomMirror {
 public:
  uint32_t state = 164418;

  float Next() {
    state = state * 196314165u + 907633515u;
    const uint32_t bits = 0x2CF5C28Fu;
    float scale;
    std::memcpy(&scale, &bits, sizeof scale);
    int exponent;
    const float fraction = std::frexp(scale, &exponent);
    const int64_t significand = static_cast<int64_t>(std::ldexp(fraction, 24));
    return RoundedOnce(static_cast<int64_t>(static_cast<int32_t>(state)) * significand, exponent - 24);
  }
  void Skip(int draws) {
    for (int i = 0; i < draws; ++i) Next();
  }
};

RandomMirror mirror;

// The first step toward a target from 0.0 over `blocks` calls, as published.
float FirstStep(float target, double blocks) {
  const float step = static_cast<float>(std::fabs(static_cast<double>(target)) / blocks);
  return target < 0.0f ? -step : step;
}

// Switches `rig` off and on again, which starts the value from 0.0 with a
// draw at the next call.
void Restart(DriftRig& rig) {
  rig.SetActive(false);
  rig.SetActive(true);
}

TEST(DriftRandomTest, TheFirstDrawsAreThePublishedOnes) {
  DriftRig rig;
  rig.Open();
  rig.StartDrifting(1.0f, 0, 1);  // one block between targets: each target is reached in the drawing call
  const double published[] = {0.012648188, -0.010286073, -0.005461067};
  for (int draw = 0; draw < 3; ++draw) {
    Restart(rig);
    rig.ProcessBlock();
    const float expected = mirror.Next();
    if (draw == 0) {
      EXPECT_EQ(mirror.state, 1810785045u);
    }
    EXPECT_EQ(rig.Out()[0], expected) << draw;
    EXPECT_NEAR(rig.Out()[0], published[draw], 5e-10) << draw;
  }
}

TEST(DriftRandomTest, ADepthScalesAndSignsTheTarget) {
  DriftRig rig;
  rig.Open();
  rig.StartDrifting(-0.5f, 0, 1);
  Restart(rig);
  rig.ProcessBlock();
  EXPECT_EQ(rig.Out()[0], static_cast<float>(static_cast<double>(mirror.Next()) * -0.5));
}

// Samples between targets for each rate position, at 44100 and 48000 Hz.
const uint32_t kSamples44100[] = {441,   882,    1764,   4410,   8820,   14700,  22050, 44100,
                                  88200, 132300, 176400, 264600, 441000, 882000, 1764000};
const uint32_t kSamples48000[] = {480,   960,    1920,   4800,   9600,   16000,  24000, 48000,
                                  96000, 144000, 192000, 288000, 480000, 960000, 1920000};

// With one-sample blocks the first step is the distance over the samples
// between targets, which shows that count exactly.
TEST(DriftRateTest, EachPositionGivesItsSamplesBetweenTargets) {
  struct Rate {
    float sample_rate;
    const uint32_t* samples;
  };
  for (const Rate& rate : {Rate{44100.0f, kSamples44100}, Rate{48000.0f, kSamples48000}}) {
    for (int16_t position = 0; position < 15; ++position) {
      DriftRig rig(rate.sample_rate, 1);
      rig.Open();
      rig.StartDrifting(1.0f, position, 1);
      rig.Process(0, 1);
      EXPECT_EQ(rig.Out()[0], FirstStep(mirror.Next(), rate.samples[position]))
          << rate.sample_rate << " Hz, position " << position;
    }
  }
}

TEST(DriftRateTest, TheIntervalIsAtLeastOneBlockAndStepsCountWholeBlocks) {
  struct Case {
    int16_t position;
    double blocks;
  };
  for (const Case& c : {Case{0, 1}, Case{10, 172}, Case{7, 43}}) {
    DriftRig rig(44100.0f, 1024);
    rig.Open();
    rig.StartDrifting(1.0f, c.position, 1);
    rig.ProcessBlock();
    EXPECT_EQ(rig.Out()[0], FirstStep(mirror.Next(), c.blocks)) << c.position;
  }
}

TEST(DriftRateTest, BeforeAnyRateHalfASecondSeparatesTargets) {
  DriftRig rig(44100.0f, 1024);
  rig.Open();
  rig.SetChoice(kUpdateRatePin, 1);
  rig.SetDepth(1.0f);
  rig.SetActive(true);
  for (int call = 1; call <= 21; ++call) {
    rig.ProcessBlock();
    ASSERT_EQ(rig.Out()[0], 0.0f) << call;  // 21 * 1024 < 22050
  }
  rig.ProcessBlock();
  EXPECT_EQ(rig.Out()[0], FirstStep(mirror.Next(), 22050 / 1024));
}

// The drifting process function recomputed from its definition, for a run of
// calls after the rate has been set (which primes the next draw).
class DriftCourse {
 public:
  DriftCourse(uint32_t samples_per_target, int32_t block_size, int32_t update_rate)
      : samples_per_target_(samples_per_target),
        blocks_per_target_(static_cast<int32_t>(samples_per_target / block_size)),
        block_size_(block_size),
        update_rate_(update_rate),
        sample_count_(samples_per_target) {}

  bool publishes = false;
  bool writes = false;
  float held = 0.0f;

  void Call(int32_t count, float depth_at_offset) {
    sample_count_ += count;
    if (sample_count_ >= samples_per_target_) {
      sample_count_ = 0;
      target_ = static_cast<float>(static_cast<double>(mirror.Next()) * depth_at_offset);
      step_ = static_cast<float>(std::fabs(static_cast<double>(target_) - current_) / blocks_per_target_);
    }
    if (current_ < target_) {
      current_ = std::fmin(current_ + step_, target_);
    } else {
      current_ = std::fmax(current_ - step_, target_);
    }
    publishes = ++update_count_ >= update_rate_;
    if (publishes) {
      update_count_ = 0;
      held = current_;
      fill_countdown_ = block_size_;
    }
    writes = fill_countdown_ >= 0;
    if (writes) fill_countdown_ -= count;
  }

 private:
  uint32_t samples_per_target_;
  int32_t blocks_per_target_;
  int32_t block_size_;
  int32_t update_rate_;
  uint32_t sample_count_;
  float current_ = 0.0f;
  float target_ = 0.0f;
  float step_ = 0.0f;
  int32_t update_count_ = 0;
  int32_t fill_countdown_ = 0;
};

const float kUntouched = 99.0f;

TEST(DriftGoldenRunTest, RateFourAtOneBlockPerCall) {
  DriftRig rig(44100.0f, 1024);
  rig.Open();
  rig.StartDrifting(1.0f, 10, 4);
  DriftCourse course(176400, 1024, 4);
  for (int call = 1; call <= 400; ++call) {
    rig.FillOut(kUntouched);
    rig.side.calls.clear();
    rig.ProcessBlock();
    course.Call(1024, 1.0f);
    ASSERT_EQ(rig.Count(ox2::HC_SEND_PIN_STATUS), course.publishes ? 1u : 0u) << call;
    ASSERT_EQ(rig.Out()[0], course.writes ? course.held : kUntouched) << call;
    ASSERT_EQ(rig.Out()[1023], course.writes ? course.held : kUntouched) << call;
  }
}

TEST(DriftGoldenRunTest, ThirdOfASecondInHalfBlocksWithAStreamingDepth) {
  DriftRig rig(48000.0f, 1024);
  for (int32_t i = 0; i < 1024; ++i) rig.Depth()[i] = 0.5f + static_cast<float>(i) / 1024.0f;
  rig.Open();
  rig.SetChoice(kRatePin, 5);
  rig.SetChoice(kUpdateRatePin, 2);
  rig.StreamDepth();
  rig.SetActive(true);
  DriftCourse course(16000, 1024, 2);
  for (int call = 0; call < 300; ++call) {
    const int32_t offset = (call % 2) * 512;
    rig.FillOut(kUntouched);
    rig.Process(offset, 512);
    course.Call(512, rig.Depth()[offset]);
    ASSERT_EQ(rig.Out()[offset], course.writes ? course.held : kUntouched) << call;
    ASSERT_EQ(rig.Out()[offset + 511], course.writes ? course.held : kUntouched) << call;
  }
}

// Two instances drawing on two threads at once advance the shared sequence by
// exactly their number of draws: no step is lost or taken twice.
TEST(DriftRandomThreadTest, ConcurrentInstancesShareOneSequence) {
  const int kDrawsEach = 1000000;
  auto drift = [kDrawsEach] {
    DriftRig rig(100.0f, 1);
    rig.Open();
    rig.StartDrifting(1.0f, 0, 64);  // one sample between targets: a draw in every one-sample call
    for (int call = 0; call < kDrawsEach; ++call) rig.ProcessBlock();
  };
  std::thread first(drift);
  std::thread second(drift);
  first.join();
  second.join();
  mirror.Skip(2 * kDrawsEach);

  DriftRig rig;
  rig.Open();
  rig.StartDrifting(1.0f, 0, 1);
  rig.ProcessBlock();
  EXPECT_EQ(rig.Out()[0], mirror.Next());
}

}  // namespace
