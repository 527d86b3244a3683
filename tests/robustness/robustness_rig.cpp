#include "tests/robustness/robustness_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "host/ox_interfaces.h"

namespace oxtest {

std::string LibraryName(Library library) { return library == Library::kDrift ? "drift" : "chorus"; }

const oxhost::ModuleLibrary& LoadedLibrary(Library library) {
  static std::map<Library, std::unique_ptr<oxhost::ModuleLibrary>> loaded;
  auto& slot = loaded[library];
  if (!slot) {
    std::string error;
    slot = oxhost::ModuleLibrary::Load(library == Library::kDrift ? OX_DRIFT_LIBRARY : OX_CHORUS_LIBRARY, error);
    if (!slot) {
      ADD_FAILURE() << error;
      std::abort();
    }
  }
  return *slot;
}

std::unique_ptr<DrivenInstance> NewInstance(Library library, int32_t capacity) {
  auto instance = DrivenInstance::Create(LoadedLibrary(library), -1, capacity);
  EXPECT_NE(instance, nullptr);
  return instance;
}

void OpenAt(DrivenInstance& instance, float sample_rate) {
  instance.Dispatch(ox2::MOD_SET_SAMPLE_RATE, 0, 0, nullptr, sample_rate);
  instance.Dispatch(ox2::MOD_SET_BLOCK_SIZE, 0, instance.capacity(), nullptr, 0.0f);
  instance.Open();
  instance.StartBlock(0);
}

namespace {

std::vector<int32_t> PinsWhere(DrivenInstance& instance, bool output, int32_t datatype) {
  std::vector<int32_t> pins;
  const auto& described = instance.described_pins();
  for (std::size_t pin = 0; pin < described.size(); ++pin) {
    if ((described[pin].direction == ox2::DR_OUT) == output && described[pin].datatype == datatype) {
      pins.push_back(static_cast<int32_t>(pin));
    }
  }
  return pins;
}

bool IsAudioInput(DrivenInstance& instance, int32_t pin) {
  return instance.generation() == 1 && (pin == chorus_pin::kInL || pin == chorus_pin::kInR);
}

}  // namespace

std::vector<int32_t> SampleInputs(DrivenInstance& instance) { return PinsWhere(instance, false, ox2::DT_FSAMPLE); }
std::vector<int32_t> ChoiceInputs(DrivenInstance& instance) { return PinsWhere(instance, false, ox2::DT_ENUM); }
std::vector<int32_t> SampleOutputs(DrivenInstance& instance) { return PinsWhere(instance, true, ox2::DT_FSAMPLE); }

namespace {

// A static input keeps its latest value, the one at the buffer's end.
void HoldStaticInputs(DrivenInstance& instance) {
  for (int32_t pin : SampleInputs(instance)) {
    if (IsAudioInput(instance, pin)) continue;
    float* buffer = instance.Buffer(pin);
    std::fill(buffer, buffer + instance.capacity(), buffer[instance.capacity() - 1]);
  }
}

// An event needs its sample inside the buffers: after a full block, the
// next block starts.
void MakeRoom(DrivenInstance& instance) {
  if (instance.position() < instance.capacity()) return;
  instance.StartBlock(0);
  HoldStaticInputs(instance);
}

}  // namespace

void SetSample(DrivenInstance& instance, int32_t pin, float value) {
  MakeRoom(instance);
  float* buffer = instance.Buffer(pin);
  std::fill(buffer + instance.position(), buffer + instance.capacity(), value);
  instance.PinEvent(instance.clock(), pin, ox2::PS_STATIC, 0);
}

void SetChoice(DrivenInstance& instance, int32_t pin, int32_t value) {
  MakeRoom(instance);
  instance.PinEvent(instance.clock(), pin, ox2::PS_ONE_CHANGE, value);
}

void StreamAudio(DrivenInstance& instance) {
  MakeRoom(instance);
  for (int32_t pin : SampleInputs(instance)) {
    if (IsAudioInput(instance, pin)) instance.PinEvent(instance.clock(), pin, ox2::PS_STREAMING, 0);
  }
}

void SetWorkingControls(DrivenInstance& instance) {
  if (instance.generation() == 2) {
    SetChoice(instance, drift_pin::kRate, 0);
    SetChoice(instance, drift_pin::kUpdateRate, 1);
    SetSample(instance, drift_pin::kDepth, 1.0f);
    SetChoice(instance, drift_pin::kActive, 1);
    return;
  }
  const std::pair<int32_t, float> kDefaults[] = {
      {chorus_pin::kPreDelay1, 1.0f}, {chorus_pin::kPreDelay2, 0.5f}, {chorus_pin::kMaxDelay1, 0.4f},
      {chorus_pin::kMaxDelay2, 0.9f}, {chorus_pin::kVoiceMix, 0.5f},  {chorus_pin::kWet, 0.6f},
      {chorus_pin::kDry, 0.8f},       {chorus_pin::kSpread, 1.0f},    {chorus_pin::kRate1, 0.068f},
      {chorus_pin::kRate2, 0.033f},   {chorus_pin::kRate3, 0.034f}};
  StreamAudio(instance);
  for (const auto& control : kDefaults) SetSample(instance, control.first, control.second);
}

float Noise::Next() { return static_cast<float>(Bits() >> 8) * 0x1p-23f - 1.0f; }

uint32_t Noise::Bits() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

void ProcessNoiseBlock(DrivenInstance& instance, Noise& noise, int32_t count) {
  instance.StartBlock(0);
  HoldStaticInputs(instance);
  for (int32_t pin : SampleInputs(instance)) {
    if (!IsAudioInput(instance, pin)) continue;
    float* buffer = instance.Buffer(pin);
    for (int32_t i = 0; i < instance.capacity(); ++i) buffer[i] = noise.Next();
  }
  instance.Process(count);
}

void CountOutputs(DrivenInstance& instance, int32_t count, OutputCensus& census) {
  for (int32_t pin : SampleOutputs(instance)) {
    const float* buffer = instance.Buffer(pin);
    for (int32_t i = 0; i < count; ++i) {
      census.nan += std::isnan(buffer[i]);
      census.infinite += std::isinf(buffer[i]);
      census.subnormal += std::fpclassify(buffer[i]) == FP_SUBNORMAL;
      census.nonzero += buffer[i] != 0.0f;
      ++census.samples;
    }
  }
}

}  // namespace oxtest
