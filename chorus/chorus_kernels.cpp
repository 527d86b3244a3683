// Which kernels the chorus runs: the AVX2 ones where the processor and the
// operating system support AVX2, the SSE2 ones everywhere else.
#include "chorus/chorus_vector.h"

namespace chorus {

namespace {

ChorusKernels SelectKernels() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) {
    return {avx2::InternalLfoBlock, avx2::ExternalLfoBlock, avx2::RunChorusBlock};
  }
  return {sse2::InternalLfoBlock, sse2::ExternalLfoBlock, sse2::RunChorusBlock};
}

}  // namespace

const ChorusKernels kFastestKernels = SelectKernels();

}  // namespace chorus
