// The base class of every generation-2 audio module: owns the instance's
// record and pins, turns dispatcher opcodes and events into virtual
// operations, and lets the module switch the process function the host calls.
#pragma once

#include <stdint.h>

#include "ox_sdk2/OXInterface.h"
#include "ox_sdk2/OXPin.h"

// A module function named by an EV_MODULE_CALL event; it receives the module
// object as its only argument.
typedef void(OX_CDECL* OXModuleCall)(void* object);

class OXModule_base {
 public:
  OXModule_base(OXHostCallback callback, void* host_handle);
  // Destroys the pin array, last pin first.
  virtual ~OXModule_base();
  OXModule_base(const OXModule_base&) = delete;
  OXModule_base& operator=(const OXModule_base&) = delete;

  // Virtual operations, in the order of the instance's dispatch table.
  virtual void OnPinStatusChange(OXPin* pin);
  virtual void HandleEvent(OxEvent* e);
  // Result: int32, or for MOD_GET_PROCESS_INFO the answer record's address.
  virtual intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  // Creates and binds the pins; a module that overrides it calls it first.
  virtual void Open();
  virtual void Close();
  virtual void SetSampleRate(float sample_rate);
  virtual void SetBlockSize(int32_t block_size);
  virtual float SampleRate();
  virtual int32_t BlockSize();
  // True for each description index from 0 to the last pin, writing into the
  // zero-filled `properties` only what the pin needs; false beyond, writing
  // nothing.
  virtual bool GetPinProperties(int32_t index, OXPinProperties* properties);
  virtual void OnNotify();
  virtual void OnNotifyCount(int32_t count);
  virtual void OnDataEvent(int32_t time_stamp, int32_t value, uint16_t short_value);
  virtual void OnRequest(int32_t value, int32_t index, void* ptr);

  // Calls the host with this instance's record first; 0 without a callback.
  intptr_t CallHost(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  // The host's current sample clock, asked afresh.
  int32_t SampleClock();
  // The pin with `number` (0 to PinCount() - 1); the pins must exist.
  OXPin* GetPin(int32_t number);
  // Pins in the array: the host's count once opened, 0 before or without pins.
  int32_t PinCount() const { return m_pin_count; }
  // Installs `function` and tells the host, unless it is already installed.
  void SetProcessFunction(OXProcessFunction function);

  OXModuleRecord* Record() { return &m_record; }

 private:
  struct OpcodeTable;

  void CreatePins();
  bool HoldsPinNumber(intptr_t number) const;

  OXHostCallback m_callback;
  OXModuleRecord m_record;
  float m_sample_rate;
  int32_t m_block_size;
  OXPin* m_pins;
  OXProcessFunction m_process;
  int32_t m_pin_count;
};

// The plain entry through which the host calls the process member `Process` of
// module type `M`: the first argument is the module object.
template <class M, void (M::*Process)(int32_t, int32_t)>
void OX_CDECL OXProcessEntryOf(void* object, int32_t buffer_offset, int32_t sample_frames) {
  (static_cast<M*>(static_cast<OXModule_base*>(object))->*Process)(buffer_offset, sample_frames);
}

// The process-function descriptor of `Process`, ready for SetProcessFunction.
template <class M, void (M::*Process)(int32_t, int32_t)>
OXProcessFunction OXProcessFunctionOf() {
  OXProcessFunction function = {&OXProcessEntryOf<M, Process>, 0, 0};
  return function;
}
