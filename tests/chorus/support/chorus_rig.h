// A chorus instance opened and wired up as a host does it, with helpers that
// write whole frames of inputs and read both outputs.
#pragma once

#include <string>
#include <vector>

#include "tests/chorus/support/chorus_model.h"
#include "tests/chorus/support/gen1_instance.h"

namespace oxtest {

const std::string& ChorusLibrary();

class ChorusRig {
 public:
  // Creates, sets the rate, opens at `start_clock` and binds the buffers.
  explicit ChorusRig(float sample_rate = 44100.0f, int32_t buffer_length = 1024, uint32_t start_clock = 0);

  Gen1Instance instance;

  // Writes `count` frames into the input buffers from element `offset` on.
  void Write(const ChorusFrame* frames, int32_t count, int32_t offset = 0);
  // Writes and processes `frames` in blocks of at most the buffer length,
  // each block one process call, and returns the outputs.
  std::vector<StereoOut> Run(const std::vector<ChorusFrame>& frames);
  StereoOut Out(int32_t i) { return {instance.Buffer(kOutL)[i], instance.Buffer(kOutR)[i]}; }
  // An EV_PIN_STATUS event with status PS_ONE_CHANGE.
  void Change(uint32_t time_stamp, int32_t pin, int32_t value) {
    instance.PinEvent(time_stamp, pin, ox1::PS_ONE_CHANGE, value);
  }
};

// Frames with the controls at their defaults and a deterministic noise input.
std::vector<ChorusFrame> NoiseFrames(int32_t count, uint32_t seed = 1);

}  // namespace oxtest
