#include "ox_sdk/OXPin.h"

#include <cstring>

#include "ox_sdk/OXModule_base.h"

void OXPin::Init(OXModule_base* module, int32_t index, int32_t datatype, void* variable) {
  m_module = module;
  m_index = index;
  m_datatype = datatype;
  m_variable = variable;
  m_status = PS_STATIC;
  m_value = Store{};
  if (variable) return;
  switch (datatype) {
    case DT_FSAMPLE:
      m_value.buffer = reinterpret_cast<float*>(module->CallHost(HC_PIN_BUFFER, index));
      m_variable = &m_value;
      break;
    case DT_ENUM:
    case DT_BOOL:
    case DT_INT:
      m_variable = &m_value;
      break;
    default:
      break;
  }
}

intptr_t OXPin::SendStatus(uint32_t sample_clock, int32_t status) {
  return m_module->CallHost(HC_SEND_PIN_STATUS, m_index, status,
                            reinterpret_cast<void*>(static_cast<uintptr_t>(sample_clock)));
}

void OXPin::OnStatusChange(int32_t status, int32_t value) {
  m_status = status;
  if (!m_module) return;
  WriteValue(value);
  m_module->OnPinStatusChange(*this);
  if (m_status == PS_ONE_CHANGE) m_status = PS_STATIC;
}

// Writes the value in the width of the pin's data type; audio pins take no
// value from events, and a host-owned value goes back to the host.
void OXPin::WriteValue(int32_t value) {
  switch (m_datatype) {
    case DT_ENUM: {
      const int16_t low_bits = static_cast<int16_t>(value & 0xFFFF);
      std::memcpy(m_variable, &low_bits, sizeof low_bits);
      break;
    }
    case DT_HOST_VALUE:
      m_module->CallHost(HC_SET_PIN_VALUE, m_index, value);
      break;
    case DT_BOOL: {
      const uint8_t flag = value != 0 ? 1 : 0;
      std::memcpy(m_variable, &flag, sizeof flag);
      break;
    }
    case DT_INT:
      std::memcpy(m_variable, &value, sizeof value);
      break;
    default:
      break;
  }
}

float OXPin::CurrentSample() const {
  if (!m_module || !m_variable) return 0.0f;
  float* buffer;
  std::memcpy(&buffer, m_variable, sizeof buffer);
  if (!buffer) return 0.0f;
  const auto block_start = static_cast<uint32_t>(m_module->CallHost(HC_BLOCK_START_CLOCK, m_index));
  return buffer[m_module->SampleClock() - block_start];
}
