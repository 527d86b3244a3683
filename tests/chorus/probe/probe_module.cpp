// A test-only module built on the generation-1 framework: it describes one
// pin of each value type and an audio pin, and reports to its host what the
// framework does (descriptions asked for, status changes with the values
// written, process calls, data events), so that tests can see the framework's
// behaviour through the binary boundary.
#include <cstring>
#include <new>

#include "ox_sdk/OXModule_base.h"
#include "tests/chorus/probe/probe_reports.h"

namespace {

constexpr int32_t kDescribedPins = 5;

class ProbeModule : public OXModule_base {
 public:
  explicit ProbeModule(OXHostCallback callback) : OXModule_base(callback) {
    m_process = Routine(&ProbeModule::Render);
  }

  bool GetPinProperties(int32_t index, OXPinProperties* properties) override {
    CallHost(probe::kAskedForPin, index);
    static const int32_t kTypes[kDescribedPins] = {DT_ENUM, DT_BOOL, DT_INT, DT_HOST_VALUE, DT_FSAMPLE};
    void* const variables[kDescribedPins] = {&m_enum, &m_bool, &m_int, nullptr, nullptr};
    if (index < 0 || index >= kDescribedPins) return false;
    properties->variable_address = variables[index];
    properties->datatype = kTypes[index];
    properties->name = "probe";
    if (index == kDescribedPins - 1 && m_repeat_last) properties->flags = IO_REPEAT_LAST;
    return true;
  }

  void OnPinStatusChange(OXPin& pin) override {
    CallHost(probe::kStatusSeen, pin.Index(), pin.Status(),
             reinterpret_cast<void*>(static_cast<uintptr_t>(SampleClock())));
    CallHost(probe::kTypeSeen, pin.Index(), pin.DataType());
    CallHost(probe::kValueSeen, pin.Index(), ValueOf(pin));
    CallHost(probe::kFirstPinStatus, 0, GetPin(0).Status());
  }

  void OnDataEvent(uint32_t time_stamp, int32_t value1, int16_t value2) override {
    CallHost(probe::kDataSeen, value1, value2, reinterpret_cast<void*>(static_cast<uintptr_t>(time_stamp)));
  }

  bool Query4(void* ptr) override {
    if (!ptr) return false;
    m_repeat_last = static_cast<const probe::ProbeSettings*>(ptr)->repeat_last != 0;
    return true;
  }

  bool Query5(void* ptr) override {
    if (!ptr) return false;
    switch (*static_cast<const int32_t*>(ptr)) {
      case probe::kPinBeforeOpen:
        GetPin(0);
        return true;
      case probe::kEventNotDueNow: {
        OxEvent event{SampleClock() + 1, 21, 0, 0, 0, nullptr};
        HandleEvent(&event);
        return true;
      }
      default:
        return false;
    }
  }

 private:
  // The value the pin holds, read back the way its data type stores it; for
  // an audio pin the bits of its current sample.
  int32_t ValueOf(const OXPin& pin) const {
    const void* variable = pin.Variable();
    switch (pin.DataType()) {
      case DT_ENUM: {
        int16_t value;
        std::memcpy(&value, variable, sizeof value);
        return value;
      }
      case DT_BOOL: {
        uint8_t value;
        std::memcpy(&value, variable, sizeof value);
        return value;
      }
      case DT_INT: {
        int32_t value;
        std::memcpy(&value, variable, sizeof value);
        return value;
      }
      case DT_FSAMPLE: {
        const float sample = pin.CurrentSample();
        int32_t bits;
        std::memcpy(&bits, &sample, sizeof bits);
        return bits;
      }
      default:
        return -1;
    }
  }

  void Render(int32_t buffer_offset, int32_t count) {
    CallHost(probe::kRendered, buffer_offset, count, reinterpret_cast<void*>(static_cast<uintptr_t>(SampleClock())));
  }

  int16_t m_enum = 0;
  uint8_t m_bool = 0;
  int32_t m_int = 0;
  bool m_repeat_last = false;
};

}  // namespace

extern "C" OX_EXPORT OXModuleRecord* OX_CDECL ox_main(OXHostCallback callback) {
  auto* module = new (std::nothrow) ProbeModule(callback);
  return module ? module->Record() : nullptr;
}
