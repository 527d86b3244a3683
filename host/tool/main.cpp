// oxhost: describes a module library and renders audio through its module.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "host/tool/command_line.h"
#include "host/tool/generate_command.h"
#include "host/tool/info_command.h"
#include "host/tool/render_command.h"

namespace {

extern "C" void OnInterrupt(int) { oxhost::InterruptRender(); }

int Fail(const oxhost::Failure& failure) {
  std::fprintf(stderr, "oxhost: %s\n", failure.message.c_str());
  return failure.code;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  oxhost::Command command;
  std::string error;
  if (!oxhost::ParseCommandLine(args, command, error)) {
    std::fprintf(stderr, "oxhost: %s\n%s", error.c_str(), oxhost::UsageText());
    return oxhost::kExitUsage;
  }
  oxhost::Failure failure;
  switch (command.kind) {
    case oxhost::Command::Kind::kHelp:
      std::fputs(oxhost::UsageText(), stdout);
      return oxhost::kExitOk;
    case oxhost::Command::Kind::kInfo:
      return oxhost::RunInfo(command, std::cout, failure) ? oxhost::kExitOk : Fail(failure);
    case oxhost::Command::Kind::kGenerate:
      if (!oxhost::RunGenerate(command, failure)) return Fail(failure);
      std::printf("wrote %s\n", command.output.c_str());
      return oxhost::kExitOk;
    case oxhost::Command::Kind::kRender:
      break;
  }
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  oxhost::RenderSummary summary;
  if (!oxhost::RunRender(command, summary, failure)) return Fail(failure);
  const double audio_seconds = static_cast<double>(summary.frames) / summary.sample_rate;
  std::printf("rendered %lld samples (%.3f s at %d Hz) in %.3f s wall time, %.1fx realtime\n",
              static_cast<long long>(summary.frames), audio_seconds, summary.sample_rate, summary.wall_seconds,
              summary.wall_seconds > 0.0 ? audio_seconds / summary.wall_seconds : 0.0);
  return oxhost::kExitOk;
}
