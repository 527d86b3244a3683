// The chorus four samples at a time with SSE2, which every target has.
#include <emmintrin.h>

#include "chorus/chorus_vector.h"

namespace chorus {
namespace sse2 {

namespace {

constexpr int32_t kLanes = 4;

// Lane k holds sample k of the four: the offsets 0, 1, 2, 3 times `step`.
[[gnu::always_inline]] inline __m128i LaneOffsets(uint32_t step) {
  return _mm_set_epi32(static_cast<int32_t>(3 * step), static_cast<int32_t>(2 * step), static_cast<int32_t>(step), 0);
}

// Everything below is inlined into the loops that use it, so that the loops'
// values stay in registers.

// ---- LFOs -----------------------------------------------------------------

// The wave values (−16384 to 16384) at four phases: the entry plus the step to
// the next entry times the fraction, the product divided by 16384 truncated
// toward zero (an arithmetic shift after adding 16383 to a negative product).
[[gnu::always_inline]] inline __m128i WaveValues(__m128i phase, const int32_t* wave_segments) {
  alignas(16) int32_t k[kLanes];
  _mm_store_si128(reinterpret_cast<__m128i*>(k), _mm_srli_epi32(phase, kFractionBits));
  const __m128i segment =
      _mm_set_epi32(wave_segments[k[3]], wave_segments[k[2]], wave_segments[k[1]], wave_segments[k[0]]);
  // The fraction in the high half of each lane, where the step is.
  const __m128i fraction = _mm_srli_epi32(_mm_slli_epi32(phase, 32 - kFractionBits), 16 - kFractionBits);
  const __m128i product = _mm_madd_epi16(segment, fraction);
  const __m128i toward_zero = _mm_and_si128(_mm_srai_epi32(product, 31), _mm_set1_epi32(kFractionMask));
  const __m128i q = _mm_srai_epi32(_mm_add_epi32(product, toward_zero), kFractionBits);
  const __m128i entry = _mm_srai_epi32(_mm_slli_epi32(segment, 16), 16);
  return _mm_add_epi32(entry, q);
}

// LFO 1 and LFO 2: 0.0 to 1.0.
struct SweepValues {
  [[gnu::always_inline]] __m128 operator()(__m128i w, int32_t) const {
    return _mm_mul_ps(_mm_cvtepi32_ps(_mm_add_epi32(w, _mm_set1_epi32(kWaveAmplitude))), _mm_set1_ps(0x1p-15f));
  }
  float operator()(int32_t w, int32_t) const { return SweepValue(w); }
};

// LFO 3: −Spread to +Spread.
struct PanValues {
  const float* spread;

  [[gnu::always_inline]] __m128 operator()(__m128i w, int32_t i) const {
    return _mm_mul_ps(_mm_mul_ps(_mm_cvtepi32_ps(w), _mm_set1_ps(0x1p-14f)), _mm_loadu_ps(spread + i));
  }
  float operator()(int32_t w, int32_t i) const { return PanValue(w, spread[i]); }
};

// `count` values of one LFO into `out`: four phases a sample apart move on by
// four samples at a time; the samples left over are stepped one by one.
template <class ToValue>
void RunLfo(Lfo& lfo, const int32_t* table, const int32_t* segments, int32_t count, float* out, ToValue to_value) {
  const int32_t* wave_segments = segments + lfo.wave_base;
  const auto start = static_cast<uint32_t>(lfo.phase);
  const auto increment = static_cast<uint32_t>(lfo.increment);
  const __m128i phase_mask = _mm_set1_epi32(static_cast<int32_t>(kPhaseMask));
  const __m128i advance = _mm_set1_epi32(static_cast<int32_t>(kLanes * increment));
  __m128i phase = _mm_and_si128(_mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(start)), LaneOffsets(increment)),
                                phase_mask);
  int32_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    _mm_store_ps(out + i, to_value(WaveValues(phase, wave_segments), i));
    phase = _mm_and_si128(_mm_add_epi32(phase, advance), phase_mask);
  }
  lfo.phase = static_cast<int32_t>((start + static_cast<uint32_t>(i) * increment) & kPhaseMask);
  const int32_t* wave = table + lfo.wave_base;
  for (; i < count; ++i) out[i] = to_value(lfo.Step(wave), i);
}

// ---- The chorus -----------------------------------------------------------

[[gnu::always_inline]] inline __m128 DelaySamples4(__m128 max_delay, __m128 lfo, __m128 pre_delay, __m128 delay_scale) {
  const __m128 product = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(max_delay, lfo), pre_delay), delay_scale);
  const __m128 magnitude = _mm_and_ps(product, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
  const __m128 not_nan = _mm_and_ps(magnitude, _mm_cmpord_ps(magnitude, magnitude));
  return _mm_min_ps(not_nan, _mm_set1_ps(kLongestDelay));
}

