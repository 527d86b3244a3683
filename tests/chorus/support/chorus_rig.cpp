#include "tests/chorus/support/chorus_rig.h"

#include <algorithm>

namespace oxtest {

const std::string& ChorusLibrary() {
  static const std::string path = OX_CHORUS_LIBRARY;
  return path;
}

ChorusRig::ChorusRig(float sample_rate, int32_t buffer_length, uint32_t start_clock)
    : instance(ChorusLibrary(), kChorusPins, buffer_length) {
  instance.set_clock(start_clock);
  instance.SetSampleRate(sample_rate);
  instance.Open();
  instance.BindAudioBuffers(kChorusPins);
}

void ChorusRig::Write(const ChorusFrame* frames, int32_t count, int32_t offset) {
  const struct {
    int32_t pin;
    float ChorusFrame::*field;
  } inputs[] = {
      {kInL, &ChorusFrame::in_l},           {kInR, &ChorusFrame::in_r},
      {kPreDly1, &ChorusFrame::pre_delay1}, {kPreDly2, &ChorusFrame::pre_delay2},
      {kMaxDelay1, &ChorusFrame::max_delay1}, {kMaxDelay2, &ChorusFrame::max_delay2},
      {kVoiceMix, &ChorusFrame::voice_mix}, {kWet, &ChorusFrame::wet},
      {kDry, &ChorusFrame::dry},            {kSpread, &ChorusFrame::spread},
      {kRate1, &ChorusFrame::rate1},        {kRate2, &ChorusFrame::rate2},
      {kRate3, &ChorusFrame::rate3},
  };
  for (const auto& input : inputs) {
    float* buffer = instance.Buffer(input.pin);
    for (int32_t i = 0; i < count; ++i) buffer[offset + i] = frames[i].*input.field;
  }
}

std::vector<StereoOut> ChorusRig::Run(const std::vector<ChorusFrame>& frames) {
  std::vector<StereoOut> out;
  const int32_t block = instance.side().block_size();
  for (size_t start = 0; start < frames.size(); start += block) {
    const int32_t count = static_cast<int32_t>(std::min<size_t>(block, frames.size() - start));
    Write(&frames[start], count);
    instance.Process(0, count);
    for (int32_t i = 0; i < count; ++i) out.push_back(Out(i));
  }
  return out;
}

std::vector<ChorusFrame> NoiseFrames(int32_t count, uint32_t seed) {
  std::vector<ChorusFrame> frames(count);
  uint32_t state = seed;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(state >> 8) - (1 << 23)) / static_cast<float>(1 << 23);
  };
  for (auto& frame : frames) {
    frame.in_l = next();
    frame.in_r = next();
  }
  return frames;
}

}  // namespace oxtest
