// The chorus's identity and its twenty pins as the host sees them.
#pragma once

#include <cstdint>

namespace chorus {

// Pin numbers; a pin's number is its description index.
enum Pin : int32_t {
  kInL = 0,
  kInR = 1,
  kOutL = 2,
  kOutR = 3,
  kPreDelay1 = 4,
  kPreDelay2 = 5,
  kMaxDelay1 = 6,
  kMaxDelay2 = 7,
  kVoiceMix = 8,
  kWet = 9,
  kDry = 10,
  kSpread = 11,
  kRate1 = 12,
  kRate2 = 13,
  kRate3 = 14,
  kMod1Wave = 15,
  kMod2Wave = 16,
  kMod3Wave = 17,
  kOnOff = 18,
  kModulationMode = 19,
  kPinCount = 20
};

// Everything of a pin's description except the bound variable. Null texts
// and zero flags are not written.
struct PinDescription {
  const char* name;
  int32_t direction;
  int32_t datatype;
  const char* default_value;
  const char* value_list;
  int32_t flags;
};

extern const PinDescription kPinDescriptions[kPinCount];

extern const char kModuleName[];
extern const char kModuleAbout[];

}  // namespace chorus
