#include "ox_sdk/OXModule_base.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "ox_sdk/contract_source.h"

namespace {

// The most pins an array may hold without its size overflowing.
constexpr std::size_t kMaxPins = PTRDIFF_MAX / sizeof(OXPin);

}  // namespace

// The two entries of the record: each finds its instance through the record
// and forwards. After MOD_CLOSE the dispatch entry destroys the instance.
extern "C" {

static int32_t OX_CDECL ModuleDispatchEntry(OXModuleRecord* record, int32_t opcode, int32_t index,
                                            int32_t value, void* ptr, float opt) {
  auto* module = static_cast<OXModule_base*>(record->object);
  const int32_t answer = module->Dispatch(static_cast<uint32_t>(opcode), index, value, ptr, opt);
  if (opcode != MOD_CLOSE) return answer;
  delete module;
  return 1;
}

static void OX_CDECL ModuleProcessEntry(OXModuleRecord* record, int32_t buffer_offset,
                                        int32_t sampleFrames) {
  static_cast<OXModule_base*>(record->object)->ProcessBlock(buffer_offset, sampleFrames);
}

}  // extern "C"

OXModule_base::OXModule_base(OXHostCallback callback)
    : m_process(&OXModule_base::DoNothing),
      m_callback(callback),
      m_sample_rate(44100.0f),
      m_block_size(1024),
      m_pins(nullptr),
      m_pin_count(0),
      m_sample_clock(0),
      m_events(nullptr),
      m_last_event(nullptr) {
  std::memset(&m_record, 0, sizeof m_record);
  m_record.magic = OX_RECORD_MAGIC;
  m_record.dispatch_entry = &ModuleDispatchEntry;
  m_record.object = this;
  m_record.version = 1;
  m_record.process_entry = &ModuleProcessEntry;
}

OXModule_base::~OXModule_base() {
  ReleaseEvents();
  ReleasePins();
}

void OXModule_base::DoNothing(int32_t, int32_t) {}

int32_t OXModule_base::Dispatch(uint32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  switch (opcode) {
    case MOD_OPEN:
      Open();
      return 0;
    case MOD_CLOSE:
      Close();
      return 0;
    case MOD_SET_SAMPLE_RATE:
      SetSampleRate(opt);
      return 0;
    case MOD_SET_BLOCK_SIZE:
      SetBlockSize(value);
      return 0;
    case MOD_QUERY_4:
      return Query4(ptr) ? 1 : 0;
    case MOD_QUERY_5:
      return Query5(ptr) ? 1 : 0;
    // A request without a record to fill or copy is refused.
    case MOD_GET_PIN_PROPERTIES:
      return ptr && GetPinProperties(index, static_cast<OXPinProperties*>(ptr)) ? 1 : 0;
    case MOD_ADD_EVENT:
      if (ptr) AddHostEvent(static_cast<const OXHostEvent*>(ptr));
      return 0;
    case MOD_RESYNC_CLOCK:
      ResyncClock();
      return 0;
    case MOD_GET_MODULE_PROPERTIES:
      return ptr && GetModuleProperties(static_cast<OXModuleProperties*>(ptr)) ? 1 : 0;
    case MOD_QUEUE_EMPTY:
      return m_events == nullptr ? 1 : 0;
    case MOD_QUERY_CONSTANT:
      return 1000;
    default:
      return 0;
  }
}

void OXModule_base::Open() {
  m_sample_clock = static_cast<uint32_t>(CallHost(HC_SAMPLE_CLOCK));
  CreatePins();
}

// One pin per host pin, bound as the module describes them. When the last
// description asks for it, it is repeated, without a variable, for every
// further pin. A second Open replaces the pins of the first; when the array
// cannot be allocated the instance keeps no pins at all.
void OXModule_base::CreatePins() {
  ReleasePins();
  const int32_t reported = static_cast<int32_t>(CallHost(HC_PIN_COUNT));
  const int32_t count = reported > 0 ? reported : 0;
  if (static_cast<std::size_t>(count) > kMaxPins) return;
  m_pins = new (std::nothrow) OXPin[count];
  if (!m_pins) return;
  m_pin_count = count;

  OXPinProperties description;
  int32_t n = 0;
  while (FetchPinProperties(n, &description) && n < count) {
    m_pins[n].Init(this, n, description.datatype, description.variable_address);
    ++n;
  }
  FetchPinProperties(n - 1, &description);
  if ((description.flags & IO_REPEAT_LAST) == 0) return;
  for (; n < count; ++n) m_pins[n].Init(this, n, description.datatype, nullptr);
}

void OXModule_base::ReleasePins() {
  delete[] m_pins;
  m_pins = nullptr;
  m_pin_count = 0;
}

void OXModule_base::Close() {}

void OXModule_base::SetSampleRate(float sample_rate) { m_sample_rate = sample_rate; }

void OXModule_base::SetBlockSize(int32_t block_size) { m_block_size = block_size; }

float OXModule_base::SampleRate() { return m_sample_rate; }

int32_t OXModule_base::BlockSize() { return m_block_size; }

void OXModule_base::OnPinStatusChange(OXPin&) {}

bool OXModule_base::GetModuleProperties(OXModuleProperties*) { return false; }

bool OXModule_base::GetPinProperties(int32_t, OXPinProperties*) { return false; }

bool OXModule_base::Query5(void*) { return false; }

bool OXModule_base::Query4(void*) { return false; }

void OXModule_base::OnDataEvent(uint32_t, int32_t, int16_t) {}

OXPin& OXModule_base::GetPin(int32_t index) {
  OX_CHECK(m_pins != nullptr, "m_pins != 0", kModuleBaseSource, 133);
  return m_pins[index];
}

intptr_t OXModule_base::CallHost(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
  return m_callback ? m_callback(&m_record, opcode, index, value, ptr, opt) : 0;
}

bool OXModule_base::FetchPinProperties(int32_t index, OXPinProperties* properties) {
  std::memset(properties, 0, sizeof *properties);
  return GetPinProperties(index, properties);
}
