// The wavetable again, arranged for LFOs that run several samples at once:
// entry k holds table entry k in its low 16 bits and the step to the entry
// after it within the same wave (the wave's first after its last) in its
// high 16 bits. Both fit: entries lie within ±16384 and neighbours differ
// by less than 16.
#pragma once

#include <cstdint>

namespace chorus {

// Built once for the library from the wavetable, like the wavetable itself.
const int32_t* LfoSegments();

}  // namespace chorus
