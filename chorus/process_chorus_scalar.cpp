// The chorus routines as the plain per-sample loop: every sample steps the
// LFOs (or reads the external sources) and runs the chorus formula.
#include "chorus/Module.h"

namespace chorus {

// The increments follow the Rate pins once per call, at its first sample.
void Module::ProcessChorus(int32_t buffer_offset, int32_t count) {
  const ChorusPins pins = PinsAt(buffer_offset);
  ChorusLines lines = Lines();
  InternalLfos lfos = LfosFollowingRates(pins);
  RunChorusLoop(pins, 0, count, lines, lfos);
  m_write_index = lines.write_index;
  KeepLfos(lfos);
}

// The LFO phases stand still meanwhile.
void Module::ProcessExternal(int32_t buffer_offset, int32_t count) {
  const ChorusPins pins = PinsAt(buffer_offset);
  ChorusLines lines = Lines();
  ExternalSources sources{pins};
  RunChorusLoop(pins, 0, count, lines, sources);
  m_write_index = lines.write_index;
}

}  // namespace chorus
