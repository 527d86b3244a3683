// The chorus eight samples at a time with AVX2, for processors that have it
// (chosen while the library loads). Every function after the target lines
// below is compiled for AVX2; what it uses from the headers stays as built
// for every processor, so that no copy of a shared inline function made here
// can stand in for the baseline one. No fused multiply-add: each product is rounded on its own,
// as in the per-sample loop.
#include <immintrin.h>

#include "chorus/chorus_vector.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC target("avx2")
#endif

namespace chorus {
namespace avx2 {

namespace {

constexpr int32_t kLanes = 8;

// Everything below is inlined into the loops that use it, so that the loops'
// values stay in registers.

// Lane k holds sample k of the eight: the offsets 0 to 7 times `step`.
[[gnu::always_inline]] inline __m256i LaneOffsets(uint32_t step) {
  return _mm256_set_epi32(static_cast<int32_t>(7 * step), static_cast<int32_t>(6 * step),
                          static_cast<int32_t>(5 * step), static_cast<int32_t>(4 * step),
                          static_cast<int32_t>(3 * step), static_cast<int32_t>(2 * step), static_cast<int32_t>(step),
                          0);
}

// ---- LFOs -----------------------------------------------------------------

// The segments (entry and step, see LfoSegments) at eight phases a sample
// apart, `k` their entry numbers, `first` and `last` lane 0's and lane 7's.
// Where the eight share those two segments, as they do at the slow rates a
// chorus runs at, two loads serve them all; otherwise each lane loads its
// own.
[[gnu::always_inline]] inline __m256i Segments(__m256i k, int32_t first, int32_t last, const int32_t* wave_segments) {
  const __m256i is_first = _mm256_cmpeq_epi32(k, _mm256_set1_epi32(first));
  const __m256i is_last = _mm256_cmpeq_epi32(k, _mm256_set1_epi32(last));
  if (_mm256_testc_si256(_mm256_or_si256(is_first, is_last), _mm256_set1_epi32(-1))) {
    return _mm256_blendv_epi8(_mm256_set1_epi32(wave_segments[last]), _mm256_set1_epi32(wave_segments[first]),
                              is_first);
  }
  return _mm256_i32gather_epi32(wave_segments, k, 4);
}

// The wave values (−16384 to 16384) at eight phases: the entry plus the step
// to the next entry times the fraction, the product divided by 16384
// truncated toward zero (an arithmetic shift after adding 16383 to a
// negative product).
[[gnu::always_inline]] inline __m256i WaveValues(__m256i phase, __m256i segment) {
  // The fraction in the high half of each lane, where the step is.
  const __m256i fraction = _mm256_srli_epi32(_mm256_slli_epi32(phase, 32 - kFractionBits), 16 - kFractionBits);
  const __m256i product = _mm256_madd_epi16(segment, fraction);
  const __m256i toward_zero = _mm256_and_si256(_mm256_srai_epi32(product, 31), _mm256_set1_epi32(kFractionMask));
  const __m256i q = _mm256_srai_epi32(_mm256_add_epi32(product, toward_zero), kFractionBits);
  const __m256i entry = _mm256_srai_epi32(_mm256_slli_epi32(segment, 16), 16);
  return _mm256_add_epi32(entry, q);
}

// LFO 1 and LFO 2: 0.0 to 1.0.
struct SweepValues {
  [[gnu::always_inline]] __m256 operator()(__m256i w, int32_t) const {
    return _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_add_epi32(w, _mm256_set1_epi32(kWaveAmplitude))),
                         _mm256_set1_ps(0x1p-15f));
  }
  float operator()(int32_t w, int32_t) const { return SweepValue(w); }
};

// LFO 3: −Spread to +Spread.
struct PanValues {
  const float* spread;

  [[gnu::always_inline]] __m256 operator()(__m256i w, int32_t i) const {
    return _mm256_mul_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(w), _mm256_set1_ps(0x1p-14f)), _mm256_loadu_ps(spread + i));
  }
  float operator()(int32_t w, int32_t i) const { return PanValue(w, spread[i]); }
};

