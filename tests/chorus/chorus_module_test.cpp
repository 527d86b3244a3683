// The chorus module's states: which routine runs after Open and after pin
// changes, the silence test, the countdown of the silent state, and what Open
// announces and resets.
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
constexpr float kSentinel = 7.0f;
constexpr int32_t kBlock = 64;

enum class Routine { kNothing, kSilence, kBypass, kChorus, kExternal, kUnknown };

const char* Name(Routine routine) {
  switch (routine) {
    case Routine::kNothing: return "nothing";
    case Routine::kSilence: return "silence";
    case Routine::kBypass: return "bypass";
    case Routine::kChorus: return "chorus";
    case Routine::kExternal: return "external";
    default: return "unknown";
  }
}

// Frames on which every routine leaves its own mark: delays 0, VoiceMix 0,
// Spread 1, Wet 1, Dry 0; Rate3 2^-17 leaves the internal LFO 3 at 0 but
// gives the external one 2^-16. So the chorus gives Out L = 0 and Out R =
// In R, the external source Out L = In L × 2^-16.
std::vector<ChorusFrame> MarkingFrames() {
  std::vector<ChorusFrame> frames(kBlock);
  for (int32_t i = 0; i < kBlock; ++i) {
    ChorusFrame& f = frames[i];
    f.in_l = 0.25f + static_cast<float>(i);
    f.in_r = -0.5f - static_cast<float>(i);
    f.pre_delay1 = f.pre_delay2 = f.max_delay1 = f.max_delay2 = 0.0f;
    f.voice_mix = 0.0f;
    f.spread = 1.0f;
    f.wet = 1.0f;
    f.dry = 0.0f;
    f.rate1 = f.rate2 = 0.0f;
    f.rate3 = 0x1p-17f;
  }
  return frames;
}

// Runs one block with no events over outputs filled with a sentinel and tells
// which routine ran from what it left there.
Routine Observe(ChorusRig& rig) {
  const std::vector<ChorusFrame> frames = MarkingFrames();
  rig.Write(frames.data(), kBlock);
  std::fill_n(rig.instance.Buffer(oxtest::kOutL), kBlock, kSentinel);
  std::fill_n(rig.instance.Buffer(oxtest::kOutR), kBlock, kSentinel);
  rig.instance.Process(0, kBlock);
  auto all = [&](auto predicate) {
    for (int32_t i = 0; i < kBlock; ++i) {
      if (!predicate(frames[i], rig.Out(i))) return false;
    }
    return true;
  };
  if (all([](const ChorusFrame&, StereoOut o) { return o.left == kSentinel && o.right == kSentinel; }))
    return Routine::kNothing;
  if (all([](const ChorusFrame&, StereoOut o) { return o.left == 0.0f && o.right == 0.0f; }))
    return Routine::kSilence;
  if (all([](const ChorusFrame& f, StereoOut o) { return o.left == f.in_l && o.right == f.in_r; }))
    return Routine::kBypass;
  if (all([](const ChorusFrame& f, StereoOut o) { return o.left == 0.0f && o.right == f.in_r; }))
    return Routine::kChorus;
  if (all([](const ChorusFrame& f, StereoOut o) { return o.left == f.in_l * 0x1p-16f; }))
    return Routine::kExternal;
  return Routine::kUnknown;
}

#define EXPECT_ROUTINE(rig, expected) EXPECT_STREQ(Name(Observe(rig)), Name(expected))

// Applies `changes` at the start of the next block, with Out L quiet there
// (the block's own outputs are not looked at), then observes the routine in
// effect.
struct PinChange {
  int32_t pin;
  int32_t status;
  int32_t value;
};

Routine AfterChanges(ChorusRig& rig, const std::vector<PinChange>& changes) {
  for (const PinChange& change : changes) rig.instance.PinEvent(rig.instance.clock(), change.pin, change.status, change.value);
  const std::vector<ChorusFrame> frames = MarkingFrames();
  rig.Write(frames.data(), kBlock);
  rig.instance.Buffer(oxtest::kOutL)[0] = 0.0f;
  rig.instance.Process(0, kBlock);
  return Observe(rig);
}

TEST(ChorusModuleTest, OpenSelectsTheChorusAndAnnouncesBothOutputs) {
  ChorusRig rig(44100.0f, kBlock, 777);
  const auto calls = rig.instance.side().CallsWithOpcode(ox1::HC_SEND_PIN_STATUS);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].index, oxtest::kOutL);
  EXPECT_EQ(calls[1].index, oxtest::kOutR);
  for (const auto& call : calls) {
    EXPECT_EQ(call.value, ox1::PS_STREAMING);
    EXPECT_EQ(call.ptr, 777);
  }
  EXPECT_ROUTINE(rig, Routine::kChorus);
}

struct SwitchCase {
  int16_t on_off;
  int16_t mode;
  Routine expected;
};

