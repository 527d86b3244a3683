// The base of every generation-1 audio module. It owns the record the host
// sees, turns dispatcher opcodes into virtual operations, creates one pin per
// host pin, keeps the instance's sample clock and its queue of time-stamped
// events, and splits every block at the events' times so that each event
// takes effect exactly at its sample. The module's current process routine
// renders every event-free stretch in between.
#pragma once

#include <cstdint>

#include "ox_sdk/OXInterface.h"
#include "ox_sdk/OXPin.h"
#include "ox_sdk/OxEvent.h"

class OXModule_base {
 public:
  // A process routine of the module: renders `count` samples (at least 1)
  // starting at element `buffer_offset` of every pin buffer.
  using ProcessRoutine = void (OXModule_base::*)(int32_t buffer_offset, int32_t count);

  explicit OXModule_base(OXHostCallback callback);
  OXModule_base(const OXModule_base&) = delete;
  OXModule_base& operator=(const OXModule_base&) = delete;

  virtual void OnPinStatusChange(OXPin& pin);
  // Releases the pins and every event still queued.
  virtual ~OXModule_base();
  virtual void ProcessBlock(int32_t buffer_offset, int32_t sampleFrames);
  virtual int32_t Dispatch(uint32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
  // Creates the pins; a module that overrides it calls it before using them.
  virtual void Open();
  virtual void Close();
  virtual void SetSampleRate(float sample_rate);
  virtual void SetBlockSize(int32_t block_size);
  virtual float SampleRate();
  virtual int32_t BlockSize();
  virtual void HandleEvent(OxEvent* e);
  virtual bool GetModuleProperties(OXModuleProperties* properties);
  // Describes pin `index`; answers false, writing nothing, for any index the
  // module does not describe (negative ones included).
  virtual bool GetPinProperties(int32_t index, OXPinProperties* properties);
  virtual bool Query5(void* ptr);
  virtual bool Query4(void* ptr);
  virtual void ResyncClock();
  virtual void OnDataEvent(uint32_t time_stamp, int32_t value1, int16_t value2);

  // The record whose address is the instance's handle.
  OXModuleRecord* Record() { return &m_record; }
  // The sample clock of the sample being processed (of the next one between
  // calls).
  uint32_t SampleClock() const { return m_sample_clock; }
  // The pin numbered `index`; the pins must exist.
  OXPin& GetPin(int32_t index);
  // How many pins exist (0 before Open).
  int32_t PinCount() const { return m_pin_count; }
  intptr_t CallHost(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  // Queues `event`, which must not be due before the current sample clock.
  void AddEvent(OxEvent* event);
  bool FetchPinProperties(int32_t index, OXPinProperties* properties);

 protected:
  // The routine `ProcessBlock` runs for every event-free stretch; the module
  // switches behaviour by assigning another of its routines (see `Routine`).
  ProcessRoutine m_process;

  // Turns a routine of the derived module into one the base can call on it.
  template <class Derived>
  static ProcessRoutine Routine(void (Derived::*routine)(int32_t, int32_t)) {
    return static_cast<ProcessRoutine>(routine);
  }

 private:
  void DoNothing(int32_t buffer_offset, int32_t count);
  void CreatePins();
  void ReleasePins();
  void ReleaseEvents();
  void AddHostEvent(const OXHostEvent* host_event);
  void ApplyPinStatus(const OxEvent& e);
  static void RunDeferredCall(OxEvent& e);

  OXHostCallback m_callback;
  OXModuleRecord m_record;
  float m_sample_rate;
  int32_t m_block_size;
  OXPin* m_pins;
  int32_t m_pin_count;
  uint32_t m_sample_clock;
  OxEvent* m_events;
  // The queue's last event (null when it is empty): hosts send events in
  // time order, and each such event is appended here without a walk.
  OxEvent* m_last_event;
};
