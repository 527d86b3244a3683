#pragma once

#include <ostream>

#include "host/tool/command_line.h"
#include "host/tool/tool_failure.h"

namespace oxhost {

// Prints the module's identity and a table of its pins.
bool RunInfo(const Command& command, std::ostream& out, Failure& failure);

}  // namespace oxhost
