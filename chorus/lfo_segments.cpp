#include "chorus/lfo_segments.h"

#include <array>

#include "chorus/lfo.h"
#include "chorus/wavetable.h"

namespace chorus {

namespace {

using Segments = std::array<int32_t, kWavetableEntries>;

Segments BuildSegments() {
  const int32_t* table = ChorusWavetable();
  Segments segments{};
  for (int32_t base = 0; base < kWavetableEntries; base += kTableSize) {
    const int32_t* wave = table + base;
    for (int32_t k = 0; k < kTableSize; ++k) {
      const int32_t step = wave[(k + 1) & kWaveIndexMask] - wave[k];
      segments[base + k] = static_cast<int32_t>((static_cast<uint32_t>(step) << 16) |
                                                (static_cast<uint32_t>(wave[k]) & 0xFFFFu));
    }
  }
  return segments;
}

}  // namespace

const int32_t* LfoSegments() {
  static const Segments segments = BuildSegments();
  return segments.data();
}

}  // namespace chorus
