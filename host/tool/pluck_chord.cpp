#include "host/tool/pluck_chord.h"

#include <cmath>

namespace oxhost {

namespace {

constexpr double kStringHz[] = {82.41, 123.47, 164.81, 196.00, 246.94, 329.63};
constexpr double kStrumSpacingSeconds = 0.035;
constexpr float kDecay = 0.996f;
constexpr float kPeak = 0.8f;

// A plucked string: a delay line of one period filled with noise, averaged
// and slightly damped on every pass.
void AddString(std::vector<float>& out, int64_t start, double hz, double sample_rate, uint32_t& noise) {
  auto period = static_cast<std::size_t>(std::lround(sample_rate / hz));
  if (period < 2 || start >= static_cast<int64_t>(out.size())) return;
  std::vector<float> line(period);
  for (float& sample : line) {
    noise = noise * 1664525u + 1013904223u;
    sample = static_cast<float>(noise >> 8) / 8388608.0f - 1.0f;
  }
  std::size_t position = 0;
  for (auto n = static_cast<std::size_t>(start); n < out.size(); ++n) {
    std::size_t next = position + 1 == period ? 0 : position + 1;
    float sample = line[position];
    line[position] = kDecay * 0.5f * (line[position] + line[next]);
    out[n] += sample;
    position = next;
  }
}

}  // namespace

std::vector<float> PluckChord(int64_t frames, double sample_rate) {
  std::vector<float> out(static_cast<std::size_t>(frames > 0 ? frames : 0), 0.0f);
  uint32_t noise = 12345u;
  for (int64_t strum_start : {int64_t{0}, frames / 2}) {
    for (std::size_t s = 0; s < std::size(kStringHz); ++s) {
      auto offset = static_cast<int64_t>(std::lround(static_cast<double>(s) * kStrumSpacingSeconds * sample_rate));
      AddString(out, strum_start + offset, kStringHz[s], sample_rate, noise);
    }
  }
  float peak = 0.0f;
  for (float sample : out) peak = std::fmax(peak, std::fabs(sample));
  if (peak > 0.0f) {
    for (float& sample : out) sample *= kPeak / peak;
  }
  return out;
}

}  // namespace oxhost
