// Drives one generation-1 module instance through its binary boundary as a
// host does: `main`, the dispatch entry and the process entry, with HostSide
// answering the instance's callback calls and owning its pin buffers.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_side.h"
#include "host/ox_interfaces.h"

namespace oxtest {

// The entry `main` of the library at `path`, loaded once for the program.
ox1::OXMainEntry MainEntry(const std::string& path);

class Gen1Instance {
 public:
  // Creates the instance; HostSide reports `pin_count` pins with buffers of
  // `buffer_length` samples.
  Gen1Instance(const std::string& library, int32_t pin_count, int32_t buffer_length);
  ~Gen1Instance();
  Gen1Instance(const Gen1Instance&) = delete;
  Gen1Instance& operator=(const Gen1Instance&) = delete;

  ox1::OXModuleRecord* record() const { return record_; }
  oxhost::HostSide& side() { return side_; }
  const oxhost::HostSide& side() const { return side_; }

  int32_t Dispatch(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                   float opt = 0.0f);
  // The rate travels in `opt`; `value` carries something else on purpose.
  void SetSampleRate(float rate) { Dispatch(ox1::MOD_SET_SAMPLE_RATE, 0, 12345, nullptr, rate); }
  void SetBlockSize(int32_t size) { Dispatch(ox1::MOD_SET_BLOCK_SIZE, 0, size, nullptr, 99.0f); }
  // MOD_OPEN at the host's current clock.
  void Open() { Dispatch(ox1::MOD_OPEN); }
  // Stores the host's buffer address in the variable of every audio pin the
  // module describes, as a host does after reading the pin descriptions.
  void BindAudioBuffers(int32_t described_pins);
  // MOD_CLOSE; the instance is gone afterwards. Answers the entry's result.
  int32_t Close();

  void AddEvent(uint32_t time_stamp, int32_t type, int32_t value1, int32_t value2, intptr_t target);
  void PinEvent(uint32_t time_stamp, int32_t pin, int32_t status, int32_t value = 0) {
    AddEvent(time_stamp, ox1::EV_PIN_STATUS, status, value, pin);
  }
  // One block of `frames` samples at element `offset` of the buffers, at the
  // host's clock, which then moves on by `frames`.
  void Process(int32_t offset, int32_t frames);
  // The process entry called directly, clocks untouched.
  void CallProcessEntry(int32_t offset, int32_t frames);

  float* Buffer(int32_t pin) { return side_.PinBuffer(pin); }
  void Fill(int32_t pin, float value);
  uint32_t clock() const { return static_cast<uint32_t>(side_.sample_clock); }
  void set_clock(uint32_t clock) {
    side_.sample_clock = static_cast<int32_t>(clock);
    side_.block_start_clock = static_cast<int32_t>(clock);
  }

 private:
  oxhost::HostSide side_;
  ox1::OXModuleRecord* record_ = nullptr;
};

}  // namespace oxtest
