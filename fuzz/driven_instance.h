// One module instance of either generation, driven at the level of its
// record as a host drives it: dispatcher opcodes, events and process calls
// with any offset and count the host chooses. The host's side of the
// callback (clock, buffers, what the module reports) is a HostSide.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/host_side.h"
#include "host/module_library.h"

namespace oxfuzz {

struct PinLayout {
  int32_t direction;
  int32_t datatype;
  void* variable;
};

class DrivenInstance {
 public:
  // Creates an instance; `reported_pins` is what the host answers for its pin
  // count (negative: as many as the module describes), `capacity` the
  // elements of every pin buffer. Null when the module creates none.
  static std::unique_ptr<DrivenInstance> Create(const oxhost::ModuleLibrary& library, int32_t reported_pins,
                                                int32_t capacity);
  ~DrivenInstance();  // closes the instance unless Close came first
  DrivenInstance(const DrivenInstance&) = delete;
  DrivenInstance& operator=(const DrivenInstance&) = delete;

  int generation() const { return generation_; }
  const std::vector<PinLayout>& described_pins() const { return described_; }
  int32_t reported_pins() const { return side_.pin_count(); }
  int32_t capacity() const { return side_.block_size(); }
  oxhost::HostSide& side() { return side_; }
  // The buffer of pin `pin` (null beyond the reported pins or for a pin
  // described but not reported).
  float* Buffer(int32_t pin);

  // Raw dispatcher call; pointer-sized answer (generation 1 answers 32 bits).
  intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  void Open();
  void Close();
  bool closed() const { return closed_; }

  // The host's sample clock, also the clock of the next sample to process.
  uint32_t clock() const { return clock_; }
  // Moves the host's clock on without processing (a host that skipped samples).
  void SkipTo(uint32_t clock);

  // A pin status event: generation 2 delivers it now (the host first writes a
  // value pin's variable), generation 1 queues it for `clock` (>= clock()).
  void PinEvent(uint32_t clock, int32_t pin, int32_t status, int32_t value);
  // Any other event type, with the same timing rules.
  void OtherEvent(uint32_t clock, int32_t type, int32_t value1, int32_t value2, intptr_t target);

  // Starts a block whose element `first` holds the sample at clock().
  void StartBlock(int32_t first);
  // The element of the buffers that holds the sample at clock().
  int32_t position() const { return position_; }
  // One process call for `count` samples from position() on.
  void Process(int32_t count);

 private:
  DrivenInstance(int generation, void* record, int32_t reported_pins, int32_t capacity,
                 std::vector<PinLayout> described);
  void WriteValueVariable(int32_t pin, int32_t value);

  int generation_;
  void* record_;
  oxhost::HostSide side_;
  std::vector<PinLayout> described_;
  std::vector<std::unique_ptr<float[]>> spare_buffers_;  // for sample pins the host does not count
  uint32_t clock_ = 0;
  int32_t position_ = 0;
  bool closed_ = false;
};

// Reads the module's pin descriptions through dispatcher opcode 6.
std::vector<PinLayout> DescribedPins(int generation, void* record);

}  // namespace oxfuzz
