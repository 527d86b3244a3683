// The chorus delay lines and how a voice reads them: circular lines of 32768
// samples, one per input channel, written at one index and read by each voice
// at one fractional position with linear interpolation.
#pragma once

#include <cmath>
#include <cstdint>

namespace chorus {

constexpr int32_t kDelayLength = 32768;
constexpr float kDelayLengthF = 32768.0f;
constexpr uint32_t kDelayMask = kDelayLength - 1;
// The longest delay a line can hold.
constexpr float kLongestDelay = kDelayLength - 1;

struct StereoSample {
  float left;
  float right;
};

// Both lines in one block of memory, frame by frame: element j of the left
// line is frames[2j] and of the right line frames[2j + 1], so one read at a
// position fetches both channels' neighbours together.
struct DelayLines {
  float* frames;

  float& left(uint32_t j) const { return frames[2 * j]; }
  float& right(uint32_t j) const { return frames[2 * j + 1]; }
};

// x rounded toward minus infinity, for |x| < 2^31: the truncation, one less
// where truncating went up (below zero).
inline int32_t FloorToInt(float x) {
  const auto t = static_cast<int32_t>(x);
  return t - (x < static_cast<float>(t) ? 1 : 0);
}

// A voice's delay in samples: a delay pin value v stands for 10 × v ms and
// `delay_scale` turns that into samples; a negative setting acts as the
// positive one. A delay the lines cannot hold is held at the longest they
// can, and a NaN delay counts as no delay, so the read position always lies
// within the lines.
inline float DelaySamples(float max_delay, float lfo, float pre_delay, float delay_scale) {
  const float d = std::fabs((max_delay * lfo + pre_delay) * delay_scale);
  if (std::isnan(d)) return 0.0f;
  return d < kLongestDelay ? d : kLongestDelay;
}

// The position `d` samples behind the element `w` just written, 0.0 to
// 32768.0 (32768.0 reads as element 0).
inline float ReadPosition(uint32_t w, float d) {
  float r = static_cast<float>(static_cast<int32_t>(w)) - d;
  if (!(r >= 0.0f)) r += kDelayLengthF;
  return r;
}

inline float Interpolate(float at_j0, float at_j1, float phi) { return (at_j1 - at_j0) * phi + at_j0; }

// One voice: both lines read at position `r`, weighted by `weight`.
inline StereoSample ReadVoice(const DelayLines& lines, float r, float weight) {
  const int32_t j = FloorToInt(r);
  const float phi = r - static_cast<float>(j);
  const uint32_t j0 = static_cast<uint32_t>(j) & kDelayMask;
  const uint32_t j1 = (static_cast<uint32_t>(j) + 1) & kDelayMask;
  return {Interpolate(lines.left(j0), lines.left(j1), phi) * weight,
          Interpolate(lines.right(j0), lines.right(j1), phi) * weight};
}

// One output: its own channel of the two voices panned by the two weights,
// both voices unpanned by c = 1 − Spread, scaled by Wet, plus Dry × input.
inline float OutputSample(float first, float second, float first_weight, float second_weight, float c,
                          float wet, float dry, float in) {
  return (first * first_weight + second * second_weight + c * (first + second)) * wet + dry * in;
}

}  // namespace chorus
