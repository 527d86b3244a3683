#pragma once

#include <string>

namespace oxhost {

// Exit codes of the tool.
enum ExitCode : int {
  kExitOk = 0,
  kExitUsage = 2,        // bad arguments: options, pins, values, times
  kExitFile = 3,         // an audio, CSV or picture file cannot be read or written
  kExitModule = 4,       // the library cannot be loaded or its module cannot be driven
  kExitInterrupted = 130
};

// Why a command failed: the exit code and a one-line message.
struct Failure {
  int code = kExitOk;
  std::string message;
  bool Set(int failure_code, const std::string& text) {
    code = failure_code;
    message = text;
    return false;
  }
};

}  // namespace oxhost
