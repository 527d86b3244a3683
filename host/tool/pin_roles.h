#pragma once

#include <cstdint>
#include <vector>

#include "host/module_description.h"

namespace oxhost {

// Which pins the tool connects to files. A module marks the inputs that carry
// its audio signal with this flag; every other sample input is a control that
// takes a constant value. Every sample output is written to the output file.
constexpr int32_t kAudioInputFlag = 0x200;

bool IsAudioInput(const PinDescription& pin);
bool IsFileOutput(const PinDescription& pin);
std::vector<int32_t> AudioInputs(const ModuleDescription& description);
std::vector<int32_t> FileOutputs(const ModuleDescription& description);

}  // namespace oxhost
