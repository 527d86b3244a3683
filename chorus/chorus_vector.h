// The chorus run four samples at a time. The LFO values of a run of samples
// are worked out first, into an LfoBlock; the chorus loop then takes them
// from there. Every value is formed by the same single-precision and integer
// operations, in the same order, as in the per-sample loop, so the output is
// the same to the bit.
#pragma once

#include <cstdint>

#include "chorus/chorus_loop.h"

namespace chorus {

constexpr int32_t kLfoBlockLength = 256;

struct LfoBlock {
  alignas(16) float l1[kLfoBlockLength];
  alignas(16) float l2[kLfoBlockLength];
  alignas(16) float l3[kLfoBlockLength];
};

// The next `count` (at most kLfoBlockLength) values of the internal LFOs,
// which move on by as many samples; `spread` from the block's first sample.
// `segments` is LfoSegments().
void InternalLfoBlock(InternalLfos& lfos, const int32_t* segments, const float* spread, int32_t count,
                      LfoBlock& block);

// The external sources' values for samples `begin` to `begin` + `count` − 1.
void ExternalLfoBlock(const ChorusPins& pins, int32_t begin, int32_t count, LfoBlock& block);

// The chorus for samples `begin` to `begin` + `count` − 1 of the stretch, with
// the LFO values of `block` (element 0 for sample `begin`).
void RunChorusBlock(const ChorusPins& pins, int32_t begin, int32_t count, ChorusLines& state,
                    const LfoBlock& block);

}  // namespace chorus
