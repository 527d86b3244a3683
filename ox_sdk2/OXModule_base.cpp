#include "ox_sdk2/OXModule_base.h"

#include <string.h>

#include <new>

namespace {

const char kSource[] = "ox_sdk2/OXModule_base";

// The interface's one answer record for MOD_GET_PROCESS_INFO, shared by every
// instance of the library; each such call rewrites it.
OXProcessFunctionInfo process_info;

// What runs until the module installs a process function of its own.
void OX_CDECL DoNothingProcess(void*, int32_t, int32_t) {}

void OX_CDECL EventEntry(void* object, OxEvent* e) { static_cast<OXModule_base*>(object)->HandleEvent(e); }

intptr_t OX_CDECL DispatchEntry(OXModuleRecord* record, int32_t opcode, int32_t index, int32_t value, void* ptr,
                                float opt) {
  return static_cast<OXModule_base*>(record->object)->Dispatch(opcode, index, value, ptr, opt);
}

// The patch-store rule: a stored pin is an output, or an input private to the
// module or belonging to the GUI side.
bool KeepsPatchStoreRule(const OXPinProperties& pin) {
  return (pin.flags & IO_PATCH_STORE) == 0 || (pin.flags & IO_PRIVATE) != 0 || pin.direction == DR_OUT ||
         (pin.flags & IO_UI_COMMUNICATION) != 0;
}

// GUI-only descriptions get no audio-side pin and no pin number.
bool IsGuiOnly(const OXPinProperties& pin) {
  return (pin.flags & IO_UI_COMMUNICATION) != 0 && (pin.flags & IO_UI_ALSO_AUDIO) == 0;
}

bool SameFunction(const OXProcessFunction& a, const OXProcessFunction& b) {
  return a.code == b.code && a.word1 == b.word1 && a.word2 == b.word2;
}

}  // namespace

// One handler per dispatcher opcode 0 to 13.
struct OXModule_base::OpcodeTable {
  typedef intptr_t (*Handler)(OXModule_base& module, int32_t index, int32_t value, void* ptr, float opt);
  static const Handler kHandlers[14];

  static intptr_t Nothing(OXModule_base&, int32_t, int32_t, void*, float) { return 0; }
  static intptr_t Open(OXModule_base& module, int32_t, int32_t, void*, float) {
    module.Open();
    return 0;
  }
  static intptr_t Close(OXModule_base& module, int32_t, int32_t, void*, float) {
    module.Close();
    delete &module;
    return 1;
  }
  static intptr_t SetSampleRate(OXModule_base& module, int32_t, int32_t, void*, float opt) {
    module.SetSampleRate(opt);
    return 0;
  }
  static intptr_t SetBlockSize(OXModule_base& module, int32_t, int32_t value, void*, float) {
    module.SetBlockSize(value);
    return 0;
  }
  // A null record has nowhere to take a description: refused with 0.
  static intptr_t GetPinProperties(OXModule_base& module, int32_t index, int32_t, void* ptr, float) {
    if (ptr == nullptr) return 0;
    const bool described = module.GetPinProperties(index, static_cast<OXPinProperties*>(ptr));
    OX_CHECK(KeepsPatchStoreRule(*static_cast<OXPinProperties*>(ptr)),
             "(((OXPinProperties*)ptr)->flags & IO_PATCH_STORE) == 0 || (((OXPinProperties*)ptr)->flags & "
             "IO_PRIVATE) != 0 || ((OXPinProperties*)ptr)->direction == DR_OUT || ( ( "
             "(OXPinProperties*)ptr)->flags & IO_UI_COMMUNICATION) != 0",
             kSource, 80);
    return described ? 1 : 0;
  }
  static intptr_t Opcode7(OXModule_base&, int32_t, int32_t, void*, float) {
    OX_CHECK(false, "false", kSource, 99);
    return 0;
  }
  static intptr_t Notify(OXModule_base& module, int32_t index, int32_t, void*, float) {
    module.OnNotify();
    if (index > 0) module.OnNotifyCount(index);
    return 0;
  }
  static intptr_t Opcode10(OXModule_base&, int32_t, int32_t, void*, float) {
    OX_CHECK(false, "false", kSource, 119);
    return 0;
  }
  static intptr_t Request(OXModule_base& module, int32_t index, int32_t value, void* ptr, float) {
    module.OnRequest(value, index, ptr);
    return 0;
  }
  static intptr_t GetProcessInfo(OXModule_base& module, int32_t, int32_t, void*, float) {
    process_info.kind = 1;
    process_info.size = sizeof(OXProcessFunction);
    process_info.function = &module.m_process;
    process_info.reserved = 0;
    return reinterpret_cast<intptr_t>(&process_info);
  }
};

const OXModule_base::OpcodeTable::Handler OXModule_base::OpcodeTable::kHandlers[14] = {
    Open,     Close,   SetSampleRate, SetBlockSize, Nothing, Nothing, GetPinProperties,
    Opcode7,  Notify,  Nothing,       Opcode10,     Nothing, Request, GetProcessInfo};

