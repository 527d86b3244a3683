// A small module built on the generation-2 framework for testing it, and the
// host it talks to: the pin descriptions come from the test, and every call
// in either direction is written down.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "ox_sdk2/OXModule_base.h"

namespace probe {

struct HostCall {
  int32_t opcode;
  int32_t index;
  int32_t value;
  intptr_t ptr;
};

// Answers the probe's host calls: pin count, clocks and one buffer per pin.
struct ProbeHost {
  int32_t pin_count = 0;
  int32_t sample_clock = 0;
  int32_t block_start_clock = 0;
  std::vector<std::vector<float>> buffers;
  std::vector<HostCall> calls;

  std::vector<HostCall> CallsWithOpcode(int32_t opcode) const {
    std::vector<HostCall> found;
    for (const HostCall& call : calls)
      if (call.opcode == opcode) found.push_back(call);
    return found;
  }
  intptr_t Answer(int32_t opcode, int32_t index, int32_t value, void* ptr) {
    calls.push_back({opcode, index, value, reinterpret_cast<intptr_t>(ptr)});
    switch (opcode) {
      case HC_PIN_COUNT:
        return pin_count;
      case HC_SAMPLE_CLOCK:
        return sample_clock;
      case HC_BLOCK_START_CLOCK:
        return block_start_clock;
      case HC_PIN_BUFFER:
        if (index < 0 || index >= static_cast<int32_t>(buffers.size())) return 0;
        return reinterpret_cast<intptr_t>(buffers[index].data());
      default:
        return 0;
    }
  }
};

inline OXPinProperties Describe(int32_t datatype, void* variable = nullptr, int32_t flags = 0,
                                int32_t direction = DR_IN) {
  OXPinProperties properties;
  std::memset(&properties, 0, sizeof properties);
  properties.datatype = datatype;
  properties.variable_address = variable;
  properties.flags = flags;
  properties.direction = direction;
  properties.name = "probe pin";
  return properties;
}

class ProbeModule : public OXModule_base {
 public:
  ProbeModule(OXHostCallback callback, ProbeHost* host, std::vector<OXPinProperties> descriptions)
      : OXModule_base(callback, reinterpret_cast<void*>(0x5A5A)), host(host), descriptions(std::move(descriptions)) {}

  ProbeHost* host;
  std::vector<OXPinProperties> descriptions;
  std::vector<std::string> calls;           // the operations the base called, in order
  std::vector<int32_t> asked_descriptions;  // indexes GetPinProperties was asked for
  std::vector<int32_t> seen_pin;            // per OnPinStatusChange: pin number
  std::vector<int32_t> seen_status;         // per OnPinStatusChange: the pin's status then
  std::vector<intptr_t> arguments;          // of the last forwarding operation
  int32_t processed_offset = -1;
  int32_t processed_count = -1;
  std::vector<std::string>* lifecycle = nullptr;  // outlives the module: Close and destruction

  ~ProbeModule() override {
    if (lifecycle) lifecycle->push_back("destroyed");
  }
  bool GetPinProperties(int32_t index, OXPinProperties* properties) override {
    asked_descriptions.push_back(index);
    if (static_cast<uint32_t>(index) >= descriptions.size()) return false;
    *properties = descriptions[index];
    return true;
  }
  void OnPinStatusChange(OXPin* pin) override {
    seen_pin.push_back(pin->Index());
    seen_status.push_back(pin->Status());
  }
  void Close() override {
    if (lifecycle) lifecycle->push_back("Close");
  }
  void OnNotify() override { calls.push_back("OnNotify"); }
  void OnNotifyCount(int32_t count) override {
    calls.push_back("OnNotifyCount");
    arguments = {count};
  }
  void OnDataEvent(int32_t time_stamp, int32_t value, uint16_t short_value) override {
    calls.push_back("OnDataEvent");
    arguments = {time_stamp, value, short_value};
  }
  void OnRequest(int32_t value, int32_t index, void* ptr) override {
    calls.push_back("OnRequest");
    arguments = {value, index, reinterpret_cast<intptr_t>(ptr)};
  }

  void Process(int32_t offset, int32_t count) {
    processed_offset = offset;
    processed_count = count;
  }

  // The host's ways in: the record's three entries.
  intptr_t Call(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return Record()->dispatch_entry(Record(), opcode, index, value, ptr, opt);
  }
  void Deliver(int32_t time_stamp, int32_t type, int32_t value1, intptr_t target, int32_t value2 = 0) {
    OxEvent e = {time_stamp, type, value1, value2, target};
    Record()->event_entry(Record()->object, &e);
  }
  void RunProcess(int32_t offset, int32_t count) { Record()->process_entry(Record()->object, offset, count); }
};

inline intptr_t OX_CDECL ProbeHostCallback(OXModuleRecord* record, int32_t opcode, int32_t index, int32_t value,
                                           void* ptr, float) {
  auto* module = static_cast<ProbeModule*>(static_cast<OXModule_base*>(record->object));
  return module->host->Answer(opcode, index, value, ptr);
}

// A probe with the host that answers it; the module lives until closed.
struct ProbeInstance {
  ProbeHost host;
  ProbeModule* module;
  ProbeInstance(int32_t host_pin_count, std::vector<OXPinProperties> descriptions, int32_t block_size = 16)
      : module(new ProbeModule(ProbeHostCallback, &host, std::move(descriptions))) {
    host.pin_count = host_pin_count;
    host.buffers.assign(host_pin_count > 0 ? host_pin_count : 0, std::vector<float>(block_size));
  }
  ~ProbeInstance() { delete module; }
  ProbeInstance(const ProbeInstance&) = delete;
  ProbeInstance& operator=(const ProbeInstance&) = delete;
  // Closes through the record; the module is gone afterwards.
  intptr_t Close() {
    const intptr_t result = module->Call(MOD_CLOSE);
    module = nullptr;
    return result;
  }
};

}  // namespace probe