TEST(ChorusModuleTest, SwitchesChooseTheRoutine) {
  const SwitchCase cases[] = {
      {0, 0, Routine::kChorus},   {0, 1, Routine::kExternal}, {1, 0, Routine::kBypass},
      {1, 1, Routine::kBypass},   {0, 2, Routine::kChorus},   {0, -1, Routine::kChorus},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "On|Off " << c.on_off << ", mode " << c.mode);
    ChorusRig rig(44100.0f, kBlock);
    EXPECT_STREQ(Name(AfterChanges(rig, {{oxtest::kInL, ox1::PS_STREAMING, 0},
                                         {oxtest::kInR, ox1::PS_STREAMING, 0},
                                         {oxtest::kModulationMode, ox1::PS_ONE_CHANGE, c.mode},
                                         {oxtest::kOnOff, ox1::PS_ONE_CHANGE, c.on_off}})),
                 Name(c.expected));
  }
}

// A mode outside 0 and 1 keeps the routine that runs.
TEST(ChorusModuleTest, UnknownModeKeepsTheCurrentRoutine) {
  ChorusRig rig(44100.0f, kBlock);
  const std::vector<PinChange> streaming = {{oxtest::kInL, ox1::PS_STREAMING, 0}, {oxtest::kInR, ox1::PS_STREAMING, 0}};
  EXPECT_STREQ(Name(AfterChanges(rig, {streaming[0], streaming[1], {oxtest::kModulationMode, ox1::PS_ONE_CHANGE, 1}})),
               Name(Routine::kExternal));
  EXPECT_STREQ(Name(AfterChanges(rig, {{oxtest::kModulationMode, ox1::PS_ONE_CHANGE, 7}})), Name(Routine::kExternal));
}

// The silence test of every pin change: the statuses of both inputs, their
// current samples and Out L's current sample at the change.
struct SilenceCase {
  const char* name;
  int32_t status_l;
  float sample_l;
  int32_t status_r;
  float sample_r;
  float out_l;
  Routine expected;
};

TEST(ChorusModuleTest, PinChangesFallSilentWhenInputsAreNotLive) {
  const SilenceCase cases[] = {
      {"both static, In L 0, Out L negative", 0, 0.0f, 0, 0.0f, -0.5f, Routine::kSilence},
      {"In L streams, In R static at 0", 2, 0.3f, 0, 0.0f, 0.0f, Routine::kSilence},
      {"both static with signal, Out L loud", 0, 0.3f, 0, 0.4f, 0.25f, Routine::kChorus},
      {"both static with signal, Out L quiet", 0, 0.3f, 0, 0.4f, 0.0f, Routine::kSilence},
      {"both stream, Out L quiet", 2, 0.0f, 2, 0.0f, 0.0f, Routine::kChorus},
      {"one streams, other static with signal", 0, 0.3f, 2, 0.0f, 0.0f, Routine::kChorus},
      {"static NaN input counts as 0", 0, kNaN, 2, 0.4f, 0.5f, Routine::kChorus},
      {"static NaN input with quiet Out L", 0, kNaN, 2, 0.4f, 0.0f, Routine::kSilence},
      {"NaN Out L counts as quiet", 0, 0.3f, 0, 0.4f, kNaN, Routine::kSilence},
      {"Out L at the threshold is loud", 0, 0.0f, 0, 0.0f, 0x1p-16f, Routine::kChorus},
      {"Out L just below the threshold", 0, 0.0f, 0, 0.0f, 0x1.fffffep-17f, Routine::kSilence},
  };
  for (const SilenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    ChorusRig rig(44100.0f, kBlock);
    const uint32_t at = 10;  // the change falls inside the block
    rig.instance.PinEvent(at, oxtest::kInL, c.status_l);
    rig.instance.PinEvent(at, oxtest::kInR, c.status_r);
    rig.instance.PinEvent(at, oxtest::kSpread, ox1::PS_ONE_CHANGE);
    const std::vector<ChorusFrame> frames = MarkingFrames();
    rig.Write(frames.data(), kBlock);
    rig.instance.Buffer(oxtest::kInL)[at] = c.sample_l;
    rig.instance.Buffer(oxtest::kInR)[at] = c.sample_r;
    rig.instance.Buffer(oxtest::kOutL)[at] = c.out_l;
    rig.instance.Process(0, kBlock);
    EXPECT_STREQ(Name(Observe(rig)), Name(c.expected));
  }
}

// The block size set before the change is the count of samples zeroed; the
// switch to doing nothing comes at the end of the call that runs it out.
TEST(ChorusModuleTest, SilenceZeroesOneBlockThenDoesNothing) {
  ChorusRig rig(44100.0f, 256);
  rig.instance.SetBlockSize(1024);
  rig.instance.PinEvent(0, oxtest::kSpread, ox1::PS_ONE_CHANGE);  // inputs static and 0
  for (int call = 0; call < 6; ++call) {
    std::fill_n(rig.instance.Buffer(oxtest::kOutL), 256, kSentinel);
    std::fill_n(rig.instance.Buffer(oxtest::kOutR), 256, kSentinel);
    if (call == 0) rig.instance.Buffer(oxtest::kOutL)[0] = 0.0f;  // quiet at the change
    rig.instance.Process(0, 256);
    const float expected = call < 4 ? 0.0f : kSentinel;
    for (int32_t i = 0; i < 256; ++i) {
      ASSERT_EQ(rig.Out(i).left, expected) << "call " << call << ", sample " << i;
      ASSERT_EQ(rig.Out(i).right, expected) << "call " << call << ", sample " << i;
    }
  }
}

