#include "host/module_host.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/choice_list.h"

namespace oxhost {

namespace {

// A module that describes more pins than this is taken to be broken.
constexpr int32_t kMostDescriptions = 4096;
constexpr int32_t kLargestBlock = 1 << 20;

bool IsAllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string PinLabel(const PinDescription& pin) {
  return "pin " + std::to_string(pin.number) + " '" + pin.name + "'";
}

bool ReadPins(ModuleBoundary& instance, int32_t repeated_pins, std::vector<PinDescription>& pins,
              std::string& error) {
  bool last_kept = false;
  int32_t index = 0;
  for (; index < kMostDescriptions; ++index) {
    PinDescription pin;
    if (!instance.ReadPinDescription(index, pin)) break;
    last_kept = instance.KeepsPin(pin.flags);
    if (!last_kept) continue;
    pin.number = static_cast<int32_t>(pins.size());
    if (pin.datatype == ox2::DT_ENUM && !pin.value_list.empty()) {
      std::string reason;
      if (!ParseChoiceList(pin.value_list, pin.choices, reason)) {
        error = PinLabel(pin) + ": " + reason;
        return false;
      }
    }
    pins.push_back(pin);
  }
  if (index == kMostDescriptions) {
    error = "the module describes more than " + std::to_string(kMostDescriptions) + " pins";
    return false;
  }
  if (repeated_pins <= 0) return true;
  if (!last_kept || (pins.back().flags & ox2::IO_REPEAT_LAST) == 0) {
    error = "the module's last pin does not repeat";
    return false;
  }
  PinDescription repeat = pins.back();
  repeat.variable_address = nullptr;  // each repeat has a value or buffer of its own
  for (int32_t i = 0; i < repeated_pins; ++i) {
    repeat.number = static_cast<int32_t>(pins.size());
    pins.push_back(repeat);
  }
  return true;
}

void WriteValueVariable(const PinDescription& pin, int32_t value) {
  switch (pin.datatype) {
    case ox2::DT_ENUM: {
      int16_t narrow = static_cast<int16_t>(value);
      std::memcpy(pin.variable_address, &narrow, sizeof narrow);
      break;
    }
    case ox2::DT_BOOL: {
      uint8_t narrow = value != 0 ? 1 : 0;
      std::memcpy(pin.variable_address, &narrow, sizeof narrow);
      break;
    }
    default:
      std::memcpy(pin.variable_address, &value, sizeof value);
      break;
  }
}

int32_t ClockOnBoundary(int64_t clock) { return static_cast<int32_t>(static_cast<uint32_t>(clock)); }

}  // namespace

std::unique_ptr<ModuleHost> ModuleHost::Load(const ModuleLibrary& library, std::string& error) {
  auto instance = CreateInstance(library, error);
  if (!instance) return nullptr;
  return Connect(std::move(instance), error);
}

std::unique_ptr<ModuleHost> ModuleHost::Connect(std::unique_ptr<ModuleBoundary> instance, std::string& error,
                                                int32_t repeated_pins) {
  ModuleDescription description;
  description.generation = instance->generation();
  if (!instance->ReadModuleProperties(description, error) ||
      !ReadPins(*instance, repeated_pins, description.pins, error)) {
    instance->Close();
    return nullptr;
  }
  return std::unique_ptr<ModuleHost>(new ModuleHost(std::move(instance), std::move(description)));
}

ModuleHost::ModuleHost(std::unique_ptr<ModuleBoundary> instance, ModuleDescription description)
    : instance_(std::move(instance)), description_(std::move(description)) {
  const auto pin_count = description_.pins.size();
  input_kind_.resize(pin_count, InputKind::kUnset);
  values_.resize(pin_count);
  for (const PinDescription& pin : description_.pins) {
    if (pin.is_input() && IsSettable(pin)) input_kind_[pin.number] = InputKind::kConstant;
  }
  has_value_.resize(pin_count, false);
}

ModuleHost::~ModuleHost() { Close(); }

const PinDescription* ModuleHost::FindPin(const std::string& number_or_name, std::string& error) const {
  const auto& pins = description_.pins;
  if (IsAllDigits(number_or_name)) {
    if (pins.empty()) {
      error = "the module has no pins";
      return nullptr;
    }
    std::size_t number = number_or_name.size() < 10 ? std::stoul(number_or_name) : pins.size();
    if (number < pins.size()) return &pins[number];
    error = "no pin number " + number_or_name + " (the module has pins 0 to " + std::to_string(pins.size() - 1) + ")";
    return nullptr;
  }
  std::vector<const PinDescription*> named;
  for (const PinDescription& pin : pins) {
    if (pin.name == number_or_name) named.push_back(&pin);
  }
  if (named.size() == 1) return named[0];
  if (named.size() > 1) {
    error = "pin name '" + number_or_name + "' is shared by pins";
    for (std::size_t i = 0; i < named.size(); ++i) {
      error += (i == 0 ? " " : i + 1 == named.size() ? " and " : ", ") + std::to_string(named[i]->number);
    }
    error += "; name the pin by its number";
    return nullptr;
  }
  error = "no pin named '" + number_or_name + "' (see 'oxhost info')";
  return nullptr;
}

bool ModuleHost::CheckInput(int32_t pin, std::string& error) const {
  if (pin < 0 || static_cast<std::size_t>(pin) >= description_.pins.size()) {
    error = "no pin number " + std::to_string(pin);
    return false;
  }
  const PinDescription& description = description_.pins[pin];
  if (!description.is_input()) {
    error = PinLabel(description) + " is not an input";
    return false;
  }
  if (!IsSettable(description)) {
    error = PinLabel(description) + " has data type " + std::to_string(description.datatype) +
            ", which the host cannot set";
    return false;
  }
  return true;
}

bool ModuleHost::SetInitialValue(int32_t pin, const PinValue& value, std::string& error) {
  if (open_) {
    error = "the instance is already open";
    return false;
  }
  if (!CheckInput(pin, error)) return false;
  if (input_kind_[pin] == InputKind::kStreamed) {
    error = PinLabel(description_.pins[pin]) + " is fed from the input signal";
    return false;
  }
  values_[pin] = value;
  has_value_[pin] = true;
  return true;
}

bool ModuleHost::StreamInput(int32_t pin, std::string& error) {
  if (open_) {
    error = "the instance is already open";
    return false;
  }
  if (!CheckInput(pin, error)) return false;
  if (description_.pins[pin].datatype != ox2::DT_FSAMPLE) {
    error = PinLabel(description_.pins[pin]) + " is not a sample pin";
    return false;
  }
  if (has_value_[pin]) {
    error = PinLabel(description_.pins[pin]) + " has a value set and cannot also be fed from the input signal";
    return false;
  }
  input_kind_[pin] = InputKind::kStreamed;
  any_streamed_ = true;
  return true;
}

bool ModuleHost::Open(float sample_rate, int32_t block_size, std::string& error) {
  if (open_ || closed_) {
    error = "the instance has already been opened";
    return false;
  }
  if (!(std::isfinite(sample_rate) && sample_rate > 0.0f)) {
    error = "the sample rate must be a positive number";
    return false;
  }
  if (block_size < 1 || block_size > kLargestBlock) {
    error = "the block size must lie between 1 and " + std::to_string(kLargestBlock);
    return false;
  }
  for (const PinDescription& pin : description_.pins) {
    if (input_kind_[pin.number] != InputKind::kConstant || has_value_[pin.number]) continue;
    if (!ParseDefaultValue(pin, values_[pin.number], error)) return false;
    has_value_[pin.number] = true;
  }

  sample_rate_ = sample_rate;
  block_size_ = block_size;
  side_ = std::make_unique<HostSide>(static_cast<int32_t>(description_.pins.size()), block_size);
  value_end_.assign(description_.pins.size(), kNoChange);
  side_->recording = false;
  RegisterInstance(instance_->record(), side_.get());
  // The host tells a sample pin's variable where the pin's buffer is.
  for (const PinDescription& pin : description_.pins) {
    if (pin.datatype != ox2::DT_FSAMPLE || !pin.variable_address) continue;
    float* buffer = side_->PinBuffer(pin.number);
    std::memcpy(pin.variable_address, &buffer, sizeof buffer);
  }

  instance_->SetSampleRate(sample_rate);
  instance_->SetBlockSize(block_size);
  instance_->Open();
  open_ = true;
  FollowModuleReports();

  // Every input starts with an event at clock 0: streamed inputs stream,
  // constant ones are static at their starting value.
  std::vector<PinChange> starting;
  for (const PinDescription& pin : description_.pins) {
    InputKind kind = input_kind_[pin.number];
    if (kind == InputKind::kUnset) continue;
    int32_t status = kind == InputKind::kStreamed ? ox2::PS_STREAMING : ox2::PS_STATIC;
    starting.push_back({0, pin.number, status, values_[pin.number]});
  }
  changes_.insert(changes_.begin() + static_cast<std::ptrdiff_t>(next_change_), starting.begin(), starting.end());
  return true;
}

bool ModuleHost::ScheduleChange(int64_t clock, int32_t pin, const PinValue& value, std::string& error) {
  if (!open_ || closed_) {
    error = "the instance is not open";
    return false;
  }
  if (!CheckInput(pin, error)) return false;
  if (input_kind_[pin] != InputKind::kConstant) {
    error = PinLabel(description_.pins[pin]) + " is fed from the input signal";
    return false;
  }
  if (clock < clock_) {
    error = "a change at sample " + std::to_string(clock) + " lies before the current sample " +
            std::to_string(clock_);
    return false;
  }
  auto later = std::upper_bound(changes_.begin() + static_cast<std::ptrdiff_t>(next_change_), changes_.end(), clock,
                                [](int64_t when, const PinChange& change) { return when < change.clock; });
  changes_.insert(later, {clock, pin, ox2::PS_ONE_CHANGE, value});
  return true;
}

float* ModuleHost::InputBuffer(int32_t pin) {
  if (!side_ || pin < 0 || static_cast<std::size_t>(pin) >= input_kind_.size()) return nullptr;
  return input_kind_[pin] == InputKind::kStreamed ? side_->PinBuffer(pin) : nullptr;
}

const float* ModuleHost::OutputBuffer(int32_t pin) {
  if (!side_ || pin < 0 || static_cast<std::size_t>(pin) >= description_.pins.size()) return nullptr;
  const PinDescription& description = description_.pins[pin];
  return description.is_output() && description.datatype == ox2::DT_FSAMPLE ? side_->PinBuffer(pin) : nullptr;
}

int32_t ModuleHost::ReportedStatus(int32_t pin) const {
  if (!side_ || pin < 0 || pin >= side_->pin_count()) return -1;
  return side_->reported_status[pin];
}

int32_t ModuleHost::ReportedClock(int32_t pin) const {
  if (!side_ || pin < 0 || pin >= side_->pin_count()) return 0;
  return side_->reported_clock[pin];
}

// Everything that happens per block is here: the constant sample inputs'
// buffers are brought up to date for the block's changes, then the module is
// called, either once for the whole block with its events sent ahead, or once
// per stretch between events that are delivered at their own clocks.
void ModuleHost::ProcessBlock(int32_t count) {
  if (!open_ || closed_ || count < 1 || count > block_size_) return;
  const int64_t start = clock_;
  const int64_t end = clock_ + count;
  side_->block_start_clock = ClockOnBoundary(start);
  PrepareInputBuffers(start, end);

  if (instance_->SendsEventsAhead()) {
    while (next_change_ < changes_.size() && changes_[next_change_].clock < end) {
      DeliverChange(changes_[next_change_++]);
    }
    RunStretch(start, 0, count);
  } else {
    int32_t offset = 0;
    while (offset < count) {
      while (next_change_ < changes_.size() && changes_[next_change_].clock == start + offset) {
        DeliverChange(changes_[next_change_++]);
      }
      int32_t stop = count;
      if (next_change_ < changes_.size() && changes_[next_change_].clock < end) {
        stop = static_cast<int32_t>(changes_[next_change_].clock - start);
      }
      RunStretch(start, offset, stop - offset);
      offset = stop;
    }
  }
  clock_ = end;
  if (next_change_ == changes_.size()) {
    changes_.clear();
    next_change_ = 0;
  }
}

// Each constant input takes the value of its last change in the block. A
// sample pin's buffer gets each change's value from the change's sample up
// to the pin's next change in the block (or the block's end), so that every
// sample is written once however many changes the block holds; the changes
// are walked from the last to the first to know where each value ends. A
// buffer that changed after the block's first sample is refilled with its
// value at the start of the next block.
void ModuleHost::PrepareInputBuffers(int64_t start, int64_t end) {
  for (int32_t pin : refill_) {
    float* buffer = side_->PinBuffer(pin);
    std::fill(buffer, buffer + block_size_, values_[pin].sample);
  }
  refill_.clear();
  std::size_t block_end = next_change_;
  while (block_end < changes_.size() && changes_[block_end].clock < end) ++block_end;
  for (std::size_t i = block_end; i-- > next_change_;) {
    const PinChange& change = changes_[i];
    if (input_kind_[change.pin] != InputKind::kConstant) continue;  // the caller fills streamed buffers
    const auto from = static_cast<int32_t>(change.clock - start);
    int32_t& value_end = value_end_[change.pin];
    if (value_end == kNoChange) {  // the pin's last change in the block
      values_[change.pin] = change.value;
      value_end = block_size_;
      if (from > 0 && description_.pins[change.pin].datatype == ox2::DT_FSAMPLE) refill_.push_back(change.pin);
    }
    if (description_.pins[change.pin].datatype == ox2::DT_FSAMPLE) {
      float* buffer = side_->PinBuffer(change.pin);
      std::fill(buffer + from, buffer + value_end, change.value.sample);
    }
    value_end = from;
  }
  for (std::size_t i = next_change_; i < block_end; ++i) value_end_[changes_[i].pin] = kNoChange;
}

void ModuleHost::DeliverChange(const PinChange& change) {
  const PinDescription& pin = description_.pins[change.pin];
  const bool sample_pin = pin.datatype == ox2::DT_FSAMPLE;
  if (!instance_->SendsEventsAhead()) side_->sample_clock = ClockOnBoundary(change.clock);
  if (instance_->HostWritesValues() && !sample_pin && pin.variable_address) {
    WriteValueVariable(pin, change.value.integer);
  }
  instance_->SendPinEvent(ClockOnBoundary(change.clock), change.pin, change.status,
                          sample_pin ? 0 : change.value.integer);
  asleep_ = false;
  FollowModuleReports();
}

void ModuleHost::RunStretch(int64_t start, int32_t offset, int32_t count) {
  if (asleep_) return;
  side_->sample_clock = ClockOnBoundary(start + offset);
  instance_->Process(offset, count);
  FollowModuleReports();
}

void ModuleHost::FollowModuleReports() {
  if (side_->process_changes != process_changes_seen_) {
    process_changes_seen_ = side_->process_changes;
    instance_->TakeProcessEntry();
  }
  if (side_->sleep_requested) {
    side_->sleep_requested = false;
    // A streamed input changes at every sample, so its module stays awake.
    if (instance_->MaySleep() && !any_streamed_) asleep_ = true;
  }
}

void ModuleHost::Close() {
  if (closed_) return;
  closed_ = true;
  instance_->Close();
  UnregisterInstance(instance_->record());
}

}  // namespace oxhost
