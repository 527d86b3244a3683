#include "host/host_side.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

namespace oxhost {

namespace {

// Host-callback opcodes are the same in both generations.
static_assert(int(ox1::HC_SAMPLE_CLOCK) == int(ox2::HC_SAMPLE_CLOCK), "shared opcodes");
static_assert(int(ox1::HC_PIN_COUNT) == int(ox2::HC_PIN_COUNT), "shared opcodes");

std::mutex registry_mutex;
std::unordered_map<const void*, HostSide*>& Registry() {
  static std::unordered_map<const void*, HostSide*> registry;
  return registry;
}
// Changes, under the mutex, with every registration and removal.
std::atomic<uint32_t> registry_version{0};

// The last lookup this thread made: an instance calls back many times in a
// row from the thread that drives it, so most calls skip the mutex.
struct LastLookup {
  const void* record = nullptr;
  HostSide* side = nullptr;
  uint32_t version = 0;
};
thread_local LastLookup last_lookup;

HostSide* Lookup(const void* record) {
  if (last_lookup.record == record && last_lookup.version == registry_version.load(std::memory_order_acquire)) {
    return last_lookup.side;
  }
  std::lock_guard<std::mutex> lock(registry_mutex);
  auto found = Registry().find(record);
  HostSide* side = found == Registry().end() ? nullptr : found->second;
  last_lookup = {record, side, registry_version.load(std::memory_order_relaxed)};
  return side;
}

// Called from module code: nothing may be thrown back across the boundary
// (recording a call can run out of memory, locking can fail), so any failure
// is answered 0, as for an unknown caller.
intptr_t AnswerFor(const void* record, int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  try {
    HostSide* side = Lookup(record);
    return side ? side->Answer(opcode, index, value, ptr, opt) : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace

HostSide::HostSide(int32_t pin_count, int32_t block_size)
    : reported_status(std::max(pin_count, 0), -1),
      reported_clock(std::max(pin_count, 0), 0),
      pin_count_(std::max(pin_count, 0)),
      block_size_(std::max(block_size, 1)) {
  buffers_.resize(pin_count_);
}

float* HostSide::PinBuffer(int32_t pin) {
  if (pin < 0 || pin >= pin_count_) return nullptr;
  if (!buffers_[pin]) buffers_[pin].reset(new float[block_size_]());
  return buffers_[pin].get();
}

std::vector<HostCall> HostSide::CallsWithOpcode(int32_t opcode) const {
  std::vector<HostCall> found;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
               [opcode](const HostCall& call) { return call.opcode == opcode; });
  return found;
}

intptr_t HostSide::Answer(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  if (recording) {
    try {
      calls.push_back({opcode, index, value, reinterpret_cast<intptr_t>(ptr), opt});
    } catch (...) {
      recording = false;  // out of memory: the answer matters more than the record
    }
  }
  switch (opcode) {
    case ox2::HC_SEND_PIN_STATUS:
      if (index >= 0 && index < pin_count_) {
        reported_status[index] = value;
        reported_clock[index] = static_cast<int32_t>(reinterpret_cast<intptr_t>(ptr));
      }
      return 0;
    case ox2::HC_SET_PIN_VALUE:
      return 0;
    case ox2::HC_SAMPLE_CLOCK:
      return sample_clock;
    case ox2::HC_PIN_BUFFER:
      return reinterpret_cast<intptr_t>(PinBuffer(index));
    case ox2::HC_BLOCK_START_CLOCK:
      return block_start_clock;
    case ox2::HC_SLEEP:
      sleep_requested = true;
      return 0;
    case ox2::HC_PIN_COUNT:
      return pin_count_;
    case ox2::HC_PROCESS_CHANGED:
      ++process_changes;
      return 0;
    default:
      return 0;
  }
}

void RegisterInstance(const void* record, HostSide* side) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  Registry()[record] = side;
  registry_version.fetch_add(1, std::memory_order_release);
}

void UnregisterInstance(const void* record) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  Registry().erase(record);
  registry_version.fetch_add(1, std::memory_order_release);
}

extern "C" intptr_t OX_CDECL HostCallbackGen1(ox1::OXModuleRecord* record, int32_t opcode, int32_t index,
                                              int32_t value, void* ptr, float opt) {
  return AnswerFor(record, opcode, index, value, ptr, opt);
}

extern "C" intptr_t OX_CDECL HostCallbackGen2(ox2::OXModuleRecord* record, int32_t opcode, int32_t index,
                                              int32_t value, void* ptr, float opt) {
  return AnswerFor(record, opcode, index, value, ptr, opt);
}

}  // namespace oxhost
