#pragma once

#include <cstdint>

#include "host/tool/command_line.h"
#include "host/tool/tool_failure.h"

namespace oxhost {

struct RenderSummary {
  int64_t frames = 0;
  int32_t sample_rate = 0;
  double wall_seconds = 0.0;
};

// Renders through the library's module from the command's input file (or
// silence, or nothing) to its output file, plus the CSV trace and the plot
// when asked. Nothing is left at any output path unless everything succeeded.
bool RunRender(const Command& command, RenderSummary& summary, Failure& failure);

// Asks a render in progress to stop; safe to call from a signal handler.
void InterruptRender();

}  // namespace oxhost
