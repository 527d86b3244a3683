// The chorus proper: each input goes into its delay line, two voices read
// both lines at modulated delays, and the voices are mixed, spread over the
// outputs and added to the dry input.
#include "chorus/Module.h"

namespace chorus {

namespace {

struct LfoValues {
  float l1;  // sweeps voice 1's delay
  float l2;  // sweeps voice 2's delay
  float l3;  // pans the voices
};

// The three internal LFOs, run on local copies of their state.
struct InternalLfos {
  const int32_t* table;
  Lfo lfo1;
  Lfo lfo2;
  Lfo lfo3;

  LfoValues Next(int32_t, float spread) {
    return {SweepValue(lfo1.Step(table)), SweepValue(lfo2.Step(table)), PanValue(lfo3.Step(table), spread)};
  }
};

// The three Rate pins as modulation signals: a signal from −0.5 to +0.5
// covers the internal ranges (LFO 3's at Spread 1.0); Spread does not scale it.
struct ExternalSources {
  const float* rate1;
  const float* rate2;
  const float* rate3;

  LfoValues Next(int32_t i, float) { return {rate1[i] + 0.5f, rate2[i] + 0.5f, rate3[i] * 2.0f}; }
};

}  // namespace

template <class Modulation>
void Module::RunChorus(int32_t buffer_offset, int32_t count, Modulation& modulation) {
  const DelayLines lines{m_delay_l, m_delay_r};
  const float delay_scale = m_delay_scale;
  uint32_t write_index = m_write_index;
  const float* in_l = m_in_l + buffer_offset;
  const float* in_r = m_in_r + buffer_offset;
  const float* voice_mix = m_voice_mix + buffer_offset;
  const float* spread = m_spread + buffer_offset;
  const float* max_delay1 = m_max_delay1 + buffer_offset;
  const float* pre_delay1 = m_pre_delay1 + buffer_offset;
  const float* max_delay2 = m_max_delay2 + buffer_offset;
  const float* pre_delay2 = m_pre_delay2 + buffer_offset;
  const float* wet = m_wet + buffer_offset;
  const float* dry = m_dry + buffer_offset;
  float* out_l = m_out_l + buffer_offset;
  float* out_r = m_out_r + buffer_offset;

  for (int32_t i = 0; i < count; ++i) {
    const float mix = voice_mix[i];
    const float s = spread[i];
    const float c = 1.0f - s;
    const LfoValues lfo = modulation.Next(i, s);

    // The input is written before the voices read, so a delay of 0 reads it.
    const uint32_t w = write_index;
    const float input_l = in_l[i];
    const float input_r = in_r[i];
    lines.left[w] = input_l;
    lines.right[w] = input_r;
    const float r1 = ReadPosition(w, DelaySamples(max_delay1[i], lfo.l1, pre_delay1[i], delay_scale));
    const float r2 = ReadPosition(w, DelaySamples(max_delay2[i], lfo.l2, pre_delay2[i], delay_scale));
    write_index = (w + 1) & kDelayMask;

    const StereoSample v1 = ReadVoice(lines, r1, 1.0f - mix);
    const StereoSample v2 = ReadVoice(lines, r2, mix);
    const float p = 1.0f - lfo.l3;
    out_l[i] = OutputSample(v1.left, v2.left, lfo.l3, p, c, wet[i], dry[i], input_l);
    out_r[i] = OutputSample(v1.right, v2.right, p, lfo.l3, c, wet[i], dry[i], input_r);
  }
  m_write_index = write_index;
}

// The increments follow the Rate pins once per call, at its first sample.
void Module::ProcessChorus(int32_t buffer_offset, int32_t count) {
  m_lfo1.increment = IncrementFromRate(m_rate1[buffer_offset], m_phase_scale);
  m_lfo2.increment = IncrementFromRate(m_rate2[buffer_offset], m_phase_scale);
  m_lfo3.increment = IncrementFromRate(m_rate3[buffer_offset], m_phase_scale);
  InternalLfos lfos{m_wavetable, m_lfo1, m_lfo2, m_lfo3};
  RunChorus(buffer_offset, count, lfos);
  m_lfo1 = lfos.lfo1;
  m_lfo2 = lfos.lfo2;
  m_lfo3 = lfos.lfo3;
}

// The LFO phases stand still meanwhile.
void Module::ProcessExternal(int32_t buffer_offset, int32_t count) {
  ExternalSources sources{m_rate1 + buffer_offset, m_rate2 + buffer_offset, m_rate3 + buffer_offset};
  RunChorus(buffer_offset, count, sources);
}

}  // namespace chorus
