// The routines that do no chorus work: the bypass copy, the silence that
// zeroes one block of output, and doing nothing.
#include <algorithm>

#include "chorus/Module.h"

namespace chorus {

void Module::ProcessBypass(int32_t buffer_offset, int32_t count) {
  std::copy_n(m_in_l + buffer_offset, count, m_out_l + buffer_offset);
  std::copy_n(m_in_r + buffer_offset, count, m_out_r + buffer_offset);
}

// Counts down the samples still to be zeroed and switches to doing nothing
// at the end of the call in which the count runs out (kept at 0 once it has,
// so no block size can make it overflow).
void Module::ProcessSilence(int32_t buffer_offset, int32_t count) {
  std::fill_n(m_out_l + buffer_offset, count, 0.0f);
  std::fill_n(m_out_r + buffer_offset, count, 0.0f);
  m_silence_countdown = count < m_silence_countdown ? m_silence_countdown - count : 0;
  if (m_silence_countdown <= 0) m_process = Routine(&Module::ProcessNothing);
}

void Module::ProcessNothing(int32_t, int32_t) {}

}  // namespace chorus
