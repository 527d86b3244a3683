#include "tests/host/fake_modules.h"

#include <cstring>

namespace oxtest {

FakeGeneration2* FakeGeneration2::last = nullptr;
FakeGeneration1* FakeGeneration1::last = nullptr;

namespace {

FakeGeneration2& Gen2(void* object) { return *static_cast<FakeGeneration2*>(object); }

intptr_t Ask(FakeGeneration2& module, int32_t opcode, int32_t index = 0) {
  return module.callback(&module.record, opcode, index, 0, nullptr, 0.0f);
}

void OX_CDECL Gen2Process(void* object, int32_t offset, int32_t count) {
  FakeGeneration2& module = Gen2(object);
  module.calls.push_back({offset, count, static_cast<int32_t>(Ask(module, ox2::HC_SAMPLE_CLOCK)), false});
  for (int32_t i = 0; i < count; ++i) module.out[offset + i] = module.level[offset + i] + module.mode;
}

void OX_CDECL Gen2Quiet(void* object, int32_t offset, int32_t count) {
  FakeGeneration2& module = Gen2(object);
  module.calls.push_back({offset, count, static_cast<int32_t>(Ask(module, ox2::HC_SAMPLE_CLOCK)), true});
  for (int32_t i = 0; i < count; ++i) module.out[offset + i] = 0.0f;
  Ask(module, ox2::HC_SLEEP);
}

void OX_CDECL Gen2Event(void* object, ox2::OxEvent* event) {
  FakeGeneration2& module = Gen2(object);
  int32_t clock = static_cast<int32_t>(Ask(module, ox2::HC_SAMPLE_CLOCK));
  int32_t start = static_cast<int32_t>(Ask(module, ox2::HC_BLOCK_START_CLOCK, 0));
  module.events.push_back({event->time_stamp, static_cast<int32_t>(event->target), event->value1, event->value2,
                           clock, module.mode, module.level[clock - start], module.calls.size()});
  if (event->target == 1) {
    ox2::OXProcessEntry wanted = module.mode == 7 ? Gen2Quiet : Gen2Process;
    if (module.record.process_entry != wanted) {
      module.record.process_entry = wanted;
      Ask(module, ox2::HC_PROCESS_CHANGED);
    }
  }
}

template <typename PinProperties>
void Describe(PinProperties& pin, void* variable, int32_t direction, int32_t datatype, const char* name,
              const char* default_value, const char* list, int32_t flags) {
  pin.variable_address = variable;
  pin.direction = direction;
  pin.datatype = datatype;
  pin.name = name;
  pin.default_value = default_value;
  pin.value_list = list;
  pin.flags = flags;
}

intptr_t OX_CDECL Gen2Dispatch(ox2::OXModuleRecord* record, int32_t opcode, int32_t index, int32_t, void* ptr,
                               float) {
  FakeGeneration2& module = Gen2(record->object);
  auto* pin = static_cast<ox2::OXPinProperties*>(ptr);
  switch (opcode) {
    case ox2::MOD_GET_PIN_PROPERTIES:
      switch (index) {
        case 0: Describe(*pin, &module.level, ox2::DR_IN, ox2::DT_FSAMPLE, "Level", "5", nullptr, 0); return 1;
        case 1: Describe(*pin, nullptr, ox2::DR_IN, ox2::DT_INT, "Panel", "0", nullptr, ox2::IO_UI_COMMUNICATION); return 1;
        case 2: Describe(*pin, &module.mode, ox2::DR_IN, ox2::DT_ENUM, "Mode", "1", "A,B,Quiet=7", 0); return 1;
        case 3: Describe(*pin, &module.out, ox2::DR_OUT, ox2::DT_FSAMPLE, "Out", nullptr, nullptr, 0); return 1;
        case 4: Describe(*pin, nullptr, ox2::DR_IN, ox2::DT_FSAMPLE, "Extra", "0", nullptr, ox2::IO_REPEAT_LAST); return 1;
        default: return 0;
      }
    case ox2::MOD_CLOSE:
      FakeGeneration2::last = nullptr;
      delete &module;
      return 1;
    default:
      return 0;
  }
}

FakeGeneration1& Gen1(ox1::OXModuleRecord* record) { return *static_cast<FakeGeneration1*>(record->object); }

void OX_CDECL Gen1Process(ox1::OXModuleRecord* record, int32_t offset, int32_t count) {
  FakeGeneration1& module = Gen1(record);
  module.calls.push_back({offset, count, 0, false});
  for (int32_t i = 0; i < count; ++i) module.out[offset + i] = module.in[offset + i] * module.gain[offset + i];
}

int32_t OX_CDECL Gen1Dispatch(ox1::OXModuleRecord* record, int32_t opcode, int32_t index, int32_t, void* ptr,
                              float) {
  FakeGeneration1& module = Gen1(record);
  switch (opcode) {
    case ox1::MOD_OPEN:
      module.open_clock = static_cast<int32_t>(module.callback(record, ox1::HC_SAMPLE_CLOCK, 0, 0, nullptr, 0.0f));
      module.pin_count = static_cast<int32_t>(module.callback(record, ox1::HC_PIN_COUNT, 0, 0, nullptr, 0.0f));
      return 0;
    case ox1::MOD_GET_MODULE_PROPERTIES: {
      auto* properties = static_cast<ox1::OXModuleProperties*>(ptr);
      properties->name = "Fake One";
      properties->id = "fake-one";
      properties->about = "records";
      return 1;
    }
    case ox1::MOD_GET_PIN_PROPERTIES: {
      auto* same = static_cast<ox1::OXPinProperties*>(ptr);
      switch (index) {
        case 0: Describe(*same, &module.in, ox2::DR_IN, ox2::DT_FSAMPLE, "In", "0", nullptr, 0x200); return 1;
        case 1: Describe(*same, &module.gain, ox2::DR_IN, ox2::DT_FSAMPLE, "Gain", "10", nullptr, 0); return 1;
        case 2: Describe(*same, &module.out, ox2::DR_OUT, ox2::DT_FSAMPLE, "Out", nullptr, nullptr, 0); return 1;
        case 3: Describe(*same, &module.unused, 3, ox2::DT_ENUM, "Switch", "0", "OFF,ON", 0); return 1;
        default: return 0;
      }
    }
    case ox1::MOD_ADD_EVENT: {
      auto* event = static_cast<ox1::OXHostEvent*>(ptr);
      module.events.push_back({static_cast<int32_t>(event->time_stamp), static_cast<int32_t>(event->target),
                               event->value1, event->value2, 0, 0, 0.0f, module.calls.size()});
      return 0;
    }
    case ox1::MOD_CLOSE:
      FakeGeneration1::last = nullptr;
      delete &module;
      return 1;
    default:
      return 0;
  }
}

}  // namespace

int32_t OX_CDECL FakeGeneration2Properties(int32_t index, ox2::OXModuleProperties* properties) {
  if (index != 0) return 0;
  properties->name = "Fake Two";
  properties->id = "fake-two";
  properties->about = "line one\nline two";
  properties->flags = 5;
  return 1;
}

void* OX_CDECL FakeGeneration2Make(int32_t index, int32_t subtype, ox2::OXHostCallback callback, void* handle) {
  if (index != 0 || subtype != ox2::OX_SUBTYPE_AUDIO) return nullptr;
  auto* module = new FakeGeneration2;
  module->callback = callback;
  module->record.magic = OX_RECORD_MAGIC;
  module->record.version = 1;
  module->record.host_handle = handle;
  module->record.object = module;
  module->record.dispatch_entry = Gen2Dispatch;
  module->record.process_entry = Gen2Process;
  module->record.event_entry = Gen2Event;
  FakeGeneration2::last = module;
  return &module->record;
}

ox1::OXModuleRecord* OX_CDECL FakeGeneration1Main(ox1::OXHostCallback callback) {
  auto* module = new FakeGeneration1;
  module->callback = callback;
  module->record.magic = OX_RECORD_MAGIC;
  module->record.dispatch_entry = Gen1Dispatch;
  module->record.object = module;
  module->record.version = 1;
  module->record.process_entry = Gen1Process;
  FakeGeneration1::last = module;
  return &module->record;
}

}  // namespace oxtest