// `count` values of one LFO into `out`: eight phases a sample apart move on
// by eight samples at a time; the samples left over are stepped one by one.
template <class ToValue>
void RunLfo(Lfo& lfo, const int32_t* table, const int32_t* segments, int32_t count, float* out, ToValue to_value) {
  const int32_t* wave_segments = segments + lfo.wave_base;
  const auto start = static_cast<uint32_t>(lfo.phase);
  const auto increment = static_cast<uint32_t>(lfo.increment);
  const __m256i phase_mask = _mm256_set1_epi32(static_cast<int32_t>(kPhaseMask));
  const __m256i advance = _mm256_set1_epi32(static_cast<int32_t>(kLanes * increment));
  __m256i phase = _mm256_and_si256(
      _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(start)), LaneOffsets(increment)), phase_mask);
  // Lane 0's phase, also kept apart from the vector.
  uint32_t first_phase = start & kPhaseMask;
  int32_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    const auto first = static_cast<int32_t>(first_phase >> kFractionBits);
    const auto last = static_cast<int32_t>(((first_phase + (kLanes - 1) * increment) & kPhaseMask) >> kFractionBits);
    const __m256i segment = Segments(_mm256_srli_epi32(phase, kFractionBits), first, last, wave_segments);
    _mm256_storeu_ps(out + i, to_value(WaveValues(phase, segment), i));
    phase = _mm256_and_si256(_mm256_add_epi32(phase, advance), phase_mask);
    first_phase = (first_phase + kLanes * increment) & kPhaseMask;
  }
  lfo.phase = static_cast<int32_t>((start + static_cast<uint32_t>(i) * increment) & kPhaseMask);
  const int32_t* wave = table + lfo.wave_base;
  for (; i < count; ++i) out[i] = to_value(lfo.Step(wave), i);
}

// ---- The chorus -----------------------------------------------------------

[[gnu::always_inline]] inline __m256 DelaySamples8(__m256 max_delay, __m256 lfo, __m256 pre_delay,
                                                   __m256 delay_scale) {
  const __m256 product = _mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(max_delay, lfo), pre_delay), delay_scale);
  const __m256 magnitude = _mm256_and_ps(product, _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF)));
  const __m256 not_nan = _mm256_and_ps(magnitude, _mm256_cmp_ps(magnitude, magnitude, _CMP_ORD_Q));
  return _mm256_min_ps(not_nan, _mm256_set1_ps(kLongestDelay));
}

// w − d, plus the line's length where that is negative. The difference is
// never −0.0 (w ≥ 0 and d ≥ 0), so adding +0.0 elsewhere changes nothing.
[[gnu::always_inline]] inline __m256 ReadPosition8(__m256 w, __m256 d) {
  const __m256 r = _mm256_sub_ps(w, d);
  return _mm256_add_ps(r,
                       _mm256_and_ps(_mm256_cmp_ps(r, _mm256_setzero_ps(), _CMP_LT_OQ), _mm256_set1_ps(kDelayLengthF)));
}

// Where a voice reads: the element j0 = floor(r) AND 0x7FFF and the fraction.
struct ReadPlace8 {
  __m256i j0;
  __m256 phi;
};

[[gnu::always_inline]] inline ReadPlace8 ReadPlace(__m256 r) {
  const __m256i truncated = _mm256_cvttps_epi32(r);
  const __m256i j = _mm256_add_epi32(
      truncated, _mm256_castps_si256(_mm256_cmp_ps(r, _mm256_cvtepi32_ps(truncated), _CMP_LT_OQ)));
  return {_mm256_and_si256(j, _mm256_set1_epi32(static_cast<int32_t>(kDelayMask))),
          _mm256_sub_ps(r, _mm256_cvtepi32_ps(j))};
}

// Whether a read would not see what it sees one sample at a time once the
// eight inputs are in the lines: element j0 + 1 wraps to 0 (the two
// neighbours are then not side by side), or the read reaches an element
// written for a later sample of the eight, i.e. j0 is the element just
// written or one of the seven oldest.
[[gnu::always_inline]] inline __m256i ReadsAhead(ReadPlace8 place, __m256i w) {
  const __m256i mask = _mm256_set1_epi32(static_cast<int32_t>(kDelayMask));
  const __m256i age_less_one =
      _mm256_and_si256(_mm256_sub_epi32(_mm256_sub_epi32(w, _mm256_set1_epi32(1)), place.j0), mask);
  return _mm256_or_si256(_mm256_cmpgt_epi32(age_less_one, _mm256_set1_epi32(kDelayLength - kLanes - 1)),
                         _mm256_cmpeq_epi32(place.j0, mask));
}