// w − d, plus the line's length where that is negative. The difference is
// never −0.0 (w ≥ 0 and d ≥ 0), so adding +0.0 elsewhere changes nothing.
[[gnu::always_inline]] inline __m128 ReadPosition4(__m128 w, __m128 d) {
  const __m128 r = _mm_sub_ps(w, d);
  return _mm_add_ps(r, _mm_and_ps(_mm_cmplt_ps(r, _mm_setzero_ps()), _mm_set1_ps(kDelayLengthF)));
}

// Where a voice reads: the element j0 = floor(r) AND 0x7FFF and the fraction.
struct ReadPlace4 {
  __m128i j0;
  __m128 phi;
};

[[gnu::always_inline]] inline ReadPlace4 ReadPlace(__m128 r) {
  const __m128i truncated = _mm_cvttps_epi32(r);
  const __m128i j = _mm_add_epi32(truncated, _mm_castps_si128(_mm_cmplt_ps(r, _mm_cvtepi32_ps(truncated))));
  return {_mm_and_si128(j, _mm_set1_epi32(static_cast<int32_t>(kDelayMask))), _mm_sub_ps(r, _mm_cvtepi32_ps(j))};
}

// Whether a read would not see what it sees one sample at a time once the
// four inputs are in the lines: element j0 + 1 wraps to 0 (the two
// neighbours are then not side by side), or the read reaches an element
// written for a later sample of the four, i.e. j0 is the element just
// written or one of the three oldest.
[[gnu::always_inline]] inline __m128i ReadsAhead(ReadPlace4 place, __m128i w) {
  const __m128i mask = _mm_set1_epi32(static_cast<int32_t>(kDelayMask));
  const __m128i age_less_one = _mm_and_si128(_mm_sub_epi32(_mm_sub_epi32(w, _mm_set1_epi32(1)), place.j0), mask);
  return _mm_or_si128(_mm_cmpgt_epi32(age_less_one, _mm_set1_epi32(kDelayLength - kLanes - 1)),
                      _mm_cmpeq_epi32(place.j0, mask));
}

struct StereoSample4 {
  __m128 left;
  __m128 right;
};

// One voice for four samples: each lane reads elements j0 and j0 + 1 of both
// lines with one load (left, right, next left, next right), and a transpose
// turns the four loads into those four values across the lanes.
[[gnu::always_inline]] inline StereoSample4 Voice4(const float* frames, ReadPlace4 place, __m128 weight) {
  alignas(16) int32_t j0[kLanes];
  _mm_store_si128(reinterpret_cast<__m128i*>(j0), place.j0);
  __m128 lane0 = _mm_loadu_ps(frames + 2 * j0[0]);
  __m128 lane1 = _mm_loadu_ps(frames + 2 * j0[1]);
  __m128 lane2 = _mm_loadu_ps(frames + 2 * j0[2]);
  __m128 lane3 = _mm_loadu_ps(frames + 2 * j0[3]);
  _MM_TRANSPOSE4_PS(lane0, lane1, lane2, lane3);
  const __m128 left0 = lane0;
  const __m128 right0 = lane1;
  const __m128 left1 = lane2;
  const __m128 right1 = lane3;
  const __m128 left = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(left1, left0), place.phi), left0);
  const __m128 right = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(right1, right0), place.phi), right0);
  return {_mm_mul_ps(left, weight), _mm_mul_ps(right, weight)};
}

[[gnu::always_inline]] inline __m128 OutputSample4(__m128 first, __m128 second, __m128 first_weight, __m128 second_weight, __m128 c, __m128 wet,
                     __m128 dry, __m128 in) {
  const __m128 panned = _mm_add_ps(_mm_mul_ps(first, first_weight), _mm_mul_ps(second, second_weight));
  const __m128 both = _mm_mul_ps(c, _mm_add_ps(first, second));
  return _mm_add_ps(_mm_mul_ps(_mm_add_ps(panned, both), wet), _mm_mul_ps(dry, in));
}

