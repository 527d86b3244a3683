// What the probe module reports to its host, as callback calls with opcodes
// the host does not otherwise use. Shared by the probe and its tests.
#pragma once

#include <cstdint>

namespace probe {

enum Report : int32_t {
  kAskedForPin = 100,   // index = description index asked for
  kStatusSeen = 101,    // index = pin, value = status, ptr = sample clock
  kValueSeen = 102,     // index = pin, value = the pin's value read back
  kRendered = 103,      // index = buffer offset, value = count, ptr = sample clock
  kDataSeen = 104,      // index = value1, value = the 16-bit value, ptr = time stamp
  kTypeSeen = 105,      // index = pin, value = data type
  kFirstPinStatus = 106 // value = the status of pin 0 while a pin is told of a change
};

// What Query4's record sets before MOD_OPEN.
struct ProbeSettings {
  int32_t repeat_last;  // nonzero: the last description carries IO_REPEAT_LAST
};

// What Query5's record asks the probe to do.
enum Breach : int32_t {
  kPinBeforeOpen = 1,    // asks for pin 0 before the pins exist
  kEventNotDueNow = 2,   // hands HandleEvent an event due one sample later
};

}  // namespace probe
