#include "host/tool/pin_roles.h"

#include "host/ox_interfaces.h"

namespace oxhost {

bool IsAudioInput(const PinDescription& pin) {
  return pin.is_input() && pin.datatype == ox2::DT_FSAMPLE && (pin.flags & kAudioInputFlag) != 0;
}

bool IsFileOutput(const PinDescription& pin) { return pin.is_output() && pin.datatype == ox2::DT_FSAMPLE; }

std::vector<int32_t> AudioInputs(const ModuleDescription& description) {
  std::vector<int32_t> pins;
  for (const PinDescription& pin : description.pins) {
    if (IsAudioInput(pin)) pins.push_back(pin.number);
  }
  return pins;
}

std::vector<int32_t> FileOutputs(const ModuleDescription& description) {
  std::vector<int32_t> pins;
  for (const PinDescription& pin : description.pins) {
    if (IsFileOutput(pin)) pins.push_back(pin.number);
  }
  return pins;
}

}  // namespace oxhost
