#pragma once

#include "host/tool/command_line.h"
#include "host/tool/tool_failure.h"

namespace oxhost {

// Writes one of the tool's own test signals to the output file.
bool RunGenerate(const Command& command, Failure& failure);

}  // namespace oxhost
