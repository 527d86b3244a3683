#pragma once

#include <cstdint>
#include <vector>

namespace oxhost {

// A test signal the host makes itself: a strummed chord of six plucked
// strings (an open E minor chord, Karplus-Strong strings excited by a fixed
// noise burst), strummed again halfway through. Mono, scaled to a peak of 0.8, the same
// samples on every run.
std::vector<float> PluckChord(int64_t frames, double sample_rate);

}  // namespace oxhost
