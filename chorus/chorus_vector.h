// The chorus run several samples at a time. The LFO values of a run of samples
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
  alignas(32) float l1[kLfoBlockLength];
  alignas(32) float l2[kLfoBlockLength];
  alignas(32) float l3[kLfoBlockLength];
};

// The next `count` (at most kLfoBlockLength) values of the internal LFOs,
// which move on by as many samples; `spread` from the block's first sample.
// `segments` is LfoSegments().
using InternalLfoKernel = void (*)(InternalLfos& lfos, const int32_t* segments, const float* spread, int32_t count,
                                   LfoBlock& block);
// The external sources' values for samples `begin` to `begin` + `count` − 1.
using ExternalLfoKernel = void (*)(const ChorusPins& pins, int32_t begin, int32_t count, LfoBlock& block);
// The chorus for samples `begin` to `begin` + `count` − 1 of the stretch,
// with the LFO values of `block` (element 0 for sample `begin`).
using ChorusBlockKernel = void (*)(const ChorusPins& pins, int32_t begin, int32_t count, ChorusLines& state,
                                   const LfoBlock& block);

// The kernels of one instruction set.
struct ChorusKernels {
  InternalLfoKernel internal_lfos;
  ExternalLfoKernel external_lfos;
  ChorusBlockKernel run_block;
};

// Four samples at a time with SSE2, which every target has.
namespace sse2 {
void InternalLfoBlock(InternalLfos& lfos, const int32_t* segments, const float* spread, int32_t count,
                      LfoBlock& block);
void ExternalLfoBlock(const ChorusPins& pins, int32_t begin, int32_t count, LfoBlock& block);
void RunChorusBlock(const ChorusPins& pins, int32_t begin, int32_t count, ChorusLines& state, const LfoBlock& block);
}  // namespace sse2

// Eight samples at a time with AVX2: only for processors that have it.
namespace avx2 {
void InternalLfoBlock(InternalLfos& lfos, const int32_t* segments, const float* spread, int32_t count,
                      LfoBlock& block);
void ExternalLfoBlock(const ChorusPins& pins, int32_t begin, int32_t count, LfoBlock& block);
void RunChorusBlock(const ChorusPins& pins, int32_t begin, int32_t count, ChorusLines& state, const LfoBlock& block);
}  // namespace avx2

// The kernels for the processor the library runs on, chosen while the
// library loads.
extern const ChorusKernels kFastestKernels;

}  // namespace chorus
