// What plug-in validators do to a module, done to each of ours through its
// built library: every sample rate from 1 Hz to 768 kHz with block sizes from
// 1 to 16384 (powers of two and not), random pin changes every 32 samples
// on noise input, and a census of NaN, infinite and subnormal outputs.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/ox_interfaces.h"
#include "tests/robustness/robustness_rig.h"

namespace oxtest {
namespace {

constexpr int32_t kChangeEvery = 32;

const float kRates[] = {1.0f, 8000.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f, 768000.0f};
const int32_t kBlocks[] = {1, 2, 3, 31, 64, 100, 441, 1024, 4096, 8192, 16384};

// A control value a user could reach, and a little beyond: the delay, rate
// and mix controls span −2 to 12 (in the pins' float units), the drift depth
// too.
float ControlValue(Noise& noise) { return -2.0f + 14.0f * (noise.Next() + 1.0f) * 0.5f; }

// Choices in and out of their lists.
int32_t ChoiceValue(Noise& noise) { return static_cast<int32_t>(noise.Bits() % 80) - 5; }

// One random pin change now: a control sample or a choice.
void ChangeSomePin(DrivenInstance& instance, Noise& noise) {
  const auto controls = SampleInputs(instance);
  const auto choices = ChoiceInputs(instance);
  const uint32_t pick = noise.Bits() % (controls.size() + choices.size());
  if (pick < controls.size()) {
    const int32_t pin = controls[pick];
    if (instance.generation() == 1 && (pin == chorus_pin::kInL || pin == chorus_pin::kInR)) {
      instance.PinEvent(instance.clock(), pin, ox2::PS_STREAMING, 0);
    } else {
      SetSample(instance, pin, ControlValue(noise));
    }
  } else {
    SetChoice(instance, choices[pick - controls.size()], ChoiceValue(noise));
  }
}

// Processes `total` samples in blocks of the instance's capacity, in
// stretches of 32 samples with a pin change after each.
OutputCensus RunWithChanges(DrivenInstance& instance, int64_t total, Noise& noise) {
  OutputCensus census;
  for (int64_t done = 0; done < total;) {
    const int32_t block = static_cast<int32_t>(std::min<int64_t>(instance.capacity(), total - done));
    ProcessNoiseBlock(instance, noise, std::min(block, kChangeEvery));
    while (instance.position() < block) {
      ChangeSomePin(instance, noise);
      instance.Process(std::min(kChangeEvery, block - instance.position()));
    }
    CountOutputs(instance, block, census);
    done += block;
  }
  return census;
}

class ValidatorSweepTest : public ::testing::TestWithParam<Library> {};

TEST_P(ValidatorSweepTest, EveryRateAndBlockSizeGivesFiniteNormalOutputs) {
  Noise noise(0x5EED);
  for (float rate : kRates) {
    for (int32_t block : kBlocks) {
      SCOPED_TRACE(LibraryName(GetParam()) + " at " + std::to_string(rate) + " Hz, blocks of " +
                   std::to_string(block));
      auto instance = NewInstance(GetParam(), block);
      OpenAt(*instance, rate);
      SetWorkingControls(*instance);
      const int64_t total = std::max<int64_t>(2 * block, 4096);
      const OutputCensus census = RunWithChanges(*instance, total, noise);
      EXPECT_EQ(census.nan, 0);
      EXPECT_EQ(census.infinite, 0);
      EXPECT_EQ(census.subnormal, 0);
      EXPECT_GE(census.samples, total);
      // The chorus's inputs stream noise, so its outputs carry signal.
      if (GetParam() == Library::kChorus) {
        EXPECT_GT(census.nonzero, census.samples / 4);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothLibraries, ValidatorSweepTest, ::testing::Values(Library::kDrift, Library::kChorus),
                         [](const auto& info) { return LibraryName(info.param); });

}  // namespace
}  // namespace oxtest
