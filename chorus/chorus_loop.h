// The chorus proper, one sample at a time: each input goes into its delay
// line, two voices read both lines at modulated delays, and the voices are
// mixed, spread over the outputs and added to the dry input.
#pragma once

#include <cstdint>

#include "chorus/delay_line.h"
#include "chorus/lfo.h"

namespace chorus {

// The pins a stretch reads and writes, each from the stretch's first sample.
struct ChorusPins {
  const float* in_l;
  const float* in_r;
  const float* voice_mix;
  const float* spread;
  const float* max_delay1;
  const float* pre_delay1;
  const float* max_delay2;
  const float* pre_delay2;
  const float* wet;
  const float* dry;
  const float* rate1;
  const float* rate2;
  const float* rate3;
  float* out_l;
  float* out_r;
};

// The delay lines and where they are written next, kept in locals while a
// stretch runs.
struct ChorusLines {
  DelayLines lines;
  float delay_scale;  // delay-line samples per unit of a delay pin
  uint32_t write_index;
};

struct LfoValues {
  float l1;  // sweeps voice 1's delay
  float l2;  // sweeps voice 2's delay
  float l3;  // pans the voices
};

// The three internal LFOs, run on local copies of their state; each reads
// its own wave.
struct InternalLfos {
  Lfo lfo1;
  Lfo lfo2;
  Lfo lfo3;
  const int32_t* table;
  const int32_t* wave1;
  const int32_t* wave2;
  const int32_t* wave3;

  InternalLfos(const int32_t* table, const Lfo& a, const Lfo& b, const Lfo& c)
      : lfo1(a), lfo2(b), lfo3(c), table(table), wave1(table + a.wave_base), wave2(table + b.wave_base),
        wave3(table + c.wave_base) {}

  LfoValues Next(int32_t, float spread) {
    return {SweepValue(lfo1.Step(wave1)), SweepValue(lfo2.Step(wave2)), PanValue(lfo3.Step(wave3), spread)};
  }
};

// The three Rate pins as modulation signals: a signal from −0.5 to +0.5
// covers the internal ranges (LFO 3's at Spread 1.0); Spread does not scale it.
inline LfoValues ExternalValues(const ChorusPins& pins, int32_t i) {
  return {pins.rate1[i] + 0.5f, pins.rate2[i] + 0.5f, pins.rate3[i] * 2.0f};
}

struct ExternalSources {
  ChorusPins pins;

  LfoValues Next(int32_t i, float) { return ExternalValues(pins, i); }
};

// Sample i of the stretch, given its LFO values. The input is written before
// the voices read, so a delay of 0 reads it. Always inlined: it is the body of
// the per-sample loop, and the loop's state must stay in registers.
[[gnu::always_inline]] inline void ChorusSample(const ChorusPins& pins, int32_t i, ChorusLines& state, const LfoValues& lfo) {
  const float mix = pins.voice_mix[i];
  const float c = 1.0f - pins.spread[i];
  const uint32_t w = state.write_index;
  const float input_l = pins.in_l[i];
  const float input_r = pins.in_r[i];
  state.lines.left(w) = input_l;
  state.lines.right(w) = input_r;
  const float r1 = ReadPosition(w, DelaySamples(pins.max_delay1[i], lfo.l1, pins.pre_delay1[i], state.delay_scale));
  const float r2 = ReadPosition(w, DelaySamples(pins.max_delay2[i], lfo.l2, pins.pre_delay2[i], state.delay_scale));
  state.write_index = (w + 1) & kDelayMask;

  const StereoSample v1 = ReadVoice(state.lines, r1, 1.0f - mix);
  const StereoSample v2 = ReadVoice(state.lines, r2, mix);
  const float p = 1.0f - lfo.l3;
  pins.out_l[i] = OutputSample(v1.left, v2.left, lfo.l3, p, c, pins.wet[i], pins.dry[i], input_l);
  pins.out_r[i] = OutputSample(v1.right, v2.right, p, lfo.l3, c, pins.wet[i], pins.dry[i], input_r);
}

// Samples `begin` to `end` − 1 of the stretch, the LFO values from
// `modulation` sample by sample. The pins, the lines' state and the
// modulation's state are worked on as locals and stored back at the end.
template <class Modulation>
void RunChorusLoop(const ChorusPins& pins, int32_t begin, int32_t end, ChorusLines& state, Modulation& modulation) {
  const ChorusPins p = pins;
  ChorusLines lines = state;
  Modulation values = modulation;
  for (int32_t i = begin; i < end; ++i) ChorusSample(p, i, lines, values.Next(i, p.spread[i]));
  state = lines;
  modulation = values;
}

}  // namespace chorus
