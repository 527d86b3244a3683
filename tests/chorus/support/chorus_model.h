// A plain model of the chorus's per-sample work, written straight from its
// formulas in single precision, to compare the built library against.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace oxtest {

// The chorus's pins by number.
enum ChorusPin : int32_t {
  kInL = 0, kInR, kOutL, kOutR, kPreDly1, kPreDly2, kMaxDelay1, kMaxDelay2, kVoiceMix, kWet,
  kDry, kSpread, kRate1, kRate2, kRate3, kMod1Wave, kMod2Wave, kMod3Wave, kOnOff, kModulationMode,
  kChorusPins
};

// One sample of every input the chorus reads.
struct ChorusFrame {
  float in_l = 0, in_r = 0;
  float pre_delay1 = 1.0f, pre_delay2 = 0.5f, max_delay1 = 0.4f, max_delay2 = 0.9f;
  float voice_mix = 0.5f, wet = 0.6f, dry = 0.8f, spread = 1.0f;
  float rate1 = 0.068f, rate2 = 0.033f, rate3 = 0.034f;
};

struct StereoOut {
  float left, right;
};

// Entry `i` of the wavetable: a sine cycle then a triangle cycle.
inline int32_t ModelTableEntry(int32_t i) {
  if (i < 8192) {
    const float x = static_cast<float>(i) * 6.283184f / 8192.0f;
    return static_cast<int32_t>(16384.0 * std::sin(static_cast<double>(x)));
  }
  const int32_t t = i - 8192;
  if (t <= 2048) return 8 * t;
  if (t <= 6144) return 32768 - 8 * t;
  return 8 * t - 65536;
}

// The increment for a Rate value; a product beyond the 32-bit range runs at
// the nearest value that fits, a NaN holds the LFO.
inline int32_t ModelIncrement(float rate, float sample_rate) {
  const float scale = static_cast<float>(10.0 * 134217728.0 / sample_rate);
  const float product = rate * scale;
  if (std::isnan(product)) return 0;
  if (product >= 2147483648.0f) return 2147483520;
  if (product <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(std::floor(product));
}

class ChorusModel {
 public:
  explicit ChorusModel(float sample_rate)
      : sample_rate_(sample_rate),
        delay_scale_(static_cast<float>(sample_rate / 100.0)),
        line_l_(32768, 0.0f),
        line_r_(32768, 0.0f) {}

  int32_t wave[3] = {0, 0, 0};  // 0 sine, otherwise triangle
  int64_t phase[3] = {0, 0, 0};

  // One call of the internal-LFO routine over `count` frames.
  void CallChorus(const ChorusFrame* frames, int count, StereoOut* out) {
    int32_t increment[3] = {ModelIncrement(frames[0].rate1, sample_rate_),
                            ModelIncrement(frames[0].rate2, sample_rate_),
                            ModelIncrement(frames[0].rate3, sample_rate_)};
    for (int i = 0; i < count; ++i) {
      const ChorusFrame& f = frames[i];
      const float l1 = static_cast<float>(Lfo(0, increment[0]) + 16384) / 32768.0f;
      const float l2 = static_cast<float>(Lfo(1, increment[1]) + 16384) / 32768.0f;
      const float l3 = static_cast<float>(Lfo(2, increment[2])) / 16384.0f * f.spread;
      out[i] = Sample(f, l1, l2, l3);
    }
  }

  // One call of the external-modulation routine.
  void CallExternal(const ChorusFrame* frames, int count, StereoOut* out) {
    for (int i = 0; i < count; ++i) {
      const ChorusFrame& f = frames[i];
      out[i] = Sample(f, f.rate1 + 0.5f, f.rate2 + 0.5f, f.rate3 * 2.0f);
    }
  }

 private:
  int32_t Lfo(int n, int32_t increment) {
    const int64_t old = phase[n];
    phase[n] = (old + increment) & 0x7FFFFFF;
    const int32_t base = wave[n] == 0 ? 0 : 8192;
    const int32_t k = static_cast<int32_t>(old >> 14);
    const int32_t fraction = static_cast<int32_t>(old & 0x3FFF);
    const int32_t a = ModelTableEntry(base + k);
    const int32_t b = ModelTableEntry(base + (k + 1) % 8192);
    return a + (b - a) * fraction / 16384;
  }

  static float Limited(float d) {
    if (std::isnan(d)) return 0.0f;
    return d > 32767.0f ? 32767.0f : d;
  }

  static float Read(const std::vector<float>& line, float r) {
    const int32_t j = static_cast<int32_t>(std::floor(r));
    const float phi = r - static_cast<float>(j);
    const float a = line[j & 32767];
    const float b = line[(j + 1) & 32767];
    return (b - a) * phi + a;
  }

  StereoOut Sample(const ChorusFrame& f, float l1, float l2, float l3) {
    const float mix = f.voice_mix;
    const float c = 1.0f - f.spread;
    line_l_[write_] = f.in_l;
    line_r_[write_] = f.in_r;
    const float d1 = Limited(std::fabs((f.max_delay1 * l1 + f.pre_delay1) * delay_scale_));
    const float d2 = Limited(std::fabs((f.max_delay2 * l2 + f.pre_delay2) * delay_scale_));
    float r1 = static_cast<float>(write_) - d1;
    if (!(r1 >= 0.0f)) r1 += 32768.0f;
    float r2 = static_cast<float>(write_) - d2;
    if (!(r2 >= 0.0f)) r2 += 32768.0f;
    write_ = (write_ + 1) % 32768;
    const float v1l = Read(line_l_, r1) * (1.0f - mix);
    const float v1r = Read(line_r_, r1) * (1.0f - mix);
    const float v2l = Read(line_l_, r2) * mix;
    const float v2r = Read(line_r_, r2) * mix;
    const float sum_l = v1l + v2l;
    const float sum_r = v1r + v2r;
    const float p = 1.0f - l3;
    return {(v1l * l3 + v2l * p + c * sum_l) * f.wet + f.dry * f.in_l,
            (v1r * p + v2r * l3 + c * sum_r) * f.wet + f.dry * f.in_r};
  }

  float sample_rate_;
  float delay_scale_;
  std::vector<float> line_l_;
  std::vector<float> line_r_;
  int32_t write_ = 0;
};

}  // namespace oxtest
