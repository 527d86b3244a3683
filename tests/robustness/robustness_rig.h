// Drives the built module libraries as a hostile host would, through their
// records (fuzz/driven_instance.h), for the robustness tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/driven_instance.h"

namespace oxtest {

using oxfuzz::DrivenInstance;

namespace drift_pin {
enum { kDepth = 0, kRate = 1, kOut = 2, kActive = 3, kUpdateRate = 4 };
}
namespace chorus_pin {
enum {
  kInL = 0, kInR = 1, kOutL = 2, kOutR = 3, kPreDelay1 = 4, kPreDelay2 = 5, kMaxDelay1 = 6, kMaxDelay2 = 7,
  kVoiceMix = 8, kWet = 9, kDry = 10, kSpread = 11, kRate1 = 12, kRate2 = 13, kRate3 = 14,
  kWave1 = 15, kWave2 = 16, kWave3 = 17, kOnOff = 18, kModulationMode = 19
};
}

enum class Library { kDrift, kChorus };
std::string LibraryName(Library library);
const oxhost::ModuleLibrary& LoadedLibrary(Library library);

// A new instance whose buffers hold `capacity` samples; the host reports the
// pins the module describes.
std::unique_ptr<DrivenInstance> NewInstance(Library library, int32_t capacity);

// Sets rate and block size (the capacity) and opens.
void OpenAt(DrivenInstance& instance, float sample_rate);

// The sample inputs and the choice inputs of the instance's module.
std::vector<int32_t> SampleInputs(DrivenInstance& instance);
std::vector<int32_t> ChoiceInputs(DrivenInstance& instance);
std::vector<int32_t> SampleOutputs(DrivenInstance& instance);

// A static sample input: every buffer element from the current position on
// holds `value`; then the pin's event (status PS_STATIC) now.
void SetSample(DrivenInstance& instance, int32_t pin, float value);
// A choice input takes `value` now.
void SetChoice(DrivenInstance& instance, int32_t pin, int32_t value);
// The audio inputs (the chorus's two, none for the drift) stream.
void StreamAudio(DrivenInstance& instance);
// Every control at a working value: the chorus at its defaults, the drift
// active with depth 1.0, a target every 1/100 s and an update every call.
void SetWorkingControls(DrivenInstance& instance);

// A small deterministic noise source, −1 to 1.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed | 1u) {}
  float Next();
  uint32_t Bits();

 private:
  uint32_t state_;
};

// Fills the streamed audio inputs with a new block of noise, then processes
// its first `count` samples in one call.
void ProcessNoiseBlock(DrivenInstance& instance, Noise& noise, int32_t count);

// Non-finite and subnormal samples among the outputs' first `count` elements.
struct OutputCensus {
  int64_t nan = 0;
  int64_t infinite = 0;
  int64_t subnormal = 0;
  int64_t nonzero = 0;
  int64_t samples = 0;
};
void CountOutputs(DrivenInstance& instance, int32_t count, OutputCensus& census);

}  // namespace oxtest
