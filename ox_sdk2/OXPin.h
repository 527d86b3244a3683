// The audio side's object for one pin of a module instance.
#pragma once

#include <stdint.h>

#include "ox_sdk2/OXInterface.h"

class OXModule_base;

// A pin knows where its value lives (a module variable, or a cell of its own),
// remembers the last status the host announced, tells its module when that
// status changes and reports the module's own changes to the host. It owns
// nothing: the variable belongs to the module, the buffer to the host.
//
// A pin that was never bound (the host counted more pins than the module
// describes) stays empty: no module, no variable, no data type. Status events
// for it are stored and go no further, and it never calls the host.
class OXPin {
 public:
  OXPin();
  virtual ~OXPin();
  OXPin(const OXPin&) = delete;
  OXPin& operator=(const OXPin&) = delete;

  // Binds the pin to `module` as pin `number`. Without a module variable the
  // pin gets a value cell of its own; a DT_FSAMPLE pin then asks the host once
  // for its buffer.
  void Init(OXModule_base* module, int32_t number, int32_t datatype, void* variable_address);

  // Takes the status the host announced and tells the module; a one-time
  // change reverts to PS_STATIC once the module has seen it.
  void OnStatusChange(int32_t status);

  // Tells the host that this pin has `status` from sample `clock` on.
  intptr_t SendStatus(int32_t clock, int32_t status);

  // The sample of this DT_FSAMPLE pin's buffer at the host's current clock.
  float CurrentSample();

  bool IsBound() const { return m_module != nullptr; }
  void* Variable() const { return m_variable; }
  int32_t Index() const { return m_index; }
  int32_t Status() const { return m_status; }
  int32_t DataType() const { return m_datatype; }
  // The pin's own value cell, as its first four bytes.
  uint32_t OwnValueBits() const;

 private:
  // Wide enough for a buffer address where pointers are 64 bits.
  union ValueCell {
    int16_t enum_value;
    uint8_t bool_value;
    int32_t int_value;
    float* buffer;
    unsigned char bytes[sizeof(float*) > 4 ? sizeof(float*) : 4];
  };

  void* m_variable;
  OXModule_base* m_module;
  int32_t m_index;
  int32_t m_status;
  int32_t m_datatype;
  ValueCell m_value;
};
