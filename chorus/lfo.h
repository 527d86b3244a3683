// The chorus LFOs: 27-bit phase accumulators that read a wave of the shared
// wavetable with integer linear interpolation between neighbouring entries.
#pragma once

#include <cmath>
#include <cstdint>

#include "chorus/delay_line.h"
#include "chorus/wavetable.h"

namespace chorus {

constexpr uint32_t kPhaseMask = 0x7FFFFFF;  // one LFO cycle is 2^27 phase units
constexpr int kFractionBits = 14;           // bits 0..13: fraction between entries
constexpr int32_t kFractionMask = 0x3FFF;
constexpr int32_t kWaveIndexMask = kTableSize - 1;

struct Lfo {
  int32_t phase = 0;      // 0 to 0x7FFFFFF
  int32_t increment = 0;  // phase units per sample; negative runs backwards
  int32_t wave_base = 0;  // where the LFO's wave starts in the table

  // The wave value at the current phase (−16384 to 16384), then the phase
  // moves on by one sample. `wave` is the table from this LFO's wave base on;
  // the entry after a wave's last is its first.
  int32_t Step(const int32_t* wave) {
    const auto old = static_cast<uint32_t>(phase);
    phase = static_cast<int32_t>((old + static_cast<uint32_t>(increment)) & kPhaseMask);
    const int32_t k = static_cast<int32_t>(old >> kFractionBits);
    const int32_t n = (k + 1) & kWaveIndexMask;
    const int32_t f = static_cast<int32_t>(old) & kFractionMask;
    const int32_t q = (wave[n] - wave[k]) * f / (kFractionMask + 1);
    return wave[k] + q;
  }
};

// LFO 1 and LFO 2 sweep a voice's delay: 0.0 to 1.0.
inline float SweepValue(int32_t w) { return static_cast<float>(w + kWaveAmplitude) * 0x1p-15f; }

// LFO 3 pans the voices: −spread to +spread.
inline float PanValue(int32_t w, float spread) { return static_cast<float>(w) * 0x1p-14f * spread; }

// Phase units per sample for a Rate value of 1.0: a Rate value v stands for
// 10 × v Hz, so this is 10 × 2^27 ÷ sample rate.
inline float PhaseScale(float sample_rate) {
  return static_cast<float>(static_cast<double>(kTableSize) / sample_rate * 10.0 * 16384.0);
}

// The increment for a Rate value: the product rounded toward minus infinity.
// A product that a 32-bit increment cannot hold runs at the nearest one it
// can, and a NaN rate holds the LFO, so no conversion is ever undefined.
inline int32_t IncrementFromRate(float rate, float phase_scale) {
  constexpr float kLowest = -2147483648.0f;
  constexpr float kHighest = 2147483520.0f;  // the largest float below 2^31
  float product = rate * phase_scale;
  if (std::isnan(product)) return 0;
  if (product < kLowest) product = kLowest;
  if (product > kHighest) product = kHighest;
  return FloorToInt(product);
}

}  // namespace chorus
