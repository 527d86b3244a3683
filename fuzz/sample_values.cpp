#include "fuzz/sample_values.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace oxfuzz {

namespace {

constexpr float kTameLimit = 1e6f;

float FromBits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

float Special(uint32_t choice) {
  const float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min(),
                            -1e-40f,
                            0.0f,
                            -0.0f,
                            1e30f,
                            -3.4e38f,
                            FromBits(0x7FC12345u)};
  return kSpecial[choice % (sizeof kSpecial / sizeof kSpecial[0])];
}

// A small generator for noise, so that long buffers cost few fuzzer bytes.
struct Noise {
  uint32_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  // −1 to 1.
  float Unit() { return static_cast<float>(Next() >> 8) * 0x1p-23f - 1.0f; }
};

}  // namespace

bool IsTame(float value) { return std::isfinite(value) && std::fabs(value) <= kTameLimit; }

float AnyValue(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 9)) {
    case 0: return 0.0f;
    case 1: return in.ConsumeFloatingPointInRange(-1.0f, 1.0f);
    case 2: return in.ConsumeFloatingPointInRange(-1.0f, 11.0f);  // the controls' own ranges
    case 3: {  // a subnormal of either sign
      const uint32_t mantissa = in.ConsumeIntegralInRange<uint32_t>(1, 0x7FFFFF);
      return FromBits(mantissa | (in.ConsumeBool() ? 0x80000000u : 0u));
    }
    case 4: return in.ConsumeFloatingPointInRange(-1e-30f, 1e-30f);
    case 5: return in.ConsumeFloatingPointInRange(-kTameLimit, kTameLimit);
    case 6: return Special(in.ConsumeIntegral<uint32_t>());
    case 7: return FromBits(in.ConsumeIntegral<uint32_t>());
    case 8: return in.ConsumeFloatingPointInRange(-1e3f, 1e3f);
    default: return in.PickValueInArray({0.5f, 1.0f, -1.0f, 0.068f, 10.0f, 100.0f});
  }
}

bool FillSamples(FuzzedDataProvider& in, float* samples, int32_t count) {
  bool tame = true;
  auto put = [&](int32_t i, float value) {
    samples[i] = value;
    if (!IsTame(value)) tame = false;
  };
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: {
      const float value = AnyValue(in);
      for (int32_t i = 0; i < count; ++i) put(i, value);
      break;
    }
    case 1: {
      const float before = AnyValue(in);
      const float after = AnyValue(in);
      const int32_t step = in.ConsumeIntegralInRange(0, count);
      for (int32_t i = 0; i < count; ++i) put(i, i < step ? before : after);
      break;
    }
    case 2: {
      const float amplitude = AnyValue(in);
      Noise noise{in.ConsumeIntegral<uint32_t>() | 1u};
      for (int32_t i = 0; i < count; ++i) put(i, amplitude * noise.Unit());
      break;
    }
    default: {
      Noise noise{in.ConsumeIntegral<uint32_t>() | 1u};
      const uint32_t rarity = in.ConsumeIntegralInRange<uint32_t>(1, 64);
      for (int32_t i = 0; i < count; ++i) {
        const uint32_t draw = noise.Next();
        put(i, draw % rarity == 0 ? Special(draw >> 8) : noise.Unit());
      }
      break;
    }
  }
  return tame;
}

}  // namespace oxfuzz
