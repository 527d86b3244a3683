#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oxhost {

// "PIN=VALUE" as given on the command line; the pin by number or name.
struct PinSetting {
  std::string pin;
  std::string value;
};

// "--at SECONDS PIN=VALUE".
struct TimedSetting {
  double seconds = 0.0;
  PinSetting setting;
};

struct Command {
  enum class Kind { kHelp, kInfo, kRender, kGenerate };
  Kind kind = Kind::kHelp;
  std::string library;  // info, render
  std::string signal;   // generate: which signal
  std::string input;
  std::string output;
  std::string format;
  std::string plot;
  std::string csv;
  std::vector<PinSetting> settings;
  std::vector<TimedSetting> changes;
  double seconds = 0.0;  // 0: not given
  int32_t rate = 0;      // 0: not given
  int32_t block = 1024;
};

// Reads the arguments after the program name. Returns false with a one-line
// `error` for anything it cannot accept.
bool ParseCommandLine(const std::vector<std::string>& args, Command& command, std::string& error);

// How to call the tool.
const char* UsageText();

}  // namespace oxhost
