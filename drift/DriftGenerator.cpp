#include <math.h>
#include <stdint.h>

#include <atomic>

#include "drift/DriftRandom.h"
#include "drift/FloatBits.h"
#include "drift/Module.h"

namespace {

const uint32_t kMultiplier = 196314165u;
const uint32_t kIncrement = 907633515u;
// The scale factor, the float with bit pattern 0x2CF5C28F (0.015f / 2^31),
// split into its 24-bit significand and power of two so that the product with
// the state is formed exactly and rounded to float once.
const uint32_t kScaleBits = 0x2CF5C28Fu;
const int64_t kScaleSignificand = (kScaleBits & 0x7FFFFFu) | 0x800000u;
const int kScaleExponent = static_cast<int>((kScaleBits >> 23) & 0xFFu) - 127 - 23;

// One sequence for the whole library, never reset. Instances on different
// threads advance it one step each without losing or repeating a step.
std::atomic<uint32_t> drift_random_state{164418u};

// `remaining` less `count`, held at the ends of the 32-bit range so that a
// countdown that has run out stays run out however long the calls go on.
int32_t CountDown(int32_t remaining, int32_t count) {
  const int64_t next = static_cast<int64_t>(remaining) - count;
  if (next < INT32_MIN) return INT32_MIN;
  if (next > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(next);
}

}  // namespace

float DriftRandom() {
  uint32_t state = drift_random_state.load(std::memory_order_relaxed);
  uint32_t next;
  do {
    next = state * kMultiplier + kIncrement;
  } while (!drift_random_state.compare_exchange_weak(state, next, std::memory_order_relaxed));
  const int64_t exact_product = static_cast<int64_t>(static_cast<int32_t>(next)) * kScaleSignificand;
  return ldexpf(static_cast<float>(exact_product), kScaleExponent);
}

void Module::ProcessDrift(int32_t offset, int32_t count) {
  if (!HasZeroBits(m_depth_flag)) {
    m_sample_count += static_cast<uint32_t>(count);
    if (m_sample_count >= m_samples_per_target) DrawTarget(m_depth_in[offset]);
    StepTowardTarget();
    if (++m_update_count >= m_update_rate) Publish();
  }
  if (m_fill_countdown >= 0) {
    m_fill_countdown = CountDown(m_fill_countdown, count);
    WriteOutput(offset, count, m_held);
  }
}

void Module::ProcessIdle(int32_t offset, int32_t count) {
  m_fill_countdown = CountDown(m_fill_countdown, count);
  if (m_fill_countdown <= 0) CallHost(HC_SLEEP);
  WriteOutput(offset, count, 0.0f);
}

// Samples beyond the interval are dropped. Without a whole block in the
// interval the whole distance is one step. A depth that is no finite number
// counts as 0.0: an infinite or NaN target would leave the value non-finite
// for good, since every later step starts from it.
void Module::DrawTarget(float depth) {
  m_sample_count = 0;
  if (!isfinite(depth)) depth = 0.0f;
  m_target = static_cast<float>(static_cast<double>(DriftRandom()) * depth);
  const double distance = fabs(static_cast<double>(m_target) - m_current);
  m_step = static_cast<float>(m_blocks_per_target > 0 ? distance / m_blocks_per_target : distance);
}

// One step toward the target, never past it.
void Module::StepTowardTarget() {
  if (m_current < m_target) {
    m_current += m_step;
    if (m_current > m_target) m_current = m_target;
  } else {
    m_current -= m_step;
    if (m_current < m_target) m_current = m_target;
  }
}

void Module::Publish() {
  m_update_count = 0;
  m_held = m_current;
  ReportOutput();
  m_fill_countdown = static_cast<int32_t>(m_open_block_size);
}

void Module::WriteOutput(int32_t offset, int32_t count, float value) {
  if (m_drift_out == nullptr) return;
  float* out = m_drift_out + offset;
  for (int32_t i = 0; i < count; ++i) out[i] = value;
}
