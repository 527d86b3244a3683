#include "tests/chorus/support/gen1_instance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "host/module_library.h"

namespace oxtest {

ox1::OXMainEntry MainEntry(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<oxhost::ModuleLibrary>> libraries;
  std::lock_guard<std::mutex> lock(mutex);
  auto& library = libraries[path];
  std::string error;
  if (!library) library = oxhost::ModuleLibrary::Load(path, error);
  if (!library) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  auto entry = reinterpret_cast<ox1::OXMainEntry>(library->Export("main", error));
  if (!entry) ADD_FAILURE() << error;
  return entry;
}

Gen1Instance::Gen1Instance(const std::string& library, int32_t pin_count, int32_t buffer_length)
    : side_(pin_count, buffer_length) {
  ox1::OXMainEntry entry = MainEntry(library);
  if (entry) record_ = entry(&oxhost::HostCallbackGen1);
  if (record_) oxhost::RegisterInstance(record_, &side_);
}

Gen1Instance::~Gen1Instance() {
  if (record_) Close();
}

int32_t Gen1Instance::Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  return record_->dispatch_entry(record_, opcode, index, value, ptr, opt);
}

void Gen1Instance::BindAudioBuffers(int32_t described_pins) {
  for (int32_t pin = 0; pin < described_pins; ++pin) {
    ox1::OXPinProperties properties{};
    if (!Dispatch(ox1::MOD_GET_PIN_PROPERTIES, pin, 0, &properties)) continue;
    if (properties.datatype != ox1::DT_FSAMPLE || !properties.variable_address) continue;
    *static_cast<float**>(properties.variable_address) = side_.PinBuffer(pin);
  }
}

int32_t Gen1Instance::Close() {
  const int32_t answer = Dispatch(ox1::MOD_CLOSE);
  oxhost::UnregisterInstance(record_);
  record_ = nullptr;
  return answer;
}

void Gen1Instance::AddEvent(uint32_t time_stamp, int32_t type, int32_t value1, int32_t value2, intptr_t target) {
  ox1::OXHostEvent event{time_stamp, type, value1, value2, target};
  Dispatch(ox1::MOD_ADD_EVENT, 0, 0, &event);
}

void Gen1Instance::Process(int32_t offset, int32_t frames) {
  side_.block_start_clock = side_.sample_clock - offset;
  CallProcessEntry(offset, frames);
  side_.sample_clock += frames;
}

void Gen1Instance::CallProcessEntry(int32_t offset, int32_t frames) {
  record_->process_entry(record_, offset, frames);
}

void Gen1Instance::Fill(int32_t pin, float value) {
  std::fill_n(Buffer(pin), side_.block_size(), value);
}

}  // namespace oxtest
