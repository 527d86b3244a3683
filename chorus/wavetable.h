// The LFO wavetable every chorus instance reads: one cycle of a sine followed
// by one cycle of a triangle, both starting at 0 and rising first, with
// amplitude 16384.
#pragma once

#include <cstdint>

namespace chorus {

constexpr int32_t kTableSize = 8192;  // entries per wave
constexpr int32_t kWavetableEntries = 2 * kTableSize;
constexpr int32_t kWaveAmplitude = 16384;

// The table, built on first use and never changed or released while the
// library is loaded, so any instance may keep and read the pointer on any
// thread.
const int32_t* ChorusWavetable();

// Where a wave starts in the table: 0 for the sine, kTableSize for the
// triangle.
int32_t WaveBase(int16_t wave);

}  // namespace chorus
