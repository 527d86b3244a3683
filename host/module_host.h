#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host_side.h"
#include "host/module_boundary.h"
#include "host/module_description.h"
#include "host/pin_value.h"

namespace oxhost {

// Drives one module instance of either generation as a host does: describes
// it, opens it, gives its input pins values (from their default texts, as
// set, or changed at given sample clocks), processes blocks and exposes the
// output buffers and the statuses the module reported. Knows nothing of files.
//
// Sample pins the caller streams (audio inputs) are filled by the caller
// before each block; every other input pin holds a constant value that the
// host writes into its buffer or variable and announces with a pin event.
class ModuleHost {
 public:
  // Creates an instance of the library's module and reads its description.
  // The library must outlive the host.
  static std::unique_ptr<ModuleHost> Load(const ModuleLibrary& library, std::string& error);
  // The same for an instance created some other way (a module linked in).
  static std::unique_ptr<ModuleHost> Connect(std::unique_ptr<ModuleBoundary> instance, std::string& error,
                                             int32_t repeated_pins = 0);
  ~ModuleHost();
  ModuleHost(const ModuleHost&) = delete;
  ModuleHost& operator=(const ModuleHost&) = delete;

  const ModuleDescription& description() const { return description_; }
  // The pin named by its number or its name; null with `error` set when there
  // is none, or when the name is shared by several pins.
  const PinDescription* FindPin(const std::string& number_or_name, std::string& error) const;

  // Before Open: an input pin's starting value instead of its default, or
  // that the caller streams a sample input.
  bool SetInitialValue(int32_t pin, const PinValue& value, std::string& error);
  bool StreamInput(int32_t pin, std::string& error);

  // Sets rate and block size, opens the instance and schedules every input
  // pin's starting event at clock 0.
  bool Open(float sample_rate, int32_t block_size, std::string& error);
  bool is_open() const { return open_; }
  float sample_rate() const { return sample_rate_; }
  int32_t block_size() const { return block_size_; }

  // Changes a constant input pin at `clock` (not before the current clock).
  bool ScheduleChange(int64_t clock, int32_t pin, const PinValue& value, std::string& error);

  // The buffer the caller fills for a streamed input, or reads for an output
  // (elements 0 to the last block's count). Null for other pins.
  float* InputBuffer(int32_t pin);
  const float* OutputBuffer(int32_t pin);
  // The last status the module reported for a pin (-1 before any) and its clock.
  int32_t ReportedStatus(int32_t pin) const;
  int32_t ReportedClock(int32_t pin) const;

  // Processes the next `count` samples (1 to the block size) as one block.
  void ProcessBlock(int32_t count);
  int64_t clock() const { return clock_; }
  bool asleep() const { return asleep_; }

  // Ends the instance (also done on destruction).
  void Close();

 private:
  struct PinChange {
    int64_t clock;
    int32_t pin;
    int32_t status;
    PinValue value;
  };
  enum class InputKind { kConstant, kStreamed, kUnset };

  ModuleHost(std::unique_ptr<ModuleBoundary> instance, ModuleDescription description);
  bool CheckInput(int32_t pin, std::string& error) const;
  void PrepareInputBuffers(int64_t start, int64_t end);
  void DeliverChange(const PinChange& change);
  void RunStretch(int64_t start, int32_t offset, int32_t count);
  void FollowModuleReports();

  std::unique_ptr<ModuleBoundary> instance_;
  ModuleDescription description_;
  std::unique_ptr<HostSide> side_;
  std::vector<InputKind> input_kind_;
  std::vector<PinValue> values_;  // each constant input's latest value
  std::vector<bool> has_value_;
  std::vector<PinChange> changes_;  // in clock order; those before next_change_ are done
  std::size_t next_change_ = 0;
  std::vector<int32_t> refill_;     // constant sample pins whose buffers changed within the last block
  // Per pin, while a block's changes are applied: where the value of the
  // change being applied ends in the buffer (kNoChange outside that).
  static constexpr int32_t kNoChange = -1;
  std::vector<int32_t> value_end_;
  float sample_rate_ = 0.0f;
  int32_t block_size_ = 0;
  int64_t clock_ = 0;
  int process_changes_seen_ = 0;
  bool any_streamed_ = false;
  bool asleep_ = false;
  bool open_ = false;
  bool closed_ = false;
};

}  // namespace oxhost
