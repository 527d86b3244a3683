// One host pin of an instance: bound either to a variable of the module or to
// a small store of its own. It applies the status and value changes that
// arrive as events, reads the current sample of an audio input and reports an
// output's status to the host.
#pragma once

#include <cstdint>

class OXModule_base;

class OXPin {
 public:
  // An unbound pin: no module, no variable, no data type. A status change
  // that reaches it changes only its status; it tells no module and writes
  // nothing.
  OXPin() = default;
  virtual ~OXPin() = default;
  OXPin(const OXPin&) = delete;
  OXPin& operator=(const OXPin&) = delete;

  // Binds the pin to `variable`, or to its own store when `variable` is null
  // (asking the host for the buffer of an audio pin).
  void Init(OXModule_base* module, int32_t index, int32_t datatype, void* variable);

  // Tells the host that this output has `status` from `sample_clock` on.
  intptr_t SendStatus(uint32_t sample_clock, int32_t status);

  // Takes a new status and value, writes the value by data type and tells the
  // module. PS_ONE_CHANGE is visible only while the module is told.
  void OnStatusChange(int32_t status, int32_t value);

  // The sample of this audio pin at the instance's current sample clock;
  // 0.0 while the pin has no buffer.
  float CurrentSample() const;

  int32_t Index() const { return m_index; }
  int32_t Status() const { return m_status; }
  int32_t DataType() const { return m_datatype; }
  const void* Variable() const { return m_variable; }

 private:
  // The pin's own store when the module names no variable.
  union Store {
    int16_t enum_value;
    uint8_t bool_value;
    int32_t int_value;
    float* buffer;
  };

  void WriteValue(int32_t value);

  void* m_variable = nullptr;
  OXModule_base* m_module = nullptr;
  int32_t m_index = -1;
  int32_t m_status = 0;
  int32_t m_datatype = -1;  // no data type until bound
  Store m_value{};
};
