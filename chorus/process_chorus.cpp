// The chorus routines, several samples at a time: the LFO values of up to
// kLfoBlockLength samples are worked out first, then the chorus runs on them,
// with the kernels chosen for this processor.
#include <algorithm>

#include "chorus/Module.h"
#include "chorus/chorus_vector.h"

namespace chorus {

// The increments follow the Rate pins once per call, at its first sample.
void Module::ProcessChorus(int32_t buffer_offset, int32_t count) {
  const ChorusPins pins = PinsAt(buffer_offset);
  ChorusLines lines = Lines();
  InternalLfos lfos = LfosFollowingRates(pins);
  const ChorusKernels& kernels = kFastestKernels;
  LfoBlock block;
  for (int32_t begin = 0; begin < count; begin += kLfoBlockLength) {
    const int32_t length = std::min(kLfoBlockLength, count - begin);
    kernels.internal_lfos(lfos, m_lfo_segments, pins.spread + begin, length, block);
    kernels.run_block(pins, begin, length, lines, block);
  }
  m_write_index = lines.write_index;
  KeepLfos(lfos);
}

// The LFO phases stand still meanwhile.
void Module::ProcessExternal(int32_t buffer_offset, int32_t count) {
  const ChorusPins pins = PinsAt(buffer_offset);
  ChorusLines lines = Lines();
  const ChorusKernels& kernels = kFastestKernels;
  LfoBlock block;
  for (int32_t begin = 0; begin < count; begin += kLfoBlockLength) {
    const int32_t length = std::min(kLfoBlockLength, count - begin);
    kernels.external_lfos(pins, begin, length, block);
    kernels.run_block(pins, begin, length, lines, block);
  }
  m_write_index = lines.write_index;
}

}  // namespace chorus
