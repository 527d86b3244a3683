#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/module_description.h"
#include "host/module_library.h"
#include "host/ox_interfaces.h"

namespace oxhost {

// The calls a host makes on one module instance, the same for both interface
// generations. One object per instance; it is the only code that touches the
// instance's record. The instance answers through HostCallbackGen1/Gen2, so
// its record must be registered with a HostSide before any call that may call
// back (opening, events, processing).
class ModuleBoundary {
 public:
  virtual ~ModuleBoundary() = default;

  virtual int generation() const = 0;
  // The record address the instance passes with every callback call.
  virtual const void* record() const = 0;

  // The module type's name, identifier, about text and flags.
  virtual bool ReadModuleProperties(ModuleDescription& description, std::string& error) = 0;
  // Description `index` into `pin` (all but its number); false when the
  // module describes no pin with that index.
  virtual bool ReadPinDescription(int32_t index, PinDescription& pin) = 0;
  // Whether a description with these flags becomes a pin the host numbers.
  virtual bool KeepsPin(int32_t flags) const = 0;

  virtual void SetSampleRate(float rate) = 0;
  virtual void SetBlockSize(int32_t size) = 0;
  virtual void Open() = 0;
  // Ends the instance; no call may follow.
  virtual void Close() = 0;

  // Whether pin events are sent ahead of their time (generation 1, the module
  // queues them and splits its blocks) rather than delivered when their
  // sample clock has come (generation 2, the host splits its process calls).
  virtual bool SendsEventsAhead() const = 0;
  // Whether the host writes a value pin's variable itself before its event
  // (generation 2); in generation 1 the event carries the value.
  virtual bool HostWritesValues() const = 0;
  virtual void SendPinEvent(int32_t clock, int32_t pin, int32_t status, int32_t value) = 0;
  // Whether the module may ask the host to stop calling it (HC_SLEEP).
  virtual bool MaySleep() const = 0;

  // One process call for `count` samples from element `offset` of the pin buffers.
  virtual void Process(int32_t offset, int32_t count) = 0;
  // Takes the record's process entry anew after the module reported a change.
  virtual void TakeProcessEntry() = 0;
};

// Creates an instance through the generation's exports; null with `error` set
// when the module refuses or hands back something that is no module record.
std::unique_ptr<ModuleBoundary> CreateGeneration1Instance(ox1::OXMainEntry main_entry, std::string& error);
std::unique_ptr<ModuleBoundary> CreateGeneration2Instance(ox2::OXGetModulePropertiesEntry get_properties,
                                                          ox2::OXMakeModuleEntry make_module,
                                                          std::string& error);

// Creates an instance of the library's module, choosing the generation by the
// library's exports.
std::unique_ptr<ModuleBoundary> CreateInstance(const ModuleLibrary& library, std::string& error);

}  // namespace oxhost
