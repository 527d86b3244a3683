// Two small modules linked into the test program, one per interface
// generation, that record what the host does to them.
#pragma once

#include <cstdint>
#include <vector>

#include "host/ox_interfaces.h"

namespace oxtest {

// What a fake module saw of one event or process call.
struct SeenEvent {
  int32_t time_stamp;
  int32_t pin;
  int32_t status;
  int32_t value2;        // generation 1: the value the event carries
  int32_t host_clock;    // generation 2: HC_SAMPLE_CLOCK during the call
  int16_t mode;          // generation 2: the Mode variable when the event came
  float level;           // generation 2: the Level pin's current sample
  std::size_t process_calls_before;
};
struct SeenProcess {
  int32_t offset;
  int32_t count;
  int32_t host_clock;
  bool quiet;  // the second process function ran
};

// Generation 2, pins in description order:
//   0 "Level"  sample input, default "5" (0.5)
//   - "Panel"  GUI-only description: no pin number
//   1 "Mode"   choice input "A,B,Quiet=7", default "1"
//   2 "Out"    sample output = Level + Mode, per sample
//   3 "Extra"  sample input without a variable, repeatable
// Mode 7 switches to a quiet process function that writes zeros and asks
// to sleep; any other mode switches back.
struct FakeGeneration2 {
  ox2::OXModuleRecord record{};
  ox2::OXHostCallback callback = nullptr;
  float* level = nullptr;
  int16_t mode = -1;
  float* out = nullptr;
  std::vector<SeenEvent> events;
  std::vector<SeenProcess> calls;
  static FakeGeneration2* last;
};
int32_t OX_CDECL FakeGeneration2Properties(int32_t index, ox2::OXModuleProperties* properties);
void* OX_CDECL FakeGeneration2Make(int32_t index, int32_t subtype, ox2::OXHostCallback callback, void* handle);

// Generation 1, pins: 0 "In" (audio input), 1 "Gain" sample input default
// "10", 2 "Out" = In * Gain, 3 "Switch" choice "OFF,ON" default "0".
struct FakeGeneration1 {
  ox1::OXModuleRecord record{};
  ox1::OXHostCallback callback = nullptr;
  float* in = nullptr;
  float* gain = nullptr;
  float* out = nullptr;
  int16_t unused = 0;
  int32_t open_clock = -1;
  int32_t pin_count = -1;
  std::vector<SeenEvent> events;
  std::vector<SeenProcess> calls;
  static FakeGeneration1* last;
};
ox1::OXModuleRecord* OX_CDECL FakeGeneration1Main(ox1::OXHostCallback callback);

}  // namespace oxtest
