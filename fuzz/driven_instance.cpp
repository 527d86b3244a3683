#include "fuzz/driven_instance.h"

#include <cstring>
#include <string>

#include "host/ox_interfaces.h"

namespace oxfuzz {

namespace {

// No module of ours describes more; a longer list means a broken answer.
constexpr int32_t kMostPins = 256;

int Generation(const oxhost::ModuleLibrary& library) { return library.HasExport("makeModule") ? 2 : 1; }

void* CreateRecord(const oxhost::ModuleLibrary& library) {
  std::string error;
  if (Generation(library) == 2) {
    auto make = reinterpret_cast<ox2::OXMakeModuleEntry>(library.Export("makeModule", error));
    return make ? make(0, ox2::OX_SUBTYPE_AUDIO, oxhost::HostCallbackGen2, nullptr) : nullptr;
  }
  auto main_entry = reinterpret_cast<ox1::OXMainEntry>(library.Export("main", error));
  return main_entry ? main_entry(oxhost::HostCallbackGen1) : nullptr;
}

}  // namespace

std::vector<PinLayout> DescribedPins(int generation, void* record) {
  std::vector<PinLayout> pins;
  for (int32_t index = 0; index < kMostPins; ++index) {
    if (generation == 2) {
      ox2::OXPinProperties properties{};
      auto* r = static_cast<ox2::OXModuleRecord*>(record);
      if (r->dispatch_entry(r, ox2::MOD_GET_PIN_PROPERTIES, index, 0, &properties, 0.0f) == 0) break;
      pins.push_back({properties.direction, properties.datatype, properties.variable_address});
    } else {
      ox1::OXPinProperties properties{};
      auto* r = static_cast<ox1::OXModuleRecord*>(record);
      if (r->dispatch_entry(r, ox1::MOD_GET_PIN_PROPERTIES, index, 0, &properties, 0.0f) == 0) break;
      pins.push_back({properties.direction, properties.datatype, properties.variable_address});
    }
  }
  return pins;
}

std::unique_ptr<DrivenInstance> DrivenInstance::Create(const oxhost::ModuleLibrary& library, int32_t reported_pins,
                                                       int32_t capacity) {
  void* record = CreateRecord(library);
  if (!record) return nullptr;
  const int generation = Generation(library);
  std::vector<PinLayout> described = DescribedPins(generation, record);
  const int32_t count = reported_pins < 0 ? static_cast<int32_t>(described.size()) : reported_pins;
  return std::unique_ptr<DrivenInstance>(
      new DrivenInstance(generation, record, count, capacity, std::move(described)));
}

// The host owns a buffer for every sample pin it knows, and tells each
// described sample pin's variable where its buffer is.
DrivenInstance::DrivenInstance(int generation, void* record, int32_t reported_pins, int32_t capacity,
                               std::vector<PinLayout> described)
    : generation_(generation), record_(record), side_(reported_pins, capacity), described_(std::move(described)) {
  side_.recording = false;
  oxhost::RegisterInstance(record_, &side_);
  for (std::size_t pin = 0; pin < described_.size(); ++pin) {
    if (described_[pin].datatype != ox2::DT_FSAMPLE || !described_[pin].variable) continue;
    float* buffer = Buffer(static_cast<int32_t>(pin));
    if (!buffer) buffer = spare_buffers_.emplace_back(new float[side_.block_size()]()).get();
    std::memcpy(described_[pin].variable, &buffer, sizeof buffer);
  }
}

DrivenInstance::~DrivenInstance() { Close(); }

float* DrivenInstance::Buffer(int32_t pin) { return side_.PinBuffer(pin); }

intptr_t DrivenInstance::Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  if (generation_ == 2) {
    auto* r = static_cast<ox2::OXModuleRecord*>(record_);
    return r->dispatch_entry(r, opcode, index, value, ptr, opt);
  }
  auto* r = static_cast<ox1::OXModuleRecord*>(record_);
  return r->dispatch_entry(r, opcode, index, value, ptr, opt);
}

void DrivenInstance::Open() {
  side_.sample_clock = static_cast<int32_t>(clock_);
  Dispatch(ox2::MOD_OPEN, 0, 0, nullptr, 0.0f);
}

void DrivenInstance::Close() {
  if (closed_) return;
  closed_ = true;
  Dispatch(ox2::MOD_CLOSE, 0, 0, nullptr, 0.0f);
  oxhost::UnregisterInstance(record_);
}

void DrivenInstance::SkipTo(uint32_t clock) {
  clock_ = clock;
  position_ = 0;
  side_.block_start_clock = static_cast<int32_t>(clock_);
  side_.sample_clock = static_cast<int32_t>(clock_);
}

void DrivenInstance::WriteValueVariable(int32_t pin, int32_t value) {
  if (pin < 0 || static_cast<std::size_t>(pin) >= described_.size()) return;
  void* variable = described_[pin].variable;
  if (!variable) return;
  switch (described_[pin].datatype) {
    case ox2::DT_ENUM: {
      const auto narrow = static_cast<int16_t>(value);
      std::memcpy(variable, &narrow, sizeof narrow);
      return;
    }
    case ox2::DT_BOOL: {
      const uint8_t flag = value != 0 ? 1 : 0;
      std::memcpy(variable, &flag, sizeof flag);
      return;
    }
    case ox2::DT_INT:
      std::memcpy(variable, &value, sizeof value);
      return;
    default:
      return;
  }
}

void DrivenInstance::PinEvent(uint32_t clock, int32_t pin, int32_t status, int32_t value) {
  if (generation_ == 2) {
    WriteValueVariable(pin, value);
    OtherEvent(clock, ox2::EV_PIN_STATUS, status, 0, pin);
  } else {
    OtherEvent(clock, ox1::EV_PIN_STATUS, status, value, pin);
  }
}

void DrivenInstance::OtherEvent(uint32_t clock, int32_t type, int32_t value1, int32_t value2, intptr_t target) {
  if (generation_ == 2) {
    auto* r = static_cast<ox2::OXModuleRecord*>(record_);
    ox2::OxEvent event{static_cast<int32_t>(clock), type, value1, value2, target};
    side_.sample_clock = static_cast<int32_t>(clock_);
    r->event_entry(r->object, &event);
  } else {
    ox1::OXHostEvent event{clock, type, value1, value2, target};
    Dispatch(ox1::MOD_ADD_EVENT, 0, 0, &event, 0.0f);
  }
}

void DrivenInstance::StartBlock(int32_t first) {
  position_ = first;
  side_.block_start_clock = static_cast<int32_t>(clock_ - static_cast<uint32_t>(first));
}

void DrivenInstance::Process(int32_t count) {
  side_.sample_clock = static_cast<int32_t>(clock_);
  if (generation_ == 2) {
    auto* r = static_cast<ox2::OXModuleRecord*>(record_);
    r->process_entry(r->object, position_, count);
  } else {
    auto* r = static_cast<ox1::OXModuleRecord*>(record_);
    r->process_entry(r, position_, count);
  }
  clock_ += static_cast<uint32_t>(count);
  position_ += count;
  side_.sample_clock = static_cast<int32_t>(clock_);
}

}  // namespace oxfuzz
