// The SSE2 kernels whatever the processor: for the build of the module that
// tests and the benchmark use to check and measure them where the shipped
// library would choose AVX2.
#include "chorus/chorus_vector.h"

namespace chorus {

const ChorusKernels kFastestKernels = {sse2::InternalLfoBlock, sse2::ExternalLfoBlock, sse2::RunChorusBlock};

}  // namespace chorus
