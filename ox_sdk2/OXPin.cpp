#include "ox_sdk2/OXPin.h"

#include <string.h>

#include "ox_sdk2/OXModule_base.h"

namespace {

const char kSource[] = "ox_sdk2/OXPin";

// Data types whose value the pin can hold itself when the module names no variable.
enum { DT_INT_WIDE = 8 };

}  // namespace

OXPin::OXPin() : m_variable(nullptr), m_module(nullptr), m_index(-1), m_status(PS_STATIC), m_datatype(-1) {
  memset(&m_value, 0, sizeof m_value);
}

OXPin::~OXPin() {}

void OXPin::Init(OXModule_base* module, int32_t number, int32_t datatype, void* variable_address) {
  m_module = module;
  m_index = number;
  m_datatype = datatype;
  m_variable = variable_address;
  m_status = PS_STATIC;
  if (variable_address != nullptr) {
    memset(&m_value, 0, sizeof m_value);
    return;
  }
  switch (datatype) {
    case DT_ENUM:
      m_value.enum_value = 0;
      break;
    case DT_BOOL:
      m_value.bool_value = 0;
      break;
    case DT_FSAMPLE:
      m_value.buffer = reinterpret_cast<float*>(m_module->CallHost(HC_PIN_BUFFER, m_index));
      break;
    case DT_INT:
    case DT_INT_WIDE:
      m_value.int_value = 0;
      break;
    default:
      return;  // no value of its own: such a pin has a value only through a module variable
  }
  m_variable = &m_value;
}

void OXPin::OnStatusChange(int32_t status) {
  m_status = status;
  if (m_module != nullptr) m_module->OnPinStatusChange(this);
  if (status == PS_ONE_CHANGE) m_status = PS_STATIC;
}

intptr_t OXPin::SendStatus(int32_t clock, int32_t status) {
  if (m_module == nullptr) return 0;
  return m_module->CallHost(HC_SEND_PIN_STATUS, m_index, status, reinterpret_cast<void*>(static_cast<intptr_t>(clock)));
}

float OXPin::CurrentSample() {
  OX_CHECK(m_datatype == DT_FSAMPLE, "m_datatype == DT_FSAMPLE", kSource, 125);
  const int32_t buffer_start = static_cast<int32_t>(m_module->CallHost(HC_BLOCK_START_CLOCK, m_index));
  const int32_t now = m_module->SampleClock();
  return (*static_cast<float**>(m_variable))[now - buffer_start];
}

uint32_t OXPin::OwnValueBits() const {
  uint32_t bits;
  memcpy(&bits, m_value.bytes, sizeof bits);
  return bits;
}
