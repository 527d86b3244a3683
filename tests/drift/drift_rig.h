// The drift library as a host sees it: loaded once per test program, and one
// instance at a time driven through its record, with a HostSide answering its
// callback and owning its buffers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "host/host_side.h"
#include "host/module_library.h"

namespace drifttest {

enum PinNumber { kDepthPin = 0, kRatePin = 1, kOutPin = 2, kActivePin = 3, kUpdateRatePin = 4, kPinCount = 5 };

// Loaded once for the whole program and never unloaded before it ends: the
// library's random sequence runs on from test to test as it does in a host.
inline oxhost::ModuleLibrary& DriftLibrary() {
  static std::unique_ptr<oxhost::ModuleLibrary> library = [] {
    std::string error;
    auto loaded = oxhost::ModuleLibrary::Load(OX_DRIFT_LIBRARY, error);
    if (!loaded) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return loaded;
  }();
  return *library;
}

template <typename Entry>
Entry DriftExport(const char* name) {
  std::string error;
  void* entry = DriftLibrary().Export(name, error);
  if (!entry) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  return reinterpret_cast<Entry>(entry);
}

inline ox2::OXGetModulePropertiesEntry GetModuleProperties() {
  return DriftExport<ox2::OXGetModulePropertiesEntry>("getModuleProperties");
}
inline ox2::OXMakeModuleEntry MakeModule() { return DriftExport<ox2::OXMakeModuleEntry>("makeModule"); }

inline ox2::OXPinProperties PinProperties(ox2::OXModuleRecord* record, int32_t index, intptr_t* answer = nullptr) {
  ox2::OXPinProperties properties;
  std::memset(&properties, 0, sizeof properties);
  const intptr_t result = record->dispatch_entry(record, ox2::MOD_GET_PIN_PROPERTIES, index, 0, &properties, 0.0f);
  if (answer) *answer = result;
  return properties;
}

// One drift instance and its host. The host writes buffer addresses and
// choice values into the variables the pin descriptions name, delivers each
// event at the current sample clock and calls the installed process function.
class DriftRig {
 public:
  explicit DriftRig(float sample_rate = 44100.0f, int32_t block_size = 1024, int32_t pin_count = kPinCount)
      : side(pin_count, block_size), block_size_(block_size) {
    record = static_cast<ox2::OXModuleRecord*>(
        MakeModule()(0, ox2::OX_SUBTYPE_AUDIO, &oxhost::HostCallbackGen2, reinterpret_cast<void*>(0x1234)));
    if (!record) std::abort();
    oxhost::RegisterInstance(record, &side);
    Dispatch(ox2::MOD_SET_SAMPLE_RATE, 0, 0, sample_rate);
    Dispatch(ox2::MOD_SET_BLOCK_SIZE, 0, block_size);
    for (int32_t pin = 0; pin < kPinCount; ++pin) variables_[pin] = PinProperties(record, pin).variable_address;
    *static_cast<float**>(variables_[kDepthPin]) = side.PinBuffer(kDepthPin);
    *static_cast<float**>(variables_[kOutPin]) = side.PinBuffer(kOutPin);
    for (int32_t pin : {kRatePin, kActivePin, kUpdateRatePin}) {
      *static_cast<int16_t*>(variables_[pin]) = static_cast<int16_t>(std::atoi(PinProperties(record, pin).default_value));
    }
  }
  ~DriftRig() {
    Dispatch(ox2::MOD_CLOSE);
    oxhost::UnregisterInstance(record);
  }
  DriftRig(const DriftRig&) = delete;
  DriftRig& operator=(const DriftRig&) = delete;

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, int32_t value = 0, float opt = 0.0f, void* ptr = nullptr) {
    return record->dispatch_entry(record, opcode, index, value, ptr, opt);
  }
  void Open() { Dispatch(ox2::MOD_OPEN); }

  void Event(int32_t pin, int32_t status) {
    ox2::OxEvent e = {side.sample_clock, ox2::EV_PIN_STATUS, status, 0, pin};
    record->event_entry(record->object, &e);
  }
  // The host writes a choice pin's value; the module hears of it with the event.
  void WriteChoice(int32_t pin, int16_t value) { *static_cast<int16_t*>(variables_[pin]) = value; }
  // A choice pin takes `value` once.
  void SetChoice(int32_t pin, int16_t value) {
    WriteChoice(pin, value);
    Event(pin, ox2::PS_ONE_CHANGE);
  }
  void SetActive(bool on) { SetChoice(kActivePin, on ? 1 : 0); }
  // The depth pin takes a static `value` at the current sample clock.
  void SetDepth(float value) {
    Depth()[side.sample_clock - side.block_start_clock] = value;
    Event(kDepthPin, ox2::PS_ONE_CHANGE);
  }
  void StreamDepth() { Event(kDepthPin, ox2::PS_STREAMING); }
  // Switched on with a static depth and the given rate position and update rate.
  void StartDrifting(float depth, int16_t rate_position, int16_t update_rate) {
    SetChoice(kRatePin, rate_position);
    SetChoice(kUpdateRatePin, update_rate);
    SetDepth(depth);
    SetActive(true);
  }

  // One call of the installed process function for `count` samples from
  // `offset`; the sample clock is the call's first sample, and a call that
  // reaches the block's end starts the next block.
  void Process(int32_t offset, int32_t count) {
    side.sample_clock = side.block_start_clock + offset;
    record->process_entry(record->object, offset, count);
    if (offset + count >= block_size_) {
      side.block_start_clock += block_size_;
      side.sample_clock = side.block_start_clock;
    }
  }
  void ProcessBlock() { Process(0, block_size_); }

  float* Depth() { return side.PinBuffer(kDepthPin); }
  float* Out() { return side.PinBuffer(kOutPin); }
  void FillOut(float value) {
    for (int32_t i = 0; i < block_size_; ++i) Out()[i] = value;
  }
  size_t Count(int32_t opcode) const { return side.CallsWithOpcode(opcode).size(); }
  int32_t block_size() const { return block_size_; }

  oxhost::HostSide side;
  ox2::OXModuleRecord* record;

 private:
  int32_t block_size_;
  void* variables_[kPinCount] = {};
};

}  // namespace drifttest
