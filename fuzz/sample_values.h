// Sample values a hostile host may put into an input buffer: ordinary
// signals and control values, silence, subnormals, huge values, infinities
// and NaN, chosen by the fuzzer's bytes.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

namespace oxfuzz {

// Finite and of magnitude at most 1e6: no product of a few such control and
// signal values overflows the float range.
bool IsTame(float value);

// One value of any kind.
float AnyValue(FuzzedDataProvider& in);

// Fills `count` samples: a constant, a step between two values, noise of
// some amplitude, or noise with special values strewn in. True when every
// sample written is tame.
bool FillSamples(FuzzedDataProvider& in, float* samples, int32_t count);

}  // namespace oxfuzz