struct StereoSample8 {
  __m256 left;
  __m256 right;
};

// Lane k's four values (left, right, next left, next right) in the low half
// and lane k + 4's in the high half.
[[gnu::always_inline]] inline __m256 LanePair(const float* frames, const int32_t* j0, int k) {
  return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(frames + 2 * j0[k])),
                              _mm_loadu_ps(frames + 2 * j0[k + 4]), 1);
}

// One voice for eight samples: each lane reads elements j0 and j0 + 1 of both
// lines with one load, and a transpose within each half turns the loads into
// those four values across the lanes.
[[gnu::always_inline]] inline StereoSample8 Voice8(const float* frames, ReadPlace8 place, __m256 weight) {
  alignas(32) int32_t j0[kLanes];
  _mm256_store_si256(reinterpret_cast<__m256i*>(j0), place.j0);
  const __m256 lanes04 = LanePair(frames, j0, 0);
  const __m256 lanes15 = LanePair(frames, j0, 1);
  const __m256 lanes26 = LanePair(frames, j0, 2);
  const __m256 lanes37 = LanePair(frames, j0, 3);
  const __m256 low01 = _mm256_unpacklo_ps(lanes04, lanes15);
  const __m256 low23 = _mm256_unpacklo_ps(lanes26, lanes37);
  const __m256 high01 = _mm256_unpackhi_ps(lanes04, lanes15);
  const __m256 high23 = _mm256_unpackhi_ps(lanes26, lanes37);
  const __m256 left0 = _mm256_shuffle_ps(low01, low23, 0x44);
  const __m256 right0 = _mm256_shuffle_ps(low01, low23, 0xEE);
  const __m256 left1 = _mm256_shuffle_ps(high01, high23, 0x44);
  const __m256 right1 = _mm256_shuffle_ps(high01, high23, 0xEE);
  const __m256 left = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(left1, left0), place.phi), left0);
  const __m256 right = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(right1, right0), place.phi), right0);
  return {_mm256_mul_ps(left, weight), _mm256_mul_ps(right, weight)};
}

[[gnu::always_inline]] inline __m256 OutputSample8(__m256 first, __m256 second, __m256 first_weight,
                                                   __m256 second_weight, __m256 c, __m256 wet, __m256 dry,
                                                   __m256 in) {
  const __m256 panned = _mm256_add_ps(_mm256_mul_ps(first, first_weight), _mm256_mul_ps(second, second_weight));
  const __m256 both = _mm256_mul_ps(c, _mm256_add_ps(first, second));
  return _mm256_add_ps(_mm256_mul_ps(_mm256_add_ps(panned, both), wet), _mm256_mul_ps(dry, in));
}

