// Driving a generation-1 instance: everything goes through the record's
// dispatch entry, events included (sent ahead, queued by the module), and the
// process entry takes the record.
#include "host/description_records.h"
#include "host/host_side.h"
#include "host/module_boundary.h"

namespace oxhost {

namespace {

class Generation1Instance : public ModuleBoundary {
 public:
  explicit Generation1Instance(ox1::OXModuleRecord* record) : record_(record) {}

  int generation() const override { return 1; }
  const void* record() const override { return record_; }

  bool ReadModuleProperties(ModuleDescription& description, std::string&) override {
    ox1::OXModuleProperties properties{};
    if (Dispatch(ox1::MOD_GET_MODULE_PROPERTIES, 0, 0, &properties) != 0) {
      ReadModuleRecord(properties, description);
    }
    return true;
  }

  bool ReadPinDescription(int32_t index, PinDescription& pin) override {
    ox1::OXPinProperties properties{};
    if (Dispatch(ox1::MOD_GET_PIN_PROPERTIES, index, 0, &properties) == 0) return false;
    ReadPinRecord(index, properties, pin);
    return true;
  }

  bool KeepsPin(int32_t) const override { return true; }

  void SetSampleRate(float rate) override { Dispatch(ox1::MOD_SET_SAMPLE_RATE, 0, 0, nullptr, rate); }
  void SetBlockSize(int32_t size) override { Dispatch(ox1::MOD_SET_BLOCK_SIZE, 0, size, nullptr); }
  void Open() override { Dispatch(ox1::MOD_OPEN, 0, 0, nullptr); }
  void Close() override { Dispatch(ox1::MOD_CLOSE, 0, 0, nullptr); }

  bool SendsEventsAhead() const override { return true; }
  bool MaySleep() const override { return false; }
  bool HostWritesValues() const override { return false; }

  void SendPinEvent(int32_t clock, int32_t pin, int32_t status, int32_t value) override {
    ox1::OXHostEvent event{static_cast<uint32_t>(clock), ox1::EV_PIN_STATUS, status, value, pin};
    Dispatch(ox1::MOD_ADD_EVENT, 0, 0, &event);
  }

  void Process(int32_t offset, int32_t count) override { record_->process_entry(record_, offset, count); }
  void TakeProcessEntry() override {}

 private:
  int32_t Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt = 0.0f) {
    return record_->dispatch_entry(record_, opcode, index, value, ptr, opt);
  }

  ox1::OXModuleRecord* record_;
};

}  // namespace

std::unique_ptr<ModuleBoundary> CreateGeneration1Instance(ox1::OXMainEntry main_entry, std::string& error) {
  ox1::OXModuleRecord* record = main_entry(HostCallbackGen1);
  if (!record) {
    error = "the module created no instance ('main' answered null)";
    return nullptr;
  }
  if (record->magic != OX_RECORD_MAGIC || !record->dispatch_entry || !record->process_entry) {
    error = "'main' answered something that is no module record";
    return nullptr;
  }
  return std::make_unique<Generation1Instance>(record);
}

}  // namespace oxhost