TEST(ChorusModuleTest, SilenceCountdownRunsOutWithinTheLastCall) {
  ChorusRig rig(44100.0f, 256);
  rig.instance.SetBlockSize(300);
  rig.instance.PinEvent(0, oxtest::kSpread, ox1::PS_ONE_CHANGE);
  bool first = true;
  for (float expected : {0.0f, 0.0f, kSentinel}) {
    std::fill_n(rig.instance.Buffer(oxtest::kOutL), 256, kSentinel);
    if (first) rig.instance.Buffer(oxtest::kOutL)[0] = 0.0f;  // quiet at the change
    first = false;
    rig.instance.Process(0, 256);
    EXPECT_EQ(rig.Out(255).left, expected);
  }
}

// Inputs static throughout: every change finds them not live and Out L quiet.
TEST(ChorusModuleTest, OnOffHasTheLastWordOverSilence) {
  ChorusRig rig(44100.0f, kBlock);
  rig.instance.SetBlockSize(2 * kBlock);
  EXPECT_STREQ(Name(AfterChanges(rig, {{oxtest::kSpread, ox1::PS_ONE_CHANGE, 0}})), Name(Routine::kSilence));
  EXPECT_STREQ(Name(Observe(rig)), Name(Routine::kNothing));
  EXPECT_STREQ(Name(AfterChanges(rig, {{oxtest::kOnOff, ox1::PS_ONE_CHANGE, 0}})), Name(Routine::kChorus));
  EXPECT_STREQ(Name(AfterChanges(rig, {{oxtest::kOnOff, ox1::PS_ONE_CHANGE, 1}})), Name(Routine::kBypass));
  EXPECT_STREQ(Name(AfterChanges(rig, {{oxtest::kModulationMode, ox1::PS_ONE_CHANGE, 1},
                                       {oxtest::kOnOff, ox1::PS_ONE_CHANGE, 0}})),
               Name(Routine::kExternal));
}

// A second Open starts over: fresh delay lines and LFOs, the rate then in
// effect, and the outputs announced again.
TEST(ChorusModuleTest, SecondOpenStartsOver) {
  ChorusRig rig(44100.0f, 1024);
  rig.Run(oxtest::NoiseFrames(3000, 21));
  rig.instance.SetSampleRate(48000.0f);
  rig.instance.Open();
  EXPECT_EQ(rig.instance.side().CallsWithOpcode(ox1::HC_SEND_PIN_STATUS).size(), 4u);
  const std::vector<ChorusFrame> frames = oxtest::NoiseFrames(3000, 22);
  const std::vector<StereoOut> out = rig.Run(frames);
  ChorusModel model(48000.0f);
  std::vector<StereoOut> expected(frames.size());
  for (size_t start = 0; start < frames.size(); start += 1024) {
    const int count = static_cast<int>(std::min<size_t>(1024, frames.size() - start));
    model.CallChorus(&frames[start], count, &expected[start]);
  }
  ASSERT_EQ(out.size(), expected.size());
  for (size_t i = 0; i < out.size(); ++i) {
    ASSERT_EQ(std::memcmp(&out[i], &expected[i], sizeof out[i]), 0) << i;
  }
}

// With fewer pins than it describes, the instance touches no pin and does no
// work; events for its pins change nothing.
TEST(ChorusModuleTest, TooFewHostPinsLeaveTheInstanceIdle) {
  oxtest::Gen1Instance instance(oxtest::ChorusLibrary(), 4, kBlock);
  instance.Open();
  instance.BindAudioBuffers(4);
  EXPECT_TRUE(instance.side().CallsWithOpcode(ox1::HC_SEND_PIN_STATUS).empty());
  instance.PinEvent(0, oxtest::kInL, ox1::PS_STREAMING);
  instance.PinEvent(0, oxtest::kOnOff, ox1::PS_ONE_CHANGE, 1);
  instance.Fill(oxtest::kInL, 0.5f);
  instance.Fill(oxtest::kOutL, kSentinel);
  instance.Process(0, kBlock);
  EXPECT_EQ(instance.Buffer(oxtest::kOutL)[0], kSentinel);
  EXPECT_EQ(instance.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

// Status events for pin numbers the instance does not have are dropped.
TEST(ChorusModuleTest, EventsForMissingPinsAreIgnored) {
  ChorusRig rig(44100.0f, kBlock);
  for (intptr_t target : {intptr_t{20}, intptr_t{1000000}, intptr_t{-1}}) {
    rig.instance.AddEvent(0, ox1::EV_PIN_STATUS, ox1::PS_ONE_CHANGE, 1, target);
  }
  EXPECT_ROUTINE(rig, Routine::kChorus);
  EXPECT_EQ(rig.instance.Dispatch(ox1::MOD_QUEUE_EMPTY), 1);
}

}  // namespace