// Eight samples from sample i on, the LFO values from element b of the block.
// Returns false, having done nothing, where the eight cannot be done
// together: their writes would wrap around the lines' end, or a read is
// ahead (above).
[[gnu::always_inline]] inline bool ChorusSamples8(const ChorusPins& pins, int32_t i, ChorusLines& state,
                                                  const LfoBlock& block, int32_t b) {
  const uint32_t w = state.write_index;
  if (w > kDelayLength - kLanes) return false;
  const __m256 l1 = _mm256_load_ps(block.l1 + b);
  const __m256 l2 = _mm256_load_ps(block.l2 + b);
  const __m256 l3 = _mm256_load_ps(block.l3 + b);
  const __m256 delay_scale = _mm256_set1_ps(state.delay_scale);
  const __m256i write_index = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(w)), LaneOffsets(1));
  const __m256 wf = _mm256_cvtepi32_ps(write_index);
  const ReadPlace8 place1 = ReadPlace(ReadPosition8(
      wf, DelaySamples8(_mm256_loadu_ps(pins.max_delay1 + i), l1, _mm256_loadu_ps(pins.pre_delay1 + i), delay_scale)));
  const ReadPlace8 place2 = ReadPlace(ReadPosition8(
      wf, DelaySamples8(_mm256_loadu_ps(pins.max_delay2 + i), l2, _mm256_loadu_ps(pins.pre_delay2 + i), delay_scale)));
  if (!_mm256_testz_si256(_mm256_or_si256(ReadsAhead(place1, write_index), ReadsAhead(place2, write_index)),
                          _mm256_set1_epi32(-1))) {
    return false;
  }

  // The inputs go into the lines before the voices read: interleaved within
  // each half, then the halves put in order.
  const __m256 input_l = _mm256_loadu_ps(pins.in_l + i);
  const __m256 input_r = _mm256_loadu_ps(pins.in_r + i);
  const __m256 low = _mm256_unpacklo_ps(input_l, input_r);
  const __m256 high = _mm256_unpackhi_ps(input_l, input_r);
  float* const frames = state.lines.frames;
  _mm256_storeu_ps(frames + 2 * w, _mm256_permute2f128_ps(low, high, 0x20));
  _mm256_storeu_ps(frames + 2 * w + kLanes, _mm256_permute2f128_ps(low, high, 0x31));
  state.write_index = (w + kLanes) & kDelayMask;

  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 mix = _mm256_loadu_ps(pins.voice_mix + i);
  const __m256 c = _mm256_sub_ps(one, _mm256_loadu_ps(pins.spread + i));
  const StereoSample8 v1 = Voice8(frames, place1, _mm256_sub_ps(one, mix));
  const StereoSample8 v2 = Voice8(frames, place2, mix);
  const __m256 p = _mm256_sub_ps(one, l3);
  const __m256 wet = _mm256_loadu_ps(pins.wet + i);
  const __m256 dry = _mm256_loadu_ps(pins.dry + i);
  _mm256_storeu_ps(pins.out_l + i, OutputSample8(v1.left, v2.left, l3, p, c, wet, dry, input_l));
  _mm256_storeu_ps(pins.out_r + i, OutputSample8(v1.right, v2.right, p, l3, c, wet, dry, input_r));
  return true;
}

}  // namespace

void InternalLfoBlock(InternalLfos& lfos, const int32_t* segments, const float* spread, int32_t count,
                      LfoBlock& block) {
  RunLfo(lfos.lfo1, lfos.table, segments, count, block.l1, SweepValues{});
  RunLfo(lfos.lfo2, lfos.table, segments, count, block.l2, SweepValues{});
  RunLfo(lfos.lfo3, lfos.table, segments, count, block.l3, PanValues{spread});
}

void ExternalLfoBlock(const ChorusPins& pins, int32_t begin, int32_t count, LfoBlock& block) {
  const __m256 half = _mm256_set1_ps(0.5f);
  const __m256 two = _mm256_set1_ps(2.0f);
  int32_t b = 0;
  for (; b + kLanes <= count; b += kLanes) {
    const int32_t i = begin + b;
    _mm256_store_ps(block.l1 + b, _mm256_add_ps(_mm256_loadu_ps(pins.rate1 + i), half));
    _mm256_store_ps(block.l2 + b, _mm256_add_ps(_mm256_loadu_ps(pins.rate2 + i), half));
    _mm256_store_ps(block.l3 + b, _mm256_mul_ps(_mm256_loadu_ps(pins.rate3 + i), two));
  }
  for (; b < count; ++b) {
    const LfoValues values = ExternalValues(pins, begin + b);
    block.l1[b] = values.l1;
    block.l2[b] = values.l2;
    block.l3[b] = values.l3;
  }
}

// Eight samples at a time where that gives what the per-sample loop gives,
// otherwise, and for the samples left over, one at a time.
void RunChorusBlock(const ChorusPins& pins, int32_t begin, int32_t count, ChorusLines& state,
                    const LfoBlock& block) {
  const ChorusPins p = pins;
  ChorusLines lines = state;
  int32_t b = 0;
  for (; b + kLanes <= count; b += kLanes) {
    if (ChorusSamples8(p, begin + b, lines, block, b)) continue;
    for (int32_t k = b; k < b + kLanes; ++k) {
      ChorusSample(p, begin + k, lines, LfoValues{block.l1[k], block.l2[k], block.l3[k]});
    }
  }
  for (; b < count; ++b) ChorusSample(p, begin + b, lines, LfoValues{block.l1[b], block.l2[b], block.l3[b]});
  state = lines;
}

}  // namespace avx2
}  // namespace chorus

#if defined(__clang__)
#pragma clang attribute pop
#endif
