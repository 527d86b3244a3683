#include "chorus/wavetable.h"

#include <array>
#include <cmath>

namespace chorus {

namespace {

using Wavetable = std::array<int32_t, kWavetableEntries>;

// Slightly below 2π: the single-precision value with bit pattern 0x40C90FD8.
constexpr float kCycle = 6.283184f;
constexpr float kTriangleStep = 1.0f / kTableSize;

int32_t SineEntry(int32_t i) {
  const float x = static_cast<float>(i) * kCycle / static_cast<float>(kTableSize);
  return static_cast<int32_t>(kWaveAmplitude * std::sin(static_cast<double>(x)));
}

// The triangle is folded from a rising ramp; its phase steps are exact in
// single precision, so the entries come out exact.
int32_t TriangleEntry(float phase) {
  float t = 2.0f * phase;
  if (t > 0.5f) t = t > 1.5f ? t - 2.0f : 1.0f - t;
  return static_cast<int32_t>(t * 2.0f * kWaveAmplitude);
}

Wavetable BuildTable() {
  Wavetable table{};
  float triangle_phase = 0.0f;
  for (int32_t i = 0; i < kTableSize; ++i) {
    table[i] = SineEntry(i);
    table[kTableSize + i] = TriangleEntry(triangle_phase);
    triangle_phase += kTriangleStep;
    if (triangle_phase >= 1.0f) triangle_phase -= 1.0f;
  }
  return table;
}

}  // namespace

// Built once for the library, under the language's guarantee that a local
// static is initialised exactly once even when instances are opened on
// several threads at the same time; it lives until the library is unloaded.
const int32_t* ChorusWavetable() {
  static const Wavetable table = BuildTable();
  return table.data();
}

// Any wave value but the sine's 0 selects the triangle, so no value from the
// host can place a wave outside the table.
int32_t WaveBase(int16_t wave) { return wave == 0 ? 0 : kTableSize; }

}  // namespace chorus
