// Bad input of every kind, through the built libraries: odd sample rates and
// block sizes, choices outside their lists, delays and rates beyond any sane
// range, non-finite samples on every control pin, a second open, closing
// with events queued. None may crash or reach outside its memory (the
// sanitizer build proves the latter); outputs are finite whenever the
// inputs are, at once or, after a non-finite input, once it is gone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "host/ox_interfaces.h"
#include "tests/robustness/robustness_rig.h"

namespace oxtest {
namespace {

constexpr int32_t kCapacity = 256;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

enum class Outputs {
  kFiniteThroughout,  // the bad input cannot make an output non-finite
  kFiniteOnceMended,  // finite again once the input is a finite number again
};

struct HostileCase {
  std::string name;
  Library library;
  Outputs outputs;
  std::function<void(DrivenInstance&)> hostile;
  std::function<void(DrivenInstance&)> mend;  // null when nothing needs mending
  float sample_rate = 44100.0f;
  int32_t declared_block = kCapacity;
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.name; }

void Sample(DrivenInstance& i, int32_t pin, float value) { SetSample(i, pin, value); }

std::vector<HostileCase> Cases() {
  using namespace chorus_pin;
  std::vector<HostileCase> cases;
  const auto d = Library::kDrift;
  const auto c = Library::kChorus;
  const auto throughout = Outputs::kFiniteThroughout;
  const auto mended = Outputs::kFiniteOnceMended;
  auto nothing = [](DrivenInstance&) {};

  for (float rate : {0.0f, -44100.0f, kNaN, kInf, 1e-3f}) {
    for (Library library : {d, c}) {
      HostileCase odd{LibraryName(library) + " at " + std::to_string(rate) + " Hz", library, throughout, nothing, nullptr};
      odd.sample_rate = rate;
      cases.push_back(odd);
    }
  }
  for (int32_t block : {0, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
    for (Library library : {d, c}) {
      HostileCase odd{LibraryName(library) + " told blocks of " + std::to_string(block), library, throughout,
                      nothing, nullptr};
      odd.declared_block = block;
      cases.push_back(odd);
    }
  }
  for (int32_t value : {-1, 15, 1000, 32767, -32768}) {
    const std::string v = std::to_string(value);
    cases.push_back({"drift rate choice " + v, d, throughout,
                     [value](DrivenInstance& i) { SetChoice(i, drift_pin::kRate, value); }, nullptr});
    cases.push_back({"drift update rate " + v, d, throughout,
                     [value](DrivenInstance& i) { SetChoice(i, drift_pin::kUpdateRate, value); }, nullptr});
    cases.push_back({"drift active " + v, d, throughout,
                     [value](DrivenInstance& i) { SetChoice(i, drift_pin::kActive, value); }, nullptr});
    for (int32_t pin : {kWave1, kWave2, kWave3, kOnOff, kModulationMode}) {
      cases.push_back({"chorus choice pin " + std::to_string(pin) + " at " + v, c, throughout,
                       [pin, value](DrivenInstance& i) { SetChoice(i, pin, value); }, nullptr});
    }
  }
  for (float value : {kNaN, kInf, -kInf, 1e30f, -3.4e38f}) {
    const std::string v = std::to_string(value);
    cases.push_back({"drift depth " + v, d, mended, [value](DrivenInstance& i) { Sample(i, drift_pin::kDepth, value); },
                     [](DrivenInstance& i) { Sample(i, drift_pin::kDepth, 1.0f); }});
    // Delays are held within the delay lines and rates within the
    // increments' range, in the internal mode and the external one.
    for (int32_t pin : {kPreDelay1, kPreDelay2, kMaxDelay1, kMaxDelay2, kRate1, kRate2}) {
      cases.push_back({"chorus pin " + std::to_string(pin) + " at " + v, c, throughout,
                       [pin, value](DrivenInstance& i) { Sample(i, pin, value); }, nullptr});
    }
    // Mix controls scale the signal: non-finite in, non-finite out while they last.
    for (int32_t pin : {kVoiceMix, kWet, kDry, kSpread, kRate3}) {
      cases.push_back({"chorus pin " + std::to_string(pin) + " at " + v, c, mended,
                       [pin, value](DrivenInstance& i) { Sample(i, pin, value); },
                       [pin](DrivenInstance& i) { Sample(i, pin, pin == kRate3 ? 0.034f : 0.5f); }});
    }
    for (int32_t pin : {kRate1, kRate2, kRate3}) {
      cases.push_back({"external chorus, pin " + std::to_string(pin) + " at " + v, c, mended,
                       [pin, value](DrivenInstance& i) {
                         SetChoice(i, kModulationMode, 1);
                         Sample(i, pin, value);
                       },
                       [pin](DrivenInstance& i) { Sample(i, pin, 0.0f); }});
    }
  }
  for (float value : {1e10f, -1e10f, 32768.0f, 1e30f}) {
    cases.push_back({"chorus delays and rates all at " + std::to_string(value), c, throughout,
                     [value](DrivenInstance& i) {
                       for (int32_t pin : {kPreDelay1, kPreDelay2, kMaxDelay1, kMaxDelay2, kRate1, kRate2})
                         Sample(i, pin, value);
                     },
                     nullptr});
  }
  for (Library library : {d, c}) {
    cases.push_back({LibraryName(library) + " opened again without a close", library, throughout,
                     [](DrivenInstance& i) { i.Open(); }, nullptr});
  }
  return cases;
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

// A run of noise blocks; the census of their outputs.
OutputCensus RunNoise(DrivenInstance& instance, Noise& noise, int blocks) {
  OutputCensus census;
  for (int b = 0; b < blocks; ++b) {
    ProcessNoiseBlock(instance, noise, instance.capacity());
    CountOutputs(instance, instance.capacity(), census);
  }
  return census;
}

TEST_P(HostileInputTest, NothingBreaksAndOutputsAreFiniteForFiniteInputs) {
  const HostileCase& c = GetParam();
  auto instance = NewInstance(c.library, kCapacity);
  instance->Dispatch(ox2::MOD_SET_SAMPLE_RATE, 0, 0, nullptr, c.sample_rate);
  instance->Dispatch(ox2::MOD_SET_BLOCK_SIZE, 0, c.declared_block, nullptr, 0.0f);
  instance->Open();
  instance->StartBlock(0);
  SetWorkingControls(*instance);
  Noise noise(7);
  RunNoise(*instance, noise, 2);
  c.hostile(*instance);
  const OutputCensus during = RunNoise(*instance, noise, 4);
  if (c.outputs == Outputs::kFiniteThroughout) {
    EXPECT_EQ(during.nan + during.infinite, 0);
  } else {
    c.mend(*instance);
    RunNoise(*instance, noise, 4);  // the drift's next target, past the silence of a block
  }
  const OutputCensus after = RunNoise(*instance, noise, 8);
  EXPECT_EQ(after.nan + after.infinite, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, HostileInputTest, ::testing::ValuesIn(Cases()));

// Non-finite audio stays in the chorus's delay lines for one line length
// (32768 samples) after the input is finite again, then is gone.
TEST(HostileAudioTest, NonFiniteAudioLeavesTheDelayLinesAfterOneLength) {
  for (float value : {kNaN, kInf}) {
    auto instance = NewInstance(Library::kChorus, kCapacity);
    OpenAt(*instance, 44100.0f);
    SetWorkingControls(*instance);
    Noise noise(3);
    instance->StartBlock(0);
    std::fill(instance->Buffer(chorus_pin::kInL), instance->Buffer(chorus_pin::kInL) + kCapacity, value);
    instance->Process(kCapacity);
    RunNoise(*instance, noise, 32768 / kCapacity);
    const OutputCensus after = RunNoise(*instance, noise, 4);
    EXPECT_EQ(after.nan + after.infinite, 0) << value;
    EXPECT_GT(after.nonzero, 0);
  }
}

// Events still queued at close are released with the instance, the call
// records of deferred calls included, and none of them runs; the sanitizer
// build and the valgrind render find any leak.
int deferred_runs = 0;
void OX_CDECL CountRun(intptr_t) { ++deferred_runs; }

TEST(HostileCloseTest, CloseWithEventsQueuedRunsNoneOfThem) {
  auto instance = NewInstance(Library::kChorus, kCapacity);
  OpenAt(*instance, 44100.0f);
  SetWorkingControls(*instance);
  for (uint32_t ahead = 1; ahead <= 64; ++ahead) {
    instance->PinEvent(instance->clock() + ahead * 100, chorus_pin::kWet, ox2::PS_ONE_CHANGE, 0);
    auto* call = static_cast<ox1::OXDeferredCall*>(std::malloc(sizeof(ox1::OXDeferredCall)));
    ASSERT_NE(call, nullptr);
    call->argument = 0;
    call->function = &CountRun;
    instance->OtherEvent(instance->clock() + ahead * 100, ox1::EV_DEFERRED_CALL, 0, 0, reinterpret_cast<intptr_t>(call));
  }
  EXPECT_EQ(instance->Dispatch(ox1::MOD_QUEUE_EMPTY, 0, 0, nullptr, 0.0f), 0);
  instance->Close();
  EXPECT_EQ(deferred_runs, 0);
}

}  // namespace
}  // namespace oxtest
