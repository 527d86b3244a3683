// Driving a generation-2 instance: control through the record's dispatch
// entry, each event through its event entry at the event's own sample clock,
// and processing through the process entry the module last announced.
#include "host/description_records.h"
#include "host/host_side.h"
#include "host/module_boundary.h"

namespace oxhost {

namespace {

class Generation2Instance : public ModuleBoundary {
 public:
  Generation2Instance(ox2::OXGetModulePropertiesEntry get_properties, ox2::OXModuleRecord* record)
      : get_properties_(get_properties), record_(record), process_(record->process_entry) {}

  int generation() const override { return 2; }
  const void* record() const override { return record_; }

  bool ReadModuleProperties(ModuleDescription& description, std::string& error) override {
    ox2::OXModuleProperties properties{};
    if (get_properties_(0, &properties) == 0) {
      error = "'getModuleProperties' refused module type 0";
      return false;
    }
    ReadModuleRecord(properties, description);
    return true;
  }

  bool ReadPinDescription(int32_t index, PinDescription& pin) override {
    ox2::OXPinProperties properties{};
    if (Dispatch(ox2::MOD_GET_PIN_PROPERTIES, index, 0, &properties) == 0) return false;
    ReadPinRecord(index, properties, pin);
    return true;
  }

  // GUI-only descriptions get no pin number on the audio side.
  bool KeepsPin(int32_t flags) const override {
    return (flags & ox2::IO_UI_COMMUNICATION) == 0 || (flags & ox2::IO_UI_ALSO_AUDIO) != 0;
  }

  void SetSampleRate(float rate) override { Dispatch(ox2::MOD_SET_SAMPLE_RATE, 0, 0, nullptr, rate); }
  void SetBlockSize(int32_t size) override { Dispatch(ox2::MOD_SET_BLOCK_SIZE, 0, size, nullptr); }
  void Open() override { Dispatch(ox2::MOD_OPEN, 0, 0, nullptr); }
  void Close() override { Dispatch(ox2::MOD_CLOSE, 0, 0, nullptr); }

  bool SendsEventsAhead() const override { return false; }
  bool MaySleep() const override { return true; }
  bool HostWritesValues() const override { return true; }

  void SendPinEvent(int32_t clock, int32_t pin, int32_t status, int32_t) override {
    ox2::OxEvent event{clock, ox2::EV_PIN_STATUS, status, 0, pin};
    record_->event_entry(record_->object, &event);
  }

  void Process(int32_t offset, int32_t count) override { process_(record_->object, offset, count); }
  void TakeProcessEntry() override { process_ = record_->process_entry; }

 private:
  intptr_t Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt = 0.0f) {
    return record_->dispatch_entry(record_, opcode, index, value, ptr, opt);
  }

  ox2::OXGetModulePropertiesEntry get_properties_;
  ox2::OXModuleRecord* record_;
  ox2::OXProcessEntry process_;
};

}  // namespace

std::unique_ptr<ModuleBoundary> CreateGeneration2Instance(ox2::OXGetModulePropertiesEntry get_properties,
                                                          ox2::OXMakeModuleEntry make_module,
                                                          std::string& error) {
  auto* record =
      static_cast<ox2::OXModuleRecord*>(make_module(0, ox2::OX_SUBTYPE_AUDIO, HostCallbackGen2, nullptr));
  if (!record) {
    error = "the module created no instance ('makeModule' answered null)";
    return nullptr;
  }
  if (record->magic != OX_RECORD_MAGIC || !record->dispatch_entry || !record->process_entry ||
      !record->event_entry) {
    error = "'makeModule' answered something that is no module record";
    return nullptr;
  }
  return std::make_unique<Generation2Instance>(get_properties, record);
}

}  // namespace oxhost
