#include "host/tool/command_line.h"

#include "host/number_text.h"

namespace oxhost {

namespace {

constexpr int32_t kHighestRate = 1000000;
constexpr int32_t kLargestBlock = 65536;

bool ParseSetting(const std::string& text, PinSetting& setting, std::string& error) {
  auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0) {
    error = "'" + text + "' is not PIN=VALUE";
    return false;
  }
  setting.pin = text.substr(0, equals);
  setting.value = text.substr(equals + 1);
  return true;
}

bool ParsePositive(const std::string& option, const std::string& text, double& number, std::string& error) {
  if (!ParseDecimal(text, number) || number <= 0.0) {
    error = option + " takes a positive number, not '" + text + "'";
    return false;
  }
  return true;
}

// Walks the arguments; options that take a value accept "--name VALUE" and
// "--name=VALUE".
class ArgumentReader {
 public:
  explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}
  bool done() const { return next_ >= args_.size(); }
  std::string Take() { return args_[next_++]; }
  bool TakeValue(const std::string& option, std::string& value, std::string& error) {
    if (done()) {
      error = option + " needs a value";
      return false;
    }
    value = Take();
    return true;
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
};

bool ParseOption(const std::string& given, ArgumentReader& reader, Command& command, std::string& error) {
  std::string option = given;
  std::string value;
  bool inline_value = false;
  if (given.rfind("--", 0) == 0 && given.find('=') != std::string::npos && given.rfind("--at", 0) != 0 &&
      given.rfind("--set", 0) != 0) {
    option = given.substr(0, given.find('='));
    value = given.substr(given.find('=') + 1);
    inline_value = true;
  }
  auto take = [&](std::string& into) {
    if (inline_value) {
      into = value;
      return true;
    }
    return reader.TakeValue(option, into, error);
  };

  if (option == "-i" || option == "--input") return take(command.input);
  if (option == "-o" || option == "--output") return take(command.output);
  if (option == "--format") return take(command.format);
  if (option == "--plot") return take(command.plot);
  if (option == "--csv") return take(command.csv);
  if (option == "--set") {
    PinSetting setting;
    if (!reader.TakeValue(option, value, error) || !ParseSetting(value, setting, error)) return false;
    command.settings.push_back(setting);
    return true;
  }
  if (option == "--at") {
    TimedSetting change;
    std::string when;
    if (!reader.TakeValue(option, when, error) || !reader.TakeValue(option, value, error)) return false;
    if (!ParseDecimal(when, change.seconds) || change.seconds < 0.0) {
      error = "--at takes a time in seconds (0 or more), not '" + when + "'";
      return false;
    }
    if (!ParseSetting(value, change.setting, error)) return false;
    command.changes.push_back(change);
    return true;
  }
  if (option == "--seconds") {
    return take(value) && ParsePositive(option, value, command.seconds, error);
  }
  if (option == "--rate") {
    if (!take(value)) return false;
    if (!ParseWholeNumber(value, command.rate) || command.rate < 1 || command.rate > kHighestRate) {
      error = "--rate takes a whole number of Hz from 1 to " + std::to_string(kHighestRate) + ", not '" + value + "'";
      return false;
    }
    return true;
  }
  if (option == "--block") {
    if (!take(value)) return false;
    if (!ParseWholeNumber(value, command.block) || command.block < 1 || command.block > kLargestBlock) {
      error = "--block takes a whole number from 1 to " + std::to_string(kLargestBlock) + ", not '" + value + "'";
      return false;
    }
    return true;
  }
  error = "unknown option '" + given + "'";
  return false;
}

// Which options each command accepts.
bool Accepts(Command::Kind kind, const std::string& given) {
  std::string option = given.substr(0, given.find('='));
  if (kind == Command::Kind::kInfo) return false;
  if (kind == Command::Kind::kGenerate) {
    return option == "-o" || option == "--output" || option == "--seconds" || option == "--rate" ||
           option == "--format";
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, Command& command, std::string& error) {
  command = Command();
  if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    command.kind = Command::Kind::kHelp;
    if (args.empty()) {
      error = "no command given";
      return false;
    }
    return true;
  }
  ArgumentReader reader(args);
  std::string verb = reader.Take();
  if (verb == "info") {
    command.kind = Command::Kind::kInfo;
  } else if (verb == "render") {
    command.kind = Command::Kind::kRender;
  } else if (verb == "generate") {
    command.kind = Command::Kind::kGenerate;
  } else {
    error = "unknown command '" + verb + "' (use info, render or generate)";
    return false;
  }

  std::vector<std::string> positional;
  while (!reader.done()) {
    std::string argument = reader.Take();
    if (argument.size() > 1 && argument[0] == '-') {
      if (!Accepts(command.kind, argument)) {
        error = "'" + verb + "' takes no option '" + argument + "'";
        return false;
      }
      if (!ParseOption(argument, reader, command, error)) return false;
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.size() != 1) {
    error = verb + (command.kind == Command::Kind::kGenerate ? " needs exactly one signal name"
                                                             : " needs exactly one module library");
    return false;
  }
  if (command.kind == Command::Kind::kGenerate) {
    command.signal = positional[0];
  } else {
    command.library = positional[0];
  }
  if (command.kind != Command::Kind::kInfo && command.output.empty()) {
    error = verb + " needs an output file (-o FILE)";
    return false;
  }
  return true;
}

const char* UsageText() {
  return "usage:\n"
         "  oxhost info LIB\n"
         "  oxhost render LIB [-i IN] -o OUT [--set PIN=VALUE]... [--at SECONDS PIN=VALUE]...\n"
         "                [--seconds N] [--rate HZ] [--block N] [--format F] [--plot FILE.png] [--csv FILE]\n"
         "  oxhost generate pluck-chord -o OUT [--seconds N] [--rate HZ] [--format F]\n"
         "PIN is a pin's number or name; VALUE is in the pin's own units, as its default\n"
         "(sample pins: tenths, so Wet=6 is 0.6; choice pins: a label or its number).\n"
         "Files: .wav, .flac, .aif/.aiff; --format float, 16, 24 or 32 (default float, FLAC 24).\n";
}

}  // namespace oxhost