// Four samples from sample i on, the LFO values from element b of the block.
// Returns false, having done nothing, where the four cannot be done together:
// their writes would wrap around the lines' end, or a read is ahead (above).
[[gnu::always_inline]] inline bool ChorusSamples4(const ChorusPins& pins, int32_t i, ChorusLines& state, const LfoBlock& block, int32_t b) {
  const uint32_t w = state.write_index;
  if (w > kDelayLength - kLanes) return false;
  const __m128 l1 = _mm_load_ps(block.l1 + b);
  const __m128 l2 = _mm_load_ps(block.l2 + b);
  const __m128 l3 = _mm_load_ps(block.l3 + b);
  const __m128 delay_scale = _mm_set1_ps(state.delay_scale);
  const __m128i write_index = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(w)), LaneOffsets(1));
  const __m128 wf = _mm_cvtepi32_ps(write_index);
  const ReadPlace4 place1 = ReadPlace(ReadPosition4(
      wf, DelaySamples4(_mm_loadu_ps(pins.max_delay1 + i), l1, _mm_loadu_ps(pins.pre_delay1 + i), delay_scale)));
  const ReadPlace4 place2 = ReadPlace(ReadPosition4(
      wf, DelaySamples4(_mm_loadu_ps(pins.max_delay2 + i), l2, _mm_loadu_ps(pins.pre_delay2 + i), delay_scale)));
  if (_mm_movemask_epi8(_mm_or_si128(ReadsAhead(place1, write_index), ReadsAhead(place2, write_index))) != 0) {
    return false;
  }

  // The inputs go into the lines before the voices read.
  const __m128 input_l = _mm_loadu_ps(pins.in_l + i);
  const __m128 input_r = _mm_loadu_ps(pins.in_r + i);
  float* const frames = state.lines.frames;
  _mm_storeu_ps(frames + 2 * w, _mm_unpacklo_ps(input_l, input_r));
  _mm_storeu_ps(frames + 2 * w + kLanes, _mm_unpackhi_ps(input_l, input_r));
  state.write_index = (w + kLanes) & kDelayMask;

  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 mix = _mm_loadu_ps(pins.voice_mix + i);
  const __m128 c = _mm_sub_ps(one, _mm_loadu_ps(pins.spread + i));
  const StereoSample4 v1 = Voice4(frames, place1, _mm_sub_ps(one, mix));
  const StereoSample4 v2 = Voice4(frames, place2, mix);
  const __m128 p = _mm_sub_ps(one, l3);
  const __m128 wet = _mm_loadu_ps(pins.wet + i);
  const __m128 dry = _mm_loadu_ps(pins.dry + i);
  _mm_storeu_ps(pins.out_l + i, OutputSample4(v1.left, v2.left, l3, p, c, wet, dry, input_l));
  _mm_storeu_ps(pins.out_r + i, OutputSample4(v1.right, v2.right, p, l3, c, wet, dry, input_r));
  return true;
}

}  // namespace

void InternalLfoBlock(InternalLfos& lfos, const int32_t* segments, const float* spread, int32_t count,
                      LfoBlock& block) {
  const int32_t* table = lfos.table;
  RunLfo(lfos.lfo1, table, segments, count, block.l1, SweepValues{});
  RunLfo(lfos.lfo2, table, segments, count, block.l2, SweepValues{});
  RunLfo(lfos.lfo3, table, segments, count, block.l3, PanValues{spread});
}

void ExternalLfoBlock(const ChorusPins& pins, int32_t begin, int32_t count, LfoBlock& block) {
  const __m128 half = _mm_set1_ps(0.5f);
  const __m128 two = _mm_set1_ps(2.0f);
  int32_t b = 0;
  for (; b + kLanes <= count; b += kLanes) {
    const int32_t i = begin + b;
    _mm_store_ps(block.l1 + b, _mm_add_ps(_mm_loadu_ps(pins.rate1 + i), half));
    _mm_store_ps(block.l2 + b, _mm_add_ps(_mm_loadu_ps(pins.rate2 + i), half));
    _mm_store_ps(block.l3 + b, _mm_mul_ps(_mm_loadu_ps(pins.rate3 + i), two));
  }
  for (; b < count; ++b) {
    const LfoValues values = ExternalValues(pins, begin + b);
    block.l1[b] = values.l1;
    block.l2[b] = values.l2;
    block.l3[b] = values.l3;
  }
}

// Four samples at a time where that gives what the per-sample loop gives,
// otherwise, and for the samples left over, one at a time.
void RunChorusBlock(const ChorusPins& pins, int32_t begin, int32_t count, ChorusLines& state,
                    const LfoBlock& block) {
  const ChorusPins p = pins;
  ChorusLines lines = state;
  int32_t b = 0;
  for (; b + kLanes <= count; b += kLanes) {
    if (ChorusSamples4(p, begin + b, lines, block, b)) continue;
    for (int32_t k = b; k < b + kLanes; ++k) {
      ChorusSample(p, begin + k, lines, LfoValues{block.l1[k], block.l2[k], block.l3[k]});
    }
  }
  for (; b < count; ++b) ChorusSample(p, begin + b, lines, LfoValues{block.l1[b], block.l2[b], block.l3[b]});
  state = lines;
}

}  // namespace sse2
}  // namespace chorus