OXModule_base::OXModule_base(OXHostCallback callback, void* host_handle)
    : m_callback(callback), m_pins(nullptr), m_pin_count(0) {
  memset(&m_record, 0, sizeof m_record);
  m_record.magic = OX_RECORD_MAGIC;
  m_record.version = 1;
  m_process.code = DoNothingProcess;
  m_process.word1 = 0;
  m_process.word2 = 0;
  m_record.process_entry = m_process.code;
  m_record.event_entry = EventEntry;
  m_record.dispatch_entry = DispatchEntry;
  m_record.host_handle = host_handle;
  m_record.object = this;
  m_sample_rate = 44100.0f;
  m_block_size = 1024;
}

OXModule_base::~OXModule_base() { delete[] m_pins; }

void OXModule_base::OnPinStatusChange(OXPin*) {}

void OXModule_base::HandleEvent(OxEvent* e) {
  OX_CHECK(e->time_stamp == SampleClock(), "e->time_stamp == SampleClock()", kSource, 276);
  switch (e->event_type) {
    case EV_PIN_STATUS:
      // A target that names none of this instance's pins is ignored: it must
      // not reach memory beyond the pin array.
      if (m_pins != nullptr && !HoldsPinNumber(e->target)) return;
      GetPin(static_cast<int32_t>(e->target))->OnStatusChange(e->value1);
      return;
    case EV_DATA:
      OnDataEvent(e->time_stamp, e->value1, static_cast<uint16_t>(e->value2 & 0xFFFF));
      return;
    case EV_MODULE_CALL:
      // A null function address names no function: nothing to call.
      if (e->target != 0) reinterpret_cast<OXModuleCall>(e->target)(this);
      return;
    default:
      return;
  }
}

intptr_t OXModule_base::Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  const uint32_t slot = static_cast<uint32_t>(opcode);
  if (slot >= sizeof OpcodeTable::kHandlers / sizeof OpcodeTable::kHandlers[0]) return 0;
  return OpcodeTable::kHandlers[slot](*this, index, value, ptr, opt);
}

void OXModule_base::Open() { CreatePins(); }

void OXModule_base::Close() {}

void OXModule_base::SetSampleRate(float sample_rate) { m_sample_rate = sample_rate; }

void OXModule_base::SetBlockSize(int32_t block_size) { m_block_size = block_size; }

float OXModule_base::SampleRate() { return m_sample_rate; }

int32_t OXModule_base::BlockSize() { return m_block_size; }

bool OXModule_base::GetPinProperties(int32_t, OXPinProperties*) { return false; }

void OXModule_base::OnNotify() {}

void OXModule_base::OnNotifyCount(int32_t) {}

void OXModule_base::OnDataEvent(int32_t, int32_t, uint16_t) {}

void OXModule_base::OnRequest(int32_t, int32_t, void*) {}

intptr_t OXModule_base::CallHost(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  if (m_callback == nullptr) return 0;
  return m_callback(&m_record, opcode, index, value, ptr, opt);
}

int32_t OXModule_base::SampleClock() { return static_cast<int32_t>(CallHost(HC_SAMPLE_CLOCK)); }

OXPin* OXModule_base::GetPin(int32_t number) {
  OX_CHECK(m_pins != 0, "m_pins != 0", kSource, 150);
  return &m_pins[number];
}

void OXModule_base::SetProcessFunction(OXProcessFunction function) {
  if (SameFunction(function, m_process)) return;
  m_process = function;
  m_record.process_entry = m_process.code;
  CallHost(HC_PROCESS_CHANGED);
}

bool OXModule_base::HoldsPinNumber(intptr_t number) const { return number >= 0 && number < m_pin_count; }

// Binds one pin per host pin number to the module's descriptions, skipping
// GUI-only ones; a last description marked IO_REPEAT_LAST is repeated for the
// remaining numbers, each repeat with a value cell of its own. Should the pin
// array not be allocated, the instance goes on without pins. Opening again
// replaces the pins rather than losing the old array.
void OXModule_base::CreatePins() {
  delete[] m_pins;
  m_pins = nullptr;
  m_pin_count = 0;
  const int32_t count = static_cast<int32_t>(CallHost(HC_PIN_COUNT));
  if (count > 0) {
    m_pins = new (std::nothrow) OXPin[count];
    if (m_pins != nullptr) m_pin_count = count;
  }

  OXPinProperties description;
  int32_t pin = 0;
  int32_t walked = 0;
  for (;;) {
    memset(&description, 0, sizeof description);
    if (!GetPinProperties(walked, &description)) break;
    if (pin >= m_pin_count) break;
    if (!IsGuiOnly(description)) {
      m_pins[pin].Init(this, pin, description.datatype, description.variable_address);
      ++pin;
    }
    ++walked;
  }
  if (walked == 0) return;

  memset(&description, 0, sizeof description);
  GetPinProperties(walked - 1, &description);
  if (IsGuiOnly(description) || (description.flags & IO_REPEAT_LAST) == 0) return;
  for (; pin < m_pin_count; ++pin) m_pins[pin].Init(this, pin, description.datatype, nullptr);
}
