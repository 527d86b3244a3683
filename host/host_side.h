#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/ox_interfaces.h"

namespace oxhost {

// One call an instance made to the host.
struct HostCall {
  int32_t opcode;
  int32_t index;
  int32_t value;
  intptr_t ptr;
  float opt;
};

// The host's side of one module instance: the answers it gives through the
// host callback, the sample buffers it owns (one block per pin, at addresses
// that stay put for the instance's life) and, when asked, a record of every
// callback call. Used from the thread that drives the instance.
class HostSide {
 public:
  HostSide(int32_t pin_count, int32_t block_size);

  int32_t pin_count() const { return pin_count_; }
  int32_t block_size() const { return block_size_; }
  // The host's buffer for `pin`; null for a pin number outside the instance.
  float* PinBuffer(int32_t pin);

  // What HC_SAMPLE_CLOCK and HC_BLOCK_START_CLOCK answer.
  int32_t sample_clock = 0;
  int32_t block_start_clock = 0;

  // What the instance told the host.
  bool sleep_requested = false;
  int process_changes = 0;
  std::vector<int32_t> reported_status;  // per pin, -1 until reported
  std::vector<int32_t> reported_clock;   // per pin, clock of the last report

  // The call record; kept only while `recording` is on.
  bool recording = true;
  std::vector<HostCall> calls;
  std::vector<HostCall> CallsWithOpcode(int32_t opcode) const;

  // Answers one callback call.
  intptr_t Answer(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);

 private:
  int32_t pin_count_;
  int32_t block_size_;
  std::vector<std::unique_ptr<float[]>> buffers_;
};

// Connects a module record to the HostSide that answers its callback calls.
// Safe to use from several threads; each instance is still driven by one.
void RegisterInstance(const void* record, HostSide* side);
void UnregisterInstance(const void* record);

// The callbacks handed to modules of each generation. A call from a record
// that is not registered is answered 0.
extern "C" intptr_t OX_CDECL HostCallbackGen1(ox1::OXModuleRecord* record, int32_t opcode, int32_t index,
                                              int32_t value, void* ptr, float opt);
extern "C" intptr_t OX_CDECL HostCallbackGen2(ox2::OXModuleRecord* record, int32_t opcode, int32_t index,
                                              int32_t value, void* ptr, float opt);

}  // namespace oxhost
