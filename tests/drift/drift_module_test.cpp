// The drift module's pins, its choice between idle and drifting, and what its
// process functions write and tell the host.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/drift/drift_rig.h"

namespace {

using namespace drifttest;
using oxhost::HostCall;

std::vector<int32_t> Opcodes(const std::vector<HostCall>& calls) {
  std::vector<int32_t> opcodes;
  for (const HostCall& call : calls) opcodes.push_back(call.opcode);
  return opcodes;
}

const float kUntouched = 99.0f;

bool Written(DriftRig& rig, int32_t from, int32_t to) {
  for (int32_t i = from; i < to; ++i)
    if (rig.Out()[i] == kUntouched) return false;
  return true;
}
bool Untouched(DriftRig& rig, int32_t from, int32_t to) {
  for (int32_t i = from; i < to; ++i)
    if (rig.Out()[i] != kUntouched) return false;
  return true;
}

TEST(DriftPinsTest, FivePinsAreDescribedAsTheHostExpects) {
  struct Pin {
    const char* name;
    int32_t direction;
    int32_t datatype;
    const char* default_value;
    const char* value_list;
  };
  const Pin pins[kPinCount] = {
      {"Analogue Drift Depth", ox2::DR_IN, ox2::DT_FSAMPLE, "0.0", nullptr},
      {"Analogue Drift Rate(s)", ox2::DR_IN, ox2::DT_ENUM, "10", "1/100,1/50,1/25,1/10,1/5,1/3,1/2,1,2,3,4,6,10,20,40"},
      {"Drift.Out", ox2::DR_OUT, ox2::DT_FSAMPLE, nullptr, nullptr},
      {"Active", ox2::DR_IN, ox2::DT_ENUM, "0", "OFF,ON"},
      {"Update Output Rate", ox2::DR_IN, ox2::DT_ENUM, "4", "1=1,2=2,4=4,8=8,16=16,32=32,64=64"},
  };
  DriftRig rig;
  std::vector<void*> variables;
  for (int32_t index = 0; index < kPinCount; ++index) {
    const ox2::OXPinProperties got = PinProperties(rig.record, index);
    const Pin& want = pins[index];
    EXPECT_STREQ(got.name, want.name) << index;
    EXPECT_EQ(got.direction, want.direction) << index;
    EXPECT_EQ(got.datatype, want.datatype) << index;
    if (want.default_value) {
      EXPECT_STREQ(got.default_value, want.default_value) << index;
    } else {
      EXPECT_EQ(got.default_value, nullptr) << index;
    }
    if (want.value_list) {
      EXPECT_STREQ(got.value_list, want.value_list) << index;
    } else {
      EXPECT_EQ(got.value_list, nullptr) << index;
    }
    EXPECT_EQ(got.flags, 0) << index;
    EXPECT_EQ(got.reserved, 0) << index;
    EXPECT_NE(got.variable_address, nullptr) << index;
    for (void* other : variables) EXPECT_NE(got.variable_address, other) << index;
    variables.push_back(got.variable_address);
  }
}

TEST(DriftStateTest, OpenBindsThePinsAndInstallsNothing) {
  DriftRig rig;
  const ox2::OXProcessEntry before = rig.record->process_entry;
  rig.Open();
  EXPECT_EQ(Opcodes(rig.side.calls), std::vector<int32_t>{ox2::HC_PIN_COUNT}) << "every pin has a variable";
  EXPECT_EQ(rig.record->process_entry, before);
  rig.FillOut(kUntouched);
  rig.side.calls.clear();
  rig.ProcessBlock();
  EXPECT_TRUE(rig.side.calls.empty());
  EXPECT_TRUE(Untouched(rig, 0, rig.block_size()));
}

TEST(DriftStateTest, GoingIdleInstallsIdleThenReportsTheOutput) {
  DriftRig rig;
  rig.Open();
  rig.ProcessBlock();  // the clock moves on to 1024
  rig.side.calls.clear();
  rig.SetActive(false);
  EXPECT_EQ(Opcodes(rig.side.calls), (std::vector<int32_t>{ox2::HC_SAMPLE_CLOCK, ox2::HC_PROCESS_CHANGED,
                                                           ox2::HC_SAMPLE_CLOCK, ox2::HC_SEND_PIN_STATUS}));
  const HostCall report = rig.side.calls.back();
  EXPECT_EQ(report.index, kOutPin);
  EXPECT_EQ(report.value, ox2::PS_ONE_CHANGE);
  EXPECT_EQ(report.ptr, 1024);

  const ox2::OXProcessEntry idle = rig.record->process_entry;
  rig.side.calls.clear();
  rig.SetActive(false);
  EXPECT_EQ(Opcodes(rig.side.calls),
            (std::vector<int32_t>{ox2::HC_SAMPLE_CLOCK, ox2::HC_SAMPLE_CLOCK, ox2::HC_SEND_PIN_STATUS}))
      << "the same function again is no change";
  EXPECT_EQ(rig.record->process_entry, idle);
}

TEST(DriftStateTest, IdleWritesZerosAndAsksForSleepOnceABlockIsOut) {
  DriftRig rig;
  rig.Open();
  rig.SetActive(false);
  rig.FillOut(kUntouched);
  rig.Process(0, 512);
  EXPECT_TRUE(Written(rig, 0, 512));
  EXPECT_EQ(rig.Out()[0], 0.0f);
  EXPECT_TRUE(Untouched(rig, 512, 1024));
  EXPECT_EQ(rig.Count(ox2::HC_SLEEP), 0u);
  rig.Process(512, 512);
  EXPECT_EQ(rig.Out()[1023], 0.0f);
  EXPECT_EQ(rig.Count(ox2::HC_SLEEP), 1u);
  rig.ProcessBlock();
  EXPECT_EQ(rig.Count(ox2::HC_SLEEP), 2u) << "asked again at every later call";
}

TEST(DriftStateTest, ActiveWithZeroDepthReportsButDoesNotDrift) {
  DriftRig rig;
  rig.Open();
  rig.SetDepth(0.0f);
  const ox2::OXProcessEntry idle = rig.record->process_entry;
  rig.side.calls.clear();
  rig.SetActive(true);
  EXPECT_EQ(rig.Count(ox2::HC_SEND_PIN_STATUS), 1u);
  EXPECT_EQ(rig.Count(ox2::HC_PROCESS_CHANGED), 0u);
  EXPECT_EQ(rig.record->process_entry, idle);

  rig.SetDepth(0.5f);
  EXPECT_EQ(rig.Count(ox2::HC_PROCESS_CHANGED), 1u);
  EXPECT_NE(rig.record->process_entry, idle);

  const ox2::OXProcessEntry drifting = rig.record->process_entry;
  rig.side.calls.clear();
  rig.SetActive(true);
  EXPECT_EQ(rig.Count(ox2::HC_SEND_PIN_STATUS), 1u);
  EXPECT_EQ(rig.Count(ox2::HC_PROCESS_CHANGED), 0u) << "already drifting";
  EXPECT_EQ(rig.record->process_entry, drifting);

  rig.SetDepth(0.0f);
  EXPECT_EQ(rig.record->process_entry, idle);
}

TEST(DriftStateTest, AnyOtherPinChangeStartsDriftingWhenAllowed) {
  DriftRig rig;
  rig.Open();
  rig.SetDepth(0.25f);
  rig.SetActive(false);
  const ox2::OXProcessEntry idle = rig.record->process_entry;
  rig.WriteChoice(kActivePin, 1);  // written, not yet announced

  rig.SetChoice(kRatePin, 3);
  EXPECT_EQ(rig.record->process_entry, idle) << "a rate change never switches";
  rig.side.calls.clear();
  rig.SetChoice(kUpdateRatePin, 8);
  EXPECT_NE(rig.record->process_entry, idle);
  EXPECT_EQ(Opcodes(rig.side.calls), (std::vector<int32_t>{ox2::HC_SAMPLE_CLOCK, ox2::HC_PROCESS_CHANGED}));
}

TEST(DriftStateTest, AStreamingDepthDriftsAndSettlesAtZero) {
  DriftRig rig;
  rig.Open();
  rig.SetChoice(kUpdateRatePin, 1);
  rig.StreamDepth();
  rig.SetActive(true);
  for (int call = 0; call < 30; ++call) {
    rig.FillOut(kUntouched);
    rig.ProcessBlock();
    ASSERT_EQ(rig.Out()[0], 0.0f) << call;
    ASSERT_EQ(rig.Out()[1023], 0.0f) << call;
  }
  EXPECT_EQ(rig.Count(ox2::HC_SEND_PIN_STATUS), 31u) << "Active's report and one per call";
}

TEST(DriftOutputTest, TheBufferIsFilledInThePublishingCallAndTheNext) {
  DriftRig rig;
  rig.Open();
  rig.StartDrifting(1.0f, 0, 4);
  // The countdown starts at 0 after open: the first call writes once too.
  const bool writes[] = {true, false, false, true, true, false, false, true, true, false, false, true};
  for (int call = 0; call < 12; ++call) {
    rig.FillOut(kUntouched);
    rig.side.calls.clear();
    rig.ProcessBlock();
    const bool publishes = (call + 1) % 4 == 0;
    EXPECT_EQ(rig.Count(ox2::HC_SEND_PIN_STATUS), publishes ? 1u : 0u) << call;
    if (writes[call]) {
      EXPECT_TRUE(Written(rig, 0, 1024)) << call;
      EXPECT_EQ(rig.Out()[0], rig.Out()[1023]) << call;
    } else {
      EXPECT_TRUE(Untouched(rig, 0, 1024)) << call;
    }
  }
}

TEST(DriftOutputTest, UpdateRatesOneAndSixtyFour) {
  for (int16_t rate : {int16_t{1}, int16_t{64}}) {
    DriftRig rig;
    rig.Open();
    rig.StartDrifting(1.0f, 0, rate);
    float held = 0.0f;
    for (int call = 1; call <= 130; ++call) {
      rig.FillOut(kUntouched);
      rig.side.calls.clear();
      const int32_t clock = rig.side.block_start_clock;
      rig.ProcessBlock();
      const std::vector<HostCall> reports = rig.side.CallsWithOpcode(ox2::HC_SEND_PIN_STATUS);
      if (call % rate == 0) {
        ASSERT_EQ(reports.size(), 1u) << rate << "/" << call;
        EXPECT_EQ(reports[0].index, kOutPin);
        EXPECT_EQ(reports[0].ptr, clock);
        EXPECT_TRUE(Written(rig, 0, 1024));
        held = rig.Out()[0];
      } else {
        ASSERT_TRUE(reports.empty()) << rate << "/" << call;
        if (!Untouched(rig, 0, 1024)) {
          EXPECT_EQ(rig.Out()[0], held) << "the held value, filled on";
        }
      }
    }
  }
}

TEST(DriftOutputTest, ACallWritesOnlyItsOwnSamples) {
  DriftRig rig;
  rig.Open();
  rig.StartDrifting(1.0f, 0, 1);
  rig.FillOut(kUntouched);
  rig.Process(256, 512);
  EXPECT_TRUE(Untouched(rig, 0, 256));
  EXPECT_TRUE(Written(rig, 256, 768));
  EXPECT_TRUE(Untouched(rig, 768, 1024));
}

TEST(DriftOutputTest, AnEmptyCallCountsTowardPublishingAndWritesNothing) {
  DriftRig rig;
  rig.Open();
  rig.StartDrifting(1.0f, 0, 2);
  rig.ProcessBlock();
  rig.FillOut(kUntouched);
  rig.side.calls.clear();
  rig.Process(0, 0);
  EXPECT_EQ(rig.Count(ox2::HC_SEND_PIN_STATUS), 1u);
  EXPECT_TRUE(Untouched(rig, 0, 1024));
}

// A target that names no pin of the instance is ignored.
TEST(DriftMendedTest, EventsForPinNumbersBeyondThePinsAreIgnored) {
  DriftRig rig;
  rig.Open();
  const ox2::OXProcessEntry before = rig.record->process_entry;
  rig.side.calls.clear();
  for (int32_t target : {5, -1, 99, 0x7FFFFFFF}) rig.Event(target, ox2::PS_ONE_CHANGE);
  EXPECT_EQ(Opcodes(rig.side.calls), std::vector<int32_t>(4, ox2::HC_SAMPLE_CLOCK));
  EXPECT_EQ(rig.record->process_entry, before);
}

// Without "Drift.Out" among the host's pins nothing is reported or written.
TEST(DriftMendedTest, AHostWithFewerPinsGetsNoOutput) {
  DriftRig rig(44100.0f, 1024, 2);
  rig.Open();
  rig.SetDepth(0.0f);
  EXPECT_EQ(rig.Count(ox2::HC_PROCESS_CHANGED), 1u);
  EXPECT_EQ(rig.Count(ox2::HC_SEND_PIN_STATUS), 0u);
  rig.ProcessBlock();
  EXPECT_EQ(rig.Count(ox2::HC_SLEEP), 1u);
}

bool AllFiniteWithinRange(const std::vector<float>& values, float depth) {
  for (float value : values)
    if (!std::isfinite(value) || std::fabs(value) > 0.015f * depth) return false;
  return true;
}

// A block size of 0 divides nothing; the whole distance is then one step.
TEST(DriftMendedTest, ABlockSizeOfZeroReachesEachTargetInOneCall) {
  DriftRig rig(44100.0f, 16);
  rig.Dispatch(ox2::MOD_SET_BLOCK_SIZE, 0, 0);
  rig.Open();
  rig.StartDrifting(1.0f, 0, 1);  // 441 samples between targets: a draw every 28 calls of 16
  std::vector<float> values;
  for (int call = 0; call < 3; ++call) {
    rig.ProcessBlock();
    values.push_back(rig.Out()[0]);
  }
  EXPECT_TRUE(AllFiniteWithinRange(values, 1.0f));
  EXPECT_NE(values[0], 0.0f);
  EXPECT_EQ(values[1], values[0]) << "at the target after the drawing call";
  EXPECT_EQ(values[2], values[0]);
}

// Half a second shorter than a block leaves no whole block between targets
// until the rate is set: a zero distance must not become NaN.
TEST(DriftMendedTest, NoWholeBlockBetweenTargetsGivesNoNaN) {
  DriftRig rig(44100.0f, 32768);
  rig.Open();
  rig.SetChoice(kUpdateRatePin, 1);
  rig.StreamDepth();  // zeros: every target is 0.0, at distance 0
  rig.SetActive(true);
  for (int call = 0; call < 3; ++call) {
    rig.ProcessBlock();
    ASSERT_EQ(rig.Out()[0], 0.0f) << call;
  }
}

TEST(DriftMendedTest, NoWholeBlockBetweenTargetsStillDrifts) {
  DriftRig rig(44100.0f, 32768);
  rig.Open();
  rig.SetChoice(kUpdateRatePin, 1);
  rig.SetDepth(1.0f);
  rig.SetActive(true);
  std::vector<float> values;
  for (int call = 0; call < 3; ++call) {
    rig.ProcessBlock();
    values.push_back(rig.Out()[0]);
  }
  EXPECT_TRUE(AllFiniteWithinRange(values, 1.0f));
  EXPECT_NE(values[0], values[1]) << "a new target reached in every call";
}

// A sample rate that gives no count (negative, NaN) counts as none: the
// interval becomes one block.
TEST(DriftMendedTest, SampleRatesWithoutACountGiveOneBlockBetweenTargets) {
  for (float rate : {-44100.0f, std::numeric_limits<float>::quiet_NaN()}) {
    DriftRig rig(rate, 1024);
    rig.Open();
    rig.StartDrifting(1.0f, 7, 1);
    std::vector<float> values;
    for (int call = 0; call < 3; ++call) {
      rig.ProcessBlock();
      values.push_back(rig.Out()[0]);
    }
    EXPECT_TRUE(AllFiniteWithinRange(values, 1.0f)) << rate;
    EXPECT_NE(values[0], values[1]) << rate;
    EXPECT_NE(values[1], values[2]) << rate;
  }
}

}  // namespace
